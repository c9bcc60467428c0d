#pragma once

#include "history/Sessions.h"

#include <map>
#include <optional>
#include <vector>

// How a driver is getting on: the reaction times as a distribution, the personal bests and the
// goal, worked out from the sessions shown (the window's filters apply) for the window, the report
// and the tool alike.
namespace history {

inline constexpr double kBinWidth = 0.010; // seconds

// Every run's reaction time in bins of kBinWidth: bin k holds times from k * kBinWidth up to the
// next bin. A session's red lights are counted apart: the file counts them without marking the
// runs, and a red light is leaving before the light, so they are its `reds` fastest runs.
struct Distribution {
    std::map<int, int> bins; // only bins that hold a time
    int reds = 0;
    int runs = 0; // all runs, red lights too
};
// `times[i]` are the reaction times of `sessions[i]`'s runs.
Distribution distributionOf(const std::vector<Session> &sessions, const std::vector<std::vector<double>> &times);
// The bin a reaction time falls in.
int binOf(double seconds);

struct Best {
    double value = 0;
    const Session *session = nullptr; // its date and file; the streak's last session
};
struct Bests {
    std::optional<Best> average; // lowest session average
    std::optional<Best> reaction; // fastest reaction time that was not a red light
    std::optional<Best> spread;  // lowest spread
    // The most sessions in a row (by date, sessions without figures skipped) that met the goal;
    // none without a goal or when none met it.
    int streak = 0;
    const Session *streakEnd = nullptr;
};
// `sessions` sorted by date; the bests point into it.
Bests bestsOf(const std::vector<Session> &sessions, const std::optional<Goal> &goal);

// How many of the last `last` sessions with figures met the goal, and how many there were.
struct GoalCount {
    int met = 0;
    int of = 0;
};
GoalCount goalCount(const std::vector<Session> &sessions, const Goal &goal, int last = 10);
// "7 of the last 10 sessions met the goal"
QString goalCountText(const GoalCount &count);

// The longest driver's name the store takes.
inline constexpr int kLongestDriverName = 40;
// What is wrong with a driver's name, in words ("" when nothing is): too long, space at its ends,
// or a control character. An empty name stands for no driver.
QString driverNameProblem(const QString &name);
// A goal's figure as typed ("0.510", either decimal separator): seconds from 0 up to 10 with at
// most three decimals; none when it is not one.
std::optional<double> goalSeconds(const QString &text);

// The bests and the distribution as text lines, for the tool and the report.
QStringList summaryLines(const Bests &bests, const Distribution &distribution, const std::optional<Goal> &goal,
                         const QLocale &locale = QLocale());

} // namespace history
