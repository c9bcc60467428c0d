#include "base/Leftovers.h"

#include "base/Files.h"
#include "base/FolderListing.h"
#include "base/SystemCalls.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>

namespace files {

namespace {

const QRegularExpression &leftoverName()
{
    static const QRegularExpression pattern(QStringLiteral("^\\..*\\.mirelon-[A-Za-z0-9]{6}\\.tmp$"),
                                            QRegularExpression::DotMatchesEverythingOption);
    return pattern;
}

} // namespace

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

void removeLeftovers(const QString &folder)
{
    const QDir dir(folder);
    for (const FolderEntry &entry : listFolder(folder, u".tmp")) {
        if (leftoverName().match(entry.name).hasMatch())
            sys::removeLeftover(dir.filePath(entry.name));
    }
}

} // namespace files
