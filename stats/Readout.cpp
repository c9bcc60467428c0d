#include "stats/Readout.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>

namespace readout {

namespace {
constexpr int kFirstTop = 7;
constexpr int kPitch = 22;

int slot(int row) // row counted from 0
{
    return kFirstTop + kPitch * row;
}

int panelHeight(int rows)
{
    return kPitch * rows + 12;
}
} // namespace

QString timeText(double seconds, const QLocale &locale)
{
    QString text = QString::number(seconds, 'f', 3);
    if (text == QLatin1String("-0.000"))
        text = QStringLiteral("0.000");
    return text.replace(QLatin1Char('.'), locale.decimalPoint());
}

Panel single(const SingleRun &run, int selected, const QLocale &locale)
{
    Panel panel;
    int rows = 1;
    Row &rt = panel.rows[RT];
    rt = {true, QStringLiteral("RT: ") + timeText(run.rt, locale), selected == 0, slot(0)};

    int firstShiftRow = 1;
    if (run.bump) {
        panel.rows[Bump] = {true, QStringLiteral("Bump: ") + QString::number(*run.bump), false, slot(1)};
        ++rows;
        firstShiftRow = 2;
    }
    for (int k = 1; k <= 4; ++k) {
        Row &row = panel.rows[Shift1 + k - 1];
        row.top = slot(firstShiftRow + k - 1);
        if (!run.shift[k - 1])
            continue;
        row.visible = true;
        row.text = QStringLiteral("S%1: ").arg(k) + timeText(*run.shift[k - 1], locale);
        row.red = selected == k;
        ++rows;
    }
    panel.height = panelHeight(rows);
    return panel;
}

Panel overlay(const OverlayRun &run, int selected, double clickedY, const QLocale &locale)
{
    Panel panel;
    // Which file the clicked point belongs to is told by its value to three decimals.
    const bool primaryRed = timeText(run.value, locale) == timeText(clickedY, locale);
    Row &first = panel.rows[RT];
    Row &second = panel.rows[Bump];
    first.top = slot(0);
    second.top = slot(1);
    panel.rows[Shift1].top = slot(2);
    panel.rows[Shift2].top = slot(3);
    first.visible = second.visible = true;
    int rows = 2;
    if (selected == 0) {
        first.text = QStringLiteral("R1: ") + timeText(run.value, locale);
        first.red = primaryRed;
        if (!run.bump || !run.bumpA) {
            second.text = QStringLiteral("R2: ") + timeText(run.valueA, locale);
            second.red = !primaryRed;
        } else {
            second.text = QStringLiteral("B1: ") + QString::number(*run.bump);
            second.red = primaryRed;
            panel.rows[Shift1] = {true, QStringLiteral("R2: ") + timeText(run.valueA, locale), !primaryRed, slot(2)};
            panel.rows[Shift2] = {true, QStringLiteral("B2: ") + QString::number(*run.bumpA), !primaryRed, slot(3)};
            rows = 4;
        }
    } else {
        first.text = QStringLiteral("S1: ") + timeText(run.value, locale);
        first.red = primaryRed;
        second.text = QStringLiteral("S2: ") + timeText(run.valueA, locale);
        second.red = !primaryRed;
    }
    panel.height = panelHeight(rows);
    return panel;
}

QString describeRun(int run, const SingleRun &values, const QLocale &locale)
{
    QStringList parts{QStringLiteral("RT ") + timeText(values.rt, locale)};
    if (values.bump)
        parts.append(QStringLiteral("bump ") + locale.toString(*values.bump));
    for (int k = 1; k <= 4; ++k)
        if (values.shift[size_t(k - 1)])
            parts.append(QStringLiteral("shift %1 ").arg(k) + timeText(*values.shift[size_t(k - 1)], locale));
    return QStringLiteral("Run %1: ").arg(run) + parts.join(QStringLiteral(", "));
}

QString describeRun(int run, const OverlayRun &values, int selected, const QString &file, const QString &fileA,
                    const QLocale &locale)
{
    const QString what = selected >= 1 && selected <= 4 ? QStringLiteral("shift %1 ").arg(selected) : QStringLiteral("RT ");
    const auto one = [&](const QString &name, double value, const std::optional<std::int32_t> &bump) {
        QString text = name + QLatin1Char(' ') + what + timeText(value, locale);
        if (selected == 0 && bump)
            text += QStringLiteral(", bump ") + locale.toString(*bump);
        return text;
    };
    return QStringLiteral("Run %1: ").arg(run) + one(file, values.value, values.bump) + QStringLiteral("; ")
           + one(fileA, values.valueA, values.bumpA);
}

int hitPoint(const QList<QPointF> &points, const QPointF &at, const QList<QPointF> &pixels,
             const QPointF &pixelAt, bool lineCounts, double radius)
{
    if (points.isEmpty())
        return -1;
    const int exact = static_cast<int>(points.indexOf(at));
    if (exact >= 0)
        return exact;
    int best = -1;
    double bestDistance = std::numeric_limits<double>::infinity();
    if (lineCounts) {
        for (int i = 0; i < points.size(); ++i) {
            const double d = std::fabs(points.at(i).x() - at.x());
            if (d < bestDistance)
                best = i, bestDistance = d;
        }
        return best;
    }
    for (int i = 0; i < std::min(points.size(), pixels.size()); ++i) {
        const QPointF delta = pixels.at(i) - pixelAt;
        const double d = std::hypot(delta.x(), delta.y());
        if (d <= radius && d < bestDistance)
            best = i, bestDistance = d;
    }
    return best;
}

Range fitRange(const QList<QList<QPointF>> &series)
{
    double minX = std::numeric_limits<double>::infinity(), maxX = -minX;
    double minY = minX, maxY = -minX;
    for (const QList<QPointF> &points : series)
        for (const QPointF &p : points) {
            minX = std::min(minX, p.x()), maxX = std::max(maxX, p.x());
            minY = std::min(minY, p.y()), maxY = std::max(maxY, p.y());
        }
    Range range;
    if (!std::isfinite(minX))
        return range;
    // Half a run and a twentieth of the spread on each side keep the markers inside the plot.
    range.minX = minX - 0.5;
    range.maxX = maxX + 0.5;
    const double margin = maxY > minY ? (maxY - minY) / 20 : std::max(0.05, std::fabs(maxY) / 20);
    range.minY = minY - margin;
    range.maxY = maxY + margin;
    return range;
}

Ticks runTicks(double min, double max, int maxTicks)
{
    Ticks ticks;
    for (double power = 1; power < 1e9; power *= 10) {
        for (double factor : {1.0, 2.0, 5.0}) {
            ticks.step = factor * power;
            ticks.first = std::ceil(min / ticks.step) * ticks.step;
            if (std::floor((max - ticks.first) / ticks.step) + 1 <= maxTicks)
                return ticks;
        }
    }
    return ticks;
}

} // namespace readout
