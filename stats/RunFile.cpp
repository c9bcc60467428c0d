#include "stats/RunFile.h"

#include "base/Errors.h"
#include "base/Files.h"


#include <algorithm>
#include <cmath>

namespace runfile {

std::int32_t digitValue(const QByteArray &data, int offset, int width)
{
    // Unsigned arithmetic wraps like the device's signed 32-bit sums without undefined behaviour.
    std::uint32_t v = 0;
    for (int i = offset; i < offset + width; ++i) {
        const int byte = i >= 0 && i < data.size() ? static_cast<unsigned char>(data.at(i)) : 0;
        v = v * 10u + static_cast<std::uint32_t>(byte - 48);
    }
    return static_cast<std::int32_t>(v);
}

QString Count::text() const
{
    if (!value)
        throw conversionError(field);
    return QString::number(*value);
}

int Count::runs() const
{
    if (!value)
        throw conversionError(field);
    return std::min(*value, kRuns);
}

Count countField(const QByteArray &data, int offset)
{
    Count count;
    for (int i = offset; i < offset + 3; ++i)
        count.field.append(QChar(i < data.size() ? static_cast<unsigned char>(data.at(i)) : 0));
    try {
        count.value = strToInt(count.field);
    } catch (const AppError &) {
        count.value.reset();
    }
    return count;
}

namespace {
QString threeDecimal(std::int64_t t)
{
    QString text;
    if (t > 999) {
        text = QString::number(t / 1000);
        t %= 1000;
    }
    return text + QLatin1Char('.') + QString::number(t).rightJustified(3, QLatin1Char('0'));
}
} // namespace

QString plainThreeDecimal(std::int32_t t)
{
    return threeDecimal(t);
}

QString signedThreeDecimal(std::int32_t t)
{
    if (t < 0)
        return QLatin1Char('-') + threeDecimal(-static_cast<std::int64_t>(t));
    return threeDecimal(t);
}

double runValue(std::int32_t t)
{
    // The text spells t / 1000 exactly, and both the division and reading the text round to the
    // nearest double: the same value, never the locale's, without making the text.
    return t / 1000.0;
}

double shiftTime(std::int32_t t)
{
    return t / 1000.0;
}

QString shiftAverageText(double x, const QLocale &locale)
{
    if (x == 0.0 || !std::isfinite(x))
        return QStringLiteral("0");
    const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(x))));
    const int decimals = std::max(0, 4 - 1 - magnitude);
    QString text = QString::number(x, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text.replace(QLatin1Char('.'), locale.decimalPoint());
}

RunFile decode(const QByteArray &bytes, const QLocale &locale)
{
    const QByteArray data = bytes.left(kFullSize);
    RunFile file;
    file.full = data.size() > kShortSize;
    file.hasShiftAverage1 = data.size() >= shiftAverageOffset(1) + 5;
    for (int r = 1; r <= kRuns; ++r)
        file.rt[r] = runValue(digitValue(data, rtOffset(r), 5));
    file.runs = countField(data, kRunCountOffset);
    file.wins = countField(data, kWinCountOffset);
    file.reds = countField(data, kRedCountOffset);

    const std::int32_t average = digitValue(data, kAverageOffset, 5);
    file.spread = plainThreeDecimal(digitValue(data, kSpreadOffset, 5));
    const QString na = QStringLiteral("N/A");
    if (file.full) {
        file.average = average > 9999 ? na : plainThreeDecimal(average);
        for (int n = 1; n <= 4; ++n) {
            const std::int32_t t = digitValue(data, shiftAverageOffset(n), 5);
            file.shiftAverage[n - 1] = t > 9999 ? na : shiftAverageText(t / 1000.0, locale);
        }
        for (int r = 1; r <= kRuns; ++r) {
            for (int n = 1; n <= 4; ++n)
                file.shift[n - 1][r] = shiftTime(digitValue(data, shiftOffset(r, n), 5));
            file.bump[r] = digitValue(data, bumpOffset(r), 3);
        }
    } else {
        file.average = signedThreeDecimal(average);
        const std::int32_t t = digitValue(data, shiftAverageOffset(1), 5);
        // A rallycross file ends before the field: no value rather than a decoded end of file.
        file.shiftAverage[0] = !file.hasShiftAverage1 || t == 10000 ? na : signedThreeDecimal(t);
        file.shiftAverage[1] = file.shiftAverage[2] = file.shiftAverage[3] = na;
        file.bump.fill(kNoBump);
    }
    return file;
}

QByteArray readRunFile(const QString &path)
{
    return files::readFile(path, kFullSize);
}

Runs runsOf(const RunFile &file)
{
    Runs runs;
    runs.rt = file.rt;
    if (file.full) {
        runs.shift = file.shift;
        runs.bump = file.bump;
    } else {
        for (Reals &column : runs.shift)
            column[1] = kAbsentShift;
        runs.bump.fill(kNoBump);
    }
    return runs;
}

QStringList shownFigures(const RunFile &file)
{
    return {file.runs.text(), file.reds.text(), file.wins.text(), file.average, file.spread,
            file.shiftAverage[0], file.shiftAverage[1], file.shiftAverage[2], file.shiftAverage[3]};
}

} // namespace runfile
