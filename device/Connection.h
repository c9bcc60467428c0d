#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

class SerialLink;

// The date and time the device's clock is set to: year-1980, month, day, hour, minute and
// seconds/2, each two digits ("0" before a year below 100), 13 digits for 1990 to 2079.
QString dateTimeText(const QDateTime &moment);

// The firmware version as a number: its first four characters with "." as the decimal point,
// whatever the user's locale; nothing when they are not a number.
std::optional<double> versionNumber(const QString &version);

// True when the version text marks a device with rallycross (an R in either case).
bool hasRallycross(const QString &version);

// What the connect handshake brought. `message` is empty when it completed; otherwise it is the
// text to show and the port must be closed. `version` is set once the version arrived.
struct HandshakeResult {
    QString message;
    std::optional<QString> version;
    QString serialNumber;
};

// The handshake on an open link: greeting, "onnect", date and time, version, serial number.
HandshakeResult runHandshake(SerialLink &link, const QString &dateTime);

// Connect: finds the port when none is chosen yet, opens it and runs the handshake with the
// date and time of `moment`. On failure the port is closed again and `message` says why.
HandshakeResult connectDevice(SerialLink &link, const QDateTime &moment);

// The message for a port that did not open: "Error Connecting to Vantrelock", and on a line of
// its own what the user can do about it when the system refused the port.
QString openFailureMessage(const SerialLink &link);

// Says goodbye; true when the device answered "Disconnected" in time.
bool sayGoodbye(SerialLink &link);

inline const QString kNoResponse = QStringLiteral("No Response from Vantrelock");
inline const QString kInvalidResponse = QStringLiteral("Invalid Response from Vantrelock");
inline const QString kErrorConnecting = QStringLiteral("Error Connecting to Vantrelock");
inline const QString kPortNotFound = QStringLiteral("Vantrelock Port Not Found");
inline const QString kErrorDisconnecting = QStringLiteral("Error Disconnecting from Vantrelock");
