// The drivers who share a tree: their sessions, their goals, and the driver new downloads go to.

#include "history/Store.h"
#include "history/StoreSql.h"

#include <QSqlDatabase>
#include <QSqlQuery>

namespace history {

using namespace sql;

namespace {

const QString kDownloadDriver = QStringLiteral("download driver");

// The most drivers the lists offer: far more than share a tree.
constexpr int kMostDrivers = 1000;

// A driver from a row of (name, goal_average, goal_spread); a goal only with both figures.
Driver driverOf(const QSqlQuery &query)
{
    Driver driver{query.value(0).toString(), std::nullopt};
    if (!query.value(1).isNull() && !query.value(2).isNull())
        driver.goal = Goal{query.value(1).toDouble(), query.value(2).toDouble()};
    return driver;
}

} // namespace

bool Store::makeDriver(const QString &driver)
{
    QSqlQuery query(m_file.database());
    query.prepare(QStringLiteral("INSERT OR IGNORE INTO drivers (name) VALUES (?)"));
    query.addBindValue(driver);
    if (m_file.run(query))
        return true;
    m_file.failed(query.lastError());
    return false;
}

std::vector<Driver> Store::drivers()
{
    std::vector<Driver> list;
    if (!m_file.canRead())
        return list;
    QSqlQuery query(m_file.database());
    query.setForwardOnly(true);
    // A crafted store may hold any number of names of any length: as many as a list can offer,
    // each read only as far as a real one goes.
    if (!m_file.run(query, QStringLiteral("SELECT substr(name, 1, %1), goal_average, goal_spread FROM drivers ORDER BY name LIMIT %2")
                        .arg(kLongestText)
                        .arg(kMostDrivers))) {
        m_file.failed(query.lastError());
        return list;
    }
    while (query.next())
        list.push_back(driverOf(query));
    return list;
}

std::optional<Driver> Store::driver(const QString &name)
{
    if (!m_file.canRead() || name.isEmpty())
        return std::nullopt;
    QSqlQuery query(m_file.database());
    query.prepare(QStringLiteral("SELECT name, goal_average, goal_spread FROM drivers WHERE name = ?"));
    query.addBindValue(name);
    if (!m_file.run(query)) {
        m_file.failed(query.lastError());
        return std::nullopt;
    }
    return query.next() ? std::optional(driverOf(query)) : std::nullopt;
}

bool Store::assign(const std::vector<qint64> &ids, const QString &driver)
{
    if (!m_file.canWrite() || !m_file.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return false;
    const auto rollback = [this] {
        m_file.rollback();
        return false;
    };
    if (!driver.isEmpty() && !makeDriver(driver))
        return rollback();
    QSqlQuery update(m_file.database());
    update.prepare(QStringLiteral("UPDATE sessions SET driver = (SELECT id FROM drivers WHERE name = ?) WHERE id = ?"));
    for (const qint64 id : ids) {
        update.addBindValue(driver.isEmpty() ? QVariant() : QVariant(driver));
        update.addBindValue(id);
        if (!m_file.run(update)) {
            m_file.failed(update.lastError());
            return rollback();
        }
    }
    return m_file.exec(QStringLiteral("COMMIT")) || rollback();
}

bool Store::setGoal(const QString &driver, const std::optional<Goal> &goal)
{
    if (!m_file.canWrite() || driver.isEmpty() || !m_file.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return false;
    QSqlQuery query(m_file.database());
    query.prepare(QStringLiteral("UPDATE drivers SET goal_average = ?, goal_spread = ? WHERE name = ?"));
    query.addBindValue(goal ? QVariant(goal->average) : QVariant());
    query.addBindValue(goal ? QVariant(goal->spread) : QVariant());
    query.addBindValue(driver);
    if (!makeDriver(driver) || !m_file.run(query)) {
        if (query.lastError().isValid())
            m_file.failed(query.lastError());
        m_file.rollback();
        return false;
    }
    return m_file.exec(QStringLiteral("COMMIT"));
}

std::optional<QString> Store::setting(const QString &name)
{
    if (!m_file.canRead())
        return std::nullopt;
    QSqlQuery query(m_file.database());
    query.prepare(QStringLiteral("SELECT value FROM settings WHERE name = ?"));
    query.addBindValue(name);
    if (!m_file.run(query)) {
        m_file.failed(query.lastError());
        return std::nullopt;
    }
    return query.next() ? std::optional(query.value(0).toString()) : std::nullopt;
}

QString Store::downloadDriver()
{
    return setting(kDownloadDriver).value_or(QString());
}

bool Store::setDownloadDriver(const QString &driver)
{
    if (!m_file.canWrite())
        return false;
    QSqlQuery query(m_file.database());
    if (driver.isEmpty()) {
        query.prepare(QStringLiteral("DELETE FROM settings WHERE name = ?"));
        query.addBindValue(kDownloadDriver);
    } else {
        query.prepare(QStringLiteral("INSERT OR REPLACE INTO settings (name, value) VALUES (?, ?)"));
        query.addBindValue(kDownloadDriver);
        query.addBindValue(driver);
    }
    if (m_file.run(query))
        return true;
    m_file.failed(query.lastError());
    return false;
}

} // namespace history
