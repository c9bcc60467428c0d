#include "history/Practice.h"

#include <QTest>

#include <tuple>

// How a driver is getting on, worked out by hand for five sessions: the distribution with the red
// lights apart, the personal bests, the streak and the count against the goal.
class PracticeTest : public QObject {
    Q_OBJECT

    static history::Session session(int day, std::optional<std::tuple<double, double, double, int>> figures)
    {
        history::Session s;
        s.id = day;
        s.arrived = QDateTime(QDate(2024, 5, day), QTime(18, 0));
        s.path = QStringLiteral("/s/RUN%1.txt").arg(day);
        if (figures) {
            history::Figures f;
            std::tie(f.average, f.spread, f.best, f.reds) = std::tuple(std::get<0>(*figures), std::get<1>(*figures),
                                                                       std::get<2>(*figures), std::get<3>(*figures));
            s.figures = f;
        }
        return s;
    }

private slots:
    void distributionBestsAndGoal()
    {
        // (average, spread, best, reds); the third session's file does not decode.
        const std::vector<history::Session> sessions = {
            session(1, std::tuple(0.520, 0.030, 0.480, 1)), session(2, std::tuple(0.505, 0.015, 0.495, 0)),
            session(3, std::nullopt), session(4, std::tuple(0.509, 0.020, 0.500, 2)),
            session(5, std::tuple(0.530, 0.010, 0.490, 0))};
        const std::vector<std::vector<double>> times = {
            {0.515, 0.470, 0.519, 0.480}, {0.510, 0.495, 0.510}, {}, {0.520, 0.300, 0.500, 0.350}, {0.490}};

        const history::Distribution d = history::distributionOf(sessions, times);
        QCOMPARE(d.runs, 12);
        QCOMPARE(d.reds, 3); // 0.470, 0.300 and 0.350: each session's fastest, as many as its reds
        QCOMPARE(d.bins, (std::map<int, int>{{48, 1}, {49, 2}, {50, 1}, {51, 4}, {52, 1}}));

        const history::Goal goal{0.510, 0.020};
        const history::Bests b = history::bestsOf(sessions, goal);
        QCOMPARE(std::tuple(b.average->value, b.average->session->id), std::tuple(0.505, qint64(2)));
        QCOMPARE(std::tuple(b.reaction->value, b.reaction->session->id), std::tuple(0.480, qint64(1)));
        QCOMPARE(std::tuple(b.spread->value, b.spread->session->id), std::tuple(0.010, qint64(5)));
        // Sessions 2 and 4 met it (4 exactly at the goal); the one without figures breaks no streak.
        QCOMPARE(std::tuple(b.streak, b.streakEnd->id), std::tuple(2, qint64(4)));
        QCOMPARE(history::bestsOf(sessions, std::nullopt).streak, 0);
        QCOMPARE(history::bestsOf({}, goal).average, std::nullopt);

        const history::GoalCount all = history::goalCount(sessions, goal);
        QCOMPARE(std::tuple(all.met, all.of), std::tuple(2, 4));
        QCOMPARE(history::goalCountText(all), QStringLiteral("2 of the last 4 sessions met the goal"));
        const history::GoalCount lastTwo = history::goalCount(sessions, goal, 2);
        QCOMPARE(std::tuple(lastTwo.met, lastTwo.of), std::tuple(1, 2));
    }

    void bins_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("bin");
        QTest::newRow("on an edge") << 0.510 << 51;
        QTest::newRow("just below it") << 0.5099 << 50;
        QTest::newRow("zero") << 0.0 << 0;
        QTest::newRow("before the light") << -0.005 << -1;
        QTest::newRow("far off the scale") << 1e300 << 10000;
    }
    void bins()
    {
        QFETCH(double, seconds);
        QFETCH(int, bin);
        QCOMPARE(history::binOf(seconds), bin);
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
