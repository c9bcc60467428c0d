#pragma once

#include "stats/RunFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QPointF>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

class QTextStream;

// A practice session is one run file the program brought home (or found in the Statistics
// folder), with the figures the device wrote into it. What the History window and
// `vantrelock history` show of the sessions is worked out here, once for both.
namespace history {

// A session's figures, all from the device's file except the best reaction time. Times in
// seconds; a figure the file shows as "N/A" is absent.
struct Figures {
    int runs = 0, wins = 0, reds = 0;
    std::optional<double> average, spread, best;
    std::array<std::optional<double>, 4> shiftAverage;

    // Red lights per run, 0 to 1 (above 1 when the file says so); absent without runs.
    std::optional<double> redRate() const;
};

// The figures of a decoded run file (decode it with the C locale); none when a count field is not
// a number, which the window's load refuses too.
std::optional<Figures> figuresOf(const runfile::RunFile &file);

// The fastest reaction time that is not a red light. The file counts red lights but does not mark
// which runs they were; a red light is leaving before the light, so on one tree it is faster
// than every good start, and the `reds` fastest of the recorded runs are left out. None when no
// run is left.
std::optional<double> bestReaction(const runfile::RunFile &file, int reds);

// What a driver aims for: a session met it when its average reaction time and its spread are both
// within it (seconds).
struct Goal {
    double average = 0;
    double spread = 0;
    bool operator==(const Goal &) const = default;
};

struct Driver {
    QString name;
    std::optional<Goal> goal;
};

struct Session {
    qint64 id = 0;
    QDateTime arrived;      // local time
    bool imported = false;  // found in the Statistics folder, dated by its file time
    QString serial;         // the device's serial number; empty when not known
    QString firmware;
    QString path;           // where the run file is (the store keeps a file of its folder by name)
    bool rallycross = false;
    std::optional<Figures> figures; // none: the file does not decode
    QString driver;                 // empty: of no driver

    QString fileName() const;
};

// Whether the session met the goal: both its average and its spread within it. A session without
// those figures did not.
bool metGoal(const Session &session, const Goal &goal);
bool metGoal(const Figures &figures, const Goal &goal);

// The table's columns: Date, Device, File, Runs, Reds, Wins, Average, Spread.
QStringList tableHeader();
constexpr int kTableColumns = 8;
// A row as the window and the tool show it: the date in the locale's short format, times with
// three decimals and the locale's separator. A session without figures shows "no figures".
QStringList tableRow(const Session &session, const QLocale &locale = QLocale());
// Shown for a session whose device is not known.
inline const QString kUnknownDevice = QStringLiteral("unknown");
inline const QString kNoFigures = QStringLiteral("no figures");

// The rows as aligned text columns, header first, for a terminal: control characters shown as
// \xHH, and a cell longer than kTableCellWidth cut with an ellipsis (the CSV keeps it whole).
// writeTable writes them row by row.
constexpr int kTableCellWidth = 40;
void writeTable(QTextStream &out, const std::vector<Session> &sessions, const QLocale &locale = QLocale());
QString tableText(const std::vector<Session> &sessions, const QLocale &locale = QLocale());
// The rows as CSV with the rules of the window's Export: CR LF line ends, numbers with the
// locale's decimal separator, a field holding a comma quoted, the 8-bit local encoding. Dates are
// written yyyy-MM-dd HH:mm:ss (local time), which spreadsheets read; figures a session lacks are
// empty; the driver's name is the last column. The serial number, the driver's name and the file name, the device's and the folder's text, carry control
// characters as \xHH, and get a leading ' where they begin with =, +, - or @ (which a
// spreadsheet would take for a formula).
QByteArray csvText(const std::vector<Session> &sessions, const QLocale &locale = QLocale());

// The chart points (Store::plot): x is the arrival in milliseconds since 1970 (UTC), y the figure
// (seconds; the red-light rate in percent). Sessions without the figure have no point.
struct Plot {
    QList<QPointF> average, best, spread, redRate;
    std::array<QList<QPointF>, 4> shiftAverage;
};
// One point per session of `sessions`, for a report that prints them all.
Plot plotOf(const std::vector<Session> &sessions);

} // namespace history
