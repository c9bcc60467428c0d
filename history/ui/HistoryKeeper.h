#pragma once

#include "base/WorkingFolders.h"
#include "history/ui/HistoryWindow.h"
#include "stats/RunFileTransfer.h"

#include <QDateTime>
#include <QObject>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

class QAction;
class QThread;
class QTimer;
class QWidget;

namespace history {
class Store;
}

// The main window's part of the practice history: the store opened at start without waiting for
// anything, the run files of the Statistics folder it has not read added beside the window in a
// thread of its own, each download through the window recorded, and the History window, shown
// by "History..." (Ctrl+H).
class HistoryKeeper : public QObject {
    Q_OBJECT
public:
    // `window`: the main window, over which the history speaks and the History window opens.
    HistoryKeeper(QWidget *window, QObject *parent);
    ~HistoryKeeper() override;

    std::unique_ptr<history::Store> history;
    HistoryWindow *historyWindow = nullptr;
    QAction *historyAction;

    // What the History window is given when it is first made: a session's run file picked in the
    // main window, and what other rooms add to it (the report's Save Report and Print).
    HistoryWindow::OpenRunFile openRunFile;
    std::function<void(HistoryWindow &window, history::Store &store)> windowMade;

    // Opens the history of the working folders; the Statistics folder's import starts once the
    // event loop runs.
    void openHistory(const WorkingFolders &folders);
    void showHistory();
    // Runs `download`, recording each run file it stores into the history (as the tree with this
    // serial number and firmware's, at the time `now` gives), also when it ends early, and brings
    // the History window up to date afterwards.
    DownloadResult downloadRecorded(const QString &serial, const QString &firmware,
                                    const std::function<QDateTime()> &now, const RunFileDownload &download);

    // What the history has to say waits, never interrupting the start or a download's designed
    // messages, and is shown when a download has ended or the History window opens.
    void tellHistoryNotices();

    // Ends the folder's import and waits for its thread, which reads and writes files of its own.
    void stopImport();

signals:
    // The folder's import has added its sessions.
    void historyImported();

private:
    void addHistoryNotice(const QString &text);
    void showHistoryImportProgress();

    QWidget *m_window;
    QStringList historyNotices, historyTold; // each told once
    // The folder's import while it runs, and how far it is (set by the import's thread).
    QThread *historyImport = nullptr;
    std::atomic<bool> stopHistoryImport{false};
    std::atomic<int> historyImportRead{0}, historyImportTotal{0};
    QTimer *historyImportProgress = nullptr;
};
