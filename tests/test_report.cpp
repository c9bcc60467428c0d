#include "app/ui/Forms.h"
#include "app/ui/MainWindow.h"
#include "base/WorkingFolders.h"
#include "history/Store.h"
#include "history/ui/HistoryKeeper.h"
#include "history/ui/HistoryWindow.h"
#include "stats/ui/StatisticsGroup.h"
#include "tests/support/RunFiles.h"
#include "tests/support/TestSupport.h"
#include "widgets/FileListBox.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include <sys/stat.h>

namespace {

// A known run file: 30 runs, every reaction time different.
constexpr int kRuns = 30;
int rtOf(int run)
{
    return 400 + 7 * run;
}
QByteArray knownRunFile(int shift = 0)
{
    RunFileBytes file;
    file.runs(kRuns).reds(2).wins(17).average(512).spread(87).shiftAverage(1, 1230).shiftAverage(2, 2000)
        .shiftAverage(3, 12000).noShift(3).noShift(4);
    for (int r = 1; r <= kRuns; ++r)
        file.rt(r, rtOf(r) + shift).bump(r, r % 7).shift(r, 1, 1400 + r).shift(r, 2, 2300 + r);
    return file.bytes();
}
QString timeText(int thousandths, QChar point = QLatin1Char('.'))
{
    return QString::number(thousandths / 1000.0, 'f', 3).replace(QLatin1Char('.'), point);
}

struct Run {
    int status = -1;
    QString out, err;
};

// The program itself, with no display: it must pick the offscreen platform by itself.
Run program(const QStringList &arguments, const QString &locale = QStringLiteral("C"))
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "LANG", "LC_NUMERIC", "LC_MESSAGES"})
        env.remove(QLatin1String(name));
    env.insert(QStringLiteral("LC_ALL"), locale);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(MIRELON_PROGRAM), arguments);
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()), QString::fromLocal8Bit(process.readAllStandardError())};
}

QString poppler(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(tool, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}
QString pdfText(const QString &path, int page = 0)
{
    QStringList arguments;
    if (page > 0)
        arguments << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l") << QString::number(page);
    return poppler(QStringLiteral("pdftotext"), arguments << QStringLiteral("-layout") << path << QStringLiteral("-"));
}
QString pdfInfo(const QString &path, const QString &field)
{
    const QRegularExpression line(QLatin1Char('^') + field + QStringLiteral(":\\s*(.*)$"), QRegularExpression::MultilineOption);
    return line.match(poppler(QStringLiteral("pdfinfo"), {path})).captured(1).trimmed();
}
QStringList words(const QString &text)
{
    return text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

} // namespace

// The reports: a run file's page and the history's pages as PDF, PNG and on a printer, from the
// window and from a script.
class ReportTest : public QObject {
    Q_OBJECT

    // Answers the print dialog by printing into a PDF file.
    class PrintingPrompter : public RecordingPrompter {
    public:
        QStringList printed; // the PDF files, in order
        QString next;
        bool choosePrinter(QPrintDialog &dialog) override
        {
            if (next.isEmpty())
                return false;
            dialog.printer()->setOutputFormat(QPrinter::PdfFormat);
            dialog.printer()->setOutputFileName(next);
            printed << std::exchange(next, QString());
            return true;
        }
    };
    std::unique_ptr<PrintingPrompter> prompter;
    QTemporaryDir out;

    static WorkingFolders folders() { return workingFolders(testHome() + QStringLiteral("/Documents")); }
    static QString write(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    static QString inStatistics(const QString &name, const QByteArray &bytes)
    {
        return write(QDir(folders().statistics).filePath(name), bytes);
    }
    static void record(const QString &path, const QByteArray &bytes, const QString &serial, const QString &firmware)
    {
        history::Store store(folders().inProgram(history::kStoreName));
        QCOMPARE(store.record({path, bytes, false, QDateTime(QDate(2024, 5, 4), QTime(18, 30)), serial, firmware, false, {}, {}}),
                 history::Store::Recorded::New);
    }
    QString output(const QString &name) const { return out.filePath(name); }

    // The PDF holds each run's reaction time and the figures, in the locale's form.
    static void verifyRunFileText(const QString &text, QChar point)
    {
        const QStringList found = words(text);
        for (int r = 1; r <= kRuns; ++r)
            QVERIFY2(found.contains(timeText(rtOf(r), point)), qPrintable(timeText(rtOf(r), point)));
        // The window's ".512" with its leading 0 and the locale's separator, as the table's times.
        for (const QString &figure : {QStringLiteral("0") + point + QStringLiteral("512"), QStringLiteral("0") + point + QStringLiteral("087"), QStringLiteral("17"),
                                      QString(QStringLiteral("1%1").arg(point) + QStringLiteral("23")), QStringLiteral("N/A")})
            QVERIFY2(found.contains(figure), qPrintable(figure));
        for (const char *caption : {"Runs", "Reds", "Wins", "Average", "Spread"})
            QVERIFY2(found.contains(QLatin1String(caption)), caption);
        // One decimal separator on the page, the chart's axes included. (Dates and the tree's
        // firmware version are no decimals.)
        if (point != QLatin1Char('.')) {
            QString numbers = text;
            numbers.remove(QRegularExpression(QStringLiteral("firmware \\S+")));
            const QRegularExpression decimal(QStringLiteral("(?<![\\d.])-?\\d*\\.\\d+(?![\\d.])"));
            const QRegularExpressionMatch match = decimal.match(numbers);
            QVERIFY2(!match.hasMatch(), qPrintable(match.captured()));
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(out.isValid());
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(), "pdftotext is needed (poppler-utils)");
    }
    void init()
    {
        prompter = std::make_unique<PrintingPrompter>();
        QDir(folders().program).removeRecursively();
        QVERIFY(QDir().mkpath(folders().statistics));
    }
    void cleanup()
    {
        destroyWindows();
        prompter.reset();
    }

    // One page on the locale's paper, every run's reaction time and the figures as text, and the
    // tree the history knows the file came from.
    void runFileReport_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("paper");
        QTest::addColumn<QChar>("point");
        QTest::newRow("C") << "C" << "595 x 842 pts (A4)" << QChar('.');
        QTest::newRow("United States") << "en_US.UTF-8" << "612 x 792 pts (letter)" << QChar('.');
        QTest::newRow("Germany") << "de_DE.UTF-8" << "595 x 842 pts (A4)" << QChar(',');
    }
    void runFileReport()
    {
        QFETCH(QString, locale);
        QFETCH(QString, paper);
        QFETCH(QChar, point);
        const QByteArray bytes = knownRunFile();
        const QString path = inStatistics(QStringLiteral("RUNS01.txt"), bytes);
        record(path, bytes, QStringLiteral("VM000042"), QStringLiteral("1.24"));
        const QString pdf = output(QStringLiteral("RUNS01-%1.pdf").arg(QTest::currentDataTag()));

        const Run run = program({QStringLiteral("--report"), path, QStringLiteral("-o"), pdf}, locale);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out.trimmed(), pdf);
        QCOMPARE(pdfInfo(pdf, QStringLiteral("Pages")), QStringLiteral("1"));
        QCOMPARE(pdfInfo(pdf, QStringLiteral("Page size")), paper);
        const QString text = pdfText(pdf);
        verifyRunFileText(text, point);
        QVERIFY(text.contains(QStringLiteral("RUNS01.txt")));
        QVERIFY(text.contains(QStringLiteral("Device: VM000042, firmware 1.24")));
        QVERIFY(text.contains(QStringLiteral("Page 1 of 1")));

        // A copy outside the Statistics folder is not the history's file.
        const QString copy = write(output(QStringLiteral("RUNS01.txt")), bytes);
        QCOMPARE(program({QStringLiteral("--report"), copy, QStringLiteral("-o"), pdf, QStringLiteral("--force")}).status, 0);
        QVERIFY(pdfText(pdf).contains(QStringLiteral("Device: not known")));
    }

    // A page an A4 sheet at 150 dots per inch: the chart's markers drawn, nothing in the margin.
    void pngReport()
    {
        const QString path = inStatistics(QStringLiteral("PIC.txt"), knownRunFile());
        const QString png = output(QStringLiteral("PIC.png"));
        QCOMPARE(program({QStringLiteral("--report"), path, QStringLiteral("-o"), png}).status, 0);
        const QImage image(png);
        QCOMPARE(image.size(), QSize(1240, 1754));
        int markers = 0, dark = 0, marginInk = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                markers += c.blue() > 200 && c.red() < 60 && c.green() < 60;
                dark += c.lightness() < 100;
                marginInk += (x < 60 || y < 60 || x >= image.width() - 60) && c.lightness() < 250;
            }
        }
        QVERIFY2(markers > kRuns * 20, qPrintable(QString::number(markers))); // every run's marker, 6 points wide
        QVERIFY(dark > 20000); // text, lines and the table
        QCOMPARE(marginInk, 0);
    }

    // Many sessions make several pages, each numbered; --device keeps to that tree's sessions.
    void historyReportPages()
    {
        std::vector<history::Arrival> arrivals;
        for (int i = 0; i < 140; ++i) {
            const QString serial = i % 10 == 9 ? QStringLiteral("VM2") : QStringLiteral("VM1");
            const QString name = QStringLiteral("%1-%2.txt").arg(serial).arg(i);
            arrivals.push_back({QDir(folders().statistics).filePath(name), knownRunFile(i), false,
                                QDateTime(QDate(2024, 1, 1), QTime(12, 0)).addDays(i), serial, QStringLiteral("1.24"), false, {}, {}});
        }
        {
            history::Store store(folders().inProgram(history::kStoreName));
            QCOMPARE(store.record(arrivals).size(), arrivals.size());
        }
        const QString pdf = output(QStringLiteral("history.pdf"));
        const Run run = program({QStringLiteral("--history-report"), QStringLiteral("--device"), QStringLiteral("VM1"),
                                 QStringLiteral("-o"), pdf});
        QCOMPARE(run.status, 0);
        const int pages = pdfInfo(pdf, QStringLiteral("Pages")).toInt();
        QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
        for (int page = 1; page <= pages; ++page)
            QVERIFY(pdfText(pdf, page).contains(QStringLiteral("Page %1 of %2").arg(page).arg(pages)));
        const QString text = pdfText(pdf);
        QVERIFY(text.contains(QStringLiteral("Practice history")));
        QVERIFY(text.contains(QStringLiteral("Device: VM1")));
        QVERIFY(text.contains(QStringLiteral("Shift averages")));
        QVERIFY(text.contains(QStringLiteral("VM1-0.txt")) && text.contains(QStringLiteral("VM1-138.txt")));
        QVERIFY(!text.contains(QStringLiteral("VM2-")));

        // One driver's report: the name, the goal, the bests and the distribution, their sessions only.
        {
            history::Store store(folders().inProgram(history::kStoreName));
            std::vector<qint64> ids;
            for (const history::Session &s : store.sessions(QStringLiteral("VM2")))
                ids.push_back(s.id);
            QVERIFY(store.assign(ids, QStringLiteral("Ana")));
            QVERIFY(store.setGoal(QStringLiteral("Ana"), history::Goal{0.9, 0.5}));
        }
        const QString driven = output(QStringLiteral("ana.pdf"));
        QCOMPARE(program({QStringLiteral("--history-report"), QStringLiteral("--driver"), QStringLiteral("Ana"),
                          QStringLiteral("-o"), driven}).status, 0);
        const QString anas = pdfText(driven);
        for (const char *says : {"Driver: Ana", "Goal: average 0.900 s, spread 0.500 s", "Best average: ", "Fastest reaction: ",
                                 "Lowest spread: ", "Longest streak meeting the goal: ", "Reaction times, runs per 0.01 s: ",
                                 "Red lights", "VM2-9.txt"})
            QVERIFY2(anas.contains(QLatin1String(says)), says);
        QVERIFY(!anas.contains(QStringLiteral("VM1-0.txt")));
        // The goal's line in the legends of the reaction-time and the spread charts.
        QCOMPARE(anas.count(QRegularExpression(QStringLiteral("\\bGoal\\b(?!:)"))), 2);
        // The bests and the bars take room above the charts: the charts are lower, and the first
        // page still ends with its footer, nothing drawn over or below it.
        QStringList firstPage = pdfText(driven, 1).split(QLatin1Char('\n'));
        firstPage.removeIf([](const QString &line) { return line.simplified().isEmpty(); }); // and the page's form feed
        QVERIFY2(firstPage.last().simplified().startsWith(QLatin1String("Vantrelock Mirelon Page 1 of ")), qPrintable(firstPage.last()));
        const Run unknown = program({QStringLiteral("--history-report"), QStringLiteral("--driver"), QStringLiteral("Zed"),
                                     QStringLiteral("-o"), output(QStringLiteral("zed.pdf"))});
        QCOMPARE(unknown.status, 1);
        QVERIFY2(unknown.err.contains(QStringLiteral("no driver named 'Zed'")), qPrintable(unknown.err));

        // A PNG holds one page: refused, and nothing written.
        const QString png = output(QStringLiteral("history.png"));
        const Run refused = program({QStringLiteral("--history-report"), QStringLiteral("-o"), png});
        QCOMPARE(refused.status, 1);
        QVERIFY2(refused.err.contains(QStringLiteral("PDF")), qPrintable(refused.err));
        QVERIFY(!QFile::exists(png));
    }

    // A file that cannot be reported is named with what is wrong with it, and nothing is written.
    void refusals_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("says");
        QTest::newRow("missing") << "missing" << "cannot read";
        QTest::newRow("count that is no number") << "damaged" << "'0x2' is not a valid integer value";
        QTest::newRow("empty") << "empty" << "is not a valid integer value";
        QTest::newRow("folder") << "folder" << "it is a folder";
        QTest::newRow("pipe") << "pipe" << "cannot read";
    }
    void refusals()
    {
        QFETCH(QString, kind);
        QFETCH(QString, says);
        const QString path = output(QStringLiteral("in-") + kind);
        if (kind == QLatin1String("damaged"))
            write(path, RunFileBytes().raw(300, "0x2").bytes());
        else if (kind == QLatin1String("empty"))
            write(path, {});
        else if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(path));
        else if (kind == QLatin1String("pipe"))
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        const QString pdf = output(kind + QStringLiteral(".pdf"));
        const Run run = program({QStringLiteral("--report"), path, QStringLiteral("-o"), pdf});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.startsWith(QStringLiteral("vantrelock-mirelon: ")) && run.err.contains(says), qPrintable(run.err));
        if (kind != QLatin1String("damaged") && kind != QLatin1String("empty"))
            QVERIFY2(run.err.contains(path), qPrintable(run.err));
        QVERIFY(!QFile::exists(pdf));
    }

    // An existing file stays without --force and is replaced with it; bad arguments are usage.
    void existingOutputAndArguments()
    {
        const QString path = inStatistics(QStringLiteral("KEEP.txt"), knownRunFile());
        const QString pdf = write(output(QStringLiteral("keep.pdf")), "mine");
        Run run = program({QStringLiteral("--report"), path, QStringLiteral("-o"), pdf});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("already exists; --force replaces it")), qPrintable(run.err));
        QFile kept(pdf);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("mine"));
        kept.close();
        QCOMPARE(program({QStringLiteral("--report"), path, QStringLiteral("-o"), pdf, QStringLiteral("--force")}).status, 0);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QVERIFY(kept.readAll().startsWith("%PDF"));

        const QList<QStringList> usage{{QStringLiteral("--report"), path},
                                       {QStringLiteral("--report"), path, QStringLiteral("-o"), output(QStringLiteral("x.txt"))},
                                       {QStringLiteral("--report"), path, QStringLiteral("--history-report"), QStringLiteral("-o"),
                                        output(QStringLiteral("y.pdf"))},
                                       {QStringLiteral("--report"), path, QStringLiteral("--bogus"), QStringLiteral("-o"),
                                        output(QStringLiteral("z.pdf"))}};
        for (const QStringList &arguments : usage) {
            run = program(arguments);
            QVERIFY2(run.status == 2 && run.err.contains(QStringLiteral("Usage:")), qPrintable(arguments.join(' ')));
        }
        QVERIFY(!QFile::exists(output(QStringLiteral("y.pdf"))) && !QFile::exists(output(QStringLiteral("z.pdf"))));

        // A folder under the report's name is named as one, with or without --force.
        const QString folder = output(QStringLiteral("folder.pdf"));
        QVERIFY(QDir().mkpath(folder));
        for (const QStringList &extra : {QStringList{}, QStringList{QStringLiteral("--force")}}) {
            run = program(QStringList{QStringLiteral("--report"), path, QStringLiteral("-o"), folder} + extra);
            QVERIFY2(run.status == 1 && run.err.contains(QStringLiteral("it is a folder")), qPrintable(run.err));
        }
    }

    // From the window: Save Report on the file list for the file shown (with its overlay), Print
    // with Ctrl+P; the History window's two buttons and Ctrl+P.
    void fromTheWindows()
    {
        const QString first = inStatistics(QStringLiteral("FIRST.txt"), knownRunFile());
        inStatistics(QStringLiteral("SECOND.txt"), knownRunFile(100));
        createWindows();
        Form1->show();
        QVERIFY(QTest::qWaitForWindowActive(Form1));
        // Before a file is shown, the keys say that there is nothing to print or save.
        for (Qt::Key key : {Qt::Key_P, Qt::Key_S}) {
            QTest::keyClick(Form1, key, Qt::ControlModifier);
            QCOMPARE(prompter->texts(), QStringList{QStringLiteral("No run file is shown: pick one in the list first.")});
            prompter->clear();
        }
        QVERIFY(prompter->printed.isEmpty() && prompter->offered.isEmpty());

        QVERIFY(Form1->statistics->pickRunFile(first));
        auto *save = Form1->findChild<QAction *>(QStringLiteral("SaveReportAction"));
        QVERIFY(save);
        QVERIFY(Form1->statistics->FileListBox1->actions().contains(save));

        prompter->files = {output(QStringLiteral("window.pdf"))};
        save->trigger();
        QVERIFY2(prompter->shown.isEmpty(), qPrintable(prompter->texts().join('\n')));
        verifyRunFileText(pdfText(output(QStringLiteral("window.pdf"))), QLatin1Char('.'));
        // Ctrl+S saves it too; Shift+F10 on the list opens its menu, which holds Save Report.
        prompter->files = {output(QStringLiteral("keys.pdf"))};
        QTest::keyClick(Form1->statistics->FileListBox1, Qt::Key_S, Qt::ControlModifier);
        verifyRunFileText(pdfText(output(QStringLiteral("keys.pdf"))), QLatin1Char('.'));
        QStringList menu;
        QTimer closer;
        closer.setInterval(10);
        connect(&closer, &QTimer::timeout, this, [&] {
            if (auto *popup = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                for (const QAction *action : popup->actions())
                    menu << action->text();
                popup->close();
                closer.stop();
            }
        });
        closer.start();
        Form1->statistics->FileListBox1->setFocus();
        QTest::keyClick(Form1->statistics->FileListBox1, Qt::Key_F10, Qt::ShiftModifier);
        closer.stop();
        QVERIFY2(menu.contains(save->text()), qPrintable(menu.join(QLatin1Char(','))));
        // The offscreen platform does not always give the main window back its activation when
        // the menu closes, as a desktop does: the keys below go to it.
        QTRY_VERIFY(!QApplication::activePopupWidget());
        Form1->activateWindow();
        QTRY_VERIFY(Form1->isActiveWindow());

        // Overlay on, the second file laid over the first: its name in the legend, the first's runs.
        Form1->statistics->Panel4Click();
        QVERIFY(Form1->statistics->pickRunFile(QDir(folders().statistics).filePath(QStringLiteral("SECOND.txt"))));
        prompter->next = output(QStringLiteral("printed.pdf"));
        QTest::keyClick(Form1, Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(prompter->printed, QStringList{output(QStringLiteral("printed.pdf"))});
        const QString printed = pdfText(output(QStringLiteral("printed.pdf")));
        verifyRunFileText(printed, QLatin1Char('.'));
        QVERIFY(printed.contains(QStringLiteral("SECOND.txt (overlay)")));

        // A name without an extension gets the one of the picked type, and the dialog asks again.
        Form1->historyKeeper->showHistory();
        HistoryWindow *history = Form1->historyKeeper->historyWindow;
        QVERIFY(QTest::qWaitForWindowActive(history));
        auto *button = history->findChild<QPushButton *>(QStringLiteral("HistorySaveReportActionButton"));
        QVERIFY(button);
        prompter->files = {output(QStringLiteral("history")), output(QStringLiteral("history.pdf"))};
        button->click();
        QCOMPARE(prompter->offered.last(), QStringList{output(QStringLiteral("history.pdf"))});
        QVERIFY(pdfText(output(QStringLiteral("history.pdf"))).contains(QStringLiteral("FIRST.txt")));
        prompter->next = output(QStringLiteral("history-printed.pdf"));
        QApplication::setActiveWindow(history); // closing the save dialog gave it back to the main window
        QVERIFY(QTest::qWaitForWindowActive(history));
        QTest::keyClick(history, Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(prompter->printed.size(), 2);
        const QString historyPrinted = pdfText(output(QStringLiteral("history-printed.pdf")));
        QVERIFY2(historyPrinted.contains(QStringLiteral("Practice history")), qPrintable(historyPrinted));
        prompter->files = {output(QStringLiteral("history-keys.pdf"))};
        QTest::keyClick(history, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(pdfText(output(QStringLiteral("history-keys.pdf"))).contains(QStringLiteral("Practice history")));
        QCOMPARE(button->toolTip(), QKeySequence(Qt::CTRL | Qt::Key_S).toString(QKeySequence::NativeText));

        // The files deleted since they were loaded: the report is of what the window shows.
        QVERIFY(QFile::remove(first));
        QVERIFY(QFile::remove(QDir(folders().statistics).filePath(QStringLiteral("SECOND.txt"))));
        prompter->files = {output(QStringLiteral("gone.pdf"))};
        save->trigger();
        QVERIFY2(prompter->shown.isEmpty(), qPrintable(prompter->texts().join('\n')));
        const QString gone = pdfText(output(QStringLiteral("gone.pdf")));
        verifyRunFileText(gone, QLatin1Char('.'));
        QVERIFY(gone.contains(QStringLiteral("SECOND.txt (overlay)")));
    }
};

MIRELON_TEST_MAIN(ReportTest)
#include "test_report.moc"
