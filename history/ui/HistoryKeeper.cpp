// The main window's part of the practice history: the store opened at start with the folder's
// import beside the window, the downloads recorded, and the History window on Ctrl+H.

#include "history/ui/HistoryKeeper.h"

#include "history/DownloadRecording.h"
#include "history/FolderImport.h"
#include "history/Store.h"
#include "history/ui/HistoryWindow.h"
#include "widgets/Prompter.h"

#include <QAction>
#include <QScreen>
#include <QThread>
#include <QTimer>

#include <utility>

HistoryKeeper::HistoryKeeper(QWidget *window, QObject *parent) : QObject(parent), m_window(window)
{
    historyAction = new QAction(QStringLiteral("History\u2026"), this);
    historyAction->setObjectName(QStringLiteral("HistoryAction"));
    historyAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    historyAction->setShortcutContext(Qt::WindowShortcut);
    m_window->addAction(historyAction); // Ctrl+H anywhere in the main window
    connect(historyAction, &QAction::triggered, this, [this] { guarded(m_window, [this] { showHistory(); }); });
}

HistoryKeeper::~HistoryKeeper()
{
    stopImport();
}

void HistoryKeeper::stopImport()
{
    stopHistoryImport = true;
    if (historyImport) {
        historyImport->wait(); // it reads and writes files of its own, nothing of the window's
        delete std::exchange(historyImport, nullptr);
    }
}

void HistoryKeeper::openHistory(const WorkingFolders &folders)
{
    // Whatever goes wrong waits, and the window goes on without it.
    history = history::openHistory(folders, [this](const QString &text) { addHistoryNotice(text); },
                                   history::Store::Opening::AtStart);
    if (!history->canRecord())
        return;
    // Once the event loop runs, the window shown: nothing of the import holds it.
    QTimer::singleShot(0, this, [this] {
        const QString path = history->path();
        historyImport = QThread::create([this, path] {
            const auto tell = [this](const history::FolderImport &result, bool last) {
                QMetaObject::invokeMethod(this, [this, result, last] {
                    for (const QString &text : result.notices)
                        addHistoryNotice(text);
                    if (result.damaged)
                        history->startAnew();
                    if (!last) {
                        historyImportProgress->stop();
                        historyImportTotal = 0;
                        showHistoryImportProgress();
                    }
                    // After the whole file's check only a store started anew changes what it shows.
                    if (historyWindow && historyWindow->isVisible() && (!last || result.damaged))
                        historyWindow->reload();
                    if (!last)
                        emit historyImported(); // the sessions are in
                    else if (historyImport && historyImport->wait())
                        delete std::exchange(historyImport, nullptr);
                }, Qt::QueuedConnection);
            };
            const history::FolderImport rest = history::importBeside(
                path, &stopHistoryImport, [&tell](const history::FolderImport &result) { tell(result, false); },
                [this](int read, int total) {
                    historyImportRead = read;
                    historyImportTotal = total;
                });
            tell(rest, true);
        });
        // A first start with a big folder, or one after copying in another computer's run
        // files, takes a while: the History window says how far it is.
        historyImportProgress = new QTimer(this);
        historyImportProgress->setInterval(200);
        connect(historyImportProgress, &QTimer::timeout, this, [this] { showHistoryImportProgress(); });
        historyImportProgress->start();
        // Below the window's priority, but not at idle priority: on a busy computer an idle
        // thread gets almost no processor, and while it holds the store's write lock a Load's
        // recording waits for it past its patience and is lost to the history.
        historyImport->start(QThread::LowPriority);
    });
}

void HistoryKeeper::showHistoryImportProgress()
{
    if (historyWindow)
        historyWindow->showImportProgress(historyImportRead, historyImportTotal);
}

void HistoryKeeper::addHistoryNotice(const QString &text)
{
    // The import beside the window has a store of its own, which may find what the window's finds.
    if (!historyNotices.contains(text) && !historyTold.contains(text))
        historyNotices.append(text);
}

void HistoryKeeper::tellHistoryNotices()
{
    const QStringList notices = std::exchange(historyNotices, {});
    historyTold += notices;
    for (const QString &text : notices)
        showWarning(m_window, text);
}

void HistoryKeeper::showHistory()
{
    if (!history)
        return; // start-up did not get that far
    if (!historyWindow) {
        historyWindow = new HistoryWindow(*history, openRunFile, m_window);
        if (windowMade)
            windowMade(*historyWindow, *history);
        // Fitted to the main window's screen once; a second opening keeps the size the user gave it.
        historyWindow->setGeometry(historyGeometry(m_window->screen()->availableGeometry()));
    }
    historyWindow->reload();
    showHistoryImportProgress();
    historyWindow->show();
    historyWindow->raise();
    historyWindow->activateWindow();
    tellHistoryNotices(); // what it had to say since the start, over its window
}

DownloadResult HistoryKeeper::downloadRecorded(const QString &serial, const QString &firmware,
                                               const std::function<QDateTime()> &now, const RunFileDownload &download)
{
    history::DownloadRecording recording(history.get(), serial, firmware, now);
    DownloadObserver observer;
    observer.stored = [&recording](const StoredRunFile &file) { recording.add(file); };
    const DownloadResult result = download(observer);
    recording.finish();
    if (historyWindow && historyWindow->isVisible())
        historyWindow->reload();
    return result;
}
