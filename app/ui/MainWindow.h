#pragma once

#include "base/WorkingFolders.h"
#include "device/SerialLink.h"
#include "stats/RunFile.h"

#include <QColor>
#include <QDateTime>
#include <QStringList>
#include <QWidget>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class ColorPanel;
class FileListBox;
class HistoryWindow;
struct DownloadObserver;
struct DownloadResult;
class QAction;
class ImageView;
class QChartView;
class QComboBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineSeries;
class QScatterSeries;
class QProgressBar;
class QThread;
class QTimer;
class QPushButton;
class QValueAxis;

namespace history {
class Store;
}

// What the Connect group's readouts show without a device.
inline const QString kNotConnected = QStringLiteral("N/C");

// The main window: the Connect, Image and Statistics groups and the run chart.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // What the window shows, at its designed size; it scrolls on a screen too small for it.
    QWidget *Content;

    // "Connect" group
    QGroupBox *GroupBox1;
    ColorPanel *Panel1;
    QLabel *Label1, *Version, *Label2, *SerialNumber, *Label3, *Date, *Label4, *Time;
    QPushButton *Button1, *Button2, *Button10;

    // "Image" group
    QGroupBox *GroupBox2;
    ColorPanel *Panel2;
    ImageView *Image1;
    QLabel *ImageStatus;
    QProgressBar *ProgressBar1;
    QPushButton *Button3, *Button6, *Button7, *Button4, *Button5;

    // "Statistics" group
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
    QFileDialog *OpenPictureDialog1 = nullptr;
    QFileDialog *FileSaveDialog1 = nullptr;
    QFileDialog &openPictureDialog();
    QFileDialog &saveDialog();

    // The serial link and its state (hCommFile, comport, buf, TimeOut).
    SerialLink link;
    // Path of the picture file currently shown.
    QString fileName;
    // Run arrays, index 1 to 50 (element 0 unused).
    using Reals = std::array<double, 51>;
    using Counts = std::array<std::int32_t, 51>;
    Reals rt{}, rta{}, shift1{}, shift1a{}, shift2{}, shift2a{}, shift3{}, shift3a{}, shift4{}, shift4a{};
    Counts bump{}, bumpa{};
    // The run file shown and the one laid over it, as decoded when they were loaded: a report
    // prints these, so a file deleted since still prints what the window shows.
    struct ShownRunFile {
        QString path;
        QDateTime modified;
        runfile::RunFile file;
    };
    std::optional<ShownRunFile> shownFile, shownOverlay;
    std::int32_t shftCnt = 0;
    bool rallycross = false;

    WorkingFolders folders;
    // The clock the handshake reads; tests fix it.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };

    void FormCreate();
    void Button2Click();
    void Button10Click();
    // The Connect group (device/ui/ConnectHandlers.cpp): Button1 connects or disconnects.
    void Button1Click();
    // Sets the device buttons' enabled state from the link state.
    void VantrelockConnect();
    // After a failed exchange: the message in an error box, the port closed, the device buttons
    // disabled. The Connect group keeps showing "Connected" until the next press of Button1.
    void dropLink(const QString &message);

    // Run file loading, selectors and shift averages (stats/ui/RunFileHandlers.cpp), the run chart's
    // readout (stats/ui/ChartReadout.cpp), CSV export (stats/ui/ExportHandler.cpp).
    void FileListBox1Click();
    void FileListBox1KeyPress(QChar &Key);
    void Chart1ClickSeries(QLineSeries *Series, int ValueIndex);
    // The pointer entered a series at `at` (chart values): the readout of the point there.
    void SeriesMouseEnter(QLineSeries *Series, const QPointF &at);
    // Hides the readout panel and the run's rings.
    void hideReadout();
    void Panel4Click();
    void ComboBox1Change();
    void ComboBox2Change();
    void CheckShift();
    void Button11Click();
    // Empties the save dialog's file name; its folder stays.
    void clearSaveName();
    // Fits the axes to the points of the visible series, and describes them for screen readers.
    void rescaleChart();
    void describeChart();
    // Selects in the file list exactly the file(s) the chart shows.
    void showChartFilesInList();
    // Shift column n (1 to 4) of the run file, or of the overlay file.
    Reals &shiftColumn(int n, bool overlay);
    // Panel4's colour while overlay mode is on.
    static inline const QColor kOverlayGreen{0, 128, 0};

    // Image group (image/): load, clear, send, show and delete the display picture.
    void Button3Click(); // Load
    void Button6Click(); // Clear
    void Button4Click(); // Send
    void Button7Click(); // Show
    void Button5Click(); // Delete

    // Each feature folder connects its own controls to its handlers.
    void wireStatistics();   // stats/ui/
    void wireChartReadout(); // stats/ui/, from wireStatistics()
    void wireImage();        // image/ui/

    // Run file transfer (stats/ui/TransferHandlers.cpp): Load downloads the device's run files,
    // Delete removes them on the device or removes the picked local file.
    void wireRunFileTransfer();
    void Button8Click();
    void Button9Click();

    // The practice history (history/ui/HistoryHandlers.cpp): opened at start without waiting for
    // anything; the run files of the Statistics folder it has not read are added beside the
    // window, in a thread of its own, and their sessions appear when that ends. Load records
    // each file it stores. "History..." in the file list's context menu and Ctrl+H show its
    // window.
    std::unique_ptr<history::Store> history;
    HistoryWindow *historyWindow = nullptr;
    QAction *historyAction;
    void openHistory();
    // The folder's import while it runs; historyImported() when it has ended.
    QThread *historyImport = nullptr;
    std::atomic<bool> stopHistoryImport{false};
    // How far it is, for the History window (set by the import's thread).
    std::atomic<int> historyImportRead{0}, historyImportTotal{0};
    QTimer *historyImportProgress = nullptr;
    void showHistoryImportProgress();
    // What the history has to say waits here, never interrupting the start or a download's
    // designed messages, and is shown by tellHistoryNotices() when a download has ended or the
    // History window opens.
    QStringList historyNotices, historyTold; // each told once
    void addHistoryNotice(const QString &text);
    void tellHistoryNotices();
    void wireHistory();
    void showHistory();
    // The History window, made on its first showing with what the other rooms give it (the
    // report's Save Report and Print): app/ui/MainWindow.cpp.
    HistoryWindow *makeHistoryWindow();
    // Runs `download`, recording each run file it stores into the history, also when it ends
    // early, and brings the History window up to date afterwards.
    DownloadResult downloadRecorded(const std::function<DownloadResult(const DownloadObserver &)> &download);
    // Picks a run file of the Statistics folder in the list as a click would (loading it);
    // false when the list does not hold it.
    bool pickRunFile(const QString &path);

signals:
    void historyImported();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildConnectGroup();
    void buildImageGroup();
    void buildStatisticsGroup();
    void buildChart(QWidget *parent);
    static QFileDialog *makeSaveDialog(QWidget *parent, const QString &folder);
    QString m_pictureFolder; // where the picture dialog first opens
    void Connect();
    void Disconnect();
    void applyVersion(const QString &version);
    void showDisconnected();
};

// Resets the run arrays: no shift columns, no bump counts, everything else 0.
void initRunArrays(TForm1 &form);

// The user's long time format without a time-zone name.
QString longTimeText(const QTime &time);
