#include "device/Connection.h"
#include "tests/support/TestSupport.h"
#include "tools/cli/Cli.h"

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
