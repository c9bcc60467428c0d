#include "app/ui/Forms.h"

#include "app/ui/MainWindow.h"
#include "device/ui/ConnectGroup.h"
#include "device/ui/SetupDialog.h"
#include "settings/ui/SettingsWindow.h"
#include "widgets/Accessible.h"

TForm1 *Form1 = nullptr;
TForm2 *Form2 = nullptr;
TForm3 *Form3 = nullptr;

void createWindows()
{
    installAccessibility();
    Form1 = new TForm1;
    Form2 = new TForm2(Form1->connection->link, Form1);
    Form3 = new TForm3(*Form1->connection, Form1);
}

void destroyWindows()
{
    delete Form1; // owns the other two
    Form1 = nullptr;
    Form2 = nullptr;
    Form3 = nullptr;
}
