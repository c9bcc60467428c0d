// The practice history: `history` prints the sessions the program has brought home, `assign`
// gives sessions to a driver and `goal` sets a driver's goal.

#include "tools/cli/Commands.h"

#include "base/WorkingFolders.h"
#include "history/FolderImport.h"
#include "history/Store.h"
#include "history/Practice.h"
#include "history/PracticeView.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace cli {

namespace {

const QString kDriverOption = QStringLiteral("--driver");

WorkingFolders folders()
{
    return workingFolders(GetSpecialFolderPath(CSIDL_PERSONAL));
}

} // namespace

std::unique_ptr<history::Store> openHistory(Context &c)
{
    QDir().mkpath(folders().program); // a store that still cannot be made says so itself
    return history::openHistory(folders(), [&c](const QString &text) { c.warn(text); });
}

QString driverOption(const Context &c)
{
    const QString name = c.value(kDriverOption);
    if (const QString problem = history::driverNameProblem(name); !problem.isEmpty())
        throw UsageError(QStringLiteral("--driver: %1").arg(problem));
    return name;
}

namespace {

// A goal's figure from its option; a usage error when it is not one.
double secondsOption(const Context &c, const QString &option)
{
    const QString text = c.value(option);
    if (text.trimmed().startsWith(QLatin1Char('-')))
        throw UsageError(QStringLiteral("%1 cannot be negative: '%2'").arg(option, text));
    const std::optional<double> seconds = history::goalSeconds(text);
    if (!seconds)
        throw UsageError(QStringLiteral("%1 takes seconds from 0 to 10 with at most three decimals, such as 0.510: '%2'")
                             .arg(option, text));
    return *seconds;
}

} // namespace

int runHistory(Context &c)
{
    std::optional<QString> driver;
    if (c.has(kDriverOption))
        driver = driverOption(c);
    if (c.has(QStringLiteral("--summary")) && c.has(QStringLiteral("--csv")))
        throw UsageError(QStringLiteral("--summary and --csv do not go together"));
    const std::unique_ptr<history::Store> store = openHistory(c);
    if (!store->canRead())
        return c.fail(QStringLiteral("there is no practice history to show"));
    history::importStatistics(*store, folders());
    if (const QString missing = history::missingDriver(*store, driver); !missing.isEmpty())
        return c.fail(missing);

    std::optional<QString> device;
    if (c.has(QStringLiteral("--device")))
        device = c.value(QStringLiteral("--device"));
    if (c.has(QStringLiteral("--summary"))) {
        for (const QString &line : history::viewOf(*store, device, driver).summaryLines())
            c.io.out << printable(line) << '\n';
        c.io.out << Qt::flush;
        return kExitOk;
    }
    const std::vector<history::Session> sessions = history::viewOf(*store, device, driver, history::Reading::Sessions).sessions;
    if (c.has(QStringLiteral("--csv"))) {
        c.io.out << QString::fromLocal8Bit(history::csvText(sessions)) << Qt::flush;
        return kExitOk;
    }
    history::writeTable(c.io.out, sessions);
    c.io.out << Qt::flush;
    return kExitOk;
}

int runAssign(Context &c)
{
    if (!c.has(kDriverOption))
        throw UsageError(QStringLiteral("assign needs --driver NAME (--driver \"\" takes the sessions back)"));
    const QString driver = driverOption(c);
    const std::unique_ptr<history::Store> store = openHistory(c);
    if (!store->canRecord())
        return c.fail(QStringLiteral("the practice history cannot be changed"));
    history::importStatistics(*store, folders());
    // By file name, as the table shows them; every file known, or nothing changes.
    const std::vector<history::Session> sessions = store->sessions();
    std::vector<qint64> ids;
    for (const QString &file : c.positional) {
        const QString name = QFileInfo(file).fileName();
        const auto before = ids.size();
        for (const history::Session &s : sessions)
            if (s.fileName() == name)
                ids.push_back(s.id);
        if (ids.size() == before)
            return c.fail(QStringLiteral("the practice history has no session of the run file %1").arg(name));
    }
    if (!store->assign(ids, driver))
        return c.fail(QStringLiteral("the sessions could not be given to the driver"));
    const QString count = ids.size() == 1 ? QStringLiteral("1 session") : QStringLiteral("%1 sessions").arg(ids.size());
    if (driver.isEmpty())
        c.io.out << count << " taken back from their driver" << Qt::endl;
    else
        c.io.out << printable(QStringLiteral("%1 given to %2").arg(count, driver)) << Qt::endl;
    return kExitOk;
}

int runGoal(Context &c)
{
    if (!c.has(kDriverOption))
        throw UsageError(QStringLiteral("goal needs --driver NAME"));
    const QString driver = driverOption(c);
    if (driver.isEmpty())
        throw UsageError(QStringLiteral("goal needs a driver's name"));
    const bool clear = c.has(QStringLiteral("--clear"));
    const bool figures = c.has(QStringLiteral("--average")) || c.has(QStringLiteral("--spread"));
    if (clear && figures)
        throw UsageError(QStringLiteral("--clear takes no --average or --spread"));
    if (!clear && !(c.has(QStringLiteral("--average")) && c.has(QStringLiteral("--spread"))))
        throw UsageError(QStringLiteral("goal needs --average SECONDS and --spread SECONDS, or --clear"));
    std::optional<history::Goal> goal;
    if (!clear)
        goal = history::Goal{secondsOption(c, QStringLiteral("--average")), secondsOption(c, QStringLiteral("--spread"))};

    const std::unique_ptr<history::Store> store = openHistory(c);
    if (!store->canRecord())
        return c.fail(QStringLiteral("the practice history cannot be changed"));
    if (const QString missing = clear ? history::missingDriver(*store, driver) : QString(); !missing.isEmpty())
        return c.fail(missing);
    if (!store->setGoal(driver, goal))
        return c.fail(QStringLiteral("the goal could not be stored"));
    if (goal)
        c.io.out << printable(QStringLiteral("Goal for %1: average %2 s, spread %3 s")
                                  .arg(driver, QString::number(goal->average, 'f', 3), QString::number(goal->spread, 'f', 3)))
                 << Qt::endl;
    else
        c.io.out << printable(QStringLiteral("Goal for %1 cleared").arg(driver)) << Qt::endl;
    return kExitOk;
}

} // namespace cli
