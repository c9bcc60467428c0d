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

const QRegularExpression &journalName()
{
    static const QRegularExpression pattern(QStringLiteral("^\\.mirelon-set-[A-Za-z0-9]{6}\\.journal$"));
    return pattern;
}

const QRegularExpression &asideName()
{
    static const QRegularExpression pattern(QStringLiteral("^\\..*\\.mirelon-[A-Za-z0-9]{6}\\.old$"),
                                            QRegularExpression::DotMatchesEverythingOption);
    return pattern;
}

// Puts back the old files of a set whose journal a crash left, unless a write in another process
// still holds it; the old files it names are then added to `busy`.
void recoverSet(const QDir &dir, const QString &name, QSet<QString> &busy)
{
    const QString path = dir.filePath(name);
    const int fd = sys::open(path, sys::kRead);
    if (fd < 0)
        return;
    const bool ours = sys::lock(fd);
    QByteArray text;
    try {
        text = readFile(path, 64 * 1024);
    } catch (const FileError &) {
        sys::close(fd);
        return;
    }
    std::vector<SetEntry> entries;
    // Only plain names in this folder: a journal is never a way to move other files.
    const auto plain = [](const QString &n) {
        return !n.isEmpty() && !n.contains(QLatin1Char('/')) && !n.contains(QLatin1Char('\\')) && n != QLatin1String(".")
               && n != QLatin1String("..");
    };
    for (const QString &line : QString::fromUtf8(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString target = line.section(QLatin1Char('\t'), 0, 0), aside = line.section(QLatin1Char('\t'), 1);
        if (!plain(target) || (!aside.isEmpty() && !asideName().match(aside).hasMatch())) {
            sys::close(fd);
            return; // not one of ours: left as it is
        }
        entries.push_back({dir.filePath(target), aside.isEmpty() ? QString() : dir.filePath(aside)});
    }
    if (!ours) {
        for (const SetEntry &entry : entries)
            busy.insert(entry.aside);
    } else if (rollBack(entries)) {
        sys::remove(path);
        sys::flushFolder(dir.path());
    }
    sys::close(fd);
}

} // namespace

QString randomTag()
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString tag;
    for (int i = 0; i < 6; ++i)
        tag += QLatin1Char(letters[QRandomGenerator::global()->bounded(62)]);
    return tag;
}

// ".NAME.mirelon-XXXXXX.tmp": hidden, never a run file (*.txt), and recognisable as ours.
QString temporaryName(const QString &target)
{
    // Short enough that a long name still leaves room for the rest.
    return QStringLiteral(".%1.mirelon-%2.tmp").arg(QFileInfo(target).fileName().left(100), randomTag());
}

QString asidePath(const QString &target)
{
    const QFileInfo info(target);
    return info.dir().filePath(QStringLiteral(".%1.mirelon-%2.old").arg(info.fileName().left(100), randomTag()));
}

bool rollBack(const std::vector<SetEntry> &entries)
{
    bool whole = true;
    for (const SetEntry &entry : entries) {
        if (entry.aside.isEmpty())
            sys::remove(entry.target);
        else if (nameTaken(entry.aside) && !sys::move(entry.aside, entry.target, true))
            whole = false;
        else
            sys::remove(entry.aside); // a second name of a file never replaced stays after the move
    }
    return whole;
}

SetJournal::SetJournal(const QString &folder, const std::vector<SetEntry> &entries)
    : m_folder(folder), m_path(QDir(folder).filePath(QStringLiteral(".mirelon-set-%1.journal").arg(randomTag())))
{
    QString text;
    for (const SetEntry &entry : entries)
        text += QFileInfo(entry.target).fileName() + QLatin1Char('\t')
                + (entry.aside.isEmpty() ? QString() : QFileInfo(entry.aside).fileName()) + QLatin1Char('\n');
    PendingFile journal(m_path, text.toUtf8());
    if (!journal.placeNew(m_path))
        throw FileError(m_path, Access::Write, std::make_error_code(std::errc::file_exists));
    m_fd = sys::open(m_path, sys::kRead);
    if (m_fd >= 0)
        sys::lock(m_fd);
}

SetJournal::~SetJournal()
{
    if (m_fd >= 0)
        sys::close(m_fd);
}

void SetJournal::remove()
{
    sys::remove(m_path);
    sys::flushFolder(m_folder);
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
    // Sets first: their journals name the old files to put back.
    QSet<QString> busy;
    for (const FolderEntry &entry : listFolder(folder, u".journal")) {
        if (journalName().match(entry.name).hasMatch())
            recoverSet(dir, entry.name, busy);
    }
    for (const FolderEntry &entry : listFolder(folder, u".tmp")) {
        if (leftoverName().match(entry.name).hasMatch())
            sys::removeLeftover(dir.filePath(entry.name));
    }
    // Old files a set left behind after it was placed (its journal gone).
    for (const FolderEntry &entry : listFolder(folder, u".old")) {
        if (asideName().match(entry.name).hasMatch() && !busy.contains(dir.filePath(entry.name)))
            sys::remove(dir.filePath(entry.name));
    }
}

} // namespace files
