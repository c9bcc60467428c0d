#include "history/SqlStatement.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

namespace history {

sqlite3 *sqliteHandleOf(const QSqlDatabase &db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.data());
}

SqlStatement::SqlStatement(sqlite3 *db, const char *sql) : m_db(db)
{
    if (!db || sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &m_statement, nullptr) != SQLITE_OK) {
        m_statement = nullptr;
        m_failed = true;
    }
}

SqlStatement::~SqlStatement()
{
    sqlite3_finalize(m_statement);
}

void SqlStatement::bind(int position, qint64 value)
{
    sqlite3_bind_int64(m_statement, position, value);
}

void SqlStatement::bind(int position, double value)
{
    sqlite3_bind_double(m_statement, position, value);
}

void SqlStatement::bind(int position, const std::optional<double> &value)
{
    if (value)
        bind(position, *value);
    else
        bindNull(position);
}

void SqlStatement::bind(int position, const QString &value)
{
    // The store's texts are UTF-8: converted here once rather than by SQLite.
    if (value.isNull())
        bindNull(position);
    else
        bindUtf8(position, value.toUtf8());
}

void SqlStatement::bindUtf8(int position, QByteArrayView value)
{
    sqlite3_bind_text(m_statement, position, value.data(), int(value.size()), SQLITE_TRANSIENT);
}

void SqlStatement::bindBytes(int position, QByteArrayView value)
{
    sqlite3_bind_blob(m_statement, position, value.data(), int(value.size()), SQLITE_TRANSIENT);
}

void SqlStatement::bindNull(int position)
{
    sqlite3_bind_null(m_statement, position);
}

bool SqlStatement::step()
{
    if (!m_statement)
        return false;
    const int result = sqlite3_step(m_statement);
    if (result == SQLITE_ROW)
        return true;
    m_failed = result != SQLITE_DONE;
    return false;
}

void SqlStatement::reset()
{
    sqlite3_reset(m_statement);
}

qint64 SqlStatement::columnInt(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

std::optional<double> SqlStatement::columnDouble(int column) const
{
    if (sqlite3_column_type(m_statement, column) == SQLITE_NULL)
        return std::nullopt;
    return sqlite3_column_double(m_statement, column);
}

QByteArrayView SqlStatement::columnBytes(int column) const
{
    const auto *bytes = static_cast<const char *>(sqlite3_column_blob(m_statement, column));
    return bytes ? QByteArrayView(bytes, sqlite3_column_bytes(m_statement, column)) : QByteArrayView();
}

QString SqlStatement::columnText(int column) const
{
    const auto *text = static_cast<const char16_t *>(sqlite3_column_text16(m_statement, column));
    return text ? QString::fromUtf16(text, sqlite3_column_bytes16(m_statement, column) / 2) : QString();
}

QSqlError SqlStatement::error() const
{
    const int code = m_db ? sqlite3_extended_errcode(m_db) : SQLITE_MISUSE;
    const QString text = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("no connection");
    return QSqlError(QStringLiteral("Unable to execute statement"), text, QSqlError::StatementError,
                     QString::number(code));
}

} // namespace history
