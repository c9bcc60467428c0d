#include "app/ui/Forms.h"
#include "app/ui/MainWindow.h"
#include "base/Files.h"
#include "device/Connection.h"
#include "device/ui/ConnectGroup.h"
#include "history/Store.h"
#include "history/ui/HistoryKeeper.h"
#include "history/ui/HistoryWindow.h"
#include "history/ui/SessionTableModel.h"
#include "stats/ui/StatisticsGroup.h"
#include "tests/support/TestSupport.h"
#include "tools/sim/RunFileCommands.h"
#include "tools/sim/RunFiles.h"
#include "widgets/Colors.h"
#include "widgets/FileListBox.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QHeaderView>
#include <QLegend>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QAccessible>
#include <QChartView>
#include <QDateTimeAxis>
#include <QTableView>
#include <QValueAxis>

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
        return sessionRunFile(seed, kind);
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
        deviceFiles = holdRunFiles(*sim);
        Form1->connection->Button1Click();
        QVERIFY(Form1->connection->link.isOpen());
    }
    static QStringList tableRow(int row)
    {
        QStringList texts;
        for (int column = 0; column < history::kTableColumns; ++column)
            texts << Form1->historyKeeper->historyWindow->SessionRows->index(row, column).data().toString();
        return texts;
    }

    static void clickRow(HistoryWindow *window, int row)
    {
        const QRect cell = window->Sessions->visualRect(window->SessionRows->index(row, 2));
        QTest::mouseClick(window->Sessions->viewport(), Qt::LeftButton, {}, cell.center());
    }
    // Sessions of one tree, straight into the store.
    static void recordSessions(const QList<QDateTime> &times)
    {
        history::Store store(storePath());
        int n = 0;
        for (const QDateTime &when : times) {
            history::Arrival a;
            a.bytes = runFile(std::uint32_t(100 + n));
            a.path = writeRunFile(QStringLiteral("S%1.txt").arg(++n), a.bytes);
            a.when = when;
            a.serial = QStringLiteral("VM000042");
            if (store.record(a) != history::Store::Recorded::New)
                qFatal("not recorded");
        }
    }
    static HistoryWindow *openHistory()
    {
        createWindows();
        Form1->show();
        Form1->historyKeeper->historyAction->trigger();
        return Form1->historyKeeper->historyWindow;
    }
    // The labels an axis draws at its ticks.
    static QStringList labels(QAbstractAxis *axis)
    {
        QStringList texts;
        if (auto *values = qobject_cast<QValueAxis *>(axis)) {
            const int n = values->tickCount();
            for (int i = 0; i < n; ++i)
                texts << QString::asprintf(qPrintable(values->labelFormat()),
                                           values->min() + i * (values->max() - values->min()) / (n - 1));
        } else if (auto *dates = qobject_cast<QDateTimeAxis *>(axis)) {
            texts = dateLabels(dates->min(), dates->max(), dates->tickCount(), dates->format());
        }
        return texts;
    }
    static QStringList dateLabels(const QDateTime &min, const QDateTime &max, int ticks, const QString &format)
    {
        QStringList texts;
        for (int i = 0; i < ticks; ++i)
            texts << min.addMSecs(min.msecsTo(max) * i / (ticks - 1)).toString(format);
        return texts;
    }
    static bool distinct(const QStringList &texts) { return QSet<QString>(texts.begin(), texts.end()).size() == texts.size(); }
    static QList<QChartView *> charts(HistoryWindow *window)
    {
        return {window->ReactionChart, window->ConsistencyChart, window->ShiftChart};
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
        // The folder's import beside the window ends first; one still running would find the
        // downloaded files before the download records them, and date them by their file time.
        QSignalSpy imported(Form1->historyKeeper, &HistoryKeeper::historyImported);
        QVERIFY(imported.wait(30000));
        Form1->connection->now = [] { return day(6); };
        connectDevice();
        Form1->statistics->Button8Click();
        QCOMPARE(prompter->texts(), QStringList());
        std::vector<history::Session> sessions = Form1->historyKeeper->history->sessions();
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

        Form1->connection->now = [] { return day(7); };
        Form1->statistics->Button8Click();
        QCOMPARE(folderNames(), (QStringList{"ABC-1.txt", "ABC.txt", "ABCR-1.txt", "ABCR.txt", "NEW-1.txt", "NEW.txt"}));
        sessions = Form1->historyKeeper->history->sessions();
        QCOMPARE(sessions.size(), size_t(3));
        QCOMPARE(sessions.front().arrived, day(6));
        QCOMPARE(prompter->texts(), QStringList());
    }

    // Sessions given to a driver from the table (several at once) and taken back, the Driver list
    // filtering them, the goal drawn, ticked and counted, and the driver picked for new downloads
    // applied by the window's Load.
    void driversInTheWindow()
    {
        recordSessions({day(1), day(2), day(3)});
        HistoryWindow *window = openHistory();
        QVERIFY(window);
        auto *selection = window->Sessions->selectionModel();
        for (const int row : {0, 1})
            selection->select(window->SessionRows->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        window->GiveTo->setEditText(QStringLiteral("Ana"));
        window->GiveButton->click();
        QCOMPARE(window->Status->text(), QStringLiteral("2 sessions given to Ana."));
        QCOMPARE(window->Driver->findText(QStringLiteral("Ana")), 1);
        const auto pick = [window](const QString &driver) {
            const int at = window->Driver->findText(driver);
            window->Driver->setCurrentIndex(at);
            emit window->Driver->activated(at);
        };
        pick(QStringLiteral("Ana"));
        QCOMPARE(window->SessionRows->rowCount(), 2);
        QVERIFY(!window->GoalAverageSeries->isVisible());

        // The goal set in its dialog: a figure that is not one is named there, and nothing is set.
        QVERIFY(window->GoalButton->isVisible());
        QVERIFY(window->GoalProgress->text().startsWith(QLatin1String("Ana has no goal")));
        const auto goalDialog = [window](const QString &average, const QString &spread, const char *button) {
            window->GoalButton->click();
            QDialog *dialog = window->GoalDialog;
            QVERIFY(dialog && dialog->isVisible());
            dialog->findChild<QLineEdit *>(QStringLiteral("GoalAverage"))->setText(average);
            dialog->findChild<QLineEdit *>(QStringLiteral("GoalSpread"))->setText(spread);
            dialog->findChild<QPushButton *>(QLatin1String(button))->click();
        };
        goalDialog(QStringLiteral("9"), QStringLiteral("-1"), "SetGoalButton");
        QVERIFY(window->GoalDialog && window->GoalDialog->isVisible());
        QCOMPARE(window->GoalDialog->findChild<QLabel *>(QStringLiteral("GoalProblem"))->text(),
                 QStringLiteral("The largest spread is a time in seconds from 0 to 10 with at most three decimals, such as 0.020."));
        window->GoalDialog->reject();
        QVERIFY(!Form1->historyKeeper->history->drivers().front().goal);
        goalDialog(QStringLiteral("9"), QStringLiteral("9"), "SetGoalButton"); // met by every session
        QCOMPARE(window->Status->text(), QStringLiteral("Goal of Ana set: average 9.000 s, spread 9.000 s."));
        QCOMPARE(Form1->historyKeeper->history->drivers().front().goal, (history::Goal{9.0, 9.0}));
        QCOMPARE(window->GoalAverageSeries->points().size(), 2);
        QCOMPARE(window->GoalAverageSeries->points().front().y(), 9.0);
        QCOMPARE(window->GoalSpreadSeries->points().back().y(), 9.0);
        QVERIFY(window->GoalAverageSeries->isVisible());
        QVERIFY2(window->GoalProgress->text().endsWith(QLatin1String("2 of the last 2 sessions met the goal.")),
                 qPrintable(window->GoalProgress->text()));
        QVERIFY(tableRow(0).front().endsWith(QStringLiteral(" \u2713")));
        QVERIFY(window->Bests->text().startsWith(QLatin1String("Personal bests\nBest average ")));
        // A screen reader hears each bar's count.
        const QString bars = window->DistributionChart->accessibleDescription();
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d+ runs, \\d+ red lights: \\d+ from 0\\.\\d\\d s(, |$)")).match(bars).hasMatch(),
                 qPrintable(bars));
        goalDialog(QStringLiteral("9"), QStringLiteral("9"), "ClearGoalButton");
        QCOMPARE(window->Status->text(), QStringLiteral("Goal of Ana cleared."));
        QVERIFY(!window->GoalAverageSeries->isVisible());

        window->Sessions->selectionModel()->select(window->SessionRows->index(0, 0),
                                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        window->TakeBackButton->click();
        QCOMPARE(window->SessionRows->rowCount(), 1);
        pick(QStringLiteral("No driver"));
        QCOMPARE(window->SessionRows->rowCount(), 2);

        const int ana = window->DownloadDriver->findText(QStringLiteral("Ana"));
        window->DownloadDriver->setCurrentIndex(ana);
        emit window->DownloadDriver->activated(ana);
        QCOMPARE(Form1->historyKeeper->history->thisComputer().downloadDriver(), QStringLiteral("Ana"));
        connectDevice();
        Form1->statistics->Button8Click();
        QStringList anas;
        for (const history::Session &s : Form1->historyKeeper->history->sessions(std::nullopt, QStringLiteral("Ana")))
            anas << s.fileName();
        QCOMPARE(anas, (QStringList{"S2.txt", "ABC.txt", "NEW.txt", "ABCR.txt"}));
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
            QVERIFY(Form1->historyKeeper->history->waiting());
            QVERIFY(Form1->historyKeeper->history->problem().isEmpty());
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
            Form1->statistics->Button8Click();
            QVERIFY(Form1->connection->link.isOpen());
        }
        QCOMPARE(folderNames().size(), 1 + 2 * 3);
        QCOMPARE(prompter->texts().size(), 1);
        const QString said = prompter->texts().first();
        QVERIFY2(said.startsWith(QLatin1String("The practice history is off: the history file ")), qPrintable(said));
        QVERIFY(said.contains(fault.startsWith(QLatin1String("locked")) ? QLatin1String("locked by another program")
                                                               : QLatin1String("read-only")));
        QCOMPARE(prompter->shown.first().kind, BoxKind::Warning);

        Form1->historyKeeper->historyAction->trigger(); // the window opens, and shows why nothing is added
        QVERIFY(Form1->historyKeeper->historyWindow->Status->text().startsWith(QLatin1String("The practice history is off")));
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
    // says it is off; one whose second run file cannot be written says so, then the history.
    void noticeWaitsForTheDownloadsMessages_data()
    {
        QTest::addColumn<bool>("writeFails");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("linkOpen");
        QTest::newRow("timeout") << false << kNoResponse << false;
        QTest::newRow("run file write fails") << true << QStringLiteral("Disk full.") << true;
    }
    void noticeWaitsForTheDownloadsMessages()
    {
        QFETCH(bool, writeFails);
        QFETCH(QString, error);
        QFETCH(bool, linkOpen);
        struct Watching : RecordingPrompter {
            QList<bool> linkOpen, loadEnabled;
            QMessageBox::StandardButton message(QWidget *parent, BoxKind kind, const QString &text,
                                                QMessageBox::StandardButtons buttons) override
            {
                linkOpen << Form1->connection->link.isOpen();
                loadEnabled << Form1->statistics->Button8->isEnabled();
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
        if (!writeFails)
            set.files.at(1).stopAfter = 100;
        sim::installRunFileCommands(sim->device(), std::make_shared<sim::DeviceRunFiles>(set));
        Form1->connection->Button1Click();
        QVERIFY(Form1->connection->link.isOpen());
        int created = 0;
        if (writeFails)
            files::setStepObserver([&created](files::WriteStep step, const QString &temporary, const QString &) {
                if (step == files::WriteStep::Created && ++created == 2)
                    throw files::FileError(temporary, files::Access::Write, std::make_error_code(std::errc::no_space_on_device));
            });
        Form1->statistics->Button8Click();
        files::setStepObserver(nullptr);
        QCOMPARE(watching.texts().size(), 2);
        QCOMPARE(watching.texts().first(), error);
        QVERIFY(watching.texts().last().startsWith(QLatin1String("The practice history is off: ")));
        QCOMPARE(watching.linkOpen, (QList<bool>{true, linkOpen}));
        QCOMPARE(watching.loadEnabled.last(), linkOpen);
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
        QSignalSpy imported(Form1->historyKeeper, &HistoryKeeper::historyImported);
        QVERIFY(imported.wait(30000)); // the import runs at idle priority
        QCOMPARE(prompter->texts(), QStringList());
        const QString aside = Form1->historyKeeper->history->setAsidePath();
        QCOMPARE(QFileInfo(aside).size(), 4096);
        QCOMPARE(Form1->historyKeeper->history->sessions().size(), size_t(1));
        QVERIFY(Form1->historyKeeper->history->canRecord());
        for (int open = 1; open <= 2; ++open) {
            Form1->historyKeeper->historyAction->trigger();
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
        QSignalSpy imported(Form1->historyKeeper, &HistoryKeeper::historyImported); // FOUND.txt, beside the window
        QVERIFY(imported.wait(30000)); // the import runs at idle priority
        QCOMPARE(prompter->texts(), QStringList());

        // Opened from the run file list's context menu, or Ctrl+H.
        QCOMPARE(Form1->statistics->FileListBox1->contextMenuPolicy(), Qt::ActionsContextMenu);
        QVERIFY(Form1->statistics->FileListBox1->actions().contains(Form1->historyKeeper->historyAction));
        QCOMPARE(Form1->historyKeeper->historyAction->text(), QStringLiteral("History\u2026"));
        QCOMPARE(Form1->historyKeeper->historyAction->shortcut(), QKeySequence(QStringLiteral("Ctrl+H")));
        Form1->historyKeeper->historyAction->trigger();
        HistoryWindow *window = Form1->historyKeeper->historyWindow;
        QVERIFY(window && window->isVisible());

        const std::vector<history::Session> sessions = Form1->historyKeeper->history->sessions();
        QCOMPARE(sessions.size(), size_t(6));
        QCOMPARE(window->SessionRows->rowCount(), 6);
        for (int row = 0; row < 6; ++row)
            QCOMPARE(tableRow(row), history::tableRow(sessions[size_t(row)]));
        QCOMPARE(tableRow(2).at(3), history::kNoFigures);
        QCOMPARE(tableRow(5).at(1), history::kUnknownDevice);
        QCOMPARE(tableRow(5).at(2), QStringLiteral("FOUND.txt"));
        const history::Plot plot = Form1->historyKeeper->history->plot(std::nullopt, history::Grouping::Session);
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
        QCOMPARE(window->SessionRows->rowCount(), 2);
        QCOMPARE(tableRow(0).at(2), QStringLiteral("B.txt"));
        QCOMPARE(window->AverageSeries->count(), 2);

        // A session clicked: its run file is loaded as a click in the list would.
        clickRow(window, 0);
        QCOMPARE(Form1->statistics->Label11->text(), QStringLiteral("B.txt"));
        QCOMPARE(Form1->statistics->FileListBox1->fileName(), QDir(folders().statistics).filePath(QStringLiteral("B.txt")));
        QCOMPARE(Form1->statistics->NumRuns->text(), QStringLiteral("15"));
        QCOMPARE(window->Status->text(), QStringLiteral("B.txt is shown in the main window."));
        clickRow(window, 1);
        QCOMPARE(window->Status->text(), QStringLiteral("The run file GONE.txt is not in the Statistics folder."));
        QCOMPARE(Form1->statistics->Label11->text(), QStringLiteral("B.txt"));
        QCOMPARE(prompter->texts(), QStringList());

        // A download while it is open shows up at once; the device picked stays picked.
        Form1->connection->now = [] { return day(28); };
        connectDevice();
        Form1->statistics->Button8Click();
        QCOMPARE(window->Device->currentText(), QStringLiteral("VM000007"));
        window->Device->setCurrentIndex(0);
        emit window->Device->activated(0);
        QCOMPARE(window->SessionRows->rowCount(), 9);
    }
    // The window inside a laptop's screen, a netbook's and a large one: the designed size where it
    // fits, otherwise smaller and whole; its parts keep their room.
    void windowFitsTheScreen_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::newRow("1366 x 768") << QRect(0, 0, 1366, 768);
        QTest::newRow("1366 x 768 below a panel") << QRect(0, 27, 1366, 741);
        QTest::newRow("1024 x 600") << QRect(0, 0, 1024, 600);
        QTest::newRow("1920 x 1080, right of another screen") << QRect(1366, 0, 1920, 1080);
        // At 150 %, in device-independent pixels.
        QTest::newRow("1366 x 768 at 150 %") << QRect(0, 0, 910, 512);
        QTest::newRow("1024 x 600 at 150 %, below a panel") << QRect(0, 18, 682, 382);
    }
    void windowFitsTheScreen()
    {
        QFETCH(QRect, available);
        recordSessions({day(2), day(3), day(5), day(9), day(10), day(11)});
        HistoryWindow *window = openHistory();
        const QRect geometry = historyGeometry(available);
        QVERIFY(available.contains(geometry.adjusted(-4, -30, 4, 4))); // with its frame and title bar
        if (available.width() >= 1000 && available.height() >= 1000)
            QCOMPARE(geometry.size(), QSize(940, 900));
        const QSize least = window->minimumSizeHint();
        QVERIFY2(least.width() <= geometry.width() && least.height() <= geometry.height(),
                 qPrintable(QStringLiteral("%1 x %2").arg(least.width()).arg(least.height())));

        window->setGeometry(geometry);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->size(), geometry.size());
        QVERIFY(window->Sessions->viewport()->height() >= 4 * window->Sessions->verticalHeader()->defaultSectionSize());
        for (QChartView *chart : charts(window))
            QVERIFY(chart->height() >= chart->minimumHeight());
        QVERIFY(window->Status->geometry().bottom() < window->height());
        QVERIFY(window->Summary->height() >= window->Summary->heightForWidth(window->Summary->width())); // not cut
        // The newest session in view, as the table opened.
        const QRect newest = window->Sessions->visualRect(window->SessionRows->index(window->SessionRows->rowCount() - 1, 0));
        QVERIFY(window->Sessions->viewport()->rect().contains(newest));
    }

    // Keyboard alone: Tab goes from the device list through the driver list to the table and on, out of it; arrows walk the
    // sessions without loading them, Enter loads one; Esc closes the window, which opens again at
    // the size the user gave it.
    void keyboard()
    {
        recordSessions({day(2), day(3), day(5)});
        HistoryWindow *window = openHistory();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        window->Device->setFocus();
        QTest::keyClick(window->Device, Qt::Key_Tab);
        QVERIFY(window->Driver->hasFocus());
        QTest::keyClick(window->Driver, Qt::Key_Tab);
        QVERIFY(window->Sessions->hasFocus());

        // At the latest session, where the table is scrolled.
        QCOMPARE(window->Sessions->currentIndex().row(), 2);
        const QString shown = Form1->statistics->Label11->text();
        QTest::keyClick(window->Sessions, Qt::Key_Up);
        QTest::keyClick(window->Sessions, Qt::Key_Up);
        QTest::keyClick(window->Sessions, Qt::Key_Down);
        QCOMPARE(window->Sessions->currentIndex().row(), 1);
        QCOMPARE(Form1->statistics->Label11->text(), shown);
        QCOMPARE(window->Status->text(), QString());
        QTest::keyClick(window->Sessions, Qt::Key_Return);
        QCOMPARE(Form1->statistics->Label11->text(), QStringLiteral("S2.txt"));
        QCOMPARE(window->Status->text(), QStringLiteral("S2.txt is shown in the main window."));
        QTest::keyClick(window->Sessions, Qt::Key_Up);
        QTest::keyClick(window->Sessions, Qt::Key_Space);
        QCOMPARE(Form1->statistics->Label11->text(), QStringLiteral("S1.txt"));

        QTest::keyClick(window->Sessions, Qt::Key_Tab);
        QVERIFY(!window->Sessions->hasFocus());
        QVERIFY(window->isAncestorOf(QApplication::focusWidget()));

        window->resize(700, 560);
        QTest::keyClick(window->Device, Qt::Key_Escape);
        QVERIFY(!window->isVisible());
        Form1->historyKeeper->historyAction->trigger();
        QVERIFY(window->isVisible());
        QCOMPARE(window->size(), QSize(700, 560));
        QCOMPARE(Form1->historyKeeper->historyWindow, window);
    }

    // What a screen reader is told: each chart is a chart, named, with what it shows; the table is
    // a table of the sessions; the device list is labelled.
    void screenReaders()
    {
        recordSessions({day(2)});
        HistoryWindow *window = openHistory();
        struct Expected {
            QWidget *widget;
            QAccessible::Role role;
            const char *name;
        };
        const Expected expected[] = {
            {window->ReactionChart, QAccessible::Chart, "Reaction time chart"},
            {window->ConsistencyChart, QAccessible::Chart, "Spread and red lights chart"},
            {window->ShiftChart, QAccessible::Chart, "Shift averages chart"},
            {window->Sessions, QAccessible::Table, "Sessions"},
        };
        for (const Expected &e : expected) {
            QAccessibleInterface *face = QAccessible::queryAccessibleInterface(e.widget);
            QVERIFY(face);
            QCOMPARE(face->role(), e.role);
            QCOMPARE(face->text(QAccessible::Name), QLatin1String(e.name));
        }
        // The device list: on Linux a combo box's name is its current text; its label is the
        // relation a screen reader reads with it.
        QAccessibleInterface *device = QAccessible::queryAccessibleInterface(window->Device);
        QCOMPARE(device->role(), QAccessible::ComboBox);
        QStringList labelledBy;
        for (const auto &[other, relation] : device->relations(QAccessible::Label))
            labelledBy << other->text(QAccessible::Name);
        QCOMPARE(labelledBy, QStringList{QStringLiteral("Device:")});
        const QString said = QAccessible::queryAccessibleInterface(window->ReactionChart)->text(QAccessible::Description);
        QVERIFY2(said.contains(QLatin1String("1 session, 15 runs")) && said.contains(QLatin1String("one point per session")),
                 qPrintable(said));
        QAccessibleTableInterface *table = QAccessible::queryAccessibleInterface(window->Sessions)->tableInterface();
        QVERIFY(table);
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->columnCount(), history::kTableColumns);
        QCOMPARE(table->cellAt(0, 2)->text(QAccessible::Name), QStringLiteral("S1.txt"));
    }

    // Few sessions: the summary counts them right, and no axis repeats a label.
    void fewSessions_data()
    {
        QTest::addColumn<QList<QDateTime>>("times");
        QTest::addColumn<QString>("summary");
        const QString date = QLocale().toString(QDate(2024, 4, 2), QLocale::ShortFormat);
        QTest::newRow("one") << QList<QDateTime>{day(2)} << QStringLiteral("1 session, 15 runs, on %1").arg(date);
        QTest::newRow("all on one day") << QList<QDateTime>{day(2), day(2).addSecs(3600), day(2).addSecs(7200)}
                                        << QStringLiteral("3 sessions, 45 runs, on %1").arg(date);
        QTest::newRow("over four days")
            << QList<QDateTime>{day(2), day(6)}
            << QStringLiteral("2 sessions, 30 runs, from %1 to %2").arg(date, QLocale().toString(QDate(2024, 4, 6), QLocale::ShortFormat));
    }
    void fewSessions()
    {
        QFETCH(QList<QDateTime>, times);
        QFETCH(QString, summary);
        recordSessions(times);
        HistoryWindow *window = openHistory();
        QCOMPARE(window->Summary->text(), summary);
        for (QChartView *chart : charts(window)) {
            for (QAbstractAxis *axis : chart->chart()->axes()) {
                const QStringList texts = labels(axis);
                QVERIFY2(texts.size() >= 2 && distinct(texts), qPrintable(chart->chart()->title() + QLatin1String(": ") + texts.join(QLatin1String(" | "))));
            }
        }
    }

    // The date axis over any span: it holds the sessions and never repeats a label.
    void dateAxisLabelsDiffer_data()
    {
        QTest::addColumn<qint64>("span"); // seconds
        for (const qint64 hours : {0, 3, 24, 60, 72, 96, 120, 8 * 24, 40 * 24, 299 * 24, 301 * 24, 400 * 24, 30 * 365 * 24})
            QTest::addRow("%lld hours", hours) << hours * 3600;
    }
    void dateAxisLabelsDiffer()
    {
        QFETCH(qint64, span);
        const QDateTime first(QDate(2024, 3, 30), QTime(17, 45)), last = first.addSecs(span);
        const DateAxisPlan plan = dateAxisPlan(first, last);
        QVERIFY(plan.min < first && plan.max > last);
        QVERIFY(plan.ticks >= 2 && plan.ticks <= 7);
        const QStringList texts = dateLabels(plan.min, plan.max, plan.ticks, plan.format);
        QVERIFY2(distinct(texts), qPrintable(texts.join(QLatin1String(" | "))));
    }

    // Under a dark palette the charts take the window's colours: every text readable, every
    // series standing out; under a light one the series keep their designed colours.
    void darkPalette()
    {
        recordSessions({day(2), day(5)});
        HistoryWindow *window = openHistory();
        const QPalette light = window->palette();
        QPalette dark;
        for (const auto &[role, color] : std::initializer_list<std::pair<QPalette::ColorRole, QColor>>{
                 {QPalette::Window, QColor(53, 53, 53)}, {QPalette::WindowText, Qt::white},
                 {QPalette::Base, QColor(35, 35, 35)}, {QPalette::AlternateBase, QColor(53, 53, 53)},
                 {QPalette::Text, Qt::white}, {QPalette::Button, QColor(53, 53, 53)},
                 {QPalette::ButtonText, Qt::white}, {QPalette::Mid, QColor(90, 90, 90)}})
            dark.setColor(role, color);
        dark.setColor(QPalette::Disabled, QPalette::Text, QColor(127, 127, 127));

        for (const QPalette &palette : {dark, light}) {
            window->setPalette(palette);
            const QColor background = palette.color(QPalette::Base);
            for (QChartView *view : charts(window)) {
                QChart *chart = view->chart();
                QCOMPARE(chart->backgroundBrush().color(), background);
                QVERIFY(contrastRatio(chart->titleBrush().color(), background) >= 4.5);
                QVERIFY(contrastRatio(chart->legend()->labelColor(), background) >= 4.5);
                for (QAbstractAxis *axis : chart->axes())
                    QVERIFY(contrastRatio(axis->labelsBrush().color(), background) >= 4.5);
                for (QAbstractSeries *series : chart->series()) {
                    const QColor color = static_cast<QLineSeries *>(series)->color();
                    QVERIFY2(contrastRatio(color, background) >= 3.0, qPrintable(series->name() + QLatin1Char(' ') + color.name()));
                }
            }
        }
        QCOMPARE(window->AverageSeries->color(), QColor(0, 90, 180));
        QCOMPARE(window->RedSeries->color(), QColor(210, 30, 30));
    }
};

MIRELON_TEST_MAIN(HistoryWindowTest)
#include "test_history_window.moc"
