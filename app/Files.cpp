#include "app/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace files {

namespace fs = std::filesystem;

namespace {

// The few system calls the helpers need, the same on every system.
namespace sys {
#ifdef _WIN32
using Stat = struct _stat64;
const wchar_t *wide(const QString &path)
{
    return reinterpret_cast<const wchar_t *>(path.utf16());
}
int open(const QString &path, int flags)
{
    int fd = -1;
    const errno_t e = _wsopen_s(&fd, wide(path), flags | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
                                _S_IREAD | _S_IWRITE);
    errno = e;
    return e == 0 ? fd : -1;
}
constexpr int kRead = _O_RDONLY;
constexpr int kNew = _O_WRONLY | _O_CREAT | _O_EXCL;
int stat(const QString &path, Stat &st) { return _wstat64(wide(path), &st); }
int fstat(int fd, Stat &st) { return _fstat64(fd, &st); }
bool isRegular(const Stat &st) { return (st.st_mode & _S_IFMT) == _S_IFREG; }
bool isFolder(const Stat &st) { return (st.st_mode & _S_IFMT) == _S_IFDIR; }
bool endBlocking(int) { return true; } // nothing opens non-blocking here
long long read(int fd, char *data, long long n) { return _read(fd, data, unsigned(std::min<long long>(n, 1 << 30))); }
long long write(int fd, const char *data, long long n) { return _write(fd, data, unsigned(std::min<long long>(n, 1 << 30))); }
int close(int fd) { return _close(fd); }
void remove(const QString &path) { _wunlink(wide(path)); }
// The errno of a Windows error, for the texts of FileError.
int errnoOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    default:
        return EIO;
    }
}
bool failed()
{
    errno = errnoOf(GetLastError());
    return false;
}
bool flush(int fd)
{
    return FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(fd))) || failed();
}
// Windows renames no file that is open, and deletes none that another process holds open
// (the C runtime opens without FILE_SHARE_DELETE): that keeps a write under way safe from
// removeLeftovers() instead of a lock.
constexpr bool kOpenWhileMoved = false;
bool lock(int) { return true; }
bool stillNamed(int) { return true; }
// MOVEFILE_WRITE_THROUGH returns once the rename is on the disk: the folder needs no flush.
bool move(const QString &from, const QString &to, bool replace)
{
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    return MoveFileExW(wide(from), wide(to), flags) || failed();
}
bool flushFolder(const QString &) { return true; }
// A file that is there and may not be written (a link is not told apart here).
bool refusesWriting(const QString &path) { return _waccess(wide(path), 0) == 0 && _waccess(wide(path), 2) != 0; }
void keepMode(int, const QString &) {}
void removeLeftover(const QString &path) { _wunlink(wide(path)); }
#else
using Stat = struct ::stat;
QByteArray local(const QString &path)
{
    return QFile::encodeName(path);
}
// Non-blocking, so that opening a pipe with nobody at its other end returns at once; the
// descriptor is made blocking again once it is known to be a regular file.
int open(const QString &path, int flags)
{
    int fd;
    do
        fd = ::open(local(path).constData(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    return fd;
}
constexpr int kRead = O_RDONLY;
constexpr int kNew = O_WRONLY | O_CREAT | O_EXCL;
int stat(const QString &path, Stat &st) { return ::stat(local(path).constData(), &st); }
int fstat(int fd, Stat &st) { return ::fstat(fd, &st); }
bool isRegular(const Stat &st) { return S_ISREG(st.st_mode); }
bool isFolder(const Stat &st) { return S_ISDIR(st.st_mode); }
bool endBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags != -1 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != -1;
}
long long read(int fd, char *data, long long n)
{
    ssize_t got;
    do
        got = ::read(fd, data, size_t(n));
    while (got < 0 && errno == EINTR);
    return got;
}
long long write(int fd, const char *data, long long n)
{
    ssize_t put;
    do
        put = ::write(fd, data, size_t(n));
    while (put < 0 && errno == EINTR);
    return put;
}
int close(int fd) { return ::close(fd); }
void remove(const QString &path) { ::unlink(local(path).constData()); }
bool flush(int fd)
{
    int done;
    do
        done = ::fsync(fd);
    while (done != 0 && errno == EINTR);
    return done == 0;
}
// A temporary file stays open and locked until it has its name, so that removeLeftovers() in
// another process can tell it from one that a crash left (a lock ends with its process).
constexpr bool kOpenWhileMoved = true;
// False only when another process holds the lock: removeLeftovers() took the file for a
// leftover. A file system without locks is written unlocked.
bool lock(int fd)
{
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}
// False when the file was removed before it was locked.
bool stillNamed(int fd)
{
    struct ::stat st{};
    return ::fstat(fd, &st) == 0 && st.st_nlink > 0;
}
bool move(const QString &from, const QString &to, bool replace)
{
    const QByteArray source = local(from), target = local(to);
    if (replace)
        return ::rename(source.constData(), target.constData()) == 0;
#ifdef __linux__
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP && errno != EOPNOTSUPP)
        return false;
#endif
    // A second name fails when it is taken; then the temporary name goes.
    if (::link(source.constData(), target.constData()) != 0)
        return false;
    ::unlink(source.constData());
    return true;
}
bool flushFolder(const QString &folder)
{
    const int fd = ::open(local(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // Some file systems flush folders by themselves and refuse the call.
    const bool flushed = flush(fd) || errno == EINVAL || errno == EROFS;
    const int error = errno;
    ::close(fd);
    errno = error;
    return flushed;
}
bool refusesWriting(const QString &path)
{
    struct ::stat st{};
    return ::lstat(local(path).constData(), &st) == 0 && S_ISREG(st.st_mode)
        && ::access(local(path).constData(), W_OK) != 0;
}
// A replaced file keeps who may read it.
void keepMode(int fd, const QString &path)
{
    struct ::stat st{};
    if (::lstat(local(path).constData(), &st) == 0 && S_ISREG(st.st_mode))
        (void)::fchmod(fd, st.st_mode & 07777);
}
void removeLeftover(const QString &path)
{
    const int fd = ::open(local(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    struct ::stat st{};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && lock(fd))
        ::unlink(local(path).constData());
    ::close(fd);
}
#endif
} // namespace sys

std::error_code lastError(int fallback = EIO)
{
    return {errno != 0 ? errno : fallback, std::generic_category()};
}

// An open descriptor that closes itself.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            sys::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    // Closes now and tells whether everything written reached the file.
    bool close() { return m_fd < 0 || sys::close(release()) == 0; }

private:
    int m_fd;
};

// Opens `path`, refusing anything but a regular file. A name that holds no regular file
// (a folder, a pipe with nobody writing) can fail the open itself: it is looked at again so
// the error says what is there.
int openRegular(const QString &path, Access access, int flags)
{
    errno = 0;
    const int fd = sys::open(path, flags);
    sys::Stat st{};
    if (fd < 0) {
        const std::error_code ec = lastError(EACCES);
        if (ec != std::errc::file_exists && sys::stat(path, st) == 0 && !sys::isRegular(st))
            throw FileError::notRegular(path, access, sys::isFolder(st));
        throw FileError(path, access, ec);
    }
    Descriptor file(fd);
    if (sys::fstat(fd, st) != 0)
        throw FileError(path, access, lastError());
    if (!sys::isRegular(st))
        throw FileError::notRegular(path, access, sys::isFolder(st));
    if (!sys::endBlocking(fd))
        throw FileError(path, access, lastError());
    return file.release();
}

void writeAll(const QString &target, int fd, const char *data, qsizetype left)
{
    errno = 0;
    while (left > 0) {
        const long long put = sys::write(fd, data, left);
        if (put <= 0)
            throw FileError(target, Access::Write, lastError());
        data += put;
        left -= qsizetype(put);
    }
}

QString folderOf(const QString &path)
{
    return QFileInfo(path).path();
}

// ".NAME.mirelon-XXXXXX.tmp": hidden, never a run file (*.txt), and recognisable as ours.
QString temporaryName(const QString &target)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString tag;
    for (int i = 0; i < 6; ++i)
        tag += QLatin1Char(letters[QRandomGenerator::global()->bounded(62)]);
    // Short enough that a long name still leaves room for the rest.
    return QStringLiteral(".%1.mirelon-%2.tmp").arg(QFileInfo(target).fileName().left(100), tag);
}

const QRegularExpression &leftoverName()
{
    static const QRegularExpression pattern(QStringLiteral("^\\..*\\.mirelon-[A-Za-z0-9]{6}\\.tmp$"),
                                            QRegularExpression::DotMatchesEverythingOption);
    return pattern;
}

// The first write into a folder in this process clears what a crash left there.
void removeLeftoversOnce(const QString &folder)
{
    static QMutex mutex;
    static QSet<QString> cleared;
    const QString key = QDir(folder).absolutePath();
    {
        const QMutexLocker locker(&mutex);
        if (cleared.contains(key))
            return;
        cleared.insert(key);
    }
    removeLeftovers(folder);
}

// The test seam: who watches the steps, and where the process stops itself.
QMutex observerMutex;
StepObserver stepObserver;

constexpr const char *kStepNames[] = {"created", "writing", "written", "flushed", "placed", "folder-flushed"};

struct StopAt {
    int step = -1;
    int time = 1;
    int seen = 0;
};

StopAt readStopAt()
{
    StopAt stop;
    const QString value = qEnvironmentVariable(kStopAtVariable);
    const QString name = value.section(QLatin1Char(':'), 0, 0);
    for (int i = 0; i < int(std::size(kStepNames)); ++i) {
        if (name == QLatin1String(kStepNames[i]))
            stop.step = i;
    }
    if (value.contains(QLatin1Char(':')))
        stop.time = std::max(1, value.section(QLatin1Char(':'), 1).toInt());
    return stop;
}

void step(WriteStep at, const QString &temporary, const QString &target)
{
    static StopAt stop = readStopAt();
    StepObserver observer;
    bool stopHere = false;
    {
        const QMutexLocker locker(&observerMutex);
        observer = stepObserver;
        stopHere = stop.step == int(at) && ++stop.seen == stop.time;
    }
    if (observer)
        observer(at, temporary, target);
#ifdef SIGSTOP
    if (stopHere)
        std::raise(SIGSTOP);
#else
    (void)stopHere;
#endif
}

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
    : AppError(fileErrorText(ec)), m_path(path), m_access(access), m_reason(std::move(reason))
{
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
    return QStringLiteral("cannot %1 %2: %3")
        .arg(m_access == Access::Read ? QStringLiteral("read") : QStringLiteral("write"),
             QDir::toNativeSeparators(m_path), m_reason);
}

fs::path nativePath(const QString &path)
{
#ifdef _WIN32
    return fs::path(path.toStdWString());
#else
    return fs::path(QFile::encodeName(path).toStdString());
#endif
}

bool isRegularFile(const QString &path)
{
    std::error_code ec;
    return fs::is_regular_file(nativePath(path), ec);
}

void refuseIrregular(const QString &path, Access access)
{
    sys::Stat st{};
    if (sys::stat(path, st) == 0 && !sys::isRegular(st))
        throw FileError::notRegular(path, access, sys::isFolder(st));
}

bool nameTaken(const QString &path)
{
    std::error_code ec;
    return fs::symlink_status(nativePath(path), ec).type() != fs::file_type::not_found && !ec;
}

bool sameFile(const QString &a, const QString &b)
{
    std::error_code ec;
    return fs::equivalent(nativePath(a), nativePath(b), ec) && !ec;
}

QByteArray readFile(const QString &path, qint64 maxBytes, bool *more)
{
    Descriptor file(openRegular(path, Access::Read, sys::kRead));
    QByteArray bytes;
    // One byte beyond the limit tells whether the file holds more.
    constexpr qint64 kChunk = 64 * 1024;
    qint64 wanted = maxBytes + 1;
    errno = 0;
    while (wanted > 0) {
        const qsizetype at = bytes.size();
        const qint64 step = std::min(wanted, kChunk);
        bytes.resize(at + qsizetype(step));
        const long long got = sys::read(file.get(), bytes.data() + at, step);
        if (got < 0)
            throw FileError(path, Access::Read, lastError());
        bytes.resize(at + qsizetype(got));
        if (got == 0)
            break;
        wanted -= got;
    }
    if (more)
        *more = bytes.size() > maxBytes;
    if (bytes.size() > maxBytes)
        bytes.truncate(qsizetype(maxBytes));
    return bytes;
}

PendingFile::PendingFile(const QString &target, const QByteArray &bytes) : m_target(target)
{
    const QString folder = folderOf(target);
    removeLeftoversOnce(folder);
    for (int attempt = 1;; ++attempt) {
        m_temporary = QDir(folder).filePath(temporaryName(target));
        errno = 0;
        const int fd = sys::open(m_temporary, sys::kNew);
        if (fd < 0 && errno == EEXIST && attempt < 100)
            continue;
        if (fd < 0) {
            const std::error_code ec = lastError(EACCES);
            m_temporary.clear();
            throw FileError(target, Access::Write, ec);
        }
        // Another start took the new file for a leftover before it was locked: a new name.
        if (!sys::lock(fd) || !sys::stillNamed(fd)) {
            sys::close(fd);
            m_temporary.clear();
            if (attempt < 100)
                continue;
            throw FileError(target, Access::Write, std::make_error_code(std::errc::resource_unavailable_try_again));
        }
        m_fd = fd;
        break;
    }
    try {
        step(WriteStep::Created, m_temporary, {});
        const qsizetype half = bytes.size() / 2;
        writeAll(target, m_fd, bytes.constData(), half);
        step(WriteStep::Writing, m_temporary, {});
        writeAll(target, m_fd, bytes.constData() + half, bytes.size() - half);
        step(WriteStep::Written, m_temporary, {});
        errno = 0;
        if (!sys::flush(m_fd))
            throw FileError(target, Access::Write, lastError());
        step(WriteStep::Flushed, m_temporary, {});
        if (!sys::kOpenWhileMoved) {
            errno = 0;
            const int fd = m_fd;
            m_fd = -1;
            if (sys::close(fd) != 0)
                throw FileError(target, Access::Write, lastError());
        }
    } catch (...) {
        discard();
        throw;
    }
}

PendingFile::~PendingFile()
{
    discard();
}

void PendingFile::discard()
{
    if (m_fd >= 0)
        sys::close(m_fd);
    m_fd = -1;
    if (!m_temporary.isEmpty())
        sys::remove(m_temporary);
    m_temporary.clear();
}

void PendingFile::replace(const QString &path)
{
    refuseIrregular(path, Access::Write);
    // A file that may not be written is kept, as an open for writing would keep it.
    if (sys::refusesWriting(path))
        throw FileError(path, Access::Write, std::make_error_code(std::errc::permission_denied));
    if (m_fd >= 0)
        sys::keepMode(m_fd, path);
    errno = 0;
    if (!sys::move(m_temporary, path, true))
        throw FileError(path, Access::Write, lastError());
    placed(path);
}

bool PendingFile::placeNew(const QString &path)
{
    errno = 0;
    if (!sys::move(m_temporary, path, false)) {
        if (errno == EEXIST)
            return false;
        throw FileError(path, Access::Write, lastError());
    }
    placed(path);
    return true;
}

void PendingFile::placed(const QString &path)
{
    const QString temporary = m_temporary;
    m_temporary.clear(); // nothing to remove any more
    step(WriteStep::Placed, temporary, path);
    if (m_fd >= 0)
        sys::close(m_fd); // its bytes are flushed; this ends the lock
    m_fd = -1;
    errno = 0;
    if (!sys::flushFolder(folderOf(path)))
        throw FileError(path, Access::Write, lastError());
    step(WriteStep::FolderFlushed, temporary, path);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    writeFiles({{path, bytes}});
}

bool writeNewFile(const QString &path, const QByteArray &bytes)
{
    if (nameTaken(path))
        return false;
    PendingFile file(path, bytes);
    return file.placeNew(path);
}

void writeFiles(const std::vector<std::pair<QString, QByteArray>> &list)
{
    // What would refuse a file is found before anything is written.
    for (const auto &[path, bytes] : list) {
        refuseIrregular(path, Access::Write);
        if (sys::refusesWriting(path))
            throw FileError(path, Access::Write, std::make_error_code(std::errc::permission_denied));
    }
    std::vector<std::unique_ptr<PendingFile>> pending;
    for (const auto &[path, bytes] : list)
        pending.push_back(std::make_unique<PendingFile>(path, bytes));
    for (std::size_t i = 0; i < list.size(); ++i)
        pending[i]->replace(list[i].first);
}

void reportFileSizeLimit()
{
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

void removeLeftovers(const QString &folder)
{
    const QDir dir(folder);
    for (const FolderEntry &entry : listFolder(folder, u".tmp")) {
        if (leftoverName().match(entry.name).hasMatch())
            sys::removeLeftover(dir.filePath(entry.name));
    }
}

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

void setStepObserver(StepObserver observer)
{
    const QMutexLocker locker(&observerMutex);
    stepObserver = std::move(observer);
}

} // namespace files
