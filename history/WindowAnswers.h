#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// What the History window asks the store, in answers whose size does not grow with the history:
// the sessions' count and span, the chart's points grouped so that there are at most a few
// thousand, and the table's rows a block at a time (history::Store's queries).
namespace history {

// Which sessions: all, or one device's (an empty text: those whose device is not known).
using DeviceFilter = std::optional<QString>;
// Which sessions: all, or one driver's (an empty text: those of no driver).
using DriverFilter = std::optional<QString>;

struct Overview {
    qint64 sessions = 0;
    qint64 runs = 0;
    QDateTime first, last; // of the sessions' arrivals; invalid without sessions
};

// The chart's points: one per session, or the sessions of a day, week, month or year together.
enum class Grouping { Session, Day, Week, Month, Year };
// Points a chart draws at most per series; a history with more sessions is grouped.
constexpr qint64 kMostPoints = 2000;
// The finest grouping that gives at most kMostPoints points for `sessions` sessions between
// `first` and `last`.
Grouping groupingFor(qint64 sessions, const QDateTime &first, const QDateTime &last);
// For a chart's title: "" for one point per session, else ", by week" ...
QString groupingCaption(Grouping grouping);

// While the folder's import runs: "Reading 3,400 of 10,000 run files", in the locale's digits;
// empty once all are read (or none are to be).
QString importProgressText(int read, int total);

// "1 session, 12 runs", "3 sessions, 1 run", "2,000 sessions, ..." in the locale's digits.
QString sessionsAndRuns(qint64 sessions, qint64 runs);

} // namespace history
