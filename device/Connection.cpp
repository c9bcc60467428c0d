#include "device/Connection.h"

#include "device/SerialLink.h"

#include <QLocale>

QString dateTimeText(const QDateTime &moment)
{
    const QDate date = moment.date();
    const QTime time = moment.time();
    const auto two = [](int value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); };
    const int years = date.year() - 1980;
    const QString year = years < 100 ? QStringLiteral("0%1").arg(years) : QString::number(years);
    return year + two(date.month()) + two(date.day()) + two(time.hour()) + two(time.minute())
           + two(time.second() / 2);
}

std::optional<double> versionNumber(const QString &version)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(version.left(4).trimmed(), &ok);
    if (!ok)
        return std::nullopt;
    return value;
}

bool hasRallycross(const QString &version)
{
    return version.contains(QLatin1Char('R'), Qt::CaseInsensitive);
}

HandshakeResult runHandshake(SerialLink &link, const QString &dateTime)
{
    HandshakeResult result;
    const auto fail = [&](const QString &message) {
        result.message = message;
        return result;
    };

    link.send_cmda(QStringLiteral("C"));
    link.vrcvstra(1);
    if (link.TimeOut || link.buf[0] != 0x43)
        return fail(kErrorConnecting);

    link.send_cmda(QStringLiteral("onnect"));
    link.vrcvstra(9);
    if (link.TimeOut)
        return fail(kNoResponse);
    if (link.text(9) != QLatin1String("Connected"))
        return fail(kInvalidResponse);

    link.send_cmda(dateTime);
    link.vrcvstra(18);
    if (link.TimeOut)
        return fail(kNoResponse);
    if (link.text(18) != QLatin1String("Date/Time Received"))
        return fail(kInvalidResponse);

    link.vrcvstra(6);
    if (link.TimeOut)
        return fail(kNoResponse);
    result.version = link.text(6);

    link.vrcvstra(8);
    if (link.TimeOut)
        return fail(kNoResponse);
    result.serialNumber = link.text(8);
    return result;
}

HandshakeResult connectDevice(SerialLink &link, const QDateTime &moment)
{
    HandshakeResult result;
    if (link.comport == 0)
        link.comport = link.findComm();
    if (link.comport == 0) {
        result.message = kPortNotFound;
        return result;
    }
    const QString dateTime = dateTimeText(moment); // the moment before the port opens
    link.InitComa();
    if (!link.isOpen()) {
        result.message = openFailureMessage(link);
        return result;
    }
    result = runHandshake(link, dateTime);
    if (!result.message.isEmpty())
        link.KillComa();
    return result;
}

QString openFailureMessage(const SerialLink &link)
{
    const QString advice = link.openAdvice();
    return advice.isEmpty() ? kErrorConnecting : kErrorConnecting + QLatin1Char('\n') + advice;
}

bool sayGoodbye(SerialLink &link)
{
    link.send_cmda(QStringLiteral("D"));
    link.vrcvstra(12);
    // A timed-out reply is never taken as a goodbye, whatever earlier replies left in buf.
    return !link.TimeOut && link.text(12) == QLatin1String("Disconnected");
}
