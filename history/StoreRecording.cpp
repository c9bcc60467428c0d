// Recording run files as sessions: one transaction for a whole download or a batch of the
// folder's files, each statement prepared once for all of them.

#include "history/ContentHash.h"
#include "history/Store.h"
#include "history/SqlStatement.h"
#include "history/StoreSql.h"

#include "base/Files.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <array>
#include <memory>

#include <sqlite3.h>

namespace history {

using namespace sql;

struct Store::Statements {
    explicit Statements(sqlite3 *db)
        : known(db, "SELECT id, serial, file FROM sessions WHERE hash = ?"),
          seen(db, "INSERT OR REPLACE INTO seen (file, size, modified, hash) VALUES (?, ?, ?, ?)"),
          session(db, "INSERT INTO sessions (arrived, imported, serial, firmware, file, hash, size, rallycross, runs,"
                      " wins, reds, average, spread, best, shift1, shift2, shift3, shift4, binned_times, driver)"
                      " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?,"
                      " (SELECT id FROM drivers WHERE name = ?))"),
          m_db(db),
          device(db, "UPDATE sessions SET serial = ?, firmware = ? WHERE id = ?"),
          file(db, "UPDATE sessions SET file = ? WHERE id = ?")
    {
    }
    SqlStatement *unprepared()
    {
        for (SqlStatement *s : {&known, &seen, &session, &device, &file})
            if (!s->prepared())
                return s;
        return nullptr;
    }
    // The runs of a session in one statement of `count` rows, prepared when first needed: one
    // step for a session rather than one for each run.
    SqlStatement &runs(int count)
    {
        std::unique_ptr<SqlStatement> &statement = m_runs[size_t(count)];
        if (!statement) {
            QByteArray sql = "INSERT INTO runs (session, run, rt, shift1, shift2, shift3, shift4, bump) VALUES ";
            for (int r = 0; r < count; ++r)
                sql += r == 0 ? "(?, ?, ?, ?, ?, ?, ?, ?)" : ", (?, ?, ?, ?, ?, ?, ?, ?)";
            statement = std::make_unique<SqlStatement>(m_db, sql.constData());
        }
        return *statement;
    }
    SqlStatement known, seen, session;

private:
    sqlite3 *m_db;
    std::array<std::unique_ptr<SqlStatement>, runfile::kRuns + 1> m_runs;

public:
    SqlStatement device, file;
};

std::optional<qint64> Store::insert(Statements &statements, const Arrival &arrival, const QByteArray &hash)
{
    const runfile::RunFile file = runfile::decode(arrival.bytes, QLocale::c());
    const std::optional<Figures> figures = figuresOf(file);

    SqlStatement &session = statements.session;
    session.bind(1, arrival.when.toMSecsSinceEpoch());
    session.bind(2, qint64(arrival.imported));
    session.bind(3, text(arrival.serial));
    session.bind(4, text(arrival.firmware));
    session.bind(5, fileOf(arrival.path));
    session.bindUtf8(6, hash);
    session.bind(7, qint64(arrival.bytes.size()));
    session.bind(8, qint64(arrival.rallycross));
    const Figures none;
    const Figures &f = figures ? *figures : none;
    int position = 9;
    for (const int count : {f.runs, f.wins, f.reds}) {
        if (figures)
            session.bind(position++, qint64(count));
        else
            session.bindNull(position++);
    }
    for (const std::optional<double> &value : {f.average, f.spread, f.best, f.shiftAverage[0], f.shiftAverage[1],
                                               f.shiftAverage[2], f.shiftAverage[3]})
        session.bind(position++, figures ? value : std::nullopt);
    // The runs as the window's load sets its run arrays: a short or rallycross file has no shift
    // times and no bump counts.
    const int count = figures ? std::clamp(figures->runs, 0, runfile::kRuns) : 0;
    const runfile::Runs runs = runfile::runsOf(file);
    if (figures)
        session.bindBytes(position++, binnedTimes(std::vector<double>(runs.rt.begin() + 1, runs.rt.begin() + 1 + count), figures->reds));
    else
        session.bindNull(position++);
    if (arrival.driver.isEmpty())
        session.bindNull(position);
    else
        session.bind(position, arrival.driver);
    if (!m_file.run(session))
        return std::nullopt;
    const qint64 id = sqlite3_last_insert_rowid(m_file.handle());
    if (!figures)
        return id;

    if (count == 0)
        return id;
    SqlStatement &rows = statements.runs(count);
    if (!rows.prepared()) {
        m_file.failed(rows.error());
        return std::nullopt;
    }
    for (int r = 1; r <= count; ++r) {
        const int at = 8 * (r - 1);
        rows.bind(at + 1, id);
        rows.bind(at + 2, qint64(r));
        rows.bind(at + 3, runs.rt[size_t(r)]);
        for (int k = 0; k < 4; ++k) {
            const runfile::Reals &shift = runs.shift[size_t(k)];
            rows.bind(at + 4 + k, shift[1] == runfile::kAbsentShift ? std::nullopt : std::optional(shift[size_t(r)]));
        }
        if (runs.bump[size_t(r)] == runfile::kNoBump)
            rows.bindNull(at + 8);
        else
            rows.bind(at + 8, qint64(runs.bump[size_t(r)]));
    }
    if (!m_file.run(rows))
        return std::nullopt;
    return id;
}

bool Store::markSeen(Statements &statements, const QString &file, const files::Stamp &stamp, const QByteArray &hash)
{
    SqlStatement &seen = statements.seen;
    seen.bind(1, file);
    seen.bind(2, stamp.size);
    seen.bind(3, stamp.modifiedMs);
    seen.bindUtf8(4, hash);
    return m_file.run(seen);
}

Store::Recorded Store::recordOne(Statements &statements, const Arrival &arrival)
{
    const QByteArray hash = contentHash(arrival.bytes);
    const QString file = fileOf(arrival.path);
    // A file of the folder, read now: the next start need not read it again.
    if (file != arrival.path) {
        const std::optional<files::Stamp> stamp = arrival.stamp ? arrival.stamp : files::stampOf(arrival.path);
        if (stamp && stamp->size == arrival.bytes.size() && !markSeen(statements, file, *stamp, hash))
            return Recorded::Off;
    }
    SqlStatement &known = statements.known;
    known.bindUtf8(1, hash);
    m_file.resetDeadline();
    const bool found = known.step();
    const qint64 id = found ? known.columnInt(0) : 0;
    const bool deviceLearnt = found && known.columnText(1).isEmpty() && !arrival.serial.isEmpty();
    const QString before = found ? pathOf(known.columnText(2)) : QString();
    known.reset();
    if (known.failed()) {
        m_file.failed(known.error());
        return Recorded::Off;
    }
    if (!found)
        return insert(statements, arrival, hash) ? Recorded::New : Recorded::Off;

    if (deviceLearnt) {
        statements.device.bind(1, arrival.serial);
        statements.device.bind(2, text(arrival.firmware));
        statements.device.bind(3, id);
        if (!m_file.run(statements.device))
            return Recorded::Off;
    }
    // Its file is gone and this one holds the same bytes (renamed, or downloaded again).
    if (before != arrival.path && !files::isRegularFile(before) && files::isRegularFile(arrival.path)) {
        statements.file.bind(1, file);
        statements.file.bind(2, id);
        if (!m_file.run(statements.file))
            return Recorded::Off;
    }
    return Recorded::Known;
}

std::vector<Store::Recorded> Store::record(const std::vector<Arrival> &arrivals)
{
    std::vector<Recorded> recorded(arrivals.size(), Recorded::Off);
    // Held locked at start: tried once more now, waiting as any recording does.
    m_file.openIfWaiting();
    if (!m_file.canWrite() || arrivals.empty() || !m_file.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return recorded;
    // The drivers the new sessions go to, made first (one download has one driver).
    QString driver;
    for (const Arrival &arrival : arrivals) {
        if (!arrival.driver.isEmpty() && arrival.driver != driver) {
            driver = arrival.driver;
            if (!makeDriver(driver)) {
                m_file.rollback();
                return recorded;
            }
        }
    }
    {
        Statements statements(m_file.handle());
        if (const SqlStatement *unprepared = statements.unprepared()) {
            m_file.failed(unprepared->error());
            m_file.rollback();
            return recorded;
        }
        for (size_t i = 0; i < arrivals.size(); ++i) {
            recorded[i] = recordOne(statements, arrivals[i]);
            if (recorded[i] == Recorded::Off) {
                m_file.rollback();
                return std::vector<Recorded>(arrivals.size(), Recorded::Off);
            }
        }
    } // finalized before the transaction ends
    if (!m_file.exec(QStringLiteral("COMMIT"))) {
        m_file.rollback();
        return std::vector<Recorded>(arrivals.size(), Recorded::Off);
    }
    return recorded;
}

} // namespace history
