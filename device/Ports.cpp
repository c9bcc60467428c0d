#include "device/Ports.h"

#include "app/Errors.h"

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

QStringList devicePortList(const QList<SerialPortEntry> &ports, const QString &override)
{
    if (!override.isEmpty())
        return {override};
    QStringList list;
    for (const SerialPortEntry &port : ports) {
        // An on-board serial port (ttyS*) is never the device: it has no USB vendor.
        if (port.hasUsbVendor)
            list.append(port.systemLocation);
    }
    std::sort(list.begin(), list.end());
    return list;
}

int onlyPortNumber(const QStringList &list)
{
    return list.size() == 1 ? 1 : 0;
}

int portNumberFromName(const QString &name)
{
    return strToInt(name.mid(3));
}

QStringList systemDevicePorts()
{
    QList<SerialPortEntry> entries;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        entries.append({info.systemLocation(), info.hasVendorIdentifier()});
    return devicePortList(entries, qEnvironmentVariable(kPortEnvironmentVariable));
}

#ifdef Q_OS_WIN
namespace {
// The one value under HKEY_LOCAL_MACHINE\hardware\devicemap\serialcomm, or empty text when the
// key is missing or does not hold exactly one value.
QString onlyRegistryPortName()
{
    HKEY key = HKEY_LOCAL_MACHINE;
    HKEY opened[3] = {nullptr, nullptr, nullptr};
    const wchar_t *steps[3] = {L"hardware", L"devicemap", L"serialcomm"};
    QString result;
    bool ok = true;
    for (int i = 0; i < 3 && ok; ++i) {
        ok = RegOpenKeyExW(key, steps[i], 0, KEY_READ, &opened[i]) == ERROR_SUCCESS;
        if (ok)
            key = opened[i];
    }
    DWORD values = 0;
    if (ok && RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                               nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS
        && values == 1) {
        wchar_t name[256];
        DWORD nameLength = 256;
        wchar_t data[256] = {};
        DWORD dataBytes = sizeof(data) - sizeof(wchar_t);
        DWORD type = 0;
        if (RegEnumValueW(key, 0, name, &nameLength, nullptr, &type,
                          reinterpret_cast<LPBYTE>(data), &dataBytes) == ERROR_SUCCESS
            && type == REG_SZ)
            result = QString::fromWCharArray(data);
    }
    for (HKEY k : opened) {
        if (k)
            RegCloseKey(k);
    }
    return result;
}
} // namespace
#endif

int discoverPortNumber()
{
#ifdef Q_OS_WIN
    const QString name = onlyRegistryPortName();
    return name.isEmpty() ? 0 : portNumberFromName(name);
#else
    return onlyPortNumber(systemDevicePorts());
#endif
}

QString portLocation(int number)
{
#ifdef Q_OS_WIN
    return windowsPortName(number);
#else
    const QStringList list = systemDevicePorts();
    if (number < 1 || number > list.size())
        return {};
    return list.at(number - 1);
#endif
}

QString portNumberHint()
{
#ifdef Q_OS_WIN
    return {};
#else
    const QStringList list = systemDevicePorts();
    if (list.isEmpty())
        return QStringLiteral("No USB serial port found");
    QStringList lines;
    for (int i = 0; i < list.size(); ++i)
        lines.append(QStringLiteral("%1: %2").arg(i + 1).arg(list.at(i)));
    return lines.join(QLatin1Char('\n'));
#endif
}
