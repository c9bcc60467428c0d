#include "app/Desktop.h"
#include "app/ui/MainWindow.h"
#include "app/ui/Windows.h"
#include "report/ui/ReportCommand.h"

#include <QApplication>

int main(int argc, char *argv[])
{
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
