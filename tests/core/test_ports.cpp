#include "base/Errors.h"
#include "device/Connection.h"
#include "device/Ports.h"
#include "device/SerialLink.h"

#include <QFile>
#include <QTest>

Q_DECLARE_METATYPE(SerialPortEntry)

class PortsTest : public QObject {
    Q_OBJECT

    static void addPortColumns()
    {
        QTest::addColumn<QList<SerialPortEntry>>("ports");
        QTest::addColumn<QString>("override");
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<int>("found");
    }
    // Linux and macOS: the list of device ports, discovery, and number n opening entry n.
    static void checkPorts(PortSystem system)
    {
        QFETCH(QList<SerialPortEntry>, ports);
        QFETCH(QString, override);
        QFETCH(QStringList, list);
        QFETCH(int, found);
        QCOMPARE(devicePortList(system, ports, override), list);
        QCOMPARE(discoveredPortNumber(system, list), found);
        for (int i = 0; i < list.size(); ++i)
            QCOMPARE(portLocationFor(system, i + 1, list), list.at(i));
        QCOMPARE(portLocationFor(system, 0, list), QString());
        QCOMPARE(portLocationFor(system, int(list.size()) + 1, list), QString());
    }

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
        // On Windows the number alone names the port, whatever the registry lists.
        QCOMPARE(portLocationFor(PortSystem::Windows, number, {QStringLiteral("COM3")}), name);
    }

    // Windows discovery: the registry must list exactly one port, and its name holds the number.
    void windowsDiscovery_data()
    {
        QTest::addColumn<QStringList>("registry");
        QTest::addColumn<int>("found");
        QTest::newRow("none") << QStringList{} << 0;
        QTest::newRow("one") << QStringList{QStringLiteral("COM3")} << 3;
        QTest::newRow("one from 10 on") << QStringList{QStringLiteral("COM12")} << 12;
        QTest::newRow("two") << QStringList{QStringLiteral("COM3"), QStringLiteral("COM4")} << 0;
        QTest::newRow("an unreadable value") << QStringList{QString()} << 0;
        QTest::newRow("one readable, one not") << QStringList{QStringLiteral("COM3"), QString()} << 0;
    }
    void windowsDiscovery()
    {
        QFETCH(QStringList, registry);
        QFETCH(int, found);
        QCOMPARE(discoveredPortNumber(PortSystem::Windows, registry), found);
    }

    // Linux: the USB serial ports, in the order of their paths.
    void linuxPorts_data()
    {
        addPortColumns();
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
    void linuxPorts() { checkPorts(PortSystem::Linux); }

    // macOS lists every adapter twice, as a call-out (cu) and a dial-in (tty) device: one
    // adapter must still be the only port.
    void macPorts_data()
    {
        addPortColumns();
        const SerialPortEntry cuA{QStringLiteral("/dev/cu.usbserial-A10K"), true};
        const SerialPortEntry ttyA{QStringLiteral("/dev/tty.usbserial-A10K"), true};
        const SerialPortEntry cuB{QStringLiteral("/dev/cu.usbmodem1421"), true};
        const SerialPortEntry ttyB{QStringLiteral("/dev/tty.usbmodem1421"), true};
        const SerialPortEntry bluetooth{QStringLiteral("/dev/cu.Bluetooth-Incoming-Port"), false};
        QTest::newRow("one adapter") << QList<SerialPortEntry>{ttyA, bluetooth, cuA} << QString()
                                     << QStringList{QStringLiteral("/dev/cu.usbserial-A10K")} << 1;
        QTest::newRow("two adapters, sorted")
            << QList<SerialPortEntry>{ttyA, cuA, ttyB, cuB} << QString()
            << QStringList{QStringLiteral("/dev/cu.usbmodem1421"), QStringLiteral("/dev/cu.usbserial-A10K")}
            << 0;
        QTest::newRow("only the Bluetooth port") << QList<SerialPortEntry>{bluetooth} << QString()
                                                 << QStringList{} << 0;
        QTest::newRow("environment names the one port, any name")
            << QList<SerialPortEntry>{cuA} << QStringLiteral("/dev/ttys004")
            << QStringList{QStringLiteral("/dev/ttys004")} << 1;
    }
    void macPorts() { checkPorts(PortSystem::MacOS); }

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

    void numbersNameTheEnvironmentsPort()
    {
        const QString path = QStringLiteral("/dev/pts/77");
        qputenv(kPortEnvironmentVariable, QFile::encodeName(path));
        QCOMPARE(discoverPortNumber(), 1);
        QCOMPARE(portLocation(1), path);
        QCOMPARE(portLocation(2), QString());
        QVERIFY(portNumberHint().contains(QStringLiteral("1: ") + path));
        qunsetenv(kPortEnvironmentVariable);
    }

    // A port the system refuses gets a line on what to do; one that is merely missing, none.
    void openAdvice_data()
    {
        QTest::addColumn<int>("system");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("accessible");
        QTest::addColumn<QString>("advice");
        const QString dialout = QStringLiteral("Your user may not use the port: add it to the dialout group "
                                               "(sudo usermod -aG dialout $USER), then log out and in again.");
        const QString inUse = QStringLiteral("Another program is using the port: close it, then connect again.");
        const int onLinux = int(PortSystem::Linux), onMac = int(PortSystem::MacOS), onWindows = int(PortSystem::Windows);
        QTest::newRow("Linux, not refused") << onLinux << false << false << QString();
        QTest::newRow("Linux, no rights") << onLinux << true << false << dialout;
        QTest::newRow("Linux, in use") << onLinux << true << true << inUse;
        QTest::newRow("macOS, no rights") << onMac << true << false
                                          << QStringLiteral("Your user may not use the port: ask the "
                                                            "computer's administrator for access.");
        QTest::newRow("macOS, in use") << onMac << true << true << inUse;
        QTest::newRow("Windows, refused") << onWindows << true << false << inUse;
        QTest::newRow("Windows, not refused") << onWindows << false << false << QString();
    }
    void openAdvice()
    {
        QFETCH(int, system);
        QFETCH(bool, refused);
        QFETCH(bool, accessible);
        QFETCH(QString, advice);
        QCOMPARE(portOpenAdvice(PortSystem(system), refused, accessible), advice);
    }

    // A port that is missing is no refusal: Connect's message stays as it is.
    void connectMessage()
    {
        SerialLink link;
        QVERIFY(!link.openLocation(QStringLiteral("/dev/no-such-port")));
        QCOMPARE(openFailureMessage(link), QStringLiteral("Error Connecting to Vantrelock"));
    }
};

QTEST_GUILESS_MAIN(PortsTest)
#include "test_ports.moc"
