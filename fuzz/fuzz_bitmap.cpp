// Any file as the working bitmap "test.bmp": the program starts with it in the program folder,
// then Send converts it to the device's raw format (on a closed link, so the upload itself ends at
// once). Whatever the file holds, start-up goes on and Send either writes the raw picture and its
// header exactly as the conversion gives them or refuses the file and writes nothing.

#include "app/ui/Forms.h"
#include "app/ui/MainWindow.h"
#include "device/ui/ConnectGroup.h"
#include "fuzz/FuzzSupport.h"
#include "image/Picture.h"
#include "image/ui/ImageGroup.h"
#include "widgets/ImageView.h"
#include "widgets/Prompter.h"

#include <QDir>
#include <QFile>

namespace {

QString programFolder;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::prepare(argc, argv);
    createWindows();
    programFolder = Form1->folders.program;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString bitmap = programFolder + QStringLiteral("/test.bmp");
    const QString header = programFolder + QStringLiteral("/user.txt");
    const QString raw = programFolder + QStringLiteral("/user.raw");
    QFile::remove(header);
    QFile::remove(raw);
    {
        QFile file(bitmap);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }

    TForm1 &form = *Form1;
    form.image->fileName.clear();
    guarded(&form, [&form] { form.FormCreate(); }); // start-up: it finds the working bitmap
    FUZZ_CHECK(form.image->fileName == bitmap);
    form.image->Image1->setVisible(true); // Send takes the file whatever the preview shows
    guarded(&form, [&form] { form.image->Button4Click(); });

    const std::optional<picture::RawPicture> converted = picture::convertBitmap(bytes);
    if (converted) {
        FUZZ_CHECK(converted->width <= picture::kMaxWidth && converted->height <= picture::kMaxHeight);
        FUZZ_CHECK(converted->raw.size() == qsizetype(converted->width) * converted->height * 2);
        FUZZ_CHECK(fuzz::readAll(header) == converted->header);
        FUZZ_CHECK(fuzz::readAll(raw) == converted->raw);
        FUZZ_CHECK(!form.connection->link.isOpen());
    } else {
        FUZZ_CHECK(!QFile::exists(header) && !QFile::exists(raw));
        FUZZ_CHECK(form.image->Image1->isHidden());
    }
    return 0;
}
