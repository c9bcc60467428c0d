// The file's tables: each version's steps, the schema a store must hold exactly, and the
// bringing of an older store to this version.

#include "history/Practice.h"
#include "history/SqliteFile.h"
#include "history/SqlStatement.h"
#include "history/StoreSql.h"
#include "stats/RunFile.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <atomic>
#include <map>
#include <mutex>

namespace history {

using namespace sql;

namespace {

// Each version's steps from the one before; a new file takes them all. The tables as they are
// after these steps are the only ones a store may hold: no view, no trigger, nothing else.
const std::vector<std::vector<const char *>> kSteps = {
    {
        // runs, wins and reds are NULL for a file that does not decode; figures the file shows
        // as "N/A" are NULL. Times in seconds, arrived in milliseconds since 1970 (UTC).
        "CREATE TABLE sessions ("
        " id INTEGER PRIMARY KEY, arrived INTEGER NOT NULL, imported INTEGER NOT NULL,"
        " serial TEXT NOT NULL, firmware TEXT NOT NULL, path TEXT NOT NULL, hash TEXT NOT NULL UNIQUE,"
        " size INTEGER NOT NULL, rallycross INTEGER NOT NULL,"
        " runs INTEGER, wins INTEGER, reds INTEGER, average REAL, spread REAL, best REAL,"
        " shift1 REAL, shift2 REAL, shift3 REAL, shift4 REAL)",
        "CREATE INDEX sessions_by_date ON sessions (arrived)",
        // The recorded runs of each session (at most 50); shift times NULL where the column is
        // not in use, bump NULL where the run has no bump count.
        "CREATE TABLE runs ("
        " session INTEGER NOT NULL REFERENCES sessions (id), run INTEGER NOT NULL, rt REAL NOT NULL,"
        " shift1 REAL, shift2 REAL, shift3 REAL, shift4 REAL, bump INTEGER,"
        " PRIMARY KEY (session, run)) WITHOUT ROWID",
    },
    {
        // The session's file by its name inside the Statistics folder (a file elsewhere by its
        // full path); a version 1 store's paths are turned into names by migrate().
        "ALTER TABLE sessions RENAME COLUMN path TO file",
        // The files read already, as they were then (modified: milliseconds since 1970): a start
        // reads only files not here, or changed since.
        "CREATE TABLE seen (file TEXT PRIMARY KEY, size INTEGER NOT NULL, modified INTEGER NOT NULL,"
        " hash TEXT NOT NULL) WITHOUT ROWID",
        // One tree's sessions in date order, for the History window's Device list.
        "CREATE INDEX sessions_by_device ON sessions (serial, arrived)",
    },
    {
        // The drivers who share a tree, each with a goal or none: a session whose average and
        // spread are both within it met the goal.
        "CREATE TABLE drivers (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, goal_average REAL,"
        " goal_spread REAL)",
        // A session belongs to one driver or to none (NULL).
        "ALTER TABLE sessions ADD COLUMN driver INTEGER REFERENCES drivers (id)",
        "CREATE INDEX sessions_by_driver ON sessions (driver, arrived)",
        // Each session's runs as the reaction times' distribution counts them (binnedTimes): the
        // distribution of every session reads one value of each rather than all their runs.
        "ALTER TABLE sessions ADD COLUMN binned_times BLOB",
        // The choices the window and the tool share, such as the driver new downloads go to.
        "CREATE TABLE settings (name TEXT PRIMARY KEY, value TEXT NOT NULL) WITHOUT ROWID",
    },
};
static_assert(kSchemaVersion == 3);

// The schema a store of `version` holds: (type, name, table, SQL) of every object, by name, as
// the steps make it in an empty database. Worked out once per version.
using Schema = std::vector<QStringList>;

std::optional<Schema> readSchema(QSqlQuery &query)
{
    if (!query.exec(QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY name")))
        return std::nullopt;
    Schema schema;
    while (query.next())
        schema.push_back({query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                          query.value(3).toString()});
    return schema;
}

const Schema &schemaOf(int version)
{
    static std::mutex mutex;
    static std::map<int, Schema> made;
    const std::lock_guard<std::mutex> lock(mutex);
    const auto known = made.find(version);
    if (known != made.end())
        return known->second;
    static std::atomic<int> count{0};
    const QString name = QStringLiteral("history-schema-%1").arg(++count);
    Schema schema;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QStringLiteral(":memory:"));
        if (db.open()) {
            QSqlQuery query(db);
            for (int v = 0; v < version; ++v)
                for (const char *statement : kSteps[size_t(v)])
                    query.exec(QLatin1String(statement));
            schema = readSchema(query).value_or(Schema());
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return made.emplace(version, std::move(schema)).first->second;
}

} // namespace

// Checks the file and makes the tables of a new one, or brings an older one to this version.
SqliteFile::Outcome SqliteFile::prepare()
{
    QSqlQuery query(database());
    const auto classify = [this, &query]() {
        const QSqlError error = query.lastError();
        if (isDamage(error))
            return Outcome::Damaged;
        if (codeOf(error) == ReadOnly)
            return Outcome::ReadOnly;
        if (codeOf(error) == Full || codeOf(error) == IoError) {
            m_unwritable = codeOf(error) == Full ? describe(error)
                                                 : QStringLiteral("could not be written: a disk error, or the size limit for files");
            return Outcome::Unwritable;
        }
        if ((codeOf(error) == Busy || codeOf(error) == Locked) && m_opening == Opening::AtStart)
            return Outcome::Locked;
        failed(error);
        return Outcome::Off;
    };
    const auto number = [this, &query](const QString &statement, qint64 &value) {
        if (!run(query, statement) || !query.next())
            return false;
        value = query.value(0).toLongLong();
        return true;
    };

    // No view or trigger of a file runs with the program's functions at hand.
    qint64 application = 0, version = 0, tables = 0;
    if (!run(query, QStringLiteral("PRAGMA trusted_schema = OFF"))
        || !number(QStringLiteral("PRAGMA application_id"), application) || !number(QStringLiteral("PRAGMA user_version"), version)
        || !number(QStringLiteral("SELECT count(*) FROM sqlite_master"), tables))
        return classify();
    const bool empty = application == 0 && version == 0 && tables == 0;
    if (!empty && application != kApplicationId)
        return Outcome::Damaged; // some other SQLite file under the history's name
    if (version > kSchemaVersion) {
        turnOff(QStringLiteral("the history file %1 was written by a newer version of the program").arg(shown(m_path)));
        return Outcome::Off;
    }
    if (!empty) {
        // Exactly the tables a store of its version has, or it is not one of ours (a view or a
        // trigger in their place could run for ever).
        m_deadline.setRemainingTime(kStatementLimitMs);
        const std::optional<Schema> schema = readSchema(query);
        if (!schema)
            return classify();
        if (version < 1 || *schema != schemaOf(int(version)))
            return Outcome::Damaged;
        // The whole file read once: at start that waits until the folder's import is done.
        if (m_opening == Opening::Full) {
            if (!run(query, QStringLiteral("PRAGMA quick_check(1)")) || !query.next())
                return classify();
            if (query.value(0).toString() != QLatin1String("ok"))
                return Outcome::Damaged;
        }
    }

    // A write in a transaction tells whether the file can be written at all (a read-only file
    // opens without complaint); a new file gets its tables in it, an older one its changes.
    if (!run(query, QStringLiteral("BEGIN IMMEDIATE")))
        return classify();
    const auto undo = [this, &classify] {
        const Outcome outcome = classify();
        rollback();
        return outcome;
    };
    for (int v = int(version); v < kSchemaVersion; ++v) {
        for (const char *statement : kSteps[size_t(v)]) {
            if (!run(query, QLatin1String(statement)))
                return undo();
        }
        if ((v == 1 && !migrate(query)) || (v == 2 && !binStoredTimes(query)))
            return undo();
    }
    QStringList statements;
    if (empty)
        statements.append(QStringLiteral("PRAGMA application_id = %1").arg(kApplicationId));
    statements.append(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
    for (const QString &statement : statements) {
        if (!run(query, statement))
            return undo();
    }
    // A store of this version is left as it was.
    if (!run(query, version < kSchemaVersion ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK")))
        return classify();
    return Outcome::Ready;
}

// Version 1 to 2, in the transaction of the steps: each session's file by its name where it is
// in the folder beside the store.
bool SqliteFile::migrate(QSqlQuery &query)
{
    std::vector<std::pair<qint64, QString>> renamed;
    if (!run(query, QStringLiteral("SELECT id, file FROM sessions")))
        return false;
    while (query.next()) {
        const QString path = query.value(1).toString();
        const QString file = fileIn(m_folder, path);
        if (file != path)
            renamed.emplace_back(query.value(0).toLongLong(), file);
    }
    QSqlQuery update(database());
    update.prepare(QStringLiteral("UPDATE sessions SET file = ? WHERE id = ?"));
    for (const auto &[id, file] : renamed) {
        update.addBindValue(file);
        update.addBindValue(id);
        if (!run(update)) {
            query = std::move(update); // its error is the one to tell
            return false;
        }
    }
    return true;
}

// Version 2 to 3, in the transaction of the steps: each session's binned times from its runs.
bool SqliteFile::binStoredTimes(QSqlQuery &query)
{
    query.setForwardOnly(true);
    if (!run(query, QStringLiteral("SELECT sessions.id, max(coalesce(sessions.reds, 0), 0), runs.rt FROM sessions"
                                   " JOIN runs ON runs.session = sessions.id WHERE sessions.runs IS NOT NULL"
                                   " ORDER BY sessions.id, runs.run")))
        return false;
    SqlStatement update(handle(),
                        "UPDATE sessions SET binned_times = ? WHERE id = ?");
    qint64 session = 0;
    int reds = 0;
    std::vector<double> times;
    const auto store = [&] {
        if (session == 0)
            return true;
        update.bindBytes(1, binnedTimes(times, reds));
        update.bind(2, session);
        return run(update);
    };
    while (query.next()) {
        const qint64 id = query.value(0).toLongLong();
        if (id != session) {
            if (!store())
                return false;
            session = id;
            reds = int(std::min<qint64>(query.value(1).toLongLong(), runfile::kRuns));
            times.clear();
        }
        if (times.size() < size_t(runfile::kRuns))
            times.push_back(query.value(2).toDouble());
    }
    if (query.lastError().isValid())
        return false;
    if (!store())
        return false;
    // Sessions with figures but no runs (a file that counted none).
    query.prepare(QStringLiteral("UPDATE sessions SET binned_times = ? WHERE runs IS NOT NULL AND binned_times IS NULL"));
    query.addBindValue(binnedTimes({}, 0));
    return run(query);
}

} // namespace history
