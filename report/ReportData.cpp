#include "report/ReportData.h"

#include "stats/CsvExport.h"
#include "stats/Readout.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace report {

QPageSize::PageSizeId paperFor(const QLocale &locale)
{
    static const QLocale::Territory letter[] = {
        QLocale::UnitedStates, QLocale::Canada,     QLocale::Mexico,      QLocale::Chile,
        QLocale::Colombia,     QLocale::CostaRica,  QLocale::DominicanRepublic, QLocale::ElSalvador,
        QLocale::Guatemala,    QLocale::Nicaragua,  QLocale::Panama,      QLocale::Philippines,
        QLocale::PuertoRico,   QLocale::Venezuela,
    };
    return std::find(std::begin(letter), std::end(letter), locale.territory()) != std::end(letter)
               ? QPageSize::Letter
               : QPageSize::A4;
}

std::optional<Device> deviceOf(const std::vector<history::Session> &sessions, const QString &fileName)
{
    // Sessions come oldest first; the latest one under that name is the file now in the folder.
    for (auto it = sessions.rbegin(); it != sessions.rend(); ++it) {
        if (it->fileName() == fileName && !it->serial.isEmpty())
            return Device{it->serial, it->firmware};
    }
    return std::nullopt;
}

QString localFigure(const QString &shown, const QLocale &locale)
{
    // Digits, an optional sign and one separator: the window's ".531" (always a point) or its
    // shift averages' "1,23" (the locale's). Counts and "N/A" stay as they are.
    static const QRegularExpression decimal(QStringLiteral("^(-?)(\\d*)[.,](\\d+)$"));
    const QRegularExpressionMatch match = decimal.match(shown);
    if (!match.hasMatch())
        return shown;
    const QString whole = match.captured(2).isEmpty() ? QStringLiteral("0") : match.captured(2);
    return match.captured(1) + whole + locale.decimalPoint() + match.captured(3);
}

RunFileFacts runFileFacts(const runfile::RunFile &file, const QLocale &locale)
{
    RunFileFacts facts;
    const QStringList shown = runfile::shownFigures(file);
    const char *captions[] = {"Runs", "Reds", "Wins", "Average", "Spread",
                              "Shift 1 Avg", "Shift 2 Avg", "Shift 3 Avg", "Shift 4 Avg"};
    // The figures the window shows, in the page's one decimal separator.
    for (int i = 0; i < shown.size(); ++i)
        facts.figures.push_back({QLatin1String(captions[i]), localFigure(shown.at(i), locale)});

    const runfile::Runs runs = runfile::runsOf(file);
    facts.columns = {QStringLiteral("Run"), QStringLiteral("RT")};
    if (file.full) // shorter files hold no bump counts
        facts.columns.append(QStringLiteral("Bump"));
    QList<int> shifts; // the columns in use
    for (int k = 0; k < 4; ++k) {
        if (runs.shift[size_t(k)][1] != runfile::kAbsentShift) {
            shifts.append(k);
            facts.columns.append(QStringLiteral("Shift %1").arg(k + 1));
        }
    }
    const int n = file.runs.runs();
    for (int r = 1; r <= n; ++r) {
        QStringList row{locale.toString(r), readout::timeText(runs.rt[size_t(r)], locale)};
        if (file.full)
            row.append(runs.bump[size_t(r)] == runfile::kNoBump ? QStringLiteral("N/A")
                                                                : locale.toString(runs.bump[size_t(r)]));
        for (int k : shifts)
            row.append(readout::timeText(runs.shift[size_t(k)][size_t(r)], locale));
        facts.rows.push_back(row);
    }
    return facts;
}

QString fileDateText(const QDateTime &modified, const QLocale &locale)
{
    return QStringLiteral("File date: %1").arg(locale.toString(modified, QLocale::ShortFormat));
}

QString deviceText(const std::optional<Device> &device)
{
    if (!device)
        return QStringLiteral("Device: not known");
    if (device->firmware.isEmpty())
        return QStringLiteral("Device: %1").arg(device->serial);
    return QStringLiteral("Device: %1, firmware %2").arg(device->serial, device->firmware);
}

QString devicesText(const std::optional<QString> &serial)
{
    if (!serial)
        return QStringLiteral("All devices");
    if (serial->isEmpty())
        return QStringLiteral("Device not known (found in the folder)");
    return QStringLiteral("Device: %1").arg(*serial);
}

QString pageText(int page, int pages)
{
    return QStringLiteral("Page %1 of %2").arg(page).arg(pages);
}

std::optional<Format> formatOf(const QString &path)
{
    const QFileInfo info(path);
    if (info.completeBaseName().isEmpty()) // ".pdf" alone would be a hidden file
        return std::nullopt;
    const QString suffix = info.suffix();
    if (suffix.compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0)
        return Format::Pdf;
    if (suffix.compare(QLatin1String("png"), Qt::CaseInsensitive) == 0)
        return Format::Png;
    return std::nullopt;
}

RunFileReport readRunFileReport(const QString &path, const std::optional<QString> &overlayPath,
                                const QString &statisticsFolder, const std::vector<history::Session> &sessions)
{
    const auto decoded = [](const QString &file) {
        return DecodedRunFile{file, QFileInfo(file).lastModified(), runfile::decode(runfile::readRunFile(file))};
    };
    return runFileReport(decoded(path), overlayPath ? std::optional(decoded(*overlayPath)) : std::nullopt,
                         statisticsFolder, sessions);
}

RunFileReport runFileReport(const DecodedRunFile &shown, const std::optional<DecodedRunFile> &overlay,
                            const QString &statisticsFolder, const std::vector<history::Session> &sessions)
{
    RunFileReport report;
    report.facts = runFileFacts(shown.file);
    const QFileInfo info(shown.path);
    report.facts.fileName = info.fileName();
    report.facts.modified = shown.modified;
    // The history names the files of the Statistics folder only.
    if (!statisticsFolder.isEmpty() && QDir(info.absolutePath()) == QDir(statisticsFolder))
        report.facts.device = deviceOf(sessions, info.fileName());
    report.rt = shown.file.rt;
    report.runs = shown.file.runs.runs();
    if (overlay)
        report.overlay = RunFileReport::Overlay{QFileInfo(overlay->path).fileName(), overlay->file.rt, overlay->file.runs.runs()};
    return report;
}

} // namespace report
