#pragma once

#include "base/WorkingFolders.h"
#include "stats/RunFile.h"
#include "stats/RunFileTransfer.h"

#include <QColor>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class ClickLabel;
class ColorPanel;
class ConnectGroup;
class FileListBox;
class QChartView;
class QComboBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineSeries;
class QPushButton;
class QScatterSeries;
class QValueAxis;
class QWidget;

// The main window's "Statistics" group: the run files of the Statistics folder, the figures and
// chart of the one picked (with a second laid over it), the chart's readout, CSV export, and
// Load and Delete of the tree's run files over the Connect group's link.
class StatisticsGroup : public QObject {
    Q_OBJECT
public:
    // `folders`: the Statistics folder the list shows and Load fills, known once the main
    // window's start-up has found it.
    StatisticsGroup(QWidget *content, ConnectGroup &device, const WorkingFolders &folders, QObject *parent);

    QGroupBox *GroupBox3;
    FileListBox *FileListBox1;
    QPushButton *Button8, *Button9, *Button11;
    ColorPanel *Panel4;
    QLabel *Label11, *Label5, *NumRuns, *Label6, *NumReds, *Label7, *NumWins, *Label8, *Avg,
        *Label9, *Sprd, *Label10, *ShftAvg1, *ShftAvg2, *ShftAvg3, *ShftAvg4, *Label12;
    ColorPanel *Panel3;
    QLabel *RTLabel, *BumpLabel, *Shft1Label, *Shft2Label, *Shft3Label, *Shft4Label;
    QChartView *Chart1;
    QValueAxis *AxisX, *AxisY;
    QLineSeries *Series1, *Series2, *Series3, *Series4, *Series5, *Series6, *Series7, *Series8,
        *Series9, *Series10;
    // Series1 to Series10 by number.
    QLineSeries *series(int number) const;
    QComboBox *ComboBox1, *ComboBox2;
    // The run the readout shows, ringed on the chart: its point, and in overlay mode the compared
    // file's point of the same run.
    QScatterSeries *RunMark1 = nullptr, *RunMark2 = nullptr;
    // That run in words for screen readers ("Run 5: RT 0.555, bump 1"); empty while none shows.
    QString shownRun;

    // Made when first used, for a file dialog lists its folder as soon as it is made (every file
    // stat'ed, with an icon), and the statistics folder may hold thousands of run files.
    QFileDialog *FileSaveDialog1 = nullptr;
    QFileDialog &saveDialog();
    // Empties the save dialog's file name; its folder stays.
    void clearSaveName();

    // Run arrays, index 1 to 50 (element 0 unused).
    using Reals = std::array<double, 51>;
    using Counts = std::array<std::int32_t, 51>;
    Reals rt{}, rta{}, shift1{}, shift1a{}, shift2{}, shift2a{}, shift3{}, shift3a{}, shift4{}, shift4a{};
    Counts bump{}, bumpa{};
    std::int32_t shftCnt = 0;
    // Shift column n (1 to 4) of the run file, or of the overlay file.
    Reals &shiftColumn(int n, bool overlay);

    // The run file shown and the one laid over it, as decoded when they were loaded: a report
    // prints these, so a file deleted since still prints what the window shows.
    struct ShownRunFile {
        QString path;
        QDateTime modified;
        runfile::RunFile file;
    };
    std::optional<ShownRunFile> shownFile, shownOverlay;
    // What the window shows now: the file picked and, in overlay mode, the file laid over it;
    // none before a file was loaded.
    struct ShownRunFiles {
        ShownRunFile file;
        std::optional<ShownRunFile> overlay;
    };
    std::optional<ShownRunFiles> shownRunFiles() const;

    // A download through the window: the main window sets runDownload to record what it stores
    // into the practice history, and downloadTold to speak after the download's own messages.
    std::function<DownloadResult(const RunFileDownload &)> runDownload = [](const RunFileDownload &download) {
        return download({});
    };
    std::function<void()> downloadTold;

    // The run arrays as at start.
    void FormCreate();
    // The file list shows the run files of the Statistics folder.
    void listFolder();

    // Run file loading, selectors and shift averages (RunFileHandlers.cpp).
    void FileListBox1Click();
    void FileListBox1KeyPress(QChar &Key);
    void Panel4Click();
    void ComboBox1Change();
    void ComboBox2Change();
    void CheckShift();
    // Fits the axes to the points of the visible series, and describes them for screen readers.
    void rescaleChart();
    void describeChart();
    // Selects in the file list exactly the file(s) the chart shows.
    void showChartFilesInList();
    // Picks a run file of the Statistics folder in the list as a click would (loading it);
    // false when the list does not hold it.
    bool pickRunFile(const QString &path);

    // The chart's readout (ChartReadout.cpp).
    void Chart1ClickSeries(QLineSeries *Series, int ValueIndex);
    // The pointer entered a series at `at` (chart values): the readout of the point there.
    void SeriesMouseEnter(QLineSeries *Series, const QPointF &at);
    // Hides the readout panel and the run's rings.
    void hideReadout();

    // CSV export (ExportHandler.cpp).
    void Button11Click();

    // Run file transfer (TransferHandlers.cpp): Load downloads the tree's run files, Delete
    // removes them on the tree or removes the picked local file.
    void Button8Click();
    void Button9Click();
    // Load follows the link.
    void enableDeviceButtons(bool enabled);

    // Panel4's colour while overlay mode is on.
    static inline const QColor kOverlayGreen{0, 128, 0};

    // The main window, the parent of the group's messages.
    QWidget *window() const;

private:
    void buildChart();
    void wireStatistics();
    void wireChartReadout();
    ConnectGroup &m_device;
    const WorkingFolders &m_folders;
};

// Resets the run arrays: no shift columns, no bump counts, everything else 0.
void initRunArrays(StatisticsGroup &statistics);
