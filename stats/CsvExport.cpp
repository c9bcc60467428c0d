#include "stats/CsvExport.h"

#include "base/Errors.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace csv {

QString generalNumber(double value, const QLocale &locale)
{
    if (value == 0.0)
        return QStringLiteral("0");
    // 15 significant digits: d.dddddddddddddde±x
    const QString scientific = QString::number(value, 'e', 14);
    const bool negative = scientific.startsWith(QLatin1Char('-'));
    const int e = static_cast<int>(scientific.indexOf(QLatin1Char('e')));
    QString digits = scientific.mid(negative ? 1 : 0, e - (negative ? 1 : 0)).remove(QLatin1Char('.'));
    const int exponent = scientific.mid(e + 1).toInt();
    while (digits.size() > 1 && digits.endsWith(QLatin1Char('0')))
        digits.chop(1);
    const QString point = locale.decimalPoint();

    QString text;
    if (exponent < -5 || exponent >= 15) {
        text = digits.left(1);
        if (digits.size() > 1)
            text += point + digits.mid(1);
        text += QLatin1Char('E') + QString::number(exponent);
    } else if (exponent < 0) {
        text = QLatin1Char('0') + point + QString(-exponent - 1, QLatin1Char('0')) + digits;
    } else {
        const int whole = exponent + 1;
        text = digits.left(whole).leftJustified(whole, QLatin1Char('0'));
        if (digits.size() > whole)
            text += point + digits.mid(whole);
    }
    return negative ? QLatin1Char('-') + text : text;
}

QString field(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"'))
        && !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1String("\""), QLatin1String("\"\"")) + QLatin1Char('"');
}

QString localNumber(const QString &text, const QLocale &locale)
{
    static const QRegularExpression pointNumber(QStringLiteral("^(-?)(\\d*)\\.(\\d+)$"));
    const QString separator = locale.decimalPoint();
    if (separator == QLatin1String("."))
        return text;
    const QRegularExpressionMatch match = pointNumber.match(text);
    if (!match.hasMatch())
        return text;
    const QString whole = match.captured(2);
    return match.captured(1) + (whole.isEmpty() ? QStringLiteral("0") : whole) + separator + match.captured(3);
}

QByteArray exportText(const runfile::Runs &runs, const QStringList &statistics, const QLocale &locale)
{
    const QString na = QStringLiteral("N/A");
    QStringList lines;
    lines.append(QStringLiteral("RT, Bump Cnt, Shift 1, Shift 2, Shift 3, Shift 4"));

    bool ok = false;
    int n = statistics.value(0).toInt(&ok);
    if (!ok || n > runfile::kRuns)
        n = runfile::kRuns;
    for (int i = 1; i <= n; ++i) {
        QStringList fields;
        fields.append(field(generalNumber(runs.rt[i], locale)));
        fields.append(runs.bump[i] == runfile::kNoBump ? na : QString::number(runs.bump[i]));
        for (const runfile::Reals &shift : runs.shift)
            fields.append(shift[1] == runfile::kAbsentShift ? na : field(generalNumber(shift[i], locale)));
        lines.append(fields.join(QLatin1Char(',')));
    }

    lines.append(QStringLiteral("Run Count, Red Count, Win Count, Average, Spread, Shift 1 Avg, Shift 2 Avg, "
                                "Shift 3 Avg, Shift 4 Avg"));
    QStringList values;
    for (const QString &text : statistics)
        values.append(field(localNumber(text, locale)));
    lines.append(values.join(QLatin1Char(',')));
    return (lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n")).toLocal8Bit();
}

SaveChoice saveChoice(const QString &chosen)
{
    if (chosen.isEmpty())
        return {};
    const QFileInfo info(chosen);
    const QString name = info.fileName();
    if (info.suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0 && name.size() > 4)
        return {SaveChoice::Action::Write, chosen, {}};
    if (!name.isEmpty() && !name.startsWith(QLatin1Char('.')) && !name.contains(QLatin1Char('.')))
        return {SaveChoice::Action::AskAgain, chosen + QLatin1String(".csv"), {}};
    return {SaveChoice::Action::AskAgain, chosen,
            QStringLiteral("%1 is not a CSV file: Export saves only files ending in .csv.")
                .arg(name.isEmpty() ? chosen : name)};
}

} // namespace csv
