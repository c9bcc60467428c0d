#pragma once

#include "base/WorkingFolders.h"

#include <functional>

class HistoryWindow;
class StatisticsGroup;

namespace history {
class Store;
}

// "Save Report..." and "Print..." with Ctrl+P: on the run file list's context menu for the file
// the main window shows (with its overlay), and in the History window for the device picked
// there. The save dialog offers PDF and PNG (a run file's report first offered in the documents folder);
// printing goes through the system's print dialog. `store` is the practice history, if any.
void addRunFileReportActions(StatisticsGroup &statistics, const std::function<history::Store *()> &store,
                             const WorkingFolders &folders);
void addHistoryReportActions(HistoryWindow &window, history::Store &store);
