#include "app/ui/MainWindow.h"

#include "app/FolderCreation.h"
#include "app/ui/Forms.h"
#include "base/Files.h"
#include "device/ui/ConnectGroup.h"
#include "device/ui/SetupDialog.h"
#include "history/ui/HistoryKeeper.h"
#include "image/ui/ImageGroup.h"
#include "report/ui/ReportActions.h"
#include "settings/ui/SettingsWindow.h"
#include "stats/ui/StatisticsGroup.h"
#include "widgets/FileListBox.h"
#include "widgets/Fonts.h"
#include "widgets/Prompter.h"
#include "widgets/ScreenFit.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>

namespace {
const QColor kAqua(0, 255, 255);
} // namespace

TForm1::TForm1(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Vantrelock Mirelon"));
    // The groups are placed by hand on the content, which scrolls where the window does not fit
    // the screen (a small one at a large scale).
    Content = new QWidget;
    Content->setObjectName(QStringLiteral("Form1Content"));
    Content->resize(775, 530);
    fitToScreen(this, Content);
    setFont(tahoma(11));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kAqua);
    // Text on the aqua is black whatever the desktop's palette: a dark palette's white would
    // not read on it. Buttons, lists and the like keep the palette's colours.
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);

    connection = new ConnectGroup(Content, this);
    image = new ImageGroup(Content, *connection, folders, this);
    statistics = new StatisticsGroup(Content, *connection, folders, this);
    historyKeeper = new HistoryKeeper(this, this);

    // The Connect group's link state enables the other groups' device buttons; its Setup and
    // Settings open the program's other two windows.
    connect(connection, &ConnectGroup::deviceButtonsEnabled, image, &ImageGroup::enableDeviceButtons);
    connect(connection, &ConnectGroup::deviceButtonsEnabled, statistics, &StatisticsGroup::enableDeviceButtons);
    connection->openSetup = [] { Form2->exec(); };
    connection->openSettings = [] { Form3->exec(); };

    // A download through the Statistics group is recorded into the practice history, which
    // speaks after the download's own messages.
    statistics->runDownload = [this](const RunFileDownload &download) {
        return historyKeeper->downloadRecorded(connection->SerialNumber->text(), connection->Version->text(),
                                               connection->now, download);
    };
    statistics->downloadTold = [this] { historyKeeper->tellHistoryNotices(); };
    // A session chosen in the History window is picked in the run file list, whose context
    // menu opens the History window and the run file's report.
    historyKeeper->openRunFile = [this](const QString &path) { return statistics->pickRunFile(path); };
    historyKeeper->windowMade = addHistoryReportActions;
    statistics->FileListBox1->addAction(historyKeeper->historyAction);
    statistics->FileListBox1->setContextMenuPolicy(Qt::ActionsContextMenu);
    addRunFileReportActions(*statistics, [this] { return historyKeeper->history.get(); }, folders);

    guarded(this, [this] { FormCreate(); });
}

TForm1::~TForm1()
{
    historyKeeper->stopImport();
}

void TForm1::FormCreate()
{
    connection->FormCreate();
    statistics->FormCreate();

    // The picture dialog opens where the program was started, before the working folders and
    // the file list move the current folder.
    image->rememberPictureFolder();
    const QString documents = GetSpecialFolderPath(CSIDL_PERSONAL);
    folders = workingFolders(documents);
    // A failed folder step is reported, and start-up goes on with what exists.
    guarded(this, [this] { createWorkingFolders(folders); });
    // What a write cut short by a crash left behind.
    files::removeLeftovers(folders.program);
    files::removeLeftovers(folders.statistics);

    statistics->listFolder();
    historyKeeper->openHistory(folders);
    image->FormCreate();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    if (connection->link.isOpen())
        guarded(this, [this] { connection->Button1Click(); });
    event->accept();
}
