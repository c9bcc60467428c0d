#pragma once

#include <QStringList>

// The program's reports for scripts, without a window:
//   vantrelock-mirelon --report RUN.txt -o RUN.pdf [--force]
//   vantrelock-mirelon --history-report [--device SERIAL] -o HISTORY.pdf [--force]
namespace report {

// True when the arguments ask for a report. Then no window will show, so the offscreen platform
// is chosen (unless one is set), which needs no display; call it before QApplication is made.
bool reportRequested(int argc, char **argv);

// Writes the report the arguments ask for; the exit status: 0 done, 1 a file failed, 2 bad
// arguments. Messages go to standard error.
int runReportCommand(const QStringList &arguments);

} // namespace report
