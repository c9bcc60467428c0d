// The commands on run files: show and export.

#include "tools/cli/Commands.h"

#include "base/Files.h"
#include "stats/CsvExport.h"
#include "stats/Readout.h"
#include "stats/RunFile.h"

#include <QDir>
#include <QFileInfo>

namespace cli {

int runShow(Context &c)
{
    const QString path = c.positional.at(0);
    const runfile::RunFile file = runfile::decode(runfile::readRunFile(path));
    QTextStream &out = c.io.out;
    QStringList figures = runfile::shownFigures(file);
    for (QString &figure : figures)
        figure = printable(figure); // count fields are the file's own bytes
    out << "File: " << printable(QFileInfo(path).fileName()) << Qt::endl;
    const char *names[] = {"Runs", "Reds", "Wins", "Average", "Spread"};
    for (int i = 0; i < 5; ++i)
        out << names[i] << ": " << figures.at(i) << Qt::endl;
    out << "Shift averages: " << figures.mid(5).join(QStringLiteral("  ")) << Qt::endl;

    const runfile::Runs runs = runfile::runsOf(file);
    QList<int> columns; // shift columns in use
    for (int k = 0; k < 4; ++k) {
        if (runs.shift[k][1] != runfile::kAbsentShift)
            columns.append(k);
    }
    const bool bumps = file.full;
    out << Qt::endl << QStringLiteral("%1  %2").arg(QStringLiteral("Run"), 3).arg(QStringLiteral("RT"), 6);
    if (bumps)
        out << QStringLiteral(" %1").arg(QStringLiteral("Bump"), 4);
    for (int k : columns)
        out << QStringLiteral("  %1").arg(QStringLiteral("S%1").arg(k + 1), 6);
    out << Qt::endl;
    const int n = file.runs.runs();
    for (int r = 1; r <= n; ++r) {
        out << QStringLiteral("%1  %2").arg(r, 3).arg(readout::timeText(runs.rt[r]), 6);
        if (bumps)
            out << QStringLiteral(" %1").arg(runs.bump[r] == runfile::kNoBump ? QStringLiteral("-") : QString::number(runs.bump[r]), 4);
        for (int k : columns)
            out << QStringLiteral("  %1").arg(readout::timeText(runs.shift[k][r]), 6);
        out << Qt::endl;
    }
    return kExitOk;
}

int runExport(Context &c)
{
    const QString path = c.positional.at(0);
    const runfile::RunFile file = runfile::decode(runfile::readRunFile(path));
    const QByteArray text = csv::exportText(runfile::runsOf(file), runfile::shownFigures(file));
    QString target = c.value(QStringLiteral("--output"));
    if (target == QLatin1String("-")) {
        c.io.out << QString::fromUtf8(text) << Qt::flush;
        return kExitOk;
    }
    if (target.isEmpty()) {
        const QFileInfo info(path);
        target = info.dir().filePath(info.completeBaseName() + QStringLiteral(".csv"));
    }
    const QString shown = QDir::toNativeSeparators(target);
    if (files::sameFile(path, target))
        return c.fail(QStringLiteral("%1 is the run file itself; name another CSV file with -o").arg(shown));
    const Finishing writing(c.io);
    if (c.has(QStringLiteral("--force")))
        files::writeFile(target, text);
    else if (!files::writeNewFile(target, text))
        return c.fail(QStringLiteral("%1 already exists; --force replaces it").arg(shown));
    c.io.out << printable(shown) << Qt::endl;
    return kExitOk;
}

} // namespace cli
