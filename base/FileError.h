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
    // A file written and renamed into place whose folder then failed to flush: it is there,
    // but the disk did not confirm its name. Says so, not that it could not be written.
    static FileError unconfirmed(const QString &path, std::error_code ec);

    QString description() const;
    const QString &path() const { return m_path; }
    std::error_code code() const { return m_code; }
    // True when the file is in place all the same (unconfirmed()).
    bool placed() const { return m_placed; }

private:
    FileError(const QString &path, Access access, std::error_code ec, QString reason);
    QString m_path;
    Access m_access;
    QString m_reason;
    std::error_code m_code;
    bool m_placed = false;
};

} // namespace files
