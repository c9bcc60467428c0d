#pragma once

#include "history/AxisFit.h"
#include "history/Practice.h"
#include "history/Sessions.h"
#include "history/Filters.h"

#include <QChartView>
#include <QDateTime>
#include <QPointer>
#include <QRect>
#include <QTableView>
#include <QWidget>

#include <array>
#include <functional>

class QAction;
class QComboBox;
class QDialog;
class QDateTimeAxis;
class QHBoxLayout;
class QLabel;
class QLineSeries;
class QBarSeries;
class QBarCategoryAxis;
class QPushButton;
class QValueAxis;
class SessionTableModel;

namespace history {
class PracticeStore;
struct PracticeView;
}

// One of the History window's charts (a class of its own so that screen readers are told it is a
// chart).
class HistoryChart : public QChartView {
    Q_OBJECT
public:
    using QChartView::QChartView;
};

// The sessions' table: a row is walked over by the keyboard without loading it; a click, Enter
// or Space chooses it.
class SessionTable : public QTableView {
    Q_OBJECT
public:
    explicit SessionTable(QWidget *parent = nullptr);
signals:
    void chosen(int row);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

// The practice history: per session (or per day, week ... when there are thousands) on a date
// axis the average and best reaction time, the spread and red-light rate, the shift averages;
// below, a table of the sessions. A device filter picks whose sessions are shown; choosing a
// session in the table loads its run file in the main window.
class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    // Loads a run file in the main window as a click in its list would; false when the file is
    // not in the Statistics folder.
    using OpenRunFile = std::function<bool(const QString &path)>;
    HistoryWindow(history::PracticeStore &store, OpenRunFile open, QWidget *parent = nullptr);

    // Reads the store again; the device picked stays picked while it has sessions.
    void reload();
    // Whose sessions are shown: the device and the driver picked.
    history::DeviceFilter deviceFilter() const;
    history::DriverFilter driverFilter() const;
    // Puts a button at the right end of the top row, after the pickers and the summary, where it
    // stays in sight however tall the window is (the report's Save and Print).
    void addTopRowButton(QPushButton *button);

    QComboBox *Device;
    // Whose sessions: all drivers, one, or those of no driver.
    QComboBox *Driver;
    QLabel *Summary;
    // The selected sessions go to the driver typed or picked here (made when new); Take Back
    // leaves them to no driver.
    QComboBox *GiveTo;
    QPushButton *GiveButton, *TakeBackButton;
    // The driver the window's Load and the tool record new downloads for, kept in the store.
    QComboBox *DownloadDriver;
    // The driver's goal (how many of the last sessions met it), the personal bests. Set Goal is
    // there while one driver is picked; it opens GoalDialog, where the goal is set or cleared.
    QLabel *GoalProgress, *Bests;
    QPushButton *GoalButton;
    QPointer<QDialog> GoalDialog;
    void editGoal();
    HistoryChart *DistributionChart;
    QLineSeries *GoalAverageSeries, *GoalSpreadSeries; // the driver's goal, across the dates
    HistoryChart *ReactionChart, *ConsistencyChart, *ShiftChart;
    QLineSeries *AverageSeries, *BestSeries;  // reaction time, seconds
    QLineSeries *SpreadSeries, *RedSeries;    // seconds; percent of runs
    std::array<QLineSeries *, 4> ShiftSeries; // seconds
    SessionTable *Sessions;
    SessionTableModel *SessionRows;
    QLabel *Status;
    // What the folder's import beside the window has read so far; hidden while none runs.
    QLabel *Progress;
    void showImportProgress(int read, int total);
    QAction *CloseAction; // Esc

protected:
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setUpActions();
    void showSessions();
    void showCharts(const history::PracticeView &view);
    // Each axis to what its chart can show: value ticks by height, date ticks by width.
    void fitAxes();
    void fitColumns();
    void sessionChosen(int row);
    void giveSelected(const QString &driver);
    void setGoal(const QString &driver, const std::optional<history::Goal> &goal);
    void showPractice(const history::PracticeView &view);
    void applyPalette();

    QHBoxLayout *m_topRow;
    QDateTimeAxis *m_reactionDates, *m_consistencyDates, *m_shiftDates;
    QValueAxis *m_reactionAxis, *m_spreadAxis, *m_redAxis, *m_shiftAxis, *m_countAxis;
    QBarSeries *m_distribution;
    QBarCategoryAxis *m_bins;
    // The lowest and highest points of each value axis: reaction, spread, red lights, shifts.
    std::array<std::optional<history::AxisRange>, 4> m_spans;
    int m_dateTicks = 7; // the date axes' plan, before the width has its say
    history::PracticeStore &m_store;
    OpenRunFile m_open;
};

// Where the History window opens in a screen's available area: at its designed 940 x 900 where
// that fits with its frame, smaller where not, centred.
QRect historyGeometry(const QRect &available);

// A date axis whose labels never repeat: its range around the sessions' first and last arrival,
// its format and how many ticks (labels) it has.
struct DateAxisPlan {
    QDateTime min, max;
    QString format;
    int ticks = 7;
};
DateAxisPlan dateAxisPlan(const QDateTime &first, const QDateTime &last);

