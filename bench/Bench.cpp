// mirelon-bench MODE: one measurement of the program's own code, printed as "key value" lines
// for bench/run to put side by side.
//   transfers [--paced]   the window's Send of a 480 x 272 picture and Load of 50 full run files
//                         against the simulated device on a pseudo-terminal: wall time and the
//                         window thread's CPU time, and the bytes that crossed the line
//   photo OUT.jpg [W H]   writes a W x H test photo (default 4000 x 3000; gradients, detail and
//                         noise), JPEG quality 90
//   picture IN REPEATS    loads and fits IN, writes the working bitmap and converts it to the raw
//                         format, as Load and Send do; the best of REPEATS, and the process's peak
//                         memory
//   startup               from the process's start to the main window shown
//   memory                peak memory with every chart series filled (a file and its overlay,
//                         four shift columns each) and the chart drawn
//   history [SESSIONS]    a practice history of SESSIONS sessions (default 1000; two devices,
//                         over weeks) with their run files in the Statistics folder: the
//                         main window's start with them all new (each decoded and recorded) and
//                         all known, to shown and to the end of the import beside it; the History
//                         window from Ctrl+H to shown; the peak memory
//   history-store DIR [SESSIONS]
//                         writes such a history (default 36 sessions) into DIR's documents folder,
//                         to try the window: HOME=DIR build/vantrelock-mirelon, then Ctrl+H
//   history-files DIR [SESSIONS]
//                         writes only the run files of such a history (default 1000)
//   history-import DIR    the first import of DIR's run files into a new store, as a start with
//                         them all new does beside the window, in this thread at normal priority

#include "app/ui/Forms.h"
#include "app/ui/MainWindow.h"
#include "base/Files.h"
#include "device/Ports.h"
#include "device/ui/ConnectGroup.h"
#include "history/Store.h"
#include "history/ui/HistoryKeeper.h"
#include "history/ui/HistoryWindow.h"
#include "image/Picture.h"
#include "image/ui/ImageGroup.h"
#include "stats/ui/StatisticsGroup.h"
#include "tools/sim/ImageCommands.h"
#include "tools/sim/RunFileCommands.h"
#include "tools/sim/RunFiles.h"
#include "tools/sim/SimDevice.h"
#include "widgets/FileListBox.h"
#include "widgets/ImageView.h"
#include "widgets/Prompter.h"

#include <QAction>
#include <QApplication>
#include <QChartView>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImageWriter>
#include <QLabel>
#include <QLineSeries>
#include <QPainter>
#include <QRandomGenerator>
#include <QTableView>
#include <QTemporaryDir>
#include <QWindow>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace {

// Answers every box with OK (No to a question) and remembers that one was shown.
class QuietPrompter : public Prompter {
public:
    QMessageBox::StandardButton message(QWidget *, BoxKind, const QString &text,
                                        QMessageBox::StandardButtons buttons) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        ++shown;
        return buttons.testFlag(QMessageBox::Yes) ? QMessageBox::No : QMessageBox::Ok;
    }
    QString chooseFile(QFileDialog &) override { return {}; }
    int shown = 0;
};

double seconds(const timespec &t)
{
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double threadCpu()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return seconds(t);
}

double realNow()
{
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return seconds(t);
}

void put(const char *key, double value)
{
    std::printf("%s %.6f\n", key, value);
}

int transfers(bool paced)
{
    QuietPrompter quiet;
    setPrompter(&quiet);
    sim::Config config;
    config.version = "1.24  ";
    config.paced = paced;
    sim::SimDevice device(config);
    sim::RunFileSet set;
    for (int i = 1; i <= 50; ++i)
        set.files.push_back({QByteArray("RUN") + QByteArray::number(i),
                             sim::encodeRunFile(sim::generateSession(std::uint32_t(i), 50, 4), sim::RunFileKind::Full)});
    sim::installRunFileCommands(device, std::make_shared<sim::DeviceRunFiles>(set));
    sim::installImageCommands(device);
    if (!device.start())
        return 1;
    qputenv(kPortEnvironmentVariable, QFile::encodeName(device.portPath()));

    createWindows();
    Form1->connection->Button1Click();
    if (!Form1->connection->link.isOpen())
        return 1;

    // The upload: a full-size working bitmap, as Load leaves it.
    const QImage picture = picture::rawToImage(480, 272, sim::demoPicture().raw).convertToFormat(QImage::Format_RGB888);
    Form1->image->fileName = Form1->folders.program + QStringLiteral("/test.bmp");
    files::writeFile(Form1->image->fileName, picture::bmpFile(picture));
    Form1->image->Image1->setPicture(picture);
    Form1->image->Image1->setVisible(true);

    const auto measure = [&](const char *name, const std::function<void()> &transfer, qint64 deviceSends) {
        device.clearReceived();
        QElapsedTimer wall;
        const double cpu0 = threadCpu();
        wall.start();
        transfer();
        const double elapsed = double(wall.nsecsElapsed()) / 1e9;
        const double cpu = threadCpu() - cpu0;
        const qint64 bytes = device.received().size() + deviceSends;
        std::printf("%s_bytes %lld\n", name, static_cast<long long>(bytes));
        put((std::string(name) + "_wall").c_str(), elapsed);
        put((std::string(name) + "_cpu").c_str(), cpu);
    };
    measure("upload", [] { Form1->image->Button4Click(); }, 5 * 2);
    measure("download", [] { Form1->statistics->Button8Click(); }, 2 + 50 * (8 + 2 + 1748));
    const bool ok = quiet.shown == 0 && Form1->image->ImageStatus->text() == QLatin1String("Send Successful!")
                    && QDir(Form1->folders.statistics).entryList(QDir::Files).size() == 50;
    Form1->connection->Button1Click();
    destroyWindows();
    device.stop();
    return ok ? 0 : 1;
}

int photo(const QString &out, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return 1;
    QRandomGenerator random(42);
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int noise = int(random.bounded(24));
            const int r = (int(qint64(x) * 255 / width) + noise) & 0xFF, g = (int(qint64(y) * 255 / height) + noise) & 0xFF;
            const int b = ((x / 40 + y / 40) % 2 ? 200 : 60) + noise / 2;
            row[x] = qRgb(r, g, b);
        }
    }
    // Rings drawn to the picture's scale (the 4000 x 3000 photo's rings are 9 pixels wide).
    const double scale = width / 4000.0;
    QPainter painter(&image);
    painter.setPen(QPen(Qt::white, 9 * scale));
    for (int i = 0; i < 30; ++i)
        painter.drawEllipse(QPointF(width / 2.0, height / 2.0), 60 * i * scale, 45 * i * scale);
    painter.end();
    QImageWriter writer(out, "jpeg");
    writer.setQuality(90);
    writer.setOptimizedWrite(false);
    return writer.write(image) ? 0 : 1;
}

// The process's peak resident memory so far (VmHWM), in KiB.
long peakKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

int pictureBench(const QString &in, int repeats)
{
    QTemporaryDir dir;
    double best = 1e9;
    qsizetype rawSize = 0;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer wall;
        wall.start();
        const picture::LoadedPicture loaded = picture::loadWorkingPicture(in);
        if (loaded.working.isNull())
            return 1;
        const QByteArray bitmap = picture::bmpFile(loaded.working);
        files::writeFile(dir.filePath(QStringLiteral("test.bmp")), bitmap);
        const QByteArray read = files::readFile(dir.filePath(QStringLiteral("test.bmp")), 4 << 20);
        const std::optional<picture::RawPicture> raw = picture::convertBitmap(read);
        if (!raw)
            return 1;
        files::writeFile(dir.filePath(QStringLiteral("user.raw")), raw->raw);
        best = std::min(best, double(wall.nsecsElapsed()) / 1e9);
        rawSize = raw->raw.size();
        if (i == 0)
            std::printf("picture_size %dx%d\n", raw->width, raw->height);
    }
    std::printf("picture_raw_bytes %lld\n", static_cast<long long>(rawSize));
    put("picture_best", best);
    std::printf("picture_peak_kb %ld\n", peakKilobytes());
    return 0;
}

// The process's start, from /proc/self/stat, in seconds since boot (the clock ticks' resolution).
double processStartSinceBoot()
{
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream rest(text.substr(text.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 22; ++i)
        rest >> field; // field 22 is starttime
    return std::stod(field) / double(sysconf(_SC_CLK_TCK));
}

double sinceBoot()
{
    timespec t{};
    clock_gettime(CLOCK_BOOTTIME, &t);
    return seconds(t);
}

int startup(int argc, char *argv[])
{
    QApplication app(argc, argv);
    createWindows();
    Form1->show();
    QElapsedTimer guard;
    guard.start();
    while (!(Form1->windowHandle() && Form1->windowHandle()->isExposed()) && guard.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents(); // the first paint
    put("startup", sinceBoot() - processStartSinceBoot());
    std::printf("startup_end_realtime %.6f\n", realNow());
    destroyWindows();
    return 0;
}

int memory(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QuietPrompter quiet;
    setPrompter(&quiet);
    createWindows();
    Form1->show();
    const QString folder = Form1->folders.statistics;
    for (int i = 1; i <= 2; ++i) {
        QFile file(folder + QStringLiteral("/FULL%1.txt").arg(i));
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write(sim::encodeRunFile(sim::generateSession(std::uint32_t(i), 50, 4), sim::RunFileKind::Full));
    }
    Form1->statistics->FileListBox1->refresh();
    const auto pick = [](int row) {
        Form1->statistics->FileListBox1->clearSelection();
        Form1->statistics->FileListBox1->setCurrentRow(row);
        Form1->statistics->FileListBox1->item(row)->setSelected(true);
    };
    pick(0);
    Form1->statistics->Panel4Click(); // overlay on
    pick(1);
    int filled = 0;
    for (int n = 1; n <= 10; ++n)
        filled += Form1->statistics->series(n)->count() == 50;
    for (int n = 1; n <= 10; ++n)
        Form1->statistics->series(n)->setVisible(true); // every series drawn at once
    Form1->statistics->rescaleChart();
    QCoreApplication::processEvents();
    const QPixmap drawn = Form1->grab();
    std::printf("memory_series_filled %d\n", filled);
    std::printf("memory_peak_kb %ld\n", peakKilobytes());
    destroyWindows();
    return quiet.shown == 0 && filled == 10 && !drawn.isNull() ? 0 : 1;
}

// One practice session of a driver who gets better: `progress` runs from 0 (the first session)
// to 1 (the last), and the reaction times, their spread and the red lights come down with it.
sim::RunFileValues practiceSession(std::mt19937 &random, double progress, int shiftColumns)
{
    std::normal_distribution<double> reaction(565.0 - 45.0 * progress, 38.0 - 16.0 * progress);
    std::uniform_int_distribution<int> early(440, 498), runCount(12, 50), percent(0, 99);
    std::normal_distribution<double> jitter(0.0, 70.0 - 30.0 * progress);
    constexpr int kShiftAt[] = {1700, 3380, 5230, 7290};
    sim::RunFileValues values;
    values.runCount = runCount(random);
    double sum = 0, squares = 0;
    std::array<double, 4> shiftSums{};
    for (int r = 0; r < values.runCount; ++r) {
        sim::RunValues run;
        const bool red = percent(random) < int(12 - 8 * progress);
        if (red) {
            run.reaction = early(random);
            ++values.reds;
        } else {
            do
                run.reaction = int(std::lround(reaction(random)));
            while (run.reaction < 500);
            values.wins += percent(random) < 50;
        }
        for (int n = 0; n < shiftColumns; ++n) {
            run.shifts[size_t(n)] = kShiftAt[n] - int(60 * progress) + int(std::lround(jitter(random)));
            shiftSums[size_t(n)] += run.shifts[size_t(n)];
        }
        run.bumps = percent(random) % 3;
        sum += run.reaction;
        squares += double(run.reaction) * run.reaction;
        values.runs.push_back(run);
    }
    const double mean = sum / values.runCount;
    values.average = int(std::lround(mean));
    values.spread = int(std::lround(std::sqrt(std::max(0.0, squares / values.runCount - mean * mean))));
    for (int n = 0; n < shiftColumns; ++n)
        values.shiftAverages[size_t(n)] = int(std::lround(shiftSums[size_t(n)] / values.runCount));
    return values;
}

// `count` sessions over weeks, most from the driver's own tree, a third from the club's
// rallycross tree (every fourth of those a rallycross file): their run files in the Statistics
// folder, dated as they came, and recorded in the store when `record`.
bool writeHistory(const WorkingFolders &folders, int count, bool record)
{
    if (!QDir().mkpath(folders.statistics))
        return false;
    const std::unique_ptr<history::Store> store = record ? history::openHistory(folders) : nullptr;
    std::mt19937 random(2024);
    std::uniform_int_distribution<int> minute(17 * 60, 21 * 60);
    const QDateTime start(QDate(2024, 3, 2), QTime(0, 0));
    const double days = std::max(56.0, count * 0.55); // about two sessions in three days
    for (int i = 0; i < count; ++i) {
        const bool club = i % 3 == 2;
        const bool rallycross = club && i % 4 == 3;
        const double progress = count > 1 ? double(i) / (count - 1) : 0.0;
        const QByteArray bytes = sim::encodeRunFile(practiceSession(random, progress, club ? 3 : 4),
                                                    rallycross ? sim::RunFileKind::Rallycross : sim::RunFileKind::Full);
        history::Arrival arrival;
        arrival.path = QDir(folders.statistics).filePath(QStringLiteral("RUN%1%2.txt").arg(i + 1, 4, 10, QLatin1Char('0')).arg(rallycross ? "R" : ""));
        arrival.bytes = bytes;
        arrival.rallycross = rallycross;
        arrival.when = start.addSecs(qint64(i * days / count) * 86400 + minute(random) * 60);
        arrival.serial = club ? QStringLiteral("VM000107") : QStringLiteral("VM000042");
        arrival.firmware = club ? QStringLiteral("1.24 R") : QStringLiteral("1.26  ");
        QFile file(arrival.path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return false;
        file.setFileTime(arrival.when, QFileDevice::FileModificationTime);
        if (store && store->record(arrival) != history::Store::Recorded::New)
            return false;
    }
    return true;
}

int historyBench(int argc, char *argv[], int sessions)
{
    QApplication app(argc, argv);
    QuietPrompter quiet;
    setPrompter(&quiet);
    const WorkingFolders folders = workingFolders(GetSpecialFolderPath(CSIDL_PERSONAL));
    // The files alone first: the first start finds them all new.
    if (!writeHistory(folders, sessions, false))
        return 1;
    // The main window's start: from its creation to shown (exposed), and on to the end of the
    // folder's import beside it, when the sessions are all in the store.
    const auto start = [](const char *shownKey, const char *importedKey) {
        QElapsedTimer timer;
        timer.start();
        createWindows();
        bool imported = false;
        QEventLoop idle; // as the program's own loop waits, leaving the processor to the import
        QObject::connect(Form1->historyKeeper, &HistoryKeeper::historyImported, &idle, [&imported, &idle] {
            imported = true;
            idle.quit();
        });
        Form1->show();
        while (!(Form1->windowHandle() && Form1->windowHandle()->isExposed()))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        put(shownKey, double(timer.nsecsElapsed()) / 1e9);
        if (!imported)
            idle.exec();
        put(importedKey, double(timer.nsecsElapsed()) / 1e9);
    };
    start("history_window_all_new", "history_start_all_new");
    // Counted in the store: reading every session here would add to the peak it measures.
    const auto recorded = Form1->historyKeeper->history->overview(std::nullopt).sessions;
    destroyWindows();
    start("history_window_all_known", "history_start_all_known");

    QElapsedTimer timer;
    timer.start();
    Form1->historyKeeper->historyAction->trigger();
    while (!(Form1->historyKeeper->historyWindow->windowHandle() && Form1->historyKeeper->historyWindow->windowHandle()->isExposed()))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    QCoreApplication::processEvents(); // the first paint
    put("history_shown", double(timer.nsecsElapsed()) / 1e9);
    std::printf("history_sessions %d\n", Form1->historyKeeper->historyWindow->Sessions->model()->rowCount());
    std::printf("history_peak_kb %ld\n", peakKilobytes());
    const bool ok = quiet.shown == 0 && recorded == sessions && Form1->historyKeeper->historyWindow->Sessions->model()->rowCount() == sessions;
    destroyWindows();
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    const QString mode = argc > 1 ? QString::fromLatin1(argv[1]) : QString();
    if (mode == QLatin1String("history-store") && argc > 2) {
        QCoreApplication app(argc, argv);
        const QString documents = QFile::decodeName(argv[2]) + QStringLiteral("/Documents");
        return writeHistory(workingFolders(documents), argc > 3 ? QByteArray(argv[3]).toInt() : 36, true) ? 0 : 1;
    }
    if (mode == QLatin1String("history-files") && argc > 2) {
        QCoreApplication app(argc, argv);
        const QString documents = QFile::decodeName(argv[2]) + QStringLiteral("/Documents");
        return writeHistory(workingFolders(documents), argc > 3 ? QByteArray(argv[3]).toInt() : 1000, false) ? 0 : 1;
    }
    if (mode == QLatin1String("history-import") && argc > 2) {
        QCoreApplication app(argc, argv);
        const WorkingFolders folders = workingFolders(QFile::decodeName(argv[2]) + QStringLiteral("/Documents"));
        const QString path = history::historyPath(folders);
        for (const char *suffix : {"", "-journal", "-wal"})
            QFile::remove(path + QLatin1String(suffix));
        QElapsedTimer timer;
        timer.start();
        const std::unique_ptr<history::Store> store = history::openHistory(folders, {}, history::Store::Opening::Import);
        const history::Store::Imported imported = store->thisComputer().importFolder(folders.statistics);
        put("history_import", double(timer.nsecsElapsed()) / 1e9);
        std::printf("history_import_added %d\n", imported.added);
        return imported.added > 0 ? 0 : 1;
    }
    // The program's folders go to a scratch home, never the user's documents.
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qunsetenv("XDG_DOCUMENTS_DIR");
    if (mode == QLatin1String("history"))
        return historyBench(argc, argv, argc > 2 ? QByteArray(argv[2]).toInt() : 1000);
    if (mode == QLatin1String("startup"))
        return startup(argc, argv);
    if (mode == QLatin1String("memory"))
        return memory(argc, argv);
    if (mode == QLatin1String("picture") && argc > 3) {
        // No windows: the picture path as the command-line tool runs it.
        QCoreApplication app(argc, argv);
        return pictureBench(QFile::decodeName(argv[2]), QByteArray(argv[3]).toInt());
    }
    QApplication app(argc, argv);
    if (mode == QLatin1String("transfers"))
        return transfers(argc > 2 && QByteArray(argv[2]) == "--paced");
    if (mode == QLatin1String("photo") && argc > 2)
        return photo(QFile::decodeName(argv[2]), argc > 4 ? QByteArray(argv[3]).toInt() : 4000,
                     argc > 4 ? QByteArray(argv[4]).toInt() : 3000);
    std::fprintf(stderr, "usage: mirelon-bench transfers [--paced] | photo OUT [W H] | picture IN REPEATS | startup | memory"
                         " | history [SESSIONS] | history-store DIR [SESSIONS]"
                         " | history-files DIR [SESSIONS] | history-import DIR\n");
    return 2;
}
