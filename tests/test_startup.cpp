#include "app/FolderCreation.h"
#include "app/ui/Forms.h"
#include "app/ui/MainWindow.h"
#include "device/ui/ConnectGroup.h"
#include "history/ui/HistoryKeeper.h"
#include "image/ui/ImageGroup.h"
#include "stats/ui/StatisticsGroup.h"
#include "tests/support/TestSupport.h"
#include "widgets/ColorPanel.h"
#include "widgets/FileListBox.h"
#include "widgets/ImageView.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>

#include <sys/stat.h>

// Start-up: the working folders, the start picture and the window's initial state.
class StartupTest : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingPrompter> prompts;
    QString documents;

    static QString canonical(const QString &path) { return QFileInfo(path).canonicalFilePath(); }

private slots:
    void init()
    {
        prompts = std::make_unique<RecordingPrompter>();
        documents = testHome() + QStringLiteral("/Documents");
        QDir(documents).removeRecursively();
        QDir().mkpath(documents);
    }
    void cleanup()
    {
        destroyWindows();
        prompts.reset();
    }

    void folders_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::newRow("first start") << QStringList{};
        QTest::newRow("maker folder only") << QStringList{QStringLiteral("Halvorent")};
        QTest::newRow("program folder without statistics")
            << QStringList{QStringLiteral("Halvorent/VantrelockMirelon")};
        QTest::newRow("everything") << QStringList{QStringLiteral("Halvorent/VantrelockMirelon/Statistics")};
    }
    void folders()
    {
        QFETCH(QStringList, existing);
        for (const QString &path : existing)
            QVERIFY(QDir(documents).mkpath(path));
        const WorkingFolders f = workingFolders(documents);
        createWorkingFolders(f);
        QVERIFY(QFileInfo(f.statistics).isDir());
        QCOMPARE(canonical(QDir::currentPath()), canonical(f.program));
    }

    void missingDocumentsFolderIsMade()
    {
        QDir(documents).removeRecursively();
        createWorkingFolders(workingFolders(documents));
        QVERIFY(QFileInfo(documents + QStringLiteral("/Halvorent/VantrelockMirelon/Statistics")).isDir());
    }

    // A folder step that fails is reported, and the window still works with what exists.
    void failedFolderStepStillOpensTheWindow()
    {
        QFile blocker(documents + QStringLiteral("/Halvorent"));
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where the maker folder belongs
        blocker.close();
        createWindows();
        QCOMPARE(prompts->texts(), QStringList{QStringLiteral("I/O error %1.").arg(EEXIST)});
        QCOMPARE(prompts->shown.first().kind, BoxKind::Error);
        // The practice history, which lives in the program folder, is off: said when its window
        // opens, not after the start's own message.
        QCoreApplication::processEvents(); // what start-up left queued
        QCOMPARE(prompts->texts().size(), 1);
        Form1->historyKeeper->historyAction->trigger();
        QCOMPARE(prompts->texts().size(), 2);
        QVERIFY(prompts->texts().last().startsWith(QLatin1String("The practice history is off: ")));
        QCOMPARE(prompts->shown.last().kind, BoxKind::Warning);
        QCOMPARE(Form1->statistics->FileListBox1->count(), 0);
        QVERIFY(!Form1->statistics->Button11->isEnabled());
        QCOMPARE(Form1->statistics->bump[50], 255);
        QCOMPARE(Form1->statistics->shift4a[1], 10.0);
    }

    void initialWindow()
    {
        QVERIFY(QDir(documents).mkpath(QStringLiteral("Halvorent/VantrelockMirelon/Statistics")));
        const QString stats = documents + QStringLiteral("/Halvorent/VantrelockMirelon/Statistics/");
        // The list shows what the folder shows a user: no hidden files, no folders.
        for (const char *name : {"b.txt", "A.txt", "notes.csv", ".hidden.txt"}) {
            QFile f(stats + QLatin1String(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QVERIFY(QDir(stats).mkdir(QStringLiteral("folder.txt")));
        createWindows();
        QCOMPARE(prompts->texts(), QStringList());
        QCOMPARE(Form1->windowTitle(), QStringLiteral("Vantrelock Mirelon"));
        QCOMPARE(Form1->statistics->FileListBox1->count(), 2);
        QCOMPARE(Form1->statistics->FileListBox1->item(0)->text(), QStringLiteral("A.txt"));
        QCOMPARE(canonical(Form1->statistics->FileListBox1->directory()), canonical(stats));
        for (QLabel *value : {Form1->statistics->NumRuns, Form1->statistics->NumReds, Form1->statistics->NumWins, Form1->statistics->Avg, Form1->statistics->Sprd, Form1->statistics->ShftAvg1})
            QCOMPARE(value->text(), QStringLiteral("N/A"));
        QVERIFY(!Form1->statistics->Button8->isEnabled());
        QVERIFY(Form1->statistics->Button9->isEnabled());
        QVERIFY(!Form1->statistics->Button11->isEnabled());
        QVERIFY(Form1->statistics->Series1->isVisible());
        for (int n = 2; n <= 10; ++n)
            QVERIFY(!Form1->statistics->series(n)->isVisible());
        QVERIFY(Form1->statistics->ComboBox1->isHidden());
        QCOMPARE(Form1->statistics->ComboBox1->currentText(), QStringLiteral("RT"));
        QVERIFY(Form1->image->Image1->isHidden());
        QVERIFY(Form1->image->fileName.isEmpty());
        QCOMPARE(Form1->connection->link.comport, 0);
        QVERIFY(!Form1->connection->link.isOpen());
        // Panels paint their own captions, so they name themselves for screen readers.
        QCOMPARE(Form1->statistics->Panel4->accessibleName(), QStringLiteral("Overlay"));
        QCOMPARE(Form1->connection->Panel1->accessibleName(), QStringLiteral("Not Connected"));
    }

    void startPictureIsShown()
    {
        const QString program = documents + QStringLiteral("/Halvorent/VantrelockMirelon");
        QVERIFY(QDir().mkpath(program));
        QImage picture(40, 20, QImage::Format_RGB888);
        picture.fill(Qt::red);
        QVERIFY(picture.save(program + QStringLiteral("/test.bmp"), "BMP"));
        createWindows();
        QCOMPARE(prompts->texts(), QStringList());
        QCOMPARE(Form1->image->fileName, program + QStringLiteral("/test.bmp"));
        QVERIFY(!Form1->image->Image1->isHidden());
        QCOMPARE(Form1->image->Image1->picture().size(), QSize(40, 20));
    }

    // A write cut short by a crash left temporary files: the start removes them, and only them.
    void startRemovesWhatACrashLeft()
    {
        const QString program = documents + QStringLiteral("/Halvorent/VantrelockMirelon");
        QVERIFY(QDir().mkpath(program + QStringLiteral("/Statistics")));
        const QStringList left{"/.test.bmp.mirelon-q1W2e3.tmp", "/Statistics/.RUN1.txt.mirelon-AbCdEf.tmp"};
        const QStringList kept{"/user.tmp", "/Statistics/RUN1.txt"};
        for (const QString &name : left + kept) {
            QFile file(program + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        createWindows();
        for (const QString &name : left)
            QVERIFY2(!QFile::exists(program + name), qPrintable(name));
        for (const QString &name : kept)
            QVERIFY2(QFile::exists(program + name), qPrintable(name));
        QCOMPARE(Form1->statistics->FileListBox1->count(), 1);
    }

    // Pipes where the program expects files: opening one would block until something writes to
    // it. The start goes on without a picture, and the list shows no pipe to click.
    void pipesAreNoFiles()
    {
        const QString program = documents + QStringLiteral("/Halvorent/VantrelockMirelon");
        QVERIFY(QDir().mkpath(program + QStringLiteral("/Statistics")));
        for (const QString &name : {QStringLiteral("/test.bmp"), QStringLiteral("/Statistics/BBB.txt")})
            QCOMPARE(mkfifo(QFile::encodeName(program + name).constData(), 0600), 0);
        QFile runFile(program + QStringLiteral("/Statistics/AAA.txt"));
        QVERIFY(runFile.open(QIODevice::WriteOnly));
        runFile.close();
        createWindows();
        QCOMPARE(prompts->texts(), QStringList());
        QVERIFY(Form1->image->Image1->isHidden());
        QCOMPARE(Form1->statistics->FileListBox1->count(), 1);
        QCOMPARE(Form1->statistics->FileListBox1->item(0)->text(), QStringLiteral("AAA.txt"));
    }
};

MIRELON_TEST_MAIN(StartupTest)
#include "test_startup.moc"
