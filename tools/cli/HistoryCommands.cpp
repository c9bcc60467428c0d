// The practice history: `history` prints the sessions the program has brought home.

#include "tools/cli/Commands.h"

#include "base/WorkingFolders.h"
#include "history/FolderImport.h"
#include "history/HistoryStore.h"

#include <QDir>

namespace cli {

QString historyPath()
{
    const WorkingFolders folders = workingFolders(GetSpecialFolderPath(CSIDL_PERSONAL));
    QDir().mkpath(folders.program); // a store that still cannot be made says so itself
    return folders.inProgram(history::kStoreName);
}

int runHistory(Context &c)
{
    history::Store store(historyPath(), [&c](const QString &text) { c.warn(text); });
    if (!store.canRead())
        return c.fail(QStringLiteral("there is no practice history to show"));
    // As the window does at its start: run files of the Statistics folder it has not seen.
    store.importFolder(workingFolders(GetSpecialFolderPath(CSIDL_PERSONAL)).statistics);

    std::optional<QString> device;
    if (c.has(QStringLiteral("--device")))
        device = c.value(QStringLiteral("--device"));
    const std::vector<history::Session> sessions = store.sessions(device);
    if (c.has(QStringLiteral("--csv"))) {
        c.io.out << QString::fromLocal8Bit(history::csvText(sessions)) << Qt::flush;
        return kExitOk;
    }
    history::writeTable(c.io.out, sessions);
    c.io.out << Qt::flush;
    return kExitOk;
}

} // namespace cli
