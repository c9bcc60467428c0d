#include "image/Upload.h"

#include "device/SerialLink.h"
#include "device/StatusReply.h"

#include <QString>

#include <algorithm>

namespace picture {

namespace {

Outcome check(SerialLink &link)
{
    switch (readStatus(link, AfterRefusal::OneMoreByte)) {
    case Status::Ok:
        return Outcome::Ok;
    case Status::ER:
    case Status::Other:
        return Outcome::Refused;
    case Status::TimedOut:
        break;
    }
    return Outcome::TimedOut;
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
    switch (readStatus(link, AfterRefusal::OneMoreByteAfterER)) {
    case Status::Ok:
        return CommandReply::Ok;
    case Status::ER:
        return CommandReply::Error;
    case Status::Other:
        return CommandReply::NoPicture;
    case Status::TimedOut:
        break;
    }
    return CommandReply::TimedOut;
}

} // namespace picture
