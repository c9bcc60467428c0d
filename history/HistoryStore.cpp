#include "history/HistoryStore.h"

#include "app/Errors.h"
#include "app/Files.h"
#include "stats/CsvExport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <atomic>

namespace history {

namespace {

// "VMH1" in the file's header: a store of this program, not just any SQLite file.
constexpr qint64 kApplicationId = 0x564D4831;
// Another process writing (the tool during the window's download) holds the lock for
// milliseconds; a lock held longer than this is a program that keeps it.
const QString kConnectOptions = QStringLiteral("QSQLITE_BUSY_TIMEOUT=1000");

const char *const kSchema[] = {
    // runs, wins and reds are NULL for a file that does not decode; figures the file shows as
    // "N/A" are NULL. Times in seconds, arrived in milliseconds since 1970 (UTC).
    "CREATE TABLE sessions ("
    " id INTEGER PRIMARY KEY, arrived INTEGER NOT NULL, imported INTEGER NOT NULL,"
    " serial TEXT NOT NULL, firmware TEXT NOT NULL, path TEXT NOT NULL, hash TEXT NOT NULL UNIQUE,"
    " size INTEGER NOT NULL, rallycross INTEGER NOT NULL,"
    " runs INTEGER, wins INTEGER, reds INTEGER, average REAL, spread REAL, best REAL,"
    " shift1 REAL, shift2 REAL, shift3 REAL, shift4 REAL)",
    "CREATE INDEX sessions_by_date ON sessions (arrived)",
    // The recorded runs of each session (at most 50); shift times NULL where the column is not
    // in use, bump NULL where the run has no bump count.
    "CREATE TABLE runs ("
    " session INTEGER NOT NULL REFERENCES sessions (id), run INTEGER NOT NULL, rt REAL NOT NULL,"
    " shift1 REAL, shift2 REAL, shift3 REAL, shift4 REAL, bump INTEGER,"
    " PRIMARY KEY (session, run)) WITHOUT ROWID",
};

// SQLite's primary result codes (the low byte of an extended code).
enum SqliteCode { Busy = 5, Locked = 6, ReadOnly = 8, IoError = 10, Corrupt = 11, Full = 13, CantOpen = 14,
                  NotADatabase = 26 };

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

Store::Store(const QString &path, Notice notice) : m_path(path), m_notice(std::move(notice))
{
    static std::atomic<int> count{0};
    m_connection = QStringLiteral("history-%1").arg(++count);

    Outcome outcome = openFile(false);
    if (outcome == Outcome::Damaged) {
        close();
        if (!setAside())
            return;
        outcome = openFile(false);
    }
    switch (outcome) {
    case Outcome::Ready:
        m_readable = m_writable = true;
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

bool Store::exec(const QString &statement)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (query.exec(statement))
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
        db.setConnectOptions(readOnly ? kConnectOptions + QStringLiteral(";QSQLITE_OPEN_READONLY") : kConnectOptions);
        if (!db.open()) {
            failed(db.lastError());
            return Outcome::Off;
        }
    }
    const Outcome outcome = prepare();
    if (readOnly && outcome == Outcome::ReadOnly)
        return Outcome::Ready; // expected: it is read
    return outcome;
}

// Checks the file and makes the tables of a new one.
Store::Outcome Store::prepare()
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    const auto classify = [this, &query]() {
        const QSqlError error = query.lastError();
        if (isDamage(error))
            return Outcome::Damaged;
        if (codeOf(error) == ReadOnly)
            return Outcome::ReadOnly;
        failed(error);
        return Outcome::Off;
    };
    const auto number = [&query](const QString &statement, qint64 &value) {
        if (!query.exec(statement) || !query.next())
            return false;
        value = query.value(0).toLongLong();
        return true;
    };

    qint64 application = 0, version = 0, tables = 0;
    if (!number(QStringLiteral("PRAGMA application_id"), application) || !number(QStringLiteral("PRAGMA user_version"), version)
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
        if (!query.exec(QStringLiteral("PRAGMA quick_check(1)")) || !query.next())
            return classify();
        if (query.value(0).toString() != QLatin1String("ok"))
            return Outcome::Damaged;
    }

    // A write in a transaction tells whether the file can be written at all (a read-only file
    // opens without complaint); a new file gets its tables in it.
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return classify();
    QStringList statements;
    if (empty) {
        for (const char *statement : kSchema)
            statements.append(QLatin1String(statement));
        statements.append(QStringLiteral("PRAGMA application_id = %1").arg(kApplicationId));
    }
    statements.append(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
    for (const QString &statement : statements) {
        if (!query.exec(statement)) {
            const Outcome outcome = classify();
            QSqlQuery(QSqlDatabase::database(m_connection, false)).exec(QStringLiteral("ROLLBACK"));
            return outcome;
        }
    }
    // Only a new file keeps what was written; an existing one is left as it was.
    if (!query.exec(empty ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK")))
        return classify();
    return Outcome::Ready;
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
        "INSERT INTO sessions (arrived, imported, serial, firmware, path, hash, size, rallycross, runs, wins, reds,"
        " average, spread, best, shift1, shift2, shift3, shift4)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    const QVariant noInt;
    for (const QVariant &value :
         {QVariant(arrival.when.toMSecsSinceEpoch()), QVariant(int(arrival.imported)), QVariant(text(arrival.serial)),
          QVariant(text(arrival.firmware)), QVariant(arrival.path), QVariant(QString::fromLatin1(hash)),
          QVariant(qlonglong(arrival.bytes.size())), QVariant(int(arrival.rallycross)),
          figures ? QVariant(figures->runs) : noInt, figures ? QVariant(figures->wins) : noInt,
          figures ? QVariant(figures->reds) : noInt})
        query.addBindValue(value);
    const Figures none;
    const Figures &f = figures ? *figures : none;
    for (const std::optional<double> &value : {f.average, f.spread, f.best, f.shiftAverage[0], f.shiftAverage[1],
                                               f.shiftAverage[2], f.shiftAverage[3]})
        query.addBindValue(figures ? optional(value) : optional(std::nullopt));
    if (!query.exec()) {
        failed(query.lastError());
        return std::nullopt;
    }
    const qint64 id = query.lastInsertId().toLongLong();
    if (!figures)
        return id;

    // The runs as the window's load sets its run arrays: a short or rallycross file has no shift
    // times and no bump counts.
    const csv::Runs runs = csv::runsOf(file);
    QSqlQuery run(db);
    run.prepare(QStringLiteral("INSERT INTO runs (session, run, rt, shift1, shift2, shift3, shift4, bump)"
                               " VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    for (int r = 1; r <= std::min(figures->runs, runfile::kRuns); ++r) {
        run.addBindValue(id);
        run.addBindValue(r);
        run.addBindValue(runs.rt[size_t(r)]);
        for (const runfile::Reals &shift : runs.shift)
            run.addBindValue(optional(shift[1] == runfile::kAbsentShift ? std::nullopt : std::optional(shift[size_t(r)])));
        run.addBindValue(runs.bump[size_t(r)] == runfile::kNoBump ? noInt : QVariant(runs.bump[size_t(r)]));
        if (!run.exec()) {
            failed(run.lastError());
            return std::nullopt;
        }
    }
    return id;
}

Store::Recorded Store::recordOne(const Arrival &arrival)
{
    const QByteArray hash = hashOf(arrival.bytes);
    QSqlQuery known(QSqlDatabase::database(m_connection, false));
    known.prepare(QStringLiteral("SELECT id, serial, path FROM sessions WHERE hash = ?"));
    known.addBindValue(QString::fromLatin1(hash));
    if (!known.exec()) {
        failed(known.lastError());
        return Recorded::Off;
    }
    if (!known.next())
        return insert(arrival, hash) ? Recorded::New : Recorded::Off;

    const qint64 id = known.value(0).toLongLong();
    const bool deviceLearnt = known.value(1).toString().isEmpty() && !arrival.serial.isEmpty();
    const QString before = known.value(2).toString();
    known.finish();
    QSqlQuery update(QSqlDatabase::database(m_connection, false));
    if (deviceLearnt) {
        update.prepare(QStringLiteral("UPDATE sessions SET serial = ?, firmware = ? WHERE id = ?"));
        update.addBindValue(arrival.serial);
        update.addBindValue(text(arrival.firmware));
        update.addBindValue(id);
        if (!update.exec()) {
            failed(update.lastError());
            return Recorded::Off;
        }
    }
    // Its file is gone and this one holds the same bytes (renamed, or downloaded again).
    if (before != arrival.path && !files::isRegularFile(before) && files::isRegularFile(arrival.path)) {
        update.prepare(QStringLiteral("UPDATE sessions SET path = ? WHERE id = ?"));
        update.addBindValue(arrival.path);
        update.addBindValue(id);
        if (!update.exec()) {
            failed(update.lastError());
            return Recorded::Off;
        }
    }
    return Recorded::Known;
}

std::vector<Store::Recorded> Store::record(const std::vector<Arrival> &arrivals)
{
    std::vector<Recorded> recorded(arrivals.size(), Recorded::Off);
    if (!m_writable || arrivals.empty() || !exec(QStringLiteral("BEGIN IMMEDIATE")))
        return recorded;
    for (size_t i = 0; i < arrivals.size(); ++i) {
        recorded[i] = recordOne(arrivals[i]);
        if (recorded[i] == Recorded::Off) {
            QSqlQuery(QSqlDatabase::database(m_connection, false)).exec(QStringLiteral("ROLLBACK"));
            return std::vector<Recorded>(arrivals.size(), Recorded::Off);
        }
    }
    if (!exec(QStringLiteral("COMMIT"))) {
        QSqlQuery(QSqlDatabase::database(m_connection, false)).exec(QStringLiteral("ROLLBACK"));
        return std::vector<Recorded>(arrivals.size(), Recorded::Off);
    }
    return recorded;
}

Store::Recorded Store::record(const Arrival &arrival)
{
    return record(std::vector<Arrival>{arrival}).front();
}

int Store::importFolder(const QString &folder)
{
    if (!m_writable)
        return 0;
    QHash<QString, QString> known; // hash -> path
    {
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        if (!query.exec(QStringLiteral("SELECT hash, path FROM sessions"))) {
            failed(query.lastError());
            return 0;
        }
        while (query.next())
            known.insert(query.value(0).toString(), query.value(1).toString());
    }
    // Read first, outside the transaction, and pass over what is known where it was recorded:
    // the lock is held only for the writes.
    std::vector<Arrival> found;
    const QFileInfoList entries = QDir(folder).entryInfoList({QStringLiteral("*.txt")}, QDir::Files | QDir::Hidden,
                                                             QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &entry : entries) {
        Arrival arrival;
        arrival.path = entry.filePath();
        bool longer = false;
        try {
            arrival.bytes = files::readFile(arrival.path, runfile::kFullSize, &longer);
        } catch (const AppError &) {
            continue;
        }
        if (longer)
            continue;
        const auto it = known.constFind(QString::fromLatin1(hashOf(arrival.bytes)));
        if (it != known.constEnd() && (it.value() == arrival.path || files::isRegularFile(it.value())))
            continue;
        arrival.when = entry.lastModified();
        arrival.rallycross = arrival.bytes.size() == runfile::kRallycrossSize;
        arrival.imported = true;
        found.push_back(std::move(arrival));
    }
    const std::vector<Recorded> recorded = record(found);
    return int(std::count(recorded.begin(), recorded.end(), Recorded::New));
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
    query.prepare(QStringLiteral("SELECT id, arrived, imported, serial, firmware, path, rallycross, runs, wins, reds,"
                                 " average, spread, best, shift1, shift2, shift3, shift4 FROM sessions ")
                  + rest);
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec()) {
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
        s.path = query.value(5).toString();
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
    return list;
}

QStringList Store::devices()
{
    QStringList list;
    if (!m_readable)
        return list;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.exec(QStringLiteral("SELECT DISTINCT serial FROM sessions ORDER BY serial"))) {
        failed(query.lastError());
        return list;
    }
    while (query.next())
        list.append(query.value(0).toString());
    return list;
}

} // namespace history
