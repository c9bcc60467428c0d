// The Image group's handlers: load, clear, send, show and delete the display picture.

#include "image/ui/ImageGroup.h"

#include "base/Files.h"
#include "device/Connection.h"
#include "device/ui/ConnectGroup.h"
#include "image/Picture.h"
#include "image/Upload.h"
#include "image/ui/PicturePreview.h"
#include "widgets/Busy.h"
#include "widgets/ColorPanel.h"
#include "widgets/Fonts.h"
#include "widgets/FormControls.h"
#include "widgets/ImageView.h"
#include "widgets/LabelText.h"
#include "widgets/Prompter.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
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

// The usual colour of an active window's title bar.
const QColor kActiveCaption(153, 180, 209);

// Qt takes the patterns from the parentheses of a filter's description, so each description is
// shown with the patterns that its mask really accepts.
QStringList nameFilters(const QString &descriptionMaskPairs)
{
    const QStringList parts = descriptionMaskPairs.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts.at(i);
        const int open = description.indexOf(QLatin1String(" ("));
        if (open >= 0)
            description.truncate(open);
        filters.append(description + QStringLiteral(" (")
                       + QString(parts.at(i + 1)).replace(QLatin1Char(';'), QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return filters;
}
} // namespace

ImageGroup::ImageGroup(QWidget *content, ConnectGroup &device, const WorkingFolders &folders, QObject *parent)
    : QObject(parent), m_device(device), m_folders(folders)
{
    GroupBox2 = makeGroupBox(content, "GroupBox2", QStringLiteral("Image"), {352, 8, 415, 241});

    Panel2 = new ColorPanel(QStringLiteral("No Image Loaded"), GroupBox2);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFont(arial(16));
    Panel2->setColor(kActiveCaption);
    Panel2->setGeometry(8, 24, 315, 188);

    Image1 = new ImageView(Panel2);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 315, 188);
    Image1->setVisible(false);
    Panel2->setCaptionCover(Image1); // "No Image Loaded" only while no picture shows

    ImageStatus = makeLabel(GroupBox2, "ImageStatus", QStringLiteral("Select Image"), 8, 216);
    ImageStatus->setFont(arial(15, false, true));
    ImageStatus->adjustSize();

    ProgressBar1 = new QProgressBar(GroupBox2);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(173, 218, 150, 17);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setVisible(false);

    Button3 = makeButton(GroupBox2, "Button3", QStringLiteral("Load"), {332, 24, 75, 35},
                         QStringLiteral("Load Image from File"));
    Button6 = makeButton(GroupBox2, "Button6", QStringLiteral("Clear"), {332, 66, 75, 35},
                         QStringLiteral("Clear Image on Screen"));
    Button7 = makeButton(GroupBox2, "Button7", QStringLiteral("Show"), {332, 108, 75, 35},
                         QStringLiteral("Show Image on Vantrelock"));
    Button4 = makeButton(GroupBox2, "Button4", QStringLiteral("Send"), {332, 150, 75, 35},
                         QStringLiteral("Send Image to Vantrelock"));
    Button5 = makeButton(GroupBox2, "Button5", QStringLiteral("Delete"), {332, 192, 75, 35},
                         QStringLiteral("Delete Image from Vantrelock"));
    enableDeviceButtons(false);

    Image1->setAccessibleName(QStringLiteral("Picture"));
    ProgressBar1->setAccessibleName(QStringLiteral("Sending progress"));
    connect(Button3, &QPushButton::clicked, this, [this] { guarded(window(), [this] { Button3Click(); }); });
    connect(Button6, &QPushButton::clicked, this, [this] { guarded(window(), [this] { Button6Click(); }); });
    connect(Button4, &QPushButton::clicked, this, [this] { guarded(window(), [this] { Button4Click(); }); });
    connect(Button7, &QPushButton::clicked, this, [this] { guarded(window(), [this] { Button7Click(); }); });
    connect(Button5, &QPushButton::clicked, this, [this] { guarded(window(), [this] { Button5Click(); }); });
}

QWidget *ImageGroup::window() const
{
    return GroupBox2->window();
}

void ImageGroup::enableDeviceButtons(bool enabled)
{
    for (QPushButton *button : {Button4, Button5, Button7})
        button->setEnabled(enabled);
}

void ImageGroup::rememberPictureFolder()
{
    m_pictureFolder = QDir::currentPath();
}

void ImageGroup::FormCreate()
{
    const QString picture = workingBitmapPath(m_folders);
    // Only a regular file: a pipe of that name would block the start for good.
    if (!files::isRegularFile(picture))
        return;
    fileName = picture;
    Image1->setVisible(true);
    bool tooLarge = false;
    const QByteArray bytes = files::readFile(fileName, picture::kBitmapFileLimit, &tooLarge);
    const QImage image = tooLarge ? QImage() : QImage::fromData(bytes);
    if (image.isNull())
        throw AppError(QStringLiteral("Bitmap image is not valid"));
    Image1->setPicture(image);
}

QFileDialog &ImageGroup::openPictureDialog()
{
    if (!OpenPictureDialog1) {
        OpenPictureDialog1 = new QFileDialog(window(), QString(), m_pictureFolder);
        OpenPictureDialog1->setObjectName(QStringLiteral("OpenPictureDialog1"));
        OpenPictureDialog1->setFileMode(QFileDialog::ExistingFile);
        OpenPictureDialog1->setAcceptMode(QFileDialog::AcceptOpen);
        OpenPictureDialog1->setNameFilters(nameFilters(QStringLiteral(
            "All (*.gif;*.png;*.jpg;*.jpeg;*.bmp;*.tif;*.tiff;*.ico;*.emf;*.wmf)|*.gif;*.png;*.jpg;*.jpeg;*.bmp|"
            "GIF Image (*.gif)|*.gif|Portable Network Graphics (*.png)|*.png|JPEG Image File (*.jpg)|*.jpg|"
            "JPEG Image File (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp")));
        addPicturePreview(*OpenPictureDialog1);
    }
    return *OpenPictureDialog1;
}

void ImageGroup::Button3Click()
{
    const QString chosen = prompter().chooseFile(openPictureDialog());
    if (chosen.isEmpty()) {
        showStatus(ImageStatus, kSelectImage);
        return;
    }
    const picture::LoadedPicture loaded = picture::loadWorkingPicture(chosen);
    if (loaded.working.isNull()) {
        showError(window(), loaded.error);
        return;
    }
    const QImage &working = loaded.working;
    fileName = workingBitmapPath(m_folders);
    files::writeFile(fileName, picture::bmpFile(working));
    Image1->setPicture(working);
    Image1->setVisible(true);
    showStatus(ImageStatus, QStringLiteral("Ready to Send"));
}

void ImageGroup::Button6Click()
{
    Image1->setVisible(false);
    showStatus(ImageStatus, kSelectImage);
    QFile::remove(workingBitmapPath(m_folders));
}

void ImageGroup::Button4Click()
{
    if (Image1->isHidden()) {
        showPlain(window(), QStringLiteral("No Image Selected!"));
        return;
    }
    // The file on disk is what gets sent, whatever the preview shows: its own header decides.
    bool tooLarge = false;
    const QByteArray bitmap = files::readFile(fileName, picture::kBitmapFileLimit, &tooLarge);
    const std::optional<picture::RawPicture> converted =
        tooLarge ? std::nullopt : picture::convertBitmap(bitmap);
    if (!converted) {
        showError(window(), kFormatIncorrect);
        Image1->setVisible(false);
        return;
    }
    if (Image1->picture().size() != QSize(converted->width, converted->height))
        Image1->setPicture(QImage::fromData(bitmap, "BMP"));
    // Both or neither: a header beside pixels of another size would mislead.
    files::writeFiles({{m_folders.inProgram(kRawImageName), converted->raw},
                       {m_folders.inProgram(kImageHeaderName), converted->header}});

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

    switch (picture::upload(m_device.link, converted->header, converted->raw, progress)) {
    case picture::Outcome::Ok:
        showStatus(ImageStatus, picture::kSendSuccessful);
        break;
    case picture::Outcome::Refused:
        showError(window(), picture::kErrorSending);
        break;
    case picture::Outcome::TimedOut:
        m_device.dropLink(kNoResponse);
        break;
    }
}

void ImageGroup::Button7Click()
{
    switch (picture::pictureCommand(m_device.link, 'V')) {
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
        m_device.dropLink(kErrorCommunicating);
        break;
    }
}

void ImageGroup::Button5Click()
{
    switch (picture::pictureCommand(m_device.link, 'D')) {
    case picture::CommandReply::Ok:
        showStatus(ImageStatus, picture::kDeleteTexts.done);
        break;
    case picture::CommandReply::Error:
        showError(window(), picture::kDeleteTexts.error);
        break;
    case picture::CommandReply::NoPicture:
        showStatus(ImageStatus, picture::kDeleteTexts.noPicture,
                   QStringLiteral("The Vantrelock held no picture to delete."));
        break;
    case picture::CommandReply::TimedOut:
        m_device.dropLink(kErrorCommunicating);
        break;
    }
}
