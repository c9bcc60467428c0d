#include "history/HistoryStore.h"

#include "app/Errors.h"
#include "app/Files.h"
#include "app/Folders.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <unordered_map>

#include <sqlite3.h>

namespace history {

namespace {

// "VMH1" in the file's header: a store of this program, not just any SQLite file.
constexpr qint64 kApplicationId = 0x564D4831;
// Another process writing (the tool during the window's download) holds the lock for
// milliseconds; a lock held longer than this is a program that keeps it.
constexpr int kBusyWaitMs = 1000;
// No statement of the store's own takes near this on any history; one that does is stopped.
constexpr int kStatementLimitMs = 20000;

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
};
static_assert(kSchemaVersion == 2);

// SQLite's primary result codes (the low byte of an extended code).
enum SqliteCode { Busy = 5, Locked = 6, ReadOnly = 8, Interrupted = 9, IoError = 10, Corrupt = 11, Full = 13,
                  CantOpen = 14, NotADatabase = 26 };

int codeOf(const QSqlError &error)
{
    return error.nativeErrorCode().toInt() & 0xFF;
}

bool isDamage(const QSqlError &error)
{
    return codeOf(error) == Corrupt || codeOf(error) == NotADatabase;
}

// An absent value binds as NULL (an invalid QVariant; a typed one would bind its zero).
QVariant optional(const std::optional<double> &value)
{
    return value ? QVariant(*value) : QVariant();
}

std::optional<double> optionalDouble(const QVariant &value)
{
    return value.isNull() ? std::nullopt : std::optional<double>(value.toDouble());
}

// A null text binds as NULL; the text columns hold an empty text instead.
QString text(const QString &value)
{
    return value.isNull() ? QString(QLatin1String("")) : value;
}

QByteArray hashOf(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

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

QString statisticsBeside(const QString &storePath)
{
    return QFileInfo(storePath).absoluteDir().filePath(kStatisticsFolderName);
}

} // namespace

QString describe(const QSqlError &error)
{
    switch (codeOf(error)) {
    case Busy:
    case Locked:
        return QStringLiteral("is locked by another program");
    case ReadOnly:
        return QStringLiteral("is read-only");
    case Corrupt:
    case NotADatabase:
        return QStringLiteral("is damaged");
    case CantOpen:
        return QStringLiteral("cannot be opened or created");
    case Full:
        return QStringLiteral("cannot grow: the disk is full");
    case IoError:
        return QStringLiteral("could not be read or written (a disk error)");
    case Interrupted:
        return QStringLiteral("took too long to read (it may be damaged)");
    default:
        return QStringLiteral("cannot be used (%1)").arg(error.text());
    }
}

DownloadRecording::DownloadRecording(Store *store, QString serial, QString firmware, std::function<QDateTime()> now)
    : m_store(store), m_serial(std::move(serial)), m_firmware(std::move(firmware)), m_now(std::move(now))
{
}

void DownloadRecording::add(const StoredRunFile &file)
{
    if (!m_store)
        return;
    Arrival arrival;
    arrival.path = file.path;
    arrival.bytes = file.data;
    arrival.rallycross = file.rallycross;
    arrival.when = m_now();
    arrival.serial = m_serial;
    arrival.firmware = m_firmware;
    m_arrivals.push_back(std::move(arrival));
}

void DownloadRecording::finish()
{
    if (m_store && !m_arrivals.empty())
        m_store->record(m_arrivals);
    m_arrivals.clear();
}

Store::Store(const QString &path, Notice notice, Opening opening)
    : m_path(path), m_folder(statisticsBeside(path)), m_notice(std::move(notice)), m_opening(opening)
{
    static std::atomic<int> count{0};
    m_connection = QStringLiteral("history-%1").arg(++count);
    open();
}

void Store::open()
{
    Outcome outcome = openFile(false);
    if (outcome == Outcome::Damaged && m_opening == Opening::Import) {
        // The window's own connection sets it aside (Store::startAnew).
        m_damaged = true;
        close();
        return;
    }
    if (outcome == Outcome::Damaged) {
        close();
        if (!setAside())
            return;
        outcome = openFile(false);
    }
    switch (outcome) {
    case Outcome::Ready:
        m_readable = m_writable = true;
        m_waiting = false;
        break;
    case Outcome::Locked:
        // Tried again at the next recording; said only if it is still held then.
        close();
        m_waiting = true;
        break;
    case Outcome::ReadOnly:
        // Shown as it is; nothing can be added.
        close();
        m_readable = openFile(true) == Outcome::Ready;
        turnOff(QStringLiteral("the history file %1 is read-only (%2)")
                    .arg(shown(m_path), m_readable ? QStringLiteral("it is shown, but new run files are not added")
                                                   : QStringLiteral("it cannot be shown either")));
        if (!m_readable)
            close();
        break;
    case Outcome::Damaged: // again, after a new start: give up
        turnOff(QStringLiteral("a new history file %1 could not be started").arg(shown(m_path)));
        close();
        break;
    case Outcome::Off:
        close();
        break;
    }
}

void Store::startAnew()
{
    close();
    m_readable = m_writable = false;
    if (!setAside())
        return;
    m_opening = Opening::Full;
    open();
}

Store::~Store()
{
    close();
}

void Store::close()
{
    if (!QSqlDatabase::contains(m_connection))
        return;
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

void Store::turnOff(const QString &why)
{
    m_writable = false;
    m_waiting = false;
    if (m_problem.isEmpty())
        m_problem = why;
    if (m_toldOff)
        return;
    m_toldOff = true;
    if (m_notice)
        m_notice(QStringLiteral("The practice history is off: %1. Run files are still downloaded and stored as usual.")
                     .arg(why));
}

void Store::failed(const QSqlError &error)
{
    if (isDamage(error))
        m_readable = false; // set aside at the next start
    turnOff(QStringLiteral("the history file %1 %2").arg(shown(m_path), describe(error)));
}

// Every statement runs through here, each with its time bounded: a store is only ever read by
// statements of its own on its own tables, but a file can be crafted or damaged.
bool Store::run(QSqlQuery &query)
{
    m_deadline.setRemainingTime(kStatementLimitMs);
    return query.exec();
}

bool Store::run(QSqlQuery &query, const QString &statement)
{
    m_deadline.setRemainingTime(kStatementLimitMs);
    return query.exec(statement);
}

int Store::progress(void *store)
{
    return static_cast<Store *>(store)->m_deadline.hasExpired() ? 1 : 0;
}

bool Store::exec(const QString &statement)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (run(query, statement))
        return true;
    failed(query.lastError());
    return false;
}

Store::Outcome Store::openFile(bool readOnly)
{
    if (files::nameTaken(m_path) && !files::isRegularFile(m_path)) {
        turnOff(QStringLiteral("the history file %1 is not a regular file").arg(shown(m_path)));
        return Outcome::Off;
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        turnOff(QStringLiteral("Qt's SQLite driver is not installed (on Debian and Ubuntu: libqt6sql6-sqlite)"));
        return Outcome::Off;
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(m_path);
        // At start a lock is tried once: the window does not wait for another program.
        QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_opening == Opening::AtStart ? 0 : kBusyWaitMs);
        if (readOnly)
            options += QStringLiteral(";QSQLITE_OPEN_READONLY");
        db.setConnectOptions(options);
        if (!db.open()) {
            failed(db.lastError());
            return Outcome::Off;
        }
        // Qt's driver and this program use the same SQLite library (the system's).
        const QVariant handle = db.driver()->handle();
        if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0) {
            if (sqlite3 *sqlite = *static_cast<sqlite3 *const *>(handle.data()))
                sqlite3_progress_handler(sqlite, 1000, &Store::progress, this);
        }
    }
    const Outcome outcome = prepare();
    if (outcome == Outcome::Ready && m_opening == Opening::AtStart)
        exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(kBusyWaitMs)); // for the recordings to come
    if (readOnly && outcome == Outcome::ReadOnly)
        return Outcome::Ready; // expected: it is read
    return outcome;
}

// Checks the file and makes the tables of a new one, or brings an older one to this version.
Store::Outcome Store::prepare()
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    const auto classify = [this, &query]() {
        const QSqlError error = query.lastError();
        if (isDamage(error))
            return Outcome::Damaged;
        if (codeOf(error) == ReadOnly)
            return Outcome::ReadOnly;
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
        QSqlQuery rollback(QSqlDatabase::database(m_connection, false));
        run(rollback, QStringLiteral("ROLLBACK"));
        return outcome;
    };
    for (int v = int(version); v < kSchemaVersion; ++v) {
        for (const char *statement : kSteps[size_t(v)]) {
            if (!run(query, QLatin1String(statement)))
                return undo();
        }
        if (v == 1 && !migrate(query))
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
bool Store::migrate(QSqlQuery &query)
{
    std::vector<std::pair<qint64, QString>> renamed;
    if (!run(query, QStringLiteral("SELECT id, file FROM sessions")))
        return false;
    while (query.next()) {
        const QString path = query.value(1).toString();
        const QString file = fileOf(path);
        if (file != path)
            renamed.emplace_back(query.value(0).toLongLong(), file);
    }
    QSqlQuery update(QSqlDatabase::database(m_connection, false));
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

// A path inside the folder as the name there; a path elsewhere as it is. Compared as texts: the
// files of the folder are listed with its own path, and a file stored there has it too.
QString Store::fileOf(const QString &path) const
{
    const QFileInfo info(path);
    if (QDir::cleanPath(info.absolutePath()) == QDir::cleanPath(m_folder) && !info.fileName().isEmpty())
        return info.fileName();
    return path;
}

QString Store::pathOf(const QString &file) const
{
    return QDir::isAbsolutePath(file) ? file : m_folder + QLatin1Char('/') + file;
}

bool Store::setAside()
{
    const QFileInfo info(m_path);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = info.dir().filePath(QStringLiteral("%1-damaged-%2.%3").arg(info.completeBaseName(), stamp, info.suffix()));
    for (int n = 1; files::nameTaken(target); ++n)
        target = info.dir().filePath(
            QStringLiteral("%1-damaged-%2-%3.%4").arg(info.completeBaseName(), stamp).arg(n).arg(info.suffix()));
    // Told apart only for the message: a damaged history and some other SQLite file both go.
    const bool notOurs = [this] {
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const QByteArray header = file.read(72);
        return header.size() == 72 && header.startsWith("SQLite format 3") && header.mid(68, 4) != "VMH1";
    }();
    if (!QFile::rename(m_path, target)) {
        turnOff(QStringLiteral("the history file %1 is damaged, and it could not be renamed to set it aside").arg(shown(m_path)));
        return false;
    }
    // The journal belongs to the file: left behind, it would be played into the new one.
    for (const char *suffix : {"-journal", "-wal", "-shm"}) {
        if (files::nameTaken(m_path + QLatin1String(suffix)))
            QFile::rename(m_path + QLatin1String(suffix), target + QLatin1String(suffix));
    }
    m_setAside = target;
    if (m_notice)
        m_notice(QStringLiteral("The practice history file %1 %2. It was renamed to %3 and a new history was started.")
                     .arg(shown(m_path), notOurs ? QStringLiteral("is not a practice history") : QStringLiteral("was damaged"),
                          QFileInfo(target).fileName()));
    return true;
}

std::optional<qint64> Store::insert(const Arrival &arrival, const QByteArray &hash)
{
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const runfile::RunFile file = runfile::decode(arrival.bytes, QLocale::c());
    const std::optional<Figures> figures = figuresOf(file);

    QSqlQuery query(db);
    query.prepare(QStringLiteral(
        "INSERT INTO sessions (arrived, imported, serial, firmware, file, hash, size, rallycross, runs, wins, reds,"
        " average, spread, best, shift1, shift2, shift3, shift4)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    const QVariant noInt;
    for (const QVariant &value :
         {QVariant(arrival.when.toMSecsSinceEpoch()), QVariant(int(arrival.imported)), QVariant(text(arrival.serial)),
          QVariant(text(arrival.firmware)), QVariant(fileOf(arrival.path)), QVariant(QString::fromLatin1(hash)),
          QVariant(qlonglong(arrival.bytes.size())), QVariant(int(arrival.rallycross)),
          figures ? QVariant(figures->runs) : noInt, figures ? QVariant(figures->wins) : noInt,
          figures ? QVariant(figures->reds) : noInt})
        query.addBindValue(value);
    const Figures none;
    const Figures &f = figures ? *figures : none;
    for (const std::optional<double> &value : {f.average, f.spread, f.best, f.shiftAverage[0], f.shiftAverage[1],
                                               f.shiftAverage[2], f.shiftAverage[3]})
        query.addBindValue(figures ? optional(value) : optional(std::nullopt));
    if (!run(query)) {
        failed(query.lastError());
        return std::nullopt;
    }
    const qint64 id = query.lastInsertId().toLongLong();
    if (!figures)
        return id;

    // The runs as the window's load sets its run arrays: a short or rallycross file has no shift
    // times and no bump counts.
    const runfile::Runs runs = runfile::runsOf(file);
    QSqlQuery row(db);
    row.prepare(QStringLiteral("INSERT INTO runs (session, run, rt, shift1, shift2, shift3, shift4, bump)"
                               " VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    for (int r = 1; r <= std::min(figures->runs, runfile::kRuns); ++r) {
        row.addBindValue(id);
        row.addBindValue(r);
        row.addBindValue(runs.rt[size_t(r)]);
        for (const runfile::Reals &shift : runs.shift)
            row.addBindValue(optional(shift[1] == runfile::kAbsentShift ? std::nullopt : std::optional(shift[size_t(r)])));
        row.addBindValue(runs.bump[size_t(r)] == runfile::kNoBump ? noInt : QVariant(runs.bump[size_t(r)]));
        if (!run(row)) {
            failed(row.lastError());
            return std::nullopt;
        }
    }
    return id;
}

bool Store::markSeen(const QString &file, const files::Stamp &stamp, const QByteArray &hash)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("INSERT OR REPLACE INTO seen (file, size, modified, hash) VALUES (?, ?, ?, ?)"));
    query.addBindValue(file);
    query.addBindValue(stamp.size);
    query.addBindValue(stamp.modifiedMs);
    query.addBindValue(QString::fromLatin1(hash));
    if (run(query))
        return true;
    failed(query.lastError());
    return false;
}

Store::Recorded Store::recordOne(const Arrival &arrival)
{
    const QByteArray hash = hashOf(arrival.bytes);
    const QString file = fileOf(arrival.path);
    QSqlQuery known(QSqlDatabase::database(m_connection, false));
    known.prepare(QStringLiteral("SELECT id, serial, file FROM sessions WHERE hash = ?"));
    known.addBindValue(QString::fromLatin1(hash));
    if (!run(known)) {
        failed(known.lastError());
        return Recorded::Off;
    }
    // A file of the folder, read now: the next start need not read it again.
    if (file != arrival.path) {
        const std::optional<files::Stamp> stamp = arrival.stamp ? arrival.stamp : files::stampOf(arrival.path);
        if (stamp && stamp->size == arrival.bytes.size() && !markSeen(file, *stamp, hash))
            return Recorded::Off;
    }
    if (!known.next()) {
        known.finish();
        return insert(arrival, hash) ? Recorded::New : Recorded::Off;
    }

    const qint64 id = known.value(0).toLongLong();
    const bool deviceLearnt = known.value(1).toString().isEmpty() && !arrival.serial.isEmpty();
    const QString before = pathOf(known.value(2).toString());
    known.finish();
    QSqlQuery update(QSqlDatabase::database(m_connection, false));
    if (deviceLearnt) {
        update.prepare(QStringLiteral("UPDATE sessions SET serial = ?, firmware = ? WHERE id = ?"));
        update.addBindValue(arrival.serial);
        update.addBindValue(text(arrival.firmware));
        update.addBindValue(id);
        if (!run(update)) {
            failed(update.lastError());
            return Recorded::Off;
        }
    }
    // Its file is gone and this one holds the same bytes (renamed, or downloaded again).
    if (before != arrival.path && !files::isRegularFile(before) && files::isRegularFile(arrival.path)) {
        update.prepare(QStringLiteral("UPDATE sessions SET file = ? WHERE id = ?"));
        update.addBindValue(file);
        update.addBindValue(id);
        if (!run(update)) {
            failed(update.lastError());
            return Recorded::Off;
        }
    }
    return Recorded::Known;
}

std::vector<Store::Recorded> Store::record(const std::vector<Arrival> &arrivals)
{
    std::vector<Recorded> recorded(arrivals.size(), Recorded::Off);
    if (m_waiting) {
        // Held locked at start: tried once more now, waiting as any recording does.
        m_opening = Opening::Full;
        open();
        if (m_waiting)
            turnOff(QStringLiteral("the history file %1 is locked by another program").arg(shown(m_path)));
    }
    if (!m_writable || arrivals.empty() || !exec(QStringLiteral("BEGIN IMMEDIATE")))
        return recorded;
    const auto rollback = [this] {
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        run(query, QStringLiteral("ROLLBACK"));
    };
    for (size_t i = 0; i < arrivals.size(); ++i) {
        recorded[i] = recordOne(arrivals[i]);
        if (recorded[i] == Recorded::Off) {
            rollback();
            return std::vector<Recorded>(arrivals.size(), Recorded::Off);
        }
    }
    if (!exec(QStringLiteral("COMMIT"))) {
        rollback();
        return std::vector<Recorded>(arrivals.size(), Recorded::Off);
    }
    return recorded;
}

Store::Recorded Store::record(const Arrival &arrival)
{
    return record(std::vector<Arrival>{arrival}).front();
}

Store::Imported Store::importFolder(const QString &folder, const std::atomic<bool> *stop)
{
    Imported imported;
    if (!m_writable)
        return imported;
    struct Seen {
        files::Stamp stamp;
        bool listed = false;
    };
    // file -> as it was read. A standard map: Qt's hash grows several times slower, which at
    // ten thousand files was most of a start with nothing new.
    struct NameHash {
        size_t operator()(const QString &name) const noexcept { return qHash(name); }
    };
    std::unordered_map<QString, Seen, NameHash> seen;
    {
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        query.setForwardOnly(true);
        if (!run(query, QStringLiteral("SELECT file, size, modified FROM seen"))) {
            failed(query.lastError());
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
    const bool ownFolder = cleanFolder == QDir::cleanPath(m_folder);
    const QDir dir(folder);
    for (const files::FolderEntry &entry : files::listFolder(folder, u".txt", true)) {
        if (stop && *stop)
            return imported;
        const std::optional<files::Stamp> &stamp = entry.stamp;
        if (!stamp) // a pipe is no file
            continue;
        // The path only where it is needed: most of ten thousand files are known by name.
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
        if (!exec(QStringLiteral("BEGIN IMMEDIATE")))
            return imported;
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        bool ok = true;
        for (const QString &file : std::as_const(gone)) {
            query.prepare(QStringLiteral("DELETE FROM seen WHERE file = ?"));
            query.addBindValue(file);
            ok = ok && run(query);
            query.prepare(QStringLiteral("UPDATE sessions SET file = (SELECT file FROM seen WHERE seen.hash = sessions.hash"
                                         " ORDER BY file LIMIT 1) WHERE file = ? AND hash IN (SELECT hash FROM seen)"));
            query.addBindValue(file);
            ok = ok && run(query);
        }
        if (!ok)
            failed(query.lastError());
        if (!ok || !exec(QStringLiteral("COMMIT"))) {
            QSqlQuery rollback(QSqlDatabase::database(m_connection, false));
            run(rollback, QStringLiteral("ROLLBACK"));
            return imported;
        }
    }

    // Read outside the transactions (the lock is held only for the writes), and recorded some
    // hundred at a time: a first start with a folder of thousands holds few of them at once.
    constexpr size_t kBatch = 256;
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
            if (longer)
                continue;
            arrival.when = QDateTime::fromMSecsSinceEpoch(changed[i].stamp.modifiedMs);
            arrival.stamp = changed[i].stamp;
            arrival.rallycross = arrival.bytes.size() == runfile::kRallycrossSize;
            arrival.imported = true;
            found.push_back(std::move(arrival));
        }
        const std::vector<Recorded> recorded = record(found);
        if (!m_writable)
            return imported;
        imported.added += int(std::count(recorded.begin(), recorded.end(), Recorded::New));
    }
    return imported;
}

std::vector<Session> Store::sessions(const std::optional<QString> &serial)
{
    return serial ? select(QStringLiteral("WHERE serial = ? ORDER BY arrived, id"), {text(*serial)})
                  : select(QStringLiteral("ORDER BY arrived, id"), {});
}

std::vector<Session> Store::select(const QString &rest, const QVariantList &values)
{
    std::vector<Session> list;
    if (!m_readable)
        return list;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT id, arrived, imported, serial, firmware, file, rallycross, runs, wins, reds,"
                                 " average, spread, best, shift1, shift2, shift3, shift4 FROM sessions ")
                  + rest);
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!run(query)) {
        failed(query.lastError());
        return list;
    }
    while (query.next()) {
        Session s;
        s.id = query.value(0).toLongLong();
        s.arrived = QDateTime::fromMSecsSinceEpoch(query.value(1).toLongLong());
        s.imported = query.value(2).toBool();
        s.serial = query.value(3).toString();
        s.firmware = query.value(4).toString();
        s.path = pathOf(query.value(5).toString());
        s.rallycross = query.value(6).toBool();
        if (!query.value(7).isNull()) {
            Figures f;
            f.runs = query.value(7).toInt();
            f.wins = query.value(8).toInt();
            f.reds = query.value(9).toInt();
            f.average = optionalDouble(query.value(10));
            f.spread = optionalDouble(query.value(11));
            f.best = optionalDouble(query.value(12));
            for (int k = 0; k < 4; ++k)
                f.shiftAverage[size_t(k)] = optionalDouble(query.value(13 + k));
            s.figures = f;
        }
        list.push_back(std::move(s));
    }
    if (query.lastError().isValid())
        failed(query.lastError()); // stopped while reading
    return list;
}

QStringList Store::devices()
{
    QStringList list;
    if (!m_readable)
        return list;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!run(query, QStringLiteral("SELECT DISTINCT serial FROM sessions ORDER BY serial"))) {
        failed(query.lastError());
        return list;
    }
    while (query.next())
        list.append(query.value(0).toString());
    return list;
}

bool Store::checkWhole()
{
    if (!m_readable)
        return true;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (run(query, QStringLiteral("PRAGMA quick_check(1)")) && query.next() && query.value(0).toString() == QLatin1String("ok"))
        return true;
    if (!query.lastError().isValid() || isDamage(query.lastError()))
        m_damaged = true;
    return !m_damaged;
}

FolderImport importBeside(const QString &storePath, const std::atomic<bool> *stop,
                          const std::function<void(const FolderImport &)> &imported)
{
    FolderImport result;
    Store store(storePath, [&result](const QString &text) { result.notices.append(text); }, Store::Opening::Import);
    result.damaged = store.damaged();
    if (store.canRecord())
        result.imported = store.importFolder(store.folder(), stop);
    if (imported)
        imported(std::exchange(result, FolderImport()));
    if (store.canRead() && !(stop && *stop))
        result.damaged = !store.checkWhole();
    return result;
}

} // namespace history
