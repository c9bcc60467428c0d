#include "device/Connection.h"
#include "tests/support/TestSupport.h"
#include "tools/cli/Cli.h"
#include "tools/sim/RunFileCommands.h"
#include "tools/sim/RunFiles.h"

#include <QDir>
#include <QFile>

// The command-line tool, run in-process against the simulated device.
class CliTest : public QObject {
    Q_OBJECT

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

        const Run r = run({QStringLiteral("download"), QStringLiteral("--dir"), dir.path()});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.status, kExitOk);
        const QStringList printed = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const sim::RunFileSet set = files->get();
        QCOMPARE(printed.size(), int(set.files.size() + set.rallycross.size()));
        for (const QString &path : printed)
            QVERIFY2(QFileInfo(path).size() == 1748 || QFileInfo(path).size() == 323, qPrintable(path));
        QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("RUN1.txt"))).size(), 0);
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
    }
};

MIRELON_TEST_MAIN(CliTest)
#include "test_cli.moc"
