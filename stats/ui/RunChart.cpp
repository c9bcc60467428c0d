#include "stats/ui/RunChart.h"

#include "stats/Readout.h"
#include "widgets/Fonts.h"

#include <QChart>
#include <QLineSeries>
#include <QPainter>
#include <QValueAxis>

namespace {

struct SeriesLook {
    const char *title;
    QColor line; // invalid: the chart's own palette
    QColor outline;
    bool triangle;
};

const SeriesLook &look(int number)
{
    static const SeriesLook looks[10] = {
        {"", Qt::black, Qt::blue, false},
        {"", QColor(128, 0, 0), QColor(128, 0, 0), true},
        {"Shift1", QColor(), QColor(0, 64, 128), false},
        {"Shift2", QColor(), QColor(255, 128, 0), false},
        {"Shift3", QColor(), Qt::red, false},
        {"Shift4", QColor(), QColor(0, 128, 128), false},
        {"Shift1a", Qt::black, QColor(64, 0, 64), true},
        {"Shift2a", Qt::black, QColor(0, 128, 128), true},
        {"Shift3a", Qt::black, QColor(128, 0, 0), true},
        {"Shift4a", Qt::black, QColor(255, 128, 0), true},
    };
    return looks[std::clamp(number, 1, 10) - 1];
}

} // namespace

QImage runMarker(bool triangle, const QColor &color, int pixels)
{
    // Drawn on a 3 x 3 grid, each cell `pixels / 3` wide, so a larger marker keeps the shape.
    QImage image(pixels, pixels, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const double cell = pixels / 3.0;
    QPainter painter(&image);
    const auto set = [&](int x, int y) { painter.fillRect(QRectF(x * cell, y * cell, cell, cell), color); };
    if (triangle) {
        set(1, 0);
        for (int x = 0; x < 3; ++x)
            set(x, 1), set(x, 2);
    } else { // a star: a plus with its corners
        for (int i = 0; i < 3; ++i)
            set(1, i), set(i, 1), set(i, i), set(2 - i, i);
    }
    return image;
}

bool runMarkerIsTriangle(int number)
{
    return look(number).triangle;
}

QColor runMarkerColor(int number)
{
    return look(number).outline;
}

RunChart buildRunChart()
{
    RunChart run;
    auto *chart = new QChart;
    run.chart = chart;
    chart->legend()->hide();
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(2, 2, 2, 2));
    run.axisX = new QValueAxis;
    run.axisY = new QValueAxis;
    run.axisY->setTitleText(QStringLiteral("Reaction Time"));
    run.axisY->setTitleFont(arial(13, true));
    run.axisX->setLabelFormat(QStringLiteral("%d")); // run numbers, ticks on whole ones only
    run.axisX->setTickType(QValueAxis::TicksDynamic);
    chart->addAxis(run.axisX, Qt::AlignBottom);
    chart->addAxis(run.axisY, Qt::AlignLeft);

    for (int i = 0; i < 10; ++i) {
        const SeriesLook &l = look(i + 1);
        auto *s = new QLineSeries(chart);
        s->setObjectName(QStringLiteral("Series%1").arg(i + 1));
        s->setName(QLatin1String(l.title));
        chart->addSeries(s);
        s->attachAxis(run.axisX);
        s->attachAxis(run.axisY);
        if (l.line.isValid()) {
            QPen pen(l.line);
            pen.setWidth(1);
            s->setPen(pen);
        }
        s->setPointsVisible(true);
        s->setMarkerSize(3);
        s->setLightMarker(runMarker(l.triangle, l.outline));
        s->setVisible(i == 0);
        run.series[size_t(i)] = s;
    }
    return run;
}

void fillRunSeries(QLineSeries *series, const runfile::Reals &values, int n)
{
    QList<QPointF> points;
    for (int r = 1; r <= n; ++r)
        points.append(QPointF(r, values[size_t(r)]));
    series->replace(points);
}

void fitRunAxes(const RunChart &chart)
{
    QList<QList<QPointF>> shown;
    for (QLineSeries *s : chart.series)
        if (s->isVisible())
            shown.append(s->points());
    const readout::Range range = readout::fitRange(shown);
    chart.axisX->setRange(range.minX, range.maxX);
    const readout::Ticks ticks = readout::runTicks(range.minX, range.maxX);
    chart.axisX->setTickAnchor(ticks.first);
    chart.axisX->setTickInterval(ticks.step);
    chart.axisY->setRange(range.minY, range.maxY);
    // Round tick values; the range only grows, so every point stays inside.
    chart.axisY->applyNiceNumbers();
}
