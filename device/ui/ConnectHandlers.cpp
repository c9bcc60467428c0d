// The Connect group's handlers: Connect runs the handshake and fills in the readouts,
// Disconnect says goodbye and closes the port; the device buttons follow the link state.

#include "app/ui/MainWindow.h"
#include "device/Connection.h"
#include "widgets/ColorPanel.h"
#include "widgets/LabelText.h"
#include "widgets/Prompter.h"

#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>

namespace {
const QColor kConnectedGreen(0, 128, 0);
} // namespace

QString longTimeText(const QTime &time)
{
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    // Windows' long time format has no time zone; Qt's has.
    format.remove(QRegularExpression(QStringLiteral("\\s*t+\\s*")));
    format = format.trimmed();
    return QLocale().toString(time, format);
}

void TForm1::Button1Click()
{
    if (link.isOpen())
        Disconnect();
    else
        Connect();
}

void TForm1::Connect()
{
    const HandshakeResult result = connectDevice(link, now());
    if (result.version)
        applyVersion(*result.version);
    if (!result.message.isEmpty()) {
        showError(this, result.message);
        return;
    }
    setLabelText(SerialNumber, result.serialNumber);
    const QDateTime moment = now();
    setLabelText(Date, QLocale().toString(moment.date(), QLocale::ShortFormat));
    setLabelText(Time, longTimeText(moment.time()));
    Button1->setText(QStringLiteral("Disconnect"));
    Panel1->setColor(kConnectedGreen);
    Panel1->setCaption(QStringLiteral("Connected"));
    VantrelockConnect();
}

void TForm1::applyVersion(const QString &version)
{
    rallycross = hasRallycross(version);
    setLabelText(Version, version);
    const std::optional<double> number = versionNumber(version);
    // Devices below 1.09 have no settings to show; a version that is not a number changes nothing.
    if (number && *number < 1.09)
        Button10->setVisible(false);
}

void TForm1::Disconnect()
{
    if (!sayGoodbye(link))
        showWarning(this, kErrorDisconnecting);
    showDisconnected();
    link.KillComa();
    VantrelockConnect();
}

void TForm1::showDisconnected()
{
    Button1->setText(QStringLiteral("Connect"));
    Panel1->setButtonFace();
    Panel1->setCaption(QStringLiteral("Not Connected"));
    for (QLabel *readout : {Version, SerialNumber, Date, Time})
        setLabelText(readout, kNotConnected);
}

void TForm1::VantrelockConnect()
{
    const bool open = link.isOpen();
    Button2->setEnabled(!open);
    for (QPushButton *button : {Button4, Button5, Button7, Button8, Button10})
        button->setEnabled(open);
}

void TForm1::dropLink(const QString &message)
{
    showError(this, message);
    link.KillComa();
    VantrelockConnect();
}
