// Reading the command line and the help texts.

#include "tools/cli/Arguments.h"

namespace cli {

namespace {

QString optionLine(const OptionSpec &o)
{
    QString names = o.shortName.isEmpty() ? o.name : o.shortName + QStringLiteral(", ") + o.name;
    if (!o.valueName.isEmpty())
        names += QLatin1Char(' ') + o.valueName;
    return QStringLiteral("  %1  %2\n").arg(names, -22).arg(o.help);
}

} // namespace

QString commandHelp(const Command &c)
{
    QString text = QStringLiteral("Usage: vantrelock %1%2%3 [options]\n\n%4.\n\nOptions:\n")
                       .arg(c.name, c.arguments.isEmpty() ? QString() : QStringLiteral(" "), c.arguments,
                            c.summary.left(1).toUpper() + c.summary.mid(1));
    for (const OptionSpec &o : c.options)
        text += optionLine(o);
    if (c.usesDevice)
        text += optionLine(kPortOption);
    text += optionLine(kHelpOption);
    return text;
}

QString toolHelp()
{
    QString text = QStringLiteral(
        "Usage: vantrelock COMMAND [options]\n\n"
        "The Vantrelock practice tree from the command line: the same exchanges, files and\n"
        "conversions as the Vantrelock Mirelon window.\n\nCommands:\n");
    for (const Command &c : commands()) {
        const QString usage = c.arguments.isEmpty() ? c.name : c.name + QLatin1Char(' ') + c.arguments;
        text += QStringLiteral("  %1  %2\n").arg(usage, -28).arg(c.summary);
    }
    text += QStringLiteral("\nOptions:\n") + optionLine(kHelpOption) + optionLine(kVersionOption);
    text += QStringLiteral("\nExit status: 0 done, 1 the device or a file failed, 2 bad arguments.\n"
                           "'vantrelock COMMAND --help' describes a command.\n");
    return text;
}

const Command *findCommand(const QStringList &words)
{
    for (const Command &c : commands()) {
        const QStringList name = c.name.split(QLatin1Char(' '));
        if (words.mid(0, name.size()) == name)
            return &c;
    }
    return nullptr;
}

void parseArguments(const QStringList &args, const Command *command, std::map<QString, QString> &values,
                    QStringList &words)
{
    std::vector<OptionSpec> allowed = {kHelpOption, kPortOption};
    if (command)
        allowed.insert(allowed.end(), command->options.begin(), command->options.end());
    else
        allowed.push_back(kVersionOption);
    bool optionsEnded = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            words.append(arg);
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        const QString name = arg.section(QLatin1Char('='), 0, 0);
        const OptionSpec *option = nullptr;
        for (const OptionSpec &o : allowed) {
            if (o.name == name || (!o.shortName.isEmpty() && o.shortName == name))
                option = &o;
        }
        if (!option) {
            if (!command)
                continue; // judged once the command is known
            throw UsageError(QStringLiteral("unknown option %1").arg(name));
        }
        QString value;
        if (!option->valueName.isEmpty()) {
            if (arg.contains(QLatin1Char('=')))
                value = arg.section(QLatin1Char('='), 1);
            else if (i + 1 < args.size())
                value = args.at(++i);
            else
                throw UsageError(QStringLiteral("%1 needs a value").arg(option->name));
        } else if (arg.contains(QLatin1Char('='))) {
            throw UsageError(QStringLiteral("%1 takes no value").arg(option->name));
        }
        values[option->name] = value;
    }
}

} // namespace cli
