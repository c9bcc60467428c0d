// The Statistics group's handlers: loading run files, the run chart's readout and selectors, and
// CSV export.

#include "app/ui/MainWindow.h"

#include "app/Files.h"

#include "app/ui/Prompter.h"
#include "app/ui/Widgets.h"
#include "stats/CsvExport.h"
#include "stats/Readout.h"
#include "stats/RunFile.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPushButton>
#include <QValueAxis>

#include <functional>

namespace {

const QColor kOverlayGreen(0, 128, 0);
const QString kNA = QStringLiteral("N/A");
// How far from a marker's centre a pointer still hits it, in pixels.
constexpr double kMarkerReach = 5.0;

// Runs a function for the events of a widget that it handles; needs no meta-object of its own.
class EventHook : public QObject {
public:
    EventHook(QObject *target, std::function<bool(QEvent *)> handler)
        : QObject(target), m_handler(std::move(handler))
    {
        target->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override { return m_handler(event); }

private:
    std::function<bool(QEvent *)> m_handler;
};

// The series under the pointer and the point last shown for it, so that moving onto another
// point of the same series shows that point too.
struct Hover {
    QLineSeries *series = nullptr;
    int index = -1;
};

bool lineCounts(const TForm1 &form, const QLineSeries *series)
{
    // The reaction-time series react to their markers only, the shift series to their lines too.
    return series != form.Series1 && series != form.Series2;
}

int pointAt(const TForm1 &form, QLineSeries *series, const QPointF &at)
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

void fill(TForm1 &form, QLineSeries *series, const runfile::Reals &values, int n)
{
    QList<QPointF> points;
    for (int r = 1; r <= n; ++r)
        points.append(QPointF(r, values[r]));
    series->replace(points);
    form.rescaleChart();
}

void setColor(QLabel *label, const QColor &color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

void showSeries(TForm1 &form, std::initializer_list<int> shown, std::initializer_list<int> hidden)
{
    for (int n : shown)
        form.series(n)->setVisible(true);
    for (int n : hidden)
        form.series(n)->setVisible(false);
    form.rescaleChart();
}

void cutToFirst(QComboBox *combo)
{
    while (combo->count() > 1)
        combo->removeItem(combo->count() - 1);
}

runfile::Reals *shiftArray(TForm1 &form, int n, bool overlay)
{
    runfile::Reals *primary[] = {&form.shift1, &form.shift2, &form.shift3, &form.shift4};
    runfile::Reals *second[] = {&form.shift1a, &form.shift2a, &form.shift3a, &form.shift4a};
    return overlay ? second[n - 1] : primary[n - 1];
}

void loadPrimary(TForm1 &form)
{
    form.ShftAvg1->setVisible(true);
    for (QLabel *label : {form.ShftAvg2, form.ShftAvg3, form.ShftAvg4})
        label->setVisible(false);
    form.ComboBox1->setVisible(false);
    form.ComboBox2->setVisible(false);
    showSeries(form, {1}, {3, 4, 5, 6});
    form.Panel3->setVisible(false);

    const QString path = form.FileListBox1->fileName();
    if (path.isEmpty())
        return;
    setLabelText(form.Label11, QFileInfo(path).fileName());
    form.Label11->setVisible(true);

    const runfile::RunFile file = runfile::decode(runfile::readRunFile(path));
    form.rt = file.rt;
    setLabelText(form.NumRuns, file.runs.text());
    const int n = file.runs.runs();
    fill(form, form.Series1, form.rt, n);
    setLabelText(form.NumWins, file.wins.text());
    setLabelText(form.NumReds, file.reds.text());
    setLabelText(form.Avg, file.average);
    setLabelText(form.Sprd, file.spread);

    QLabel *averages[] = {form.ShftAvg1, form.ShftAvg2, form.ShftAvg3, form.ShftAvg4};
    for (int k = 0; k < 4; ++k)
        setLabelText(averages[k], file.shiftAverage[k]);
    if (file.full) {
        form.shftCnt = 1;
        cutToFirst(form.ComboBox1);
        for (int k = 1; k <= 4; ++k) {
            runfile::Reals &shift = *shiftArray(form, k, false);
            shift = file.shift[k - 1];
            if (shift[1] == runfile::kAbsentShift)
                continue; // the series keeps its points
            fill(form, form.series(k + 2), shift, n);
            form.ComboBox1->addItem(QStringLiteral("Shift %1").arg(k));
            if (k == 1)
                form.ComboBox1->setVisible(true);
        }
        form.ComboBox1->setCurrentIndex(0);
        form.bump = file.bump;
    } else {
        form.ComboBox1->setCurrentIndex(0);
        form.ComboBox1->setVisible(false);
        form.ComboBox2->setVisible(false);
        form.ComboBox2->setCurrentIndex(0);
        for (int k = 1; k <= 4; ++k)
            (*shiftArray(form, k, false))[1] = runfile::kAbsentShift;
        form.bump.fill(runfile::kNoBump);
    }
    form.Button11->setEnabled(form.FileListBox1->hasSelection());
}

void loadOverlay(TForm1 &form)
{
    form.ComboBox1->setVisible(false);
    form.ComboBox2->setVisible(false);
    form.ComboBox2->setCurrentIndex(0);
    showSeries(form, {1, 2}, {3, 4, 5, 6, 7, 8, 9, 10});
    form.Panel3->setVisible(false);

    const QString path = form.FileListBox1->fileName();
    if (path.isEmpty())
        return;
    setLabelText(form.Label12, QFileInfo(path).fileName());
    form.Label12->setVisible(true);

    const runfile::RunFile file = runfile::decode(runfile::readRunFile(path));
    form.rta = file.rt;
    const int n = file.runs.runs();
    form.Series2->setVisible(true);
    fill(form, form.Series2, form.rta, n);
    if (file.full) {
        cutToFirst(form.ComboBox2);
        for (int k = 1; k <= 4; ++k)
            *shiftArray(form, k, true) = file.shift[k - 1];
        form.bumpa = file.bump;
        for (int k = 1; k <= 4; ++k) {
            const runfile::Reals &shift = *shiftArray(form, k, true);
            if (shift[1] == runfile::kAbsentShift || (*shiftArray(form, k, false))[1] == runfile::kAbsentShift)
                continue;
            fill(form, form.series(k + 6), shift, n);
            form.ComboBox2->addItem(QStringLiteral("Shift %1").arg(k));
            if (k == 1)
                form.ComboBox2->setVisible(true);
        }
        form.ComboBox2->setCurrentIndex(0);
    } else {
        for (int k = 1; k <= 4; ++k)
            (*shiftArray(form, k, true))[1] = runfile::kAbsentShift;
        form.bumpa.fill(runfile::kNoBump);
    }
}

std::optional<std::int32_t> bumpOf(const runfile::Counts &bumps, int i)
{
    if (bumps[i] == runfile::kNoBump)
        return std::nullopt;
    return bumps[i];
}

} // namespace

void TForm1::FileListBox1Click()
{
    if (FileListBox1->multiSelect())
        loadOverlay(*this);
    else
        loadPrimary(*this);
}

void TForm1::FileListBox1KeyPress(QChar &)
{
    FileListBox1Click();
}

void TForm1::Chart1ClickSeries(QLineSeries *Series, int ValueIndex)
{
    const int i = ValueIndex + 1;
    if (!Series || ValueIndex < 0 || ValueIndex >= Series->count() || i > runfile::kRuns)
        return;
    readout::Panel panel;
    if (Panel4->color() == kOverlayGreen) {
        const int selected = ComboBox2->currentIndex();
        readout::OverlayRun run;
        if (selected >= 1 && selected <= 4) {
            run.value = (*shiftArray(*this, selected, false))[i];
            run.valueA = (*shiftArray(*this, selected, true))[i];
        } else {
            run.value = rt[i];
            run.valueA = rta[i];
            run.bump = bumpOf(bump, i);
            run.bumpA = bumpOf(bumpa, i);
        }
        panel = readout::overlay(run, selected, Series->at(ValueIndex).y());
    } else {
        readout::SingleRun run;
        run.rt = rt[i];
        run.bump = bumpOf(bump, i);
        for (int k = 1; k <= 4; ++k) {
            const runfile::Reals &shift = *shiftArray(*this, k, false);
            if (shift[1] != runfile::kAbsentShift)
                run.shift[k - 1] = shift[i];
        }
        panel = readout::single(run, ComboBox1->currentIndex());
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
}

void TForm1::SeriesMouseEnter(QLineSeries *Series, const QPointF &at)
{
    const int index = pointAt(*this, Series, at);
    if (index >= 0)
        Chart1ClickSeries(Series, index);
}

void TForm1::Panel4Click()
{
    Panel3->setVisible(false);
    if (FileListBox1->multiSelect()) {
        Panel4->setColor(buttonFaceColor());
        FileListBox1->setMultiSelect(false);
        showSeries(*this, {1}, {2, 3, 4, 5, 6, 7, 8, 9, 10});
        Label12->setVisible(false);
        Button11->setEnabled(true);
        if (shift1[1] != runfile::kAbsentShift)
            ComboBox1->setVisible(true);
        ComboBox2->setVisible(false);
        ComboBox2->setCurrentIndex(0);
    } else {
        ComboBox1->setVisible(false);
        ComboBox1->setCurrentIndex(0);
        showSeries(*this, {1}, {3, 4, 5, 6});
        Panel4->setColor(kOverlayGreen);
        FileListBox1->setMultiSelect(true);
        Button11->setEnabled(false);
    }
}

void TForm1::ComboBox1Change()
{
    const int index = ComboBox1->currentIndex();
    const int shown = index >= 1 && index <= 4 ? index + 2 : 1;
    for (int n : {1, 3, 4, 5, 6})
        series(n)->setVisible(n == shown);
    rescaleChart();
}

void TForm1::ComboBox2Change()
{
    const int index = ComboBox2->currentIndex();
    const int shown = index >= 1 && index <= 4 ? index + 2 : 1;
    const int shownA = index >= 1 && index <= 4 ? index + 6 : 2;
    for (int n = 1; n <= 10; ++n)
        series(n)->setVisible(n == shown || n == shownA);
    rescaleChart();
}

void TForm1::CheckShift()
{
    if (shftCnt <= 0)
        return;
    QLabel *labels[] = {ShftAvg1, ShftAvg2, ShftAvg3, ShftAvg4};
    int next = 0;
    for (int k = 0; k < 3; ++k)
        if (labels[k]->isVisibleTo(GroupBox3)) {
            next = k + 1;
            break;
        }
    for (int k = 0; k < 4; ++k)
        labels[k]->setVisible(k == next);
}

void TForm1::Button11Click()
{
    if (!FileListBox1->hasSelection())
        return;
    const QString path = prompter().chooseFile(*FileSaveDialog1);
    if (path.isEmpty())
        return;
    csv::Runs runs;
    runs.rt = rt;
    runs.shift = {shift1, shift2, shift3, shift4};
    runs.bump = bump;
    QStringList statistics;
    for (const QLabel *label : {NumRuns, NumReds, NumWins, Avg, Sprd, ShftAvg1, ShftAvg2, ShftAvg3, ShftAvg4})
        statistics.append(label->text());
    files::writeFile(path, csv::exportText(runs, statistics));
    FileSaveDialog1->selectFile(QString());
}

void TForm1::rescaleChart()
{
    QList<QList<QPointF>> shown;
    for (int n = 1; n <= 10; ++n)
        if (series(n)->isVisible())
            shown.append(series(n)->points());
    const readout::Range range = readout::fitRange(shown);
    AxisX->setRange(range.minX, range.maxX);
    AxisY->setRange(range.minY, range.maxY);
    // Round tick values; the range only grows, so every point stays inside.
    AxisX->applyNiceNumbers();
    AxisY->applyNiceNumbers();
}

void TForm1::wireStatistics()
{
    RTLabel->move(RTLabel->x(), 7); // the readout's first slot
    AxisX->setLabelFormat(QStringLiteral("%d")); // run numbers
    const auto load = [this] { guarded(this, [this] { FileListBox1Click(); }); };
    connect(FileListBox1, &QListWidget::itemSelectionChanged, this, load);
    connect(FileListBox1, &FileListBox::keyTyped, this, [this](QChar key) {
        guarded(this, [this, &key] { FileListBox1KeyPress(key); });
    });
    connect(Panel4, &ColorPanel::clicked, this, [this] { guarded(this, [this] { Panel4Click(); }); });
    connect(ComboBox1, &QComboBox::activated, this, [this] { guarded(this, [this] { ComboBox1Change(); }); });
    connect(ComboBox2, &QComboBox::activated, this, [this] { guarded(this, [this] { ComboBox2Change(); }); });
    connect(Button11, &QPushButton::clicked, this, [this] { guarded(this, [this] { Button11Click(); }); });

    // The shift averages lie on one spot; a click on the visible one steps to the next.
    for (QLabel *label : {ShftAvg1, ShftAvg2, ShftAvg3, ShftAvg4}) {
        label->setCursor(Qt::PointingHandCursor);
        new EventHook(label, [this, label](QEvent *event) {
            if (event->type() == QEvent::MouseButtonRelease
                && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton
                && label->rect().contains(static_cast<QMouseEvent *>(event)->position().toPoint()))
                guarded(this, [this] { CheckShift(); });
            return false;
        });
    }

    // A click, or the pointer entering a series, shows the readout of the point there. While the
    // pointer stays on a series, moving onto another of its points shows that one.
    auto hover = std::make_shared<Hover>();
    for (int n = 1; n <= 10; ++n) {
        QLineSeries *s = series(n);
        connect(s, &QXYSeries::clicked, this, [this, s](const QPointF &at) {
            guarded(this, [&] {
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
            guarded(this, [&] { SeriesMouseEnter(s, at); });
        });
    }
    new EventHook(Chart1->viewport(), [this, hover](QEvent *event) {
        // Qt Charts 6.4 dereferences the item under a press without testing it; a press where
        // there is none (outside the chart's own rectangle) is dropped.
        if (event->type() == QEvent::MouseButtonPress
            && !Chart1->itemAt(static_cast<QMouseEvent *>(event)->position().toPoint()))
            return true;
        if (event->type() != QEvent::MouseMove || !hover->series || !hover->series->isVisible())
            return false;
        QChart *chart = Chart1->chart();
        const QPointF scenePos = Chart1->mapToScene(static_cast<QMouseEvent *>(event)->position().toPoint());
        const QPointF at = chart->mapToValue(chart->mapFromScene(scenePos), hover->series);
        const int index = pointAt(*this, hover->series, at);
        if (index >= 0 && index != hover->index) {
            hover->index = index;
            guarded(this, [&] { Chart1ClickSeries(hover->series, index); });
        }
        return false;
    });
}
