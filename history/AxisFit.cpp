#include "history/AxisFit.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace history {

std::optional<AxisRange> spanOf(std::initializer_list<const QList<QPointF> *> lists)
{
    double low = std::numeric_limits<double>::max(), high = std::numeric_limits<double>::lowest();
    for (const QList<QPointF> *points : lists)
        for (const QPointF &p : *points)
            low = std::min(low, p.y()), high = std::max(high, p.y());
    if (low > high)
        return std::nullopt;
    return AxisRange{low, high};
}

AxisRange axisRange(const std::optional<AxisRange> &span, double fallbackHigh, int decimals, std::optional<double> floor)
{
    const auto floored = [&floor](double value) { return floor ? std::max(value, *floor) : value; };
    double low = span ? span->low : 0.0, high = span ? span->high : fallbackHigh;
    const double room = std::max((high - low) * 0.1, std::max(std::abs(high), 0.01) * 0.02);
    low = floored(low - room);
    high += room;
    const double least = 10.0 * std::pow(10.0, -decimals);
    if (high - low < least) {
        const double middle = (high + low) / 2;
        low = floored(middle - least / 2);
        high = low + least;
    }
    return {low, high};
}

} // namespace history
