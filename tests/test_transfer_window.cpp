#include "app/ui/Forms.h"
#include "app/ui/MainWindow.h"
#include "device/ui/ConnectGroup.h"
#include "stats/ui/StatisticsGroup.h"
#include "tests/support/TestSupport.h"
#include "tools/sim/RunFileCommands.h"
#include "tools/sim/RunFiles.h"
#include "widgets/ColorPanel.h"
#include "widgets/FileListBox.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

// Load and Delete of the Statistics group, driven through the main window against the simulated
// device.
class TransferWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingPrompter> prompter;
    std::unique_ptr<SimFixture> sim;
    std::shared_ptr<sim::DeviceRunFiles> deviceFiles;

    static QByteArray runFile(std::uint32_t seed, sim::RunFileKind kind = sim::RunFileKind::Full)
    {
        return sessionRunFile(seed, kind);
    }
    static QString folder() { return Form1->folders.statistics; }
    static QStringList folderNames()
    {
        return QDir(folder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    static QStringList listed()
    {
        QStringList names;
        for (int i = 0; i < Form1->statistics->FileListBox1->count(); ++i)
            names << Form1->statistics->FileListBox1->item(i)->text();
        return names;
    }
    static void writeLocal(const QString &name, const QByteArray &bytes)
    {
        QFile file(QDir(folder()).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    void connectDevice(const QByteArray &version)
    {
        sim::Config config;
        config.version = version;
        sim = std::make_unique<SimFixture>(config);
        deviceFiles = holdRunFiles(*sim);
        Form1->connection->Button1Click();
        QVERIFY(Form1->connection->link.isOpen());
        QVERIFY(Form1->statistics->Button8->isEnabled());
        sim->device().clearReceived();
    }
    void setFault(const QString &faultText)
    {
        sim::Fault fault;
        QVERIFY(sim::parseFault(faultText.section(QLatin1Char('='), 1), fault));
        sim->device().setFault(faultText.section(QLatin1Char('='), 0, 0).toStdString(), fault);
    }
    static void pick(const QString &name)
    {
        const auto items = Form1->statistics->FileListBox1->findItems(name, Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        Form1->statistics->FileListBox1->setCurrentItem(items.first());
        items.first()->setSelected(true);
    }

private slots:
    void init()
    {
        prompter = std::make_unique<RecordingPrompter>();
        createWindows();
        for (const QString &name : folderNames())
            QFile::remove(QDir(folder()).filePath(name));
        Form1->statistics->FileListBox1->refresh();
    }
    void cleanup()
    {
        destroyWindows();
        sim.reset();
        prompter.reset();
    }

    void loadStoresAndListsTheFiles()
    {
        writeLocal(QStringLiteral("ABC.txt"), "older download");
        Form1->statistics->FileListBox1->refresh();
        pick(QStringLiteral("ABC.txt")); // the file on show stays picked, and exportable
        prompter->clear(); // (it is no run file: its load complained)
        connectDevice("1.24 R");
        Form1->statistics->Button8->click();
        QCOMPARE(Form1->statistics->FileListBox1->fileName(), QDir(folder()).filePath(QStringLiteral("ABC.txt")));
        QVERIFY(Form1->statistics->Button11->isEnabled());
        QCOMPARE(prompter->texts(), QStringList());
        const QStringList expected{"ABC-1.txt", "ABC.txt", "ABCR.txt", "NEW.txt"};
        QCOMPARE(folderNames(), expected);
        QCOMPARE(listed(), expected);
        QFile stored(QDir(folder()).filePath(QStringLiteral("ABCR.txt")));
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QCOMPARE(stored.readAll(), deviceFiles->get().rallycross.front().data);
        QVERIFY(Form1->connection->link.isOpen());
        QVERIFY(Form1->statistics->Button8->isEnabled());
    }

    // In overlay mode the picked files are the overlay's: Export stays off whatever refreshes
    // the list.
    void exportStaysOffInOverlayMode_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<int>("button"); // 8 Load, 9 Delete
        QTest::newRow("load") << true << 8;
        QTest::newRow("device delete declined") << true << 9;
        QTest::newRow("local delete declined") << false << 9;
    }
    void exportStaysOffInOverlayMode()
    {
        QFETCH(bool, connected);
        QFETCH(int, button);
        writeLocal(QStringLiteral("A.txt"), runFile(7));
        writeLocal(QStringLiteral("B.txt"), runFile(8));
        Form1->statistics->FileListBox1->refresh();
        pick(QStringLiteral("A.txt"));
        Form1->statistics->Panel4Click();
        pick(QStringLiteral("B.txt"));
        QVERIFY(!Form1->statistics->Button11->isEnabled());
        if (connected)
            connectDevice("1.24 R");
        prompter->clear();
        prompter->answers = {QMessageBox::No};
        (button == 8 ? Form1->statistics->Button8 : Form1->statistics->Button9)->click();
        QVERIFY(Form1->statistics->FileListBox1->hasSelection());
        QVERIFY(!Form1->statistics->Button11->isEnabled());
        Form1->statistics->Panel4Click(); // overlay off: Export again
        QVERIFY(Form1->statistics->Button11->isEnabled());
    }

    void loadFailures_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("linkOpen");
        QTest::addColumn<QStringList>("onDisk");
        QTest::newRow("refused") << QStringLiteral("list=wrong:ER!") << QStringLiteral("Invalid Response from Vantrelock")
                                 << true << QStringList{};
        QTest::newRow("no rallycross files") << QStringLiteral("rxlist=wrong:NO!")
                                             << QStringLiteral("Rallycross Files NOT Found") << true
                                             << QStringList{"ABC.txt", "NEW.txt"};
        QTest::newRow("folder gone") << QStringLiteral("folder") << QStringLiteral("File not found.") << true
                                     << QStringList{};
        // The one slow case: the second data block stops short and the device goes quiet.
        QTest::newRow("data block stops short") << QStringLiteral("2=stop:700")
                                                << QStringLiteral("No Response from Vantrelock") << false
                                                << QStringList{"ABC.txt"};
    }
    void loadFailures()
    {
        QFETCH(QString, fault);
        QFETCH(QString, message);
        QFETCH(bool, linkOpen);
        QFETCH(QStringList, onDisk);
        connectDevice("1.24 R");
        if (fault == QLatin1String("folder")) {
            QVERIFY(QDir(folder()).removeRecursively());
        } else if (fault.startsWith(QLatin1Char('2'))) {
            deviceFiles->edit([&](sim::RunFileSet &set) { QVERIFY(sim::applyFileFault(set, fault)); });
        } else {
            setFault(fault);
        }

        Form1->statistics->Button8->click();
        QCOMPARE(prompter->texts(), QStringList{message});
        QCOMPARE(prompter->shown.front().kind, BoxKind::Error);
        QCOMPARE(folderNames(), onDisk);
        QCOMPARE(listed(), QStringList()); // not refreshed after a failure
        QCOMPARE(Form1->connection->link.isOpen(), linkOpen);
        QCOMPARE(Form1->statistics->Button8->isEnabled(), linkOpen);
        // A dropped link still shows "Connected" until the user presses Connect again.
        QCOMPARE(Form1->connection->Panel1->caption(), QStringLiteral("Connected"));
    }

    void deleteOnTheDevice_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("linkOpen");
        QTest::addColumn<int>("filesLeft");
        QTest::addColumn<bool>("exportUpdated");
        QTest::newRow("yes") << true << QString() << QByteArray("SDSE") << QString() << true << 0 << true;
        QTest::newRow("no") << false << QString() << QByteArray() << QString() << true << 2 << true;
        QTest::newRow("refused") << true << QStringLiteral("delete=wrong:ER!") << QByteArray("SD")
                                 << QStringLiteral("Error Deleting Statistics Files") << true << 2 << false;
        QTest::newRow("rallycross: nothing to do") << true << QStringLiteral("rxdelete=wrong:NO!")
                                                   << QByteArray("SDSE") << QString() << true << 0 << false;
        QTest::newRow("rallycross refused") << true << QStringLiteral("rxdelete2=wrong:ER!") << QByteArray("SDSE")
                                            << QStringLiteral("Error Deleting Rallycross Files") << true << 0 << false;
        QTest::newRow("no second answer") << true << QStringLiteral("rxdelete2=silent") << QByteArray("SDSE")
                                          << QStringLiteral("No Response from Vantrelock") << false << 0 << false;
    }
    // Connected, Delete removes the device's files and never the picked local one.
    void deleteOnTheDevice()
    {
        QFETCH(bool, yes);
        QFETCH(QString, fault);
        QFETCH(QByteArray, sent);
        QFETCH(QString, message);
        QFETCH(bool, linkOpen);
        QFETCH(int, filesLeft);
        QFETCH(bool, exportUpdated);
        writeLocal(QStringLiteral("LOCAL.txt"), runFile(4));
        Form1->statistics->FileListBox1->refresh();
        connectDevice("1.24 R");
        pick(QStringLiteral("LOCAL.txt"));
        if (!fault.isEmpty())
            setFault(fault);
        Form1->statistics->Button11->setEnabled(false);
        prompter->clear();
        prompter->answers = {yes ? QMessageBox::Yes : QMessageBox::No};

        Form1->statistics->Button9->click();
        QVERIFY(waitFor([&] { return sim->device().received().size() >= sent.size(); }));
        QCOMPARE(sim->device().received(), sent);
        QStringList expected{QStringLiteral("Delete All Statistics Files from Vantrelock?")};
        if (!message.isEmpty())
            expected << message;
        QCOMPARE(prompter->texts(), expected);
        QCOMPARE(prompter->shown.front().kind, BoxKind::Plain);
        QCOMPARE(prompter->shown.front().buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(Form1->connection->link.isOpen(), linkOpen);
        QCOMPARE(int(deviceFiles->get().files.size()), filesLeft);
        QCOMPARE(folderNames(), QStringList{"LOCAL.txt"});
        QVERIFY(Form1->statistics->FileListBox1->hasSelection());
        QCOMPARE(Form1->statistics->Button11->isEnabled(), exportUpdated);
    }

    void deleteALocalFile_data()
    {
        QTest::addColumn<QStringList>("picked"); // the last one is the current item
        QTest::addColumn<bool>("overlay");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QStringList>("left");
        const QStringList all{"A.txt", "B.txt", "C.txt", "D.txt"};
        QTest::newRow("nothing picked") << QStringList{} << false << true << QString() << all;
        QTest::newRow("no") << QStringList{"B.txt"} << false << false
                            << QStringLiteral("Do You Want to Delete Statistics File: B.txt?") << all;
        QTest::newRow("yes") << QStringList{"B.txt"} << false << true
                             << QStringLiteral("Do You Want to Delete Statistics File: B.txt?")
                             << QStringList{"A.txt", "C.txt", "D.txt"};
        QTest::newRow("overlay: the current item only")
            << QStringList{"A.txt", "C.txt"} << true << true
            << QStringLiteral("Do You Want to Delete Statistics File: C.txt?") << QStringList{"A.txt", "B.txt", "D.txt"};
    }
    // Not connected, Delete removes the picked local file after asking, and lists the folder anew.
    void deleteALocalFile()
    {
        QFETCH(QStringList, picked);
        QFETCH(bool, overlay);
        QFETCH(bool, yes);
        QFETCH(QString, question);
        QFETCH(QStringList, left);
        for (const char *name : {"A.txt", "B.txt", "C.txt"})
            writeLocal(QLatin1String(name), runFile(5));
        Form1->statistics->FileListBox1->refresh();
        Form1->statistics->FileListBox1->setMultiSelect(overlay);
        for (const QString &name : picked)
            pick(name);
        writeLocal(QStringLiteral("D.txt"), runFile(6)); // appears at the next refresh
        Form1->statistics->Button11->setEnabled(true);
        const double loaded = Form1->statistics->rt[1] = 0.512;
        prompter->clear();
        prompter->answers = {yes ? QMessageBox::Yes : QMessageBox::No};

        Form1->statistics->Button9->click();
        QCOMPARE(prompter->texts(), question.isEmpty() ? QStringList() : QStringList{question});
        if (!question.isEmpty()) {
            QCOMPARE(prompter->shown.front().kind, BoxKind::Plain);
            QCOMPARE(listed(), left);
            QCOMPARE(Form1->statistics->Button11->isEnabled(), Form1->statistics->FileListBox1->hasSelection() && !overlay);
        } else {
            QVERIFY(Form1->statistics->Button11->isEnabled()); // untouched
        }
        QCOMPARE(folderNames(), left);
        QCOMPARE(Form1->statistics->rt[1], loaded); // the data on screen stays
    }

    // A habitual Enter on either deletion question, in the real box, answers No: nothing is sent
    // to the device and no file goes. The texts and the Yes and No buttons stay.
    void enterAnswersNo_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("question");
        QTest::newRow("device files") << true << QStringLiteral("Delete All Statistics Files from Vantrelock?");
        QTest::newRow("local file") << false << QStringLiteral("Do You Want to Delete Statistics File: LOCAL.txt?");
    }
    void enterAnswersNo()
    {
        QFETCH(bool, connected);
        QFETCH(QString, question);
        writeLocal(QStringLiteral("LOCAL.txt"), runFile(4));
        Form1->statistics->FileListBox1->refresh();
        if (connected)
            connectDevice("1.24 R");
        pick(QStringLiteral("LOCAL.txt"));
        Form1->show();
        QVERIFY(QTest::qWaitForWindowExposed(Form1));

        QString asked;
        QStringList buttons;
        QTimer presser;
        presser.setInterval(10);
        connect(&presser, &QTimer::timeout, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            presser.stop();
            asked = box->text();
            for (QAbstractButton *button : box->buttons())
                buttons << (box->standardButton(button) == QMessageBox::Yes ? QStringLiteral("Yes")
                            : box->standardButton(button) == QMessageBox::No ? QStringLiteral("No")
                                                                              : button->text());
            QTest::keyClick(box, Qt::Key_Return);
        });
        setPrompter(nullptr); // the real boxes
        presser.start();
        Form1->statistics->Button9->click();
        presser.stop();
        setPrompter(prompter.get());

        QCOMPARE(asked, question);
        buttons.sort();
        QCOMPARE(buttons, (QStringList{QStringLiteral("No"), QStringLiteral("Yes")}));
        if (connected) {
            QCOMPARE(sim->device().received(), QByteArray());
            QCOMPARE(int(deviceFiles->get().files.size()), 2);
        }
        QCOMPARE(folderNames(), QStringList{QStringLiteral("LOCAL.txt")});
    }
};

MIRELON_TEST_MAIN(TransferWindowTest)
#include "test_transfer_window.moc"
