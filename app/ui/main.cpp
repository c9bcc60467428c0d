#include "app/Desktop.h"
#include "app/ui/MainWindow.h"
#include "app/ui/Windows.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setProgramIdentity();
    addTahoma();
    createWindows();
    Form1->show();
    const int result = app.exec();
    destroyWindows();
    return result;
}
