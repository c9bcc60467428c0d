#include "device/StatusReply.h"

#include "device/SerialLink.h"

Status readStatus(SerialLink &link, AfterRefusal after)
{
    link.vrcvstra(2);
    if (link.TimeOut)
        return Status::TimedOut;
    const QString reply = link.text(2);
    if (reply == QLatin1String("OK"))
        return Status::Ok;
    const Status refusal = reply == QLatin1String("ER") ? Status::ER : Status::Other;
    if (after == AfterRefusal::OneMoreByte || (after == AfterRefusal::OneMoreByteAfterER && refusal == Status::ER))
        link.vrcvstra(1);
    return refusal;
}
