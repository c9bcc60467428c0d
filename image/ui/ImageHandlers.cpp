// The Image group's handlers: load, clear, send, show and delete the display picture.

#include "app/ui/MainWindow.h"

#include "base/Files.h"
#include "device/Connection.h"
#include "image/Picture.h"
#include "image/Upload.h"
#include "widgets/Busy.h"
#include "widgets/ImageView.h"
#include "widgets/LabelText.h"
#include "widgets/Prompter.h"

#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

using picture::kErrorCommunicating;
using picture::kFormatIncorrect;

namespace {
const QString kSelectImage = QStringLiteral("Select Image");

QString workingBitmapPath(const WorkingFolders &folders)
{
    return folders.inProgram(kWorkingBitmapName);
}

// The status line's text. Beside a picture shown here, "No Image to Display" could be read as
// speaking of that picture: `about` (pointer hint and screen readers) says what it speaks of.
void showStatus(QLabel *status, const QString &text, const QString &about = {})
{
    setLabelText(status, text);
    status->setToolTip(about);
    status->setAccessibleDescription(about);
}
} // namespace

void TForm1::wireImage()
{
    Image1->setAccessibleName(QStringLiteral("Picture"));
    ProgressBar1->setAccessibleName(QStringLiteral("Sending progress"));
    connect(Button3, &QPushButton::clicked, this, [this] { guarded(this, [this] { Button3Click(); }); });
    connect(Button6, &QPushButton::clicked, this, [this] { guarded(this, [this] { Button6Click(); }); });
    connect(Button4, &QPushButton::clicked, this, [this] { guarded(this, [this] { Button4Click(); }); });
    connect(Button7, &QPushButton::clicked, this, [this] { guarded(this, [this] { Button7Click(); }); });
    connect(Button5, &QPushButton::clicked, this, [this] { guarded(this, [this] { Button5Click(); }); });
}

void TForm1::Button3Click()
{
    const QString chosen = prompter().chooseFile(openPictureDialog());
    if (chosen.isEmpty()) {
        showStatus(ImageStatus, kSelectImage);
        return;
    }
    const picture::LoadedPicture loaded = picture::loadWorkingPicture(chosen);
    if (loaded.working.isNull()) {
        showError(this, loaded.error);
        return;
    }
    const QImage &working = loaded.working;
    fileName = workingBitmapPath(folders);
    files::writeFile(fileName, picture::bmpFile(working));
    Image1->setPicture(working);
    Image1->setVisible(true);
    showStatus(ImageStatus, QStringLiteral("Ready to Send"));
}

void TForm1::Button6Click()
{
    Image1->setVisible(false);
    showStatus(ImageStatus, kSelectImage);
    QFile::remove(workingBitmapPath(folders));
}

void TForm1::Button4Click()
{
    if (Image1->isHidden()) {
        showPlain(this, QStringLiteral("No Image Selected!"));
        return;
    }
    // The file on disk is what gets sent, whatever the preview shows: its own header decides.
    bool tooLarge = false;
    const QByteArray bitmap = files::readFile(fileName, picture::kBitmapFileLimit, &tooLarge);
    const std::optional<picture::RawPicture> converted =
        tooLarge ? std::nullopt : picture::convertBitmap(bitmap);
    if (!converted) {
        showError(this, kFormatIncorrect);
        Image1->setVisible(false);
        return;
    }
    if (Image1->picture().size() != QSize(converted->width, converted->height))
        Image1->setPicture(QImage::fromData(bitmap, "BMP"));
    // Both or neither: a header beside pixels of another size would mislead.
    files::writeFiles({{folders.inProgram(kRawImageName), converted->raw},
                       {folders.inProgram(kImageHeaderName), converted->header}});

    picture::UploadProgress progress;
    progress.accepted = [this] {
        showStatus(ImageStatus, picture::kSendingImage);
        // Once, so the text is painted; input made during the upload is dropped.
        keepWindowsPainted(true);
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
        showStatus(ImageStatus, picture::kSendSuccessful);
        break;
    case picture::Outcome::Refused:
        showError(this, picture::kErrorSending);
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
        showStatus(ImageStatus, picture::kShowTexts.done);
        break;
    case picture::CommandReply::Error:
        showStatus(ImageStatus, picture::kShowTexts.error);
        break;
    case picture::CommandReply::NoPicture:
        showStatus(ImageStatus, picture::kShowTexts.noPicture,
                   QStringLiteral("The Vantrelock holds no picture to display: Send stores the one shown here."));
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
        showStatus(ImageStatus, picture::kDeleteTexts.done);
        break;
    case picture::CommandReply::Error:
        showError(this, picture::kDeleteTexts.error);
        break;
    case picture::CommandReply::NoPicture:
        showStatus(ImageStatus, picture::kDeleteTexts.noPicture,
                   QStringLiteral("The Vantrelock held no picture to delete."));
        break;
    case picture::CommandReply::TimedOut:
        dropLink(kErrorCommunicating);
        break;
    }
}
