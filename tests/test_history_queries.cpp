#include "history/FolderImport.h"
#include "history/Store.h"
#include "tests/support/TestSupport.h"
#include "tools/sim/RunFiles.h"

#include <QFile>
#include <QMap>

// What the History window asks the store: the sessions' count and span, their ids a table reads
// rows by, and the chart's points, one per session or grouped by day, week, month or year.
class HistoryQueriesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<history::Store> store;
    QStringList notices;

    static QDateTime at(int month, int day, int hour) { return QDateTime(QDate(2024, month, day), QTime(hour, 10)); }

    // Sessions over weeks from two trees and a file found in the folder; one file does not decode.
    void fill()
    {
        struct Row {
            QDateTime when;
            const char *serial;
            bool decodes;
        };
        const Row rows[] = {
            {at(4, 7, 23), "VM000042", true},  // a Sunday, late: the week before the Monday
            {at(4, 8, 0), "VM000042", true},   // Monday, just after midnight
            {at(4, 8, 19), "VM000007", true},  // the same day
            {at(4, 10, 18), "VM000042", false},
            {at(4, 14, 20), "", true},         // Sunday
            {at(5, 2, 18), "VM000007", true},  // another month
            {at(5, 2, 21), "VM000042", true},
        };
        int n = 0;
        for (const Row &row : rows) {
            ++n;
            const QByteArray bytes = row.decodes ? sim::encodeRunFile(sim::generateSession(std::uint32_t(n), 10 + n), sim::RunFileKind::Full)
                                                 : QByteArray(300, '0') + QByteArray::number(n) + "X";
            history::Arrival a;
            a.path = dir->filePath(QStringLiteral("RUN%1.txt").arg(n));
            QFile file(a.path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
            a.bytes = bytes;
            a.when = row.when;
            a.serial = QLatin1String(row.serial);
            a.imported = !*row.serial;
            QCOMPARE(store->record(a), history::Store::Recorded::New);
        }
    }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        notices.clear();
        store = std::make_unique<history::Store>(dir->filePath(QStringLiteral("History.sqlite")),
                                                 [this](const QString &text) { notices.append(text); });
        fill();
    }
    void cleanup()
    {
        store.reset();
        QCOMPARE(notices, QStringList());
    }

    // The count, runs and span, the ids in the order sessions() lists them, and rows read by id,
    // for every device filter.
    void overviewAndRows_data()
    {
        QTest::addColumn<history::DeviceFilter>("filter");
        QTest::newRow("all") << history::DeviceFilter();
        QTest::newRow("one tree") << history::DeviceFilter(QStringLiteral("VM000042"));
        QTest::newRow("device not known") << history::DeviceFilter(QString(QLatin1String("")));
        QTest::newRow("no such tree") << history::DeviceFilter(QStringLiteral("VM999999"));
    }
    void overviewAndRows()
    {
        QFETCH(history::DeviceFilter, filter);
        const std::vector<history::Session> sessions = store->sessions(filter);
        const history::Overview overview = store->overview(filter);
        QCOMPARE(overview.sessions, qint64(sessions.size()));
        qint64 runs = 0;
        for (const history::Session &s : sessions)
            runs += s.figures ? s.figures->runs : 0;
        QCOMPARE(overview.runs, runs);
        QCOMPARE(overview.first, sessions.empty() ? QDateTime() : sessions.front().arrived);
        QCOMPARE(overview.last, sessions.empty() ? QDateTime() : sessions.back().arrived);

        std::vector<qint64> ids;
        for (const history::Session &s : sessions)
            ids.push_back(s.id);
        QCOMPARE(store->sessionIds(filter), ids);

        // Every other one, and an id the store does not have.
        std::vector<qint64> some;
        for (size_t i = 0; i < ids.size(); i += 2)
            some.push_back(ids[i]);
        some.push_back(999999);
        const std::vector<history::Session> read = store->sessionsWithIds(some);
        QCOMPARE(read.size(), some.size() - 1);
        for (size_t i = 0; i < read.size(); ++i) {
            QCOMPARE(read[i].id, some[i]);
            QCOMPARE(history::tableRow(read[i]), history::tableRow(sessions[2 * i]));
            QCOMPARE(read[i].path, sessions[2 * i].path);
        }
    }

    // The chart's points against the sessions' own figures, grouped here by local dates (weeks
    // from Monday): the mean time and mean figures of each group, the best of its best times, its
    // red lights over its runs.
    void chartPoints_data()
    {
        QTest::addColumn<history::Grouping>("grouping");
        QTest::addColumn<int>("points");
        QTest::newRow("session") << history::Grouping::Session << 6;
        QTest::newRow("day") << history::Grouping::Day << 4;
        QTest::newRow("week") << history::Grouping::Week << 3;
        QTest::newRow("month") << history::Grouping::Month << 2;
        QTest::newRow("year") << history::Grouping::Year << 1;
    }
    void chartPoints()
    {
        QFETCH(history::Grouping, grouping);
        QFETCH(int, points);
        const auto keyOf = [grouping](const history::Session &s) -> qint64 {
            const QDate d = s.arrived.date();
            switch (grouping) {
            case history::Grouping::Session:
                return s.id;
            case history::Grouping::Day:
                return d.toJulianDay();
            case history::Grouping::Week:
                return d.addDays(1 - d.dayOfWeek()).toJulianDay();
            case history::Grouping::Month:
                return d.year() * 100 + d.month();
            case history::Grouping::Year:
                return d.year();
            }
            return 0;
        };
        QMap<qint64, std::vector<history::Session>> groups;
        for (const history::Session &s : store->sessions())
            if (s.figures)
                groups[keyOf(s)].push_back(s);
        const history::Plot plot = store->plot(std::nullopt, grouping, at(5, 1, 12));
        QCOMPARE(plot.average.size(), points);
        QCOMPARE(groups.size(), points);
        int i = 0;
        for (const std::vector<history::Session> &group : groups) {
            double x = 0, average = 0, spread = 0, best = 1e9;
            int runs = 0, reds = 0;
            for (const history::Session &s : group) {
                x += double(s.arrived.toMSecsSinceEpoch()) / double(group.size());
                average += *s.figures->average / double(group.size());
                spread += *s.figures->spread / double(group.size());
                best = std::min(best, *s.figures->best);
                runs += s.figures->runs;
                reds += s.figures->reds;
            }
            QCOMPARE(plot.average.at(i), QPointF(x, average));
            QCOMPARE(plot.spread.at(i), QPointF(x, spread));
            QCOMPARE(plot.best.at(i), QPointF(x, best));
            QCOMPARE(plot.redRate.at(i), QPointF(x, 100.0 * reds / runs));
            ++i;
        }
        // One tree's only.
        QCOMPARE(store->plot(QStringLiteral("VM000007"), grouping, at(5, 1, 12)).average.size(),
                 grouping == history::Grouping::Year ? 1 : 2);
    }

    // A point per session up to a few thousand; beyond, the finest grouping that stays below.
    void groupingForTheSessions_data()
    {
        QTest::addColumn<qint64>("sessions");
        QTest::addColumn<int>("days");
        QTest::addColumn<history::Grouping>("grouping");
        QTest::newRow("few") << qint64(12) << 30 << history::Grouping::Session;
        QTest::newRow("most per session") << history::kMostPoints << 50000 << history::Grouping::Session;
        QTest::newRow("many in a year") << qint64(3000) << 365 << history::Grouping::Day;
        QTest::newRow("many in five years") << qint64(10000) << 5 * 365 << history::Grouping::Day;
        QTest::newRow("many in fifteen years") << qint64(10000) << 15 * 365 << history::Grouping::Week;
        QTest::newRow("many in a century") << qint64(100000) << 100 * 365 << history::Grouping::Month;
        QTest::newRow("many over millennia") << qint64(100000) << 3000 * 365 << history::Grouping::Year;
        QTest::newRow("many at one moment") << qint64(5000) << 0 << history::Grouping::Day;
    }
    void groupingForTheSessions()
    {
        QFETCH(qint64, sessions);
        QFETCH(int, days);
        QFETCH(history::Grouping, grouping);
        const QDateTime first(QDate(2020, 1, 1), QTime(18, 0));
        QCOMPARE(history::groupingFor(sessions, first, first.addDays(days)), grouping);
    }

    void sessionsAndRunsCounted()
    {
        QCOMPARE(history::sessionsAndRuns(1, 1), QStringLiteral("1 session, 1 run"));
        QCOMPARE(history::sessionsAndRuns(1, 15), QStringLiteral("1 session, 15 runs"));
        QCOMPARE(history::sessionsAndRuns(2, 0), QStringLiteral("2 sessions, 0 runs"));
    }

    void importProgressSaid()
    {
        QCOMPARE(history::importProgressText(3400, 10000), QStringLiteral("Reading 3,400 of 10,000 run files"));
        QCOMPARE(history::importProgressText(0, 1), QStringLiteral("Reading 0 of 1 run file"));
        QCOMPARE(history::importProgressText(10000, 10000), QString()); // done: nothing to say
        QCOMPARE(history::importProgressText(0, 0), QString());
    }
};

MIRELON_TEST_MAIN(HistoryQueriesTest)
#include "test_history_queries.moc"
