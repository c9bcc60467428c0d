#pragma once

// What a folder holds, read straight from it, and what tells a file changed without reading it.

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <vector>

namespace files {

// What tells a file changed without reading it.
struct Stamp {
    qint64 size = 0;
    qint64 modifiedMs = 0; // since the epoch, in UTC: no time zone to convert for each file
    bool operator==(const Stamp &) const = default;
};
// The stamp of a regular file (a link followed); nothing for anything else or a missing file.
std::optional<Stamp> stampOf(const QString &path);
// A Windows file time (100-ns steps since 1601) as milliseconds since 1970, rounded down.
qint64 modifiedMsOfFileTime(quint64 fileTime);

// A name in a folder, whether it is a regular file or a link to one, and with stamps asked for,
// a file's stamp.
struct FolderEntry {
    QString name;
    bool file = false;
    std::optional<Stamp> stamp;
};
// The names in `folder` itself that end in `suffix` in any case (all names when it is empty),
// read straight from the folder: where the system tells a name's kind with it, as Linux does, a
// file is looked at only for its stamp. A start lists a folder of thousands of run files.
std::vector<FolderEntry> listFolder(const QString &folder, QStringView suffix = {}, bool stamps = false);

// The names a file list shows of `folder`: files only, none hidden (a leading dot), matching the
// wildcard `mask` ("*.txt") in any case, by name in any case.
QStringList shownFiles(const QString &folder, const QString &mask);

} // namespace files
