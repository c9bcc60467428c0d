#pragma once

#include <QList>
#include <QPointF>

#include <initializer_list>
#include <optional>

// The value axes of the history's charts, in the window and in the report.
namespace history {

struct AxisRange {
    double low = 0, high = 0;
};

// The lowest and highest y of the points, or nothing.
std::optional<AxisRange> spanOf(std::initializer_list<const QList<QPointF> *> lists);

// Room around the points (up to `fallbackHigh` without any); the axis never goes below `floor`.
// The range is at least ten steps of the labels' last decimal (`decimals`), so that one point
// (or equal ones) does not give the same label at every tick. Round the ticks afterwards.
AxisRange axisRange(const std::optional<AxisRange> &span, double fallbackHigh, int decimals,
                    std::optional<double> floor = 0.0);

} // namespace history
