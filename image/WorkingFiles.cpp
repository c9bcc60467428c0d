#include "image/WorkingFiles.h"

#include "app/Errors.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <memory>

namespace picture {

namespace {
struct Closer {
    void operator()(std::FILE *f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, Closer>;

File open(const QString &path, const char *mode)
{
    errno = 0;
    File f(std::fopen(QFile::encodeName(path).constData(), mode));
    if (!f)
        throw fileErrorFromErrno(errno ? errno : EIO);
    return f;
}
} // namespace

std::optional<QByteArray> readFile(const QString &path, qint64 limit)
{
    File f = open(path, "rb");
    if (std::fseek(f.get(), 0, SEEK_END) != 0)
        throw fileErrorFromErrno(errno);
    const long size = std::ftell(f.get());
    if (size < 0)
        throw fileErrorFromErrno(errno);
    if (size > limit)
        return std::nullopt;
    std::rewind(f.get());
    QByteArray bytes(qsizetype(size), '\0');
    // A file that shrank meanwhile gives what it still holds.
    bytes.resize(qsizetype(std::fread(bytes.data(), 1, size_t(size), f.get())));
    if (std::ferror(f.get()))
        throw fileErrorFromErrno(errno ? errno : EIO);
    return bytes;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    File f = open(path, "wb");
    errno = 0;
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), f.get()) != size_t(bytes.size())
        || std::fflush(f.get()) != 0)
        throw fileErrorFromErrno(errno ? errno : EIO);
    if (std::fclose(f.release()) != 0)
        throw fileErrorFromErrno(errno ? errno : EIO);
}

} // namespace picture
