#include "app/ui/MainWindow.h"
#include "app/ui/Windows.h"
#include "device/ui/SetupDialog.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QClipboard>
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
        QCOMPARE(Form1->link.comport, comport);
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
        QCOMPARE(Form1->link.comport, 0);
        open();
        QCOMPARE(Form2->Edit1->text(), QStringLiteral("5"));
        Form2->close();

        Form1->link.comport = 9;
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
        QCOMPARE(Form1->link.comport, 0);
    }
};

MIRELON_TEST_MAIN(SetupDialogTest)
#include "test_setup_dialog.moc"
