// Runs a fuzz target once on every file given (folders are read whole), without libFuzzer: the
// plain and sanitizer test builds replay the seeds and the kept crash inputs this way.

#include "fuzz/FuzzSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Absolute paths first: a target's start-up may change the current folder.
    QStringList paths;
    for (int i = 1; i < argc; ++i)
        paths << QFileInfo(QFile::decodeName(argv[i])).absoluteFilePath();
    LLVMFuzzerInitialize(&argc, &argv);
    int inputs = 0;
    for (const QString &path : paths) {
        QStringList files;
        if (!QFileInfo::exists(path))
            continue; // a target without kept crash inputs has no regressions folder
        if (QFileInfo(path).isDir()) {
            QDirIterator it(path, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext())
                files << it.next();
            files.sort();
        } else {
            files << path;
        }
        for (const QString &name : files) {
            QFile file(name);
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(name));
                return 1;
            }
            const QByteArray bytes = file.readAll();
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.constData()), size_t(bytes.size()));
            ++inputs;
        }
    }
    std::printf("%d inputs replayed\n", inputs);
    return inputs > 0 ? 0 : 1; // nothing to replay means the seeds are missing

}
