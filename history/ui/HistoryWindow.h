#pragma once

#include "history/Sessions.h"

#include <QWidget>

#include <array>
#include <functional>
#include <vector>

class QChartView;
class QComboBox;
class QDateTimeAxis;
class QLabel;
class QLineSeries;
class QTableWidget;
class QValueAxis;

namespace history {
class Store;
}

// The practice history: per session on a date axis the average and best reaction time, the spread
// and red-light rate, the shift averages; below, a table of the sessions. A device filter picks
// whose sessions are shown; picking a session in the table loads its run file in the main window.
class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    // Loads a run file in the main window as a click in its list would; false when the file is
    // not in the Statistics folder.
    using OpenRunFile = std::function<bool(const QString &path)>;
    HistoryWindow(history::Store &store, OpenRunFile open, QWidget *parent = nullptr);

    // Reads the store again; the device picked stays picked while it has sessions.
    void reload();
    const std::vector<history::Session> &sessions() const { return m_sessions; }

    QComboBox *Device;
    QLabel *Summary;
    QChartView *ReactionChart, *ConsistencyChart, *ShiftChart;
    QLineSeries *AverageSeries, *BestSeries;  // reaction time, seconds
    QLineSeries *SpreadSeries, *RedSeries;    // seconds; percent of runs
    std::array<QLineSeries *, 4> ShiftSeries; // seconds
    QTableWidget *Sessions;
    QLabel *Status;

private:
    void showSessions();
    void showCharts();
    void showTable();
    void sessionPicked();

    QDateTimeAxis *m_reactionDates, *m_consistencyDates, *m_shiftDates;
    QValueAxis *m_reactionAxis, *m_spreadAxis, *m_redAxis, *m_shiftAxis;
    history::Store &m_store;
    OpenRunFile m_open;
    std::vector<history::Session> m_sessions;
};
