#include "app/ui/Forms.h"
#include "app/ui/MainWindow.h"
#include "device/Connection.h"
#include "device/Ports.h"
#include "device/ui/ConnectGroup.h"
#include "image/ui/ImageGroup.h"
#include "stats/ui/StatisticsGroup.h"
#include "tests/support/TestSupport.h"
#include "widgets/ColorPanel.h"
#include "widgets/Colors.h"

#include <QLabel>
#include <QLocale>
#include <QPushButton>

// Connect and disconnect through the main window against the simulated device.
class ConnectWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingPrompter> prompts;
    std::unique_ptr<SimFixture> sim;
    const QDateTime clock{QDate(2019, 3, 22), QTime(14, 5, 9)};

    void startDevice(sim::Config config = {})
    {
        sim.reset();
        sim = std::make_unique<SimFixture>(std::move(config));
    }

    static bool deviceButtonsEnabled()
    {
        return Form1->image->Button4->isEnabled() && Form1->image->Button5->isEnabled() && Form1->image->Button7->isEnabled()
               && Form1->statistics->Button8->isEnabled() && Form1->connection->Button10->isEnabled();
    }
    static bool deviceButtonsDisabled()
    {
        return !Form1->image->Button4->isEnabled() && !Form1->image->Button5->isEnabled() && !Form1->image->Button7->isEnabled()
               && !Form1->statistics->Button8->isEnabled() && !Form1->connection->Button10->isEnabled();
    }
    static void verifyDisconnectedDisplay()
    {
        QCOMPARE(Form1->connection->Button1->text(), QStringLiteral("Connect"));
        QCOMPARE(Form1->connection->Panel1->caption(), QStringLiteral("Not Connected"));
        QCOMPARE(Form1->connection->Panel1->color(), buttonFaceColor());
        for (QLabel *readout : {Form1->connection->Version, Form1->connection->SerialNumber, Form1->connection->Date, Form1->connection->Time})
            QCOMPARE(readout->text(), QStringLiteral("N/C"));
    }

private slots:
    void init()
    {
        prompts = std::make_unique<RecordingPrompter>();
        startDevice();
        createWindows();
        Form1->connection->now = [this] { return clock; };
    }
    void cleanup()
    {
        destroyWindows();
        sim.reset();
        prompts.reset();
    }

    void connectsAndDisconnects()
    {
        QVERIFY(Form1->statistics->Button9->isEnabled());
        QVERIFY(deviceButtonsDisabled());
        Form1->connection->Button1Click();
        QCOMPARE(prompts->texts(), QStringList());
        QCOMPARE(sim->device().received(), QByteArray("C" "onnect" "0390322140504"));
        QCOMPARE(Form1->connection->link.comport, 1);
        QVERIFY(Form1->connection->link.isOpen());
        QCOMPARE(Form1->connection->Version->text(), QStringLiteral("1.24  "));
        QCOMPARE(Form1->connection->SerialNumber->text(), QStringLiteral("VM004711"));
        QCOMPARE(Form1->connection->Date->text(), QLocale().toString(clock.date(), QLocale::ShortFormat));
        QCOMPARE(Form1->connection->Time->text(), longTimeText(clock.time()));
        QVERIFY(!Form1->connection->Time->text().contains(QLatin1String("UTC")));
        QCOMPARE(Form1->connection->Button1->text(), QStringLiteral("Disconnect"));
        QCOMPARE(Form1->connection->Panel1->caption(), QStringLiteral("Connected"));
        QCOMPARE(Form1->connection->Panel1->color(), QColor(0, 128, 0));
        QVERIFY(deviceButtonsEnabled());
        QVERIFY(!Form1->connection->Button2->isEnabled());
        QVERIFY(Form1->statistics->Button9->isEnabled());
        QVERIFY(!Form1->connection->rallycross);

        sim->device().clearReceived();
        Form1->connection->Button1Click();
        QCOMPARE(prompts->texts(), QStringList());
        QCOMPARE(sim->device().received(), QByteArray("D"));
        QVERIFY(!Form1->connection->link.isOpen());
        verifyDisconnectedDisplay();
        QVERIFY(deviceButtonsDisabled());
        QVERIFY(Form1->connection->Button2->isEnabled());
        QCOMPARE(Form1->connection->link.comport, 1); // kept for the next connect
    }

    // Every failing step of the handshake: one error box, the port closed, and the display and
    // buttons as they were before the attempt.
    void handshakeFailures_data()
    {
        QTest::addColumn<QString>("exchange");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("versionShown");
        QTest::newRow("no greeting") << "greeting" << "silent" << kErrorConnecting << "N/C";
        QTest::newRow("greeting in lower case") << "greeting" << "wrong:c" << kErrorConnecting << "N/C";
        QTest::newRow("no Connected") << "connected" << "silent" << kNoResponse << "N/C";
        QTest::newRow("Connected misspelt") << "connected" << "wrong:Connectex" << kInvalidResponse << "N/C";
        QTest::newRow("date and time not acknowledged") << "datetime" << "silent" << kNoResponse << "N/C";
        QTest::newRow("date and time answered wrongly") << "datetime" << "wrong" << kInvalidResponse << "N/C";
        QTest::newRow("version stops short") << "version" << "short:3" << kNoResponse << "N/C";
        QTest::newRow("no serial number") << "serial" << "silent" << kNoResponse << "1.24  ";
    }
    void handshakeFailures()
    {
        QFETCH(QString, exchange);
        QFETCH(QString, fault);
        QFETCH(QString, message);
        QFETCH(QString, versionShown);
        sim::Fault f;
        QVERIFY(sim::parseFault(fault, f));
        sim->device().setFault(exchange.toStdString(), f);

        Form1->connection->Button1Click();
        QCOMPARE(prompts->texts(), QStringList{message});
        QCOMPARE(prompts->shown.first().kind, BoxKind::Error);
        QVERIFY(!Form1->connection->link.isOpen());
        QCOMPARE(Form1->connection->Version->text(), versionShown);
        QCOMPARE(Form1->connection->Button1->text(), QStringLiteral("Connect"));
        QCOMPARE(Form1->connection->Panel1->caption(), QStringLiteral("Not Connected"));
        QVERIFY(deviceButtonsDisabled());
        QVERIFY(Form1->connection->Button2->isEnabled());
    }

    void portThatDoesNotOpen()
    {
        Form1->connection->link.comport = 2; // as typed in the setup dialog; only one port is listed
        Form1->connection->Button1Click();
        QCOMPARE(prompts->texts(), QStringList{kErrorConnecting});
        QCOMPARE(Form1->connection->link.comport, 2);
        QCOMPARE(sim->device().received(), QByteArray());
    }

    void noPortFound()
    {
        sim.reset(); // no VANTRELOCK_PORT
        if (!systemDevicePorts().isEmpty())
            QSKIP("this machine has a USB serial port");
        Form1->connection->Button1Click();
        QCOMPARE(prompts->texts(), QStringList{kPortNotFound});
        QCOMPARE(Form1->connection->link.comport, 0);
    }

    // A goodbye that does not come is a warning, never "Disconnected" read from stale bytes,
    // and the disconnect completes anyway.
    void disconnectFromASilentDevice()
    {
        Form1->connection->Button1Click();
        QVERIFY(Form1->connection->link.isOpen());
        sim->device().setFault("disconnect", {sim::FaultKind::Silent, 0, {}});
        const QByteArray stale("Disconnected");
        std::copy(stale.begin(), stale.end(), Form1->connection->link.buf.begin());
        Form1->connection->Button1Click();
        QCOMPARE(prompts->texts(), QStringList{kErrorDisconnecting});
        QCOMPARE(prompts->shown.first().kind, BoxKind::Warning);
        QVERIFY(!Form1->connection->link.isOpen());
        verifyDisconnectedDisplay();
        QVERIFY(deviceButtonsDisabled());
    }

    void linkDroppedThenConnectAgain()
    {
        Form1->connection->Button1Click();
        Form1->connection->dropLink(kNoResponse);
        QCOMPARE(prompts->texts(), QStringList{kNoResponse});
        QVERIFY(!Form1->connection->link.isOpen());
        QVERIFY(deviceButtonsDisabled());
        QVERIFY(Form1->connection->Button2->isEnabled());
        QCOMPARE(Form1->connection->Button1->text(), QStringLiteral("Disconnect"));
        QCOMPARE(Form1->connection->Panel1->caption(), QStringLiteral("Connected"));

        // A failed connect from here keeps showing "Connected".
        sim->device().setFault("greeting", {sim::FaultKind::Wrong, 0, "c"});
        Form1->connection->Button1Click();
        QCOMPARE(prompts->texts().last(), kErrorConnecting);
        QVERIFY(!Form1->connection->link.isOpen());
        QCOMPARE(Form1->connection->Panel1->caption(), QStringLiteral("Connected"));

        sim->device().clearFaults();
        sim->device().clearReceived();
        Form1->connection->Button1Click();
        QVERIFY(Form1->connection->link.isOpen());
        QVERIFY(sim->device().received().startsWith("Connect"));
        QVERIFY(deviceButtonsEnabled());
        QCOMPARE(prompts->shown.size(), 2);
    }

    void oldFirmwareHidesSettingsForGood()
    {
        startDevice({"1.08  ", "OLD00001"});
        Form1->connection->Button1Click();
        QVERIFY(Form1->connection->Button10->isHidden());
        QVERIFY(Form1->connection->Button10->isEnabled()); // only its visibility changes
        Form1->connection->Button1Click();

        startDevice({"1.24 r", "NEW00002"});
        Form1->connection->Button1Click();
        QVERIFY(Form1->connection->link.isOpen());
        QVERIFY(Form1->connection->Button10->isHidden());
        QVERIFY(Form1->connection->rallycross);
    }

    void versionThatIsNotANumberKeepsSettings()
    {
        startDevice({"beta  ", "BETA0001"});
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Form1->connection->Button1Click();
        QLocale::setDefault(QLocale::c());
        QVERIFY(Form1->connection->link.isOpen());
        QVERIFY(!Form1->connection->Button10->isHidden());
        QVERIFY(Form1->connection->Button10->isEnabled());
    }

    void closingWhileConnectedSaysGoodbye()
    {
        Form1->connection->Button1Click();
        sim->device().clearReceived();
        Form1->close();
        QCOMPARE(sim->device().received(), QByteArray("D"));
        QVERIFY(!Form1->connection->link.isOpen());
    }
};

MIRELON_TEST_MAIN(ConnectWindowTest)
#include "test_connect_window.moc"
