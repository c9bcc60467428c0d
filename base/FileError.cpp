#include "base/FileError.h"

#include <QDir>

namespace files {

namespace {

QString reasonFor(std::error_code ec, Access access)
{
    if (ec == std::errc::no_such_file_or_directory)
        return access == Access::Read ? QStringLiteral("there is no such file")
                                      : QStringLiteral("its folder does not exist");
    if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted)
        return QStringLiteral("permission denied");
    if (ec == std::errc::read_only_file_system)
        return QStringLiteral("the disk is read-only");
    if (ec == std::errc::no_space_on_device)
        return QStringLiteral("the disk is full");
    if (ec == std::errc::file_too_large)
        return QStringLiteral("the file would pass the size limit for files");
    if (ec == std::errc::file_exists)
        return QStringLiteral("a file of that name already exists");
    if (ec == std::errc::is_a_directory)
        return QStringLiteral("it is a folder");
    if (ec == std::errc::not_a_directory)
        return QStringLiteral("part of the path is not a folder");
    if (ec == std::errc::filename_too_long)
        return QStringLiteral("the name is too long");
    return QString::fromStdString(ec.message()).toLower();
}

} // namespace

FileError::FileError(const QString &path, Access access, std::error_code ec)
    : FileError(path, access, ec, reasonFor(ec, access))
{
}

FileError::FileError(const QString &path, Access access, std::error_code ec, QString reason)
    : AppError(fileErrorText(ec)), m_path(path), m_access(access), m_reason(std::move(reason)), m_code(ec)
{
}

FileError FileError::unconfirmed(const QString &path, std::error_code ec)
{
    FileError error(path, Access::Write, ec);
    // The windows' text too: the file is there, and the message must not say otherwise.
    static_cast<AppError &>(error) = AppError(QStringLiteral("%1 was written, but the disk did not confirm it: %2")
                                                  .arg(QDir::toNativeSeparators(path), fileErrorText(ec)));
    error.m_placed = true;
    return error;
}

FileError FileError::notRegular(const QString &path, Access access, bool folder)
{
    // The windows say what the runtime says of a folder opened as a file.
    return FileError(path, access, std::make_error_code(std::errc::permission_denied),
                     folder ? QStringLiteral("it is a folder")
                            : QStringLiteral("it is not a regular file (a pipe, socket or device)"));
}

QString FileError::description() const
{
    if (m_placed)
        return QStringLiteral("%1 was written, but the disk did not confirm it: %2")
            .arg(QDir::toNativeSeparators(m_path), m_reason);
    return QStringLiteral("cannot %1 %2: %3")
        .arg(m_access == Access::Read ? QStringLiteral("read") : QStringLiteral("write"),
             QDir::toNativeSeparators(m_path), m_reason);
}

} // namespace files
