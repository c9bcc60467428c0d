#pragma once

// What the store's own sources share: the file's marks, the bounds of its waits, SQLite's result
// codes and the conversions between the columns and the program's values. Only history/'s store
// sources include this.

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QString>
#include <QVariant>

#include <optional>

namespace history::sql {

// "VMH1" in the file's header: a store of this program, not just any SQLite file.
inline constexpr qint64 kApplicationId = 0x564D4831;
// Another process writing (the tool during the window's download) holds the lock for
// milliseconds; a lock held longer than this is a program that keeps it.
inline constexpr int kBusyWaitMs = 1000;
// No statement of the store's own takes near this on any history; one that does is stopped.
inline constexpr int kStatementLimitMs = 20000;

// The most characters of a text column read back: far beyond a serial number (8) or a file's
// name (255 at most on every system).
inline constexpr int kLongestText = 1024;

// SQLite's primary result codes (the low byte of an extended code).
enum SqliteCode { Busy = 5, Locked = 6, ReadOnly = 8, Interrupted = 9, IoError = 10, Corrupt = 11, Full = 13,
                  CantOpen = 14, NotADatabase = 26 };

inline int codeOf(const QSqlError &error)
{
    return error.nativeErrorCode().toInt() & 0xFF;
}

inline bool isDamage(const QSqlError &error)
{
    return codeOf(error) == Corrupt || codeOf(error) == NotADatabase;
}

// An absent value binds as NULL (an invalid QVariant; a typed one would bind its zero).
inline QVariant optional(const std::optional<double> &value)
{
    return value ? QVariant(*value) : QVariant();
}

inline std::optional<double> optionalDouble(const QVariant &value)
{
    return value.isNull() ? std::nullopt : std::optional<double>(value.toDouble());
}

// A null text binds as NULL; the text columns hold an empty text instead.
inline QString text(const QString &value)
{
    return value.isNull() ? QString(QLatin1String("")) : value;
}

inline QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// A path inside `folder` (the Statistics folder beside the store) as the name there; a path
// elsewhere as it is. Compared as texts: the files of the folder are listed with its own path,
// and a file stored there has it too.
inline QString fileIn(const QString &folder, const QString &path)
{
    const QFileInfo info(path);
    if (QDir::cleanPath(info.absolutePath()) == QDir::cleanPath(folder) && !info.fileName().isEmpty())
        return info.fileName();
    return path;
}

inline QString pathIn(const QString &folder, const QString &file)
{
    return QDir::isAbsolutePath(file) ? file : folder + QLatin1Char('/') + file;
}

} // namespace history::sql
