#pragma once

#include "stats/RunFile.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QPointF>

#include <array>

class QChart;
class QLineSeries;
class QValueAxis;

// The run chart: run numbers across, seconds up, and its ten series (reaction times, the overlay
// file's reaction times, shift 1 to 4 of both files). Built once here for the main window and
// the printed report.
struct RunChart {
    QChart *chart = nullptr;
    QValueAxis *axisX = nullptr, *axisY = nullptr;
    std::array<QLineSeries *, 10> series{}; // Series1 to Series10; only the first shown
};
RunChart buildRunChart();

// A series' point marker: a star, or a triangle for the overlay file's series, in its colour.
// `pixels` across; the window uses 3.
QImage runMarker(bool triangle, const QColor &color, int pixels = 3);
// The marker look of series `number` (1 to 10).
bool runMarkerIsTriangle(int number);
QColor runMarkerColor(int number);

// Replaces a series' points with (r, values[r]) for r = 1 to n.
void fillRunSeries(QLineSeries *series, const runfile::Reals &values, int n);
// Fits both axes to the points of the visible series.
void fitRunAxes(const RunChart &chart);
