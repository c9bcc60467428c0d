#include "history/ui/HistoryWindow.h"

#include "history/HistoryStore.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QSplitter>
#include <QStyle>
#include <QTableWidget>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace {

const QString kAllDevices = QStringLiteral("All devices");
const QString kDeviceNotKnown = QStringLiteral("Device not known (found in the folder)");

QLineSeries *addSeries(QChart *chart, const char *name, const QColor &color, QAbstractAxis *x, QAbstractAxis *y)
{
    auto *series = new QLineSeries(chart);
    series->setObjectName(QLatin1String(name));
    series->setName(QLatin1String(name));
    series->setColor(color);
    series->setPointsVisible(true);
    series->setMarkerSize(4);
    chart->addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
    return series;
}

QValueAxis *valueAxis(QChart *chart, const QString &title, const char *format, Qt::Alignment side)
{
    auto *axis = new QValueAxis(chart);
    axis->setTitleText(title);
    axis->setLabelFormat(QLatin1String(format));
    QFont font = axis->titleFont();
    font.setBold(false);
    axis->setTitleFont(font);
    chart->addAxis(axis, side);
    return axis;
}

QChartView *chartView(const QString &title, QWidget *parent)
{
    auto *chart = new QChart;
    chart->setTitle(title);
    QFont font = chart->titleFont();
    font.setBold(true);
    chart->setTitleFont(font);
    chart->setMargins(QMargins(4, 2, 4, 2));
    chart->setBackgroundRoundness(0);
    chart->legend()->setAlignment(Qt::AlignRight);
    auto *view = new QChartView(chart, parent);
    view->setRenderHint(QPainter::Antialiasing, true);
    view->setMinimumHeight(150);
    // Markers of points a filter took away stay on screen otherwise.
    view->setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    return view;
}

QDateTimeAxis *dateAxis(QChart *chart)
{
    auto *axis = new QDateTimeAxis(chart);
    chart->addAxis(axis, Qt::AlignBottom);
    return axis;
}

// The lowest and highest y of the points, or nothing.
std::optional<std::pair<double, double>> spanOf(std::initializer_list<const QList<QPointF> *> lists)
{
    double low = std::numeric_limits<double>::max(), high = std::numeric_limits<double>::lowest();
    for (const QList<QPointF> *points : lists)
        for (const QPointF &p : *points)
            low = std::min(low, p.y()), high = std::max(high, p.y());
    if (low > high)
        return std::nullopt;
    return std::make_pair(low, high);
}

// Room around the points, rounded ticks; `floor` keeps the axis from going below it.
void fit(QValueAxis *axis, const std::optional<std::pair<double, double>> &span, double fallbackHigh,
         std::optional<double> floor = std::nullopt)
{
    double low = span ? span->first : 0.0, high = span ? span->second : fallbackHigh;
    const double room = std::max((high - low) * 0.1, std::max(std::abs(high), 0.01) * 0.02);
    low -= room;
    high += room;
    if (floor)
        low = std::max(low, *floor);
    axis->setRange(low, high);
    axis->applyNiceNumbers();
}

} // namespace

HistoryWindow::HistoryWindow(history::Store &store, OpenRunFile open, QWidget *parent)
    : QWidget(parent, Qt::Window), m_store(store), m_open(std::move(open))
{
    setObjectName(QStringLiteral("HistoryWindow"));
    setWindowTitle(QStringLiteral("Practice History"));
    resize(940, 900);

    auto *top = new QHBoxLayout;
    auto *deviceLabel = new QLabel(QStringLiteral("Device:"), this);
    Device = new QComboBox(this);
    Device->setObjectName(QStringLiteral("Device"));
    Device->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    deviceLabel->setBuddy(Device);
    Summary = new QLabel(this);
    Summary->setObjectName(QStringLiteral("Summary"));
    top->addWidget(deviceLabel);
    top->addWidget(Device);
    top->addSpacing(16);
    top->addWidget(Summary, 1);

    auto *splitter = new QSplitter(Qt::Vertical, this);
    auto *charts = new QWidget(splitter);
    auto *chartColumn = new QVBoxLayout(charts);
    chartColumn->setContentsMargins(0, 0, 0, 0);
    ReactionChart = chartView(QStringLiteral("Reaction time"), charts);
    ConsistencyChart = chartView(QStringLiteral("Spread and red lights"), charts);
    ShiftChart = chartView(QStringLiteral("Shift averages"), charts);
    for (QChartView *view : {ReactionChart, ConsistencyChart, ShiftChart})
        chartColumn->addWidget(view);

    QChart *chart = ReactionChart->chart();
    m_reactionDates = dateAxis(chart);
    m_reactionAxis = valueAxis(chart, QStringLiteral("Seconds"), "%.3f", Qt::AlignLeft);
    AverageSeries = addSeries(chart, "Average", QColor(0, 90, 180), m_reactionDates, m_reactionAxis);
    BestSeries = addSeries(chart, "Best", QColor(0, 140, 60), m_reactionDates, m_reactionAxis);

    chart = ConsistencyChart->chart();
    m_consistencyDates = dateAxis(chart);
    m_spreadAxis = valueAxis(chart, QStringLiteral("Seconds"), "%.3f", Qt::AlignLeft);
    m_redAxis = valueAxis(chart, QStringLiteral("% of runs"), "%.0f", Qt::AlignRight);
    SpreadSeries = addSeries(chart, "Spread", QColor(120, 60, 160), m_consistencyDates, m_spreadAxis);
    RedSeries = addSeries(chart, "Red lights", QColor(210, 30, 30), m_consistencyDates, m_redAxis);

    chart = ShiftChart->chart();
    m_shiftDates = dateAxis(chart);
    m_shiftAxis = valueAxis(chart, QStringLiteral("Seconds"), "%.2f", Qt::AlignLeft);
    const char *shiftNames[] = {"Shift 1", "Shift 2", "Shift 3", "Shift 4"};
    const QColor shiftColors[] = {QColor(0, 64, 128), QColor(255, 128, 0), QColor(200, 0, 0), QColor(0, 128, 128)};
    for (int k = 0; k < 4; ++k)
        ShiftSeries[size_t(k)] = addSeries(chart, shiftNames[k], shiftColors[k], m_shiftDates, m_shiftAxis);

    Sessions = new QTableWidget(0, history::kTableColumns, splitter);
    Sessions->setObjectName(QStringLiteral("Sessions"));
    Sessions->setHorizontalHeaderLabels(history::tableHeader());
    Sessions->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Sessions->setSelectionBehavior(QAbstractItemView::SelectRows);
    Sessions->setSelectionMode(QAbstractItemView::SingleSelection);
    Sessions->setAlternatingRowColors(true);
    Sessions->setWordWrap(false);
    Sessions->verticalHeader()->setVisible(false);
    Sessions->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    Sessions->setToolTip(QStringLiteral("Click a session to show its run file in the main window"));
    splitter->addWidget(charts);
    splitter->addWidget(Sessions);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({540, 280}); // about ten rows of the table below the three charts
    splitter->setChildrenCollapsible(false);

    Status = new QLabel(this);
    Status->setObjectName(QStringLiteral("Status"));
    Status->setWordWrap(true);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(splitter, 1);
    layout->addWidget(Status);

    connect(Device, &QComboBox::activated, this, [this] { showSessions(); });
    connect(Sessions, &QTableWidget::itemSelectionChanged, this, [this] { sessionPicked(); });
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
    showSessions();
}

void HistoryWindow::showSessions()
{
    const QVariant picked = Device->currentData();
    m_sessions = m_store.sessions(picked.isNull() ? std::nullopt : std::optional<QString>(picked.toString()));
    Status->setText(m_store.canRecord() ? QString() : QStringLiteral("The practice history is off: %1.").arg(m_store.problem()));

    int runs = 0;
    for (const history::Session &s : m_sessions)
        runs += s.figures ? std::max(s.figures->runs, 0) : 0;
    const QLocale locale;
    Summary->setText(!m_store.canRead() ? QStringLiteral("No practice history to show.")
                     : m_sessions.empty()
                         ? QStringLiteral("No sessions yet: run files are added as they are downloaded.")
                         : QStringLiteral("%1 sessions, %2 runs, from %3 to %4")
                               .arg(m_sessions.size())
                               .arg(runs)
                               .arg(locale.toString(m_sessions.front().arrived.date(), QLocale::ShortFormat),
                                    locale.toString(m_sessions.back().arrived.date(), QLocale::ShortFormat)));

    showCharts();
    showTable();
}

// The charts, all on the same dates.
void HistoryWindow::showCharts()
{
    const history::Plot plot = history::plotOf(m_sessions);
    AverageSeries->replace(plot.average);
    BestSeries->replace(plot.best);
    SpreadSeries->replace(plot.spread);
    RedSeries->replace(plot.redRate);
    for (size_t k = 0; k < 4; ++k) {
        ShiftSeries[k]->replace(plot.shiftAverage[k]);
        ShiftSeries[k]->setVisible(!plot.shiftAverage[k].isEmpty());
    }
    QDateTime first = QDateTime::currentDateTime().addDays(-7), last = QDateTime::currentDateTime();
    if (!m_sessions.empty()) {
        first = m_sessions.front().arrived;
        last = m_sessions.back().arrived;
    }
    const qint64 room = std::max<qint64>(first.secsTo(last) / 30, 12 * 3600);
    const qint64 days = first.daysTo(last);
    const QString format = days < 3 ? QStringLiteral("d MMM hh:mm") : days > 300 ? QStringLiteral("MMM yyyy")
                                                                                 : QStringLiteral("d MMM");
    for (QDateTimeAxis *axis : {m_reactionDates, m_consistencyDates, m_shiftDates}) {
        axis->setRange(first.addSecs(-room), last.addSecs(room));
        axis->setFormat(format);
        axis->setTickCount(7);
    }
    fit(m_reactionAxis, spanOf({&plot.average, &plot.best}), 0.6, 0.0);
    fit(m_spreadAxis, spanOf({&plot.spread}), 0.05, 0.0);
    fit(m_redAxis, spanOf({&plot.redRate}), 10.0, 0.0);
    fit(m_shiftAxis,
        spanOf({&plot.shiftAverage[0], &plot.shiftAverage[1], &plot.shiftAverage[2], &plot.shiftAverage[3]}), 8.0, 0.0);
    ShiftChart->chart()->setTitle(std::all_of(plot.shiftAverage.begin(), plot.shiftAverage.end(),
                                              [](const QList<QPointF> &points) { return points.isEmpty(); })
                                      ? QStringLiteral("Shift averages (none in these sessions)")
                                      : QStringLiteral("Shift averages"));
}

// The table, oldest first; the latest is scrolled into view.
void HistoryWindow::showTable()
{
    const QLocale locale;
    const QSignalBlocker blocker(Sessions);
    Sessions->clearContents();
    Sessions->setRowCount(int(m_sessions.size()));
    std::array<QStringList, history::kTableColumns> columnTexts;
    for (int row = 0; row < int(m_sessions.size()); ++row) {
        const history::Session &session = m_sessions[size_t(row)];
        const QStringList texts = history::tableRow(session, locale);
        for (int column = 0; column < history::kTableColumns; ++column) {
            columnTexts[size_t(column)].append(texts.at(column));
            auto *item = new QTableWidgetItem(texts.at(column));
            if (column >= 3)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (!session.figures) {
                item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
                item->setToolTip(QStringLiteral("The file's counts are not numbers: it has no figures to show"));
            } else if (column == 2) {
                item->setToolTip(QDir::toNativeSeparators(session.path));
            }
            Sessions->setItem(row, column, item);
        }
    }
    // Each column as wide as its widest text. Only the texts of about the most characters are
    // measured: measuring every cell would take longer than all the rest.
    const QFontMetrics metrics(Sessions->font());
    const int padding = 2 * Sessions->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, Sessions) + 12;
    for (int column = 0; column < history::kTableColumns; ++column) {
        const QStringList &texts = columnTexts[size_t(column)];
        qsizetype most = 0;
        for (const QString &text : texts)
            most = std::max(most, text.size());
        int width = Sessions->horizontalHeader()->sectionSizeHint(column);
        int measured = 0;
        for (const QString &text : texts) {
            if (text.size() + 2 >= most && measured++ < 32)
                width = std::max(width, metrics.horizontalAdvance(text) + padding);
        }
        Sessions->setColumnWidth(column, width);
    }
    Sessions->scrollToBottom();
}

void HistoryWindow::sessionPicked()
{
    const QList<QTableWidgetSelectionRange> ranges = Sessions->selectedRanges();
    if (ranges.isEmpty())
        return;
    const int row = ranges.first().topRow();
    if (row < 0 || row >= int(m_sessions.size()))
        return;
    const history::Session &session = m_sessions[size_t(row)];
    Status->setText(m_open(session.path)
                        ? QStringLiteral("%1 is shown in the main window.").arg(session.fileName())
                        : QStringLiteral("The run file %1 is not in the Statistics folder.").arg(session.fileName()));
}
