#include "report/ui/Report.h"

#include "history/Practice.h"

#include "base/Errors.h"
#include "history/AxisFit.h"
#include "history/ui/GoalLine.h"
#include "stats/ui/RunChart.h"
#include "widgets/Fonts.h"

#include <QBuffer>
#include <QChart>
#include <QDateTimeAxis>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QLineSeries>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

namespace report {

namespace {

// Page geometry, in points.
constexpr double kMargin = 40;
constexpr double kFooter = 16;
constexpr double kRowHeight = 13;
constexpr double kLegendHeight = 16;
constexpr int kPngDpi = 150;
const QColor kGrey(90, 90, 90);
const QColor kRule(150, 150, 150);

// Sizes are in points: the painter is scaled to them, so pixel sizes are what is wanted (a
// point size would be scaled twice on a printer). No hinting: glyphs keep their outline widths
// at every resolution, so text measured here fits there.
QFont font(int size, bool bold = false)
{
    QFont f = arial(size, bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

void text(QPainter &p, const QRectF &box, const QString &s, const QFont &f, int flags = Qt::AlignLeft | Qt::AlignVCenter,
          const QColor &color = Qt::black)
{
    p.setFont(f);
    p.setPen(color);
    const QString shown = QFontMetricsF(f).elidedText(s, Qt::ElideMiddle, box.width());
    p.drawText(box, flags | Qt::TextSingleLine, shown);
}

// A legend entry's look: the series' line and marker.
struct Key {
    QString label;
    QPen pen;
    QImage marker;
};

void legend(QPainter &p, const QRectF &box, const std::vector<Key> &keys)
{
    const QFont f = font(9);
    const QFontMetricsF metrics(f);
    double x = box.left();
    const double mid = box.center().y();
    for (const Key &key : keys) {
        p.setPen(key.pen);
        p.drawLine(QPointF(x, mid), QPointF(x + 26, mid));
        if (!key.marker.isNull())
            p.drawImage(QRectF(x + 10, mid - 3, 6, 6), key.marker);
        x += 30;
        const double width = std::min(metrics.horizontalAdvance(key.label) + 2, box.right() - x);
        text(p, QRectF(x, box.top(), width, box.height()), key.label, f);
        x += width + 16;
    }
}

// Chart texts in pixel sizes, for the reason given at font(), and numbers in the locale's form,
// as the rest of the page writes them.
void reportFonts(QChart *chart)
{
    chart->setLocalizeNumbers(true);
    chart->setLocale(QLocale());
    const auto axes = chart->axes();
    for (QAbstractAxis *axis : axes) {
        axis->setLabelsFont(font(8));
        axis->setTitleFont(font(9, true));
    }
    chart->setTitleFont(font(10, true));
}

// Draws the chart, which it takes, into `target`, laid out at that size in points.
void drawChart(QPainter &p, QChart *chart, const QRectF &target)
{
    QGraphicsScene scene; // owns the chart from here
    scene.addItem(chart);
    chart->setGeometry(QRectF(QPointF(0, 0), target.size()));
    chart->layout()->activate();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    scene.render(&p, target, QRectF(QPointF(0, 0), target.size()));
    p.restore();
}

void footer(QPainter &p, const QSizeF &page, int index, int pages)
{
    const QRectF box(kMargin, page.height() - kMargin + 4, page.width() - 2 * kMargin, kFooter - 4);
    p.setPen(QPen(kRule, 0.5));
    p.drawLine(box.topLeft() - QPointF(0, 4), box.topRight() - QPointF(0, 4));
    text(p, box, QStringLiteral("Vantrelock Mirelon"), font(8), Qt::AlignLeft | Qt::AlignVCenter, kGrey);
    text(p, box, pageText(index + 1, pages), font(8), Qt::AlignRight | Qt::AlignVCenter, kGrey);
}

// Title and the lines under it; returns the height used.
double heading(QPainter &p, const QSizeF &page, const QString &title, const QStringList &lines)
{
    const double width = page.width() - 2 * kMargin;
    double y = kMargin;
    text(p, QRectF(kMargin, y, width, 22), title, font(16, true));
    y += 24;
    for (const QString &line : lines) {
        text(p, QRectF(kMargin, y, width, 13), line, font(10), Qt::AlignLeft | Qt::AlignVCenter, kGrey);
        y += 14;
    }
    return y - kMargin + 6;
}

// A table: header and rows in equal-width or given-width columns; numbers to the right.
void table(QPainter &p, const QRectF &box, const QStringList &header, const std::vector<QStringList> &rows,
           const std::vector<double> &widths, const std::vector<bool> &dim = {})
{
    const auto cellBox = [&](int column, double y) {
        double x = box.left();
        for (int c = 0; c < column; ++c)
            x += widths[size_t(c)];
        return QRectF(x + 3, y, widths[size_t(column)] - 6, kRowHeight);
    };
    // Numbers (and "N/A" in their place) to the right, text to the left.
    const auto alignment = [](int, const QString &value) {
        bool number = false;
        QString(value).remove(QLatin1Char(',')).remove(QLatin1Char('.')).remove(QLatin1Char('-')).toLongLong(&number);
        return number || value == QLatin1String("N/A") ? Qt::AlignRight : Qt::AlignLeft;
    };
    double y = box.top();
    for (int c = 0; c < header.size(); ++c)
        text(p, cellBox(c, y), header.at(c), font(9, true),
             (rows.empty() ? Qt::AlignLeft : alignment(c, rows.front().value(c))) | Qt::AlignVCenter);
    y += kRowHeight;
    p.setPen(QPen(Qt::black, 0.6));
    p.drawLine(QPointF(box.left(), y), QPointF(box.right(), y));
    for (size_t r = 0; r < rows.size(); ++r) {
        if (r % 2 == 1)
            p.fillRect(QRectF(box.left(), y, box.width(), kRowHeight), QColor(238, 238, 238));
        const bool grey = r < dim.size() && dim[r];
        for (int c = 0; c < rows[r].size() && c < header.size(); ++c)
            text(p, cellBox(c, y), rows[r].at(c), font(9), alignment(c, rows[r].at(c)) | Qt::AlignVCenter,
                 grey ? kGrey : Qt::black);
        y += kRowHeight;
    }
    p.setPen(QPen(kRule, 0.5));
    p.drawLine(QPointF(box.left(), y), QPointF(box.right(), y));
}

// ---- The run file's page

class RunFilePages : public Pages {
public:
    RunFilePages(RunFileReport report, const QPageSize &paper) : Pages(paper), m_report(std::move(report)) {}
    int count() const override { return 1; }
    QString title() const override { return m_report.facts.fileName; }
    void draw(QPainter &p, int page) const override;

private:
    RunFileReport m_report;
};

void RunFilePages::draw(QPainter &p, int) const
{
    const RunFileFacts &facts = m_report.facts;
    const QSizeF page = size();
    const double width = page.width() - 2 * kMargin;
    QStringList lines{fileDateText(facts.modified), deviceText(facts.device)};
    double y = kMargin + heading(p, page, facts.fileName, lines);

    // The figures, caption over value, as the Statistics group shows them.
    const int cells = int(facts.figures.size());
    const double cell = width / std::max(cells, 1);
    p.setPen(QPen(kRule, 0.5));
    p.drawRect(QRectF(kMargin, y, width, 34));
    for (int i = 0; i < cells; ++i) {
        const QRectF box(kMargin + i * cell, y, cell, 34);
        if (i > 0) {
            p.setPen(QPen(kRule, 0.5));
            p.drawLine(box.topLeft(), box.bottomLeft());
        }
        text(p, box.adjusted(3, 3, -3, -19), facts.figures[size_t(i)].caption, font(8), Qt::AlignHCenter | Qt::AlignVCenter,
             kGrey);
        text(p, box.adjusted(3, 15, -3, -3), facts.figures[size_t(i)].value, font(12, true),
             Qt::AlignHCenter | Qt::AlignVCenter);
    }
    y += 34 + 10;

    // The runs in one block, or two side by side from 26 runs on.
    const int runs = int(facts.rows.size());
    const int blocks = runs > 25 ? 2 : 1;
    const int perBlock = std::max(1, (runs + blocks - 1) / blocks);
    const double tableHeight = (perBlock + 1) * kRowHeight + 2;
    const double chartBottom = page.height() - kMargin - tableHeight - 20; // clear of the footer

    // The chart, as the main window draws it, with the overlay file laid over it.
    std::vector<Key> keys;
    RunChart chart = buildRunChart();
    fillRunSeries(chart.series[0], m_report.rt, m_report.runs);
    const auto key = [&](int number, const QString &label, Qt::PenStyle style) {
        QLineSeries *s = chart.series[size_t(number - 1)];
        // Larger markers than on screen, and the overlay dashed: told apart in black and white too.
        QPen pen = s->pen();
        pen.setStyle(style);
        pen.setWidthF(1.2);
        s->setPen(pen);
        const QImage marker = runMarker(runMarkerIsTriangle(number), runMarkerColor(number), 30);
        s->setLightMarker(marker);
        s->setMarkerSize(6);
        keys.push_back({label, pen, marker});
    };
    key(1, QStringLiteral("Reaction time, %1").arg(facts.fileName), Qt::SolidLine);
    if (m_report.overlay) {
        chart.series[1]->setVisible(true);
        fillRunSeries(chart.series[1], m_report.overlay->rt, m_report.overlay->runs);
        key(2, QStringLiteral("Reaction time, %1 (overlay)").arg(m_report.overlay->fileName), Qt::DashLine);
    }
    fitRunAxes(chart);
    chart.axisX->setTitleText(QStringLiteral("Run"));
    reportFonts(chart.chart);
    legend(p, QRectF(kMargin, y, width, kLegendHeight), keys);
    y += kLegendHeight;
    drawChart(p, chart.chart, QRectF(kMargin, y, width, chartBottom - y));

    const double gap = 18;
    const double blockWidth = (width - (blocks - 1) * gap) / blocks;
    const int columns = int(facts.columns.size());
    // Columns no wider than a time needs: a short file's two do not stretch across the page.
    const double column = std::min(blockWidth / std::max(columns, 1), 70.0);
    const std::vector<double> widths(size_t(columns), column);
    for (int b = 0; b < blocks; ++b) {
        const auto first = facts.rows.begin() + std::min(runs, b * perBlock);
        const auto last = facts.rows.begin() + std::min(runs, (b + 1) * perBlock);
        table(p, QRectF(kMargin + b * (blockWidth + gap), chartBottom + 12, column * columns, tableHeight), facts.columns,
              std::vector<QStringList>(first, last), widths);
    }
    footer(p, page, 0, 1);
}

// ---- The history's pages

constexpr double kHistoryChart = 168;

class HistoryPages : public Pages {
public:
    HistoryPages(history::PracticeView report, const QPageSize &paper);
    int count() const override { return int(m_breaks.size()); }
    QString title() const override { return QStringLiteral("Practice history"); }
    void draw(QPainter &p, int page) const override;

private:
    double headingHeight() const { return 24 + 2 * 14 + 6 + (m_report.driver ? 14 : 0); }
    // The personal bests' lines and the distribution's bars, above the charts.
    static constexpr double kBars = 60;
    double practiceHeight() const { return 14 * double(m_bests.size()) + kBars + 14 + 8; }
    // The three charts' height: lower than usual where the bests and the distribution take their
    // room, so that all three stay clear of the footer.
    double chartHeight() const
    {
        const double room = size().height() - 2 * kMargin - kFooter - headingHeight() - practiceHeight() - 8;
        return std::clamp(room / 3 - kLegendHeight - 6, 80.0, kHistoryChart);
    }
    void drawPractice(QPainter &p, double y, double width) const;
    QStringList m_bests;
    history::PracticeView m_report;
    std::vector<QStringList> m_rows;
    std::vector<bool> m_dim;
    std::vector<int> m_breaks; // the first row of each page
};

HistoryPages::HistoryPages(history::PracticeView report, const QPageSize &paper) : Pages(paper), m_report(std::move(report))
{
    for (const history::Session &session : m_report.sessions) {
        m_rows.push_back(history::tableRow(session));
        if (m_report.goal && history::metGoal(session, *m_report.goal))
            m_rows.back()[0] += QStringLiteral(" \u2713"); // met the goal
        m_dim.push_back(!session.figures);
    }
    m_bests = m_report.bestsLines(); // the bars draw the distribution
    const double height = size().height();
    const double firstSpace = height - 2 * kMargin - kFooter - headingHeight() - practiceHeight()
                              - 3 * (chartHeight() + kLegendHeight + 6) - 8;
    const double laterSpace = height - 2 * kMargin - kFooter - 8;
    const int firstRows = std::max(0, int(firstSpace / kRowHeight) - 1);
    const int laterRows = std::max(1, int(laterSpace / kRowHeight) - 1);
    m_breaks.push_back(0);
    for (int row = firstRows; row < int(m_rows.size()); row += laterRows)
        m_breaks.push_back(row);
}

QLineSeries *historySeries(QChart *chart, const QList<QPointF> &points, const QColor &color, Qt::PenStyle style,
                           int shape, QAbstractAxis *x, QAbstractAxis *y, std::vector<Key> &keys, const QString &label)
{
    auto *series = new QLineSeries(chart);
    QPen pen(color);
    pen.setWidthF(1.2);
    pen.setStyle(style);
    series->setPen(pen);
    // A shape of its own per series: circle, square, triangle, diamond.
    QImage marker(30, 30, QImage::Format_ARGB32);
    marker.fill(Qt::transparent);
    {
        QPainter m(&marker);
        m.setRenderHint(QPainter::Antialiasing);
        m.setPen(Qt::NoPen);
        m.setBrush(color);
        const QPolygonF triangle{QPointF(15, 2), QPointF(28, 27), QPointF(2, 27)};
        const QPolygonF diamond{QPointF(15, 1), QPointF(29, 15), QPointF(15, 29), QPointF(1, 15)};
        switch (shape % 4) {
        case 0: m.drawEllipse(QRectF(3, 3, 24, 24)); break;
        case 1: m.drawRect(QRectF(4, 4, 22, 22)); break;
        case 2: m.drawPolygon(triangle); break;
        default: m.drawPolygon(diamond); break;
        }
    }
    series->setLightMarker(marker);
    series->setMarkerSize(6);
    series->setPointsVisible(true);
    series->replace(points);
    chart->addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
    keys.push_back({label, pen, marker});
    return series;
}

// Room around the points and round ticks, as the History window's axes; `floor` bounds the low end.
void fitAxis(QValueAxis *axis, std::initializer_list<const QList<QPointF> *> lists, double fallbackHigh, int decimals,
             std::optional<double> floor = std::nullopt)
{
    const history::AxisRange range = history::axisRange(history::spanOf(lists), fallbackHigh, decimals, floor);
    axis->setRange(range.low, range.high);
    axis->applyNiceNumbers();
}

void HistoryPages::draw(QPainter &p, int index) const
{
    const QSizeF page = size();
    const double width = page.width() - 2 * kMargin;
    double y = kMargin;
    if (index == 0) {
        const int sessions = int(m_report.sessions.size());
        QStringList lines{devicesText(m_report.device),
                          QStringLiteral("%1 session%2, printed %3")
                              .arg(QLocale().toString(sessions), sessions == 1 ? QString() : QStringLiteral("s"),
                                   QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat))};
        if (m_report.driver)
            lines << (m_report.driver->isEmpty() ? QStringLiteral("Sessions of no driver")
                                                 : QStringLiteral("Driver: %1").arg(*m_report.driver));
        y += heading(p, page, title(), lines);
        drawPractice(p, y, width);
        y += practiceHeight();

        const history::Plot plot = history::plotOf(m_report.sessions);
        double first = std::numeric_limits<double>::max(), last = std::numeric_limits<double>::lowest();
        for (const history::Session &session : m_report.sessions) {
            const double ms = double(session.arrived.toMSecsSinceEpoch());
            first = std::min(first, ms), last = std::max(last, ms);
        }
        if (first > last)
            first = last = double(QDateTime::currentMSecsSinceEpoch());
        const double day = 24 * 3600 * 1000.0;
        const double room = std::max((last - first) * 0.03, day / 2);
        const auto chart = [&](const QString &title, std::vector<Key> &keys) {
            auto *c = new QChart;
            c->setTitle(title);
            c->legend()->hide();
            c->setBackgroundRoundness(0);
            c->setMargins(QMargins(2, 2, 2, 2));
            auto *dates = new QDateTimeAxis(c);
            dates->setFormat(QLocale().dateFormat(QLocale::ShortFormat));
            dates->setRange(QDateTime::fromMSecsSinceEpoch(qint64(first - room)),
                            QDateTime::fromMSecsSinceEpoch(qint64(last + room)));
            dates->setTickCount(6);
            c->addAxis(dates, Qt::AlignBottom);
            keys.clear();
            return std::make_pair(c, dates);
        };
        const auto valueAxis = [](QChart *c, const QString &title, const char *format, Qt::Alignment side) {
            auto *axis = new QValueAxis(c);
            axis->setTitleText(title);
            axis->setLabelFormat(QLatin1String(format));
            c->addAxis(axis, side);
            return axis;
        };
        const auto place = [&](QChart *c, const std::vector<Key> &keys) {
            reportFonts(c);
            legend(p, QRectF(kMargin, y, width, kLegendHeight), keys);
            y += kLegendHeight;
            drawChart(p, c, QRectF(kMargin, y, width, chartHeight()));
            y += chartHeight() + 6;
        };

        // The driver's goal as a dashed line across the dates, "Goal" in the legend.
        const auto goalLine = [&](QChart *c, double value, QAbstractAxis *x, QAbstractAxis *y, std::vector<Key> &keys) {
            QLineSeries *line = history::addGoalLine(c, x, y);
            line->setPen(history::goalPen(Qt::black, 1.2));
            keys.push_back({QStringLiteral("Goal"), line->pen(), QImage()});
            return history::showGoalLine(line, value, first - room, last + room);
        };
        const std::optional<history::Goal> &goal = m_report.goal;

        std::vector<Key> keys;
        auto [reaction, dates1] = chart(QStringLiteral("Reaction time"), keys);
        QValueAxis *seconds = valueAxis(reaction, QStringLiteral("Seconds"), "%.3f", Qt::AlignLeft);
        historySeries(reaction, plot.average, QColor(0, 90, 180), Qt::SolidLine, 0, dates1, seconds, keys,
                      QStringLiteral("Average"));
        historySeries(reaction, plot.best, QColor(0, 140, 60), Qt::DashLine, 1, dates1, seconds, keys,
                      QStringLiteral("Best"));
        const QList<QPointF> goalAverage = goal ? goalLine(reaction, goal->average, dates1, seconds, keys) : QList<QPointF>();
        fitAxis(seconds, {&plot.average, &plot.best, &goalAverage}, 1.0, 3);
        place(reaction, keys);

        auto [consistency, dates2] = chart(QStringLiteral("Spread and red lights"), keys);
        QValueAxis *spread = valueAxis(consistency, QStringLiteral("Seconds"), "%.3f", Qt::AlignLeft);
        QValueAxis *reds = valueAxis(consistency, QStringLiteral("% of runs"), "%.0f", Qt::AlignRight);
        historySeries(consistency, plot.spread, QColor(120, 60, 160), Qt::SolidLine, 0, dates2, spread, keys,
                      QStringLiteral("Spread (s)"));
        historySeries(consistency, plot.redRate, QColor(210, 30, 30), Qt::DashLine, 2, dates2, reds, keys,
                      QStringLiteral("Red lights (% of runs, right)"));
        const QList<QPointF> goalSpread = goal ? goalLine(consistency, goal->spread, dates2, spread, keys) : QList<QPointF>();
        fitAxis(spread, {&plot.spread, &goalSpread}, 1.0, 3, 0.0);
        fitAxis(reds, {&plot.redRate}, 100.0, 0, 0.0);
        place(consistency, keys);

        auto [shifts, dates3] = chart(QStringLiteral("Shift averages"), keys);
        QValueAxis *shiftSeconds = valueAxis(shifts, QStringLiteral("Seconds"), "%.2f", Qt::AlignLeft);
        const QColor colors[] = {QColor(0, 64, 128), QColor(255, 128, 0), QColor(200, 0, 0), QColor(0, 128, 128)};
        const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine};
        for (int k = 0; k < 4; ++k)
            if (!plot.shiftAverage[size_t(k)].isEmpty()) // the columns the files have
                historySeries(shifts, plot.shiftAverage[size_t(k)], colors[k], styles[k], k, dates3, shiftSeconds, keys,
                          QStringLiteral("Shift %1").arg(k + 1));
        const auto &s = plot.shiftAverage;
        fitAxis(shiftSeconds, {&s[0], &s[1], &s[2], &s[3]}, 1.0, 2);
        place(shifts, keys);
        y += 2;
    }

    const int first = m_breaks[size_t(index)];
    const int last = index + 1 < count() ? m_breaks[size_t(index) + 1] : int(m_rows.size());
    if (m_rows.empty()) {
        text(p, QRectF(kMargin, y, width, kRowHeight), QStringLiteral("No sessions."), font(10));
    } else if (first < last) {
        // Date, device, file, then five numbers.
        const double fixed[] = {0.19, 0.14, 0.22};
        std::vector<double> widths;
        for (double share : fixed)
            widths.push_back(width * share);
        for (int c = 3; c < history::kTableColumns; ++c)
            widths.push_back(width * (1 - 0.55) / (history::kTableColumns - 3));
        table(p, QRectF(kMargin, y, width, (last - first + 1) * kRowHeight), history::tableHeader(),
              std::vector<QStringList>(m_rows.begin() + first, m_rows.begin() + last), widths,
              std::vector<bool>(m_dim.begin() + first, m_dim.begin() + last));
    }
    footer(p, page, index, count());
}

// The bests, one a line, then every run's reaction time in 0.010 s bins as bars (at most 60, the
// slower times in the last) with the red lights' bar apart at the right.
void HistoryPages::drawPractice(QPainter &p, double y, double width) const
{
    for (const QString &line : m_bests) {
        text(p, QRectF(kMargin, y, width, 13), line, font(10));
        y += 14;
    }
    const history::Distribution &d = m_report.practice.distribution;
    text(p, QRectF(kMargin, y, width, 13),
         QStringLiteral("Reaction times, runs per 0.01 s: %1 runs, %2 red lights").arg(d.runs).arg(d.reds), font(10, true));
    y += 14;
    const history::Bars binned = history::barsOf(d, 60);
    const std::vector<int> &bars = binned.counts;
    const int first = binned.first;
    int most = d.reds;
    for (const int count : bars)
        most = std::max(most, count);
    const double labels = 60; // the lowest and highest bins' times below, the red lights' label
    const double slot = (width - labels) / double(bars.size() + 2);
    const double base = y + kBars - 14;
    const auto bar = [&](int at, int count, const QColor &color) {
        if (most <= 0 || count <= 0)
            return;
        const double h = (kBars - 16) * count / most;
        p.fillRect(QRectF(kMargin + at * slot, base - h, slot * 0.85, h), color);
    };
    for (size_t i = 0; i < bars.size(); ++i)
        bar(int(i), bars[i], QColor(0, 90, 180));
    bar(int(bars.size()) + 1, d.reds, QColor(210, 30, 30));
    p.setPen(kGrey);
    p.drawLine(QPointF(kMargin, base), QPointF(kMargin + (bars.size() + 2) * slot, base));
    if (!bars.empty()) {
        const QLocale locale;
        text(p, QRectF(kMargin, base + 1, 60, 12), locale.toString(first * history::kBinWidth, 'f', 2) + QStringLiteral(" s"),
             font(8), Qt::AlignLeft | Qt::AlignVCenter, kGrey);
        text(p, QRectF(kMargin + bars.size() * slot - 60, base + 1, 60, 12),
             locale.toString((first + int(bars.size())) * history::kBinWidth, 'f', 2) + QStringLiteral(" s"), font(8),
             Qt::AlignRight | Qt::AlignVCenter, kGrey);
    }
    text(p, QRectF(kMargin + (bars.size() + 1) * slot - 10, base + 1, labels, 12), QStringLiteral("Red lights"), font(8),
         Qt::AlignLeft | Qt::AlignVCenter, kGrey);
}

void paintPage(QPainter &painter, const Pages &pages, int index, double dpi)
{
    painter.save();
    painter.scale(dpi / 72.0, dpi / 72.0);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    pages.draw(painter, index);
    painter.restore();
}

} // namespace

Layout runFileLayout(RunFileReport report)
{
    return [report](const QPageSize &paper) { return std::make_unique<RunFilePages>(report, paper); };
}

Layout historyLayout(history::PracticeView view)
{
    return [view](const QPageSize &paper) { return std::make_unique<HistoryPages>(view, paper); };
}

QByteArray pdfBytes(const Pages &pages)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(pages.paper());
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(300);
        writer.setTitle(pages.title());
        writer.setCreator(QStringLiteral("Vantrelock Mirelon"));
        QPainter painter(&writer);
        for (int i = 0; i < pages.count(); ++i) {
            if (i > 0)
                writer.newPage();
            paintPage(painter, pages, i, writer.resolution());
        }
    }
    return buffer.data();
}

QByteArray pngBytes(const Pages &pages)
{
    if (pages.count() != 1)
        throw AppError(QStringLiteral("The report has %1 pages, and a PNG picture holds one: save it as a PDF file")
                           .arg(pages.count()));
    const QSize pixels = pages.paper().sizePixels(kPngDpi);
    QImage image(pixels, QImage::Format_RGB32);
    image.fill(Qt::white);
    const int dotsPerMeter = int(std::lround(kPngDpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, true);
        paintPage(painter, pages, 0, kPngDpi);
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

QByteArray fileBytes(const Pages &pages, Format format)
{
    return format == Format::Png ? pngBytes(pages) : pdfBytes(pages);
}

void printReport(const Layout &layout, QPrinter &printer)
{
    printer.setFullPage(true); // the report keeps its own margins
    const std::unique_ptr<Pages> pages = layout(printer.pageLayout().pageSize());
    printer.setDocName(pages->title());
    QPainter painter;
    if (!painter.begin(&printer))
        throw AppError(QStringLiteral("The printer could not be started"));
    for (int i = 0; i < pages->count(); ++i) {
        if (i > 0)
            printer.newPage();
        paintPage(painter, *pages, i, printer.resolution());
    }
    painter.end();
}

} // namespace report
