#include "history/Practice.h"

#include "stats/RunFile.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace history {

Bars barsOf(const Distribution &distribution, int most)
{
    Bars bars;
    if (distribution.bins.empty() || most <= 0)
        return bars;
    bars.first = distribution.bins.begin()->first;
    const int last = std::min(distribution.bins.rbegin()->first, bars.first + most - 1);
    bars.counts.assign(size_t(last - bars.first + 1), 0);
    for (const auto &[bin, count] : distribution.bins)
        bars.counts[size_t(std::min(bin, last) - bars.first)] += count;
    return bars;
}

int binOf(double seconds)
{
    return int(std::floor(std::clamp(seconds, -100.0, 100.0) / kBinWidth + 1e-6));
}

namespace {

// The runs, the red lights, then (bin, count) pairs: 32-bit integers, least significant byte first.
constexpr int kMostBinned = 2 + 2 * runfile::kRuns;

void append(QByteArray &bytes, qint32 value)
{
    const quint32 u = quint32(value);
    for (int shift = 0; shift < 32; shift += 8)
        bytes.append(char((u >> shift) & 0xFF));
}

qint32 at(QByteArrayView bytes, qsizetype index)
{
    quint32 u = 0;
    for (int i = 0; i < 4; ++i)
        u |= quint32(quint8(bytes[index * 4 + i])) << (8 * i);
    return qint32(u);
}

} // namespace

QByteArray binnedTimes(std::vector<double> times, int reds)
{
    if (times.size() > size_t(runfile::kRuns))
        times.resize(size_t(runfile::kRuns));
    std::sort(times.begin(), times.end(), [](double a, double b) { return std::isnan(b) ? !std::isnan(a) : a < b; });
    const size_t red = size_t(std::clamp(reds, 0, int(times.size())));
    std::map<int, int> bins;
    for (size_t r = red; r < times.size(); ++r)
        if (std::isfinite(times[r]))
            ++bins[binOf(times[r])];
    QByteArray bytes;
    append(bytes, qint32(times.size()));
    append(bytes, qint32(red));
    for (const auto &[bin, count] : bins) {
        append(bytes, bin);
        append(bytes, count);
    }
    return bytes;
}

void addBinnedTimes(Distribution &distribution, QByteArrayView binned)
{
    const qsizetype values = binned.size() / 4;
    if (binned.size() % 4 != 0 || values < 2 || values > kMostBinned || values % 2 != 0)
        return;
    const qint32 runs = at(binned, 0), reds = at(binned, 1);
    qint64 binnedRuns = 0;
    for (qsizetype i = 2; i < values; i += 2) {
        const qint32 bin = at(binned, i), count = at(binned, i + 1);
        if (count <= 0 || bin < binOf(-100.0) || bin > binOf(100.0))
            return;
        binnedRuns += count;
    }
    if (runs < 0 || runs > runfile::kRuns || reds < 0 || reds + binnedRuns > runs)
        return;
    distribution.runs += runs;
    distribution.reds += reds;
    for (qsizetype i = 2; i < values; i += 2)
        distribution.bins[at(binned, i)] += at(binned, i + 1);
}

PracticeTally::PracticeTally(const std::optional<Goal> &goal, int last) : m_goal(goal), m_last(std::max(last, 1)) {}

void PracticeTally::add(qint64 session, const Figures &figures)
{
    const auto lower = [session](std::optional<Found> &found, const std::optional<double> &value) {
        if (value && (!found || *value < found->value))
            found = Found{*value, session};
    };
    lower(m_average, figures.average);
    lower(m_reaction, figures.best);
    lower(m_spread, figures.spread);
    if (!m_goal)
        return;
    const bool met = metGoal(figures, *m_goal);
    m_run = met ? m_run + 1 : 0;
    if (m_run > m_streak) {
        m_streak = m_run;
        m_streakEnd = session;
    }
    m_recent.push_back(met);
    if (int(m_recent.size()) > m_last)
        m_recent.pop_front();
}

GoalCount PracticeTally::goalCount() const
{
    return {int(std::count(m_recent.begin(), m_recent.end(), true)), int(m_recent.size())};
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

QStringList bestsLines(const Practice &practice, const std::optional<Goal> &goal, const QLocale &locale)
{
    const auto seconds = [&locale](double value) { return locale.toString(value, 'f', 3); };
    const auto where = [&locale](const Session &s) {
        return QStringLiteral("%1, %2").arg(locale.toString(s.arrived, QLocale::ShortFormat), s.fileName());
    };
    const Bests &bests = practice.bests;
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
    if (goal) {
        lines << (bests.streakEnd ? QStringLiteral("Longest streak meeting the goal: %1 (to %2)")
                                        .arg(bests.streak)
                                        .arg(where(*bests.streakEnd))
                                  : QStringLiteral("Longest streak meeting the goal: none"));
        lines << goalCountText(practice.goalCount.value_or(GoalCount{}));
    }
    return lines;
}

QStringList summaryLines(const Practice &practice, const std::optional<Goal> &goal, const QLocale &locale)
{
    const auto seconds = [&locale](double value) { return locale.toString(value, 'f', 3); };
    QStringList lines = bestsLines(practice, goal, locale);
    const Distribution &distribution = practice.distribution;
    lines << QStringLiteral("Reaction times: %1 runs, %2 red lights").arg(distribution.runs).arg(distribution.reds);
    int most = 0;
    for (const auto &[bin, count] : distribution.bins)
        most = std::max(most, count);
    for (const auto &[bin, count] : distribution.bins) {
        const int bar = most > 0 ? std::max(1, int(qint64(count) * 40 / most)) : 0;
        lines << QStringLiteral("%1-%2 s %3 %4")
                     .arg(seconds(bin * kBinWidth), seconds((bin + 1) * kBinWidth))
                     .arg(count, 5)
                     .arg(QString(bar, QLatin1Char('#')));
    }
    return lines;
}

} // namespace history
