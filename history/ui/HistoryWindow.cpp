#include "history/ui/HistoryWindow.h"

#include "widgets/Colors.h"
#include "widgets/ScreenFit.h"

#include "history/AxisFit.h"
#include "history/FolderImport.h"
#include "history/Grouping.h"
#include "history/Practice.h"
#include "history/PracticeStore.h"
#include "history/PracticeView.h"
#include "history/ui/GoalLine.h"
#include "history/ui/SessionTableModel.h"

#include <QAction>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace {

const QString kAllDevices = QStringLiteral("All devices");
const QString kDeviceNotKnown = QStringLiteral("Device not known (found in the folder)");
const QString kAllDrivers = QStringLiteral("All drivers");
const QString kNoDriver = QStringLiteral("No driver");
// Bins the distribution chart shows at most: from the fastest start up, the rest counted last.
constexpr int kMostBins = 40;

// The window's designed size; smaller screens get less.
constexpr int kWidth = 940, kHeight = 900;
// Small enough for a 1024 x 600 screen: three charts and four rows of the table.
constexpr int kChartMinimumHeight = 104;
constexpr int kTableMinimumRows = 4;
// Points drawn with a marker each at most; more are drawn as a line only.
constexpr qsizetype kMarkedPoints = 200;

// The designed series colours; on a dark chart they are lightened until they stand out.
const QColor kAverage(0, 90, 180), kBest(0, 140, 60), kSpread(120, 60, 160), kRed(210, 30, 30);
const QColor kShift[] = {QColor(0, 64, 128), QColor(255, 128, 0), QColor(200, 0, 0), QColor(0, 128, 128)};
// Lines and markers against the chart: the contrast asked of graphics.
constexpr double kGraphicContrast = 3.0;

QLineSeries *addSeries(QChart *chart, const char *name, QAbstractAxis *x, QAbstractAxis *y)
{
    auto *series = new QLineSeries(chart);
    series->setObjectName(QLatin1String(name));
    series->setName(QLatin1String(name));
    series->setMarkerSize(4);
    chart->addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
    return series;
}

// No title: the chart's title says the unit, and a vertical title would not fit a low chart.
QValueAxis *valueAxis(QChart *chart, const char *format, Qt::Alignment side)
{
    auto *axis = new QValueAxis(chart);
    axis->setLabelFormat(QLatin1String(format));
    chart->addAxis(axis, side);
    return axis;
}

HistoryChart *chartView(const char *name, QWidget *parent)
{
    auto *chart = new QChart;
    QFont font = chart->titleFont();
    font.setBold(true);
    chart->setTitleFont(font);
    chart->setMargins(QMargins(4, 2, 4, 2));
    chart->setBackgroundRoundness(0);
    chart->legend()->setAlignment(Qt::AlignRight);
    auto *view = new HistoryChart(chart, parent);
    view->setObjectName(QLatin1String(name));
    view->setRenderHint(QPainter::Antialiasing, true);
    view->setMinimumHeight(kChartMinimumHeight);
    view->setFocusPolicy(Qt::NoFocus); // nothing in it to use
    // Markers of points a filter took away stay on screen otherwise.
    view->setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    return view;
}

// A table scrolled to its end stays there when it grows or shrinks, so the newest sessions
// stay in view as the window is fitted to the screen or resized.
void keepNewestRowsInView(QAbstractItemView *table)
{
    QScrollBar *bar = table->verticalScrollBar();
    auto atEnd = std::make_shared<bool>(true);
    QObject::connect(bar, &QScrollBar::valueChanged, table, [bar, atEnd](int value) { *atEnd = value == bar->maximum(); });
    QObject::connect(bar, &QScrollBar::rangeChanged, table, [bar, atEnd](int, int maximum) {
        if (*atEnd)
            bar->setValue(maximum);
    });
}

QDateTimeAxis *dateAxis(QChart *chart)
{
    auto *axis = new QDateTimeAxis(chart);
    chart->addAxis(axis, Qt::AlignBottom);
    return axis;
}

// Fits the axis to the points (history::axisRange), with as many ticks as the chart's height
// holds labels apart: crowded, the chart shows "..." for them.
void fit(QValueAxis *axis, const std::optional<history::AxisRange> &span, double fallbackHigh, int decimals,
         const QChartView *view)
{
    const int line = view->fontMetrics().height();
    // The title, the date labels and the margins take about four lines of the view.
    axis->setTickCount(std::clamp((view->height() - 4 * line) / (2 * line) + 1, 2, 5));
    const history::AxisRange range = history::axisRange(span, fallbackHigh, decimals);
    axis->setRange(range.low, range.high);
    axis->applyNiceNumbers();
}

// The designed colour, or a lighter (on a dark chart, darker on a light one) one that stands out
// from `background`.
QColor standingOut(const QColor &designed, const QColor &background)
{
    QColor color = designed;
    const bool dark = contrastRatio(background, Qt::white) > contrastRatio(background, Qt::black);
    for (int step = 0; step < 12 && contrastRatio(color, background) < kGraphicContrast; ++step)
        color = dark ? color.lighter(125) : color.darker(125);
    return color;
}

QString dateText(const QDateTime &when)
{
    return QLocale().toString(when.date(), QLocale::ShortFormat);
}

} // namespace

void HistoryWindow::showImportProgress(int read, int total)
{
    const QString text = history::importProgressText(read, total);
    Progress->setText(text);
    Progress->setVisible(!text.isEmpty());
}

QRect historyGeometry(const QRect &available)
{
    const QRect inside = available.marginsRemoved(kWindowFrame);
    QRect geometry(0, 0, std::min(kWidth, inside.width()), std::min(kHeight, inside.height()));
    geometry.moveCenter(inside.center());
    return geometry;
}

DateAxisPlan dateAxisPlan(const QDateTime &first, const QDateTime &last)
{
    DateAxisPlan plan;
    const qint64 span = std::max<qint64>(first.secsTo(last), 0);
    const qint64 room = std::max<qint64>(span / 30, 12 * 3600);
    plan.min = first.addSecs(-room);
    plan.max = last.addSecs(room);
    const qint64 days = span / 86400;
    // The labels' least difference: a minute, a day or a month; ticks no closer than that never
    // repeat a label.
    qint64 step = 60;
    plan.format = QStringLiteral("d MMM hh:mm");
    if (days > 300)
        plan.format = QStringLiteral("MMM yyyy"), step = 31 * 86400;
    else if (days >= 3)
        plan.format = QStringLiteral("d MMM"), step = 86400;
    const qint64 width = plan.min.secsTo(plan.max);
    plan.ticks = int(std::clamp<qint64>(width / step + 1, 2, 7));
    return plan;
}

SessionTable::SessionTable(QWidget *parent) : QTableView(parent)
{
    setTabKeyNavigation(false); // Tab goes on to the next control, arrows walk the cells
    connect(this, &QTableView::clicked, this, [this](const QModelIndex &index) { emit chosen(index.row()); });
}

void SessionTable::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) && currentIndex().isValid()) {
        selectRow(currentIndex().row());
        emit chosen(currentIndex().row());
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

HistoryWindow::HistoryWindow(history::PracticeStore &store, OpenRunFile open, QWidget *parent)
    : QWidget(parent, Qt::Window), m_store(store), m_open(std::move(open))
{
    setObjectName(QStringLiteral("HistoryWindow"));
    setWindowTitle(QStringLiteral("Practice History"));
    resize(kWidth, kHeight);

    auto *top = m_topRow = new QHBoxLayout;
    auto *deviceLabel = new QLabel(QStringLiteral("&Device:"), this);
    Device = new QComboBox(this);
    Device->setObjectName(QStringLiteral("Device"));
    // A long device name is elided, as a long driver's name is, rather than widening the window
    // past a small screen; its whole name is in the list when it opens.
    Device->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    Device->setMinimumContentsLength(11);
    Device->setAccessibleName(QStringLiteral("Device"));
    deviceLabel->setBuddy(Device);
    Summary = new QLabel(this);
    Summary->setObjectName(QStringLiteral("Summary"));
    // On a narrow screen it takes two lines rather than widening the window past the screen.
    Summary->setWordWrap(true);
    auto *driverLabel = new QLabel(QStringLiteral("D&river:"), this);
    Driver = new QComboBox(this);
    Driver->setObjectName(QStringLiteral("Driver"));
    Driver->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    Driver->setMinimumContentsLength(9);
    Driver->setAccessibleName(QStringLiteral("Driver"));
    driverLabel->setBuddy(Driver);
    top->addWidget(deviceLabel);
    top->addWidget(Device);
    top->addSpacing(8);
    top->addWidget(driverLabel);
    top->addWidget(Driver);
    top->addSpacing(8);
    top->addWidget(Summary, 1);

    auto *drivers = new QHBoxLayout;
    auto *giveLabel = new QLabel(QStringLiteral("&Give to:"), this);
    GiveTo = new QComboBox(this);
    GiveTo->setObjectName(QStringLiteral("GiveTo"));
    GiveTo->setEditable(true);
    GiveTo->setInsertPolicy(QComboBox::NoInsert);
    GiveTo->setMinimumContentsLength(8);
    GiveTo->setToolTip(QStringLiteral("A driver's name, new or known: Give gives the sessions selected in the table to them"));
    GiveTo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    GiveTo->setAccessibleName(QStringLiteral("Give the selected sessions to"));
    GiveTo->lineEdit()->setMaxLength(history::kLongestDriverName);
    giveLabel->setBuddy(GiveTo);
    GiveButton = new QPushButton(QStringLiteral("Give"), this);
    GiveButton->setObjectName(QStringLiteral("GiveButton"));
    TakeBackButton = new QPushButton(QStringLiteral("&Take Back"), this);
    TakeBackButton->setObjectName(QStringLiteral("TakeBackButton"));
    TakeBackButton->setToolTip(QStringLiteral("Leave the selected sessions to no driver"));
    auto *downloadLabel = new QLabel(QStringLiteral("&New downloads go to:"), this);
    DownloadDriver = new QComboBox(this);
    DownloadDriver->setObjectName(QStringLiteral("DownloadDriver"));
    DownloadDriver->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    DownloadDriver->setMinimumContentsLength(9);
    DownloadDriver->setAccessibleName(QStringLiteral("New downloads go to"));
    downloadLabel->setBuddy(DownloadDriver);
    drivers->addWidget(giveLabel);
    drivers->addWidget(GiveTo);
    drivers->addWidget(GiveButton);
    drivers->addWidget(TakeBackButton);
    drivers->addStretch(1);
    drivers->addWidget(downloadLabel);
    drivers->addWidget(DownloadDriver);

    GoalProgress = new QLabel(this);
    GoalProgress->setObjectName(QStringLiteral("GoalProgress"));
    GoalProgress->setWordWrap(true);
    GoalProgress->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred); // wraps, never widens the window
    GoalButton = new QPushButton(QStringLiteral("Set G&oal..."), this);
    GoalButton->setObjectName(QStringLiteral("GoalButton"));
    GoalButton->setToolTip(QStringLiteral("Set or clear the goal of the driver picked in the Driver list"));
    Bests = new QLabel(this);
    Bests->setObjectName(QStringLiteral("Bests"));
    Bests->setWordWrap(true);
    Bests->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *splitter = new QSplitter(Qt::Vertical, this);
    // The charts scroll where the screen is too low for all three beside the table (a small
    // screen at a large scale); the table keeps its rows.
    auto *chartArea = new QScrollArea(splitter);
    chartArea->setObjectName(QStringLiteral("ChartArea"));
    chartArea->setFrameShape(QFrame::NoFrame);
    chartArea->setWidgetResizable(true);
    // Across only where the bests' lines are wider than a small screen.
    chartArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    chartArea->setMinimumHeight(kChartMinimumHeight);
    auto *charts = new QWidget;
    auto *chartColumn = new QVBoxLayout(charts);
    chartColumn->setContentsMargins(0, 0, 0, 0);
    ReactionChart = chartView("ReactionChart", charts);
    ConsistencyChart = chartView("ConsistencyChart", charts);
    ShiftChart = chartView("ShiftChart", charts);
    DistributionChart = chartView("DistributionChart", charts);
    // The goal and the bests scroll with the charts: on a small screen the table keeps its rows.
    auto *goalRow = new QHBoxLayout;
    goalRow->addWidget(GoalProgress, 1);
    goalRow->addWidget(GoalButton, 0, Qt::AlignTop);
    chartColumn->addLayout(goalRow);
    chartColumn->addWidget(Bests);
    // One best a line, wrapped where the window is narrower: its width is what the window
    // gives it, never what its longest line would ask (that widened the window past a small
    // screen).
    Bests->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    for (QChartView *view : {ReactionChart, ConsistencyChart, ShiftChart, DistributionChart})
        chartColumn->addWidget(view);
    // The legend beside the shift chart lists four series: room for them, each about a line and
    // its marker's padding, under the title.
    const int line = ShiftChart->fontMetrics().height();
    ShiftChart->setMinimumHeight(std::max(kChartMinimumHeight, 2 * line + 4 * (line + 9) + 12));

    QChart *chart = ReactionChart->chart();
    m_reactionDates = dateAxis(chart);
    m_reactionAxis = valueAxis(chart, "%.3f", Qt::AlignLeft);
    AverageSeries = addSeries(chart, "Average", m_reactionDates, m_reactionAxis);
    BestSeries = addSeries(chart, "Best", m_reactionDates, m_reactionAxis);
    GoalAverageSeries = history::addGoalLine(chart, m_reactionDates, m_reactionAxis);

    chart = ConsistencyChart->chart();
    m_consistencyDates = dateAxis(chart);
    m_spreadAxis = valueAxis(chart, "%.3f", Qt::AlignLeft);
    m_redAxis = valueAxis(chart, "%.0f", Qt::AlignRight);
    SpreadSeries = addSeries(chart, "Spread", m_consistencyDates, m_spreadAxis);
    RedSeries = addSeries(chart, "Red lights", m_consistencyDates, m_redAxis);
    GoalSpreadSeries = history::addGoalLine(chart, m_consistencyDates, m_spreadAxis);
    GoalAverageSeries->setObjectName(QStringLiteral("GoalAverageSeries"));
    GoalSpreadSeries->setObjectName(QStringLiteral("GoalSpreadSeries"));

    chart = ShiftChart->chart();
    m_shiftDates = dateAxis(chart);
    m_shiftAxis = valueAxis(chart, "%.2f", Qt::AlignLeft);
    const char *shiftNames[] = {"Shift 1", "Shift 2", "Shift 3", "Shift 4"};
    for (int k = 0; k < 4; ++k)
        ShiftSeries[size_t(k)] = addSeries(chart, shiftNames[k], m_shiftDates, m_shiftAxis);

    chart = DistributionChart->chart();
    m_distribution = new QBarSeries(chart);
    m_distribution->setObjectName(QStringLiteral("Distribution"));
    m_distribution->setBarWidth(0.9);
    chart->addSeries(m_distribution);
    m_bins = new QBarCategoryAxis(chart);
    chart->addAxis(m_bins, Qt::AlignBottom);
    m_countAxis = valueAxis(chart, "%.0f", Qt::AlignLeft);
    m_distribution->attachAxis(m_bins);
    m_distribution->attachAxis(m_countAxis);
    chart->legend()->setVisible(false);

    SessionRows = new SessionTableModel(store, this);
    Sessions = new SessionTable(splitter);
    Sessions->setObjectName(QStringLiteral("Sessions"));
    Sessions->setAccessibleName(QStringLiteral("Sessions"));
    Sessions->setModel(SessionRows);
    Sessions->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Sessions->setSelectionBehavior(QAbstractItemView::SelectRows);
    Sessions->setSelectionMode(QAbstractItemView::ExtendedSelection); // several given to a driver at once
    Sessions->setAlternatingRowColors(true);
    Sessions->setWordWrap(false);
    Sessions->verticalHeader()->setVisible(false);
    // Every row as high: the view does not measure rows it does not show.
    Sessions->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Sessions->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    Sessions->setMinimumHeight(Sessions->horizontalHeader()->sizeHint().height()
                               + kTableMinimumRows * Sessions->verticalHeader()->defaultSectionSize() + 2 * Sessions->frameWidth());
    Sessions->setToolTip(QStringLiteral("Click a session, or press Enter, to show its run file in the main window"));
    chartArea->setWidget(charts);
    splitter->addWidget(chartArea);
    splitter->addWidget(Sessions);
    keepNewestRowsInView(Sessions);
    // Tab goes from the device and driver lists to the table first, then to the driver controls.
    setTabOrder(Device, Driver);
    setTabOrder(Driver, Sessions);
    setTabOrder(Sessions, GiveTo);
    setTabOrder(GiveTo, GiveButton);
    setTabOrder(GiveButton, TakeBackButton);
    setTabOrder(TakeBackButton, DownloadDriver);
    setTabOrder(DownloadDriver, GoalButton);
    setTabOrder(GoalButton, chartArea);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({540, 280}); // about ten rows of the table below the three charts
    splitter->setChildrenCollapsible(false);

    Status = new QLabel(this);
    Status->setObjectName(QStringLiteral("Status"));
    Status->setWordWrap(true);
    Progress = new QLabel(this);
    Progress->setObjectName(QStringLiteral("Progress"));
    Progress->hide();

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(drivers);
    layout->addWidget(splitter, 1);
    layout->addWidget(Progress);
    layout->addWidget(Status);

    setUpActions();
    applyPalette();
    ShiftChart->installEventFilter(this);
    connect(Device, &QComboBox::activated, this, [this] { showSessions(); });
    connect(Driver, &QComboBox::activated, this, [this] { showSessions(); });
    connect(GiveButton, &QPushButton::clicked, this, [this] { giveSelected(GiveTo->currentText().trimmed()); });
    connect(GiveTo->lineEdit(), &QLineEdit::returnPressed, this, [this] { giveSelected(GiveTo->currentText().trimmed()); });
    connect(TakeBackButton, &QPushButton::clicked, this, [this] { giveSelected(QString()); });
    connect(GoalButton, &QPushButton::clicked, this, [this] { editGoal(); });
    connect(DownloadDriver, &QComboBox::activated, this, [this] {
        const QString driver = DownloadDriver->currentData().toString();
        Status->setText(m_store.thisComputer().setDownloadDriver(driver)
                            ? (driver.isEmpty() ? QStringLiteral("New downloads go to no driver.")
                                                : QStringLiteral("New downloads go to %1.").arg(driver))
                            : QStringLiteral("The practice history is off: %1.").arg(m_store.problem()));
    });
    connect(Sessions, &SessionTable::chosen, this, [this](int row) { sessionChosen(row); });
}

// The window's commands, all in one place: in its context menu, with their shortcuts.
void HistoryWindow::setUpActions()
{
    setContextMenuPolicy(Qt::ActionsContextMenu);
    CloseAction = new QAction(QStringLiteral("Close"), this);
    CloseAction->setObjectName(QStringLiteral("CloseAction"));
    CloseAction->setShortcut(QKeySequence(Qt::Key_Escape));
    CloseAction->setShortcutContext(Qt::WindowShortcut);
    connect(CloseAction, &QAction::triggered, this, &QWidget::close);
    addAction(CloseAction);
}

void HistoryWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        applyPalette();
}

// The charts in the window's colours, light or dark: the designed series colours where they stand
// out from the chart's background, lighter (or darker) where not.
void HistoryWindow::applyPalette()
{
    const QPalette &p = palette();
    const QColor background = p.color(QPalette::Base), text = p.color(QPalette::Text);
    QColor grid = p.color(QPalette::Mid);
    for (QChartView *view : {static_cast<QChartView *>(ReactionChart), static_cast<QChartView *>(ConsistencyChart),
                             static_cast<QChartView *>(ShiftChart), static_cast<QChartView *>(DistributionChart)}) {
        QChart *chart = view->chart();
        view->setBackgroundBrush(background);
        chart->setBackgroundBrush(background);
        chart->setTitleBrush(text);
        chart->legend()->setLabelColor(text);
        for (QAbstractAxis *axis : chart->axes()) {
            axis->setLabelsColor(text);
            axis->setTitleBrush(text);
            axis->setLinePenColor(grid);
            axis->setGridLineColor(grid);
        }
    }
    for (QLineSeries *goal : {GoalAverageSeries, GoalSpreadSeries})
        goal->setPen(history::goalPen(text, 1.5));
    AverageSeries->setColor(standingOut(kAverage, background));
    BestSeries->setColor(standingOut(kBest, background));
    SpreadSeries->setColor(standingOut(kSpread, background));
    RedSeries->setColor(standingOut(kRed, background));
    for (size_t k = 0; k < 4; ++k)
        ShiftSeries[k]->setColor(standingOut(kShift[k], background));
    for (QBarSet *set : m_distribution->barSets())
        set->setColor(standingOut(set->label() == QLatin1String("Red lights") ? kRed : kAverage, background));
    SessionRows->setMutedColor(p.color(QPalette::Disabled, QPalette::Text));
}

void HistoryWindow::reload()
{
    const QVariant picked = Device->currentData();
    const QSignalBlocker blocker(Device);
    Device->clear();
    Device->addItem(kAllDevices);
    const QStringList devices = m_store.devices();
    for (const QString &serial : devices) {
        if (!serial.isEmpty())
            Device->addItem(serial, serial);
    }
    if (devices.contains(QString()))
        Device->addItem(kDeviceNotKnown, QString(QLatin1String(""))); // data: an empty, not a null, text
    const int again = picked.isNull() ? 0 : Device->findData(picked);
    Device->setCurrentIndex(std::max(again, 0));

    const std::vector<history::Driver> drivers = m_store.drivers();
    const QVariant driverPicked = Driver->currentData();
    const QSignalBlocker driverBlocker(Driver), downloadBlocker(DownloadDriver);
    Driver->clear();
    Driver->addItem(kAllDrivers);
    DownloadDriver->clear();
    DownloadDriver->addItem(kNoDriver, QString(QLatin1String("")));
    const QString typed = GiveTo->currentText();
    GiveTo->clear();
    for (const history::Driver &d : drivers) {
        Driver->addItem(d.name, d.name);
        DownloadDriver->addItem(d.name, d.name);
        GiveTo->addItem(d.name);
    }
    GiveTo->setEditText(typed);
    Driver->addItem(kNoDriver, QString(QLatin1String(""))); // data: an empty, not a null, text
    const int driverAgain = driverPicked.isNull() ? 0 : Driver->findData(driverPicked);
    Driver->setCurrentIndex(std::max(driverAgain, 0));
    DownloadDriver->setCurrentIndex(std::max(DownloadDriver->findData(m_store.thisComputer().downloadDriver()), 0));
    showSessions();
}

void HistoryWindow::giveSelected(const QString &driver)
{
    if (const QString problem = history::driverNameProblem(driver); !problem.isEmpty()) {
        Status->setText(problem.left(1).toUpper() + problem.mid(1) + QLatin1Char('.'));
        return;
    }
    std::vector<qint64> ids;
    for (const QModelIndex &row : Sessions->selectionModel()->selectedRows())
        if (const history::Session *s = SessionRows->session(row.row()))
            ids.push_back(s->id);
    if (ids.empty()) {
        Status->setText(QStringLiteral("Select the sessions in the table first (Shift or Ctrl and a click for several)."));
        return;
    }
    if (!m_store.assign(ids, driver)) {
        Status->setText(QStringLiteral("The practice history is off: %1.").arg(m_store.problem()));
        return;
    }
    const QString count = ids.size() == 1 ? QStringLiteral("1 session") : QStringLiteral("%1 sessions").arg(ids.size());
    reload();
    Status->setText(driver.isEmpty() ? QStringLiteral("%1 taken back from their driver.").arg(count)
                                     : QStringLiteral("%1 given to %2.").arg(count, driver));
}

void HistoryWindow::setGoal(const QString &driver, const std::optional<history::Goal> &goal)
{
    if (!m_store.setGoal(driver, goal)) {
        Status->setText(QStringLiteral("The practice history is off: %1.").arg(m_store.problem()));
        return;
    }
    reload();
    const QLocale locale;
    Status->setText(goal ? QStringLiteral("Goal of %1 set: average %2 s, spread %3 s.")
                               .arg(driver, locale.toString(goal->average, 'f', 3), locale.toString(goal->spread, 'f', 3))
                         : QStringLiteral("Goal of %1 cleared.").arg(driver));
}

// A small window over this one: the goal's two figures, set or cleared for the driver picked.
void HistoryWindow::editGoal()
{
    const QString driver = Driver->currentData().toString();
    if (driver.isEmpty())
        return;
    const std::optional<history::Goal> goal = m_store.goalOf(driver);
    delete GoalDialog;
    GoalDialog = new QDialog(this);
    GoalDialog->setObjectName(QStringLiteral("GoalDialog"));
    GoalDialog->setWindowTitle(QStringLiteral("Goal of %1").arg(driver));
    GoalDialog->setAttribute(Qt::WA_DeleteOnClose);
    auto *average = new QLineEdit(GoalDialog);
    average->setObjectName(QStringLiteral("GoalAverage"));
    auto *spread = new QLineEdit(GoalDialog);
    spread->setObjectName(QStringLiteral("GoalSpread"));
    const QLocale locale;
    for (QLineEdit *edit : {average, spread}) {
        edit->setMaxLength(8);
        edit->setPlaceholderText(locale.toString(edit == average ? 0.510 : 0.020, 'f', 3));
    }
    if (goal) {
        average->setText(locale.toString(goal->average, 'f', 3));
        spread->setText(locale.toString(goal->spread, 'f', 3));
    }
    auto *problem = new QLabel(GoalDialog);
    problem->setObjectName(QStringLiteral("GoalProblem"));
    problem->setWordWrap(true);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Average reaction time (s):"), average);
    form->addRow(QStringLiteral("&Largest spread (s):"), spread);
    auto *buttons = new QDialogButtonBox(GoalDialog);
    QPushButton *set = buttons->addButton(QStringLiteral("&Set Goal"), QDialogButtonBox::AcceptRole);
    set->setObjectName(QStringLiteral("SetGoalButton"));
    set->setDefault(true);
    QPushButton *clear = buttons->addButton(QStringLiteral("&Clear Goal"), QDialogButtonBox::DestructiveRole);
    clear->setObjectName(QStringLiteral("ClearGoalButton"));
    clear->setEnabled(bool(goal));
    buttons->addButton(QDialogButtonBox::Cancel);
    auto *column = new QVBoxLayout(GoalDialog);
    column->addLayout(form);
    column->addWidget(problem);
    column->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, GoalDialog, &QDialog::reject);
    connect(clear, &QPushButton::clicked, GoalDialog, [this, driver] {
        GoalDialog->accept();
        setGoal(driver, std::nullopt);
    });
    connect(set, &QPushButton::clicked, GoalDialog, [this, driver, average, spread, problem] {
        const std::optional<double> a = history::goalSeconds(average->text()), s = history::goalSeconds(spread->text());
        if (!a || !s) {
            QLineEdit *wrong = a ? spread : average;
            problem->setText(QStringLiteral("The %1 is a time in seconds from 0 to 10 with at most three decimals, such as %2.")
                                 .arg(a ? QStringLiteral("largest spread") : QStringLiteral("average reaction time"),
                                      wrong->placeholderText()));
            wrong->setFocus();
            wrong->selectAll();
            // Taller for the lines of the text, at the width the dialog has.
            GoalDialog->resize(GoalDialog->width(),
                               std::max(GoalDialog->height(), GoalDialog->layout()->totalHeightForWidth(GoalDialog->width())));
            return;
        }
        GoalDialog->accept();
        setGoal(driver, history::Goal{*a, *s});
    });
    GoalDialog->open(); // over this window, without a loop of its own
    average->setFocus();
    average->selectAll(); // typing replaces the goal shown
}

history::DeviceFilter HistoryWindow::deviceFilter() const
{
    const QVariant picked = Device->currentData();
    return picked.isNull() ? std::nullopt : std::optional<QString>(picked.toString());
}

history::DriverFilter HistoryWindow::driverFilter() const
{
    const QVariant picked = Driver->currentData();
    return picked.isNull() ? std::nullopt : std::optional<QString>(picked.toString());
}

void HistoryWindow::addTopRowButton(QPushButton *button)
{
    m_topRow->addWidget(button);
}

void HistoryWindow::showSessions()
{
    // One reading of the sessions for the summary, the charts' dates and the bests; the table
    // reads its rows as they are shown.
    const history::PracticeView view = history::viewOf(m_store, deviceFilter(), driverFilter());
    const history::Overview &overview = view.practice.overview;
    Status->setText(m_store.canRecord() ? QString() : QStringLiteral("The practice history is off: %1.").arg(m_store.problem()));

    QString when;
    if (overview.sessions > 0) {
        const QString first = dateText(overview.first), last = dateText(overview.last);
        when = first == last ? QStringLiteral(", on %1").arg(first) : QStringLiteral(", from %1 to %2").arg(first, last);
    }
    Summary->setText(!m_store.canRead() ? QStringLiteral("No practice history to show.")
                     : overview.sessions == 0
                         ? QStringLiteral("No sessions yet: run files are added as they are downloaded.")
                         : history::sessionsAndRuns(overview.sessions, overview.runs) + when);

    showCharts(view);
    showPractice(view);
    SessionRows->reload(view.device, view.driver, view.goal);
    fitColumns();
    Sessions->scrollToBottom();
    // The keyboard starts at the latest session (where the table is scrolled), without loading it.
    if (const int rows = SessionRows->rowCount(); rows > 0)
        Sessions->selectionModel()->setCurrentIndex(SessionRows->index(rows - 1, 0), QItemSelectionModel::NoUpdate);
}

// The charts, all on the same dates: a point per session, or per day, week ... when there are
// more sessions than a chart can show apart.
void HistoryWindow::showCharts(const history::PracticeView &view)
{
    const history::Overview &overview = view.practice.overview;
    const std::optional<history::Goal> &goal = view.goal;
    const history::Grouping grouping = history::groupingFor(overview.sessions, overview.first, overview.last);
    const history::Plot plot = m_store.plot(view.device, grouping,
                                            overview.last.isValid() ? overview.last : QDateTime::currentDateTime(), view.driver);
    // Markers where points stand apart; hundreds of them only cover the line, and take long to draw.
    const bool markers = std::max({plot.average.size(), plot.best.size(), plot.spread.size(), plot.redRate.size()})
                         <= kMarkedPoints;
    for (QLineSeries *series : {AverageSeries, BestSeries, SpreadSeries, RedSeries})
        series->setPointsVisible(markers);
    for (QLineSeries *series : ShiftSeries)
        series->setPointsVisible(markers);
    AverageSeries->replace(plot.average);
    BestSeries->replace(plot.best);
    SpreadSeries->replace(plot.spread);
    RedSeries->replace(plot.redRate);
    for (size_t k = 0; k < 4; ++k) {
        ShiftSeries[k]->replace(plot.shiftAverage[k]);
        ShiftSeries[k]->setVisible(!plot.shiftAverage[k].isEmpty());
    }
    QDateTime first = QDateTime::currentDateTime().addDays(-7), last = QDateTime::currentDateTime();
    if (overview.sessions > 0)
        first = overview.first, last = overview.last;
    const DateAxisPlan dates = dateAxisPlan(first, last);
    for (QDateTimeAxis *axis : {m_reactionDates, m_consistencyDates, m_shiftDates}) {
        axis->setRange(dates.min, dates.max);
        axis->setFormat(dates.format);
    }
    m_dateTicks = dates.ticks;
    // The goal as a line across the dates, inside the axes' span.
    const double from = double(dates.min.toMSecsSinceEpoch()), to = double(dates.max.toMSecsSinceEpoch());
    const QList<QPointF> goalAverage =
        history::showGoalLine(GoalAverageSeries, goal ? std::optional(goal->average) : std::nullopt, from, to);
    const QList<QPointF> goalSpread =
        history::showGoalLine(GoalSpreadSeries, goal ? std::optional(goal->spread) : std::nullopt, from, to);
    // The dashed line is named in the goal's line above the charts; a low chart's legend has no
    // room for a third entry (the legend shows a series' marker again as the series is shown).
    for (QLineSeries *line : {GoalAverageSeries, GoalSpreadSeries})
        for (QLegendMarker *marker : line->chart()->legend()->markers(line))
            marker->setVisible(false);
    m_spans = {history::spanOf({&plot.average, &plot.best, &goalAverage}), history::spanOf({&plot.spread, &goalSpread}),
               history::spanOf({&plot.redRate}),
               history::spanOf({&plot.shiftAverage[0], &plot.shiftAverage[1], &plot.shiftAverage[2], &plot.shiftAverage[3]})};
    fitAxes();

    const bool noShifts = std::all_of(plot.shiftAverage.begin(), plot.shiftAverage.end(),
                                      [](const QList<QPointF> &points) { return points.isEmpty(); });
    const QString by = history::groupingCaption(grouping);
    ReactionChart->chart()->setTitle(QStringLiteral("Reaction time (seconds)") + by);
    ConsistencyChart->chart()->setTitle(QStringLiteral("Spread (seconds) and red lights (% of runs, right axis)") + by);
    ShiftChart->chart()->setTitle(noShifts ? QStringLiteral("Shift averages (none in these sessions)")
                                           : QStringLiteral("Shift averages (seconds)") + by);

    // What a screen reader says of each chart.
    const QString each = grouping == history::Grouping::Session
                             ? QStringLiteral("one point per session")
                             : QStringLiteral("one point per%1, the mean of its sessions").arg(by.mid(4));
    const QString of = overview.sessions == 0 ? QStringLiteral("no sessions")
                                              : QStringLiteral("%1 from %2 to %3, %4")
                                                    .arg(history::sessionsAndRuns(overview.sessions, overview.runs),
                                                         dateText(overview.first), dateText(overview.last), each);
    ReactionChart->setAccessibleName(QStringLiteral("Reaction time chart"));
    ReactionChart->setAccessibleDescription(QStringLiteral("Average and best reaction time in seconds: %1").arg(of));
    ConsistencyChart->setAccessibleName(QStringLiteral("Spread and red lights chart"));
    ConsistencyChart->setAccessibleDescription(
        QStringLiteral("Spread of the reaction times in seconds, and red lights in percent of the runs: %1").arg(of));
    ShiftChart->setAccessibleName(QStringLiteral("Shift averages chart"));
    ShiftChart->setAccessibleDescription(noShifts ? QStringLiteral("No shift times in these sessions")
                                                  : QStringLiteral("Shift averages in seconds: %1").arg(of));
}

// The goal's count, the personal bests and the reaction times' distribution of the sessions shown.
void HistoryWindow::showPractice(const history::PracticeView &view)
{
    const history::Practice &practice = view.practice;
    const history::DriverFilter &driver = view.driver;
    const std::optional<history::Goal> &goal = view.goal;
    const history::Bests &bests = practice.bests;
    const history::Distribution &distribution = practice.distribution;
    const QLocale locale;
    const auto seconds = [&locale](double value) { return locale.toString(value, 'f', 3); };
    // A goal is one driver's: set while one is picked.
    const bool oneDriver = driver && !driver->isEmpty();
    GoalProgress->setVisible(oneDriver);
    GoalButton->setVisible(oneDriver);
    if (goal)
        GoalProgress->setText(QStringLiteral("Goal of %1: average %2 s, spread %3 s. %4.")
                                  .arg(*driver, seconds(goal->average), seconds(goal->spread),
                                       history::goalCountText(practice.goalCount.value_or(history::GoalCount{}))));
    else if (oneDriver)
        GoalProgress->setText(QStringLiteral("%1 has no goal: Set Goal sets a target average and a largest spread.").arg(*driver));
    QStringList parts;
    const auto best = [&](const QString &name, const std::optional<history::Best> &b) {
        if (b)
            parts << QStringLiteral("%1 %2 s (%3, %4)").arg(name, seconds(b->value), dateText(b->session.arrived), b->session.fileName());
    };
    best(QStringLiteral("Best average"), bests.average);
    best(QStringLiteral("Fastest reaction"), bests.reaction);
    best(QStringLiteral("Lowest spread"), bests.spread);
    if (goal && bests.streakEnd)
        parts << QStringLiteral("Longest streak meeting the goal: %1 (to %2)").arg(bests.streak).arg(dateText(bests.streakEnd->arrived));
    Bests->setText(parts.isEmpty() ? QString() : QStringLiteral("Personal bests\n") + parts.join(QLatin1Char('\n')));
    Bests->setVisible(!parts.isEmpty());

    // Bins from the fastest start, at most kMostBins of them; slower times in the last.
    m_distribution->clear();
    m_bins->clear();
    auto *counts = new QBarSet(QStringLiteral("Runs"));
    auto *reds = new QBarSet(QStringLiteral("Red lights"));
    QStringList labels, spoken;
    int most = distribution.reds;
    const history::Bars bars = history::barsOf(distribution, kMostBins);
    for (size_t i = 0; i < bars.counts.size(); ++i) {
        const int count = bars.counts[i];
        labels << locale.toString((bars.first + int(i)) * history::kBinWidth, 'f', 2);
        *counts << count;
        *reds << 0;
        most = std::max(most, count);
        if (count > 0)
            spoken << QStringLiteral("%1 from %2 s").arg(count).arg(labels.back());
    }
    labels << QStringLiteral("Red");
    *counts << 0;
    *reds << distribution.reds;
    m_distribution->append(counts);
    m_distribution->append(reds);
    m_distribution->setBarWidth(0.9);
    m_bins->append(labels);
    m_countAxis->setRange(0, std::max(1, most));
    m_countAxis->applyNiceNumbers();
    fitAxes();
    DistributionChart->chart()->setTitle(QStringLiteral("Reaction times (runs per 0.01 s), red lights apart"));
    DistributionChart->setAccessibleName(QStringLiteral("Reaction time distribution chart"));
    // What the bars show, for a screen reader: each bin's count.
    DistributionChart->setAccessibleDescription(QStringLiteral("%1 runs, %2 red lights%3")
                                                    .arg(distribution.runs)
                                                    .arg(distribution.reds)
                                                    .arg(spoken.isEmpty() ? QString() : QStringLiteral(": ") + spoken.join(QStringLiteral(", "))));
    applyPalette();
}

void HistoryWindow::fitAxes()
{
    fit(m_reactionAxis, m_spans[0], 0.6, 3, ReactionChart);
    fit(m_spreadAxis, m_spans[1], 0.05, 3, ConsistencyChart);
    fit(m_redAxis, m_spans[2], 10.0, 0, ConsistencyChart);
    fit(m_shiftAxis, m_spans[3], 8.0, 2, ShiftChart);
    // The runs' count from 0: as many ticks as the chart's height holds labels apart.
    const int line = DistributionChart->fontMetrics().height();
    m_countAxis->setTickCount(std::clamp((DistributionChart->height() - 4 * line) / (2 * line) + 1, 2, 5));
    // As many date labels as the plot's width holds side by side: crowded, they show as "...".
    const std::pair<QChartView *, QDateTimeAxis *> dated[] = {
        {ReactionChart, m_reactionDates}, {ConsistencyChart, m_consistencyDates}, {ShiftChart, m_shiftDates}};
    for (const auto &[view, axis] : dated) {
        const double plot = view->width() * 0.75; // the legend and the value labels take the rest
        const int label = QFontMetrics(axis->labelsFont()).horizontalAdvance(axis->min().toString(axis->format()));
        axis->setTickCount(std::clamp(int(plot / (label * 1.2)) + 1, 2, m_dateTicks));
    }
}

bool HistoryWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && watched == ShiftChart)
        fitAxes(); // the charts are as high and as wide as each other
    return QWidget::eventFilter(watched, event);
}

// Each column as wide as its widest text among the rows shown at opening (the latest), or its
// header; the view elides longer texts elsewhere, which their tooltip shows whole.
void HistoryWindow::fitColumns()
{
    const QFontMetrics metrics(Sessions->font());
    const int padding = 2 * Sessions->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, Sessions) + 12;
    const int rows = SessionRows->rowCount();
    for (int column = 0; column < history::kTableColumns; ++column) {
        int width = Sessions->horizontalHeader()->sectionSizeHint(column);
        for (int row = std::max(0, rows - SessionTableModel::kBlockRows); row < rows; ++row)
            width = std::max(width, metrics.horizontalAdvance(SessionRows->index(row, column).data().toString()) + padding);
        Sessions->setColumnWidth(column, width);
    }
}

void HistoryWindow::sessionChosen(int row)
{
    const history::Session *session = SessionRows->session(row);
    if (!session)
        return;
    // Copied: loading the file may have the table read again.
    const QString path = session->path, name = session->fileName();
    Status->setText(m_open(path) ? QStringLiteral("%1 is shown in the main window.").arg(name)
                                 : QStringLiteral("The run file %1 is not in the Statistics folder.").arg(name));
}
