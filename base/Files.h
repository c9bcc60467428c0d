#pragma once

// Whole-file reads and writes for everything the program keeps on disk: run files, CSV, the
// picture's working files. Only regular files are opened, so a pipe or device under a file's
// name is refused at once instead of blocking; paths are opened the wide way on Windows.

#include "base/FileError.h"
#include "base/WriteSteps.h"

#include <QByteArray>
#include <QStringList>
#include <QString>

#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

namespace files {

std::filesystem::path nativePath(const QString &path);

// True for a regular file, or a link to one.
bool isRegularFile(const QString &path);
// Throws when something other than a regular file has that name (a missing file is left to
// the open that follows).
void refuseIrregular(const QString &path, Access access);
// True when anything has that name: a file, a folder, even a link that leads nowhere.
bool nameTaken(const QString &path);
// True when both names lead to the same file.
bool sameFile(const QString &a, const QString &b);


// The first `maxBytes` bytes of a regular file (all of it when shorter); `more` tells whether
// the file holds more than that.
QByteArray readFile(const QString &path, qint64 maxBytes, bool *more = nullptr);

// Writing is all or nothing, and on the disk before a caller reports it. Each file is written
// to a temporary file beside it (".NAME.mirelon-XXXXXX.tmp"), flushed, and renamed into place;
// then its folder is flushed, so that the new name survives a power cut too. A write that fails
// (disk full, file size limit, I/O error) leaves the old file as it was and removes the
// temporary file; one that a crash left is removed by removeLeftovers() at the next start.
// A link standing where the file goes is replaced, never followed.
//
// QSaveFile does not fit: it writes through a link to the file it leads to, cannot place a
// file only when its name is free (run files never replace one), names its temporary file in a
// way a later start could not tell from the user's own files, and does not flush the folder.

// A file's bytes, written whole to a temporary file in the folder of `target` and flushed, not
// yet under a name of its own. Throws FileError naming `target` when they cannot be written;
// nothing is left behind then. The temporary file is removed unless the file was placed.
class PendingFile {
public:
    PendingFile(const QString &target, const QByteArray &bytes);
    ~PendingFile();
    PendingFile(const PendingFile &) = delete;
    PendingFile &operator=(const PendingFile &) = delete;

    // Renames it to `path` (in the same folder), replacing what has that name, and flushes the
    // folder. Throws FileError when a folder, pipe or device has that name, or a file there
    // may not be written.
    void replace(const QString &path);
    // Renames it to `path` only while that name is free, and flushes the folder; false (and
    // still pending) when the name is taken.
    bool placeNew(const QString &path);

private:
    void placed(const QString &path);
    void discard();
    QString m_target;
    QString m_temporary;
    int m_fd = -1; // kept open (and locked) until placed, so removeLeftovers() leaves it alone
};

// Creates or replaces a regular file with `bytes`. A writable file in a folder that may not be
// written (no temporary file can go there) is written in place and flushed instead.
void writeFile(const QString &path, const QByteArray &bytes);
// Creates a file that does not exist yet; false when the name is taken (nothing is touched
// then).
bool writeNewFile(const QString &path, const QByteArray &bytes);
// Creates or replaces several files of one folder as one set: all are written and flushed
// first, and only then renamed into place, in the given order. The old files are kept aside
// (".NAME.mirelon-XXXXXX.old") and named in a journal (".mirelon-set-XXXXXX.journal") until the
// last is placed: a failure puts them all back, and a start after a crash does (see
// removeLeftovers). So the set is all old or all new; put the file that tells it is new last.
void writeFiles(const std::vector<std::pair<QString, QByteArray>> &files);

// Removes the temporary files that a write cut short by a crash left in `folder`, and puts back
// the old files of a set whose writing was cut short; a write still under way in another
// process keeps its own. The first write into a folder does this too.
void removeLeftovers(const QString &folder);

// Makes a write past the file size limit (ulimit -f) fail with EFBIG, which the writers report
// and clean up after, instead of the signal that ends the process without a word.
void failWritesPastSizeLimit();


} // namespace files
