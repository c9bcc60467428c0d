#pragma once

#include <QString>
#include <stdexcept>
#include <system_error>

// An unexpected failure inside an event handler: a number that does not convert, a file or
// folder that cannot be created, read or written. The handler ends and the text is shown in an
// error box with a full stop added.
class AppError : public std::runtime_error {
public:
    explicit AppError(const QString &text) : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString &text() const { return m_text; }

private:
    QString m_text;
};

// "'%s' is not a valid integer value"
AppError conversionError(const QString &text);

// The runtime text for a file-system error: "File not found", "File access denied", "I/O error 5".
QString fileErrorText(std::error_code ec);
AppError fileError(std::error_code ec);
AppError fileErrorFromErrno(int err);

// Text from the device or a file, safe to print on a terminal or to write into a CSV: control
// characters (which could clear the screen or set its title) are shown as \xHH.
QString printable(const QString &text);

// Whole decimal number with an optional sign, as typed by a user; throws the conversion error.
int strToInt(const QString &text);
