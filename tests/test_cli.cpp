#include "app/ui/Forms.h"
#include "app/ui/MainWindow.h"
#include "base/Files.h"
#include "base/Version.h"
#include "base/WorkingFolders.h"
#include "device/Connection.h"
#include "history/Store.h"
#include "stats/ui/StatisticsGroup.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/PictureFiles.h"
#include "tests/support/TestSupport.h"
#include "tools/cli/Cli.h"
#include "tools/sim/ImageCommands.h"
#include "tools/sim/RunFileCommands.h"
#include "tools/sim/RunFiles.h"
#include "tools/sim/SettingsCommands.h"
#include "widgets/FileListBox.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <csignal>
#include <cstring>
#include <sys/stat.h>

namespace {
// Standard input that never ends, as /dev/zero.
class EndlessInput : public QIODevice {
public:
    EndlessInput() { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        std::memset(data, 0, std::size_t(maxSize));
        return maxSize;
    }
    qint64 writeData(const char *, qint64) override { return -1; }
};
} // namespace

// The command-line tool, run in-process against the simulated device.
class CliTest : public QObject {
    Q_OBJECT

    // The simulated device holds these full run files: (name, session seed, runs). Returns them.
    static sim::RunFileSet offerRunFiles(SimFixture &sim, std::initializer_list<std::tuple<const char *, int, int>> files)
    {
        sim::RunFileSet set;
        for (const auto &[name, seed, runs] : files)
            set.files.push_back({name, sim::encodeRunFile(sim::generateSession(seed, runs), sim::RunFileKind::Full)});
        sim::installRunFileCommands(sim.device(), std::make_shared<sim::DeviceRunFiles>(set));
        return set;
    }

    struct Run {
        int status = -1;
        QString out, err;
    };
    static Run run(const QStringList &args, const QString &input = {})
    {
        Run r;
        QString in = input;
        QTextStream out(&r.out), err(&r.err), inStream(&in);
        CliIo io{out, err, inStream};
        io.now = [] { return QDateTime(QDate(2019, 12, 31), QTime(23, 59, 59)); };
        r.status = runCli(args, io);
        out.flush();
        err.flush();
        return r;
    }

private slots:
    void infoRunsTheHandshake()
    {
        SimFixture sim({"1.24 R", "VM000042"});
        const Run r = run({QStringLiteral("info")});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.status, kExitOk);
        QCOMPARE(r.out, QStringLiteral("Version: 1.24 R\nSerial number: VM000042\nRallycross: yes\n"));
        QCOMPARE(sim.device().received(), QByteArray("Connect" "0391231235929" "D"));
    }

    void downloadStoresEveryFile()
    {
        SimFixture sim({"1.24 R", "VM000042"});
        auto files = std::make_shared<sim::DeviceRunFiles>(sim::demoRunFiles("1.24 R"));
        sim::installRunFileCommands(sim.device(), files);
        QTemporaryDir dir;
        QVERIFY(QFile(dir.filePath(QStringLiteral("RUN1.txt"))).open(QIODevice::WriteOnly)); // kept
        // A link that leads nowhere keeps its name too.
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("nowhere")), dir.filePath(QStringLiteral("RUNS01.txt"))));

        const Run r = run({QStringLiteral("download"), QStringLiteral("--dir"), dir.path()});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.status, kExitOk);
        const QStringList printed = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const sim::RunFileSet set = files->get();
        QCOMPARE(printed.size(), int(set.files.size() + set.rallycross.size()));
        for (const QString &path : printed)
            QVERIFY2(QFileInfo(path).size() == 1748 || QFileInfo(path).size() == 323, qPrintable(path));
        QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("RUN1.txt"))).size(), 0);
        QVERIFY(printed.contains(dir.filePath(QStringLiteral("RUNS01-1.txt"))));
        QVERIFY(sim.device().received().endsWith("SLSRD"));
    }

    void downloadThatStopsShort()
    {
        SimFixture sim;
        sim::RunFileSet set = sim::demoRunFiles("1.24  ");
        set.files.at(1).stopAfter = 100;
        auto files = std::make_shared<sim::DeviceRunFiles>(set);
        sim::installRunFileCommands(sim.device(), files);
        QTemporaryDir dir;
        const Run r = run({QStringLiteral("download"), QStringLiteral("--dir"), dir.path()});
        QCOMPARE(r.status, kExitFailed);
        QCOMPARE(r.err, QStringLiteral("vantrelock: %1\n").arg(kNoResponse));
        QCOMPARE(r.out.count(QLatin1Char('\n')), 1); // the whole first file only
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    }

    // Download records what it stores in the practice history, as the window's Load does, and
    // `history` prints it. A history that cannot record is a warning, never a failed download.
    void downloadRecordsAndHistoryPrintsIt()
    {
        const WorkingFolders folders = workingFolders(GetSpecialFolderPath(CSIDL_PERSONAL));
        QDir(folders.program).removeRecursively();
        SimFixture sim({"1.24  ", "VM000042"});
        sim::RunFileSet set = offerRunFiles(sim, {{"RUN1", 1, 14}, {"RUN2", 2, 9}});
        QTemporaryDir dir;
        for (int download = 1; download <= 2; ++download) { // the second brings the same bytes
            const Run r = run({QStringLiteral("download"), QStringLiteral("--dir"), dir.path()});
            QCOMPARE(r.err, QString());
            QCOMPARE(r.status, kExitOk);
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 4);

        Run r = run({QStringLiteral("history")});
        QCOMPARE(r.status, kExitOk);
        QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines.at(0).startsWith(QLatin1String("Date")));
        QVERIFY2(lines.at(1).contains(QRegularExpression(QStringLiteral("  VM000042  RUN1\\.txt +14 +\\d+ +\\d+ +0\\.\\d{3} +0\\.\\d{3}$"))),
                 qPrintable(lines.at(1)));
        r = run({QStringLiteral("history"), QStringLiteral("--csv")});
        QCOMPARE(r.status, kExitOk);
        lines = r.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(0), QStringLiteral("Date, Device, File, Runs, Reds, Wins, Average, Spread, Driver"));
        QVERIFY(lines.at(2).startsWith(QLatin1String("2019-12-31 23:59:59,VM000042,RUN2.txt,9,")));
        r = run({QStringLiteral("history"), QStringLiteral("--device"), QStringLiteral("VM000007")});
        QCOMPARE(r.out.count(QLatin1Char('\n')), 1); // the header

        const QString store = folders.inProgram(QStringLiteral("History.sqlite"));
        if (!setReadOnly(store, true))
            QSKIP("this file system cannot make a file read-only for root");
        set.files.front().data[0] = '1'; // new bytes, which it cannot add
        sim::installRunFileCommands(sim.device(), std::make_shared<sim::DeviceRunFiles>(set));
        r = run({QStringLiteral("download"), QStringLiteral("--dir"), dir.path()});
        setReadOnly(store, false);
        QCOMPARE(r.status, kExitOk);
        QCOMPARE(r.out.count(QLatin1Char('\n')), 2);
        QVERIFY2(r.err.startsWith(QLatin1String("vantrelock: warning: The practice history is off: the history file ")), qPrintable(r.err));
        QVERIFY(r.err.contains(QLatin1String("is read-only")));
        QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
    }

    // Drivers through the tool: a download for a named driver or for the one the History window
    // picked, sessions given and taken back by file name, goals, one driver's list and summary,
    // and each bad argument or unknown name with its exit status and words.
    void driversThroughTheTool()
    {
        const WorkingFolders folders = workingFolders(GetSpecialFolderPath(CSIDL_PERSONAL));
        QDir(folders.program).removeRecursively();
        SimFixture sim({"1.24  ", "VM000042"});
        offerRunFiles(sim, {{"RUN1", 1, 14}});
        QTemporaryDir dir;
        QCOMPARE(run({QStringLiteral("download"), QStringLiteral("--dir"), dir.path(), QStringLiteral("--driver"), QStringLiteral("Ana")}).status, kExitOk);
        {
            history::Store store(folders.inProgram(history::kStoreName));
            QVERIFY(store.thisComputer().setDownloadDriver(QStringLiteral("Ben"))); // as the History window picks it
        }
        offerRunFiles(sim, {{"RUN2", 2, 9}});
        QCOMPARE(run({QStringLiteral("download"), QStringLiteral("--dir"), dir.path()}).status, kExitOk);

        const auto csvRows = [this](const QString &driver) {
            const Run r = run({QStringLiteral("history"), QStringLiteral("--csv"), QStringLiteral("--driver"), driver});
            QStringList rows = r.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts).mid(1);
            for (QString &row : rows)
                row = row.section(QLatin1Char(','), 2, 2) + QLatin1Char(':') + row.section(QLatin1Char(','), -1);
            return rows;
        };
        QCOMPARE(csvRows(QStringLiteral("Ana")), QStringList{"RUN1.txt:Ana"});
        QCOMPARE(csvRows(QStringLiteral("Ben")), QStringList{"RUN2.txt:Ben"});
        Run r = run({QStringLiteral("assign"), QStringLiteral("--driver"), QStringLiteral("Ana"), dir.filePath(QStringLiteral("RUN2.txt"))});
        QCOMPARE(r.status, kExitOk);
        QCOMPARE(r.out, QStringLiteral("1 session given to Ana\n"));
        QCOMPARE(csvRows(QStringLiteral("Ana")), (QStringList{"RUN1.txt:Ana", "RUN2.txt:Ana"}));
        QCOMPARE(run({QStringLiteral("assign"), QStringLiteral("--driver"), QString(), QStringLiteral("RUN1.txt")}).status, kExitOk);
        QCOMPARE(csvRows(QString()), QStringList{"RUN1.txt:"});
        r = run({QStringLiteral("history"), QStringLiteral("--driver"), QStringLiteral("Ana")});
        QCOMPARE(r.out.count(QLatin1Char('\n')), 2); // the header and RUN2

        r = run({QStringLiteral("goal"), QStringLiteral("--driver"), QStringLiteral("Ana"), QStringLiteral("--average"),
                 QStringLiteral("0.9"), QStringLiteral("--spread"), QStringLiteral("0.5")});
        QCOMPARE(r.status, kExitOk);
        QCOMPARE(r.out, QStringLiteral("Goal for Ana: average 0.900 s, spread 0.500 s\n"));
        r = run({QStringLiteral("history"), QStringLiteral("--summary"), QStringLiteral("--driver"), QStringLiteral("Ana")});
        QCOMPARE(r.status, kExitOk);
        QVERIFY2(r.out.startsWith(QLatin1String("Driver: Ana\nGoal: average 0.900 s, spread 0.500 s\nBest average: ")), qPrintable(r.out));
        QVERIFY2(r.out.contains(QLatin1String("\n1 of the last 1 session met the goal\nReaction times: 9 runs, ")), qPrintable(r.out));

        struct Case {
            QStringList args;
            int status;
            QString error;
        };
        const QString ana = QStringLiteral("Ana");
        const std::vector<Case> cases = {
            {{"assign", "--driver", ana, "RUN1.txt", "RUN9.txt"}, kExitFailed,
             "vantrelock: the practice history has no session of the run file RUN9.txt\n"},
            {{"assign", "RUN1.txt"}, kExitUsage, "vantrelock: assign needs --driver NAME (--driver \"\" takes the sessions back)\n"},
            {{"assign", "--driver", " Ana", "RUN1.txt"}, kExitUsage, "vantrelock: --driver: a driver's name neither begins nor ends with a space\n"},
            {{"goal", "--driver", ana, "--average", "0.5x", "--spread", "0.02"}, kExitUsage,
             "vantrelock: --average takes seconds from 0 to 10 with at most three decimals, such as 0.510: '0.5x'\n"},
            {{"goal", "--driver", ana, "--average", "0.51", "--spread", "-0.02"}, kExitUsage,
             "vantrelock: --spread cannot be negative: '-0.02'\n"},
            {{"goal", "--driver", ana, "--average", "0.51"}, kExitUsage,
             "vantrelock: goal needs --average SECONDS and --spread SECONDS, or --clear\n"},
            {{"goal", "--driver", "Zed", "--clear"}, kExitFailed, "vantrelock: there is no driver named 'Zed' in the practice history\n"},
            {{"history", "--driver", "Zed"}, kExitFailed, "vantrelock: there is no driver named 'Zed' in the practice history\n"},
        };
        for (const Case &c : cases) {
            r = run(c.args);
            QCOMPARE(r.status, c.status);
            QVERIFY2(r.err.startsWith(c.error), qPrintable(r.err));
        }
        QCOMPARE(csvRows(ana), (QStringList{"RUN2.txt:Ana"})); // the refused assign changed nothing
        QCOMPARE(run({QStringLiteral("goal"), QStringLiteral("--driver"), ana, QStringLiteral("--clear")}).out,
                 QStringLiteral("Goal for Ana cleared\n"));
    }

    // A store crafted to run for ever (the program's mark and version, an endless view or
    // trigger) holds neither download nor history: it is set aside, and the files are stored.
    void craftedHistoryHoldsNothing_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("sessions an endless view") << "view";
        QTest::newRow("an endless trigger") << "trigger";
    }
    void craftedHistoryHoldsNothing()
    {
        QFETCH(QString, kind);
        const WorkingFolders folders = workingFolders(GetSpecialFolderPath(CSIDL_PERSONAL));
        QDir(folders.program).removeRecursively();
        QVERIFY(QDir().mkpath(folders.program));
        writeCraftedHistory(folders.inProgram(QStringLiteral("History.sqlite")), kind);
        SimFixture sim({"1.24  ", "VM000042"});
        offerRunFiles(sim, {{"RUN1", 1, 14}});
        QTemporaryDir dir;
        Run r = run({QStringLiteral("download"), QStringLiteral("--dir"), dir.path()});
        QCOMPARE(r.status, kExitOk);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("RUN1.txt")});
        QVERIFY2(r.err.contains(QLatin1String("was damaged. It was renamed to History-damaged-")), qPrintable(r.err));
        r = run({QStringLiteral("history")});
        QCOMPARE(r.status, kExitOk);
        QCOMPARE(r.out.count(QLatin1Char('\n')), 2);
    }

    void deleteDeviceFilesAsksFirst()
    {
        SimFixture sim;
        auto files = std::make_shared<sim::DeviceRunFiles>(sim::demoRunFiles("1.24  "));
        sim::installRunFileCommands(sim.device(), files);
        Run r = run({QStringLiteral("delete-device-files")}, QStringLiteral("n\n"));
        QCOMPARE(r.status, kExitFailed);
        QCOMPARE(sim.device().received(), QByteArray());
        QVERIFY(!files->get().files.empty());

        r = run({QStringLiteral("delete-device-files")}, QStringLiteral("yes\n"));
        QCOMPARE(r.status, kExitOk);
        QVERIFY(files->get().files.empty());
        sim.device().clearReceived();
        r = run({QStringLiteral("delete-device-files"), QStringLiteral("--yes")});
        QCOMPARE(r.status, kExitOk);
        QCOMPARE(sim.device().received(), QByteArray("Connect" "0391231235929" "SD" "D"));
    }

    // The answer is one short line: an input without end (/dev/zero) or a yes with more after it
    // on its line is a no, read without holding the whole input.
    void deleteDeviceFilesReadsOneShortAnswer()
    {
        SimFixture sim;
        auto files = std::make_shared<sim::DeviceRunFiles>(sim::demoRunFiles("1.24  "));
        sim::installRunFileCommands(sim.device(), files);
        EndlessInput endless;
        QString text = QStringLiteral("yes") + QString(100000, QLatin1Char(' ')) + QStringLiteral("x\n");
        QTextStream endlessStream(&endless), longLine(&text);
        for (QTextStream *in : {&endlessStream, &longLine}) {
            QString out, err;
            QTextStream outStream(&out), errStream(&err);
            CliIo io{outStream, errStream, *in};
            QCOMPARE(runCli({QStringLiteral("delete-device-files")}, io), kExitFailed);
            errStream.flush();
            QVERIFY2(err.endsWith(QStringLiteral("[y/N] vantrelock: nothing deleted\n")), qPrintable(err));
        }
        QCOMPARE(sim.device().received(), QByteArray());
        QVERIFY(!files->get().files.empty());
    }

    // The tool writes what the window's Export writes for the same file.
    void exportMatchesTheWindow_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("full") << int(sim::RunFileKind::Full);
        QTest::newRow("short") << int(sim::RunFileKind::Short);
        QTest::newRow("rallycross") << int(sim::RunFileKind::Rallycross);
    }
    void exportMatchesTheWindow()
    {
        QFETCH(int, kind);
        RecordingPrompter prompts;
        createWindows();
        const QString runFile = Form1->folders.statistics + QStringLiteral("/FIXTURE.txt");
        QFile file(runFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(sim::encodeRunFile(sim::generateSession(7, 14, 2), sim::RunFileKind(kind)));
        file.close();
        Form1->statistics->FileListBox1->refresh();
        const QList<QListWidgetItem *> items = Form1->statistics->FileListBox1->findItems(QStringLiteral("FIXTURE.txt"), Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        items.first()->setSelected(true);
        QCOMPARE(Form1->statistics->NumRuns->text(), QStringLiteral("14"));
        QTemporaryDir dir;
        prompts.files.push_back(dir.filePath(QStringLiteral("window.csv")));
        Form1->statistics->Button11Click();
        destroyWindows();
        QCOMPARE(prompts.texts(), QStringList());
        QFile windowCsv(dir.filePath(QStringLiteral("window.csv")));
        QVERIFY(windowCsv.open(QIODevice::ReadOnly));

        const Run r = run({QStringLiteral("export"), runFile, QStringLiteral("-o"), dir.filePath(QStringLiteral("tool.csv"))});
        QCOMPARE(r.status, kExitOk);
        QFile toolCsv(dir.filePath(QStringLiteral("tool.csv")));
        QVERIFY(toolCsv.open(QIODevice::ReadOnly));
        const QByteArray written = toolCsv.readAll();
        QCOMPARE(written, windowCsv.readAll());
        QCOMPARE(run({QStringLiteral("export"), runFile, QStringLiteral("-o"), QStringLiteral("-")}).out.toUtf8(), written);

        const Run shown = run({QStringLiteral("show"), runFile});
        QCOMPARE(shown.status, kExitOk);
        QVERIFY(shown.out.startsWith(QStringLiteral("File: FIXTURE.txt\nRuns: 14\n")));
        QCOMPARE(shown.out.count(QLatin1Char('\n')), 7 + 2 + 14); // figures, blank, header, runs
    }

    // A run file's name is the folder's text: show and export print its control characters as
    // \xHH, never raw to the terminal.
    void controlCharactersInNamesAreEscaped()
    {
        QTemporaryDir dir;
        const QString runFile = dir.filePath(QStringLiteral("RUN\x1B]0;x\x07.txt"));
        QFile file(runFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(sim::encodeRunFile(sim::generateSession(7, 3, 0), sim::RunFileKind::Full));
        file.close();
        const Run shown = run({QStringLiteral("show"), runFile});
        QCOMPARE(shown.status, kExitOk);
        QVERIFY2(shown.out.startsWith(QStringLiteral("File: RUN\\x1B]0;x\\x07.txt\n")), qPrintable(shown.out));
        const Run exported = run({QStringLiteral("export"), runFile});
        QCOMPARE(exported.status, kExitOk);
        QCOMPARE(exported.out, QDir::toNativeSeparators(dir.filePath(QStringLiteral("RUN\\x1B]0;x\\x07.csv"))) + QLatin1Char('\n'));
    }

    // Files the tool cannot use: it ends at once (a pipe is never opened to wait on) and names
    // the file and what is wrong with it; nothing is written.
    void fileFailures_data()
    {
        QTest::addColumn<QStringList>("args"); // "@" stands for the test's folder
        QTest::addColumn<QString>("message");
        const QString pipe = QStringLiteral("it is not a regular file (a pipe, socket or device)");
        QTest::newRow("show, no such file") << QStringList{"show", "@/missing.txt"}
                                            << "cannot read @/missing.txt: there is no such file";
        QTest::newRow("show, a folder") << QStringList{"show", "@/folder.txt"} << "cannot read @/folder.txt: it is a folder";
        QTest::newRow("show, a pipe") << QStringList{"show", "@/pipe.txt"} << "cannot read @/pipe.txt: " + pipe;
        QTest::newRow("export, a pipe") << QStringList{"export", "@/pipe.txt"} << "cannot read @/pipe.txt: " + pipe;
        QTest::newRow("export into a missing folder") << QStringList{"export", "@/RUN.txt", "-o", "@/none/RUN.csv"}
                                                      << "cannot write @/none/RUN.csv: its folder does not exist";
        QTest::newRow("export onto a pipe") << QStringList{"export", "@/RUN.txt", "-o", "@/pipe.txt", "--force"}
                                            << "cannot write @/pipe.txt: " + pipe;
        QTest::newRow("export of a bad count") << QStringList{"export", "@/bad.txt"} << "'0X2' is not a valid integer value.";
        QTest::newRow("image fit, a pipe") << QStringList{"image", "fit", "@/pipe.txt", "-o", "@"}
                                           << "cannot read @/pipe.txt: " + pipe;
        QTest::newRow("image send, a pipe") << QStringList{"image", "send", "@/pipe.txt"} << "cannot read @/pipe.txt: " + pipe;
    }
    void fileFailures()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.txt")));
        QCOMPARE(mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pipe.txt"))).constData(), 0600), 0);
        const auto write = [&dir](const char *name, const QByteArray &bytes) {
            QFile file(dir.filePath(QLatin1String(name)));
            return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
        };
        QVERIFY(write("RUN.txt", sim::encodeRunFile(sim::generateSession(3, 10), sim::RunFileKind::Full)));
        QVERIFY(write("bad.txt", QByteArray(300, '0') + "0X2"));
        const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
        for (QString &arg : args)
            arg.replace(QLatin1Char('@'), dir.path());

        const Run r = run(args);
        QCOMPARE(r.status, kExitFailed);
        QCOMPARE(r.err, QStringLiteral("vantrelock: %1\n").arg(message.replace(QLatin1Char('@'), dir.path())));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System), before);
    }

    // Export never replaces a file unasked, and never the run file it reads, even when told to.
    void exportReplacesOnlyWhenTold_data()
    {
        QTest::addColumn<QString>("runFile");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("message"); // empty: the CSV is written
        QTest::newRow("an existing CSV") << "RUN.txt" << QStringList{} << "RUN.csv" << "@/RUN.csv already exists; --force replaces it";
        QTest::newRow("an existing CSV, forced") << "RUN.txt" << QStringList{"--force"} << "RUN.csv" << "";
        QTest::newRow("a new CSV") << "RUN.txt" << QStringList{"-o", "@/new.csv"} << "new.csv" << "";
        QTest::newRow("the run file itself") << "RUN.csv" << QStringList{"--force"} << "RUN.csv"
                                             << "@/RUN.csv is the run file itself; name another CSV file with -o";
        QTest::newRow("the run file through a link") << "RUN.txt" << QStringList{"-o", "@/link.csv", "-f"} << "RUN.txt"
                                                     << "@/link.csv is the run file itself; name another CSV file with -o";
    }
    void exportReplacesOnlyWhenTold()
    {
        QFETCH(QString, runFile);
        QFETCH(QStringList, options);
        QFETCH(QString, target);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QByteArray runBytes = sim::encodeRunFile(sim::generateSession(5, 12), sim::RunFileKind::Full);
        const QByteArray old("old CSV\r\n");
        const auto put = [&dir](const QString &name, const QByteArray &bytes) {
            QFile file(dir.filePath(name));
            return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
        };
        QVERIFY(put(runFile, runBytes));
        if (runFile != QLatin1String("RUN.csv"))
            QVERIFY(put(QStringLiteral("RUN.csv"), old));
        QVERIFY(QFile::link(dir.filePath(runFile), dir.filePath(QStringLiteral("link.csv"))));
        const QByteArray csv = run({QStringLiteral("export"), dir.filePath(runFile), QStringLiteral("-o"), QStringLiteral("-")}).out.toUtf8();
        for (QString &option : options)
            option.replace(QLatin1Char('@'), dir.path());
        const QByteArray before = target == runFile ? runBytes : target == QLatin1String("RUN.csv") ? old : QByteArray();

        const Run r = run(QStringList{QStringLiteral("export"), dir.filePath(runFile)} + options);
        QFile written(dir.filePath(target));
        QVERIFY(written.open(QIODevice::ReadOnly));
        if (message.isEmpty()) {
            QCOMPARE(r.err, QString());
            QCOMPARE(r.status, kExitOk);
            QCOMPARE(written.readAll(), csv);
        } else {
            QCOMPARE(r.err, QStringLiteral("vantrelock: %1\n").arg(message.replace(QLatin1Char('@'), dir.path())));
            QCOMPARE(r.status, kExitFailed);
            QCOMPARE(written.readAll(), before);
        }
        QCOMPARE(QFileInfo(dir.filePath(runFile)).size(), runBytes.size());
    }

    // A write the file size limit stops keeps the old files whole and leaves no temporary
    // file: the old CSV, and the three picture files as one set.
    void failedWritesKeepTheOldFiles()
    {
        QTemporaryDir dir;
        const auto put = [&dir](const char *name, const QByteArray &bytes) {
            QFile file(dir.filePath(QLatin1String(name)));
            return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
        };
        QVERIFY(put("RUN.txt", sim::encodeRunFile(sim::generateSession(4, 30), sim::RunFileKind::Full)));
        QVERIFY(put("RUN.csv", "old CSV\r\n"));
        QVERIFY(put("test.bmp", "old picture"));
        QVERIFY(put("user.txt", "7,1,1"));
        QVERIFY(put("user.raw", "ab"));
        QImage photo(960, 200, QImage::Format_RGB32);
        photo.fill(Qt::blue);
        QVERIFY(photo.save(dir.filePath(QStringLiteral("car.png"))));
        const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

        Run exported, fitted;
        {
            const FileSizeLimit limit(256);
            QVERIFY(limit.isSet());
            exported = run({QStringLiteral("export"), dir.filePath(QStringLiteral("RUN.txt")), QStringLiteral("--force")});
            fitted = run({QStringLiteral("image"), QStringLiteral("fit"), dir.filePath(QStringLiteral("car.png")),
                          QStringLiteral("-o"), dir.path()});
        }

        const QString tooLarge = QStringLiteral("vantrelock: cannot write %1: the file would pass the size limit for files\n");
        QCOMPARE(exported.status, kExitFailed);
        QCOMPARE(exported.err, tooLarge.arg(dir.filePath(QStringLiteral("RUN.csv"))));
        QCOMPARE(fitted.status, kExitFailed);
        QCOMPARE(fitted.err, tooLarge.arg(dir.filePath(QStringLiteral("user.raw"))));
        QCOMPARE(fitted.out, QString());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
        for (const auto &[name, bytes] : {std::pair{"RUN.csv", QByteArray("old CSV\r\n")}, {"test.bmp", QByteArray("old picture")},
                                          {"user.txt", QByteArray("7,1,1")}, {"user.raw", QByteArray("ab")}}) {
            QFile file(dir.filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), bytes);
        }
    }

    // A file renamed into place is written, even when its folder's flush then fails: the tool
    // says it was written but not confirmed, and fails; download prints and records it as
    // stored, and stops there.
    void unconfirmedWritesAreReportedAsWritten()
    {
        const WorkingFolders folders = workingFolders(GetSpecialFolderPath(CSIDL_PERSONAL));
        QDir(folders.program).removeRecursively();
        SimFixture sim({"1.24  ", "VM000042"});
        offerRunFiles(sim, {{"RUN1", 1, 14}, {"RUN2", 2, 9}});
        QTemporaryDir dir;
        QFile csv(dir.filePath(QStringLiteral("RUN1.csv")));
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("old CSV\r\n");
        csv.close();
        files::setStepObserver([](files::WriteStep step, const QString &, const QString &target) {
            if (step == files::WriteStep::FolderFlushed)
                throw files::FileError(target, files::Access::Write, std::make_error_code(std::errc::io_error));
        });
        const Run downloaded = run({QStringLiteral("download"), QStringLiteral("--dir"), dir.path()});
        const Run exported = run({QStringLiteral("export"), dir.filePath(QStringLiteral("RUN1.txt")), QStringLiteral("--force")});
        files::setStepObserver(nullptr);

        const QString unconfirmed = QStringLiteral("vantrelock: %1 was written, but the disk did not confirm it: input/output error\n");
        QCOMPARE(downloaded.status, kExitFailed);
        QCOMPARE(downloaded.out, dir.filePath(QStringLiteral("RUN1.txt")) + QLatin1Char('\n'));
        QCOMPARE(downloaded.err, unconfirmed.arg(dir.filePath(QStringLiteral("RUN1.txt"))));
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.txt")}), QStringList{QStringLiteral("RUN1.txt")});
        const QStringList history = run({QStringLiteral("history")}).out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(history.size(), 2);
        QVERIFY2(history.at(1).contains(QLatin1String("RUN1.txt")), qPrintable(history.at(1)));

        QCOMPARE(exported.status, kExitFailed);
        QCOMPARE(exported.err, unconfirmed.arg(dir.filePath(QStringLiteral("RUN1.csv"))));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QVERIFY(csv.readAll() != "old CSV\r\n"); // the new one
    }

    // A folder the user may not write to holds no temporary file: a writable CSV in it is
    // replaced in place all the same, and a new one is refused.
    void writableFileInAFolderThatMayNotBeWritten()
    {
        QTemporaryDir dir;
        const QString runFile = dir.filePath(QStringLiteral("RUN.txt"));
        QFile file(runFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(sim::encodeRunFile(sim::generateSession(3, 5), sim::RunFileKind::Full));
        file.close();
        QFile csv(dir.filePath(QStringLiteral("RUN.csv")));
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("old CSV\r\n");
        csv.close();
        if (!setReadOnly(dir.path(), true))
            QSKIP("this file system cannot make a folder read-only for root");
        const Run replaced = run({QStringLiteral("export"), runFile, QStringLiteral("--force")});
        const Run made = run({QStringLiteral("export"), runFile, QStringLiteral("-o"), dir.filePath(QStringLiteral("NEW.csv"))});
        const QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        setReadOnly(dir.path(), false);
        QCOMPARE(replaced.err, QString());
        QCOMPARE(replaced.status, kExitOk);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QVERIFY(csv.readAll() != "old CSV\r\n");
        QCOMPARE(made.status, kExitFailed);
        QCOMPARE(made.err, QStringLiteral("vantrelock: cannot write %1: permission denied\n").arg(dir.filePath(QStringLiteral("NEW.csv"))));
        QCOMPARE(names, (QStringList{QStringLiteral("RUN.csv"), QStringLiteral("RUN.txt")}));
    }

    // A link standing where the working bitmap goes is replaced; the file it led to stays.
    void imageFitReplacesALinkInTheFolder()
    {
        QTemporaryDir dir, elsewhere;
        const QString other = elsewhere.filePath(QStringLiteral("precious.bmp"));
        QFile file(other);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not to be touched");
        file.close();
        QVERIFY(QFile::link(other, dir.filePath(QStringLiteral("test.bmp"))));
        QImage photo(40, 20, QImage::Format_RGB32);
        photo.fill(Qt::green);
        QVERIFY(photo.save(elsewhere.filePath(QStringLiteral("car.png"))));

        const Run r = run({QStringLiteral("image"), QStringLiteral("fit"), elsewhere.filePath(QStringLiteral("car.png")),
                           QStringLiteral("-o"), dir.path()});
        QCOMPARE(r.status, kExitOk);
        QVERIFY(!QFileInfo(dir.filePath(QStringLiteral("test.bmp"))).isSymLink());
        QCOMPARE(QImage(dir.filePath(QStringLiteral("test.bmp"))).size(), QSize(40, 20));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("not to be touched"));
    }

    // Standard output is a file too: a full disk there fails the command, and the report's.
    void standardOutputToAFullDisk()
    {
        QTemporaryDir dir;
        const QString runFile = dir.filePath(QStringLiteral("RUN.txt"));
        QFile file(runFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(sim::encodeRunFile(sim::generateSession(6, 10), sim::RunFileKind::Full));
        file.close();
        const std::pair<const char *, QStringList> commands[] = {
            {VANTRELOCK_TOOL, {"export", runFile, "-o", "-"}},
            {VANTRELOCK_TOOL, {"history", "--csv"}},
            // The report is written; the line that says where is lost, and that fails it too.
            {MIRELON_PROGRAM, {"--report", runFile, "-o", dir.filePath(QStringLiteral("run.pdf"))}},
            {MIRELON_PROGRAM, {"--history-report", "-o", dir.filePath(QStringLiteral("history.pdf"))}},
        };
        for (const auto &[program, args] : commands) {
            QProcess tool;
            tool.setStandardOutputFile(QStringLiteral("/dev/full"));
            tool.start(QString::fromLocal8Bit(program), args);
            QVERIFY(tool.waitForFinished(20000));
            QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
            QCOMPARE(tool.readAllStandardError(), QFileInfo(QString::fromLocal8Bit(program)).fileName().toUtf8()
                                                      + ": cannot write standard output: no space left on device\n");
            QCOMPARE(tool.exitCode(), kExitFailed);
        }
    }

    // The tool killed at each step of a download's file write, and of an export replacing a
    // CSV: under its name a file is old or whole and new, never empty or half, and the next
    // start removes the temporary file the write left.
    void killedWritesLeaveOldOrWholeFiles_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("step");
        for (const char *command : {"download", "export"}) {
            for (const char *step : {"created", "writing", "written", "flushed", "placed", "folder-flushed"})
                QTest::addRow("%s, %s", command, step) << QString::fromLatin1(command) << QString::fromLatin1(step);
        }
    }
    void killedWritesLeaveOldOrWholeFiles()
    {
        QFETCH(QString, command);
        QFETCH(QString, step);
        const WorkingFolders folders = workingFolders(GetSpecialFolderPath(CSIDL_PERSONAL));
        QDir(folders.statistics).removeRecursively();
        QVERIFY(QDir().mkpath(folders.statistics));
        const QDir statistics(folders.statistics);
        const bool placed = step == QLatin1String("placed") || step == QLatin1String("folder-flushed");

        SimFixture sim;
        const sim::RunFileSet set = offerRunFiles(sim, {{"A", 21, 20}, {"B", 22, 20}});
        const QString runFile = statistics.filePath(QStringLiteral("RUN.txt"));
        const QString csvFile = statistics.filePath(QStringLiteral("RUN.csv"));
        const QByteArray oldCsv("old CSV\r\n");
        QByteArray newCsv;
        QStringList args{command};
        if (command == QLatin1String("export")) {
            QFile run(runFile), csv(csvFile);
            QVERIFY(run.open(QIODevice::WriteOnly) && csv.open(QIODevice::WriteOnly));
            run.write(sim::encodeRunFile(sim::generateSession(23, 20), sim::RunFileKind::Full));
            csv.write(oldCsv);
            run.close();
            newCsv = this->run({QStringLiteral("export"), runFile, QStringLiteral("-o"), QStringLiteral("-")}).out.toUtf8();
            args << runFile << QStringLiteral("--force");
        }

        QProcess tool;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // The download stops in its second file, the first whole on the disk.
        environment.insert(QLatin1String(files::kStopAtVariable), command == QLatin1String("download") ? step + QStringLiteral(":2") : step);
        tool.setProcessEnvironment(environment);
        tool.start(QStringLiteral(VANTRELOCK_TOOL), args);
        QVERIFY(tool.waitForStarted());
        const auto state = [&tool] {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(tool.processId()));
            if (!stat.open(QIODevice::ReadOnly))
                return '?';
            const QByteArray line = stat.readAll();
            const qsizetype at = line.lastIndexOf(')') + 2;
            return at > 1 && at < line.size() ? line.at(at) : '?';
        };
        QVERIFY(waitFor([&] { return state() == 'T' || tool.state() == QProcess::NotRunning; }, 20000));
        QCOMPARE(state(), 'T');
        QCOMPARE(::kill(pid_t(tool.processId()), SIGKILL), 0);
        QVERIFY(tool.waitForFinished(5000));
        QCOMPARE(tool.exitStatus(), QProcess::CrashExit);

        const QStringList temporary = statistics.entryList({QStringLiteral(".*.tmp")}, QDir::Files | QDir::Hidden);
        QCOMPARE(temporary.size(), placed ? 0 : 1);
        const auto contents = [&statistics](const QString &name) {
            QFile file(statistics.filePath(name));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
        };
        if (command == QLatin1String("download")) {
            QStringList stored{"A.txt"};
            if (placed)
                stored << QStringLiteral("B.txt");
            QCOMPARE(statistics.entryList(QDir::Files), stored);
            QCOMPARE(contents(QStringLiteral("A.txt")), set.files[0].data);
            if (placed)
                QCOMPARE(contents(QStringLiteral("B.txt")), set.files[1].data);
        } else {
            QCOMPARE(contents(QStringLiteral("RUN.csv")), placed ? newCsv : oldCsv);
        }

        const Run next = run({QStringLiteral("show"), runFile}); // any start of the tool
        Q_UNUSED(next);
        QCOMPARE(statistics.entryList({QStringLiteral(".*.tmp")}, QDir::Files | QDir::Hidden), QStringList());
    }

    // The picture's three files are one set: a rename that fails in the middle, or a kill
    // between the renames followed by any start of the tool, leaves all three old.
    void pictureSetIsOneSet_data()
    {
        QTest::addColumn<QString>("stop"); // where the tool is killed; empty: the second rename fails
        QTest::newRow("second rename fails") << "";
        // The set's journal is placed first, then user.raw, user.txt and test.bmp.
        QTest::newRow("killed after user.raw") << "placed:2";
        QTest::newRow("killed after user.txt") << "placed:3";
        QTest::newRow("killed after test.bmp") << "folder-flushed:4";
    }
    void pictureSetIsOneSet()
    {
        QFETCH(QString, stop);
        const WorkingFolders folders = workingFolders(GetSpecialFolderPath(CSIDL_PERSONAL));
        QDir(folders.program).removeRecursively();
        QVERIFY(QDir().mkpath(folders.program));
        const QDir program(folders.program);
        const std::pair<QString, QByteArray> old[] = {{QStringLiteral("test.bmp"), "old picture"},
                                                      {QStringLiteral("user.txt"), "7,1,1"},
                                                      {QStringLiteral("user.raw"), "ab"}};
        for (const auto &[name, bytes] : old) {
            QFile file(program.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        }
        QTemporaryDir dir;
        QImage photo(960, 200, QImage::Format_RGB32);
        photo.fill(Qt::blue);
        const QString picture = dir.filePath(QStringLiteral("car.png"));
        QVERIFY(photo.save(picture));
        const QStringList before = program.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

        if (stop.isEmpty()) {
            int placing = 0;
            files::setStepObserver([&placing](files::WriteStep step, const QString &, const QString &target) {
                if (step == files::WriteStep::Placing && ++placing == 3)
                    throw files::FileError(target, files::Access::Write, std::make_error_code(std::errc::io_error));
            });
            const Run r = run({QStringLiteral("image"), QStringLiteral("fit"), picture});
            files::setStepObserver(nullptr);
            QCOMPARE(r.status, kExitFailed);
            QCOMPARE(r.err, QStringLiteral("vantrelock: cannot write %1: input/output error\n").arg(program.filePath(QStringLiteral("user.txt"))));
        } else {
            QProcess tool;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QLatin1String(files::kStopAtVariable), stop);
            tool.setProcessEnvironment(environment);
            tool.start(QStringLiteral(VANTRELOCK_TOOL), {QStringLiteral("image"), QStringLiteral("fit"), picture});
            QVERIFY(tool.waitForStarted());
            const auto stopped = [&tool] {
                QFile stat(QStringLiteral("/proc/%1/stat").arg(tool.processId()));
                const QByteArray line = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
                const qsizetype at = line.lastIndexOf(')') + 2;
                return at > 1 && at < line.size() && line.at(at) == 'T';
            };
            QVERIFY(waitFor([&] { return stopped() || tool.state() == QProcess::NotRunning; }, 20000));
            QVERIFY(stopped());
            QCOMPARE(::kill(pid_t(tool.processId()), SIGKILL), 0);
            QVERIFY(tool.waitForFinished(5000));
            run({QStringLiteral("ports")}); // any start of the tool
        }
        QCOMPARE(program.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
        for (const auto &[name, bytes] : old) {
            QFile file(program.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), bytes);
        }
    }

    // Stray bytes after a command's last reply put the goodbye out of step, and with it what the
    // command read: every command says what it may have misread, prints no success, and fails.
    void outOfStepFails_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("exchange"); // its last reply
        QTest::addColumn<QString>("misread");
        QTest::addColumn<int>("lines"); // printed on standard output all the same
        QTest::newRow("info") << QStringList{"info"} << "serial" << "the version and serial number may be misread" << 3;
        QTest::newRow("settings") << QStringList{"settings"} << "practice" << "the settings printed may be misread" << 48;
        QTest::newRow("delete-device-files") << QStringList{"delete-device-files", "--yes"} << "delete"
                                             << "its answers to the deletion may be misread" << 0;
        QTest::newRow("image show") << QStringList{"image", "show"} << "image-show" << "its answer may be misread" << 0;
        // Stray bytes before its reply: the reply read is not the tree's answer.
        QTest::newRow("image show, its reply misread") << QStringList{"image", "show"} << "serial" << "its answer may be misread" << 0;
    }
    void outOfStepFails()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, exchange);
        QFETCH(QString, misread);
        QFETCH(int, lines);
        SimFixture sim;
        sim::installRunFileCommands(sim.device(), std::make_shared<sim::DeviceRunFiles>(sim::demoRunFiles("1.24  ")));
        sim::installSettingsCommands(sim.device());
        sim::installImageCommands(sim.device())->store(sim::demoPicture());
        sim.device().setFault(exchange.toStdString(), {sim::FaultKind::Extra, 0, "XY"});
        const Run r = run(args);
        QCOMPARE(r.status, kExitFailed);
        QCOMPARE(r.err, QStringLiteral("vantrelock: warning: %1\nvantrelock: the device's replies went out of step; %2\n")
                            .arg(kErrorDisconnecting, misread));
        QCOMPARE(r.out.count(QLatin1Char('\n')), lines);
    }

    // Stray bytes put the replies out of step: the download may have misread files, so it fails.
    void downloadOutOfStepFails()
    {
        SimFixture sim;
        auto files = std::make_shared<sim::DeviceRunFiles>(sim::demoRunFiles("1.24  "));
        sim::installRunFileCommands(sim.device(), files);
        sim.device().setFault("data", {sim::FaultKind::Extra, 0, "XY", 3}); // after the last file
        QTemporaryDir dir;
        const Run r = run({QStringLiteral("download"), QStringLiteral("--dir"), dir.path()});
        QCOMPARE(r.status, kExitFailed);
        QCOMPARE(r.err, QStringLiteral("vantrelock: warning: %1\n"
                                       "vantrelock: the device's replies went out of step; the 3 run files stored "
                                       "may be misread, and others may be missing\n")
                            .arg(kErrorDisconnecting));
        QCOMPARE(r.out.count(QLatin1Char('\n')), 3);
    }

    // The device's texts reach the terminal without control characters that would act on it.
    void deviceTextIsPrintedSafely()
    {
        SimFixture sim({"1.24  ", QByteArray("A\x1b[2JB\x07\x9b", 8)});
        const Run r = run({QStringLiteral("info")});
        QCOMPARE(r.status, kExitOk);
        QVERIFY2(r.out.contains(QStringLiteral("Serial number: A\\x1B[2JB\\x07\\x9B\n")), qPrintable(r.out));
    }

    void settingsPrintsCaptionsAndValues()
    {
        SimFixture sim({"1.24 R", "VM000042"});
        sim::installSettingsCommands(sim.device());
        Run r = run({QStringLiteral("settings"), QStringLiteral("--rallycross")});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.status, kExitOk);
        const QStringList lines = r.out.split(QLatin1Char('\n'));
        QVERIFY(lines.contains(QStringLiteral("Tree Type (left lane): Full")));
        QVERIFY(lines.contains(QStringLiteral("Rallycross:")));
        QCOMPARE(r.out.count(QLatin1Char('\n')), 48 + 2 + 12);
        QVERIFY(sim.device().received().endsWith("PRD"));

        sim.device().setFault("practice", {sim::FaultKind::Short, 20, {}});
        r = run({QStringLiteral("settings")});
        QCOMPARE(r.status, kExitFailed);
        QCOMPARE(r.err, QStringLiteral("vantrelock: %1\n").arg(kNoResponse));
    }

    void imageCommands()
    {
        QTemporaryDir dir;
        QImage photo(960, 200, QImage::Format_RGB32);
        photo.fill(QColor(255, 0, 0));
        const QString picture = dir.filePath(QStringLiteral("car.png"));
        QVERIFY(photo.save(picture));

        Run r = run({QStringLiteral("image"), QStringLiteral("fit"), picture, QStringLiteral("-o"), dir.path()});
        QCOMPARE(r.status, kExitOk);
        QCOMPARE(r.err, QStringLiteral("Fitted to 480 x 100 pixels.\n"));
        QFile header(dir.filePath(QStringLiteral("user.txt")));
        QVERIFY(header.open(QIODevice::ReadOnly));
        QCOMPARE(header.readAll(), QByteArray("7,480,100"));
        QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("user.raw"))).size(), 480 * 100 * 2);
        QCOMPARE(QImage(dir.filePath(QStringLiteral("test.bmp"))).size(), QSize(480, 100));

        // More pixels than any camera makes: refused from the header, nothing written.
        const QString bomb = dir.filePath(QStringLiteral("bomb.png"));
        QFile bombFile(bomb);
        QVERIFY(bombFile.open(QIODevice::WriteOnly));
        bombFile.write(pngDeclaring(100000, 100000));
        bombFile.close();
        QTemporaryDir untouched;
        r = run({QStringLiteral("image"), QStringLiteral("fit"), bomb, QStringLiteral("-o"), untouched.path()});
        QCOMPARE(r.status, kExitFailed);
        QCOMPARE(r.err, QStringLiteral("vantrelock: cannot read %1: Image Too Large: 100000 x 100000 pixels; the largest "
                                       "accepted is 201,326,592 pixels (16384 x 12288)\n").arg(bomb));
        QVERIFY(QDir(untouched.path()).isEmpty());

        SimFixture sim;
        const std::shared_ptr<sim::PictureStore> store = sim::installImageCommands(sim.device());
        r = run({QStringLiteral("image"), QStringLiteral("send"), picture});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.status, kExitOk);
        QCOMPARE(r.out, QStringLiteral("Send Successful!\n"));
        QVERIFY(store->picture());
        QCOMPARE(store->picture()->raw.left(2), QByteArray("\x00\xF8", 2)); // red, low byte first

        r = run({QStringLiteral("image"), QStringLiteral("show")});
        QCOMPARE(r.out, QStringLiteral("Image Displayed!\n"));
        r = run({QStringLiteral("image"), QStringLiteral("delete")});
        QCOMPARE(r.out, QStringLiteral("Delete Successful!\n"));
        QVERIFY(!store->picture());
        r = run({QStringLiteral("image"), QStringLiteral("show")});
        QCOMPARE(r.status, kExitFailed);
        QCOMPARE(r.err, QStringLiteral("vantrelock: No Image to Display\n"));

        r = run({QStringLiteral("image"), QStringLiteral("send"), dir.filePath(QStringLiteral("user.txt"))});
        QCOMPARE(r.status, kExitFailed); // not a picture: nothing is sent
        QVERIFY(r.err.startsWith(QStringLiteral("vantrelock: ")));
    }

    void portByPathOrNumber()
    {
        SimFixture sim;
        Run r = run({QStringLiteral("info"), QStringLiteral("--port"), sim.path()});
        QCOMPARE(r.status, kExitOk);
        r = run({QStringLiteral("--port=1"), QStringLiteral("info")});
        QCOMPARE(r.status, kExitOk);
        r = run({QStringLiteral("info"), QStringLiteral("--port"), QStringLiteral("2")});
        QCOMPARE(r.err, QStringLiteral("vantrelock: %1\n").arg(kErrorConnecting));
        QCOMPARE(r.status, kExitFailed);
        r = run({QStringLiteral("ports")});
        QCOMPARE(r.out, QStringLiteral("1\t%1\n").arg(sim.path()));
    }

    void silentDeviceFailsWithinTheTimeout()
    {
        SimFixture sim;
        sim.device().setFault("connected", {sim::FaultKind::Silent, 0, {}});
        const Run r = run({QStringLiteral("info")});
        QCOMPARE(r.status, kExitFailed);
        QCOMPARE(r.err, QStringLiteral("vantrelock: %1\n").arg(kNoResponse));
        QCOMPARE(r.out, QString());
    }

    void missingPort()
    {
        const Run r = run({QStringLiteral("info"), QStringLiteral("--port"), QStringLiteral("/dev/does-not-exist")});
        QCOMPARE(r.status, kExitFailed);
        QCOMPARE(r.err, QStringLiteral("vantrelock: %1\n").arg(kErrorConnecting));
    }

    // A signal ends the tool at once wherever it waits, here for an answer that never comes.
    void signalEndsTheTool()
    {
        QProcess tool;
        tool.start(QStringLiteral(VANTRELOCK_TOOL), {QStringLiteral("delete-device-files")});
        QVERIFY(tool.waitForStarted());
        QByteArray err;
        QVERIFY(waitFor([&] { return (err += tool.readAllStandardError()).endsWith("[y/N] "); }));
        QCOMPARE(::kill(pid_t(tool.processId()), SIGINT), 0);
        QVERIFY(tool.waitForFinished(5000));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), kExitInterrupted);
        QCOMPARE(tool.readAllStandardError(), QByteArray("vantrelock: interrupted\n"));
    }

    // Ctrl-C while the tool waits for the device's goodbye is an interruption, as anywhere else:
    // never a success, and never replies out of step.
    void signalDuringTheGoodbye_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("info") << QStringList{"info"};
        QTest::newRow("settings") << QStringList{"settings"};
        QTest::newRow("download") << QStringList{"download", "--dir", "@"};
    }
    void signalDuringTheGoodbye()
    {
        QFETCH(QStringList, args);
        QTemporaryDir dir;
        args.replaceInStrings(QStringLiteral("@"), dir.path());
        SimFixture sim;
        sim::installRunFileCommands(sim.device(), std::make_shared<sim::DeviceRunFiles>(sim::RunFileSet{}));
        sim::installSettingsCommands(sim.device());
        // The goodbye comes a byte a second, each within the link's inactivity time.
        sim.device().setFault("disconnect", {sim::FaultKind::Slow, 1000, {}});
        QProcess tool;
        tool.start(QStringLiteral(VANTRELOCK_TOOL), args + QStringList{QStringLiteral("--port"), sim.path()});
        QVERIFY(tool.waitForStarted());
        QVERIFY(waitFor([&] { return sim.device().received().endsWith("D"); }, 10000));
        QCOMPARE(::kill(pid_t(tool.processId()), SIGINT), 0);
        QVERIFY(tool.waitForFinished(5000));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.readAllStandardError(), QByteArray("vantrelock: interrupted\n"));
        QCOMPARE(tool.exitCode(), kExitInterrupted);
    }

    void usage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("nothing") << QStringList{} << "no command given";
        QTest::newRow("unknown command") << QStringList{"fly"} << "unknown command 'fly'";
        QTest::newRow("unknown option") << QStringList{"info", "--fast"} << "unknown option --fast";
        QTest::newRow("missing value") << QStringList{"info", "--port"} << "--port needs a value";
        QTest::newRow("extra argument") << QStringList{"info", "now"} << "unexpected argument 'now'";
        QTest::newRow("port where none is used") << QStringList{"ports", "--port", "1"} << "ports takes no --port";
        QTest::newRow("version of a command") << QStringList{"info", "--version"} << "unknown option --version";
    }
    void usage()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Run r = run(args);
        QCOMPARE(r.status, kExitUsage);
        QVERIFY2(r.err.startsWith(QStringLiteral("vantrelock: ") + message + QLatin1Char('\n')), qPrintable(r.err));
    }

    void help()
    {
        Run r = run({QStringLiteral("--help")});
        QCOMPARE(r.status, kExitOk);
        QVERIFY(r.out.contains(QStringLiteral("info")));
        r = run({QStringLiteral("info"), QStringLiteral("-h")});
        QCOMPARE(r.status, kExitOk);
        QVERIFY(r.out.startsWith(QStringLiteral("Usage: vantrelock info [options]")));
        QVERIFY(r.out.contains(QStringLiteral("--port N|PATH")));
        r = run({QStringLiteral("--version")});
        QCOMPARE(r.status, kExitOk);
        QVERIFY2(r.out.startsWith(QStringLiteral("vantrelock %1\n").arg(programVersion())), qPrintable(r.out));
        QVERIFY2(r.out.contains(QStringLiteral("License GPL-3.0-or-later")), qPrintable(r.out));
    }
};

MIRELON_TEST_MAIN(CliTest)
#include "test_cli.moc"
