// Writes the hostile pictures into a folder, at the sizes that hurt, for measuring the loader
// by hand: `make-hostile-pictures DIR`, then `/usr/bin/time -v vantrelock image fit DIR/FILE`.

#include "tests/support/PictureFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QtEndian>

#include <cstdio>

namespace {

bool save(const QString &path, const QByteArray &bytes, qint64 size = 0)
{
    QFile file(path);
    const bool ok = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()
                    && (size == 0 || file.resize(size));
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

QByteArray declaring(QByteArray jpeg, quint16 width, quint16 height)
{
    const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC2", 2));
    qToBigEndian(height, jpeg.data() + sof + 5);
    qToBigEndian(width, jpeg.data() + sof + 7);
    return jpeg;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-hostile-pictures DIR\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(dir.path());
    constexpr qint64 kTenGB = qint64(10) << 30;
    constexpr qint64 kPadding = 68 << 20;
    bool ok = save(dir.filePath("spaces.svgz"), svgzInflatingTo(qint64(1600) << 20));
    ok &= save(dir.filePath("circles.svg"), svgCircles(16384, 12288, 400));
    JpegOptions o;
    o.progressive = true;
    const QByteArray scans3000 = declaring(jpegRepeatingLastScan(jpegFile(noisyPicture(16, 16), o), 3000), 16384, 12288);
    ok &= save(dir.filePath("scans-3000-padded.jpg"), jpegPaddedAfterSecondScan(scans3000, kPadding));
    o.sampling = {{1, 1}, {1, 1}, {1, 1}};
    // 100 passes over a picture whose scans hold no data for its size
    const QByteArray passes = declaring(jpegRepeatingLastScan(jpegFile(noisyPicture(64, 48), o), 10 + 90), 4000, 3000);
    ok &= save(dir.filePath("passes-100-padded.jpg"), jpegPaddedAfterSecondScan(passes, kPadding));
    ok &= save(dir.filePath("large.gif"), gifDeclaring(16384, 12288));
    const QByteArray tiff = tiffDeclaring(16384, 12288);
    ok &= save(dir.filePath("large.tif"), tiff, tiff.size() + qint64(3) * 16384 * 12288);
    ok &= save(dir.filePath("large.webp"), webpOneColour(16383, 12288));
    ok &= save(dir.filePath("sparse.gif"), gifDeclaring(16384, 12288), kTenGB);
    ok &= save(dir.filePath("sparse.bmp"), bmpDeclaring(16384, 12288), kTenGB);
    // The largest each format decoded whole takes, at its budget: their peak memory is the bound.
    ok &= save(dir.filePath("edge.gif"), gifDeclaring(6400, 4587));
    ok &= save(dir.filePath("edge.webp"), webpOneColour(6400, 4587));
    const QByteArray bmp = bmpDeclaring(8192, 7168);
    ok &= save(dir.filePath("edge.bmp"), bmp, bmp.size() + qint64(3) * 8192 * 7168);
    const QByteArray edgeTiff = tiffDeclaring(8192, 7168);
    ok &= save(dir.filePath("edge.tif"), edgeTiff, edgeTiff.size() + qint64(3) * 8192 * 7168);
    const qsizetype perShape = svgCircles(16384, 12288, 2).size() - svgCircles(16384, 12288, 1).size();
    const QByteArray drawing = svgCircles(16384, 12288, int((1 << 20) / perShape) - 10); // just under 1 MB
    ok &= save(dir.filePath("edge.svg"), drawing);
    const bool png = writePng16(dir.filePath("deep.png"), 16384, 12288);
    std::printf("%s %s\n", png ? "wrote" : "FAILED", qPrintable(dir.filePath("deep.png")));
    return ok && png ? 0 : 1;
}
