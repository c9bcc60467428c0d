#include "history/Sessions.h"

#include "base/Errors.h"

#include "stats/CsvExport.h"
#include "stats/Readout.h"

#include <QFileInfo>
#include <QTextStream>

#include <algorithm>

namespace history {

namespace {

// A figure's text as the decoder writes it with the C locale (".512", "-.512", "1.23", "N/A").
std::optional<double> seconds(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

QString timeOrNA(const std::optional<double> &value, const QLocale &locale)
{
    return value ? readout::timeText(*value, locale) : QStringLiteral("N/A");
}

// A text from the device or the folder, as a CSV field a spreadsheet takes as text: control
// characters as \xHH (as the tool's table shows them), and a leading ' where it would begin a
// formula.
QString csvSafe(const QString &text)
{
    const QString shown = printable(text);
    if (!shown.isEmpty() && QStringView(u"=+-@").contains(shown.front()))
        return QLatin1Char('\'') + shown;
    return shown;
}

} // namespace

std::optional<double> Figures::redRate() const
{
    if (runs <= 0)
        return std::nullopt;
    return double(reds) / runs;
}

std::optional<double> bestReaction(const runfile::RunFile &file, int reds)
{
    if (!file.runs.value)
        return std::nullopt;
    const int n = std::min(*file.runs.value, runfile::kRuns);
    std::vector<double> times;
    for (int r = 1; r <= n; ++r)
        times.push_back(file.rt[r]);
    const auto skip = size_t(std::max(reds, 0));
    if (skip >= times.size())
        return std::nullopt;
    std::nth_element(times.begin(), times.begin() + qsizetype(skip), times.end());
    return times[skip];
}

std::optional<Figures> figuresOf(const runfile::RunFile &file)
{
    if (!file.runs.value || !file.wins.value || !file.reds.value)
        return std::nullopt;
    Figures f;
    f.runs = *file.runs.value;
    f.wins = *file.wins.value;
    f.reds = *file.reds.value;
    f.average = seconds(file.average);
    f.spread = seconds(file.spread);
    f.best = bestReaction(file, f.reds);
    for (int k = 0; k < 4; ++k)
        f.shiftAverage[size_t(k)] = seconds(file.shiftAverage[size_t(k)]);
    return f;
}

QString Session::fileName() const
{
    return QFileInfo(path).fileName();
}

QStringList tableHeader()
{
    return {QStringLiteral("Date"), QStringLiteral("Device"), QStringLiteral("File"), QStringLiteral("Runs"),
            QStringLiteral("Reds"), QStringLiteral("Wins"), QStringLiteral("Average"), QStringLiteral("Spread")};
}

QStringList tableRow(const Session &session, const QLocale &locale)
{
    QStringList row{locale.toString(session.arrived, QLocale::ShortFormat),
                    session.serial.isEmpty() ? kUnknownDevice : session.serial, session.fileName()};
    if (!session.figures)
        return row << kNoFigures << QString() << QString() << QString() << QString();
    const Figures &f = *session.figures;
    return row << QString::number(f.runs) << QString::number(f.reds) << QString::number(f.wins)
               << timeOrNA(f.average, locale) << timeOrNA(f.spread, locale);
}

namespace {

// A cell as the table shows it: control characters as \xHH, and cut with an ellipsis past
// kTableCellWidth, so one huge name cannot widen every row.
QString tableCell(const QString &text)
{
    QString shown = printable(text.left(kTableCellWidth + 1));
    if (shown.size() > kTableCellWidth)
        shown = shown.left(kTableCellWidth - 1) + QChar(0x2026);
    return shown;
}

QStringList tableCells(const QStringList &row)
{
    QStringList cells;
    for (const QString &cell : row)
        cells.append(tableCell(cell));
    return cells;
}

} // namespace

void writeTable(QTextStream &out, const std::vector<Session> &sessions, const QLocale &locale)
{
    // The widths first, then each row made again and written: nothing but one row is held.
    std::array<qsizetype, kTableColumns> widths{};
    const auto measure = [&widths](const QStringList &cells) {
        for (int c = 0; c < kTableColumns; ++c)
            widths[size_t(c)] = std::max(widths[size_t(c)], cells.at(c).size());
    };
    measure(tableHeader());
    for (const Session &session : sessions)
        measure(tableCells(tableRow(session, locale)));
    const auto write = [&](const QStringList &row) {
        QStringList cells;
        for (int c = 0; c < kTableColumns; ++c) {
            const int width = int(widths[size_t(c)]);
            // Date, device and file to the left, the figures to the right.
            cells.append(c < 3 ? row.at(c).leftJustified(width) : row.at(c).rightJustified(width));
        }
        // No spaces after the last column.
        out << cells.join(QStringLiteral("  ")).trimmed() << '\n';
    };
    write(tableHeader());
    for (const Session &session : sessions)
        write(tableCells(tableRow(session, locale)));
}

QString tableText(const std::vector<Session> &sessions, const QLocale &locale)
{
    QString text;
    QTextStream out(&text);
    writeTable(out, sessions, locale);
    out.flush();
    return text;
}

QByteArray csvText(const std::vector<Session> &sessions, const QLocale &locale)
{
    QStringList lines{QStringLiteral("Date, Device, File, Runs, Reds, Wins, Average, Spread, Driver")};
    const auto number = [&locale](const std::optional<double> &value) {
        return value ? csv::generalNumber(*value, locale) : QString();
    };
    for (const Session &session : sessions) {
        QStringList fields{session.arrived.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), csvSafe(session.serial),
                           csvSafe(session.fileName())};
        if (session.figures) {
            const Figures &f = *session.figures;
            fields << QString::number(f.runs) << QString::number(f.reds) << QString::number(f.wins)
                   << number(f.average) << number(f.spread);
        } else {
            fields << QString() << QString() << QString() << QString() << QString();
        }
        fields << csvSafe(session.driver);
        for (QString &field : fields)
            field = csv::field(field);
        lines.append(fields.join(QLatin1Char(',')));
    }
    return (lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n")).toLocal8Bit();
}

bool metGoal(const Session &session, const Goal &goal)
{
    return session.figures && metGoal(*session.figures, goal);
}

bool metGoal(const Figures &figures, const Goal &goal)
{
    if (!figures.average || !figures.spread)
        return false;
    // Figures the file wrote with three decimals: a goal of 0.510 is met by 0.510.
    constexpr double kSlack = 5e-7;
    return *figures.average <= goal.average + kSlack && *figures.spread <= goal.spread + kSlack;
}

Plot plotOf(const std::vector<Session> &sessions)
{
    Plot plot;
    for (const Session &session : sessions) {
        if (!session.figures)
            continue;
        const Figures &f = *session.figures;
        const auto x = double(session.arrived.toMSecsSinceEpoch());
        const auto add = [x](QList<QPointF> &points, const std::optional<double> &y) {
            if (y)
                points.append(QPointF(x, *y));
        };
        add(plot.average, f.average);
        add(plot.best, f.best);
        add(plot.spread, f.spread);
        if (const std::optional<double> rate = f.redRate())
            plot.redRate.append(QPointF(x, *rate * 100.0));
        for (size_t k = 0; k < 4; ++k)
            add(plot.shiftAverage[k], f.shiftAverage[k]);
    }
    return plot;
}

} // namespace history
