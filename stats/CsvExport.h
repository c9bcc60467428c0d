#pragma once

#include "stats/RunFile.h" // runfile::Runs

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <array>

// The runs of the loaded file and its figures as comma-separated text for spreadsheets.
namespace csv {

// Shortest text with at most 15 significant digits, the locale's decimal separator; scientific
// ("1E-6", "1E15") only below 0.00001 or from 15 integer digits on.
QString generalNumber(double value, const QLocale &locale = QLocale());

// A field as written: quoted (quotes doubled) only when it holds a comma, a quote or a line end.
QString field(const QString &text);

// A statistic's text as the CSV holds it. Average, spread and a short run file's shift
// average always show a "." (".530", "-.512", "1.234"), while the other numbers follow the
// locale; a spreadsheet of a locale without "." as its separator would read them as text or as
// thousands. There such a number gets the locale's separator and a 0 before a bare separator
// ("0,530", "-0,512", "1,234"); any other text, and every text in a "." locale, stays as it is.
QString localNumber(const QString &text, const QLocale &locale);

// The whole file: run header, one line per run, statistics header, the statistics. The number of
// runs is `statistics[0]` (the run count as shown) read as an integer; not one, or above 50, gives
// 50. `statistics` holds the nine shown texts: runs, reds, wins, average, spread, shift 1 to 4
// averages, each written as localNumber() gives it. Lines end in CR LF.
QByteArray exportText(const runfile::Runs &runs, const QStringList &statistics, const QLocale &locale = QLocale());

// What Export does with the name its save dialog gave back: it writes only CSV files, so that no
// export lands among the run files as a .txt. A name ending in .csv (in any case) is written. A
// name without an extension goes back to the dialog with ".csv" added, where it is asked about
// before replacing a file of that name. Any other name goes back to the dialog as it is, after
// `message`. Empty text (the dialog cancelled) ends the export.
struct SaveChoice {
    enum class Action { Cancel, Write, AskAgain };
    Action action = Action::Cancel;
    QString path;    // Write: the file; AskAgain: the name the dialog offers
    QString message; // AskAgain: shown before the dialog opens again; may be empty
};
SaveChoice saveChoice(const QString &chosen);

} // namespace csv
