// The Image group's handlers: load, clear, send, show and delete the display picture.

#include "app/MainWindow.h"

#include "app/Prompter.h"
#include "app/Widgets.h"
#include "device/Connection.h"
#include "image/Picture.h"
#include "image/Upload.h"
#include "image/WorkingFiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace {
const QString kSelectImage = QStringLiteral("Select Image");
const QString kFormatIncorrect = QStringLiteral("Error Sending Image: Image Format Incorrect!");
const QString kErrorCommunicating = QStringLiteral("Error Communicating with Vantrelock");
// The largest working bitmap is 54 + 1440 x 272 bytes; a file far beyond that is not one.
constexpr qint64 kBitmapLimit = 4 * 1024 * 1024;

QString workingBitmapPath(const WorkingFolders &folders)
{
    return folders.program + QStringLiteral("/test.bmp");
}
} // namespace

void TForm1::wireImage()
{
    connect(Button3, &QPushButton::clicked, this, [this] { guarded(this, [this] { Button3Click(); }); });
    connect(Button6, &QPushButton::clicked, this, [this] { guarded(this, [this] { Button6Click(); }); });
    connect(Button4, &QPushButton::clicked, this, [this] { guarded(this, [this] { Button4Click(); }); });
    connect(Button7, &QPushButton::clicked, this, [this] { guarded(this, [this] { Button7Click(); }); });
    connect(Button5, &QPushButton::clicked, this, [this] { guarded(this, [this] { Button5Click(); }); });
}

void TForm1::Button3Click()
{
    const QString chosen = prompter().chooseFile(*OpenPictureDialog1);
    if (chosen.isEmpty()) {
        setLabelText(ImageStatus, kSelectImage);
        return;
    }
    QImageReader reader(chosen);
    reader.setAutoTransform(true); // photos come out the way up they were taken
    const QImage decoded = reader.read();
    if (decoded.isNull()) {
        const QString why = reader.errorString();
        showError(this, why.isEmpty() ? QStringLiteral("Unknown image format") : why);
        return;
    }
    const QImage working = picture::workingPicture(decoded);
    if (working.isNull()) {
        const QSize fitted = picture::fittedSize(decoded.width(), decoded.height());
        showError(this, QStringLiteral("Image Cannot Be Fitted: %1 x %2 pixels would shrink to %3 x %4")
                            .arg(decoded.width()).arg(decoded.height())
                            .arg(fitted.width()).arg(fitted.height()));
        return;
    }
    fileName = workingBitmapPath(folders);
    picture::writeFile(fileName, picture::bmpFile(working));
    Image1->setPicture(working);
    Image1->setVisible(true);
    setLabelText(ImageStatus, QStringLiteral("Ready to Send"));
}

void TForm1::Button6Click()
{
    Image1->setVisible(false);
    setLabelText(ImageStatus, kSelectImage);
    QFile::remove(workingBitmapPath(folders));
}

void TForm1::Button4Click()
{
    if (Image1->isHidden()) {
        showPlain(this, QStringLiteral("No Image Selected!"));
        return;
    }
    // The file on disk is what gets sent, whatever the preview shows: its own header decides.
    const std::optional<QByteArray> bitmap = picture::readFile(fileName, kBitmapLimit);
    const std::optional<picture::RawPicture> converted =
        bitmap ? picture::convertBitmap(*bitmap) : std::nullopt;
    if (!converted) {
        showError(this, kFormatIncorrect);
        Image1->setVisible(false);
        return;
    }
    if (Image1->picture().size() != QSize(converted->width, converted->height))
        Image1->setPicture(QImage::fromData(*bitmap, "BMP"));
    picture::writeFile(folders.program + QStringLiteral("/user.txt"), converted->header);
    picture::writeFile(folders.program + QStringLiteral("/user.raw"), converted->raw);

    picture::UploadProgress progress;
    progress.accepted = [this] {
        setLabelText(ImageStatus, QStringLiteral("Sending Image..."));
        // Once, so the text is painted; user input waits until the upload is over.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    progress.started = [this](int maximum) {
        ProgressBar1->setRange(0, maximum);
        ProgressBar1->setValue(0);
        ProgressBar1->setVisible(true);
    };
    progress.piece = [this](int) {
        ProgressBar1->setValue(std::min(ProgressBar1->value() + 1, ProgressBar1->maximum()));
    };
    progress.finished = [this] { ProgressBar1->setVisible(false); };

    switch (picture::upload(link, converted->header, converted->raw, progress)) {
    case picture::Outcome::Ok:
        setLabelText(ImageStatus, QStringLiteral("Send Successful!"));
        break;
    case picture::Outcome::Refused:
        showError(this, QStringLiteral("Error Sending Image to Vantrelock"));
        break;
    case picture::Outcome::TimedOut:
        dropLink(kNoResponse);
        break;
    }
}

void TForm1::Button7Click()
{
    switch (picture::pictureCommand(link, 'V')) {
    case picture::CommandReply::Ok:
        setLabelText(ImageStatus, QStringLiteral("Image Displayed!"));
        break;
    case picture::CommandReply::Error:
        setLabelText(ImageStatus, QStringLiteral("Error Displaying Image"));
        break;
    case picture::CommandReply::NoPicture:
        setLabelText(ImageStatus, QStringLiteral("No Image to Display"));
        break;
    case picture::CommandReply::TimedOut:
        dropLink(kErrorCommunicating);
        break;
    }
}

void TForm1::Button5Click()
{
    switch (picture::pictureCommand(link, 'D')) {
    case picture::CommandReply::Ok:
        setLabelText(ImageStatus, QStringLiteral("Delete Successful!"));
        break;
    case picture::CommandReply::Error:
        showError(this, QStringLiteral("Error Deleting Image"));
        break;
    case picture::CommandReply::NoPicture:
        setLabelText(ImageStatus, QStringLiteral("No Image to Delete"));
        break;
    case picture::CommandReply::TimedOut:
        dropLink(kErrorCommunicating);
        break;
    }
}
