#pragma once

class HistoryWindow;
class TForm1;

namespace history {
class Store;
}

// "Save Report..." and "Print..." with Ctrl+P: on the run file list's context menu for the file
// the main window shows (with its overlay), and in the History window for the device picked
// there. The save dialog offers PDF and PNG; printing goes through the system's print dialog.
void addRunFileReportActions(TForm1 &form);
void addHistoryReportActions(HistoryWindow &window, history::Store &store);
