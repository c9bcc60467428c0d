#pragma once

#include "base/Errors.h"

#include <QString>

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

} // namespace files
