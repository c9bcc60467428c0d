// The Statistics group: loading run files into the run arrays, labels and chart, the overlay
// switch, the chart's selectors and the shift averages.

#include "stats/ui/StatisticsGroup.h"

#include "stats/Readout.h"
#include "stats/RunFile.h"
#include "base/Files.h"
#include "stats/ui/RunChart.h"
#include "widgets/ClickLabel.h"
#include "widgets/ColorPanel.h"
#include "widgets/FileListBox.h"
#include "widgets/LabelText.h"
#include "widgets/Prompter.h"

#include <QChartView>
#include <QComboBox>
#include <QFileInfo>
#include <QListWidgetItem>
#include <QGroupBox>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QSignalBlocker>
#include <QValueAxis>

namespace {

const QString kNA = QStringLiteral("N/A");

void fill(StatisticsGroup &form, QLineSeries *series, const runfile::Reals &values, int n)
{
    fillRunSeries(series, values, n);
    form.rescaleChart();
}

void showSeries(StatisticsGroup &form, std::initializer_list<int> shown, std::initializer_list<int> hidden)
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

// The value, and what it is for a screen reader, which would otherwise take the group's title.
void showShiftAverage(QLabel *label, int shift, const QString &text)
{
    setLabelText(label, text);
    label->setAccessibleName(QStringLiteral("Shift %1 average %2").arg(shift).arg(text));
}

// One side of the chart: the file picked, or the file laid over it for comparison.
struct Side {
    bool overlay;
    QLabel *name; // the file's name above or below the figures
    std::optional<StatisticsGroup::ShownRunFile> &shown;
    runfile::Reals &rt;
    runfile::Counts &bump;
    QLineSeries *times; // its reaction times
    QComboBox *selector; // its shift columns
    int firstShiftSeries; // the series of its first shift column
};

Side primarySide(StatisticsGroup &form)
{
    return {false, form.Label11, form.shownFile, form.rt, form.bump, form.Series1, form.ComboBox1, 3};
}

Side overlaySide(StatisticsGroup &form)
{
    return {true, form.Label12, form.shownOverlay, form.rta, form.bumpa, form.Series2, form.ComboBox2, 7};
}

// Reads the file picked in the list into one side: its name, its decoded file and reaction
// times; none when no file is picked.
std::optional<runfile::RunFile> readPicked(StatisticsGroup &form, const Side &side)
{
    const QString path = form.FileListBox1->fileName();
    if (path.isEmpty())
        return std::nullopt;
    setLabelText(side.name, QFileInfo(path).fileName());
    side.name->setVisible(true);

    side.shown.reset(); // until it decodes
    const runfile::RunFile file = runfile::decode(runfile::readRunFile(path));
    side.shown = StatisticsGroup::ShownRunFile{path, QFileInfo(path).lastModified(), file};
    side.rt = file.rt;
    return file;
}

// A file's shift columns and bump counts into one side, the shift columns that both sides have
// offered in its selector; a file without them marks them absent.
void takeShifts(StatisticsGroup &form, const Side &side, const runfile::RunFile &file)
{
    if (!file.full) {
        for (int k = 1; k <= 4; ++k)
            form.shiftColumn(k, side.overlay)[1] = runfile::kAbsentShift;
        side.bump.fill(runfile::kNoBump);
        return;
    }
    cutToFirst(side.selector);
    for (int k = 1; k <= 4; ++k)
        form.shiftColumn(k, side.overlay) = file.shift[k - 1];
    side.bump = file.bump;
    for (int k = 1; k <= 4; ++k) {
        if (form.shiftColumn(k, side.overlay)[1] == runfile::kAbsentShift
            || form.shiftColumn(k, false)[1] == runfile::kAbsentShift)
            continue; // the series keeps its points
        fill(form, form.series(side.firstShiftSeries + k - 1), form.shiftColumn(k, side.overlay), file.runs.runs());
        side.selector->addItem(QStringLiteral("Shift %1").arg(k));
        if (k == 1)
            side.selector->setVisible(true);
    }
    side.selector->setCurrentIndex(0);
}

void loadPrimary(StatisticsGroup &form)
{
    form.ShftAvg1->setVisible(true);
    for (QLabel *label : {form.ShftAvg2, form.ShftAvg3, form.ShftAvg4})
        label->setVisible(false);
    form.ComboBox1->setVisible(false);
    form.ComboBox2->setVisible(false);
    showSeries(form, {1}, {3, 4, 5, 6});
    form.hideReadout();

    const Side side = primarySide(form);
    const std::optional<runfile::RunFile> file = readPicked(form, side);
    if (!file)
        return;
    setLabelText(form.NumRuns, file->runs.text());
    fill(form, side.times, side.rt, file->runs.runs());
    setLabelText(form.NumWins, file->wins.text());
    setLabelText(form.NumReds, file->reds.text());
    setLabelText(form.Avg, file->average);
    setLabelText(form.Sprd, file->spread);

    QLabel *averages[] = {form.ShftAvg1, form.ShftAvg2, form.ShftAvg3, form.ShftAvg4};
    for (int k = 0; k < 4; ++k)
        showShiftAverage(averages[k], k + 1, file->shiftAverage[k]);
    if (file->full) {
        form.shftCnt = 1;
    } else {
        form.ComboBox1->setCurrentIndex(0);
        form.ComboBox2->setCurrentIndex(0);
    }
    takeShifts(form, side, *file);
    form.Button11->setEnabled(form.FileListBox1->hasSelection());
}

void loadOverlay(StatisticsGroup &form)
{
    form.ComboBox1->setVisible(false);
    form.ComboBox2->setVisible(false);
    form.ComboBox2->setCurrentIndex(0);
    showSeries(form, {1, 2}, {3, 4, 5, 6, 7, 8, 9, 10});
    form.hideReadout();

    const Side side = overlaySide(form);
    const std::optional<runfile::RunFile> file = readPicked(form, side);
    if (!file)
        return;
    side.times->setVisible(true);
    fill(form, side.times, side.rt, file->runs.runs());
    takeShifts(form, side, *file);
}

} // namespace

void StatisticsGroup::FileListBox1Click()
{
    if (!FileListBox1->multiSelect()) {
        loadPrimary(*this);
        return;
    }
    // A click in the list toggles the file under it; whatever the load makes of that, the list
    // then shows the two files on the chart, and no third.
    struct Resync {
        StatisticsGroup &form;
        ~Resync() { form.showChartFilesInList(); }
    } resync{*this};
    loadOverlay(*this);
}

void StatisticsGroup::showChartFilesInList()
{
    QStringList shown;
    if (!Label11->isHidden())
        shown.append(Label11->text());
    if (FileListBox1->multiSelect() && !Label12->isHidden())
        shown.append(Label12->text());
    const QSignalBlocker blocker(FileListBox1); // no pick by the user
    for (int row = 0; row < FileListBox1->count(); ++row) {
        QListWidgetItem *item = FileListBox1->item(row);
        const bool picked = shown.contains(item->text());
        if (item->isSelected() != picked)
            item->setSelected(picked);
        if (!FileListBox1->multiSelect() && picked)
            FileListBox1->setCurrentItem(item, QItemSelectionModel::NoUpdate);
    }
}

void StatisticsGroup::FileListBox1KeyPress(QChar &)
{
    FileListBox1Click();
}

void StatisticsGroup::Panel4Click()
{
    hideReadout();
    if (FileListBox1->multiSelect()) {
        Panel4->setButtonFace();
        Panel4->setChecked(false);
        FileListBox1->setMultiSelect(false);
        showSeries(*this, {1}, {2, 3, 4, 5, 6, 7, 8, 9, 10});
        Label12->setVisible(false);
        showChartFilesInList();
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
        Panel4->setChecked(true);
        FileListBox1->setMultiSelect(true);
        Button11->setEnabled(false);
    }
}

void StatisticsGroup::ComboBox1Change()
{
    const int index = ComboBox1->currentIndex();
    const int shown = index >= 1 && index <= 4 ? index + 2 : 1;
    for (int n : {1, 3, 4, 5, 6})
        series(n)->setVisible(n == shown);
    rescaleChart();
}

void StatisticsGroup::ComboBox2Change()
{
    const int index = ComboBox2->currentIndex();
    const int shown = index >= 1 && index <= 4 ? index + 2 : 1;
    const int shownA = index >= 1 && index <= 4 ? index + 6 : 2;
    for (int n = 1; n <= 10; ++n)
        series(n)->setVisible(n == shown || n == shownA);
    rescaleChart();
}

void StatisticsGroup::CheckShift()
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

StatisticsGroup::Reals &StatisticsGroup::shiftColumn(int n, bool overlay)
{
    runfile::Reals *primary[] = {&shift1, &shift2, &shift3, &shift4};
    runfile::Reals *second[] = {&shift1a, &shift2a, &shift3a, &shift4a};
    return overlay ? *second[n - 1] : *primary[n - 1];
}

void StatisticsGroup::rescaleChart()
{
    fitRunAxes({Chart1->chart(), AxisX, AxisY, {Series1, Series2, Series3, Series4, Series5, Series6, Series7,
                                                Series8, Series9, Series10}});
    // A ring stays only on a point that is still shown.
    for (QScatterSeries *mark : {RunMark1, RunMark2}) {
        const auto *ringed = mark ? qobject_cast<QLineSeries *>(mark->property("ringed").value<QObject *>()) : nullptr;
        if (mark && mark->isVisible() && (!ringed || !ringed->isVisible()))
            mark->setVisible(false);
    }
    describeChart();
}

void StatisticsGroup::describeChart()
{
    // What a screen reader says the chart shows: each series shown, with its file and runs.
    static const char *const what[10] = {"Reaction times", "Reaction times", "Shift 1 times", "Shift 2 times",
                                         "Shift 3 times", "Shift 4 times", "Shift 1 times", "Shift 2 times",
                                         "Shift 3 times", "Shift 4 times"};
    QStringList shown;
    for (int n = 1; n <= 10; ++n) {
        QLineSeries *s = series(n);
        if (!s->isVisible() || s->count() == 0)
            continue;
        const bool overlay = n == 2 || n >= 7;
        const QLabel *file = overlay ? Label12 : Label11;
        QString text = QLatin1String(what[n - 1]);
        if (!file->isHidden())
            text += QStringLiteral(" of ") + file->text();
        shown.append(text + QStringLiteral(", %1 runs").arg(s->count()));
    }
    QString description = shown.isEmpty() ? QStringLiteral("No run file loaded") : shown.join(QStringLiteral("; "));
    if (!shownRun.isEmpty())
        description = shownRun + QStringLiteral(". ") + description;
    Chart1->setAccessibleDescription(description);
}

void StatisticsGroup::wireStatistics()
{
    RTLabel->move(RTLabel->x(), 7); // the readout's first slot
    rescaleChart(); // the empty chart too
    const auto load = [this] { guarded(window(), [this] { FileListBox1Click(); }); };
    connect(FileListBox1, &QListWidget::itemSelectionChanged, this, load);
    connect(FileListBox1, &FileListBox::keyTyped, this, [this](QChar key) {
        guarded(window(), [this, &key] { FileListBox1KeyPress(key); });
    });
    connect(Panel4, &ColorPanel::clicked, this, [this] { guarded(window(), [this] { Panel4Click(); }); });
    connect(ComboBox1, &QComboBox::activated, this, [this] { guarded(window(), [this] { ComboBox1Change(); }); });
    connect(ComboBox2, &QComboBox::activated, this, [this] { guarded(window(), [this] { ComboBox2Change(); }); });
    connect(Button11, &QPushButton::clicked, this, [this] { guarded(window(), [this] { Button11Click(); }); });
    connect(Button8, &QPushButton::clicked, this, [this] { guarded(window(), [this] { Button8Click(); }); });
    connect(Button9, &QPushButton::clicked, this, [this] { guarded(window(), [this] { Button9Click(); }); });

    // The shift averages lie on one spot; a click on the visible one steps to the next.
    for (QLabel *label : {ShftAvg1, ShftAvg2, ShftAvg3, ShftAvg4}) {
        auto *average = static_cast<ClickLabel *>(label);
        average->setClickable(true);
        average->setAccessibleDescription(QStringLiteral("Shift average; press for the next shift"));
        connect(average, &ClickLabel::clicked, this, [this] { guarded(window(), [this] { CheckShift(); }); });
    }
    for (int k = 1; k <= 4; ++k)
        showShiftAverage(std::array{ShftAvg1, ShftAvg2, ShftAvg3, ShftAvg4}[size_t(k - 1)], k, QStringLiteral("N/A"));
    FileListBox1->setAccessibleName(QStringLiteral("Run files"));
    // On Linux a combo box is read by its item, and named by the label whose buddy it is; the
    // labels are never shown, the chart's look stays as it is.
    for (auto [combo, name] : {std::pair{ComboBox1, "Series shown"}, std::pair{ComboBox2, "Series compared"}}) {
        combo->setAccessibleName(QLatin1String(name));
        auto *buddy = new QLabel(QLatin1String(name), combo->parentWidget());
        buddy->setObjectName(combo->objectName() + QStringLiteral("Name"));
        buddy->setBuddy(combo);
        buddy->setVisible(false);
    }
    Panel3->setAccessibleName(QStringLiteral("Run values"));

    wireChartReadout();
}

bool StatisticsGroup::pickRunFile(const QString &path)
{
    const QFileInfo info(path);
    if (!files::isRegularFile(path) || !files::sameFile(info.absolutePath(), FileListBox1->directory()))
        return false;
    const auto find = [this, &info] { return FileListBox1->findItems(info.fileName(), Qt::MatchExactly); };
    if (find().isEmpty())
        FileListBox1->refresh(); // stored since the list was read (by the tool, say)
    const QList<QListWidgetItem *> items = find();
    if (items.isEmpty())
        return false;
    // As a click: with overlay on it toggles the file, otherwise it becomes the one picked.
    FileListBox1->setCurrentItem(items.first(), FileListBox1->multiSelect() ? QItemSelectionModel::Toggle
                                                                            : QItemSelectionModel::ClearAndSelect);
    FileListBox1->scrollToItem(items.first());
    return true;
}
