#include "base/Files.h"

#include "base/Leftovers.h"
#include "base/SystemCalls.h"
#include "base/WriteSteps.h"

#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <memory>
#include <optional>

namespace files {

namespace fs = std::filesystem;

namespace {

using sys::lastError;

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

} // namespace

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
    step(WriteStep::Placing, m_temporary, path);
    errno = 0;
    if (!sys::move(m_temporary, path, true))
        throw FileError(path, Access::Write, lastError());
    placed(path);
}

bool PendingFile::placeNew(const QString &path)
{
    step(WriteStep::Placing, m_temporary, path);
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
    // The file is in place: whatever fails from here is reported as unconfirmed, not unwritten.
    try {
        step(WriteStep::Placed, temporary, path);
        if (m_fd >= 0)
            sys::close(m_fd); // its bytes are flushed; this ends the lock
        m_fd = -1;
        errno = 0;
        if (!sys::flushFolder(folderOf(path)))
            throw FileError(path, Access::Write, lastError());
        step(WriteStep::FolderFlushed, temporary, path);
    } catch (const FileError &e) {
        throw FileError::unconfirmed(path, e.code());
    }
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    try {
        writeFiles({{path, bytes}});
    } catch (const FileError &e) {
        // A folder the user may not write to holds no temporary file, but a writable file in
        // it may still be replaced: it is written in place and flushed. Not all or nothing, but
        // what the user may do to that file with any program.
        const bool refused = e.code() == std::errc::permission_denied || e.code() == std::errc::operation_not_permitted;
        if (e.placed() || !refused || !isRegularFile(path) || sys::refusesWriting(path))
            throw;
        int fd = -1;
        try {
            fd = openRegular(path, Access::Write, sys::kInPlace);
        } catch (const FileError &) {
            throw e; // the folder's refusal says more
        }
        Descriptor file(fd);
        writeAll(path, fd, bytes.constData(), bytes.size());
        errno = 0;
        if (!sys::flush(fd) || !file.close())
            throw FileError(path, Access::Write, lastError());
    }
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
    if (list.size() == 1) {
        pending.front()->replace(list.front().first);
        return;
    }

    std::vector<SetEntry> entries;
    for (const auto &[path, bytes] : list)
        entries.push_back({path, nameTaken(path) ? asidePath(path) : QString()});
    SetJournal journal(folderOf(list.front().first), entries);
    std::optional<FileError> unconfirmed;
    try {
        for (const SetEntry &entry : entries) {
            errno = 0;
            if (!entry.aside.isEmpty() && !sys::keepAside(entry.target, entry.aside))
                throw FileError(entry.target, Access::Write, lastError());
        }
        for (std::size_t i = 0; i < entries.size(); ++i) {
            try {
                pending[i]->replace(entries[i].target);
            } catch (const FileError &e) {
                if (!e.placed())
                    throw;
                unconfirmed = e; // in place: the set goes on
            }
        }
    } catch (...) {
        // Where an old file cannot be put back, the journal stays for the next start to try.
        if (rollBack(entries))
            journal.remove();
        throw;
    }
    journal.remove(); // the set is new
    for (const SetEntry &entry : entries) {
        if (!entry.aside.isEmpty())
            sys::remove(entry.aside);
    }
    if (unconfirmed)
        throw *unconfirmed;
}

void failWritesPastSizeLimit()
{
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

} // namespace files
