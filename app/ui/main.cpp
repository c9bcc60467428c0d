#include "app/Desktop.h"
#include "app/ui/Forms.h"
#include "app/ui/MainWindow.h"
#include "base/Files.h"
#include "base/Version.h"
#include "report/ui/ReportCommand.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    // Answered before Qt looks for a display, so it works from any shell.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::fputs(versionText(QStringLiteral("vantrelock-mirelon")).toLocal8Bit().constData(), stdout);
        return 0;
    }
    files::failWritesPastSizeLimit();
    const bool reporting = report::reportRequested(argc, argv);
    QApplication app(argc, argv);
    setProgramIdentity();
    addTahoma();
    if (reporting)
        return report::runReportCommand(QApplication::arguments());
    createWindows();
    Form1->show();
    const int result = app.exec();
    destroyWindows();
    return result;
}
