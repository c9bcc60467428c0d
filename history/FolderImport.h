#pragma once

#include "history/Store.h"

#include <QStringList>

#include <atomic>
#include <functional>

struct WorkingFolders;

namespace history {

// What the window runs beside its start, in a thread of its own: the store at `storePath` opened
// on a connection of its own, the run files of its folder that it has not read added (then
// `imported` is told, from that thread; `progress` as each file is read), and the whole file
// checked. The notices are the store's, to be shown by the window. What it returns is what came
// after `imported`.
struct FolderImport {
    Store::Imported imported;
    bool damaged = false; // the window's store is to start anew (Store::startAnew)
    QStringList notices;
};
FolderImport importBeside(const QString &storePath, const std::atomic<bool> *stop = nullptr,
                          const std::function<void(const FolderImport &)> &imported = {},
                          const Store::Progress &progress = {});

// While the folder's import runs: "Reading 3,400 of 10,000 run files", in the locale's digits;
// empty once all are read (or none are to be).
QString importProgressText(int read, int total);

// The run files of the Statistics folder that the history has not read, added as the window does
// at its start: the tool and the report command then show what the window would.
ThisComputer::Imported importStatistics(PracticeStore &store, const WorkingFolders &folders);

} // namespace history
