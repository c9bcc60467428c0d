// The store's queries: the sessions whole, and what the History window asks, each bounded by
// what a window shows.

#include "history/Store.h"
#include "history/SqlStatement.h"
#include "history/StoreSql.h"

#include <QLocale>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace history {

using namespace sql;

namespace {

constexpr qint64 kDayMs = 86400000;

// The WHERE clause of a device and a driver filter, and their values.
QString where(const DeviceFilter &serial, const DriverFilter &driver, const char *more = nullptr)
{
    QStringList terms;
    if (serial)
        terms << QStringLiteral("serial = ?");
    if (driver)
        terms << (driver->isEmpty() ? QStringLiteral("driver IS NULL") : QStringLiteral("driver = (SELECT id FROM drivers WHERE name = ?)"));
    if (more)
        terms << QLatin1String(more);
    return terms.isEmpty() ? QString() : QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "));
}

// The values where() leaves to bind, in its order.
QStringList filterValues(const DeviceFilter &serial, const DriverFilter &driver)
{
    QStringList values;
    if (serial)
        values << text(*serial); // a null text would bind NULL, which matches nothing
    if (driver && !driver->isEmpty())
        values << *driver;
    return values;
}

void bindFilter(QSqlQuery &query, const DeviceFilter &serial, const DriverFilter &driver)
{
    for (const QString &value : filterValues(serial, driver))
        query.addBindValue(value);
}

// The same on a statement of SQLite's own, from `position`.
void bindFilter(SqlStatement &statement, int position, const DeviceFilter &serial, const DriverFilter &driver)
{
    for (const QString &value : filterValues(serial, driver))
        statement.bind(position++, value);
}

std::optional<double> number(const QVariant &value)
{
    return value.isNull() ? std::nullopt : std::optional<double>(value.toDouble());
}

} // namespace

Overview Store::overview(const DeviceFilter &serial, const DriverFilter &driver)
{
    Overview overview;
    if (!m_file.canRead())
        return overview;
    QSqlQuery query(m_file.database());
    query.prepare(QStringLiteral("SELECT count(*), total(max(coalesce(runs, 0), 0)), min(arrived), max(arrived) FROM sessions")
                  + where(serial, driver));
    bindFilter(query, serial, driver);
    if (!m_file.run(query) || !query.next()) {
        m_file.failed(query.lastError());
        return overview;
    }
    overview.sessions = query.value(0).toLongLong();
    overview.runs = qint64(query.value(1).toDouble());
    if (overview.sessions > 0) {
        overview.first = QDateTime::fromMSecsSinceEpoch(query.value(2).toLongLong());
        overview.last = QDateTime::fromMSecsSinceEpoch(query.value(3).toLongLong());
    }
    return overview;
}

std::vector<qint64> Store::sessionIds(const DeviceFilter &serial, const DriverFilter &driver)
{
    std::vector<qint64> ids;
    if (!m_file.canRead())
        return ids;
    QSqlQuery query(m_file.database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT id FROM sessions") + where(serial, driver) + QStringLiteral(" ORDER BY arrived, id"));
    bindFilter(query, serial, driver);
    if (!m_file.run(query)) {
        m_file.failed(query.lastError());
        return ids;
    }
    while (query.next())
        ids.push_back(query.value(0).toLongLong());
    return ids;
}

std::vector<Session> Store::sessionsWithIds(const std::vector<qint64> &ids)
{
    std::vector<Session> list;
    constexpr size_t kChunk = 500; // well below SQLite's limit of bound values
    for (size_t at = 0; at < ids.size(); at += kChunk) {
        const size_t count = std::min(kChunk, ids.size() - at);
        QStringList marks(qsizetype(count), QStringLiteral("?"));
        QVariantList values;
        for (size_t i = at; i < at + count; ++i)
            values.append(ids[i]);
        std::vector<Session> part =
            select(QStringLiteral("WHERE id IN (%1) ORDER BY arrived, id").arg(marks.join(QLatin1Char(','))), values);
        list.insert(list.end(), std::make_move_iterator(part.begin()), std::make_move_iterator(part.end()));
    }
    return list;
}

Plot Store::plot(const DeviceFilter &serial, Grouping grouping, const QDateTime &local, const DriverFilter &driver)
{
    Plot plot;
    if (!m_file.canRead())
        return plot;
    // Local time at one offset: a change to or from summer time moves a day's edge by an hour,
    // which evening practice does not straddle.
    const QString localMs = QStringLiteral("(arrived + %1)").arg(qint64(local.offsetFromUtc()) * 1000);
    // Grouped, the key grows with the time, so that its order is the sessions' order.
    QString key;
    switch (grouping) {
    case Grouping::Session:
        break;
    case Grouping::Day:
        key = QStringLiteral("%1 / %2").arg(localMs).arg(kDayMs);
        break;
    case Grouping::Week: // 1 January 1970 was a Thursday
        key = QStringLiteral("(%1 / %2 + 3) / 7").arg(localMs).arg(kDayMs);
        break;
    case Grouping::Month:
        key = QStringLiteral("strftime('%Y%m', %1 / 1000, 'unixepoch')").arg(localMs);
        break;
    case Grouping::Year:
        key = QStringLiteral("strftime('%Y', %1 / 1000, 'unixepoch')").arg(localMs);
        break;
    }
    QSqlQuery query(m_file.database());
    query.setForwardOnly(true);
    // One point per session is each session's own figures (no grouping: a group each would cost
    // a sort).
    query.prepare(key.isEmpty()
                      ? QStringLiteral("SELECT arrived, average, best, spread, CASE WHEN runs > 0 THEN reds * 100.0 / runs END,"
                                       " shift1, shift2, shift3, shift4 FROM sessions")
                            + where(serial, driver, "runs IS NOT NULL") + QStringLiteral(" ORDER BY arrived, id")
                      : QStringLiteral("SELECT avg(arrived), avg(average), min(best), avg(spread),"
                                       " sum(CASE WHEN runs > 0 THEN reds END) * 100.0 / sum(CASE WHEN runs > 0 THEN runs END),"
                                       " avg(shift1), avg(shift2), avg(shift3), avg(shift4) FROM sessions")
                            + where(serial, driver, "runs IS NOT NULL") + QStringLiteral(" GROUP BY ") + key
                            + QStringLiteral(" ORDER BY ") + key);
    bindFilter(query, serial, driver);
    if (!m_file.run(query)) {
        m_file.failed(query.lastError());
        return plot;
    }
    while (query.next()) {
        const double x = query.value(0).toDouble();
        const auto add = [x](QList<QPointF> &points, const QVariant &y) {
            if (const std::optional<double> value = number(y))
                points.append(QPointF(x, *value));
        };
        add(plot.average, query.value(1));
        add(plot.best, query.value(2));
        add(plot.spread, query.value(3));
        add(plot.redRate, query.value(4));
        for (int k = 0; k < 4; ++k)
            add(plot.shiftAverage[size_t(k)], query.value(5 + k));
    }
    return plot;
}

Practice Store::practice(const DeviceFilter &serial, const DriverFilter &driver, const std::optional<Goal> &goal)
{
    Practice practice;
    if (!m_file.canRead())
        return practice;
    // Each session's figures and its runs already binned, in date order.
    SqlStatement figures(m_file.handle(),
                         (QStringLiteral("SELECT id, arrived, runs, average, spread, best, binned_times FROM sessions")
                          + where(serial, driver) + QStringLiteral(" ORDER BY arrived, id"))
                             .toUtf8()
                             .constData());
    bindFilter(figures, 1, serial, driver);
    m_file.resetDeadline();
    PracticeTally tally(goal);
    Overview &overview = practice.overview;
    qint64 first = 0, last = 0;
    while (figures.step()) {
        last = figures.columnInt(1);
        if (overview.sessions++ == 0)
            first = last;
        if (!figures.columnDouble(2))
            continue; // a file that does not decode
        overview.runs += std::max<qint64>(figures.columnInt(2), 0);
        Figures f;
        f.average = figures.columnDouble(3);
        f.spread = figures.columnDouble(4);
        f.best = figures.columnDouble(5);
        tally.add(figures.columnInt(0), f);
        addBinnedTimes(practice.distribution, figures.columnBytes(6));
    }
    if (figures.failed()) {
        m_file.failed(figures.error());
        return {};
    }
    if (overview.sessions > 0) {
        overview.first = QDateTime::fromMSecsSinceEpoch(first);
        overview.last = QDateTime::fromMSecsSinceEpoch(last);
    }

    // The few sessions named, whole.
    std::vector<qint64> ids;
    for (const auto &found : {tally.average(), tally.reaction(), tally.spread()})
        if (found)
            ids.push_back(found->session);
    if (tally.streakEnd())
        ids.push_back(tally.streakEnd());
    const std::vector<Session> named = sessionsWithIds(ids);
    const auto sessionWith = [&named](qint64 id) -> std::optional<Session> {
        for (const Session &s : named)
            if (s.id == id)
                return s;
        return std::nullopt;
    };
    const auto best = [&](const std::optional<PracticeTally::Found> &found) -> std::optional<Best> {
        if (!found)
            return std::nullopt;
        if (std::optional<Session> s = sessionWith(found->session))
            return Best{found->value, std::move(*s)};
        return std::nullopt;
    };
    practice.bests.average = best(tally.average());
    practice.bests.reaction = best(tally.reaction());
    practice.bests.spread = best(tally.spread());
    if (tally.streakEnd()) {
        practice.bests.streak = tally.streak();
        practice.bests.streakEnd = sessionWith(tally.streakEnd());
    }
    if (goal)
        practice.goalCount = tally.goalCount();
    return practice;
}

std::vector<Session> Store::sessions(const std::optional<QString> &serial, const DriverFilter &driver)
{
    QVariantList values;
    for (const QString &value : filterValues(serial, driver))
        values << value;
    return select(where(serial, driver) + QStringLiteral(" ORDER BY arrived, id"), values);
}

std::vector<Session> Store::select(const QString &rest, const QVariantList &values)
{
    std::vector<Session> list;
    if (!m_file.canRead())
        return list;
    QSqlQuery query(m_file.database());
    query.setForwardOnly(true);
    // The texts come from the device, the folder or a crafted file: read only as far as any
    // real one goes, so one huge value costs no more than its first characters.
    query.prepare(QStringLiteral("SELECT id, arrived, imported, substr(serial, 1, %1), substr(firmware, 1, %1),"
                                 " substr(file, 1, %1), rallycross, runs, wins, reds,"
                                 " average, spread, best, shift1, shift2, shift3, shift4,"
                                 " (SELECT substr(name, 1, %1) FROM drivers WHERE drivers.id = sessions.driver) FROM sessions ")
                      .arg(kLongestText)
                  + rest);
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!m_file.run(query)) {
        m_file.failed(query.lastError());
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
        s.driver = query.value(17).toString();
        list.push_back(std::move(s));
    }
    if (query.lastError().isValid())
        m_file.failed(query.lastError()); // stopped while reading
    return list;
}

QStringList Store::devices()
{
    QStringList list;
    if (!m_file.canRead())
        return list;
    QSqlQuery query(m_file.database());
    if (!m_file.run(query, QStringLiteral("SELECT DISTINCT substr(serial, 1, %1) AS shown FROM sessions ORDER BY shown").arg(kLongestText))) {
        m_file.failed(query.lastError());
        return list;
    }
    while (query.next())
        list.append(query.value(0).toString());
    return list;
}

} // namespace history
