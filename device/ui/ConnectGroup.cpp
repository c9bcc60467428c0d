// The Connect group: Connect runs the handshake and fills in the readouts, Disconnect says
// goodbye and closes the port; the device buttons follow the link state.

#include "device/ui/ConnectGroup.h"

#include "device/Connection.h"
#include "widgets/Busy.h"
#include "widgets/ColorPanel.h"
#include "widgets/Fonts.h"
#include "widgets/FormControls.h"
#include "widgets/LabelText.h"
#include "widgets/Prompter.h"

#include <QGroupBox>
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

ConnectGroup::ConnectGroup(QWidget *content, QObject *parent) : QObject(parent)
{
    GroupBox1 = makeGroupBox(content, "GroupBox1", QStringLiteral("Connect"), {24, 8, 305, 241});

    const QFont regular = arial(16);
    Panel1 = new ColorPanel(QStringLiteral("Not Connected"), GroupBox1);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFont(regular);
    Panel1->setGeometry(12, 28, 185, 34);

    const int labelX = 12, valueX = 150;
    Label1 = makeLabel(GroupBox1, "Label1", QStringLiteral("Version:"), labelX, 76);
    Version = makeLabel(GroupBox1, "Version", kNotConnected, valueX, 76, &regular);
    Label2 = makeLabel(GroupBox1, "Label2", QStringLiteral("Serial Number:"), labelX, 102);
    SerialNumber = makeLabel(GroupBox1, "SerialNumber", kNotConnected, valueX, 102, &regular);
    Label3 = makeLabel(GroupBox1, "Label3", QStringLiteral("Connect Date:"), labelX, 128);
    Date = makeLabel(GroupBox1, "Date", kNotConnected, valueX, 128, &regular);
    Label4 = makeLabel(GroupBox1, "Label4", QStringLiteral("Connect Time:"), labelX, 154);
    Time = makeLabel(GroupBox1, "Time", kNotConnected, valueX, 154, &regular);

    Button1 = makeButton(GroupBox1, "Button1", QStringLiteral("Connect"), {8, 188, 89, 42});
    Button2 = makeButton(GroupBox1, "Button2", QStringLiteral("Setup"), {108, 188, 89, 42});
    Button10 = makeButton(GroupBox1, "Button10", QStringLiteral("Settings"), {208, 188, 89, 42});
    Button10->setEnabled(false);

    // The windows stay painted while the link waits for the tree.
    link.setWaitHook([] { keepWindowsPainted(); });

    connect(Button1, &QPushButton::clicked, this, [this] { guarded(window(), [this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { guarded(window(), [this] { Button2Click(); }); });
    connect(Button10, &QPushButton::clicked, this, [this] { guarded(window(), [this] { Button10Click(); }); });
}

QWidget *ConnectGroup::window() const
{
    return GroupBox1->window();
}

void ConnectGroup::FormCreate()
{
    link.comport = 0;
    link.hCommFile = -1;
}

void ConnectGroup::Button1Click()
{
    if (link.isOpen())
        Disconnect();
    else
        Connect();
}

void ConnectGroup::Button2Click()
{
    if (openSetup)
        openSetup();
}

void ConnectGroup::Button10Click()
{
    if (openSettings)
        openSettings();
}

void ConnectGroup::Connect()
{
    const HandshakeResult result = connectDevice(link, now());
    if (result.version)
        applyVersion(*result.version);
    if (!result.message.isEmpty()) {
        showError(window(), result.message);
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

void ConnectGroup::applyVersion(const QString &version)
{
    rallycross = hasRallycross(version);
    setLabelText(Version, version);
    const std::optional<double> number = versionNumber(version);
    // Devices below 1.09 have no settings to show; a version that is not a number changes nothing.
    if (number && *number < 1.09)
        Button10->setVisible(false);
}

void ConnectGroup::Disconnect()
{
    if (!sayGoodbye(link))
        showWarning(window(), kErrorDisconnecting);
    showDisconnected();
    link.KillComa();
    VantrelockConnect();
}

void ConnectGroup::showDisconnected()
{
    Button1->setText(QStringLiteral("Connect"));
    Panel1->setButtonFace();
    Panel1->setCaption(QStringLiteral("Not Connected"));
    for (QLabel *readout : {Version, SerialNumber, Date, Time})
        setLabelText(readout, kNotConnected);
}

void ConnectGroup::VantrelockConnect()
{
    const bool open = link.isOpen();
    Button2->setEnabled(!open);
    Button10->setEnabled(open);
    emit deviceButtonsEnabled(open);
}

void ConnectGroup::dropLink(const QString &message)
{
    showError(window(), message);
    link.KillComa();
    VantrelockConnect();
}
