#pragma once

#include <QColor>
#include <QList>
#include <QPen>
#include <QPointF>

#include <optional>

class QAbstractAxis;
class QChart;
class QLineSeries;

// A driver's goal as a dashed line across a chart's dates, without points: on the History
// window's charts and on the printed report's alike.
namespace history {

// Added to `chart` on its date and value axes, after the series it is drawn over, named "Goal";
// showGoalLine places it.
QLineSeries *addGoalLine(QChart *chart, QAbstractAxis *dates, QAbstractAxis *values);

// Its pen: dashed, in the chart's text colour on screen and in black on paper.
QPen goalPen(const QColor &color, qreal width);

// The line at `value` from `from` to `to` (milliseconds since 1970), hidden without a value.
// Returns its points, for the value axis' span.
QList<QPointF> showGoalLine(QLineSeries *line, const std::optional<double> &value, double from, double to);

} // namespace history
