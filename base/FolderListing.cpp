#include "base/FolderListing.h"

#include "base/SystemCalls.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <cstring>

#ifndef _WIN32
#include <dirent.h>
#endif

namespace files {

#ifdef _WIN32
namespace {
// A Windows file's size and time of last write, as its folder listing or its attributes give them.
Stamp stampOfWindows(DWORD sizeHigh, DWORD sizeLow, FILETIME written)
{
    return {qint64((quint64(sizeHigh) << 32) | sizeLow),
            modifiedMsOfFileTime((quint64(written.dwHighDateTime) << 32) | written.dwLowDateTime)};
}
} // namespace

std::vector<FolderEntry> listFolder(const QString &folder, QStringView suffix, bool stamps)
{
    std::vector<FolderEntry> entries;
    WIN32_FIND_DATAW found;
    const QString pattern = QDir::toNativeSeparators(QDir(folder).filePath(QStringLiteral("*")));
    const HANDLE search = FindFirstFileExW(reinterpret_cast<const wchar_t *>(pattern.utf16()), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE)
        return entries;
    do {
        const QString name = QString::fromWCharArray(found.cFileName);
        if (name == QLatin1String(".") || name == QLatin1String("..") || !name.endsWith(suffix, Qt::CaseInsensitive))
            continue;
        FolderEntry entry{name, !(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)), {}};
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            // A link: what it leads to counts.
            entry.stamp = stampOf(QDir(folder).filePath(name));
            entry.file = entry.stamp.has_value();
        } else if (entry.file) {
            entry.stamp = stampOfWindows(found.nFileSizeHigh, found.nFileSizeLow, found.ftLastWriteTime);
        }
        if (!stamps)
            entry.stamp.reset();
        entries.push_back(std::move(entry));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return entries;
}

std::optional<Stamp> stampOf(const QString &path)
{
    const HANDLE file = CreateFileW(sys::wide(path), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = GetFileInformationByHandle(file, &info) && GetFileType(file) == FILE_TYPE_DISK
                    && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    CloseHandle(file);
    if (!ok)
        return std::nullopt;
    return stampOfWindows(info.nFileSizeHigh, info.nFileSizeLow, info.ftLastWriteTime);
}
#else
namespace {
// Linux and the BSDs name the time st_mtim, macOS st_mtimespec.
template <typename StatT>
qint64 modifiedMsOf(const StatT &st)
{
    const auto ms = [](const timespec &t) { return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000; };
    if constexpr (requires { st.st_mtim; })
        return ms(st.st_mtim);
    else
        return ms(st.st_mtimespec);
}
} // namespace

std::vector<FolderEntry> listFolder(const QString &folder, QStringView suffix, bool stamps)
{
    std::vector<FolderEntry> entries;
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return entries;
    // An ASCII suffix is matched on the name's bytes: the names it leaves out are never decoded.
    const QByteArray asciiSuffix = suffix.toLatin1();
    const bool bytewise = std::all_of(suffix.begin(), suffix.end(), [](QChar c) { return c.unicode() < 0x80; });
    // Each step reads the next name; the folder has an end, however long it is.
    while (const dirent *found = ::readdir(dir)) {
        if (std::strcmp(found->d_name, ".") == 0 || std::strcmp(found->d_name, "..") == 0)
            continue;
        const size_t length = std::strlen(found->d_name), n = size_t(asciiSuffix.size());
        if (bytewise && (length < n || qstrnicmp(found->d_name + length - n, asciiSuffix.constData(), n) != 0))
            continue;
        FolderEntry entry{QFile::decodeName(found->d_name), found->d_type == DT_REG, {}};
        if (!bytewise && !entry.name.endsWith(suffix, Qt::CaseInsensitive))
            continue;
        // A link, or a file system that tells no kinds, is looked at; a stamp needs the look anyway.
        if (found->d_type == DT_LNK || found->d_type == DT_UNKNOWN || (stamps && entry.file)) {
            struct ::stat st{};
            entry.file = ::fstatat(::dirfd(dir), found->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
            if (stamps && entry.file)
                entry.stamp = Stamp{qint64(st.st_size), modifiedMsOf(st)};
        }
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    return entries;
}

std::optional<Stamp> stampOf(const QString &path)
{
    sys::Stat st{};
    if (sys::stat(path, st) != 0 || !sys::isRegular(st))
        return std::nullopt;
    return Stamp{qint64(st.st_size), modifiedMsOf(st)};
}
#endif

qint64 modifiedMsOfFileTime(quint64 fileTime)
{
    // 100-ns steps since 1601-01-01, which is 11644473600 s before 1970-01-01.
    constexpr qint64 kTo1970 = 116444736000000000;
    const qint64 steps = qint64(fileTime) - kTo1970;
    return steps >= 0 ? steps / 10000 : -((-steps + 9999) / 10000);
}

QStringList shownFiles(const QString &folder, const QString &mask)
{
    // "*.txt" and the like are a suffix, matched without a pattern for each of thousands of names.
    const QStringView literal = QStringView(mask).mid(1);
    const bool suffixOnly = mask.startsWith(QLatin1Char('*'))
                            && std::none_of(literal.begin(), literal.end(), [](QChar c) {
                                   return c == QLatin1Char('*') || c == QLatin1Char('?') || c == QLatin1Char('[');
                               });
    const QRegularExpression pattern(suffixOnly ? QString() : QRegularExpression::wildcardToRegularExpression(mask),
                                     QRegularExpression::CaseInsensitiveOption);
    std::vector<std::pair<QString, QString>> named; // folded for the order, and as it is
    for (FolderEntry &entry : listFolder(folder, suffixOnly ? literal : QStringView())) {
        if (entry.file && !entry.name.startsWith(QLatin1Char('.')) && (suffixOnly || pattern.match(entry.name).hasMatch()))
            named.emplace_back(entry.name.toLower(), std::move(entry.name));
    }
    std::sort(named.begin(), named.end());
    QStringList names;
    names.reserve(qsizetype(named.size()));
    for (auto &[folded, name] : named)
        names.append(std::move(name));
    return names;
}

} // namespace files
