// The main window's part of the practice history: the store opened at start, the "History..."
// entry of the run file list's context menu and Ctrl+H, and a session's run file picked in the list.

#include "app/ui/MainWindow.h"

#include "base/Files.h"
#include "history/DownloadRecording.h"
#include "history/FolderImport.h"
#include "history/HistoryStore.h"
#include "history/ui/HistoryWindow.h"
#include "widgets/FileListBox.h"
#include "widgets/Prompter.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QScreen>
#include <QThread>
#include <QTimer>

#include <utility>

void TForm1::openHistory()
{
    // Whatever goes wrong waits, and the window goes on without it.
    history = std::make_unique<history::Store>(folders.inProgram(history::kStoreName),
                                               [this](const QString &text) { addHistoryNotice(text); },
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

void TForm1::showHistoryImportProgress()
{
    if (historyWindow)
        historyWindow->showImportProgress(historyImportRead, historyImportTotal);
}

void TForm1::addHistoryNotice(const QString &text)
{
    // The import beside the window has a store of its own, which may find what the window's finds.
    if (!historyNotices.contains(text) && !historyTold.contains(text))
        historyNotices.append(text);
}

void TForm1::tellHistoryNotices()
{
    const QStringList notices = std::exchange(historyNotices, {});
    historyTold += notices;
    for (const QString &text : notices)
        showWarning(this, text);
}

void TForm1::wireHistory()
{
    historyAction = new QAction(QStringLiteral("History\u2026"), this);
    historyAction->setObjectName(QStringLiteral("HistoryAction"));
    historyAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    historyAction->setShortcutContext(Qt::WindowShortcut);
    addAction(historyAction); // Ctrl+H anywhere in the main window
    FileListBox1->addAction(historyAction);
    FileListBox1->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(historyAction, &QAction::triggered, this, [this] { guarded(this, [this] { showHistory(); }); });
}

void TForm1::showHistory()
{
    if (!history)
        return; // start-up did not get that far
    if (!historyWindow) {
        historyWindow = makeHistoryWindow();
        // Fitted to the main window's screen once; a second opening keeps the size the user gave it.
        historyWindow->setGeometry(historyGeometry(screen()->availableGeometry()));
    }
    historyWindow->reload();
    showHistoryImportProgress();
    historyWindow->show();
    historyWindow->raise();
    historyWindow->activateWindow();
    tellHistoryNotices(); // what it had to say since the start, over its window
}

DownloadResult TForm1::downloadRecorded(const std::function<DownloadResult(const DownloadObserver &)> &download)
{
    history::DownloadRecording recording(history.get(), SerialNumber->text(), Version->text(), now);
    DownloadObserver observer;
    observer.stored = [&recording](const StoredRunFile &file) { recording.add(file); };
    const DownloadResult result = download(observer);
    recording.finish();
    if (historyWindow && historyWindow->isVisible())
        historyWindow->reload();
    return result;
}

bool TForm1::pickRunFile(const QString &path)
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
