// Reading the command line and the help texts.

#include "tools/cli/Arguments.h"

namespace cli {

using cmdline::optionLine;

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

} // namespace cli
