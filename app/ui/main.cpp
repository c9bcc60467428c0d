#include "app/ui/MainWindow.h"
#include "app/ui/Windows.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrelock Mirelon"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vantrelock Mirelon"));
    QApplication::setOrganizationName(QStringLiteral("Halvorent"));
    createWindows();
    Form1->show();
    const int result = app.exec();
    destroyWindows();
    return result;
}
