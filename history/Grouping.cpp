#include "history/Grouping.h"

#include <algorithm>

namespace history {

namespace {
constexpr qint64 kDayMs = 86400000;
} // namespace

Grouping groupingFor(qint64 sessions, const QDateTime &first, const QDateTime &last)
{
    if (sessions <= kMostPoints || !first.isValid() || !last.isValid())
        return Grouping::Session;
    // Points a grouping can give at most: the span's days (weeks, ...) and one for each end.
    const qint64 days = std::max<qint64>(first.msecsTo(last), 0) / kDayMs + 2;
    if (days <= kMostPoints)
        return Grouping::Day;
    if (days / 7 + 2 <= kMostPoints)
        return Grouping::Week;
    if (days / 28 + 2 <= kMostPoints)
        return Grouping::Month;
    return Grouping::Year;
}

QString groupingCaption(Grouping grouping)
{
    switch (grouping) {
    case Grouping::Session:
        return {};
    case Grouping::Day:
        return QStringLiteral(", by day");
    case Grouping::Week:
        return QStringLiteral(", by week");
    case Grouping::Month:
        return QStringLiteral(", by month");
    case Grouping::Year:
        return QStringLiteral(", by year");
    }
    return {};
}

} // namespace history
