#include "app/Errors.h"
#include "device/Ports.h"
#include "tests/support/TestSupport.h"

Q_DECLARE_METATYPE(SerialPortEntry)

class PortsTest : public QObject {
    Q_OBJECT
private slots:
    void windowsNames_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("name");
        QTest::newRow("9") << 9 << QStringLiteral("COM9");
        QTest::newRow("10") << 10 << QStringLiteral("\\\\.\\COM10");
        QTest::newRow("123") << 123 << QStringLiteral("\\\\.\\COM123");
        QTest::newRow("1234 loses its last digit") << 1234 << QStringLiteral("\\\\.\\COM123");
    }
    void windowsNames()
    {
        QFETCH(int, number);
        QFETCH(QString, name);
        QCOMPARE(windowsPortName(number), name);
    }

    void discovery_data()
    {
        QTest::addColumn<QList<SerialPortEntry>>("ports");
        QTest::addColumn<QString>("override");
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<int>("found");
        const SerialPortEntry onboard{QStringLiteral("/dev/ttyS0"), false};
        const SerialPortEntry usb0{QStringLiteral("/dev/ttyUSB0"), true};
        const SerialPortEntry acm0{QStringLiteral("/dev/ttyACM0"), true};
        QTest::newRow("none") << QList<SerialPortEntry>{} << QString() << QStringList{} << 0;
        QTest::newRow("only on-board ports") << QList<SerialPortEntry>{onboard} << QString() << QStringList{} << 0;
        QTest::newRow("one USB port") << QList<SerialPortEntry>{onboard, usb0} << QString()
                                      << QStringList{QStringLiteral("/dev/ttyUSB0")} << 1;
        QTest::newRow("two USB ports, sorted")
            << QList<SerialPortEntry>{usb0, acm0} << QString()
            << QStringList{QStringLiteral("/dev/ttyACM0"), QStringLiteral("/dev/ttyUSB0")} << 0;
        QTest::newRow("environment names the one port")
            << QList<SerialPortEntry>{usb0, acm0} << QStringLiteral("/dev/pts/7")
            << QStringList{QStringLiteral("/dev/pts/7")} << 1;
    }
    void discovery()
    {
        QFETCH(QList<SerialPortEntry>, ports);
        QFETCH(QString, override);
        QFETCH(QStringList, list);
        QFETCH(int, found);
        QCOMPARE(devicePortList(ports, override), list);
        QCOMPARE(onlyPortNumber(list), found);
    }

    void registryNames()
    {
        QCOMPARE(portNumberFromName(QStringLiteral("COM12")), 12);
        try {
            portNumberFromName(QStringLiteral("COMx1"));
            QFAIL("a name without a number converted");
        } catch (const AppError &e) {
            QCOMPARE(e.text(), QStringLiteral("'x1' is not a valid integer value"));
        }
    }

    void numbersNameTheSimulatorThroughTheEnvironment()
    {
        SimFixture sim;
        QCOMPARE(discoverPortNumber(), 1);
        QCOMPARE(portLocation(1), sim.path());
        QCOMPARE(portLocation(2), QString());
        QVERIFY(portNumberHint().contains(QStringLiteral("1: ") + sim.path()));
    }
};

MIRELON_TEST_MAIN(PortsTest)
#include "test_ports.moc"
