#include "tools/cli/Cli.h"

#include "base/Errors.h"
#include "base/Files.h"
#include "base/Version.h"
#include "base/WorkingFolders.h"
#include "tools/cli/Arguments.h"
#include "tools/cli/Commands.h"


using namespace cli;

namespace {

// Standard output is a file too: what could not be written there (a full disk) fails the
// command, as a file would.
int outputWritten(Context &c, int status)
{
    const QString failure = cmdline::outputFailure(c.io.out);
    if (failure.isEmpty() || status == kExitInterrupted)
        return status;
    c.fail(failure);
    return kExitFailed;
}

} // namespace

int runCli(const QStringList &args, CliIo &io)
{
    const Command *command = nullptr;
    try {
        // Options are judged once the command is known.
        cmdline::Arguments parsed = cmdline::parse(args, {kHelpOption, kPortOption, kVersionOption}, true);
        QStringList &words = parsed.words;
        command = findCommand(words);
        if (!command) {
            if (words.isEmpty() && parsed.has(kHelpOption)) {
                io.out << toolHelp();
                return kExitOk;
            }
            if (words.isEmpty() && parsed.has(kVersionOption)) {
                io.out << versionText(QStringLiteral("vantrelock"));
                return kExitOk;
            }
            throw UsageError(words.isEmpty() ? QStringLiteral("no command given")
                                             : QStringLiteral("unknown command '%1'").arg(words.join(QLatin1Char(' '))));
        }
        std::vector<OptionSpec> allowed = {kHelpOption, kPortOption};
        allowed.insert(allowed.end(), command->options.begin(), command->options.end());
        parsed = cmdline::parse(args, allowed);
        if (parsed.has(kHelpOption)) {
            io.out << commandHelp(*command);
            return kExitOk;
        }
        if (!command->usesDevice && parsed.has(kPortOption))
            throw UsageError(QStringLiteral("%1 takes no --port").arg(command->name));
        words = words.mid(command->name.count(QLatin1Char(' ')) + 1);
        if (words.size() < command->minPositional)
            throw UsageError(QStringLiteral("%1 needs %2").arg(command->name, command->arguments));
        if (words.size() > command->maxPositional)
            throw UsageError(QStringLiteral("unexpected argument '%1'").arg(words.at(command->maxPositional)));

        // What a write cut short by a crash left in the program's folders.
        const WorkingFolders folders = workingFolders(GetSpecialFolderPath(CSIDL_PERSONAL));
        files::removeLeftovers(folders.program);
        files::removeLeftovers(folders.statistics);

        Context context{io, *command, parsed.values, words, {}, {}, {}};
        try {
            const int status = command->run(context);
            context.link.KillComa();
            return outputWritten(context, status);
        } catch (const files::FileError &e) {
            context.link.KillComa();
            return context.fail(e.description());
        } catch (const AppError &e) {
            context.link.KillComa();
            return context.fail(e.text() + QLatin1Char('.'));
        }
    } catch (const UsageError &e) {
        io.err << "vantrelock: " << e.message << Qt::endl;
        io.err << (command ? QStringLiteral("Try 'vantrelock %1 --help'.").arg(command->name)
                           : QStringLiteral("Try 'vantrelock --help'."))
               << Qt::endl;
        return kExitUsage;
    }
}

