#include "stats/RunFileTransfer.h"

#include "app/Errors.h"
#include "app/Files.h"
#include "device/Connection.h"
#include "device/SerialLink.h"

#include <QDir>

namespace {

bool received(SerialLink &link, int count)
{
    link.vrcvstra(count);
    return !link.TimeOut;
}

// A two-digit count as the device sends it; other bytes are taken at their code minus 48.
int twoDigitCount(const SerialLink &link)
{
    return (int(link.buf[0]) - 48) * 10 + (int(link.buf[1]) - 48);
}

bool isWindowsDeviceName(const QString &base)
{
    static const QStringList names = [] {
        QStringList list{QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"), QStringLiteral("NUL")};
        for (int i = 1; i <= 9; ++i)
            list << QStringLiteral("COM%1").arg(i) << QStringLiteral("LPT%1").arg(i);
        return list;
    }();
    return names.contains(base, Qt::CaseInsensitive);
}

// Receives `count` files (name, status, data block) and stores the whole ones; false when a reply
// did not come in full.
bool receiveFiles(SerialLink &link, const QString &folder, int count, int length, bool rallycross,
                  QStringList &stored, const DownloadObserver &observer)
{
    for (int file = 1; file <= count; ++file) {
        if (observer.starting)
            observer.starting(rallycross, file, count);
        if (!received(link, 8))
            return false;
        const QString base = runFileBase(deviceFileName(link.bytes(8)), rallycross);
        if (!received(link, 2))
            return false;
        if (link.text(2) != QLatin1String("OK"))
            continue; // the device has no data for this file
        // Stored only once it is all here, so that a run file on disk is always whole.
        if (!received(link, length))
            return false;
        stored.append(storeRunFile(folder, base, link.bytes(length)));
        if (observer.stored)
            observer.stored(stored.constLast());
    }
    return true;
}

} // namespace

QByteArray deviceFileName(const QByteArray &block)
{
    const QByteArray name = block.left(8);
    const qsizetype space = name.indexOf(' ');
    return space < 0 ? name : name.left(space);
}

QString runFileBase(const QByteArray &deviceName, bool rallycross)
{
    QString base = QString::fromLatin1(deviceName);
    for (QChar &c : base) {
        const char16_t code = c.unicode();
        if (code < 0x20 || (code >= 0x7F && code <= 0x9F) || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    }
    if (rallycross)
        base += QLatin1Char('R');
    if (isWindowsDeviceName(base))
        base += QLatin1Char('_');
    return base;
}

QString uniqueRunFilePath(const QString &folder, const QString &base)
{
    const QDir dir(folder);
    QString path = dir.filePath(base + QStringLiteral(".txt"));
    for (int n = 1; files::nameTaken(path); ++n)
        path = dir.filePath(QStringLiteral("%1-%2.txt").arg(base).arg(n));
    return path;
}

QString storeRunFile(const QString &folder, const QString &base, const QByteArray &data)
{
    for (;;) {
        // A file that appeared meanwhile is never replaced; the next name is tried.
        const QString path = uniqueRunFilePath(folder, base);
        if (files::writeNewFile(path, data))
            return path;
    }
}

int runFileDataLength(const QString &versionText)
{
    const std::optional<double> version = versionNumber(versionText);
    return version && *version < 1.24 ? kShortRunFileBytes : kFullRunFileBytes;
}

DownloadResult downloadRunFiles(SerialLink &link, const QString &folder, const QString &versionText,
                                bool rallycross, const DownloadObserver &observer)
{
    DownloadResult result;
    const auto end = [&](DownloadResult::End how) {
        result.end = how;
        return result;
    };

    link.send_cmda(QStringLiteral("S"));
    link.send_cmda(QStringLiteral("L"));
    if (!received(link, 2))
        return end(DownloadResult::End::NoResponse);
    if (link.text(2) == QLatin1String("ER")) {
        link.vrcvstra(1);
        return end(DownloadResult::End::Refused);
    }
    if (!receiveFiles(link, folder, twoDigitCount(link), runFileDataLength(versionText), false, result.stored,
                      observer))
        return end(DownloadResult::End::NoResponse);
    if (!rallycross)
        return result;

    link.send_cmda(QStringLiteral("S"));
    link.send_cmda(QStringLiteral("R"));
    if (!received(link, 2))
        return end(DownloadResult::End::NoResponse);
    if (link.text(2) != QLatin1String("OK")) {
        link.vrcvstra(1);
        return end(DownloadResult::End::RallycrossNotFound);
    }
    if (!received(link, 2))
        return end(DownloadResult::End::NoResponse);
    if (!receiveFiles(link, folder, twoDigitCount(link), kRallycrossRunFileBytes, true, result.stored, observer))
        return end(DownloadResult::End::NoResponse);
    return result;
}

DeviceDeleteEnd deleteDeviceRunFiles(SerialLink &link, bool rallycross)
{
    link.send_cmda(QStringLiteral("S"));
    link.send_cmda(QStringLiteral("D"));
    if (!received(link, 2))
        return DeviceDeleteEnd::NoResponse;
    if (link.text(2) != QLatin1String("OK")) {
        link.vrcvstra(1);
        return DeviceDeleteEnd::Failed;
    }
    if (!rallycross)
        return DeviceDeleteEnd::Deleted;

    link.send_cmda(QStringLiteral("S"));
    link.send_cmda(QStringLiteral("E"));
    if (!received(link, 2))
        return DeviceDeleteEnd::NoResponse;
    if (link.text(2) != QLatin1String("OK")) {
        link.vrcvstra(1);
        return DeviceDeleteEnd::RallycrossNothingToDo;
    }
    if (!received(link, 2))
        return DeviceDeleteEnd::NoResponse;
    if (link.text(2) != QLatin1String("OK")) {
        link.vrcvstra(1);
        return DeviceDeleteEnd::RallycrossFailed;
    }
    return DeviceDeleteEnd::Deleted;
}
