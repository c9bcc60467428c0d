#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// How port numbers map onto the system's serial ports.
//
// On Windows the number n names COMn, and discovery reads the system's list of serial ports
// from the registry. On Linux and macOS the list is the USB serial ports the system reports,
// sorted by device path, and n names the n-th of them (from 1); there a device path in the
// environment variable VANTRELOCK_PORT is the whole list instead (the simulator, odd adapters).

inline constexpr const char *kPortEnvironmentVariable = "VANTRELOCK_PORT";

// The Windows name of COMn: bare for 1 to 9, "\\.\COMn" from 10 on, held to 10 characters.
QString windowsPortName(int number);

struct SerialPortEntry {
    QString systemLocation;
    bool hasUsbVendor = false;
};

// The ports that may be the device: the USB ones, sorted by path; or just `override` when set.
QStringList devicePortList(const QList<SerialPortEntry> &ports, const QString &override);
// 1 when the list holds exactly one port, else 0.
int onlyPortNumber(const QStringList &list);
// The number in a Windows port name such as "COM12"; throws the conversion error.
int portNumberFromName(const QString &name);

// The system's device ports at this moment.
QStringList systemDevicePorts();
// Discovery: the number of the only serial port in the system's list, or 0.
int discoverPortNumber();
// What port number n opens: a device path or system name; empty when there is none.
QString portLocation(int number);
// One line per port number, for a user who has to pick it by hand ("1: /dev/ttyUSB0").
QString portNumberHint();
