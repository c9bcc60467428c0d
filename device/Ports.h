#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// How port numbers map onto the system's serial ports.
//
// On Windows the number n names COMn, and discovery reads the system's list of serial ports
// from the registry. On Linux and macOS the list is the USB serial ports the system reports,
// sorted by device path, and n names the n-th of them (from 1); there a device path in the
// environment variable VANTRELOCK_PORT is the whole list instead (the simulator, odd adapters).
//
// Each system's rule is a plain function of a PortSystem, so that all of them are tested on any
// system; kThisSystem picks the one that applies.

inline constexpr const char *kPortEnvironmentVariable = "VANTRELOCK_PORT";

// Linux stands for every Unix other than macOS.
enum class PortSystem { Linux, MacOS, Windows };

#if defined(Q_OS_WIN)
inline constexpr PortSystem kThisSystem = PortSystem::Windows;
#elif defined(Q_OS_MACOS)
inline constexpr PortSystem kThisSystem = PortSystem::MacOS;
#else
inline constexpr PortSystem kThisSystem = PortSystem::Linux;
#endif

// The Windows name of COMn: bare for 1 to 9, "\\.\COMn" from 10 on, held to 10 characters.
QString windowsPortName(int number);

struct SerialPortEntry {
    QString systemLocation;
    bool hasUsbVendor = false;
};

// Linux and macOS: the ports that may be the device, the USB ones sorted by path, or just
// `override` when set. macOS lists each adapter twice, as the call-out device /dev/cu.* and the
// dial-in device /dev/tty.*; only the call-out one, meant for a program that starts the
// exchange, is kept.
QStringList devicePortList(PortSystem system, const QList<SerialPortEntry> &ports,
                           const QString &override);
// Discovery from the system's list, 0 when it holds no port or several. On Windows the list is
// the registry's port names ("COM3", empty text for a value that cannot be read) and the result
// the number in the only name, which throws the conversion error when that is no number;
// elsewhere the list is devicePortList() and the result 1.
int discoveredPortNumber(PortSystem system, const QStringList &list);
// What port number n opens: COMn on Windows, whatever the list; elsewhere the n-th entry of
// devicePortList(), or empty text when there is none.
QString portLocationFor(PortSystem system, int number, const QStringList &list);
// The number in a Windows port name such as "COM12"; throws the conversion error.
int portNumberFromName(const QString &name);

// The line that follows "Error Connecting to Vantrelock" when a port did not open, saying what
// to do; empty when there is nothing to advise. `refused`: the system refused the port (no
// permission, or in use); `accessible`: the user's rights on the device file allow reading and
// writing it (Linux and macOS), so something else holds the port.
QString portOpenAdvice(PortSystem system, bool refused, bool accessible);

// The system's device ports at this moment.
QStringList systemDevicePorts();
// Discovery: the number of the only serial port in the system's list, or 0.
int discoverPortNumber();
// What port number n opens: a device path or system name; empty when there is none.
QString portLocation(int number);
// One line per port number, for a user who has to pick it by hand ("1: /dev/ttyUSB0").
QString portNumberHint();
