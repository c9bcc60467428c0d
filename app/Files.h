#pragma once

// Whole-file reads and writes for everything the program keeps on disk: run files, CSV, the
// picture's working files. Only regular files are opened, so a pipe or device under a file's
// name is refused at once instead of blocking; paths are opened the wide way on Windows.

#include "app/Errors.h"

#include <QByteArray>
#include <QString>

#include <filesystem>
#include <system_error>

namespace files {

enum class Access { Read, Write };

// A file that could not be read or written. `text()` is the runtime's short text that the
// windows show ("File not found"); `description()` names the file and says in words what is
// wrong, for the command-line tool.
class FileError : public AppError {
public:
    FileError(const QString &path, Access access, std::error_code ec);
    // A folder, pipe, device or socket where a file was expected.
    static FileError notRegular(const QString &path, Access access, bool folder);

    QString description() const;

private:
    FileError(const QString &path, Access access, std::error_code ec, QString reason);
    QString m_path;
    Access m_access;
    QString m_reason;
};

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

// Creates or replaces a regular file with `bytes`. A file that could not be written whole is
// removed.
void writeFile(const QString &path, const QByteArray &bytes);
// Creates a file that does not exist yet; false when the name is taken (nothing is touched
// then). A file that could not be written whole is removed.
bool writeNewFile(const QString &path, const QByteArray &bytes);

} // namespace files
