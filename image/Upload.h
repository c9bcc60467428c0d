#pragma once

// The device's picture exchanges: upload, show and delete. They talk through the link only and
// leave every message and control to the caller.

#include <QByteArray>
#include <QString>

#include <functional>

class SerialLink;

namespace picture {

inline const QString kFormatIncorrect = QStringLiteral("Error Sending Image: Image Format Incorrect!");
inline const QString kErrorCommunicating = QStringLiteral("Error Communicating with Vantrelock");
inline const QString kErrorSending = QStringLiteral("Error Sending Image to Vantrelock");
inline const QString kSendingImage = QStringLiteral("Sending Image...");
inline const QString kSendSuccessful = QStringLiteral("Send Successful!");

// What each reply to the show or delete command says.
struct CommandTexts {
    QString done;
    QString error;     // "ER"
    QString noPicture; // any other reply
};
inline const CommandTexts kShowTexts{QStringLiteral("Image Displayed!"), QStringLiteral("Error Displaying Image"),
                                     QStringLiteral("No Image to Display")};
inline const CommandTexts kDeleteTexts{QStringLiteral("Delete Successful!"), QStringLiteral("Error Deleting Image"),
                                       QStringLiteral("No Image to Delete")};

// Bytes of the raw image per piece; the progress bar steps once per piece.
constexpr int kPieceSize = 512;

enum class Outcome {
    Ok,       // "OK"
    Refused,  // any other reply (for upload steps, the extra byte after it has been read)
    TimedOut, // no reply within the link's timeout
};

// What the upload tells its caller on the way, so the window can show its progress.
struct UploadProgress {
    std::function<void()> accepted;           // the device took "I" "S"
    std::function<void(int maximum)> started; // before the first piece: raw length div 512
    std::function<void(int bytes)> piece;     // before each piece is sent
    std::function<void()> finished;           // after the last piece, before the final reply
};

// Uploads a picture: "I" "S", the header's length as one digit, the header, the raw length as
// six digits, the raw image in 512-byte pieces back to back, then the device's final "OK".
// Every reply but the last piece's is checked; the exchange stops at the first that fails.
Outcome upload(SerialLink &link, const QByteArray &header, const QByteArray &raw,
               const UploadProgress &progress = {});

// The reply to "I" "V" (show) or "I" "D" (delete). "ER" is followed by one byte, which is read
// and dropped; any other pair than "OK" or "ER" means the device holds no picture.
enum class CommandReply { Ok, Error, NoPicture, TimedOut };
CommandReply pictureCommand(SerialLink &link, char command);

} // namespace picture
