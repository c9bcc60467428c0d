#include "device/Ports.h"

#include "base/Errors.h"

#include <QSerialPortInfo>
#include <QtGlobal>

#include <algorithm>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

QString windowsPortName(int number)
{
    const QString name = QStringLiteral("COM%1").arg(number);
    if (number >= 1 && number <= 9)
        return name;
    return (QStringLiteral("\\\\.\\") + name).left(10);
}

QStringList devicePortList(PortSystem system, const QList<SerialPortEntry> &ports,
                           const QString &override)
{
    if (!override.isEmpty())
        return {override};
    QStringList list;
    for (const SerialPortEntry &port : ports) {
        // An on-board serial port (ttyS*) is never the device: it has no USB vendor.
        if (!port.hasUsbVendor)
            continue;
        if (system == PortSystem::MacOS && !port.systemLocation.startsWith(QLatin1String("/dev/cu.")))
            continue;
        list.append(port.systemLocation);
    }
    std::sort(list.begin(), list.end());
    return list;
}

int discoveredPortNumber(PortSystem system, const QStringList &list)
{
    if (list.size() != 1)
        return 0;
    if (system != PortSystem::Windows)
        return 1;
    return list.front().isEmpty() ? 0 : portNumberFromName(list.front());
}

QString portLocationFor(PortSystem system, int number, const QStringList &list)
{
    if (system == PortSystem::Windows)
        return windowsPortName(number);
    if (number < 1 || number > list.size())
        return {};
    return list.at(number - 1);
}

int portNumberFromName(const QString &name)
{
    return strToInt(name.mid(3));
}

QString portOpenAdvice(PortSystem system, bool refused, bool accessible)
{
    if (!refused)
        return {};
    if (system == PortSystem::Windows || accessible)
        return QStringLiteral("Another program is using the port: close it, then connect again.");
    if (system == PortSystem::Linux)
        return QStringLiteral("Your user may not use the port: add it to the dialout group "
                              "(sudo usermod -aG dialout $USER), then log out and in again.");
    return QStringLiteral("Your user may not use the port: ask the computer's administrator for access.");
}

QStringList systemDevicePorts()
{
    QList<SerialPortEntry> entries;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        entries.append({info.systemLocation(), info.hasVendorIdentifier()});
    return devicePortList(kThisSystem, entries, qEnvironmentVariable(kPortEnvironmentVariable));
}

namespace {
#ifdef Q_OS_WIN
// The port names listed under HKEY_LOCAL_MACHINE\hardware\devicemap\serialcomm, one per value
// (empty text for a value that cannot be read); none when the key cannot be opened.
QStringList registryPortNames()
{
    HKEY key = HKEY_LOCAL_MACHINE;
    HKEY opened[3] = {nullptr, nullptr, nullptr};
    const wchar_t *steps[3] = {L"hardware", L"devicemap", L"serialcomm"};
    QStringList names;
    bool ok = true;
    for (int i = 0; i < 3 && ok; ++i) {
        ok = RegOpenKeyExW(key, steps[i], 0, KEY_READ, &opened[i]) == ERROR_SUCCESS;
        if (ok)
            key = opened[i];
    }
    DWORD values = 0;
    if (ok && RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                               nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        for (DWORD i = 0; i < values; ++i) {
            wchar_t name[256];
            DWORD nameLength = 256;
            wchar_t data[256] = {};
            DWORD dataBytes = sizeof(data) - sizeof(wchar_t);
            DWORD type = 0;
            const bool read = RegEnumValueW(key, i, name, &nameLength, nullptr, &type,
                                            reinterpret_cast<LPBYTE>(data), &dataBytes)
                                  == ERROR_SUCCESS
                              && type == REG_SZ;
            names.append(read ? QString::fromWCharArray(data) : QString());
        }
    }
    for (HKEY k : opened) {
        if (k)
            RegCloseKey(k);
    }
    return names;
}
#endif

// The list port numbers refer to here: the registry's port names on Windows, else the device
// ports.
QStringList systemPortList()
{
#ifdef Q_OS_WIN
    return registryPortNames();
#else
    return systemDevicePorts();
#endif
}
} // namespace

int discoverPortNumber()
{
    return discoveredPortNumber(kThisSystem, systemPortList());
}

QString portLocation(int number)
{
    return portLocationFor(kThisSystem, number, systemPortList());
}

QString portNumberHint()
{
    if (kThisSystem == PortSystem::Windows)
        return {}; // the number is the COM number that Device Manager shows
    const QStringList list = systemDevicePorts();
    if (list.isEmpty())
        return QStringLiteral("No USB serial port found");
    QStringList lines;
    for (int i = 0; i < list.size(); ++i)
        lines.append(QStringLiteral("%1: %2").arg(i + 1).arg(list.at(i)));
    return lines.join(QLatin1Char('\n'));
}
