// Recording run files as sessions: one transaction for a whole download or a batch of the
// folder's files.

#include "history/HistoryStore.h"
#include "history/StoreSql.h"

#include "base/Files.h"

#include <QSqlDatabase>
#include <QSqlQuery>

namespace history {

using namespace sql;

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

} // namespace history
