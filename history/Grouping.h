#pragma once

#include <QDateTime>
#include <QString>

// The History window's chart points, one per session or the sessions of a day, week, month or
// year together: never more than a chart can show apart, whatever the history's size.
namespace history {

enum class Grouping { Session, Day, Week, Month, Year };
// Points a chart draws at most per series; a history with more sessions is grouped.
constexpr qint64 kMostPoints = 2000;
// The finest grouping that gives at most kMostPoints points for `sessions` sessions between
// `first` and `last`.
Grouping groupingFor(qint64 sessions, const QDateTime &first, const QDateTime &last);
// For a chart's title: "" for one point per session, else ", by week" ...
QString groupingCaption(Grouping grouping);

} // namespace history
