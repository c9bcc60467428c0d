#pragma once

#include "device/SerialLink.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>

class ColorPanel;
class QGroupBox;
class QLabel;
class QPushButton;
class QWidget;

// What the Connect group's readouts show without a device.
inline const QString kNotConnected = QStringLiteral("N/C");

// The user's long time format without a time-zone name.
QString longTimeText(const QTime &time);

// The main window's "Connect" group: the serial link and its state, the handshake's readouts and
// the buttons that connect, set the port by hand and open the device's settings. The other groups
// send their commands over its link and drop it through dropLink() when the tree stops answering.
class ConnectGroup : public QObject {
    Q_OBJECT
public:
    // Builds the group on `content`, the main window's designed surface.
    ConnectGroup(QWidget *content, QObject *parent);

    QGroupBox *GroupBox1;
    ColorPanel *Panel1;
    QLabel *Label1, *Version, *Label2, *SerialNumber, *Label3, *Date, *Label4, *Time;
    QPushButton *Button1, *Button2, *Button10;

    // The serial link and its state (hCommFile, comport, buf, TimeOut).
    SerialLink link;
    // Set at each connect: the tree's version names a rallycross mode.
    bool rallycross = false;
    // The clock the handshake reads; tests fix it.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    // The port setup dialog and the settings window, which the main window owns.
    std::function<void()> openSetup, openSettings;

    // The link closed, as at start.
    void FormCreate();
    // Button1 connects or disconnects.
    void Button1Click();
    void Button2Click();
    void Button10Click();
    // Sets the device buttons' enabled state from the link state: this group's here, the other
    // groups' through deviceButtonsEnabled().
    void VantrelockConnect();
    // After a failed exchange: the message in an error box, the port closed, the device buttons
    // disabled. The group keeps showing "Connected" until the next press of Button1.
    void dropLink(const QString &message);

signals:
    void deviceButtonsEnabled(bool enabled);

private:
    QWidget *window() const;
    void Connect();
    void Disconnect();
    void applyVersion(const QString &version);
    void showDisconnected();
};
