#pragma once

#include "history/Sessions.h"
#include "history/Filters.h"

#include <QByteArray>
#include <QByteArrayView>

#include <deque>
#include <map>
#include <optional>
#include <vector>

// How a driver is getting on: the reaction times as a distribution, the personal bests and the
// goal, worked out from the sessions shown (the window's filters apply) for the window, the report
// and the tool alike.
namespace history {

inline constexpr double kBinWidth = 0.010; // seconds

// Every run's reaction time in bins of kBinWidth: bin k holds times from k * kBinWidth up to the
// next bin (a time far off the scale in the bin at its end). A session's red lights are counted
// apart: the file counts them without marking the runs, and a red light is leaving before the
// light, so they are its `reds` fastest runs.
struct Distribution {
    std::map<int, int> bins; // only bins that hold a time
    int reds = 0;
    int runs = 0; // all runs, red lights too
};

// The distribution as bars of one bin each from the fastest bin up, at most `most` of them: the
// times of slower bins are counted in the last bar.
struct Bars {
    int first = 0; // the first bar's bin
    std::vector<int> counts;
};
Bars barsOf(const Distribution &distribution, int most);

// The bin a reaction time falls in: 0.510 in the bin from 0.510 whatever its binary value; a time
// far off the scale in the bin at its end.
int binOf(double seconds);

// A session's runs as the distribution counts them, kept by the store beside the session: the
// distribution of thousands of sessions then reads one small value of each rather than all their
// runs. `times` are the session's reaction times, `reds` its red lights (its fastest runs).
QByteArray binnedTimes(std::vector<double> times, int reds);
// Adds a session's binned times to a distribution. A value that is not one (a damaged or crafted
// store) adds nothing.
void addBinnedTimes(Distribution &distribution, QByteArrayView binned);

struct Best {
    double value = 0;
    Session session; // its date and file; the streak's last session
};
struct Bests {
    std::optional<Best> average; // lowest session average
    std::optional<Best> reaction; // fastest reaction time that was not a red light
    std::optional<Best> spread;  // lowest spread
    // The most sessions in a row (by date, sessions without figures skipped) that met the goal;
    // none without a goal or when none met it.
    int streak = 0;
    std::optional<Session> streakEnd;
};

// How many of the last `last` sessions with figures met the goal, and how many there were.
struct GoalCount {
    int met = 0;
    int of = 0;
};
// "7 of the last 10 sessions met the goal"
QString goalCountText(const GoalCount &count);

// The bests, the streak and the goal's count, worked out from the sessions' figures one session
// at a time in date order: the store reads them as a stream, so a history of 100,000 sessions
// holds no more than one of them at a time. Sessions without figures are not added.
class PracticeTally {
public:
    explicit PracticeTally(const std::optional<Goal> &goal, int last = 10);
    void add(qint64 session, const Figures &figures);

    struct Found {
        double value = 0;
        qint64 session = 0;
    };
    // The first session (by date) with the lowest figure.
    const std::optional<Found> &average() const { return m_average; }
    const std::optional<Found> &reaction() const { return m_reaction; }
    const std::optional<Found> &spread() const { return m_spread; }
    int streak() const { return m_streak; }
    qint64 streakEnd() const { return m_streakEnd; } // 0: none
    GoalCount goalCount() const;

private:
    std::optional<Goal> m_goal;
    int m_last;
    std::optional<Found> m_average, m_reaction, m_spread;
    int m_run = 0, m_streak = 0;
    qint64 m_streakEnd = 0;
    std::deque<bool> m_recent; // met or not, of the last `last` sessions
};

// Everything the window, the report and the tool show of how a driver is getting on.
struct Practice {
    Overview overview; // of all the sessions, with figures or not
    Distribution distribution;
    Bests bests;
    std::optional<GoalCount> goalCount; // with a goal only
};

// The longest driver's name the store takes.
inline constexpr int kLongestDriverName = 40;
// What is wrong with a driver's name, in words ("" when nothing is): too long, space at its ends,
// or a control character. An empty name stands for no driver.
QString driverNameProblem(const QString &name);
// A goal's figure as typed ("0.510", either decimal separator): seconds from 0 up to 10 with at
// most three decimals; none when it is not one.
std::optional<double> goalSeconds(const QString &text);

// The goal, the personal bests and the goal's count as text lines, for the tool and the report.
QStringList bestsLines(const Practice &practice, const std::optional<Goal> &goal, const QLocale &locale = QLocale());
// Those, then the distribution as a line for each bin, for the tool.
QStringList summaryLines(const Practice &practice, const std::optional<Goal> &goal, const QLocale &locale = QLocale());

} // namespace history
