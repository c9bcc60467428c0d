#pragma once

#include "stats/RunFile.h"

#include <QByteArray>

#include <array>
#include <cstdint>
#include <vector>

// Run files as the device writes them: fixed-width ASCII digit fields, each followed by one
// separator byte, times in thousandths of a second.
//
//   offset 0 + 6(r-1)      reaction time of run r (5 digits), r = 1..50
//   300 / 304 / 308        runs recorded, wins, red lights (3 digits each)
//   312 / 318              average and spread of the reaction times (5 digits each)
//   324 + 6(N-1)           average of shift N (5 digits); a short file holds shift 1 only
//   348 + 24(r-1) + 6(N-1) shift N time of run r (5 digits)
//   1548 + 4(r-1)          bump count of run r (3 digits)
//
// A full file is 1748 bytes (firmware 1.24 on), a short one 330 (older firmware), a rallycross
// file 323: it stops after the spread, without a separator.
namespace sim {

inline constexpr int kRunSlots = 50;
// A run-1 shift time of 10.000 s marks an unused shift column; 255 bumps mark "no bump data".
inline constexpr int kShiftUnused = 10000;
inline constexpr int kNoBumps = 255;

enum class RunFileKind { Full, Short, Rallycross };

struct RunValues {
    int reaction = 0;                                    // thousandths
    std::array<int, 4> shifts{kShiftUnused, kShiftUnused, kShiftUnused, kShiftUnused};
    int bumps = kNoBumps;
};

struct RunFileValues {
    std::vector<RunValues> runs; // slots 1.. in order; missing slots are written as zeros
    int runCount = 0;            // may exceed 50: only the first 50 runs have slots
    int wins = 0;
    int reds = 0;
    int average = 0;
    int spread = 0;
    std::array<int, 4> shiftAverages{kShiftUnused, kShiftUnused, kShiftUnused, kShiftUnused};
};

// `value` as `width` decimal digits with leading zeros (kept to the width's range).
QByteArray digitField(int value, int width);

// The bytes of a run file of the given kind; `separator` follows every field but the last of a
// rallycross file.
QByteArray encodeRunFile(const RunFileValues &values, RunFileKind kind, char separator = ',');

// A plausible practice session: reaction times near 0.5 s with a spread, a few red lights (leaving
// before the light, under 0.5 s), shift times for `shiftColumns` shifts, bump counts; the counts,
// average, spread and shift averages worked out from the runs as the device does.
RunFileValues generateSession(std::uint32_t seed, int runCount, int shiftColumns = 3, bool withBumps = true);

} // namespace sim
