// Any bytes as a run file: named and stored the way the download stores a file from the device,
// then picked in the window's file list (as the primary file and as the overlay), its first run's
// readout shown, and exported to CSV. Input: one flag byte (bit 0: a rallycross file), the 8-byte
// name block as the device sends it, then the file's bytes.

#include "app/ui/Forms.h"
#include "app/ui/MainWindow.h"
#include "base/Errors.h"
#include "fuzz/FuzzSupport.h"
#include "stats/RunFileTransfer.h"
#include "stats/ui/StatisticsGroup.h"
#include "widgets/FileListBox.h"
#include "widgets/Prompter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineSeries>

#include <cmath>

namespace {

QString statistics;
QString exported;

void pick(const QString &path)
{
    // Selecting the item loads it, as a click does.
    Form1->statistics->FileListBox1->clearSelection();
    const auto items = Form1->statistics->FileListBox1->findItems(QFileInfo(path).fileName(), Qt::MatchExactly);
    FUZZ_CHECK(items.size() == 1);
    Form1->statistics->FileListBox1->setCurrentItem(items.first());
    items.first()->setSelected(true);
}

void checkChart()
{
    for (int n = 1; n <= 10; ++n) {
        const QLineSeries *series = Form1->statistics->series(n);
        FUZZ_CHECK(series->count() <= 50);
        for (const QPointF &p : series->points())
            FUZZ_CHECK(std::isfinite(p.x()) && std::isfinite(p.y()));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::prepare(argc, argv);
    createWindows();
    statistics = QFileInfo(Form1->folders.statistics).canonicalFilePath();
    exported = fuzz::home() + QStringLiteral("/export.csv");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 9)
        return 0;
    const bool rallycross = data[0] & 1;
    const QByteArray block(reinterpret_cast<const char *>(data + 1), 8);
    const QByteArray content(reinterpret_cast<const char *>(data + 9), qsizetype(size - 9));

    // Whatever the device calls a file, it lands in the statistics folder as a new file, whole.
    QString path;
    try {
        path = storeRunFile(statistics, runFileBase(deviceFileName(block), rallycross), content);
    } catch (const AppError &) {
        // A name the file system refuses (too long, say) is reported, and nothing is written.
        FUZZ_CHECK(QDir(statistics).isEmpty(QDir::Files | QDir::Hidden));
        return 0;
    }
    const QFileInfo info(path);
    FUZZ_CHECK(info.absoluteDir().canonicalPath() == statistics);
    FUZZ_CHECK(info.fileName().endsWith(QLatin1String(".txt")));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::ReadOnly) && file.readAll() == content);
    }

    Form1->statistics->FileListBox1->refresh();
    pick(path); // the primary file
    checkChart();
    if (Form1->statistics->Series1->count() > 0)
        guarded(Form1, [] { Form1->statistics->Chart1ClickSeries(Form1->statistics->Series1, 0); });
    fuzz::answerFiles(exported);
    guarded(Form1, [] { Form1->statistics->Button11Click(); });
    guarded(Form1, [] { Form1->statistics->Panel4Click(); }); // overlay on
    pick(path);
    checkChart();
    if (Form1->statistics->Series2->count() > 0)
        guarded(Form1, [] { Form1->statistics->Chart1ClickSeries(Form1->statistics->Series2, 0); });
    guarded(Form1, [] { Form1->statistics->Panel4Click(); }); // overlay off

    QFile::remove(path);
    QFile::remove(exported);
    Form1->statistics->FileListBox1->refresh();
    return 0;
}
