#pragma once

// The few system calls the file helpers need, the same on every system. Only base/'s own
// sources include this.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <system_error>

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

namespace files::sys {

#ifdef _WIN32
using Stat = struct _stat64;
inline const wchar_t *wide(const QString &path)
{
    return reinterpret_cast<const wchar_t *>(path.utf16());
}
inline int open(const QString &path, int flags)
{
    int fd = -1;
    const errno_t e = _wsopen_s(&fd, wide(path), flags | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
                                _S_IREAD | _S_IWRITE);
    errno = e;
    return e == 0 ? fd : -1;
}
constexpr int kRead = _O_RDONLY;
constexpr int kNew = _O_WRONLY | _O_CREAT | _O_EXCL;
constexpr int kInPlace = _O_WRONLY | _O_TRUNC;
inline int stat(const QString &path, Stat &st) { return _wstat64(wide(path), &st); }
inline int fstat(int fd, Stat &st) { return _fstat64(fd, &st); }
inline bool isRegular(const Stat &st) { return (st.st_mode & _S_IFMT) == _S_IFREG; }
inline bool isFolder(const Stat &st) { return (st.st_mode & _S_IFMT) == _S_IFDIR; }
inline bool endBlocking(int) { return true; } // nothing opens non-blocking here
inline long long read(int fd, char *data, long long n) { return _read(fd, data, unsigned(std::min<long long>(n, 1 << 30))); }
inline long long write(int fd, const char *data, long long n) { return _write(fd, data, unsigned(std::min<long long>(n, 1 << 30))); }
inline int close(int fd) { return _close(fd); }
inline void remove(const QString &path) { _wunlink(wide(path)); }
// The errno of a Windows error, for the texts of FileError.
inline int errnoOf(DWORD error)
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
inline bool failed()
{
    errno = errnoOf(GetLastError());
    return false;
}
inline bool flush(int fd)
{
    return FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(fd))) || failed();
}
// Windows renames no file that is open, and deletes none that another process holds open
// (the C runtime opens without FILE_SHARE_DELETE): that keeps a write under way safe from
// removeLeftovers() instead of a lock.
constexpr bool kOpenWhileMoved = false;
inline bool lock(int) { return true; }
inline bool stillNamed(int) { return true; }
// MOVEFILE_WRITE_THROUGH returns once the rename is on the disk: the folder needs no flush.
inline bool move(const QString &from, const QString &to, bool replace)
{
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    return MoveFileExW(wide(from), wide(to), flags) || failed();
}
inline bool flushFolder(const QString &) { return true; }
// An old file set aside while a set is placed.
inline bool keepAside(const QString &from, const QString &to) { return move(from, to, true); }
// A file that is there and may not be written (a link is not told apart here).
inline bool refusesWriting(const QString &path) { return _waccess(wide(path), 0) == 0 && _waccess(wide(path), 2) != 0; }
inline void keepMode(int, const QString &) {}
inline void removeLeftover(const QString &path) { _wunlink(wide(path)); }
#else
using Stat = struct ::stat;
inline QByteArray local(const QString &path)
{
    return QFile::encodeName(path);
}
// Non-blocking, so that opening a pipe with nobody at its other end returns at once; the
// descriptor is made blocking again once it is known to be a regular file.
inline int open(const QString &path, int flags)
{
    int fd;
    do
        fd = ::open(local(path).constData(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    return fd;
}
constexpr int kRead = O_RDONLY;
constexpr int kNew = O_WRONLY | O_CREAT | O_EXCL;
constexpr int kInPlace = O_WRONLY | O_TRUNC | O_NOFOLLOW; // a link there is never followed
inline int stat(const QString &path, Stat &st) { return ::stat(local(path).constData(), &st); }
inline int fstat(int fd, Stat &st) { return ::fstat(fd, &st); }
inline bool isRegular(const Stat &st) { return S_ISREG(st.st_mode); }
inline bool isFolder(const Stat &st) { return S_ISDIR(st.st_mode); }
inline bool endBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags != -1 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != -1;
}
inline long long read(int fd, char *data, long long n)
{
    ssize_t got;
    do
        got = ::read(fd, data, size_t(n));
    while (got < 0 && errno == EINTR);
    return got;
}
inline long long write(int fd, const char *data, long long n)
{
    ssize_t put;
    do
        put = ::write(fd, data, size_t(n));
    while (put < 0 && errno == EINTR);
    return put;
}
inline int close(int fd) { return ::close(fd); }
inline void remove(const QString &path) { ::unlink(local(path).constData()); }
inline bool flush(int fd)
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
inline bool lock(int fd)
{
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}
// False when the file was removed before it was locked.
inline bool stillNamed(int fd)
{
    struct ::stat st{};
    return ::fstat(fd, &st) == 0 && st.st_nlink > 0;
}
inline bool move(const QString &from, const QString &to, bool replace)
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
// An old file kept aside while a set is placed: a second name, so the file stays where it is
// until the new one replaces it; moved where the file system has no second names.
inline bool keepAside(const QString &from, const QString &to)
{
    const QByteArray source = local(from), target = local(to);
    return ::link(source.constData(), target.constData()) == 0 || ::rename(source.constData(), target.constData()) == 0;
}
inline bool flushFolder(const QString &folder)
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
inline bool refusesWriting(const QString &path)
{
    struct ::stat st{};
    return ::lstat(local(path).constData(), &st) == 0 && S_ISREG(st.st_mode)
        && ::access(local(path).constData(), W_OK) != 0;
}
// A replaced file keeps who may read it.
inline void keepMode(int fd, const QString &path)
{
    struct ::stat st{};
    if (::lstat(local(path).constData(), &st) == 0 && S_ISREG(st.st_mode))
        (void)::fchmod(fd, st.st_mode & 07777);
}
inline void removeLeftover(const QString &path)
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

inline std::error_code lastError(int fallback = EIO)
{
    return {errno != 0 ? errno : fallback, std::generic_category()};
}

} // namespace files::sys
