#include "base/Errors.h"
#include "base/Files.h"
#include "device/SerialLink.h"
#include "stats/RunFileTransfer.h"
#include "tests/support/TestSupport.h"
#include "tools/sim/RunFileCommands.h"
#include "tools/sim/RunFiles.h"

#include <QDir>
#include <QFile>

// Downloading and deleting run files against the simulated device, through the plain exchanges.
class RunFileTransferTest : public QObject {
    Q_OBJECT

    std::unique_ptr<SimFixture> sim;
    std::shared_ptr<sim::DeviceRunFiles> deviceFiles;
    std::unique_ptr<SerialLink> link;
    std::unique_ptr<QTemporaryDir> folder;

    void startDevice(const QByteArray &version, sim::RunFileSet files)
    {
        sim::Config config;
        config.version = version;
        sim = std::make_unique<SimFixture>(config);
        deviceFiles = std::make_shared<sim::DeviceRunFiles>(std::move(files));
        sim::installRunFileCommands(sim->device(), deviceFiles);
        link = std::make_unique<SerialLink>();
        QVERIFY(link->openLocation(sim->path()));
    }

    QByteArray fileBytes(const QString &name) const
    {
        QFile file(folder->filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }
    QStringList folderNames() const
    {
        return QDir(folder->path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    QStringList storedNames(const DownloadResult &result) const
    {
        QStringList names;
        for (const QString &path : result.stored) {
            if (QFileInfo(path).absolutePath() != QFileInfo(folder->path()).absoluteFilePath())
                names << QStringLiteral("(outside) ") + path;
            else
                names << QFileInfo(path).fileName();
        }
        return names;
    }

    static QByteArray session(std::uint32_t seed, sim::RunFileKind kind)
    {
        return sim::encodeRunFile(sim::generateSession(seed, 20), kind);
    }

private slots:
    void init() { folder = std::make_unique<QTemporaryDir>(); }
    void cleanup()
    {
        link.reset();
        sim.reset();
        folder.reset();
    }

    // The generator writes every field where the device's run files have it.
    void generatorPlacesEachField()
    {
        sim::RunFileValues values;
        values.runCount = 62;
        values.wins = 7;
        values.reds = 3;
        values.average = 512;
        values.spread = 41;
        values.shiftAverages = {1230, 2000, 10000, 345};
        for (int r = 1; r <= 50; ++r)
            values.runs.push_back({500 + r, {1000 + r, 2000 + r, 3000 + r, 4000 + r}, r % 10});
        const QByteArray full = sim::encodeRunFile(values, sim::RunFileKind::Full);
        QCOMPARE(full.size(), 1748);
        QCOMPARE(sim::encodeRunFile(values, sim::RunFileKind::Short), full.left(330));
        QCOMPARE(sim::encodeRunFile(values, sim::RunFileKind::Rallycross), full.left(323));

        const struct {
            int offset;
            QByteArray digits;
        } fields[] = {
            {0, "00501"},   {294, "00550"}, {300, "062"},  {304, "007"},   {308, "003"},   {312, "00512"},
            {318, "00041"}, {324, "01230"}, {330, "02000"}, {336, "10000"}, {342, "00345"}, {348, "01001"},
            {354, "02001"}, {366, "04001"}, {372, "01002"}, {1542, "04050"}, {1548, "001"}, {1744, "000"},
        };
        for (const auto &field : fields)
            QCOMPARE(full.mid(field.offset, field.digits.size()), field.digits);
        QCOMPARE(full.at(5), ',');
        QCOMPARE(full.at(1747), ',');
    }

    // A generated session looks like practice: reaction times near 0.5 s, red lights below it,
    // and the device's figures agree with the runs.
    void generatedSessionIsPlausible()
    {
        const sim::RunFileValues values = sim::generateSession(7, 40, 2);
        QCOMPARE(int(values.runs.size()), 40);
        int reds = 0;
        long sum = 0;
        for (const sim::RunValues &run : values.runs) {
            QVERIFY(run.reaction > 400 && run.reaction < 750);
            reds += run.reaction < 500;
            sum += run.reaction;
            QVERIFY(run.shifts[0] < 10000 && run.shifts[1] > run.shifts[0]);
            QCOMPARE(run.shifts[2], sim::kShiftUnused);
            QVERIFY(run.bumps >= 0 && run.bumps < 10);
        }
        QCOMPARE(values.reds, reds);
        QVERIFY(values.wins <= 40 - reds);
        QCOMPARE(values.average, int(std::lround(sum / 40.0)));
        QVERIFY(values.spread > 5 && values.spread < 100);
        QCOMPARE(values.shiftAverages[2], sim::kShiftUnused);
    }

    void downloadStoresFilesWhole_data()
    {
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<bool>("rallycross");
        QTest::addColumn<int>("length");
        QTest::newRow("1.23: short files") << QByteArray("1.23  ") << false << 330;
        QTest::newRow("1.24: full files") << QByteArray("1.24  ") << false << 1748;
        QTest::newRow("2.00: full files") << QByteArray("2.00  ") << false << 1748;
        QTest::newRow("no number: full files") << QByteArray("V2    ") << false << 1748;
        QTest::newRow("rallycross 1.24") << QByteArray("1.24 R") << true << 1748;
        QTest::newRow("rallycross 1.23") << QByteArray("1.23 r") << true << 330;
    }
    void downloadStoresFilesWhole()
    {
        QFETCH(QByteArray, version);
        QFETCH(bool, rallycross);
        QFETCH(int, length);
        const sim::RunFileKind kind = length == 330 ? sim::RunFileKind::Short : sim::RunFileKind::Full;
        sim::RunFileSet set;
        set.files = {{"FIRST", session(1, kind)}, {"SECOND", session(2, kind)}};
        set.rallycross = {{"RX1", session(3, sim::RunFileKind::Rallycross)}};
        startDevice(version, set);

        const DownloadResult result = downloadRunFiles(*link, folder->path(), QString::fromLatin1(version), rallycross);
        QCOMPARE(int(result.end), int(DownloadResult::End::Complete));
        QStringList expected{QStringLiteral("FIRST.txt"), QStringLiteral("SECOND.txt")};
        if (rallycross)
            expected << QStringLiteral("RX1R.txt");
        QCOMPARE(storedNames(result), expected);
        QCOMPARE(fileBytes(QStringLiteral("FIRST.txt")), set.files[0].data);
        QCOMPARE(fileBytes(QStringLiteral("SECOND.txt")), set.files[1].data);
        QCOMPARE(fileBytes(QStringLiteral("SECOND.txt")).size(), length);
        if (rallycross)
            QCOMPARE(fileBytes(QStringLiteral("RX1R.txt")), set.rallycross[0].data);
        QCOMPARE(sim->device().received(), QByteArray(rallycross ? "SLSR" : "SL"));
    }

    // Names never overwrite, never leave the folder and never fail the download.
    void namesAreUniqueAndSafe()
    {
        for (const char *existing : {"ABC.txt", "ABC-1.txt", "ABCR.txt"}) {
            QFile file(folder->filePath(QLatin1String(existing)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("kept");
        }
        const QByteArray data = session(4, sim::RunFileKind::Full);
        sim::RunFileSet set;
        for (const QByteArray &name : {QByteArray("ABC"), QByteArray("ABC D"), QByteArray("ABCDEFGH"),
                                       QByteArray(" ABC"), QByteArray("../x:y*"), QByteArray("a\\b\x01<|>\"?"),
                                       QByteArray("con"), QByteArray("ABC")})
            set.files.push_back({name, data});
        set.rallycross = {{"ABC", session(5, sim::RunFileKind::Rallycross)}, {"", session(6, sim::RunFileKind::Rallycross)}};
        startDevice("1.24 R", set);

        const DownloadResult result = downloadRunFiles(*link, folder->path(), QStringLiteral("1.24 R"), true);
        QCOMPARE(int(result.end), int(DownloadResult::End::Complete));
        QCOMPARE(storedNames(result),
                 QStringList({"ABC-2.txt", "ABC-3.txt", "ABCDEFGH.txt", "_.txt", "_.._x_y_.txt", "a_b_____.txt",
                              "con_.txt", "ABC-4.txt", "ABCR-1.txt", "R.txt"}));
        for (const char *existing : {"ABC.txt", "ABC-1.txt", "ABCR.txt"})
            QCOMPARE(fileBytes(QLatin1String(existing)), QByteArray("kept"));
        QCOMPARE(fileBytes(QStringLiteral("ABC-4.txt")), data);
        QCOMPARE(folderNames().size(), 13);
    }

    void refusalsAndSkippedFiles_data()
    {
        QTest::addColumn<QString>("fault");     // exchange=kind, or a per-file fault
        QTest::addColumn<int>("end");
        QTest::addColumn<QStringList>("stored");
        const int complete = int(DownloadResult::End::Complete);
        QTest::newRow("second file not OK") << QStringLiteral("2=status:NO") << complete
                                            << QStringList{"A.txt", "C.txt", "RXR.txt"};
        QTest::newRow("rallycross file not OK") << QStringLiteral("r1=status:ER") << complete
                                                << QStringList{"A.txt", "B.txt", "C.txt"};
        QTest::newRow("list refused") << QStringLiteral("list=wrong:ER!") << int(DownloadResult::End::Refused)
                                      << QStringList{};
        QTest::newRow("no rallycross files") << QStringLiteral("rxlist=wrong:NO!")
                                             << int(DownloadResult::End::RallycrossNotFound)
                                             << QStringList{"A.txt", "B.txt", "C.txt"};
    }
    void refusalsAndSkippedFiles()
    {
        QFETCH(QString, fault);
        QFETCH(int, end);
        QFETCH(QStringList, stored);
        const QByteArray data = session(8, sim::RunFileKind::Full);
        sim::RunFileSet set;
        set.files = {{"A", data}, {"B", data}, {"C", data}};
        set.rallycross = {{"RX", session(9, sim::RunFileKind::Rallycross)}};
        const QString target = fault.section(QLatin1Char('='), 0, 0);
        if (target == QLatin1String("list") || target == QLatin1String("rxlist")) {
            startDevice("1.24 R", set);
            sim::Fault f;
            QVERIFY(sim::parseFault(fault.section(QLatin1Char('='), 1), f));
            sim->device().setFault(target.toStdString(), f);
        } else {
            QVERIFY(sim::applyFileFault(set, fault));
            startDevice("1.24 R", set);
        }

        const DownloadResult result = downloadRunFiles(*link, folder->path(), QStringLiteral("1.24 R"), true);
        QCOMPARE(int(result.end), end);
        QCOMPARE(storedNames(result), stored);
        QCOMPARE(folderNames(), stored);

        // A refusal's extra byte was taken: the link is ready for the next exchange.
        sim->device().clearFaults();
        QCOMPARE(int(deleteDeviceRunFiles(*link, false)), int(DeviceDeleteEnd::Deleted));
    }

    // A data block that stops short is a missing reply: the download ends, and no truncated file
    // stays behind posing as a whole one.
    void dataBlockStoppingShortLeavesNoFile()
    {
        const QByteArray data = session(10, sim::RunFileKind::Full);
        sim::RunFileSet set;
        set.files = {{"WHOLE", data}, {"CUT", data}};
        QVERIFY(sim::applyFileFault(set, QStringLiteral("2=stop:900")));
        startDevice("1.24  ", set);
        link->buf.fill('7'); // what a careless store would pad the file with

        const DownloadResult result = downloadRunFiles(*link, folder->path(), QStringLiteral("1.24  "), false);
        QCOMPARE(int(result.end), int(DownloadResult::End::NoResponse));
        QCOMPARE(folderNames(), QStringList{"WHOLE.txt"});
        QCOMPARE(fileBytes(QStringLiteral("WHOLE.txt")), data);
    }

    // Each run file is flushed, renamed into place and its folder flushed before the download
    // reports it (the window lists it, the tool prints it): nothing the user does next, a
    // Delete on the tree or a power cut, can lose it.
    void eachFileIsOnTheDiskBeforeItIsReported()
    {
        sim::RunFileSet set;
        set.files = {{"A", session(12, sim::RunFileKind::Full)}, {"A", session(13, sim::RunFileKind::Full)}};
        set.rallycross = {{"X", session(14, sim::RunFileKind::Rallycross)}};
        startDevice("1.24 R", set);
        struct Event {
            QString what, temporary, target;
        };
        QList<Event> events;
        const char *names[] = {"created", "writing", "written", "flushed", "placing", "placed", "folder-flushed"};
        files::setStepObserver([&](files::WriteStep step, const QString &temporary, const QString &target) {
            events.append({QLatin1String(names[int(step)]), temporary, target});
        });
        DownloadObserver observer;
        observer.stored = [&](const StoredRunFile &file) { events.append({QStringLiteral("reported"), {}, file.path}); };
        const DownloadResult result = downloadRunFiles(*link, folder->path(), QStringLiteral("1.24 R"), true, observer);
        files::setStepObserver(nullptr);
        QCOMPARE(storedNames(result), QStringList({"A.txt", "A-1.txt", "XR.txt"}));

        QStringList order; // each file's steps, named by the file they end in
        QString temporary;
        for (const Event &e : events) {
            if (e.what == QLatin1String("created"))
                temporary = e.temporary;
            QVERIFY2(e.what == QLatin1String("reported") || e.temporary == temporary, qPrintable(e.temporary));
            if (!e.target.isEmpty())
                QCOMPARE(QFileInfo(e.target).absolutePath(), QFileInfo(folder->path()).absoluteFilePath());
            order << e.what + QLatin1Char(' ') + QFileInfo(e.target).fileName();
        }
        QStringList expected;
        for (const char *name : {"A.txt", "A-1.txt", "XR.txt"})
            expected << "created " << "writing " << "written " << "flushed " << QStringLiteral("placing ") + name
                     << QStringLiteral("placed ") + name
                     << QStringLiteral("folder-flushed ") + name << QStringLiteral("reported ") + name;
        QCOMPARE(order, expected);
        QCOMPARE(QFileInfo(temporary).absolutePath(), QFileInfo(folder->path()).absoluteFilePath());
        QCOMPARE(folderNames(), QStringList({"A-1.txt", "A.txt", "XR.txt"})); // no temporary file left
    }

    void aFileThatCannotBeWrittenEndsTheDownload()
    {
        sim::RunFileSet set;
        set.files = {{"A", session(11, sim::RunFileKind::Full)}};
        startDevice("1.24  ", set);
        const QString gone = folder->filePath(QStringLiteral("gone"));
        try {
            downloadRunFiles(*link, gone, QStringLiteral("1.24  "), false);
            QFAIL("no error");
        } catch (const AppError &e) {
            QCOMPARE(e.text(), QStringLiteral("File not found"));
        }
        QVERIFY(!QFileInfo::exists(gone));
    }

    void deletionOnTheDevice_data()
    {
        QTest::addColumn<bool>("rallycross");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("end");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<bool>("filesLeft");
        QTest::addColumn<bool>("rallycrossLeft");
        QTest::newRow("plain device") << false << QString() << int(DeviceDeleteEnd::Deleted) << QByteArray("SD")
                                      << false << true;
        QTest::newRow("rallycross device") << true << QString() << int(DeviceDeleteEnd::Deleted)
                                           << QByteArray("SDSE") << false << false;
        QTest::newRow("refused") << true << QStringLiteral("delete=wrong:ER!") << int(DeviceDeleteEnd::Failed)
                                 << QByteArray("SD") << true << true;
        QTest::newRow("rallycross: nothing to do") << true << QStringLiteral("rxdelete=wrong:NO!")
                                                   << int(DeviceDeleteEnd::RallycrossNothingToDo)
                                                   << QByteArray("SDSE") << false << true;
        QTest::newRow("rallycross: refused") << true << QStringLiteral("rxdelete2=wrong:ER!")
                                             << int(DeviceDeleteEnd::RallycrossFailed) << QByteArray("SDSE")
                                             << false << true;
    }
    void deletionOnTheDevice()
    {
        QFETCH(bool, rallycross);
        QFETCH(QString, fault);
        QFETCH(int, end);
        QFETCH(QByteArray, sent);
        QFETCH(bool, filesLeft);
        QFETCH(bool, rallycrossLeft);
        sim::RunFileSet set;
        set.files = {{"A", session(12, sim::RunFileKind::Full)}};
        set.rallycross = {{"B", session(13, sim::RunFileKind::Rallycross)}};
        startDevice("1.24 R", set);
        if (!fault.isEmpty()) {
            sim::Fault f;
            QVERIFY(sim::parseFault(fault.section(QLatin1Char('='), 1), f));
            sim->device().setFault(fault.section(QLatin1Char('='), 0, 0).toStdString(), f);
        }

        QCOMPARE(int(deleteDeviceRunFiles(*link, rallycross)), end);
        QCOMPARE(sim->device().received(), sent);
        QCOMPARE(deviceFiles->get().files.empty(), !filesLeft);
        QCOMPARE(deviceFiles->get().rallycross.empty(), !rallycrossLeft);

        // Whatever the device answered, the link is ready for the next exchange.
        sim->device().clearFaults();
        QCOMPARE(int(deleteDeviceRunFiles(*link, rallycross)), int(DeviceDeleteEnd::Deleted));
    }
};

MIRELON_TEST_MAIN(RunFileTransferTest)
#include "test_runfile_transfer.moc"
