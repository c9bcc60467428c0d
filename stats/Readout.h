#pragma once

#include <QList>
#include <QLocale>
#include <QPointF>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// The point readout beside the run chart: which labels show which values, in which slots.
namespace readout {

// A time with three decimals, the locale's separator and at least one digit before it.
QString timeText(double seconds, const QLocale &locale = QLocale());

enum Label { RT, Bump, Shift1, Shift2, Shift3, Shift4, LabelCount };

struct Row {
    bool visible = false;
    QString text;     // set only for visible labels; hidden ones keep their last caption
    bool red = false;
    int top = -1;     // -1: the label stays where it is
};

struct Panel {
    std::array<Row, LabelCount> rows;
    int height = 0; // 22 per shown row plus 12
};

// One run of the primary file: reaction time, bump count (nullopt: none) and the shift times
// of the columns in use (nullopt: column absent). `selected` is the chart column picked:
// 0 the reaction times, k shift k.
struct SingleRun {
    double rt = 0;
    std::optional<std::int32_t> bump;
    std::array<std::optional<double>, 4> shift;
};
Panel single(const SingleRun &run, int selected, const QLocale &locale = QLocale());

// One run of both files in overlay mode. For the reaction times (selected 0) the primary and
// overlay values are `rt`/`rta`, for shift k the shift-k times. `clickedY` is the clicked point's
// value: the primary file's rows are red when it reads the same as the primary value.
struct OverlayRun {
    double value = 0, valueA = 0; // the compared quantity of the primary and the overlay file
    std::optional<std::int32_t> bump, bumpA; // only used for the reaction times
};
Panel overlay(const OverlayRun &run, int selected, double clickedY, const QLocale &locale = QLocale());

// What a screen reader is told of the run the readout shows, in words rather than the panel's
// short captions: "Run 5: RT 0.555, bump 1, shift 1 1.234". In overlay mode each file's value of
// the compared quantity (and its bump count beside its reaction time) follows the file's name.
QString describeRun(int run, const SingleRun &values, const QLocale &locale = QLocale());
QString describeRun(int run, const OverlayRun &values, int selected, const QString &file, const QString &fileA,
                    const QLocale &locale = QLocale());

// The point of a series that a pointer position belongs to, or -1. `points` and `at` are in
// chart values, `pixels` and `pixelAt` the same on screen. A position on a point counts; with
// `lineCounts` any position counts and belongs to the run nearest to it along x; otherwise only
// a position within `radius` pixels of a point's marker does.
int hitPoint(const QList<QPointF> &points, const QPointF &at, const QList<QPointF> &pixels,
             const QPointF &pixelAt, bool lineCounts, double radius);

// Axis ranges that show every point of the given series, with a margin.
struct Range {
    double minX = 0, maxX = 1, minY = 0, maxY = 1;
};
Range fitRange(const QList<QList<QPointF>> &series);

// Where the run axis from `min` to `max` has its ticks: run numbers are whole, so the ticks are
// the multiples of `step` (the least of 1, 2, 5, 10, 20, 50, ... that leaves at most `maxTicks`
// of them in the range) from `first`, the first one at or after `min`.
struct Ticks {
    double first = 0, step = 1;
};
Ticks runTicks(double min, double max, int maxTicks = 6);

} // namespace readout
