#include "app/ui/MainWindow.h"
#include "app/ui/Widgets.h"
#include "app/ui/Windows.h"
#include "device/Connection.h"
#include "history/HistoryStore.h"
#include "history/ui/HistoryWindow.h"
#include "tests/support/TestSupport.h"
#include "tools/sim/RunFileCommands.h"
#include "tools/sim/RunFiles.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTableWidget>

// The practice history in the program: the main window's Load records what it stores, the store
// that cannot be used never stops it, and the History window shows the sessions.
class HistoryWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingPrompter> prompter;
    std::unique_ptr<SimFixture> sim;
    std::shared_ptr<sim::DeviceRunFiles> deviceFiles;

    static WorkingFolders folders() { return workingFolders(testHome() + QStringLiteral("/Documents")); }
    static QString storePath() { return folders().inProgram(history::kStoreName); }
    static QByteArray runFile(std::uint32_t seed, sim::RunFileKind kind = sim::RunFileKind::Full)
    {
        return sim::encodeRunFile(sim::generateSession(seed, 15), kind);
    }
    static QString writeRunFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = QDir(folders().statistics).filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    static QDateTime day(int d) { return QDateTime(QDate(2024, 4, d), QTime(19, 5)); }
    static QStringList folderNames()
    {
        return QDir(folders().statistics).entryList(QDir::Files, QDir::Name);
    }

    void connectDevice()
    {
        sim::Config config;
        config.version = "1.24 R";
        config.serialNumber = "VM000042";
        sim = std::make_unique<SimFixture>(config);
        sim::RunFileSet set;
        set.files = {{"ABC", runFile(1)}, {"NEW", runFile(2)}};
        set.rallycross = {{"ABC", runFile(3, sim::RunFileKind::Rallycross)}};
        deviceFiles = std::make_shared<sim::DeviceRunFiles>(set);
        sim::installRunFileCommands(sim->device(), deviceFiles);
        Form1->Button1Click();
        QVERIFY(Form1->link.isOpen());
    }
    static QStringList tableRow(int row)
    {
        QStringList texts;
        for (int column = 0; column < history::kTableColumns; ++column)
            texts << Form1->historyWindow->Sessions->item(row, column)->text();
        return texts;
    }

private slots:
    void init()
    {
        prompter = std::make_unique<RecordingPrompter>();
        QDir(folders().program).removeRecursively();
        QVERIFY(QDir().mkpath(folders().statistics));
    }
    void cleanup()
    {
        destroyWindows();
        sim.reset();
        prompter.reset();
    }

    // Load records each stored file once, with the device, its version and the time it came; the
    // same files downloaded again (stored as ABC-1.txt ...) are the same sessions.
    void loadRecordsWhatItStores()
    {
        createWindows();
        Form1->now = [] { return day(6); };
        connectDevice();
        Form1->Button8Click();
        QCOMPARE(prompter->texts(), QStringList());
        std::vector<history::Session> sessions = Form1->history->sessions();
        QCOMPARE(sessions.size(), size_t(3));
        QStringList names;
        for (const history::Session &s : sessions) {
            names << s.fileName();
            QCOMPARE(s.arrived, day(6));
            QCOMPARE(s.serial, QStringLiteral("VM000042"));
            QCOMPARE(s.firmware, QStringLiteral("1.24 R"));
            QCOMPARE(s.rallycross, s.fileName() == QLatin1String("ABCR.txt"));
            QVERIFY(!s.imported);
            QVERIFY(s.figures);
            QCOMPARE(s.figures->runs, 15);
        }
        QCOMPARE(names, (QStringList{"ABC.txt", "NEW.txt", "ABCR.txt"}));

        Form1->now = [] { return day(7); };
        Form1->Button8Click();
        QCOMPARE(folderNames(), (QStringList{"ABC-1.txt", "ABC.txt", "ABCR-1.txt", "ABCR.txt", "NEW-1.txt", "NEW.txt"}));
        sessions = Form1->history->sessions();
        QCOMPARE(sessions.size(), size_t(3));
        QCOMPARE(sessions.front().arrived, day(6));
        QCOMPARE(prompter->texts(), QStringList());
    }

    // A store that cannot record never stops a download: the files are all stored, and the
    // program says once, after the download, that the history is off and why.
    void storeThatCannotRecordNeverStopsLoad_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("locked by another program") << "locked";
        QTest::newRow("locked from the start") << "locked at start";
        QTest::newRow("read-only") << "read-only";
    }
    void storeThatCannotRecordNeverStopsLoad()
    {
        QFETCH(QString, fault);
        {
            history::Store before(storePath());
            history::Arrival kept;
            kept.path = writeRunFile(QStringLiteral("KEPT.txt"), runFile(9));
            kept.bytes = runFile(9);
            kept.when = day(1);
            QCOMPARE(before.record(kept), history::Store::Recorded::New);
        }
        if (fault == QLatin1String("read-only") && !setReadOnly(storePath(), true))
            QSKIP("this file system cannot make a file read-only for root");
        QSqlDatabase locker;
        const auto lock = [&locker] {
            locker = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
            locker.setDatabaseName(storePath());
            QVERIFY(locker.open());
            QVERIFY(QSqlQuery(locker).exec(QStringLiteral("BEGIN EXCLUSIVE")));
        };
        if (fault == QLatin1String("locked at start")) {
            // Tried once without waiting: the window is not held; the first recording tries again.
            lock();
            createWindows();
            QVERIFY(Form1->history->waiting());
            QVERIFY(Form1->history->problem().isEmpty());
        } else {
            createWindows();
        }
        if (fault.startsWith(QLatin1String("locked"))) {
            QCOMPARE(prompter->texts(), QStringList());
            if (!locker.isOpen())
                lock();
        } else {
            QCOMPARE(prompter->texts(), QStringList()); // nothing before the window is in use
        }
        connectDevice();
        for (int download = 1; download <= 2; ++download) {
            Form1->Button8Click();
            QVERIFY(Form1->link.isOpen());
        }
        QCOMPARE(folderNames().size(), 1 + 2 * 3);
        QCOMPARE(prompter->texts().size(), 1);
        const QString said = prompter->texts().first();
        QVERIFY2(said.startsWith(QLatin1String("The practice history is off: the history file ")), qPrintable(said));
        QVERIFY(said.contains(fault.startsWith(QLatin1String("locked")) ? QLatin1String("locked by another program")
                                                               : QLatin1String("read-only")));
        QCOMPARE(prompter->shown.first().kind, BoxKind::Warning);

        Form1->historyAction->trigger(); // the window opens, and shows why nothing is added
        QVERIFY(Form1->historyWindow->Status->text().startsWith(QLatin1String("The practice history is off")));
        if (locker.isOpen()) {
            QSqlQuery(locker).exec(QStringLiteral("ROLLBACK"));
            locker.close();
        }
        locker = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("locker"));
        if (fault == QLatin1String("read-only"))
            setReadOnly(storePath(), false);
        QCOMPARE(history::Store(storePath()).sessions().size(), size_t(1));
    }

    // The history speaks after a download's own messages, never between them: a Load that ends
    // in a timeout shows its error box, closes the port and sets the buttons before the history
    // says it is off.
    void noticeWaitsForTheDownloadsMessages()
    {
        struct Watching : RecordingPrompter {
            QList<bool> linkOpen, loadEnabled;
            QMessageBox::StandardButton message(QWidget *parent, BoxKind kind, const QString &text,
                                                QMessageBox::StandardButtons buttons) override
            {
                linkOpen << Form1->link.isOpen();
                loadEnabled << Form1->Button8->isEnabled();
                return RecordingPrompter::message(parent, kind, text, buttons);
            }
        };
        { history::Store made(storePath()); }
        QSqlDatabase locker = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
        locker.setDatabaseName(storePath());
        QVERIFY(locker.open());
        QVERIFY(QSqlQuery(locker).exec(QStringLiteral("BEGIN EXCLUSIVE")));
        Watching watching;
        createWindows();
        sim::Config config;
        config.version = "1.24 R";
        sim = std::make_unique<SimFixture>(config);
        sim::RunFileSet set;
        set.files = {{"ABC", runFile(1)}, {"NEW", runFile(2)}};
        set.files.at(1).stopAfter = 100;
        sim::installRunFileCommands(sim->device(), std::make_shared<sim::DeviceRunFiles>(set));
        Form1->Button1Click();
        QVERIFY(Form1->link.isOpen());
        Form1->Button8Click();
        QCOMPARE(watching.texts().size(), 2);
        QCOMPARE(watching.texts().first(), kNoResponse);
        QVERIFY(watching.texts().last().startsWith(QLatin1String("The practice history is off: ")));
        QCOMPARE(watching.linkOpen, (QList<bool>{true, false}));
        QCOMPARE(watching.loadEnabled.last(), false);
        QCOMPARE(folderNames(), QStringList{QStringLiteral("ABC.txt")});
        QSqlQuery(locker).exec(QStringLiteral("ROLLBACK"));
        locker.close();
        locker = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("locker"));
        destroyWindows();
    }

    // A damaged store is set aside at start and the run files of the folder go into the new one;
    // the History window says so once, when it opens, never the start.
    void damagedStoreAtStart()
    {
        QFile damaged(storePath());
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray(4096, '\x07'));
        damaged.close();
        writeRunFile(QStringLiteral("OLD.txt"), runFile(4));
        createWindows();
        QSignalSpy imported(Form1, &TForm1::historyImported);
        QVERIFY(imported.wait(30000)); // the import runs at idle priority
        QCOMPARE(prompter->texts(), QStringList());
        const QString aside = Form1->history->setAsidePath();
        QCOMPARE(QFileInfo(aside).size(), 4096);
        QCOMPARE(Form1->history->sessions().size(), size_t(1));
        QVERIFY(Form1->history->canRecord());
        for (int open = 1; open <= 2; ++open) {
            Form1->historyAction->trigger();
            QCOMPARE(prompter->texts().size(), 1);
            QVERIFY(prompter->texts().first().contains(QLatin1String("was damaged. It was renamed to History-damaged-")));
        }
    }

    // The window: the table and the charts show the store's sessions and figures, the device filter
    // picks whose, and a session picked in the table is loaded in the main window.
    void historyWindowShowsTheSessions()
    {
        {
            history::Store store(storePath());
            struct Row {
                const char *name;
                QByteArray bytes;
                int day;
                const char *serial;
            };
            const Row rows[] = {
                {"A.txt", runFile(11), 2, "VM000042"},
                {"B.txt", runFile(12, sim::RunFileKind::Short), 9, "VM000007"},
                {"BAD.txt", QByteArray(300, '0') + "0X2", 12, "VM000042"},
                {"GONE.txt", runFile(13), 16, "VM000007"},
                {"C.txt", runFile(14), 20, "VM000042"},
            };
            for (const Row &row : rows) {
                history::Arrival a;
                a.path = writeRunFile(QLatin1String(row.name), row.bytes);
                a.bytes = row.bytes;
                a.when = day(row.day);
                a.serial = QLatin1String(row.serial);
                QCOMPARE(store.record(a), history::Store::Recorded::New);
            }
            QVERIFY(QFile::remove(QDir(folders().statistics).filePath(QStringLiteral("GONE.txt"))));
        }
        QFile found(writeRunFile(QStringLiteral("FOUND.txt"), runFile(15)));
        QVERIFY(found.open(QIODevice::ReadWrite));
        QVERIFY(found.setFileTime(day(25), QFileDevice::FileModificationTime));
        found.close();
        createWindows();
        QSignalSpy imported(Form1, &TForm1::historyImported); // FOUND.txt, beside the window
        QVERIFY(imported.wait(30000)); // the import runs at idle priority
        QCOMPARE(prompter->texts(), QStringList());

        // Opened from the run file list's context menu, or Ctrl+H.
        QCOMPARE(Form1->FileListBox1->contextMenuPolicy(), Qt::ActionsContextMenu);
        QVERIFY(Form1->FileListBox1->actions().contains(Form1->historyAction));
        QCOMPARE(Form1->historyAction->text(), QStringLiteral("History\u2026"));
        QCOMPARE(Form1->historyAction->shortcut(), QKeySequence(QStringLiteral("Ctrl+H")));
        Form1->historyAction->trigger();
        HistoryWindow *window = Form1->historyWindow;
        QVERIFY(window && window->isVisible());

        const std::vector<history::Session> sessions = Form1->history->sessions();
        QCOMPARE(sessions.size(), size_t(6));
        QCOMPARE(window->Sessions->rowCount(), 6);
        for (int row = 0; row < 6; ++row)
            QCOMPARE(tableRow(row), history::tableRow(sessions[size_t(row)]));
        QCOMPARE(tableRow(2).at(3), history::kNoFigures);
        QCOMPARE(tableRow(5).at(1), history::kUnknownDevice);
        QCOMPARE(tableRow(5).at(2), QStringLiteral("FOUND.txt"));
        const history::Plot plot = history::plotOf(sessions);
        QCOMPARE(window->AverageSeries->points(), plot.average);
        QCOMPARE(window->BestSeries->points(), plot.best);
        QCOMPARE(window->SpreadSeries->points(), plot.spread);
        QCOMPARE(window->RedSeries->points(), plot.redRate);
        QCOMPARE(window->AverageSeries->count(), 5); // not the file without figures
        for (size_t k = 0; k < 4; ++k)
            QCOMPARE(window->ShiftSeries[k]->points(), plot.shiftAverage[k]);
        QVERIFY(!window->ShiftSeries[3]->isVisible()); // no session has a fourth shift
        QVERIFY(window->Summary->text().startsWith(QLatin1String("6 sessions, ")));

        // The device filter.
        QStringList devices;
        for (int i = 0; i < window->Device->count(); ++i)
            devices << window->Device->itemText(i);
        QCOMPARE(devices, (QStringList{"All devices", "VM000007", "VM000042", "Device not known (found in the folder)"}));
        window->Device->setCurrentIndex(1);
        emit window->Device->activated(1);
        QCOMPARE(window->Sessions->rowCount(), 2);
        QCOMPARE(tableRow(0).at(2), QStringLiteral("B.txt"));
        QCOMPARE(window->AverageSeries->count(), 2);

        // A session picked: its run file is loaded as a click in the list would.
        window->Sessions->selectRow(0);
        QCOMPARE(Form1->Label11->text(), QStringLiteral("B.txt"));
        QCOMPARE(Form1->FileListBox1->fileName(), QDir(folders().statistics).filePath(QStringLiteral("B.txt")));
        QCOMPARE(Form1->NumRuns->text(), QStringLiteral("15"));
        QCOMPARE(window->Status->text(), QStringLiteral("B.txt is shown in the main window."));
        window->Sessions->selectRow(1);
        QCOMPARE(window->Status->text(), QStringLiteral("The run file GONE.txt is not in the Statistics folder."));
        QCOMPARE(Form1->Label11->text(), QStringLiteral("B.txt"));
        QCOMPARE(prompter->texts(), QStringList());

        // A download while it is open shows up at once; the device picked stays picked.
        Form1->now = [] { return day(28); };
        connectDevice();
        Form1->Button8Click();
        QCOMPARE(window->Device->currentText(), QStringLiteral("VM000007"));
        window->Device->setCurrentIndex(0);
        emit window->Device->activated(0);
        QCOMPARE(window->Sessions->rowCount(), 9);
    }
};

MIRELON_TEST_MAIN(HistoryWindowTest)
#include "test_history_window.moc"
