// The folder's import: the run files of the Statistics folder that the store has not read, at
// start beside the window.

#include "history/FolderImport.h"
#include "history/StoreSql.h"

#include "base/Files.h"
#include "base/FolderListing.h"
#include "base/WorkingFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <algorithm>
#include <unordered_map>

namespace history {

using namespace sql;

Store::Imported Store::importFolder(const QString &folder, const std::atomic<bool> *stop, const Progress &progress)
{
    Imported imported;
    if (!m_file.canWrite())
        return imported;
    struct Seen {
        files::Stamp stamp;
        bool listed = false;
    };
    // file -> as it was read. A standard map: Qt's hash grows several times slower, and a start
    // with nothing new is mostly this lookup (bench/README.md).
    struct NameHash {
        size_t operator()(const QString &name) const noexcept { return qHash(name); }
    };
    std::unordered_map<QString, Seen, NameHash> seen;
    {
        QSqlQuery query(m_file.database());
        query.setForwardOnly(true);
        if (!m_file.run(query, QStringLiteral("SELECT file, size, modified FROM seen"))) {
            m_file.failed(query.lastError());
            return imported;
        }
        while (query.next())
            seen.emplace(query.value(0).toString(), Seen{{query.value(1).toLongLong(), query.value(2).toLongLong()}});
    }
    // A file seen as it is now is not read again.
    struct Changed {
        QString name, path;
        files::Stamp stamp;
    };
    std::vector<Changed> changed;
    const QString cleanFolder = QDir::cleanPath(folder);
    const bool ownFolder = cleanFolder == QDir::cleanPath(m_file.folder());
    const QDir dir(folder);
    for (const files::FolderEntry &entry : files::listFolder(folder, u".txt", true)) {
        if (stop && *stop)
            return imported;
        const std::optional<files::Stamp> &stamp = entry.stamp;
        if (!stamp) // a pipe is no file
            continue;
        // The path only where it is needed: most files are known by name.
        const auto it = seen.find(ownFolder ? entry.name : fileOf(dir.filePath(entry.name)));
        if (it != seen.end()) {
            it->second.listed = true;
            if (it->second.stamp == *stamp)
                continue;
        }
        if (stamp->size <= runfile::kFullSize) // longer: never a run file
            changed.push_back({entry.name, dir.filePath(entry.name), *stamp});
    }
    // By name: of two copies the first name is the session's file.
    std::sort(changed.begin(), changed.end(), [](const Changed &a, const Changed &b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });

    // Files gone since are no longer seen, and a session whose file went follows a copy left.
    QStringList gone;
    for (const auto &[file, was] : seen)
        if (!was.listed && QDir::cleanPath(QFileInfo(pathOf(file)).absolutePath()) == cleanFolder)
            gone.append(file);
    seen.clear();
    if (!gone.isEmpty()) {
        if (!m_file.exec(QStringLiteral("BEGIN IMMEDIATE")))
            return imported;
        QSqlQuery query(m_file.database());
        bool ok = true;
        for (const QString &file : std::as_const(gone)) {
            query.prepare(QStringLiteral("DELETE FROM seen WHERE file = ?"));
            query.addBindValue(file);
            ok = ok && m_file.run(query);
            query.prepare(QStringLiteral("UPDATE sessions SET file = (SELECT file FROM seen WHERE seen.hash = sessions.hash"
                                         " ORDER BY file LIMIT 1) WHERE file = ? AND hash IN (SELECT hash FROM seen)"));
            query.addBindValue(file);
            ok = ok && m_file.run(query);
        }
        if (!ok)
            m_file.failed(query.lastError());
        if (!ok || !m_file.exec(QStringLiteral("COMMIT"))) {
            m_file.rollback();
            return imported;
        }
    }

    // Read outside the transactions (the lock is held only for the writes), and recorded a
    // couple of thousand at a time: each transaction waits for the disk once at its end, and a
    // download of the window's waits for the store no longer than one batch's writes.
    constexpr size_t kBatch = 2048;
    if (progress)
        progress(0, int(changed.size()));
    for (size_t first = 0; first < changed.size(); first += kBatch) {
        std::vector<Arrival> found;
        for (size_t i = first; i < std::min(changed.size(), first + kBatch); ++i) {
            if (stop && *stop)
                return imported;
            Arrival arrival;
            arrival.path = changed[i].path;
            bool longer = false;
            try {
                arrival.bytes = files::readFile(arrival.path, runfile::kFullSize, &longer);
            } catch (const AppError &) {
                continue;
            }
            ++imported.read;
            if (progress)
                progress(int(i + 1), int(changed.size()));
            if (longer)
                continue;
            arrival.when = QDateTime::fromMSecsSinceEpoch(changed[i].stamp.modifiedMs, Qt::UTC); // no time zone to look up
            arrival.stamp = changed[i].stamp;
            arrival.rallycross = arrival.bytes.size() == runfile::kRallycrossSize;
            arrival.imported = true;
            found.push_back(std::move(arrival));
        }
        const std::vector<Recorded> recorded = record(found);
        if (!m_file.canWrite())
            return imported;
        imported.added += int(std::count(recorded.begin(), recorded.end(), Recorded::New));
    }
    return imported;
}

FolderImport importBeside(const QString &storePath, const std::atomic<bool> *stop,
                          const std::function<void(const FolderImport &)> &imported, const Store::Progress &progress)
{
    FolderImport result;
    Store store(storePath, [&result](const QString &text) { result.notices.append(text); }, Store::Opening::Import);
    result.damaged = store.damaged();
    if (store.canRecord())
        result.imported = store.thisComputer().importFolder(store.folder(), stop, progress);
    if (imported)
        imported(std::exchange(result, FolderImport()));
    if (store.canRead() && !(stop && *stop))
        result.damaged = !store.checkWhole();
    return result;
}

QString importProgressText(int read, int total)
{
    if (total <= 0 || read >= total)
        return {};
    const QLocale locale;
    return QStringLiteral("Reading %1 of %2 run %3").arg(locale.toString(read), locale.toString(total),
                                                         total == 1 ? QStringLiteral("file") : QStringLiteral("files"));
}

ThisComputer::Imported importStatistics(PracticeStore &store, const WorkingFolders &folders)
{
    return store.thisComputer().importFolder(folders.statistics);
}

} // namespace history
