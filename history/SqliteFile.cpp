// The file's life: opening (waiting for a lock, falling back to reading, setting a damaged file
// aside), the bounds on every statement, and turning itself off with a notice.

#include "history/SqliteFile.h"
#include "history/SqlStatement.h"
#include "history/StoreSql.h"

#include "base/Errors.h"
#include "base/Files.h"
#include "base/WorkingFolders.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>

#include <atomic>

#include <sqlite3.h>

namespace history {

using namespace sql;

namespace {

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

SqliteFile::SqliteFile(const QString &path, Notice notice, Opening opening)
    : m_path(path), m_folder(statisticsBeside(path)), m_notice(std::move(notice)), m_opening(opening)
{
    static std::atomic<int> count{0};
    m_connection = QStringLiteral("history-%1").arg(++count);
    open();
}

void SqliteFile::open()
{
    Outcome outcome = openFile(false);
    if (outcome == Outcome::Damaged && m_opening == Opening::Import) {
        // The window's own connection sets it aside (startAnew).
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
    case Outcome::Unwritable: {
        // Shown as it is; nothing can be added. A disk that is full, or refuses the write, is
        // no reason to hide what the file holds.
        close();
        const QString why = outcome == Outcome::ReadOnly ? QStringLiteral("is read-only") : m_unwritable;
        m_readable = openFile(true) == Outcome::Ready;
        turnOff(QStringLiteral("the history file %1 %2 (%3)")
                    .arg(shown(m_path), why, m_readable ? QStringLiteral("it is shown, but new run files are not added")
                                                        : QStringLiteral("it cannot be shown either")));
        if (!m_readable)
            close();
        break;
    }
    case Outcome::Damaged: // again, after a new start: give up
        turnOff(QStringLiteral("a new history file %1 could not be started").arg(shown(m_path)));
        close();
        break;
    case Outcome::Off:
        close();
        break;
    }
}

void SqliteFile::startAnew()
{
    close();
    m_readable = m_writable = false;
    if (!setAside())
        return;
    m_opening = Opening::Full;
    open();
}

void SqliteFile::openIfWaiting()
{
    if (!m_waiting)
        return;
    m_opening = Opening::Full;
    open();
    if (m_waiting)
        turnOff(QStringLiteral("the history file %1 is locked by another program").arg(shown(m_path)));
}

SqliteFile::~SqliteFile()
{
    close();
}

void SqliteFile::close()
{
    if (!QSqlDatabase::contains(m_connection))
        return;
    database().close();
    QSqlDatabase::removeDatabase(m_connection);
}

void SqliteFile::turnOff(const QString &why)
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

void SqliteFile::failed(const QSqlError &error)
{
    if (isDamage(error))
        m_readable = false; // set aside at the next start
    turnOff(QStringLiteral("the history file %1 %2").arg(shown(m_path), describe(error)));
}

QSqlDatabase SqliteFile::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

sqlite3 *SqliteFile::handle() const
{
    return sqliteHandleOf(database());
}

void SqliteFile::resetDeadline()
{
    m_deadline.setRemainingTime(kStatementLimitMs);
}

bool SqliteFile::run(QSqlQuery &query)
{
    m_deadline.setRemainingTime(kStatementLimitMs);
    return query.exec();
}

bool SqliteFile::run(QSqlQuery &query, const QString &statement)
{
    m_deadline.setRemainingTime(kStatementLimitMs);
    return query.exec(statement);
}

int SqliteFile::progress(void *file)
{
    return static_cast<SqliteFile *>(file)->m_deadline.hasExpired() ? 1 : 0;
}

bool SqliteFile::run(SqlStatement &statement)
{
    m_deadline.setRemainingTime(kStatementLimitMs);
    while (statement.step()) {
    }
    statement.reset();
    if (!statement.failed())
        return true;
    failed(statement.error());
    return false;
}

bool SqliteFile::exec(const QString &statement)
{
    QSqlQuery query(database());
    if (run(query, statement))
        return true;
    failed(query.lastError());
    return false;
}

void SqliteFile::rollback()
{
    QSqlQuery query(database());
    run(query, QStringLiteral("ROLLBACK"));
}

SqliteFile::Outcome SqliteFile::openFile(bool readOnly)
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
        if (sqlite3 *sqlite = sqliteHandleOf(db))
            sqlite3_progress_handler(sqlite, 1000, &SqliteFile::progress, this);
    }
    const Outcome outcome = prepare();
    if (outcome == Outcome::Ready && m_opening == Opening::AtStart)
        exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(kBusyWaitMs)); // for the recordings to come
    if (readOnly && outcome == Outcome::ReadOnly)
        return Outcome::Ready; // expected: it is read
    return outcome;
}

bool SqliteFile::setAside()
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

bool SqliteFile::checkWhole()
{
    if (!m_readable)
        return true;
    QSqlQuery query(database());
    if (run(query, QStringLiteral("PRAGMA quick_check(1)")) && query.next() && query.value(0).toString() == QLatin1String("ok"))
        return true;
    if (!query.lastError().isValid() || isDamage(query.lastError()))
        m_damaged = true;
    return !m_damaged;
}

} // namespace history
