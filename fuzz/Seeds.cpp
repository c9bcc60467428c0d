// mirelon-fuzz-seeds OUTDIR: writes the fuzz targets' seed inputs, OUTDIR/<target>/<name>, from
// the same generators the tests and the simulator use.

#include "tools/sim/RunFiles.h"
#include "tools/sim/SettingsCommands.h"

#include "image/Picture.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

#include <cstdio>

namespace {

QString outDir;
bool failed = false;

void seed(const char *target, const QString &name, const QByteArray &bytes)
{
    const QString folder = outDir + QLatin1Char('/') + QLatin1String(target);
    QDir().mkpath(folder);
    QFile file(folder + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        failed = true;
    }
}

void runFileSeeds()
{
    struct Plan {
        const char *name;
        sim::RunFileKind kind;
        int runs, shifts;
        bool bumps;
    };
    const Plan plans[] = {
        {"FULL    ", sim::RunFileKind::Full, 12, 3, true},
        {"MANYRUNS", sim::RunFileKind::Full, 62, 4, true},
        {"NOSHIFT ", sim::RunFileKind::Full, 5, 0, false},
        {"OLD     ", sim::RunFileKind::Short, 20, 1, false},
        {"RALLY   ", sim::RunFileKind::Rallycross, 8, 0, false},
        {"EMPTY   ", sim::RunFileKind::Full, 0, 2, true},
    };
    std::uint32_t seedNumber = 1;
    for (const Plan &plan : plans) {
        const QByteArray file = sim::encodeRunFile(sim::generateSession(seedNumber++, plan.runs, plan.shifts, plan.bumps), plan.kind);
        const char flags = plan.kind == sim::RunFileKind::Rallycross ? 1 : 0;
        seed("runfile", QString::fromLatin1(plan.name).trimmed(), QByteArray(1, flags) + plan.name + file);
    }
    seed("runfile", QStringLiteral("odd-name"), QByteArray("\0../C:*?\t", 9) + QByteArray(40, '9'));
}

void settingsSeeds()
{
    const sim::SettingsRecords records = sim::defaultSettingsRecords();
    seed("settings", QStringLiteral("default"), records.practice + records.rallycross);
    seed("settings", QStringLiteral("practice-only"), records.practice);
    sim::SettingsRecords odd = records;
    for (const auto &[field, chars] : std::initializer_list<std::pair<const char *, QByteArray>>{
             {"LLog", "        "}, {"LTType", "3"}, {"RdmDial", "9"}, {"BtnMtnR", "3"}, {"AutoStartTime", "00"}})
        sim::setSettingsField(odd, QString::fromLatin1(field), chars);
    seed("settings", QStringLiteral("odd-codes"), odd.practice + odd.rallycross);
}

// A picture with colour bands, a gradient and a half-transparent corner.
QImage testPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba(x * 255 / width, y * 255 / height, (x / 8 % 2) * 255, x < width / 4 ? 128 : 255));
    return image;
}

QByteArray encoded(const QImage &image, const char *format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, quality)) {
        std::fprintf(stderr, "cannot encode %s\n", format);
        failed = true;
    }
    return bytes;
}

void pictureSeeds()
{
    // The first byte picks the extension: 0 png, 1 jpg, 2 gif, 3 bmp.
    seed("picture", QStringLiteral("small.png"), QByteArray(1, 0) + encoded(testPicture(16, 8), "PNG"));
    seed("picture", QStringLiteral("wide.jpg"), QByteArray(1, 1) + encoded(testPicture(600, 300), "JPEG", 30));
    seed("picture", QStringLiteral("flat.png"), QByteArray(1, 0) + encoded(testPicture(1000, 1), "PNG"));
    seed("picture", QStringLiteral("portrait.bmp"), QByteArray(1, 3) + encoded(testPicture(20, 600), "BMP"));
    // Qt writes no GIF: a 1 x 1 one by hand (header, palette of two, one LZW-coded pixel).
    static const char gif[] = "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00"
                              ",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;";
    seed("picture", QStringLiteral("tiny.gif"), QByteArray(1, 2) + QByteArray(gif, sizeof gif - 1));
    // The row-by-row decoders' other roads: a palette with alphas, 16-bit samples, and a
    // progressive JPEG turned by an EXIF block (big-endian, orientation 6) just after its start.
    seed("picture", QStringLiteral("palette.png"),
         QByteArray(1, 0) + encoded(testPicture(600, 300).convertToFormat(QImage::Format_Indexed8), "PNG"));
    seed("picture", QStringLiteral("deep.png"),
         QByteArray(1, 0) + encoded(testPicture(500, 20).convertToFormat(QImage::Format_RGBA64), "PNG"));
    QByteArray progressive;
    {
        QBuffer buffer(&progressive);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "JPEG");
        writer.setProgressiveScanWrite(true);
        writer.setQuality(30);
        if (!writer.write(testPicture(300, 700))) {
            std::fprintf(stderr, "cannot encode a progressive JPEG\n");
            failed = true;
        }
    }
    static const char exif[] = "\xFF\xE1\x00\x22" "Exif\0\0" "MM\0\x2A\0\0\0\x08" "\0\x01"
                               "\x01\x12\0\x03\0\0\0\x01\0\x06\0\0" "\0\0\0\0";
    progressive.insert(2, QByteArray(exif, sizeof exif - 1));
    seed("picture", QStringLiteral("turned.jpg"), QByteArray(1, 1) + progressive);

    // Working bitmaps of widths with each row padding (0 to 3 bytes).
    for (const QSize size : {QSize(1, 1), QSize(435, 3), QSize(362, 2), QSize(480, 10), QSize(3, 272)})
        seed("bitmap", QStringLiteral("%1x%2.bmp").arg(size.width()).arg(size.height()),
             picture::bmpFile(testPicture(size.width(), size.height()).convertToFormat(QImage::Format_RGB888)));
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: mirelon-fuzz-seeds OUTDIR\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // picture encoders
    outDir = QFile::decodeName(argv[1]);
    runFileSeeds();
    settingsSeeds();
    pictureSeeds();
    return failed ? 1 : 0;
}
