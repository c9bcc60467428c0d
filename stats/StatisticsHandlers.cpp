// The Statistics group's handlers: download, loading, chart, export and deletion of run files.

#include "app/MainWindow.h"

void TForm1::wireStatistics() {}
