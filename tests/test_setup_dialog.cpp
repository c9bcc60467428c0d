#include "app/ui/Forms.h"
#include "app/ui/MainWindow.h"
#include "device/ui/ConnectGroup.h"
#include "device/ui/SetupDialog.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

// The port setup dialog, shown without a modal loop.
class SetupDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingPrompter> prompts;

    static void open()
    {
        Form2->show();
        QVERIFY(QTest::qWaitForWindowExposed(Form2));
    }

private slots:
    void init()
    {
        prompts = std::make_unique<RecordingPrompter>();
        createWindows();
    }
    void cleanup()
    {
        destroyWindows();
        prompts.reset();
    }

    void typingTakesDigitsOnly()
    {
        open();
        QTest::keyClicks(Form2->Edit1, QStringLiteral("a1- 2+\r"));
        QTest::keyClick(Form2->Edit1, Qt::Key_Escape);
        QTest::keyClick(Form2->Edit1, Qt::Key_Return);
        QVERIFY(Form2->isVisible()); // Enter and Escape press nothing
        QTest::keyClicks(Form2->Edit1, QStringLiteral("34"));
        QCOMPARE(Form2->Edit1->text(), QStringLiteral("123")); // a fourth digit is refused
        QTest::keyClick(Form2->Edit1, Qt::Key_Backspace);
        QCOMPARE(Form2->Edit1->text(), QStringLiteral("12"));
        QVERIFY(Form2->Edit1->toolTip().startsWith(QStringLiteral("Vantrelock COM Port")));
    }

    // Editing keys reach the box as on Windows, where they type no character; X11 gives Delete
    // the text "\x7f".
    void keysThatPass_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("discarded");
        const int none = Qt::NoModifier;
        QTest::newRow("digit") << int(Qt::Key_7) << "7" << none << false;
        QTest::newRow("Backspace") << int(Qt::Key_Backspace) << "\b" << none << false;
        QTest::newRow("Tab") << int(Qt::Key_Tab) << "\t" << none << false;
        QTest::newRow("Delete on X11") << int(Qt::Key_Delete) << "\x7f" << none << false;
        QTest::newRow("Delete") << int(Qt::Key_Delete) << QString() << none << false;
        QTest::newRow("Left") << int(Qt::Key_Left) << QString() << none << false;
        QTest::newRow("Home") << int(Qt::Key_Home) << QString() << none << false;
        QTest::newRow("paste") << int(Qt::Key_V) << "\x16" << int(Qt::ControlModifier) << false;
        QTest::newRow("letter") << int(Qt::Key_A) << "a" << none << true;
        QTest::newRow("blank") << int(Qt::Key_Space) << " " << none << true;
        QTest::newRow("sign") << int(Qt::Key_Minus) << "-" << none << true;
        QTest::newRow("Enter") << int(Qt::Key_Return) << "\r" << none << true;
        QTest::newRow("keypad point") << int(Qt::Key_Period) << "." << int(Qt::KeypadModifier) << true;
    }
    void keysThatPass()
    {
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(int, modifiers);
        QFETCH(bool, discarded);
        QCOMPARE(portKeyDiscarded(key, text, Qt::KeyboardModifiers(modifiers)), discarded);
    }

    void deleteKeyEdits()
    {
        open();
        QTest::keyClicks(Form2->Edit1, QStringLiteral("123"));
        Form2->Edit1->setCursorPosition(0);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
        QApplication::sendEvent(Form2->Edit1, &press);
        QCOMPARE(Form2->Edit1->text(), QStringLiteral("23"));
    }

    void save_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("comport");
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("0") << QStringLiteral("0") << 0;
        QTest::newRow("000") << QStringLiteral("000") << 0;
        QTest::newRow("007") << QStringLiteral("007") << 7;
        QTest::newRow("12") << QStringLiteral("12") << 12;
    }
    void save()
    {
        QFETCH(QString, typed);
        QFETCH(int, comport);
        open();
        QTest::keyClicks(Form2->Edit1, typed);
        QTest::mouseClick(Form2->Button1, Qt::LeftButton);
        QVERIFY(!Form2->isVisible());
        QCOMPARE(Form1->connection->link.comport, comport);
        QCOMPARE(prompts->texts(), QStringList());
        if (comport != 0) {
            open(); // shows the number in use
            QCOMPARE(Form2->Edit1->text(), QString::number(comport));
        }
    }

    void cancelKeepsTheNumberAndTheText()
    {
        open();
        QTest::keyClicks(Form2->Edit1, QStringLiteral("5"));
        QTest::mouseClick(Form2->Button2, Qt::LeftButton);
        QVERIFY(!Form2->isVisible());
        QCOMPARE(Form1->connection->link.comport, 0);
        open();
        QCOMPARE(Form2->Edit1->text(), QStringLiteral("5"));
        Form2->close();

        Form1->connection->link.comport = 9;
        open();
        QCOMPARE(Form2->Edit1->text(), QStringLiteral("9"));
    }

    void pastedTextThatIsNoNumber()
    {
        open();
        QApplication::clipboard()->setText(QStringLiteral("1a"));
        Form2->Edit1->paste();
        QTest::mouseClick(Form2->Button1, Qt::LeftButton);
        QCOMPARE(prompts->texts(), QStringList{QStringLiteral("'1a' is not a valid integer value.")});
        QVERIFY(Form2->isVisible());
        QCOMPARE(Form1->connection->link.comport, 0);
    }
};

MIRELON_TEST_MAIN(SetupDialogTest)
#include "test_setup_dialog.moc"
