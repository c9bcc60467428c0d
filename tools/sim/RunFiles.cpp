#include "tools/sim/RunFiles.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace sim {

QByteArray digitField(int value, int width)
{
    int limit = 1;
    for (int i = 0; i < width; ++i)
        limit *= 10;
    value = std::clamp(value, 0, limit - 1);
    return QByteArray::number(value).rightJustified(width, '0');
}

QByteArray encodeRunFile(const RunFileValues &values, RunFileKind kind, char separator)
{
    QByteArray out;
    out.reserve(runfile::kFullSize);
    const auto field = [&](int value, int width) {
        out += digitField(value, width);
        out += separator;
    };
    const auto run = [&](int slot) {
        return slot < int(values.runs.size()) ? values.runs[size_t(slot)] : RunValues{0, {0, 0, 0, 0}, 0};
    };

    for (int r = 0; r < kRunSlots; ++r)
        field(run(r).reaction, 5);
    field(values.runCount, 3);
    field(values.wins, 3);
    field(values.reds, 3);
    field(values.average, 5);
    field(values.spread, 5);
    if (kind == RunFileKind::Rallycross) {
        out.chop(1); // the last field has no separator
        return out;
    }
    field(values.shiftAverages[0], 5);
    if (kind == RunFileKind::Short)
        return out;
    for (int n = 1; n < 4; ++n)
        field(values.shiftAverages[size_t(n)], 5);
    for (int r = 0; r < kRunSlots; ++r)
        for (int n = 0; n < 4; ++n)
            field(run(r).shifts[size_t(n)], 5);
    for (int r = 0; r < kRunSlots; ++r)
        field(run(r).bumps, 3);
    return out;
}

RunFileValues generateSession(std::uint32_t seed, int runCount, int shiftColumns, bool withBumps)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> reaction(530.0, 30.0);
    std::uniform_int_distribution<int> early(440, 498);
    std::uniform_int_distribution<int> percent(0, 99);
    std::normal_distribution<double> jitter(0.0, 60.0);
    std::poisson_distribution<int> bumps(1.2);
    // Typical moments of the shifts after the launch, thousandths.
    constexpr std::array<int, 4> kShiftAt{1650, 3300, 5150, 7200};

    RunFileValues values;
    values.runCount = runCount;
    const int filled = std::min(runCount, kRunSlots);
    double sum = 0, sumSquares = 0;
    std::array<double, 4> shiftSums{};
    for (int r = 0; r < filled; ++r) {
        RunValues run;
        const bool red = percent(random) < 8;
        if (red) {
            run.reaction = early(random);
        } else {
            do // a driver who does not leave early reacts at 0.500 s or later
                run.reaction = int(std::lround(reaction(random)));
            while (run.reaction < 500);
        }
        if (red)
            ++values.reds;
        else if (percent(random) < 55)
            ++values.wins;
        for (int n = 0; n < 4; ++n) {
            if (n < shiftColumns) {
                run.shifts[size_t(n)] = std::max(100, kShiftAt[size_t(n)] + int(std::lround(jitter(random))));
                shiftSums[size_t(n)] += run.shifts[size_t(n)];
            }
        }
        run.bumps = withBumps ? std::min(bumps(random), 9) : kNoBumps;
        sum += run.reaction;
        sumSquares += double(run.reaction) * run.reaction;
        values.runs.push_back(run);
    }
    if (filled > 0) {
        const double mean = sum / filled;
        values.average = int(std::lround(mean));
        values.spread = int(std::lround(std::sqrt(std::max(0.0, sumSquares / filled - mean * mean))));
        for (int n = 0; n < shiftColumns && n < 4; ++n)
            values.shiftAverages[size_t(n)] = int(std::lround(shiftSums[size_t(n)] / filled));
    }
    return values;
}

} // namespace sim
