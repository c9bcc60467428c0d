// Any file as a picture the user loads: decoded, fitted into 480 x 272, saved as the working
// bitmap and shown, then converted for sending (on a closed link). Input: one byte choosing the
// file's extension (the decoder's hint), then the file.

#include "app/ui/Forms.h"
#include "app/ui/MainWindow.h"
#include "fuzz/FuzzSupport.h"
#include "image/Picture.h"
#include "image/ui/ImageGroup.h"
#include "widgets/ImageView.h"
#include "widgets/Prompter.h"

#include <QFile>
#include <QLabel>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::prepare(argc, argv);
    createWindows();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    static const char *const extensions[] = {"png", "jpg", "gif", "bmp", "jpeg", "webp", "tif", "ico"};
    const QString path = fuzz::home() + QStringLiteral("/picture.") + QLatin1String(extensions[data[0] % 8]);
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char *>(data + 1), qint64(size - 1));
    }
    guarded(Form1, [] { Form1->image->Button6Click(); }); // Clear: no working bitmap
    const QString bitmap = Form1->folders.program + QStringLiteral("/test.bmp");
    QFile::remove(Form1->folders.program + QStringLiteral("/user.raw"));

    fuzz::answerFiles(path);
    guarded(Form1, [] { Form1->image->Button3Click(); });
    QFile::remove(path);
    if (Form1->image->Image1->isHidden()) {
        FUZZ_CHECK(!QFile::exists(bitmap)); // a picture that failed leaves no working bitmap
        return 0;
    }

    // Loaded: a working bitmap that fits the display, the same size as the preview, and that
    // Send takes.
    FUZZ_CHECK(Form1->image->ImageStatus->text() == QLatin1String("Ready to Send"));
    const std::optional<picture::RawPicture> converted = picture::convertBitmap(fuzz::readAll(bitmap));
    FUZZ_CHECK(converted.has_value());
    FUZZ_CHECK(QSize(converted->width, converted->height) == Form1->image->Image1->picture().size());
    guarded(Form1, [] { Form1->image->Button4Click(); });
    FUZZ_CHECK(fuzz::readAll(Form1->folders.program + QStringLiteral("/user.raw")) == converted->raw);
    return 0;
}
