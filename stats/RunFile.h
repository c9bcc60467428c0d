#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

// Decoding of the device's run files: fixed-width ASCII digit fields, times in thousandths of a
// second. A full run file is 1748 bytes; short (330 bytes, firmware below 1.24) and rallycross
// (323 bytes) files stop after the totals.
namespace runfile {

constexpr int kFullSize = 1748;
constexpr int kShortSize = 330;
constexpr int kRallycrossSize = 323;
constexpr int kRuns = 50;

// Index 1 to 50, element 0 unused; the same shapes as the window's run arrays.
using Reals = std::array<double, kRuns + 1>;
using Counts = std::array<std::int32_t, kRuns + 1>;

// A shift column whose run-1 time is exactly this many seconds is not in use.
constexpr double kAbsentShift = 10.0;
// A bump count of this value means the run has no bump count.
constexpr std::int32_t kNoBump = 255;

// Offsets of the fields.
constexpr int rtOffset(int run) { return 6 * (run - 1); }
constexpr int kRunCountOffset = 300, kWinCountOffset = 304, kRedCountOffset = 308;
constexpr int kAverageOffset = 312, kSpreadOffset = 318;
constexpr int shiftAverageOffset(int shift) { return 324 + 6 * (shift - 1); }
constexpr int shiftOffset(int run, int shift) { return 348 + 24 * (run - 1) + 6 * (shift - 1); }
constexpr int bumpOffset(int run) { return 1548 + 4 * (run - 1); }

// Every byte counts as its code minus 48, digit or not; bytes past the end of `data` count as
// zero bytes (-48).
std::int32_t digitValue(const QByteArray &data, int offset, int width);

// A 3-character count field read as a decimal integer; nullopt when it is not one.
struct Count {
    QString field; // the three characters as they are in the file
    std::optional<int> value;
    // The value in plain decimal ("062" gives "62"); throws the conversion error.
    QString text() const;
    // The value capped at 50; throws the conversion error.
    int runs() const;
};
Count countField(const QByteArray &data, int offset);

// ".512", "1.512", "2.000": whole part only above 999.
QString plainThreeDecimal(std::int32_t t);
// As plainThreeDecimal, with a leading "-" for a negative value.
QString signedThreeDecimal(std::int32_t t);
// The signed three-decimal text read with "." as the decimal point: t / 1000 in seconds.
double runValue(std::int32_t t);
double shiftTime(std::int32_t t);
// At most 4 significant digits, fixed notation, no trailing zeros, the locale's separator.
QString shiftAverageText(double x, const QLocale &locale = QLocale());

// One run file, decoded. Which parts the window takes depends on the layout and the mode.
struct RunFile {
    bool full = false;       // longer than 330 bytes
    bool hasShiftAverage1 = false; // long enough to hold the shift-1 average field
    Reals rt{};
    std::array<Reals, 4> shift{}; // full layout only
    Counts bump{};                // full layout only
    Count runs, wins, reds;
    QString average, spread;
    std::array<QString, 4> shiftAverage; // the four labels' texts
};
// `bytes` is the file's content; only its first 1748 bytes are read.
RunFile decode(const QByteArray &bytes, const QLocale &locale = QLocale());

// A loaded file's runs as the window's load sets its run arrays: a short or rallycross file marks
// every shift column absent (kAbsentShift in run 1) and has no bump counts (kNoBump).
struct Runs {
    Reals rt{};
    std::array<Reals, 4> shift{};
    Counts bump{};
};
Runs runsOf(const RunFile &file);

// The nine figures of `file` as the labels show them: runs, reds, wins, average, spread and the
// four shift averages; what Export, the report and the tool take after loading it on its own.
// Throws the conversion error of a count field that is not a number, as the load does.
QStringList shownFigures(const RunFile &file);

// The first 1748 bytes of a file; throws the file error when it cannot be opened or read.
QByteArray readRunFile(const QString &path);

} // namespace runfile
