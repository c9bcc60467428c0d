#include "report/ui/ReportActions.h"

#include "base/Files.h"
#include "history/Store.h"
#include "history/ui/HistoryWindow.h"
#include "report/ReportData.h"
#include "report/ui/Report.h"
#include "stats/ui/StatisticsGroup.h"
#include "widgets/EventHook.h"
#include "widgets/FileListBox.h"
#include "widgets/Prompter.h"

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace {

const QString kPdfFilter = QStringLiteral("PDF (*.pdf)");
const QString kPngFilter = QStringLiteral("PNG picture (*.png)");

void saveReport(QWidget *parent, const report::Layout &layout, const QString &folder, const QString &name)
{
    QFileDialog dialog(parent, QStringLiteral("Save Report"));
    dialog.setObjectName(QStringLiteral("ReportSaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({kPdfFilter, kPngFilter});
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &filter) {
        dialog.setDefaultSuffix(filter == kPngFilter ? QStringLiteral("png") : QStringLiteral("pdf"));
    });
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    dialog.selectFile(name + QStringLiteral(".pdf"));
    QString path;
    while (path.isEmpty()) {
        const QString chosen = prompter().chooseFile(dialog);
        if (chosen.isEmpty())
            return;
        if (report::formatOf(chosen)) {
            path = chosen;
        } else if (QFileInfo(chosen).suffix().isEmpty()) {
            // Back to the dialog, which asks before replacing a file of the name it now holds.
            dialog.selectFile(chosen + (dialog.selectedNameFilter() == kPngFilter ? QStringLiteral(".png")
                                                                                   : QStringLiteral(".pdf")));
        } else {
            showWarning(parent, QStringLiteral("%1 is not a PDF or PNG file: a report is saved as .pdf or .png.")
                                    .arg(QFileInfo(chosen).fileName()));
        }
    }
    const std::unique_ptr<report::Pages> pages = layout(QPageSize(report::paperFor(QLocale())));
    files::writeFile(path, report::fileBytes(*pages, *report::formatOf(path)));
}

void print(QWidget *parent, const report::Layout &layout)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(report::paperFor(QLocale())));
    QPrintDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("ReportPrintDialog"));
    if (prompter().choosePrinter(dialog))
        report::printReport(layout, printer);
}

struct Actions {
    QAction *save, *print;
};

Actions makeActions(QWidget *window, const char *prefix)
{
    auto *save = new QAction(QStringLiteral("Save Report\u2026"), window);
    save->setObjectName(QLatin1String(prefix) + QStringLiteral("SaveReportAction"));
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    auto *printing = new QAction(QStringLiteral("Print\u2026"), window);
    printing->setObjectName(QLatin1String(prefix) + QStringLiteral("PrintAction"));
    printing->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    for (QAction *action : {save, printing}) {
        // Not a window shortcut: the History window, a window of the main one, would share it.
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        window->addAction(action); // Ctrl+S and Ctrl+P anywhere in the window
    }
    return {save, printing};
}

// Shift+F10 opens a list's context menu at its current item, as the Menu key does (a laptop
// often has no Menu key).
void openMenuOnShiftF10(QAbstractItemView *list)
{
    new EventHook(list, [list](QEvent *event) {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_F10 || (key->modifiers() & ~Qt::KeypadModifier) != Qt::ShiftModifier)
            return false;
        const QRect item = list->visualRect(list->currentIndex());
        const QPoint at = list->viewport()->mapTo(list, item.isValid() ? item.center() : QPoint(0, 0));
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, list->mapToGlobal(at), key->modifiers());
        QCoreApplication::sendEvent(list, &menu);
        return true;
    });
}

const QString kNothingShown = QStringLiteral("No run file is shown: pick one in the list first.");

// The run file the main window shows, with the file laid over it in overlay mode; nothing
// before a file was loaded.
std::optional<report::Layout> shownRunFile(const StatisticsGroup &statistics, history::Store *store)
{
    const std::optional<StatisticsGroup::ShownRunFiles> shown = statistics.shownRunFiles();
    if (!shown)
        return std::nullopt;
    // The files as the window decoded them: one deleted or changed since still prints what is shown.
    const auto decoded = [](const StatisticsGroup::ShownRunFile &file) {
        return report::DecodedRunFile{file.path, file.modified, file.file};
    };
    std::optional<report::DecodedRunFile> overlay;
    if (shown->overlay)
        overlay = decoded(*shown->overlay);
    const std::vector<history::Session> sessions = store ? store->sessions() : std::vector<history::Session>{};
    return report::runFileLayout(
        report::runFileReport(decoded(shown->file), overlay, statistics.FileListBox1->directory(), sessions));
}

} // namespace

void addRunFileReportActions(StatisticsGroup &statistics, const std::function<history::Store *()> &store,
                             const WorkingFolders &folders)
{
    QWidget *window = statistics.window();
    const Actions actions = makeActions(window, "");
    statistics.FileListBox1->addAction(actions.save);
    statistics.FileListBox1->addAction(actions.print);
    statistics.FileListBox1->setContextMenuPolicy(Qt::ActionsContextMenu);
    openMenuOnShiftF10(statistics.FileListBox1);
    // With no run file shown, the keys say so rather than doing nothing.
    QObject::connect(actions.save, &QAction::triggered, &statistics, [window, &statistics, store, &folders] {
        guarded(window, [&] {
            if (const std::optional<report::Layout> layout = shownRunFile(statistics, store()))
                saveReport(window, *layout, folders.documents, QFileInfo(statistics.Label11->text()).completeBaseName());
            else
                showPlain(window, kNothingShown);
        });
    });
    QObject::connect(actions.print, &QAction::triggered, &statistics, [window, &statistics, store] {
        guarded(window, [&] {
            if (const std::optional<report::Layout> layout = shownRunFile(statistics, store()))
                print(window, *layout);
            else
                showPlain(window, kNothingShown);
        });
    });
}

void addHistoryReportActions(HistoryWindow &window, history::Store &store)
{
    const Actions actions = makeActions(&window, "History");
    const auto layout = [&window, &store] {
        return report::historyLayout(
            history::viewOf(store, window.deviceFilter(), window.driverFilter(), history::Reading::Both));
    };
    QObject::connect(actions.save, &QAction::triggered, &window, [&window, layout] {
        guarded(&window, [&] { saveReport(&window, layout(), QString(), QStringLiteral("History")); });
    });
    QObject::connect(actions.print, &QAction::triggered, &window, [&window, layout] {
        guarded(&window, [&] { print(&window, layout()); });
    });

    // Two buttons at the right of the window's top row, where they stay in sight however tall the
    // window is.
    for (QAction *action : {actions.save, actions.print}) {
        auto *button = new QPushButton(action->text(), &window);
        button->setObjectName(action->objectName() + QStringLiteral("Button"));
        if (!action->shortcut().isEmpty())
            button->setToolTip(action->shortcut().toString(QKeySequence::NativeText));
        QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
        window.addTopRowButton(button);
    }
}
