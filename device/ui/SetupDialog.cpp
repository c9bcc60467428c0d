#include "device/ui/SetupDialog.h"

#include "base/Errors.h"
#include "device/Ports.h"
#include "device/SerialLink.h"
#include "widgets/Fonts.h"
#include "widgets/Prompter.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QString kEditHint = QStringLiteral("Vantrelock COM Port");
} // namespace

bool portKeyAllowed(QChar key)
{
    const char16_t c = key.unicode();
    return c == 8 || c == 9 || (c >= u'0' && c <= u'9');
}

bool portKeyDiscarded(int key, const QString &text, Qt::KeyboardModifiers modifiers)
{
    if (text.size() != 1 || key == Qt::Key_Delete || (modifiers & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    return !portKeyAllowed(text.at(0));
}

TForm2::TForm2(SerialLink &link, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_link(link)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Setup"));
    setModal(true);
    setFixedSize(291, 136);
    setFont(tahoma(11));

    Label1 = new QLabel(QStringLiteral("Connection Port:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(arial(15, true));
    Label1->move(24, 32);
    Label1->adjustSize();

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFont(arial(15, false));
    Edit1->setGeometry(170, 28, 97, 25);
    Edit1->setMaxLength(3);
    Edit1->setToolTip(kEditHint);
    Edit1->setAccessibleName(Label1->text());
    Edit1->installEventFilter(this);

    Button1 = new QPushButton(QStringLiteral("Save"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(56, 80, 75, 37);
    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(160, 80, 75, 37);
    // Neither is the default or the cancel button: Enter and Escape press nothing.
    for (QPushButton *button : {Button1, Button2}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    setTabOrder(Edit1, Button1);
    setTabOrder(Button1, Button2);

    connect(Button1, &QPushButton::clicked, this, [this] { guarded(this, [this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
}

void TForm2::FormShow()
{
    if (m_link.comport != 0)
        Edit1->setText(QString::number(m_link.comport));
    // On systems without COM names, tell the user which number names which device.
    const QString ports = portNumberHint();
    Edit1->setToolTip(ports.isEmpty() ? kEditHint : kEditHint + QLatin1Char('\n') + ports);
}

void TForm2::Button1Click()
{
    if (!Edit1->text().isEmpty()) {
        const int number = strToInt(Edit1->text()); // a pasted non-number ends here, dialog open
        if (number != 0)
            m_link.comport = number;
    }
    accept();
}

void TForm2::Button2Click()
{
    reject();
}

void TForm2::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TForm2::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TForm2::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (portKeyDiscarded(key->key(), key->text(), key->modifiers()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}
