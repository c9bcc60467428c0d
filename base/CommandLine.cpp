#include "base/CommandLine.h"

#include <QCommandLineParser>
#include <QFileDevice>

#include <algorithm>

namespace cmdline {

namespace {

QString bare(const QString &name)
{
    return name.mid(name.startsWith(QLatin1String("--")) ? 2 : 1);
}

const OptionSpec *find(const std::vector<OptionSpec> &options, const QString &spelled)
{
    for (const OptionSpec &o : options)
        if (o.name == spelled || (!o.shortName.isEmpty() && o.shortName == spelled))
            return &o;
    return nullptr;
}

// Where an option is spelled on the command line, and how: "--fast", "-o".
struct Spelling {
    qsizetype at = -1;
    QString name;
};

// The first argument before "--" that names an option `options` does not have. Qt takes "-port"
// as "--port"; this program knows single dashes only for the short names.
Spelling firstUnknown(const QStringList &args, const std::vector<OptionSpec> &options)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--"))
            break;
        if (!arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-"))
            continue;
        const QString name = arg.section(QLatin1Char('='), 0, 0);
        const OptionSpec *option = find(options, name);
        if (!option)
            return {i, name};
        if (!option->valueName.isEmpty() && !arg.contains(QLatin1Char('=')))
            ++i; // its value, whatever it looks like
    }
    return {};
}

} // namespace

Arguments parse(const QStringList &args, const std::vector<OptionSpec> &options, bool ignoreUnknown)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OptionSpec &o : options) {
        QStringList names{bare(o.name)};
        if (!o.shortName.isEmpty())
            names.prepend(bare(o.shortName));
        QCommandLineOption option(names);
        option.setValueName(o.valueName);
        parser.addOption(option);
    }
    const bool parsed = parser.parse(QStringList{QStringLiteral("program")} + args);

    const Spelling unknown = firstUnknown(args, options);
    // Qt names the argument of a missing or unexpected value in quotes: "Missing value after '--port'."
    const QString text = parser.errorText();
    const qsizetype open = text.indexOf(QLatin1Char('\'')), close = text.lastIndexOf(QLatin1Char('\''));
    const OptionSpec *valueError = nullptr;
    qsizetype valueErrorAt = args.size();
    if (!parsed && open >= 0 && close > open) {
        const QString spelled = text.mid(open + 1, close - open - 1);
        valueError = find(options, spelled);
        if (valueError)
            valueErrorAt = std::max<qsizetype>(args.indexOf(spelled), 0);
    }
    if (!ignoreUnknown && unknown.at >= 0 && unknown.at < valueErrorAt)
        throw UsageError(QStringLiteral("unknown option %1").arg(unknown.name));
    if (valueError)
        throw UsageError(QString::fromLatin1(valueError->valueName.isEmpty() ? "%1 takes no value" : "%1 needs a value")
                             .arg(valueError->name));

    Arguments arguments;
    for (const OptionSpec &o : options) {
        if (parser.isSet(bare(o.name)))
            arguments.values[o.name] = o.valueName.isEmpty() ? QString() : parser.value(bare(o.name));
    }
    arguments.words = parser.positionalArguments();
    return arguments;
}

QString optionLine(const OptionSpec &o)
{
    QString names = o.shortName.isEmpty() ? o.name : o.shortName + QStringLiteral(", ") + o.name;
    if (!o.valueName.isEmpty())
        names += QLatin1Char(' ') + o.valueName;
    return QStringLiteral("  %1  %2\n").arg(names, -22).arg(o.help);
}

QString outputFailure(QTextStream &out)
{
    out.flush();
    if (out.status() == QTextStream::Ok)
        return {};
    // The write that failed may lie some lines back; the stream's file kept its words.
    const auto *file = qobject_cast<const QFileDevice *>(out.device());
    const QString reason = file && file->error() != QFileDevice::NoError ? file->errorString().toLower()
                                                                          : QStringLiteral("input/output error");
    return QStringLiteral("cannot write standard output: %1").arg(reason);
}

} // namespace cmdline
