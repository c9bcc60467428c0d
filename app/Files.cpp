#include "app/Files.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
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
constexpr int kWrite = _O_WRONLY | _O_CREAT;
constexpr int kNew = _O_WRONLY | _O_CREAT | _O_EXCL;
int stat(const QString &path, Stat &st) { return _wstat64(wide(path), &st); }
int fstat(int fd, Stat &st) { return _fstat64(fd, &st); }
bool isRegular(const Stat &st) { return (st.st_mode & _S_IFMT) == _S_IFREG; }
bool isFolder(const Stat &st) { return (st.st_mode & _S_IFMT) == _S_IFDIR; }
bool endBlocking(int) { return true; } // nothing opens non-blocking here
long long read(int fd, char *data, long long n) { return _read(fd, data, unsigned(std::min<long long>(n, 1 << 30))); }
long long write(int fd, const char *data, long long n) { return _write(fd, data, unsigned(std::min<long long>(n, 1 << 30))); }
bool truncate(int fd)
{
    const errno_t e = _chsize_s(fd, 0);
    errno = e;
    return e == 0;
}
int close(int fd) { return _close(fd); }
void remove(const QString &path) { _wunlink(wide(path)); }
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
constexpr int kWrite = O_WRONLY | O_CREAT;
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
bool truncate(int fd) { return ::ftruncate(fd, 0) == 0; }
int close(int fd) { return ::close(fd); }
void remove(const QString &path) { ::unlink(local(path).constData()); }
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

void writeAll(const QString &path, Descriptor &file, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    errno = 0;
    while (left > 0) {
        const long long put = sys::write(file.get(), data, left);
        if (put <= 0)
            throw FileError(path, Access::Write, lastError());
        data += put;
        left -= qsizetype(put);
    }
    errno = 0;
    if (!file.close())
        throw FileError(path, Access::Write, lastError());
}

// Writes through an open descriptor; on any failure the half-written file is removed.
void fill(const QString &path, int fd, const QByteArray &bytes)
{
    Descriptor file(fd);
    try {
        writeAll(path, file, bytes);
    } catch (const FileError &) {
        file.close();
        sys::remove(path);
        throw;
    }
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

void writeFile(const QString &path, const QByteArray &bytes)
{
    // Checked before the open: a pipe with nobody reading would refuse a non-blocking open.
    refuseIrregular(path, Access::Write);
    const int fd = openRegular(path, Access::Write, sys::kWrite);
    // Emptied only once it is known to be a regular file.
    if (!sys::truncate(fd)) {
        const std::error_code ec = lastError();
        sys::close(fd);
        throw FileError(path, Access::Write, ec);
    }
    fill(path, fd, bytes);
}

bool writeNewFile(const QString &path, const QByteArray &bytes)
{
    int fd = -1;
    try {
        fd = openRegular(path, Access::Write, sys::kNew);
    } catch (const FileError &) {
        if (nameTaken(path))
            return false;
        throw;
    }
    fill(path, fd, bytes);
    return true;
}

} // namespace files
