#include "report/ui/ReportCommand.h"

#include "base/CommandLine.h"
#include "base/Files.h"
#include "base/WorkingFolders.h"
#include "history/FolderImport.h"
#include "history/Store.h"
#include "history/Practice.h"
#include "history/PracticeView.h"
#include "report/ReportData.h"
#include "report/ui/Report.h"

#include <QDir>
#include <QTextStream>

#include <cstring>
#include <memory>
#include <optional>

namespace report {

namespace {

const cmdline::OptionSpec kReportOption{QStringLiteral("--report"), {}, QStringLiteral("RUN.txt"), {}};
const cmdline::OptionSpec kHistoryReportOption{QStringLiteral("--history-report"), {}, {}, {}};
const cmdline::OptionSpec kDeviceOption{QStringLiteral("--device"), {}, QStringLiteral("SERIAL"), {}};
const cmdline::OptionSpec kDriverOption{QStringLiteral("--driver"), {}, QStringLiteral("NAME"), {}};
const cmdline::OptionSpec kOutputOption{QStringLiteral("--output"), QStringLiteral("-o"), QStringLiteral("FILE"), {}};
const cmdline::OptionSpec kForceOption{QStringLiteral("--force"), QStringLiteral("-f"), {}, {}};

struct Options {
    std::optional<QString> runFile; // --report
    bool history = false;           // --history-report
    std::optional<QString> device;
    std::optional<QString> driver;
    QString output;
    bool force = false;
};

using cmdline::UsageError;

Options parse(const QStringList &arguments)
{
    const cmdline::Arguments parsed = cmdline::parse(
        arguments.mid(1), {kReportOption, kHistoryReportOption, kDeviceOption, kDriverOption, kOutputOption, kForceOption});
    if (!parsed.words.isEmpty())
        throw UsageError(QStringLiteral("unknown argument %1").arg(parsed.words.first()));
    const auto value = [&parsed](const cmdline::OptionSpec &option) -> std::optional<QString> {
        const auto found = parsed.values.find(option.name);
        return found == parsed.values.end() ? std::nullopt : std::optional<QString>(found->second);
    };
    Options options;
    options.runFile = value(kReportOption);
    options.history = parsed.has(kHistoryReportOption);
    options.device = value(kDeviceOption);
    options.driver = value(kDriverOption);
    options.output = value(kOutputOption).value_or(QString());
    options.force = parsed.has(kForceOption);
    if (options.runFile.has_value() == options.history)
        throw UsageError(QStringLiteral("give either --report RUN.txt or --history-report"));
    if (options.device && !options.history)
        throw UsageError(QStringLiteral("--device goes with --history-report"));
    if (options.driver && !options.history)
        throw UsageError(QStringLiteral("--driver goes with --history-report"));
    if (options.driver) {
        if (const QString problem = history::driverNameProblem(*options.driver); !problem.isEmpty())
            throw UsageError(QStringLiteral("--driver: %1").arg(problem));
    }
    if (options.output.isEmpty())
        throw UsageError(QStringLiteral("name the report's file with -o FILE.pdf (or .png)"));
    if (!formatOf(options.output))
        throw UsageError(QStringLiteral("%1: a report is saved as a .pdf or .png file")
                             .arg(QDir::toNativeSeparators(options.output)));
    return options;
}

WorkingFolders folders()
{
    return workingFolders(GetSpecialFolderPath(CSIDL_PERSONAL));
}

// The sessions the history holds, read without adding to it; none when there is no history.
std::vector<history::Session> knownSessions()
{
    if (!files::isRegularFile(history::historyPath(folders())))
        return {};
    const std::unique_ptr<history::Store> store = history::openHistory(folders());
    return store->canRead() ? store->sessions() : std::vector<history::Session>{};
}

} // namespace

bool reportRequested(int argc, char **argv)
{
    bool asked = false;
    for (int i = 1; i < argc; ++i)
        asked = asked || std::strcmp(argv[i], "--report") == 0 || std::strcmp(argv[i], "--history-report") == 0;
    if (asked && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return asked;
}

int runReportCommand(const QStringList &arguments)
{
    QTextStream err(stderr);
    QTextStream out(stdout);
    const auto fail = [&err](const QString &message, int status = kExitFailed) {
        err << "vantrelock-mirelon: " << message << Qt::endl;
        return status;
    };
    Options options;
    try {
        options = parse(arguments);
    } catch (const UsageError &e) {
        fail(e.message);
        err << "Usage: vantrelock-mirelon --report RUN.txt -o FILE.pdf|.png [--force]" << Qt::endl
            << "       vantrelock-mirelon --history-report [--device SERIAL] [--driver NAME] -o FILE.pdf|.png [--force]" << Qt::endl;
        return kExitUsage;
    }

    const QString shown = QDir::toNativeSeparators(options.output);
    try {
        if (options.runFile && files::sameFile(*options.runFile, options.output))
            return fail(QStringLiteral("%1 is the run file itself; name another file with -o").arg(shown));
        files::refuseIrregular(options.output, files::Access::Write); // a folder or pipe by that name
        if (!options.force && files::nameTaken(options.output)) // before the work of drawing it
            return fail(QStringLiteral("%1 already exists; --force replaces it").arg(shown));

        const QPageSize paper(paperFor(QLocale()));
        std::unique_ptr<Pages> pages;
        if (options.runFile) {
            pages = runFileLayout(readRunFileReport(*options.runFile, std::nullopt, folders().statistics,
                                                    knownSessions()))(paper);
        } else {
            // As `vantrelock history` does: the history is made when missing, and then holds the
            // Statistics folder's files.
            QDir().mkpath(folders().program); // a store that still cannot be made says so itself
            const std::unique_ptr<history::Store> store = history::openHistory(folders(), [&err](const QString &text) {
                err << "vantrelock-mirelon: warning: " << text << Qt::endl;
            });
            if (!store->canRead())
                return fail(QStringLiteral("there is no practice history to report"));
            history::importStatistics(*store, folders());
            if (const QString missing = history::missingDriver(*store, options.driver); !missing.isEmpty())
                return fail(missing);
            pages = historyLayout(history::viewOf(*store, options.device, options.driver, history::Reading::Both))(paper);
        }

        const QByteArray bytes = fileBytes(*pages, *formatOf(options.output));
        if (options.force)
            files::writeFile(options.output, bytes);
        else if (!files::writeNewFile(options.output, bytes))
            return fail(QStringLiteral("%1 already exists; --force replaces it").arg(shown));
    } catch (const files::FileError &e) {
        return fail(e.description());
    } catch (const AppError &e) {
        return fail(e.text() + QLatin1Char('.'));
    }
    out << shown << Qt::endl;
    // Its one line is what tells a script where the report went.
    const QString failure = cmdline::outputFailure(out);
    return failure.isEmpty() ? kExitOk : fail(failure);
}

} // namespace report
