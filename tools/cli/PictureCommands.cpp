// The picture commands: image fit, send, show and delete.

#include "tools/cli/Commands.h"

#include "base/Files.h"
#include "base/WorkingFolders.h"
#include "image/Picture.h"
#include "image/Upload.h"

#include <QDir>

namespace cli {


namespace {

// The picture fitted and converted as the window does it: Load writes the working bitmap, Send
// converts the bitmap's own bytes.
struct FittedPicture {
    QByteArray bitmap;
    picture::RawPicture raw;
};
std::optional<FittedPicture> fitPicture(Context &c, const QString &path)
{
    // A file that cannot be opened is named with what is wrong with it, as every file here.
    files::readFile(path, 0);
    const picture::LoadedPicture loaded = picture::loadWorkingPicture(path);
    if (loaded.working.isNull()) {
        c.fail(QStringLiteral("cannot read %1: %2").arg(QDir::toNativeSeparators(path), loaded.error));
        return std::nullopt;
    }
    FittedPicture fitted;
    fitted.bitmap = picture::bmpFile(loaded.working);
    const std::optional<picture::RawPicture> raw = picture::convertBitmap(fitted.bitmap);
    if (!raw) {
        c.fail(picture::kFormatIncorrect);
        return std::nullopt;
    }
    fitted.raw = *raw;
    return fitted;
}

int runPictureCommand(Context &c, char command, const picture::CommandTexts &texts)
{
    if (!c.connect())
        return c.interrupted() ? kExitInterrupted : kExitFailed;
    switch (picture::pictureCommand(c.link, command)) {
    case picture::CommandReply::TimedOut:
        return c.exchangeFailed(picture::kErrorCommunicating);
    case picture::CommandReply::Error:
        return c.refused(texts.error);
    case picture::CommandReply::NoPicture:
        return c.refused(texts.noPicture);
    case picture::CommandReply::Ok:
        break;
    }
    return c.done(QStringLiteral("its answer may be misread"), texts.done);
}

} // namespace

int runImageFit(Context &c)
{
    const std::optional<FittedPicture> fitted = fitPicture(c, c.positional.at(0));
    if (!fitted)
        return kExitFailed;
    QString folder = c.value(QStringLiteral("--output"));
    if (folder.isEmpty())
        folder = workingFolders(GetSpecialFolderPath(CSIDL_PERSONAL)).program;
    if (!QDir().mkpath(folder))
        return c.fail(QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(folder)));
    const QDir dir(folder);
    const Finishing writing(c.io);
    // One set: a failure changes none of the three, and the working bitmap, from which the
    // window's Send makes the other two again, is placed last.
    files::writeFiles({{dir.filePath(kRawImageName), fitted->raw.raw},
                       {dir.filePath(kImageHeaderName), fitted->raw.header},
                       {dir.filePath(kWorkingBitmapName), fitted->bitmap}});
    for (const QString &name : {kWorkingBitmapName, kImageHeaderName, kRawImageName})
        c.io.out << printable(QDir::toNativeSeparators(dir.filePath(name))) << Qt::endl;
    c.io.err << "Fitted to " << fitted->raw.width << " x " << fitted->raw.height << " pixels." << Qt::endl;
    return kExitOk;
}

int runImageSend(Context &c)
{
    const std::optional<FittedPicture> fitted = fitPicture(c, c.positional.at(0));
    if (!fitted)
        return kExitFailed;
    if (!c.connect())
        return c.interrupted() ? kExitInterrupted : kExitFailed;
    picture::UploadProgress progress;
    int pieces = 0, total = 0;
    progress.started = [&](int maximum) { total = maximum; };
    progress.piece = [&](int) { c.progress(QStringLiteral("Sending image: piece %1 of %2").arg(++pieces).arg(total)); };
    progress.finished = [&] { c.endProgress(); };
    const picture::Outcome outcome = picture::upload(c.link, fitted->raw.header, fitted->raw.raw, progress);
    c.endProgress();
    switch (outcome) {
    case picture::Outcome::TimedOut:
        return c.exchangeFailed(kNoResponse);
    case picture::Outcome::Refused:
        return c.refused(picture::kErrorSending);
    case picture::Outcome::Ok:
        break;
    }
    return c.done(QStringLiteral("its answers to the upload may be misread"), picture::kSendSuccessful);
}

int runImageShow(Context &c)
{
    return runPictureCommand(c, 'V', picture::kShowTexts);
}

int runImageDelete(Context &c)
{
    return runPictureCommand(c, 'D', picture::kDeleteTexts);
}

} // namespace cli
