#pragma once

// Whole-file reads and writes for the picture's working files; failures throw AppError with the
// file system's text.

#include <QByteArray>
#include <QString>

#include <optional>

namespace picture {

// The file's bytes, or nullopt when it holds more than `limit` bytes (nothing is read then).
std::optional<QByteArray> readFile(const QString &path, qint64 limit);
// Creates or replaces the file with `bytes`.
void writeFile(const QString &path, const QByteArray &bytes);

} // namespace picture
