#pragma once

// One SQL statement prepared once on the store's connection and run many times: what recording
// thousands of sessions needs. Qt's queries prepare again for each use and bind through names
// made for each value, which cost more than SQLite's own work for a row.

#include <QByteArray>
#include <QSqlError>
#include <QString>

#include <optional>

struct sqlite3;
struct sqlite3_stmt;

class QSqlDatabase;

namespace history {

// The SQLite handle under a connection of Qt's driver (the same SQLite library, the system's);
// null when the connection is not open or not SQLite.
sqlite3 *sqliteHandleOf(const QSqlDatabase &db);

class SqlStatement {
public:
    // `db` is the connection's own handle (QSqlDriver::handle()); the statement is finalized
    // before the connection closes (it lives within one recording).
    SqlStatement(sqlite3 *db, const char *sql);
    ~SqlStatement();
    SqlStatement(const SqlStatement &) = delete;
    SqlStatement &operator=(const SqlStatement &) = delete;

    bool prepared() const { return m_statement != nullptr; }
    // Values by position, from 1; they stay bound until bound again.
    void bind(int position, qint64 value);
    void bind(int position, double value);
    void bind(int position, const std::optional<double> &value); // absent: NULL
    void bind(int position, const QString &value);                // a null text: NULL
    void bindUtf8(int position, QByteArrayView value);            // copied
    void bindBytes(int position, QByteArrayView value);           // a BLOB, copied
    void bindNull(int position);
    // One step: true while a row is there to read (then `column*`), false when done or failed
    // (error() tells). reset() makes it ready to run again.
    bool step();
    bool failed() const { return m_failed; }
    void reset();
    qint64 columnInt(int column) const;
    std::optional<double> columnDouble(int column) const; // NULL: none
    // Valid until the next step; empty for NULL.
    QByteArrayView columnBytes(int column) const;
    QString columnText(int column) const;
    // The last failure, as Qt's driver reports one (its native code is SQLite's).
    QSqlError error() const;

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_statement = nullptr;
    bool m_failed = false;
};

} // namespace history
