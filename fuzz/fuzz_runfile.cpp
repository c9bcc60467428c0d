// A run file as the device might send it, stored the way the download stores it and then read
// back by the loader. Input: one flag byte (bit 0: a rallycross file), the 8-byte name block, then
// the file's bytes.

#include "app/Errors.h"
#include "app/Folders.h"
#include "fuzz/FuzzSupport.h"
#include "stats/RunFileTransfer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
QString statistics;
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::prepare(argc, argv);
    statistics = workingFolders(GetSpecialFolderPath(CSIDL_PERSONAL)).statistics;
    QDir().mkpath(statistics);
    statistics = QFileInfo(statistics).canonicalFilePath();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 9)
        return 0;
    const bool rallycross = data[0] & 1;
    const QByteArray block(reinterpret_cast<const char *>(data + 1), 8);
    const QByteArray content(reinterpret_cast<const char *>(data + 9), qsizetype(size - 9));

    // Whatever the device calls a file, it lands in the statistics folder as a new file, whole.
    const QString base = runFileBase(deviceFileName(block), rallycross);
    QStringList stored;
    for (int copy = 0; copy < 2; ++copy) {
        QString path;
        try {
            path = storeRunFile(statistics, base, content);
        } catch (const AppError &) {
            // A name the file system refuses (too long, say) is reported, never written elsewhere.
            FUZZ_CHECK(QDir(statistics).entryList(QDir::Files | QDir::Hidden).size() == stored.size());
            break;
        }
        const QFileInfo info(path);
        FUZZ_CHECK(info.absoluteDir().canonicalPath() == statistics);
        FUZZ_CHECK(info.fileName().endsWith(QLatin1String(".txt")));
        FUZZ_CHECK(!stored.contains(info.canonicalFilePath()));
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::ReadOnly));
        FUZZ_CHECK(file.readAll() == content);
        stored << info.canonicalFilePath();
    }

    for (const QString &path : stored)
        QFile::remove(path);
    FUZZ_CHECK(QDir(statistics).isEmpty(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot));
    return 0;
}
