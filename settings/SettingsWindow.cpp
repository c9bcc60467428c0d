#include "settings/SettingsWindow.h"

#include "app/MainWindow.h"

#include <QLabel>

TForm3::TForm3(TForm1 &main, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_main(main)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Settings"));
    setModal(true);
    setFixedSize(402, 515);

    Label1 = new QLabel(QStringLiteral("Current Practice Settings"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont heading(QStringLiteral("Arial"));
    heading.setPixelSize(20);
    heading.setBold(true);
    Label1->setFont(heading);
    Label1->adjustSize();
    Label1->move((width() - Label1->width()) / 2, 8);
}

void TForm3::FormActivate()
{
    (void)m_main;
}
