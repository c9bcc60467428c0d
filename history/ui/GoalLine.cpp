#include "history/ui/GoalLine.h"

#include <QChart>
#include <QLineSeries>

namespace history {

QLineSeries *addGoalLine(QChart *chart, QAbstractAxis *dates, QAbstractAxis *values)
{
    auto *line = new QLineSeries(chart);
    line->setName(QStringLiteral("Goal"));
    line->setPointsVisible(false);
    chart->addSeries(line);
    line->attachAxis(dates);
    line->attachAxis(values);
    return line;
}

QPen goalPen(const QColor &color, qreal width)
{
    return QPen(color, width, Qt::DashLine);
}

QList<QPointF> showGoalLine(QLineSeries *line, const std::optional<double> &value, double from, double to)
{
    QList<QPointF> points;
    if (value)
        points = {QPointF(from, *value), QPointF(to, *value)};
    line->replace(points);
    line->setVisible(bool(value));
    return points;
}

} // namespace history
