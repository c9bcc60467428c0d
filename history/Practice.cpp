#include "history/Practice.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace history {

int binOf(double seconds)
{
    // Times come with three decimals: 0.510 is in the bin from 0.510, whatever its binary value.
    // A hostile file's time far off the scale falls in the bin at its end.
    return int(std::floor(std::clamp(seconds, -100.0, 100.0) / kBinWidth + 1e-6));
}

Distribution distributionOf(const std::vector<Session> &sessions, const std::vector<std::vector<double>> &times)
{
    Distribution d;
    for (size_t i = 0; i < sessions.size() && i < times.size(); ++i) {
        std::vector<double> rt = times[i];
        std::sort(rt.begin(), rt.end());
        const Session &s = sessions[i];
        const size_t reds = s.figures ? size_t(std::clamp(s.figures->reds, 0, int(rt.size()))) : 0;
        d.reds += int(reds);
        d.runs += int(rt.size());
        for (size_t r = reds; r < rt.size(); ++r)
            if (std::isfinite(rt[r]))
                ++d.bins[binOf(rt[r])];
    }
    return d;
}

Bests bestsOf(const std::vector<Session> &sessions, const std::optional<Goal> &goal)
{
    Bests b;
    const auto lower = [](std::optional<Best> &best, const std::optional<double> &value, const Session &s) {
        if (value && (!best || *value < best->value))
            best = Best{*value, &s};
    };
    int run = 0;
    for (const Session &s : sessions) {
        if (!s.figures)
            continue;
        lower(b.average, s.figures->average, s);
        lower(b.reaction, s.figures->best, s);
        lower(b.spread, s.figures->spread, s);
        run = goal && metGoal(s, *goal) ? run + 1 : 0;
        if (run > b.streak) {
            b.streak = run;
            b.streakEnd = &s;
        }
    }
    return b;
}

GoalCount goalCount(const std::vector<Session> &sessions, const Goal &goal, int last)
{
    GoalCount count;
    for (auto it = sessions.rbegin(); it != sessions.rend() && count.of < last; ++it) {
        if (!it->figures)
            continue;
        ++count.of;
        count.met += metGoal(*it, goal) ? 1 : 0;
    }
    return count;
}

QString driverNameProblem(const QString &name)
{
    if (name.size() > kLongestDriverName)
        return QStringLiteral("a driver's name is at most %1 characters").arg(kLongestDriverName);
    if (name != name.trimmed())
        return QStringLiteral("a driver's name neither begins nor ends with a space");
    for (const QChar ch : name)
        if (ch.category() == QChar::Other_Control || ch.category() == QChar::Other_Format)
            return QStringLiteral("a driver's name holds no control characters");
    return {};
}

std::optional<double> goalSeconds(const QString &text)
{
    QString plain = text.trimmed();
    plain.replace(QLatin1Char(','), QLatin1Char('.'));
    static const QRegularExpression kSeconds(QStringLiteral("^[0-9]{1,2}(\\.[0-9]{0,3})?$|^\\.[0-9]{1,3}$"));
    if (!kSeconds.match(plain).hasMatch())
        return std::nullopt;
    const double value = plain.toDouble();
    if (value > 10.0)
        return std::nullopt;
    return value;
}

QString goalCountText(const GoalCount &count)
{
    if (count.of == 0)
        return QStringLiteral("No session to measure against the goal yet");
    return QStringLiteral("%1 of the last %2 %3 met the goal")
        .arg(count.met)
        .arg(count.of)
        .arg(count.of == 1 ? QStringLiteral("session") : QStringLiteral("sessions"));
}

QStringList summaryLines(const Bests &bests, const Distribution &distribution, const std::optional<Goal> &goal,
                         const QLocale &locale)
{
    const auto seconds = [&locale](double value) { return locale.toString(value, 'f', 3); };
    const auto where = [&locale](const Session *s) {
        return QStringLiteral("%1, %2").arg(locale.toString(s->arrived, QLocale::ShortFormat), s->fileName());
    };
    QStringList lines;
    lines << (goal ? QStringLiteral("Goal: average %1 s, spread %2 s").arg(seconds(goal->average), seconds(goal->spread))
                   : QStringLiteral("Goal: none"));
    const auto best = [&](const QString &name, const std::optional<Best> &b) {
        lines << (b ? QStringLiteral("%1: %2 s (%3)").arg(name, seconds(b->value), where(b->session))
                    : QStringLiteral("%1: none").arg(name));
    };
    best(QStringLiteral("Best average"), bests.average);
    best(QStringLiteral("Fastest reaction"), bests.reaction);
    best(QStringLiteral("Lowest spread"), bests.spread);
    if (goal)
        lines << (bests.streakEnd ? QStringLiteral("Longest streak meeting the goal: %1 (to %2)")
                                        .arg(bests.streak)
                                        .arg(where(bests.streakEnd))
                                  : QStringLiteral("Longest streak meeting the goal: none"));
    lines << QStringLiteral("Reaction times: %1 runs, %2 red lights").arg(distribution.runs).arg(distribution.reds);
    int most = 0;
    for (const auto &[bin, count] : distribution.bins)
        most = std::max(most, count);
    for (const auto &[bin, count] : distribution.bins) {
        const int bar = most > 0 ? std::max(1, count * 40 / most) : 0;
        lines << QStringLiteral("%1-%2 s %3 %4")
                     .arg(seconds(bin * kBinWidth), seconds((bin + 1) * kBinWidth))
                     .arg(count, 5)
                     .arg(QString(bar, QLatin1Char('#')));
    }
    return lines;
}

} // namespace history
