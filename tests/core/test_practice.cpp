#include "history/Store.h"
#include "history/Practice.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <tuple>

// How a driver is getting on, worked out by hand for a few sessions: the distribution with the
// red lights apart, the personal bests, the streak and the count against the goal, as the store
// counts them.
class PracticeTest : public QObject {
    Q_OBJECT

    struct Made {
        int day;
        std::optional<std::tuple<double, double, double, int>> figures; // average, spread, best, reds
        std::vector<double> times;
        const char *driver = nullptr;
    };

    // A store holding these sessions, written straight into its tables: any times, even ones no
    // run file holds.
    static void fill(const QString &path, const std::vector<Made> &made)
    {
        {
            history::Store store(path);
            QVERIFY(store.canRecord());
            QVERIFY(store.setGoal(QStringLiteral("Ana"), std::nullopt));
        }
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery q(db);
            for (const Made &m : made) {
                q.prepare(QStringLiteral("INSERT INTO sessions (id, arrived, imported, serial, firmware, file, hash, size,"
                                         " rallycross, runs, wins, reds, average, spread, best, binned_times, driver)"
                                         " VALUES (?, ?, 0, 'A1', '1.24', ?, ?, 100, 0, ?, 0, ?, ?, ?, ?, ?,"
                                         " (SELECT id FROM drivers WHERE name = ?))"));
                q.addBindValue(m.day);
                q.addBindValue(QDateTime(QDate(2024, 5, m.day), QTime(18, 0)).toMSecsSinceEpoch());
                q.addBindValue(QStringLiteral("RUN%1.txt").arg(m.day));
                q.addBindValue(QStringLiteral("hash%1").arg(m.day));
                const auto f = m.figures;
                q.addBindValue(f ? QVariant(int(m.times.size())) : QVariant());
                q.addBindValue(f ? QVariant(std::get<3>(*f)) : QVariant());
                q.addBindValue(f ? QVariant(std::get<0>(*f)) : QVariant());
                q.addBindValue(f ? QVariant(std::get<1>(*f)) : QVariant());
                q.addBindValue(f ? QVariant(std::get<2>(*f)) : QVariant());
                q.addBindValue(f ? QVariant(history::binnedTimes(m.times, std::get<3>(*f))) : QVariant());
                q.addBindValue(m.driver ? QString::fromLatin1(m.driver) : QString());
                QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("fill"));
    }

private slots:
    void distributionBestsAndGoal()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.sqlite"));
        // The third session's file does not decode; the sixth is of another driver.
        fill(path, {{1, std::tuple(0.520, 0.030, 0.480, 1), {0.515, 0.470, 0.519, 0.480}, "Ana"},
                    {2, std::tuple(0.505, 0.015, 0.495, 0), {0.510, 0.495, 0.510}, "Ana"},
                    {3, std::nullopt, {}, "Ana"},
                    {4, std::tuple(0.509, 0.020, 0.500, 2), {0.520, 0.300, 0.500, 0.350}, "Ana"},
                    {5, std::tuple(0.530, 0.010, 0.490, 0), {0.490}, "Ana"},
                    {6, std::tuple(0.400, 0.005, 0.390, 0), {0.390, 0.410}, nullptr}});
        history::Store store(path);
        QVERIFY(store.canRead());

        const history::Goal goal{0.510, 0.020};
        const history::Practice p = store.practice(std::nullopt, QStringLiteral("Ana"), goal);
        const history::Distribution &d = p.distribution;
        QCOMPARE(d.runs, 12);
        QCOMPARE(d.reds, 3); // 0.470, 0.300 and 0.350: each session's fastest, as many as its reds
        QCOMPARE(d.bins, (std::map<int, int>{{48, 1}, {49, 2}, {50, 1}, {51, 4}, {52, 1}}));

        const history::Bests &b = p.bests;
        QCOMPARE(std::tuple(b.average->value, b.average->session.id), std::tuple(0.505, qint64(2)));
        QCOMPARE(std::tuple(b.reaction->value, b.reaction->session.id), std::tuple(0.480, qint64(1)));
        QCOMPARE(std::tuple(b.spread->value, b.spread->session.id), std::tuple(0.010, qint64(5)));
        QCOMPARE(b.spread->session.fileName(), QStringLiteral("RUN5.txt"));
        // Sessions 2 and 4 met it (4 exactly at the goal); the one without figures breaks no streak.
        QCOMPARE(std::tuple(b.streak, b.streakEnd->id), std::tuple(2, qint64(4)));
        QCOMPARE(std::tuple(p.goalCount->met, p.goalCount->of), std::tuple(2, 4));
        QCOMPARE(history::goalCountText(*p.goalCount), QStringLiteral("2 of the last 4 sessions met the goal"));

        const history::Practice noGoal = store.practice(std::nullopt, QStringLiteral("Ana"), std::nullopt);
        QCOMPARE(std::tuple(noGoal.bests.streak, noGoal.bests.streakEnd.has_value(), noGoal.goalCount.has_value()),
                 std::tuple(0, false, false));
        const history::Practice everyone = store.practice(std::nullopt, std::nullopt, std::nullopt);
        QCOMPARE(std::tuple(everyone.distribution.runs, everyone.bests.average->session.id), std::tuple(14, qint64(6)));
        const history::Practice none = store.practice(QStringLiteral("B2"), std::nullopt, goal);
        QCOMPARE(std::tuple(none.distribution.runs, none.bests.average.has_value(), none.goalCount->of),
                 std::tuple(0, false, 0));
    }

    // Only the last ten count against the goal, and a session that missed it ends a streak.
    void goalCountKeepsTheLastTen()
    {
        history::PracticeTally tally(history::Goal{0.510, 0.020}, 10);
        history::Figures missed, met;
        missed.average = 0.600, missed.spread = 0.010;
        met.average = 0.500, met.spread = 0.010;
        tally.add(1, missed);
        for (int i = 2; i <= 13; ++i)
            tally.add(i, i == 3 ? missed : met);
        QCOMPARE(std::tuple(tally.goalCount().met, tally.goalCount().of), std::tuple(10, 10));
        QCOMPARE(std::tuple(tally.streak(), tally.streakEnd()), std::tuple(10, qint64(13)));
    }

    // The bin a time falls in: its edge is its own whatever its binary value, a time before the
    // light below zero, one far off the scale at the scale's end.
    void bins_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("bin");
        QTest::newRow("on an edge") << 0.510 << 51;
        QTest::newRow("another edge") << 0.290 << 29;
        QTest::newRow("just below it") << 0.5099 << 50;
        QTest::newRow("zero") << 0.0 << 0;
        QTest::newRow("before the light") << -0.005 << -1;
        QTest::newRow("far off the scale") << 1e300 << 10000;
        QTest::newRow("far below it") << -1e300 << -10000;
    }
    void bins()
    {
        QFETCH(double, seconds);
        QFETCH(int, bin);
        QCOMPARE(history::binOf(seconds), bin);
    }

    // A session's binned times as the store keeps them: a time that is not a number is a run in
    // no bin; a value the store holds that is not one (damaged or crafted) adds nothing.
    void binnedTimes()
    {
        history::Distribution d;
        const double inf = std::numeric_limits<double>::infinity();
        history::addBinnedTimes(d, history::binnedTimes({0.52, inf, 0.3, std::nan(""), 0.525}, 1));
        QCOMPARE(std::tuple(d.runs, d.reds), std::tuple(5, 1));
        QCOMPARE(d.bins, (std::map<int, int>{{52, 2}}));

        const auto value = [](std::initializer_list<qint32> numbers) {
            QByteArray bytes;
            for (const qint32 n : numbers)
                bytes.append(reinterpret_cast<const char *>(&n), 4); // little-endian here
            return bytes;
        };
        QCOMPARE(value({3, 1, 51, 2}), history::binnedTimes({0.3, 0.51, 0.515}, 1));
        for (const QByteArray &bad : {QByteArray(), QByteArray("abc"), value({3}), value({3, 1, 51}),
                                      value({3, 2, 51, 2}),          // more runs binned than there were
                                      value({3, -1, 51, 2}), value({3, 0, 51, -2}), value({51, 0, 51, 51}),
                                      value({2, 0, 51, 1, 99999, 1}), // a bin off the scale
                                      QByteArray(8 + 8 * 60, '\1')}) {
            history::Distribution untouched;
            history::addBinnedTimes(untouched, bad);
            QVERIFY2(untouched.runs == 0 && untouched.bins.empty(), bad.toHex().constData());
        }
    }

    // What the tool and the window take as a goal's figure and as a driver's name.
    void typedValues_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("seconds"); // -1: refused
        QTest::newRow("plain") << "0.510" << 0.51;
        QTest::newRow("comma") << "0,02" << 0.02;
        QTest::newRow("whole") << "1" << 1.0;
        QTest::newRow("four decimals") << "0.5105" << -1.0;
        QTest::newRow("negative") << "-0.02" << -1.0;
        QTest::newRow("word") << "fast" << -1.0;
        QTest::newRow("above ten") << "10.5" << -1.0;
        QTest::newRow("exponent") << "5e-1" << -1.0;
        QTest::newRow("empty") << "" << -1.0;
    }
    void typedValues()
    {
        QFETCH(QString, text);
        QFETCH(double, seconds);
        QCOMPARE(history::goalSeconds(text).value_or(-1.0), seconds);
    }

    void driverNames()
    {
        for (const QString &good : {QString(), QStringLiteral("Ana"), QStringLiteral("Jo Müller-Smith")})
            QVERIFY2(history::driverNameProblem(good).isEmpty(), qPrintable(good));
        for (const QString &bad : {QStringLiteral(" Ana"), QStringLiteral("Ana\n"), QStringLiteral("A\x1b[2J"),
                                   QString(history::kLongestDriverName + 1, QLatin1Char('a'))})
            QVERIFY2(!history::driverNameProblem(bad).isEmpty(), qPrintable(bad));
    }
};

QTEST_GUILESS_MAIN(PracticeTest)
#include "test_practice.moc"
