#include "image/Upload.h"

#include "device/SerialLink.h"

#include <QString>

#include <algorithm>

namespace picture {

namespace {

// A 2-byte status reply; after a refusal the device sends one more byte, read and ignored.
Outcome check(SerialLink &link)
{
    link.vrcvstra(2);
    if (link.TimeOut)
        return Outcome::TimedOut;
    if (link.text(2) == QLatin1String("OK"))
        return Outcome::Ok;
    link.vrcvstra(1);
    return Outcome::Refused;
}

void call(const std::function<void()> &fn)
{
    if (fn)
        fn();
}

} // namespace

Outcome upload(SerialLink &link, const QByteArray &header, const QByteArray &raw,
               const UploadProgress &progress)
{
    link.send_cmda(QByteArray("I"));
    link.send_cmda(QByteArray("S"));
    if (const Outcome o = check(link); o != Outcome::Ok)
        return o;
    call(progress.accepted);

    link.send_cmda(QByteArray::number(header.size()));
    if (const Outcome o = check(link); o != Outcome::Ok)
        return o;
    link.send_cmda(header);
    if (const Outcome o = check(link); o != Outcome::Ok)
        return o;
    link.send_cmda(QByteArray::number(raw.size()).rightJustified(6, '0'));
    if (const Outcome o = check(link); o != Outcome::Ok)
        return o;

    if (progress.started)
        progress.started(int(raw.size() / kPieceSize));
    // One write per piece, with no pause or reply in between: the device takes one stream.
    for (qsizetype at = 0; at < raw.size(); at += kPieceSize) {
        const QByteArray piece = raw.mid(at, std::min<qsizetype>(kPieceSize, raw.size() - at));
        if (progress.piece)
            progress.piece(int(piece.size()));
        link.send_cmda(piece);
    }
    call(progress.finished);
    return check(link);
}

CommandReply pictureCommand(SerialLink &link, char command)
{
    link.send_cmda(QByteArray("I"));
    link.send_cmda(QByteArray(1, command));
    link.vrcvstra(2);
    if (link.TimeOut)
        return CommandReply::TimedOut;
    const QString reply = link.text(2);
    if (reply == QLatin1String("OK"))
        return CommandReply::Ok;
    if (reply == QLatin1String("ER")) {
        link.vrcvstra(1);
        return CommandReply::Error;
    }
    return CommandReply::NoPicture;
}

} // namespace picture
