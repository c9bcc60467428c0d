#pragma once

#include "history/Sessions.h"
#include "stats/RunFile.h"

#include <QDateTime>
#include <QLocale>
#include <QPageSize>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// What a printed report holds, as text and values: a run file's figures and runs, a practice
// history's sessions. The drawing is the UI's (report/ui/).
namespace report {

// A4, or Letter where that is the usual paper (the Americas' Letter countries, the Philippines).
QPageSize::PageSizeId paperFor(const QLocale &locale);

// The device a run file came from, as the practice history knows it.
struct Device {
    QString serial, firmware;
};
// The device of the session stored under `fileName` in the Statistics folder; the latest such
// session that knows its device. None when no session does.
std::optional<Device> deviceOf(const std::vector<history::Session> &sessions, const QString &fileName);

struct Figure {
    QString caption, value;
};

// One run file's page: its figures as the main window's labels show them, and one row per run
// (run, reaction time, bump, shift times) with the times in the readout's form.
struct RunFileFacts {
    QString fileName;
    QDateTime modified;
    std::optional<Device> device;
    std::vector<Figure> figures;
    QStringList columns;
    std::vector<QStringList> rows;
};
// A figure as the main window shows it (".531", "-.512", "1,23", "62", "N/A") as a page in the
// locale writes it: "0,531" in German; the digits themselves never change.
QString localFigure(const QString &shown, const QLocale &locale = QLocale());

// Throws the conversion error of a count field that is not a number, as the window's load does.
RunFileFacts runFileFacts(const runfile::RunFile &file, const QLocale &locale = QLocale());

// The lines under a report's title.
QString fileDateText(const QDateTime &modified, const QLocale &locale = QLocale());
QString deviceText(const std::optional<Device> &device);
// Which sessions a history report covers: all, one device's (by serial), or those of no known
// device (empty serial).
QString devicesText(const std::optional<QString> &serial);
QString pageText(int page, int pages);

// A run file's report: its facts, its reaction times and, laid over them, another file's.
struct RunFileReport {
    RunFileFacts facts;
    runfile::Reals rt{};
    int runs = 0;
    struct Overlay {
        QString fileName;
        runfile::Reals rt{};
        int runs = 0;
    };
    std::optional<Overlay> overlay;
};
// Reads and decodes the run file (and the overlay file); the device comes from `sessions` when
// the file lies in `statisticsFolder`. Throws the file error, or the conversion error of a count
// field that is not a number.
RunFileReport readRunFileReport(const QString &path, const std::optional<QString> &overlayPath,
                                const QString &statisticsFolder, const std::vector<history::Session> &sessions);
// The same of files decoded already (as the window shows them), however their files are now.
struct DecodedRunFile {
    QString path;
    QDateTime modified;
    runfile::RunFile file;
};
RunFileReport runFileReport(const DecodedRunFile &shown, const std::optional<DecodedRunFile> &overlay,
                            const QString &statisticsFolder, const std::vector<history::Session> &sessions);
// The formats a report is saved in, told by the file name's extension (any case).
enum class Format { Pdf, Png };
std::optional<Format> formatOf(const QString &path);

} // namespace report
