#include "stats/RunFileTransfer.h"

#include "base/Errors.h"
#include "base/Files.h"
#include "device/Connection.h"
#include "device/SerialLink.h"
#include "device/StatusReply.h"
#include "stats/RunFile.h"

#include <QDir>

#include <optional>

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

// Windows takes these names for devices, whatever extension follows ("NUL.txt", "NUL.a.txt"),
// and COM and LPT with a superscript digit too.
bool isWindowsDeviceName(const QString &stem)
{
    static const QStringList names = [] {
        QStringList list{QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"), QStringLiteral("NUL"),
                         QStringLiteral("CONIN$"), QStringLiteral("CONOUT$")};
        for (const QString &digit : {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                     QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"),
                                     QStringLiteral("8"), QStringLiteral("9"), QStringLiteral("\u00B9"),
                                     QStringLiteral("\u00B2"), QStringLiteral("\u00B3")})
            list << QStringLiteral("COM") + digit << QStringLiteral("LPT") + digit;
        return list;
    }();
    return names.contains(stem, Qt::CaseInsensitive);
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
        const Status status = readStatus(link, AfterRefusal::Nothing);
        if (status == Status::TimedOut)
            return false;
        if (status != Status::Ok)
            continue; // the device has no data for this file
        // Stored only once it is all here, so that a run file on disk is always whole.
        if (!received(link, length))
            return false;
        const QByteArray data = link.bytes(length);
        try {
            stored.append(storeRunFile(folder, base, data));
        } catch (const files::FileError &e) {
            if (!e.placed())
                throw;
            // In place, though the disk did not confirm it: stored, and told as stored, so that
            // it is listed and recorded, and never stored again under another name.
            stored.append(e.path());
            if (observer.stored)
                observer.stored({stored.constLast(), data, rallycross});
            throw;
        }
        if (observer.stored)
            observer.stored({stored.constLast(), data, rallycross});
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
    // The part before the first dot decides; Windows drops the spaces and dots that end it.
    const qsizetype dot = base.indexOf(QLatin1Char('.'));
    qsizetype stemEnd = dot < 0 ? base.size() : dot;
    while (stemEnd > 0 && base.at(stemEnd - 1) == QLatin1Char(' '))
        --stemEnd;
    if (isWindowsDeviceName(base.left(stemEnd)))
        base.insert(stemEnd, QLatin1Char('_'));
    // A name starting with a dot (or ".txt" alone) would be hidden on Linux and macOS, and the
    // file list shows no hidden files.
    if (base.isEmpty() || base.startsWith(QLatin1Char('.')))
        base.prepend(QLatin1Char('_'));
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
    files::PendingFile file(QDir(folder).filePath(base + QStringLiteral(".txt")), data);
    for (;;) {
        // A file that appeared meanwhile is never replaced; the next name is tried.
        const QString path = uniqueRunFilePath(folder, base);
        if (file.placeNew(path))
            return path;
    }
}

int runFileDataLength(const QString &versionText)
{
    const std::optional<double> version = versionNumber(versionText);
    return version && *version < 1.24 ? runfile::kShortSize : runfile::kFullSize;
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
    // The file count comes where a status would: "ER" (and one byte more) refuses.
    switch (readStatus(link, AfterRefusal::OneMoreByteAfterER)) {
    case Status::TimedOut:
        return end(DownloadResult::End::NoResponse);
    case Status::ER:
        return end(DownloadResult::End::Refused);
    case Status::Ok:
    case Status::Other:
        break; // the count
    }
    if (!receiveFiles(link, folder, twoDigitCount(link), runFileDataLength(versionText), false, result.stored,
                      observer))
        return end(DownloadResult::End::NoResponse);
    if (!rallycross)
        return result;

    link.send_cmda(QStringLiteral("S"));
    link.send_cmda(QStringLiteral("R"));
    switch (readStatus(link, AfterRefusal::OneMoreByte)) {
    case Status::TimedOut:
        return end(DownloadResult::End::NoResponse);
    case Status::ER:
    case Status::Other:
        return end(DownloadResult::End::RallycrossNotFound);
    case Status::Ok:
        break;
    }
    if (!received(link, 2))
        return end(DownloadResult::End::NoResponse);
    if (!receiveFiles(link, folder, twoDigitCount(link), runfile::kRallycrossSize, true, result.stored, observer))
        return end(DownloadResult::End::NoResponse);
    return result;
}

DeviceDeleteEnd deleteDeviceRunFiles(SerialLink &link, bool rallycross)
{
    link.send_cmda(QStringLiteral("S"));
    link.send_cmda(QStringLiteral("D"));
    // Each step's status, or how the deletion ends when it is not "OK".
    const auto step = [&link](DeviceDeleteEnd refused) -> std::optional<DeviceDeleteEnd> {
        switch (readStatus(link, AfterRefusal::OneMoreByte)) {
        case Status::TimedOut:
            return DeviceDeleteEnd::NoResponse;
        case Status::ER:
        case Status::Other:
            return refused;
        case Status::Ok:
            break;
        }
        return std::nullopt;
    };
    if (const auto end = step(DeviceDeleteEnd::Failed))
        return *end;
    if (!rallycross)
        return DeviceDeleteEnd::Deleted;

    link.send_cmda(QStringLiteral("S"));
    link.send_cmda(QStringLiteral("E"));
    if (const auto end = step(DeviceDeleteEnd::RallycrossNothingToDo))
        return *end;
    if (const auto end = step(DeviceDeleteEnd::RallycrossFailed))
        return *end;
    return DeviceDeleteEnd::Deleted;
}
