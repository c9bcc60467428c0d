#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class SerialLink;

// Bringing the device's run files home and deleting them on the device. Plain exchanges on an
// open link: they show nothing and leave closing the link to the caller.

inline const QString kRallycrossNotFound = QStringLiteral("Rallycross Files NOT Found");
inline const QString kErrorDeletingFiles = QStringLiteral("Error Deleting Statistics Files");
inline const QString kErrorDeletingRallycross = QStringLiteral("Error Deleting Rallycross Files");

// The device's name in an 8-byte name block: the bytes up to the first space, at most 8.
QByteArray deviceFileName(const QByteArray &block);

// The base of a run file's local name: the device's name, with "R" appended for a rallycross
// file, made safe on Windows, Linux and macOS: / \ : * ? " < > | and control characters become
// "_", a Windows device name (CON, NUL, COM1, COM¹ ..., also before a dot: NUL.a) gets "_" after
// it, and a name that would be hidden (empty, or starting with a dot) gets "_" in front.
QString runFileBase(const QByteArray &deviceName, bool rallycross);

// The first of base.txt, base-1.txt, base-2.txt ... whose name is free in `folder` (a link that
// leads nowhere takes its name too).
QString uniqueRunFilePath(const QString &folder, const QString &base);

// Writes `data` to a new file: base.txt or the next free base-N.txt, never replacing a file.
// The file is whole and on the disk under its name when this returns; one that cannot be
// written leaves nothing behind. Throws files::FileError.
QString storeRunFile(const QString &folder, const QString &base, const QByteArray &data);

// Length of an ordinary run file's data block for this version text: 330 below 1.24, 1748 from
// 1.24 on and for a text that does not start with a number.
int runFileDataLength(const QString &versionText);

struct DownloadResult {
    enum class End {
        Complete,
        NoResponse,         // a reply did not come: the link must be dropped
        Refused,            // "ER" to the list request
        RallycrossNotFound, // the device did not offer rallycross files
    };
    End end = End::Complete;
    QStringList stored; // paths of the files written, in order
};

// A run file as it was written: where, its bytes, and whether it came as a rallycross file.
struct StoredRunFile {
    QString path;
    QByteArray data;
    bool rallycross = false;
};

// Told of each file as it comes (for a progress display) and as it is written (for the
// practice history).
struct DownloadObserver {
    std::function<void(bool rallycross, int file, int count)> starting;
    std::function<void(const StoredRunFile &file)> stored;
};

// A download, run with the observer it is given (the window's Load records what it stores into
// the practice history).
using RunFileDownload = std::function<DownloadResult(const DownloadObserver &observer)>;

// Downloads every run file the device offers into `folder` (and its rallycross files when
// `rallycross`), each stored whole under a new name. A data block that stops short ends the
// download as a missing reply does, and leaves no file behind. A file that cannot be written
// throws AppError; files written before stay.
DownloadResult downloadRunFiles(SerialLink &link, const QString &folder, const QString &versionText,
                                bool rallycross, const DownloadObserver &observer = {});

enum class DeviceDeleteEnd {
    Deleted,
    NoResponse,              // a reply did not come: the link must be dropped
    Failed,                  // "S" "D" refused
    RallycrossNothingToDo,   // first answer to "S" "E" not OK: nothing to say
    RallycrossFailed,        // second answer to "S" "E" not OK
};

// Deletes the run files on the device, and its rallycross run files when `rallycross`.
DeviceDeleteEnd deleteDeviceRunFiles(SerialLink &link, bool rallycross);
