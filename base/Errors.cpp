#include "base/Errors.h"

#include <cerrno>

AppError conversionError(const QString &text)
{
    return AppError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

QString fileErrorText(std::error_code ec)
{
    if (ec == std::errc::no_such_file_or_directory)
        return QStringLiteral("File not found");
    if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted
        || ec == std::errc::read_only_file_system)
        return QStringLiteral("File access denied");
    if (ec == std::errc::too_many_files_open)
        return QStringLiteral("Too many open files");
    if (ec == std::errc::no_space_on_device)
        return QStringLiteral("Disk full");
    return QStringLiteral("I/O error %1").arg(ec.value());
}

AppError fileError(std::error_code ec)
{
    return AppError(fileErrorText(ec));
}

AppError fileErrorFromErrno(int err)
{
    return fileError(std::error_code(err, std::generic_category()));
}

int strToInt(const QString &text)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    const int value = trimmed.toInt(&ok, 10);
    // toInt accepts a leading sign and nothing else but digits.
    if (!ok || trimmed.isEmpty())
        throw conversionError(text);
    return value;
}

QString printable(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code < 0x20 || (code >= 0x7F && code <= 0x9F))
            out += QStringLiteral("\\x") + QString::number(code, 16).toUpper().rightJustified(2, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}
