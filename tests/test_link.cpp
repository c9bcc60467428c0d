#include "device/SerialLink.h"
#include "tests/support/TestSupport.h"

#include <QElapsedTimer>

// The link against the simulated device on a real pseudo-terminal.
class LinkTest : public QObject {
    Q_OBJECT

    std::unique_ptr<SimFixture> sim;
    std::unique_ptr<SerialLink> link;

    static QByteArray bufBytes(const SerialLink &l, int from, int to)
    {
        return QByteArray(reinterpret_cast<const char *>(l.buf.data()) + from, to - from);
    }

private slots:
    void init()
    {
        sim = std::make_unique<SimFixture>();
        // "X" answers with nine bytes, through the fault set for "x".
        sim->device().addCommand("X", [](sim::Session &s) { s.reply("x", "ABCDEFGHI"); });
        link = std::make_unique<SerialLink>();
        QVERIFY(link->openLocation(sim->path()));
        QVERIFY(link->isOpen());
    }
    void cleanup()
    {
        link.reset();
        sim.reset();
    }

    void wholeReplyArrives()
    {
        link->buf.fill('#');
        link->send_cmda(QStringLiteral("X"));
        link->vrcvstra(9);
        QVERIFY(!link->TimeOut);
        QCOMPARE(link->text(9), QStringLiteral("ABCDEFGHI"));
        QCOMPARE(link->buf[9], std::uint8_t('#'));
    }

    void surplusIsWhatTheNextReceiveSees()
    {
        sim->device().setFault("x", {sim::FaultKind::Extra, 0, "JK"});
        link->send_cmda(QStringLiteral("X"));
        link->vrcvstra(4);
        QCOMPARE(link->text(4), QStringLiteral("ABCD"));
        link->vrcvstra(7);
        QVERIFY(!link->TimeOut);
        QCOMPARE(link->text(7), QStringLiteral("EFGHIJK"));
    }

    // The one slow case: a device that sends 3 of 9 bytes and falls silent ends the receive 2 s
    // after the third byte, with the new bytes in front and the rest of buf as it was.
    void shortReplyTimesOutAndKeepsTheRestOfBuf()
    {
        sim->device().setFault("x", {sim::FaultKind::Short, 3, {}});
        link->buf.fill('#');
        QElapsedTimer timer;
        timer.start();
        link->send_cmda(QStringLiteral("X"));
        link->vrcvstra(9);
        const qint64 elapsed = timer.elapsed();
        QVERIFY(link->TimeOut);
        QVERIFY2(elapsed >= 1990 && elapsed < 3000, qPrintable(QString::number(elapsed)));
        QCOMPARE(bufBytes(*link, 0, 5), QByteArray("ABC##"));
    }

    void sendsTheLowByteOfEveryCharacter()
    {
        link->send_cmda(QString());
        link->send_cmda(QString(QChar(0x0141)) + QChar(0x00FF) + QLatin1Char('S'));
        QVERIFY(waitFor([&] { return sim->device().received().size() == 3; }));
        QCOMPARE(sim->device().received(), QByteArray("\x41\xFF\x53", 3));
    }

    void countsBeyondTheBufferNeverOverrun()
    {
        link->send_cmda(QStringLiteral("X"));
        link->vrcvstra(SerialLink::kBufSize + 100); // takes the 9 bytes, then times out
        QVERIFY(link->TimeOut);
        QCOMPARE(link->text(9), QStringLiteral("ABCDEFGHI"));
    }

    void closedLinkSendsNothingAndReceivesNothing()
    {
        link->KillComa();
        link->KillComa();
        QVERIFY(!link->isOpen());
        link->send_cmda(QStringLiteral("X"));
        link->vrcvstra(1);
        QVERIFY(link->TimeOut);
        QCOMPARE(sim->device().received(), QByteArray());

        SerialLink unchosen;
        unchosen.InitComa(); // comport 0 opens nothing
        QVERIFY(!unchosen.isOpen());
    }

    void unpluggedDeviceEndsTheReceiveWithoutAHang()
    {
        sim->device().setFault("x", {sim::FaultKind::Vanish, 2, {}});
        QElapsedTimer timer;
        timer.start();
        link->send_cmda(QStringLiteral("X"));
        link->vrcvstra(9);
        QVERIFY(link->TimeOut);
        QVERIFY(timer.elapsed() < 2500);
        link->vrcvstra(1); // a dead port answers at once
        QVERIFY(link->TimeOut);
        link->KillComa();
        QVERIFY(!link->isOpen());
    }
};

MIRELON_TEST_MAIN(LinkTest)
#include "test_link.moc"
