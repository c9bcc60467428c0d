// The run chart's readout: a click on a point, or the pointer resting on it, shows that run's
// values beside the chart.

#include "stats/ui/StatisticsGroup.h"

#include "stats/Readout.h"
#include "stats/RunFile.h"
#include "widgets/Clickable.h"
#include "widgets/ColorPanel.h"
#include "widgets/EventHook.h"
#include "widgets/FocusRing.h"
#include "widgets/LabelText.h"
#include "widgets/Prompter.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QEvent>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>
#include <QMouseEvent>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

namespace {

// How far from a marker's centre a pointer still hits it, in pixels: the markers are 3 pixels
// wide, too small to aim at.
constexpr double kMarkerReach = 6.0;

// The series under the pointer and the point last shown for it, so that moving onto another
// point of the same series shows that point too.
struct Hover {
    QLineSeries *series = nullptr;
    int index = -1;
};

// The marker of a visible series nearest to a place in the chart view, within kMarkerReach.
Hover markerNear(const StatisticsGroup &form, const QPoint &viewportPos)
{
    QChart *chart = form.Chart1->chart();
    const QPointF at = chart->mapFromScene(form.Chart1->mapToScene(viewportPos));
    Hover best;
    double bestDistance = kMarkerReach;
    for (int n = 1; n <= 10; ++n) {
        QLineSeries *s = form.series(n);
        if (!s->isVisible())
            continue;
        const QList<QPointF> points = s->points();
        for (int i = 0; i < points.size(); ++i) {
            const QPointF delta = chart->mapToPosition(points.at(i), s) - at;
            const double d = std::hypot(delta.x(), delta.y());
            if (d <= bestDistance)
                best = {s, i}, bestDistance = d;
        }
    }
    return best;
}

// The series the keyboard steps through: the first one shown.
QLineSeries *firstShown(const StatisticsGroup &form)
{
    for (int n = 1; n <= 10; ++n)
        if (form.series(n)->isVisible() && form.series(n)->count() > 0)
            return form.series(n);
    return nullptr;
}

QComboBox *shownSelector(const StatisticsGroup &form)
{
    if (form.ComboBox1->isVisibleTo(form.Chart1))
        return form.ComboBox1;
    if (form.ComboBox2->isVisibleTo(form.Chart1))
        return form.ComboBox2;
    return nullptr;
}

bool lineCounts(const StatisticsGroup &form, const QLineSeries *series)
{
    // The reaction-time series react to their markers only, the shift series to their lines too.
    return series != form.Series1 && series != form.Series2;
}

int pointAt(const StatisticsGroup &form, QLineSeries *series, const QPointF &at)
{
    const QList<QPointF> points = series->points();
    QChart *chart = form.Chart1->chart();
    QList<QPointF> pixels;
    pixels.reserve(points.size());
    for (const QPointF &p : points)
        pixels.append(chart->mapToPosition(p, series));
    return readout::hitPoint(points, at, pixels, chart->mapToPosition(at, series), lineCounts(form, series),
                             kMarkerReach);
}

void setColor(QLabel *label, const QColor &color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

std::optional<std::int32_t> bumpOf(const runfile::Counts &bumps, int i)
{
    if (bumps[i] == runfile::kNoBump)
        return std::nullopt;
    return bumps[i];
}

// A ring around a point, drawn over the series: large enough to see round a 3-pixel marker.
QScatterSeries *makeRunMark(StatisticsGroup &form, const char *name)
{
    QChart *chart = form.Chart1->chart();
    auto *mark = new QScatterSeries(chart);
    mark->setObjectName(QLatin1String(name));
    mark->setMarkerShape(QScatterSeries::MarkerShapeCircle);
    mark->setMarkerSize(13);
    mark->setColor(QColor(0, 0, 0, 0));
    mark->setPen(QPen(QColor(255, 0, 0), 2));
    chart->addSeries(mark);
    mark->attachAxis(form.AxisX);
    mark->attachAxis(form.AxisY);
    mark->setVisible(false);
    return mark;
}

void markPoint(QScatterSeries *mark, QLineSeries *series, int index)
{
    if (!series || index < 0 || index >= series->count()) {
        mark->setVisible(false);
        return;
    }
    mark->replace(QList<QPointF>{series->at(index)});
    mark->setProperty("ringed", QVariant::fromValue<QObject *>(series));
    mark->setVisible(true);
}

void wireChartKeys(StatisticsGroup &form, const std::shared_ptr<Hover> &hover)
{
    // Tab reaches the chart (its selectors are skipped). Left and Right show the readout of the
    // run before or after; Up and Down pick the selector's previous or next item; Space, Enter
    // or Alt+Down open the selector's list.
    form.Chart1->setFocusPolicy(Qt::StrongFocus);
    form.Chart1->setAccessibleName(QStringLiteral("Run chart"));
    auto *ring = form.Chart1->scene()->addRect(QRectF(), QPen(focusRingColor(form.Chart1), 2));
    ring->setZValue(1000);
    ring->setVisible(false);
    // The view, not the form: the view loses focus while the form is being destroyed.
    QChartView *view = form.Chart1;
    new EventHook(view, [&form, view, ring, hover](QEvent *event) {
        switch (event->type()) {
        case QEvent::FocusIn:
        case QEvent::FocusOut:
        case QEvent::Resize:
            ring->setRect(view->mapToScene(view->viewport()->rect().adjusted(1, 1, -2, -2)).boundingRect());
            ring->setPen(QPen(focusRingColor(view), 2));
            ring->setVisible(view->hasFocus());
            return false;
        case QEvent::KeyPress:
            break;
        default:
            return false;
        }
        const auto *key = static_cast<QKeyEvent *>(event);
        QComboBox *selector = shownSelector(form);
        const bool alt = key->modifiers() & Qt::AltModifier;
        if ((key->key() == Qt::Key_Left || key->key() == Qt::Key_Right) && !alt) {
            QLineSeries *s = firstShown(form);
            if (!s)
                return true;
            const int step = key->key() == Qt::Key_Left ? -1 : 1;
            const int from = hover->series == s ? hover->index : (step > 0 ? -1 : s->count());
            const int index = std::clamp(from + step, 0, int(s->count()) - 1);
            *hover = {s, index};
            guarded(form.window(), [&] { form.Chart1ClickSeries(s, index); });
            return true;
        }
        if (!selector)
            return false;
        if ((key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) && !alt) {
            const int index = selector->currentIndex() + (key->key() == Qt::Key_Up ? -1 : 1);
            if (index >= 0 && index < selector->count() && index != selector->currentIndex()) {
                selector->setCurrentIndex(index);
                emit selector->activated(index);
            }
            return true;
        }
        if (isPressKey(key) || (alt && key->key() == Qt::Key_Down) || key->key() == Qt::Key_F4) {
            selector->showPopup();
            return true;
        }
        return false;
    });
}

} // namespace

void StatisticsGroup::Chart1ClickSeries(QLineSeries *Series, int ValueIndex)
{
    const int i = ValueIndex + 1;
    if (!Series || ValueIndex < 0 || ValueIndex >= Series->count() || i > runfile::kRuns)
        return;
    readout::Panel panel;
    if (Panel4->color() == kOverlayGreen) {
        const int selected = ComboBox2->currentIndex();
        readout::OverlayRun run;
        if (selected >= 1 && selected <= 4) {
            run.value = shiftColumn(selected, false)[i];
            run.valueA = shiftColumn(selected, true)[i];
        } else {
            run.value = rt[i];
            run.valueA = rta[i];
            run.bump = bumpOf(bump, i);
            run.bumpA = bumpOf(bumpa, i);
        }
        panel = readout::overlay(run, selected, Series->at(ValueIndex).y());
        shownRun = readout::describeRun(i, run, selected, Label11->text(), Label12->text());
        const bool shift = selected >= 1 && selected <= 4;
        markPoint(RunMark1, series(shift ? selected + 2 : 1), ValueIndex);
        markPoint(RunMark2, series(shift ? selected + 6 : 2), ValueIndex);
    } else {
        readout::SingleRun run;
        run.rt = rt[i];
        run.bump = bumpOf(bump, i);
        for (int k = 1; k <= 4; ++k) {
            const runfile::Reals &shift = shiftColumn(k, false);
            if (shift[1] != runfile::kAbsentShift)
                run.shift[k - 1] = shift[i];
        }
        panel = readout::single(run, ComboBox1->currentIndex());
        shownRun = readout::describeRun(i, run);
        markPoint(RunMark1, Series, ValueIndex);
        RunMark2->setVisible(false);
    }

    QLabel *labels[] = {RTLabel, BumpLabel, Shft1Label, Shft2Label, Shft3Label, Shft4Label};
    for (int k = 0; k < readout::LabelCount; ++k) {
        const readout::Row &row = panel.rows[k];
        if (row.top >= 0)
            labels[k]->move(labels[k]->x(), row.top);
        if (row.visible) {
            setLabelText(labels[k], row.text);
            setColor(labels[k], row.red ? QColor(255, 0, 0) : QColor(0, 0, 0));
        }
        labels[k]->setVisible(row.visible);
    }
    Panel3->resize(Panel3->width(), panel.height);
    Panel3->setVisible(true);
    describeChart();
}

void StatisticsGroup::hideReadout()
{
    Panel3->setVisible(false);
    RunMark1->setVisible(false);
    RunMark2->setVisible(false);
    shownRun.clear();
    describeChart();
}

void StatisticsGroup::SeriesMouseEnter(QLineSeries *Series, const QPointF &at)
{
    const int index = pointAt(*this, Series, at);
    if (index >= 0)
        Chart1ClickSeries(Series, index);
}

void StatisticsGroup::wireChartReadout()
{
    // A click, or the pointer entering a series, shows the readout of the point there. While the
    // pointer stays on a series, moving onto another of its points shows that one.
    RunMark1 = makeRunMark(*this, "RunMark1");
    RunMark2 = makeRunMark(*this, "RunMark2");
    auto hover = std::make_shared<Hover>();
    for (int n = 1; n <= 10; ++n) {
        QLineSeries *s = series(n);
        connect(s, &QXYSeries::clicked, this, [this, s](const QPointF &at) {
            guarded(window(), [&] {
                const int index = pointAt(*this, s, at);
                if (index >= 0)
                    Chart1ClickSeries(s, index);
            });
        });
        connect(s, &QXYSeries::hovered, this, [this, s, hover](const QPointF &at, bool entered) {
            if (!entered) {
                if (hover->series == s)
                    *hover = {};
                return;
            }
            hover->series = s;
            hover->index = pointAt(*this, s, at);
            guarded(window(), [&] { SeriesMouseEnter(s, at); });
        });
    }
    auto marker = std::make_shared<Hover>(); // the marker the pointer rests on
    new EventHook(Chart1->viewport(), [this, hover, marker](QEvent *event) {
        // Qt Charts 6.4 dereferences the item under a press without testing it; a press where
        // there is none (outside the chart's own rectangle) is dropped.
        if (event->type() == QEvent::MouseButtonPress
            && !Chart1->itemAt(static_cast<QMouseEvent *>(event)->position().toPoint()))
            return true;
        // A marker is hit within a few pixels, by the pointer resting on it or by a click.
        if (event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonRelease) {
            const Hover near = markerNear(*this, static_cast<QMouseEvent *>(event)->position().toPoint());
            const bool click = event->type() == QEvent::MouseButtonRelease
                               && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
            const bool entered = near.series != marker->series || near.index != marker->index;
            *marker = near;
            if (near.series && (click || entered)) {
                *hover = near;
                guarded(window(), [&] { Chart1ClickSeries(near.series, near.index); });
            }
            if (near.series)
                return false;
        }
        if (event->type() != QEvent::MouseMove || !hover->series || !hover->series->isVisible())
            return false;
        QChart *chart = Chart1->chart();
        const QPointF scenePos = Chart1->mapToScene(static_cast<QMouseEvent *>(event)->position().toPoint());
        const QPointF at = chart->mapToValue(chart->mapFromScene(scenePos), hover->series);
        const int index = pointAt(*this, hover->series, at);
        if (index >= 0 && index != hover->index) {
            hover->index = index;
            guarded(window(), [&] { Chart1ClickSeries(hover->series, index); });
        }
        return false;
    });
    wireChartKeys(*this, hover);
}
