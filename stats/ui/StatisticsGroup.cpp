// The Statistics group built at its designed places, with its chart and selectors, and its save
// dialog.

#include "stats/ui/StatisticsGroup.h"

#include "stats/ui/RunChart.h"
#include "widgets/ClickLabel.h"
#include "widgets/ColorPanel.h"
#include "widgets/FileListBox.h"
#include "widgets/Fonts.h"
#include "widgets/FormControls.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineSeries>
#include <QPainter>
#include <QPushButton>
#include <QValueAxis>

namespace {

// The readout's face: the light button face its black and red values are made for, whatever the
// desktop's palette.
const QColor kReadoutFace(240, 240, 240);

QFileDialog *makeSaveDialog(QWidget *parent, const QString &folder)
{
    auto *dialog = new QFileDialog(parent, QString(), folder);
    dialog->setObjectName(QStringLiteral("FileSaveDialog1"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setDefaultSuffix(QStringLiteral("csv"));
    dialog->setNameFilters({QStringLiteral("CSV (*.csv)")});
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    return dialog;
}

} // namespace

void initRunArrays(StatisticsGroup &statistics)
{
    StatisticsGroup &s = statistics;
    for (auto *reals : {&s.rt, &s.rta, &s.shift1, &s.shift1a, &s.shift2, &s.shift2a, &s.shift3, &s.shift3a,
                        &s.shift4, &s.shift4a})
        reals->fill(0.0);
    for (auto *shift : {&s.shift1, &s.shift1a, &s.shift2, &s.shift2a, &s.shift3, &s.shift3a, &s.shift4, &s.shift4a})
        (*shift)[1] = 10.0;
    s.bump.fill(255);
    s.bumpa.fill(255);
    s.shftCnt = 0;
}

StatisticsGroup::StatisticsGroup(QWidget *content, ConnectGroup &device, const WorkingFolders &folders,
                                 QObject *parent)
    : QObject(parent), m_device(device), m_folders(folders)
{
    GroupBox3 = makeGroupBox(content, "GroupBox3", QStringLiteral("Statistics"), {24, 264, 743, 257});

    const QFont regular = arial(16);
    FileListBox1 = new FileListBox(GroupBox3);
    FileListBox1->setObjectName(QStringLiteral("FileListBox1"));
    FileListBox1->setFont(regular);
    FileListBox1->setStyleSheet(QStringLiteral("QListWidget::item { height: 18px; }"));
    FileListBox1->setGeometry(8, 24, 130, 184);
    FileListBox1->setMask(QStringLiteral("*.txt"));

    Button8 = makeButton(GroupBox3, "Button8", QStringLiteral("Load"), {8, 216, 80, 32},
                         QStringLiteral("Get Statistcs Files from Vantrelock"));
    Button8->setEnabled(false);
    Button9 = makeButton(GroupBox3, "Button9", QStringLiteral("Delete"), {94, 216, 80, 32},
                         QStringLiteral("Delete Files from Vantrelock"));
    Button11 = makeButton(GroupBox3, "Button11", QStringLiteral("Export"), {180, 216, 80, 32});
    Panel4 = new ColorPanel(QStringLiteral("Overlay"), GroupBox3);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel4->setFont(arial(15));
    Panel4->setGeometry(266, 216, 80, 32);
    Panel4->setClickable(true);
    Panel4->setCheckable(true);

    const int labelX = 144, valueX = 232;
    Label11 = makeLabel(GroupBox3, "Label11", QStringLiteral("Label11"), labelX, 22, &regular);
    Label11->setVisible(false);
    Label5 = makeLabel(GroupBox3, "Label5", QStringLiteral("# Runs:"), labelX, 44);
    NumRuns = makeLabel(GroupBox3, "NumRuns", QStringLiteral("N/A"), valueX, 44, &regular);
    Label6 = makeLabel(GroupBox3, "Label6", QStringLiteral("# Reds:"), labelX, 68);
    NumReds = makeLabel(GroupBox3, "NumReds", QStringLiteral("N/A"), valueX, 68, &regular);
    Label7 = makeLabel(GroupBox3, "Label7", QStringLiteral("# Wins:"), labelX, 92);
    NumWins = makeLabel(GroupBox3, "NumWins", QStringLiteral("N/A"), valueX, 92, &regular);
    Label8 = makeLabel(GroupBox3, "Label8", QStringLiteral("Average:"), labelX, 116);
    Avg = makeLabel(GroupBox3, "Avg", QStringLiteral("N/A"), valueX, 116, &regular);
    Label9 = makeLabel(GroupBox3, "Label9", QStringLiteral("Spread:"), labelX, 140);
    Sprd = makeLabel(GroupBox3, "Sprd", QStringLiteral("N/A"), valueX, 140, &regular);
    Label10 = makeLabel(GroupBox3, "Label10", QStringLiteral("Shift Avg:"), labelX, 164);
    ShftAvg1 = makeLabel<ClickLabel>(GroupBox3, "ShftAvg1", QStringLiteral("N/A"), valueX, 164, &regular);
    ShftAvg2 = makeLabel<ClickLabel>(GroupBox3, "ShftAvg2", QStringLiteral("N/A"), valueX, 164, &regular);
    ShftAvg3 = makeLabel<ClickLabel>(GroupBox3, "ShftAvg3", QStringLiteral("N/A"), valueX, 164, &regular);
    ShftAvg4 = makeLabel<ClickLabel>(GroupBox3, "ShftAvg4", QStringLiteral("N/A"), valueX, 164, &regular);
    ShftAvg2->setVisible(false);
    ShftAvg3->setVisible(false);
    ShftAvg4->setVisible(false);
    Label12 = makeLabel(GroupBox3, "Label12", QStringLiteral("Label12"), labelX, 190, &regular);
    Label12->setVisible(false);

    Panel3 = new ColorPanel(QString(), GroupBox3);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    // 9 pixels wider than the design's 75, taken from the chart: with Arial's metrics the
    // longest readouts ("Bump: 999", "RT: -30.000") need 80.
    Panel3->setGeometry(279, 40, 84, 142);
    Panel3->setColor(kReadoutFace);
    Panel3->setVisible(false);
    const QFont readout = arial(15, true);
    struct Row {
        QLabel **label;
        const char *name;
        const char *caption;
        const char *hint;
    };
    const Row rows[] = {{&RTLabel, "RTLabel", "RT:", "RT"},
                        {&BumpLabel, "BumpLabel", "Bump:", "Bump Count"},
                        {&Shft1Label, "Shft1Label", "S1:", "First Shift Time"},
                        {&Shft2Label, "Shft2Label", "S2:", "Second Shift Time"},
                        {&Shft3Label, "Shft3Label", "S3:", "Third Shift Time"},
                        {&Shft4Label, "Shft4Label", "S4:", "Fourth Shift Time"}};
    int y = 4;
    for (const Row &row : rows) {
        *row.label = makeLabel(Panel3, row.name, QLatin1String(row.caption), 4, y, &readout);
        (*row.label)->setToolTip(QLatin1String(row.hint));
        (*row.label)->setVisible(row.label == &RTLabel);
        y += 22;
    }

    buildChart();
    wireStatistics();
}

void StatisticsGroup::buildChart()
{
    const RunChart run = buildRunChart();
    AxisX = run.axisX;
    AxisY = run.axisY;
    QLineSeries **targets[10] = {&Series1, &Series2, &Series3, &Series4, &Series5,
                                 &Series6, &Series7, &Series8, &Series9, &Series10};
    for (int i = 0; i < 10; ++i)
        *targets[i] = run.series[size_t(i)];

    Chart1 = new QChartView(run.chart, GroupBox3);
    Chart1->setObjectName(QStringLiteral("Chart1"));
    Chart1->setGeometry(363, 22, 372, 226);
    Chart1->setRubberBand(QChartView::NoRubberBand);
    Chart1->setCursor(Qt::CrossCursor);
    Chart1->viewport()->setCursor(Qt::CrossCursor);
    Chart1->setRenderHint(QPainter::Antialiasing, false);

    const auto makeCombo = [this](const char *name) {
        auto *combo = new QComboBox(Chart1);
        combo->setObjectName(QLatin1String(name));
        combo->setEditable(false);
        combo->addItem(QStringLiteral("RT"));
        combo->setCurrentIndex(0);
        combo->setGeometry(4, 226 - 22 - 4, 62, 22);
        combo->setFocusPolicy(Qt::ClickFocus); // skipped by the Tab key
        // Its own face: it would take the group's bold 16 pixels, where "Shift 1" does not fit.
        combo->setFont(arial(11));
        combo->setVisible(false);
        return combo;
    };
    ComboBox1 = makeCombo("ComboBox1");
    ComboBox2 = makeCombo("ComboBox2");
}

QWidget *StatisticsGroup::window() const
{
    return GroupBox3->window();
}

QLineSeries *StatisticsGroup::series(int number) const
{
    const std::array<QLineSeries *, 10> all{Series1, Series2, Series3, Series4, Series5,
                                            Series6, Series7, Series8, Series9, Series10};
    return number >= 1 && number <= 10 ? all[number - 1] : nullptr;
}

void StatisticsGroup::FormCreate()
{
    initRunArrays(*this);
    Button11->setEnabled(false);
}

void StatisticsGroup::listFolder()
{
    FileListBox1->setDirectory(m_folders.statistics);
}

void StatisticsGroup::enableDeviceButtons(bool enabled)
{
    Button8->setEnabled(enabled);
}

std::optional<StatisticsGroup::ShownRunFiles> StatisticsGroup::shownRunFiles() const
{
    if (!Label11->isVisibleTo(GroupBox3) || !shownFile)
        return std::nullopt;
    ShownRunFiles shown{*shownFile, std::nullopt};
    if (FileListBox1->multiSelect() && Label12->isVisibleTo(GroupBox3))
        shown.overlay = shownOverlay;
    return shown;
}

QFileDialog &StatisticsGroup::saveDialog()
{
    if (!FileSaveDialog1)
        FileSaveDialog1 = makeSaveDialog(window(), FileListBox1->directory()); // the statistics folder
    return *FileSaveDialog1;
}

void StatisticsGroup::clearSaveName()
{
    // A file dialog keeps the last name typed into it, and QFileDialog::selectFile() ignores
    // empty text: a dialog holding a name gives way to a new one in the same folder. (Making one
    // lists its folder, so a dialog that holds no name, only its folder, stays.)
    if (!FileSaveDialog1)
        return;
    const QString folder = FileSaveDialog1->directory().absolutePath();
    if (FileSaveDialog1->selectedFiles() == QStringList{folder})
        return;
    delete FileSaveDialog1;
    FileSaveDialog1 = makeSaveDialog(window(), folder);
}
