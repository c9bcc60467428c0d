#include "image/Decoders.h"
#include "image/Picture.h"
#include "tests/support/PictureFiles.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

// Picture files loaded into the working picture: JPEG and PNG read row by row, everything else
// through Qt's reader, all giving what a plain full decode gives.
class PictureLoadingTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString save(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return {};
        return path;
    }

    // The working picture the plain way: Qt decodes the whole picture (turned upright, with no
    // size limit), converts all of it to 32-bit ARGB, and each fitted pixel takes the pixel under
    // its centre, drawn on white.
    static QImage fullDecode(const QString &path)
    {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        reader.setAllocationLimit(0);
        const QImage argb = reader.read().convertToFormat(QImage::Format_ARGB32);
        const int w = argb.width(), h = argb.height();
        double factor = 1.0;
        if (w > 480 || h > 272) {
            factor = double(w) / 480;
            if (int(h / factor) > 272)
                factor = double(h) / 272;
        }
        QImage out(picture::fittedSize(w, h), QImage::Format_RGB888);
        const auto onWhite = [](int c, int a) { return (c * a + 255 * (255 - a) + 127) / 255; };
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x) {
                const QRgb p = argb.pixel(std::min(int((x + 0.5) * factor), w - 1), std::min(int((y + 0.5) * factor), h - 1));
                const int a = qAlpha(p);
                out.setPixel(x, y, qRgb(onWhite(qRed(p), a), onWhite(qGreen(p), a), onWhite(qBlue(p), a)));
            }
        return out;
    }

private slots:
    void sameAsFullDecode_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("file");
        using Colour = JpegOptions::Colour;
        // Odd sizes: partial blocks and MCUs at the right and bottom edges.
        const QImage wide = noisyPicture(1001, 703);
        const QImage tall = noisyPicture(297, 1003);
        const QImage small = noisyPicture(37, 23);
        const QImage clear = noisyPicture(1001, 703, true);
        const QImage clearSmall = noisyPicture(37, 23, true);

        QTest::newRow("jpeg 4:2:0") << "a.jpg" << jpegFile(wide);
        QTest::newRow("jpeg 4:2:0 tall") << "a.jpg" << jpegFile(tall);
        QTest::newRow("jpeg 4:2:0 fits") << "a.jpg" << jpegFile(small);
        for (int orientation = 1; orientation <= 8; ++orientation) {
            JpegOptions o;
            o.orientation = orientation;
            o.bigEndianExif = orientation % 2;
            QTest::addRow("jpeg orientation %d", orientation) << "a.jpg" << jpegFile(wide, o);
        }
        const std::pair<const char *, std::vector<std::pair<int, int>>> samplings[] = {
            {"4:4:4", {{1, 1}, {1, 1}, {1, 1}}}, {"4:2:2", {{2, 1}, {1, 1}, {1, 1}}},
            {"4:4:0", {{1, 2}, {1, 1}, {1, 1}}}, {"4:1:1", {{4, 1}, {1, 1}, {1, 1}}},
            {"4:1:0", {{4, 2}, {1, 1}, {1, 1}}}, {"1x2 in all components", {{1, 2}, {1, 2}, {1, 2}}},
        };
        for (const auto &[name, sampling] : samplings) {
            JpegOptions o;
            o.sampling = sampling;
            QTest::addRow("jpeg %s", name) << "a.jpg" << jpegFile(wide, o);
        }
        JpegOptions o;
        o.colour = Colour::Grey;
        o.sampling = {{1, 1}};
        QTest::newRow("jpeg grey") << "a.jpg" << jpegFile(wide, o);
        o.sampling = {{2, 2}};
        QTest::newRow("jpeg grey, 2x2 sampling") << "a.jpg" << jpegFile(wide, o);
        o = {};
        o.colour = Colour::Cmyk;
        o.sampling = {{1, 1}, {1, 1}, {1, 1}, {1, 1}};
        QTest::newRow("jpeg cmyk") << "a.jpg" << jpegFile(wide, o);
        o = {};
        o.progressive = true;
        QTest::newRow("jpeg progressive") << "a.jpg" << jpegFile(wide, o);
        o.orientation = 6;
        QTest::newRow("jpeg progressive, turned") << "a.jpg" << jpegFile(tall, o);
        o = {};
        o.progressive = true;
        o.colour = Colour::Cmyk;
        o.sampling = {{1, 1}, {1, 1}, {1, 1}, {1, 1}};
        QTest::newRow("jpeg progressive cmyk, 18 scans") << "a.jpg" << jpegFile(wide, o);
        o = {};
        o.progressive = true;
        QTest::newRow("jpeg progressive, last scan 5 times") << "a.jpg" << jpegRepeatingLastScan(jpegFile(wide, o), 14);

        const struct {
            const char *name;
            PngOptions options;
            bool alpha;
        } pngs[] = {
            {"png grey 1-bit", {0, 1}, false}, {"png grey 2-bit", {0, 2}, false},
            {"png grey 4-bit", {0, 4}, false}, {"png grey 8-bit", {0, 8}, false},
            {"png grey 16-bit", {0, 16}, false}, {"png grey 1-bit, tRNS", {0, 1, false, true}, false},
            {"png grey 8-bit, tRNS", {0, 8, false, true}, false}, {"png grey 16-bit, tRNS", {0, 16, false, true}, false},
            {"png grey + alpha", {4, 8}, true}, {"png grey + alpha 16-bit", {4, 16}, true},
            {"png rgb", {2, 8}, false}, {"png rgb, tRNS", {2, 8, false, true}, false},
            {"png rgb 16-bit", {2, 16}, false}, {"png rgba", {6, 8}, true}, {"png rgba 16-bit", {6, 16}, true},
            {"png palette 1-bit", {3, 1}, false}, {"png palette 2-bit", {3, 2}, false},
            {"png palette 4-bit", {3, 4}, false}, {"png palette 8-bit", {3, 8}, false},
            {"png palette, alphas", {3, 8, false, true}, false}, {"png palette 4-bit, alphas", {3, 4, false, true}, false},
            {"png interlaced rgba", {6, 8, true}, true}, {"png interlaced palette 2-bit", {3, 2, true, true}, false},
            {"png interlaced grey 16-bit", {0, 16, true}, false},
        };
        for (const auto &png : pngs)
            QTest::newRow(png.name) << "a.png" << pngFile(png.alpha ? clear : wide, png.options);
        QTest::newRow("png rgba tall") << "a.png" << pngFile(noisyPicture(297, 1003, true), {6, 8});
        QTest::newRow("png rgba fits") << "a.png" << pngFile(clearSmall, {6, 8});
        QTest::newRow("png interlaced, fits") << "a.png" << pngFile(clearSmall, {6, 8, true});

        QTest::newRow("gif palette, transparent") << "a.gif" << gifFile(clear);
        QTest::newRow("gif fits") << "a.gif" << gifFile(clearSmall);
        const auto bmp = [](const QImage &image) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "BMP");
            return bytes;
        };
        QTest::newRow("bmp 24-bit") << "a.bmp" << bmp(wide.convertToFormat(QImage::Format_RGB32));
        QTest::newRow("bmp 8-bit palette") << "a.bmp" << bmp(tall.convertToFormat(QImage::Format_Indexed8));
        QTest::newRow("bmp fits") << "a.bmp" << bmp(small.convertToFormat(QImage::Format_RGB32));
    }
    void sameAsFullDecode()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, file);
        QVERIFY(!file.isEmpty());
        const QString path = save(name, file);
        const QImage expected = fullDecode(path);
        QVERIFY(!expected.isNull());
        const picture::LoadedPicture loaded = picture::loadWorkingPicture(path);
        QCOMPARE(loaded.error, QString());
        QCOMPARE(loaded.working.format(), QImage::Format_RGB888);
        QCOMPARE(loaded.working.size(), expected.size());
        for (int y = 0; y < expected.height(); ++y)
            for (int x = 0; x < expected.width(); ++x)
                if (loaded.working.pixel(x, y) != expected.pixel(x, y))
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is %3, a full decode gives %4")
                                         .arg(x).arg(y).arg(loaded.working.pixel(x, y), 8, 16).arg(expected.pixel(x, y), 8, 16)));
    }

    // A small file declaring a huge picture is refused from its header, with both sizes named.
    void hugePicturesAreRefusedUnread_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("size");
        QTest::newRow("png") << "bomb.png" << pngDeclaring(100000, 100000) << "100000 x 100000";
        QTest::newRow("png, largest side PNG allows") << "bomb.png" << pngDeclaring(0x7FFFFFFF, 2) << "2147483647 x 2";
        QTest::newRow("jpeg") << "bomb.jpg" << jpegDeclaring(60000, 60000) << "60000 x 60000";
        QTest::newRow("jpeg, one column too many") << "bomb.jpg" << jpegDeclaring(16385, 12288) << "16385 x 12288";
        QTest::newRow("gif") << "bomb.gif" << gifDeclaring(65535, 65535) << "65535 x 65535";
    }
    void hugePicturesAreRefusedUnread()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, file);
        QFETCH(QString, size);
        const picture::LoadedPicture loaded = picture::loadWorkingPicture(save(name, file));
        QVERIFY(loaded.working.isNull());
        QCOMPARE(loaded.error, QStringLiteral("Image Too Large: %1 pixels; the largest accepted is 201,326,592 pixels (16384 x 12288)").arg(size));
    }

    // The largest accepted picture is taken (its data missing, the rest shows grey, as in Qt's
    // reader), and in a time that does not grow with the missing data.
    void largestPictureLoads()
    {
        const picture::LoadedPicture loaded = picture::loadWorkingPicture(save(QStringLiteral("large.jpg"), jpegDeclaring(16384, 12288)));
        QCOMPARE(loaded.error, QString());
        QCOMPARE(loaded.working.size(), QSize(362, 272));
        QCOMPARE(loaded.working.pixel(200, 200), qRgb(128, 128, 128));
        // A PNG of that size with its data cut short fails on the data, not on its size.
        const picture::LoadedPicture png = picture::loadWorkingPicture(save(QStringLiteral("large.png"), pngDeclaring(16384, 12288)));
        QVERIFY(png.working.isNull());
        QVERIFY2(png.error.startsWith(QStringLiteral("Unable to read image data: ")), qPrintable(png.error));
    }

    // A progressive JPEG is held whole as coefficients while it decodes: one that would need more
    // than the decoder's bound (here 16384 x 12288 at 4:4:4, 1.2 GB) is refused before any is
    // allocated, saying why.
    void progressiveJpegBeyondTheMemoryBound()
    {
        JpegOptions o;
        o.progressive = true;
        o.sampling = {{1, 1}, {1, 1}, {1, 1}};
        QByteArray jpeg = jpegFile(noisyPicture(16, 16), o);
        const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC2", 2));
        QVERIFY(sof > 0);
        qToBigEndian<quint16>(12288, jpeg.data() + sof + 5);
        qToBigEndian<quint16>(16384, jpeg.data() + sof + 7);
        const picture::LoadedPicture loaded = picture::loadWorkingPicture(save(QStringLiteral("deep.jpg"), jpeg));
        QVERIFY(loaded.working.isNull());
        QCOMPARE(loaded.error, QStringLiteral("Unable to read image data: this progressive JPEG needs more than 768 MB to decode"));
    }

    // Each scan of a progressive JPEG goes over all the blocks of its components, however little
    // data it holds: a small file repeating a scan thousands of times would hold the decoder for
    // minutes. Such files are refused from their markers, before the picture's coefficients are
    // set up (600 MB for 16384 x 12288); the scans encoders write load (above).
    void repeatedScansAreRefused_data()
    {
        QTest::addColumn<QByteArray>("file");
        JpegOptions o;
        o.progressive = true;
        QByteArray huge = jpegRepeatingLastScan(jpegFile(noisyPicture(16, 16), o), 3000);
        const qsizetype sof = huge.indexOf(QByteArray("\xFF\xC2", 2));
        QVERIFY(sof > 0);
        qToBigEndian<quint16>(12288, huge.data() + sof + 5);
        qToBigEndian<quint16>(16384, huge.data() + sof + 7);
        QTest::newRow("3000 scans of 16384 x 12288") << huge;
        QTest::newRow("101 scans") << jpegRepeatingLastScan(jpegFile(noisyPicture(64, 48), o), 101);
        o.sampling = {{1, 1}, {1, 1}, {1, 1}};
        QTest::newRow("scans going over the picture 21 times")
            << jpegRepeatingLastScan(jpegFile(noisyPicture(64, 48), o), 10 + 50); // each a third of it
    }
    void repeatedScansAreRefused()
    {
        QFETCH(QByteArray, file);
        QVERIFY(file.size() > 1000);
        const picture::LoadedPicture loaded = picture::loadWorkingPicture(save(QStringLiteral("scans.jpg"), file));
        QVERIFY(loaded.working.isNull());
        QCOMPARE(loaded.error, QStringLiteral("Unable to read image data: the JPEG has too many scans"));
    }

    // Files that cost far more to decode than their size suggests are fitted at the cost of
    // what they show, or refused before the cost: a drawing is drawn at its fitted size and its
    // text bounded, scans are counted however much padding hides them, and formats decoded
    // whole are held to the memory their decoding takes.
    void hostilePicturesAreFittedOrRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<qint64>("size");     // the file made this long (sparse), or 0
        QTest::addColumn<QString>("outcome"); // the error's start, or the fitted size
        const qint64 tenGB = qint64(10) << 30;
        const QString tooManyScans = QStringLiteral("Unable to read image data: the JPEG has too many scans");
        const QString drawingTooLarge = QStringLiteral("Image Too Large: the drawing holds more than 1 MB of text");
        QTest::newRow("svgz inflating to 64 MB") << "a.svgz" << svgzInflatingTo(64 << 20) << qint64(0) << drawingTooLarge;
        QTest::newRow("svg over 1 MB") << "a.svg" << svgCircles(100, 100, 20000) << qint64(0) << drawingTooLarge;
        QTest::newRow("svg declaring 16384 x 12288") << "a.svg" << svgCircles(16384, 12288, 400) << qint64(0) << "362 x 272";
        QTest::newRow("svgz, small") << "a.svgz" << svgzInflatingTo(1000) << qint64(0) << "100 x 100";

        // 68 MB of comments after the second scan, then the rest of the scans.
        const auto padded = [](const QByteArray &jpeg, quint16 width, quint16 height) {
            QByteArray out = jpegPaddedAfterSecondScan(jpeg, 68 << 20);
            const qsizetype sof = out.indexOf(QByteArray("\xFF\xC2", 2));
            qToBigEndian(height, out.data() + sof + 5);
            qToBigEndian(width, out.data() + sof + 7);
            return out;
        };
        JpegOptions o;
        o.progressive = true;
        QTest::newRow("3000 scans behind padding") << "a.jpg" << padded(jpegRepeatingLastScan(jpegFile(noisyPicture(16, 16), o), 3000), 16384, 12288)
                                                   << qint64(0) << tooManyScans;
        o.sampling = {{1, 1}, {1, 1}, {1, 1}};
        QTest::newRow("100 passes behind padding") << "a.jpg" << padded(jpegRepeatingLastScan(jpegFile(noisyPicture(64, 48), o), 10 + 90), 4000, 3000)
                                                   << qint64(0) << tooManyScans;

        const QString tooLarge = QStringLiteral("Image Too Large: 16384 x 12288 pixels; the largest ");
        QTest::newRow("gif 16384 x 12288") << "a.gif" << gifDeclaring(16384, 12288) << qint64(0) << tooLarge;
        QTest::newRow("gif 16384 x 12288, 10 GB") << "a.gif" << gifDeclaring(16384, 12288) << tenGB << tooLarge;
        QTest::newRow("bmp 16384 x 12288, 10 GB") << "a.bmp" << bmpDeclaring(16384, 12288) << tenGB << tooLarge;
        QTest::newRow("tiff 16384 x 12288") << "a.tif" << tiffDeclaring(16384, 12288) << qint64(0) << tooLarge;
        QTest::newRow("webp 16383 x 12288") << "a.webp" << webpOneColour(16383, 12288) << qint64(0)
                                            << "Image Too Large: 16383 x 12288 pixels; the largest ";
        QTest::newRow("bmp without its rows") << "a.bmp" << bmpDeclaring(4000, 3000) << qint64(0)
                                              << "Unable to read image data: the file holds 54 bytes, too few for the 4000 x 3000 pixels";
        QTest::newRow("webp 4000 x 3000") << "a.webp" << webpOneColour(4000, 3000) << qint64(0) << "362 x 272";
        const QByteArray bmp = bmpDeclaring(4000, 3000);
        QTest::newRow("bmp 4000 x 3000 of zeros") << "a.bmp" << bmp << bmp.size() + qint64(3) * 4000 * 3000 << "362 x 272";
    }
    void hostilePicturesAreFittedOrRefused()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, file);
        QFETCH(qint64, size);
        QFETCH(QString, outcome);
        const QByteArray format = name.section(QLatin1Char('.'), -1).toLatin1();
        const bool fits = !outcome.contains(QLatin1Char(':'));
        // A compressed drawing too large is refused before any plugin sees it.
        if ((format == "svg" || (format == "svgz" && fits)) && !QImageReader::supportedImageFormats().contains("svg"))
            QSKIP("Qt's SVG plugin is not installed");
        if (format == "webp" && !QImageReader::supportedImageFormats().contains(format))
            QSKIP("Qt's WebP plugin is not installed");
        const QString path = save(name, file);
        QVERIFY(!path.isEmpty());
        if (size > 0 && !QFile(path).resize(size))
            QSKIP("this file system cannot hold the sparse file");
        const picture::LoadedPicture loaded = picture::loadWorkingPicture(path);
        QFile::remove(path);
        if (fits) {
            QCOMPARE(loaded.error, QString());
            QCOMPARE(QStringLiteral("%1 x %2").arg(loaded.working.width()).arg(loaded.working.height()), outcome);
        } else {
            QVERIFY(loaded.working.isNull());
            QVERIFY2(loaded.error.startsWith(outcome), qPrintable(loaded.error));
        }
    }

    // A huge file of nothing after a picture's first bytes (sparse, so it takes no disk) is
    // refused once it holds more than a picture of its size can, not read through to its end.
    void hugeEmptyFilesAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QString>("error"); // empty: any
        const QString tooMuch = QStringLiteral("Unable to read image data: the JPEG holds far more data than its picture can need");
        const QByteArray jpeg = jpegFile(noisyPicture(64, 48));
        QTest::newRow("jpeg, its first marker") << "a.jpg" << jpeg.left(20) << tooMuch;
        QTest::newRow("jpeg, its headers") << "a.jpg" << jpeg.left(jpeg.indexOf(QByteArray("\xFF\xDA", 2))) << tooMuch;
        JpegOptions o;
        o.progressive = true;
        const QByteArray progressive = jpegFile(noisyPicture(64, 48), o);
        const qsizetype firstScan = progressive.indexOf(QByteArray("\xFF\xDA", 2));
        const qsizetype secondScan = progressive.indexOf(QByteArray("\xFF\xDA", 2), firstScan + 2);
        QVERIFY(firstScan > 0 && secondScan > firstScan);
        QTest::newRow("progressive jpeg, after its first scan") << "a.jpg" << progressive.left(secondScan - 20) << tooMuch;
        // A chunk of 2 GB that libpng would skip through.
        const QByteArray png = pngFile(noisyPicture(64, 48), {2, 8});
        QTest::newRow("png, a 2 GB chunk") << "a.png" << png.left(33) + QByteArray("\x7F\xFF\xFF\x00zzZz", 8)
                                            << "Unable to read image data: the file holds far more data than its picture can need";
        QTest::newRow("gif, its header") << "a.gif" << gifFile(noisyPicture(64, 48)).left(13 + 768) << "";
    }
    void hugeEmptyFilesAreRefused()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, start);
        QFETCH(QString, error);
        const QString path = save(name, start);
        QFile file(path);
        if (!file.resize(qint64(10) << 30))
            QSKIP("this file system cannot hold a sparse file of 10 GB");
        const picture::LoadedPicture loaded = picture::loadWorkingPicture(path);
        QFile::remove(path);
        QVERIFY(loaded.working.isNull());
        if (!error.isEmpty())
            QCOMPARE(loaded.error, error);
        QVERIFY(!loaded.error.isEmpty());
    }

    // A file is read as far as it went when it was opened: one that keeps growing is not followed.
    void onlyWhatTheFileHeldWhenOpenedIsRead()
    {
        const QString path = save(QStringLiteral("growing.jpg"), QByteArray("\xFF\xD8 start"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        picture::detail::PictureInput input(file, file.size());
        QFile writer(path);
        QVERIFY(writer.open(QIODevice::Append));
        QCOMPARE(writer.write(QByteArray(100000, 'x')), 100000);
        writer.close();
        QCOMPARE(input.readAll(), QByteArray("\xFF\xD8 start"));
    }

    void damagedFilesAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("file");
        const QByteArray jpeg = jpegFile(noisyPicture(600, 400));
        const QByteArray png = pngFile(noisyPicture(600, 400), {2, 8});
        QByteArray badCrc = png;
        badCrc[20] = char(badCrc[20] ^ 1); // inside IHDR
        QTest::newRow("jpeg header cut") << "a.jpg" << jpeg.left(100);
        QTest::newRow("png cut in its data") << "a.png" << png.left(png.size() / 2);
        QTest::newRow("png header damaged") << "a.png" << badCrc;
        QTest::newRow("png signature only") << "a.png" << png.left(8);
        QTest::newRow("not a picture") << "a.png" << QByteArray("just text");
        QTest::newRow("empty") << "a.jpg" << QByteArray();
    }
    void damagedFilesAreRefused()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, file);
        const picture::LoadedPicture loaded = picture::loadWorkingPicture(save(name, file));
        QVERIFY(loaded.working.isNull());
        QVERIFY(!loaded.error.isEmpty());
    }

    // A JPEG whose data stops early still loads, as in Qt's reader: the rest shows grey.
    void cutOffJpegShowsWhatArrived()
    {
        const QByteArray jpeg = jpegFile(noisyPicture(1001, 703));
        const QString path = save(QStringLiteral("cut.jpg"), jpeg.left(jpeg.size() / 2));
        const picture::LoadedPicture loaded = picture::loadWorkingPicture(path);
        QCOMPARE(loaded.error, QString());
        QCOMPARE(loaded.working, fullDecode(path));
        QCOMPARE(loaded.working.pixel(200, 271), qRgb(128, 128, 128));
    }

#ifdef Q_OS_UNIX
    // A FIFO would block the reader until something writes to it: it is refused unopened. The
    // window says so as it says every file error, in the runtime's words.
    void fifoIsRefusedUnopened()
    {
        const QString path = dir.filePath(QStringLiteral("pipe.png"));
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        const picture::LoadedPicture loaded = picture::loadWorkingPicture(path);
        QVERIFY(loaded.working.isNull());
        QCOMPARE(loaded.error, QStringLiteral("File access denied."));
        QCOMPARE(picture::loadWorkingPicture(dir.path()).error, QStringLiteral("File access denied.")); // a folder neither
        QCOMPARE(picture::loadWorkingPicture(dir.filePath(QStringLiteral("gone.png"))).error, QStringLiteral("File not found."));
    }
#endif

    // EXIF blocks as cameras write them, and damaged ones, which give no orientation.
    void exifOrientation_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<int>("orientation");
        // Big-endian: header, one directory with one entry (tag, type, count, value), no next.
        const QByteArray good("Exif\0\0MM\0\x2A\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0\0\0\0\0", 32);
        const auto changed = [&good](int at, char value) {
            QByteArray bytes = good;
            bytes[at] = value;
            return bytes;
        };
        QTest::newRow("rotate 90") << good << 6;
        QTest::newRow("little-endian") << QByteArray("Exif\0\0II\x2A\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x08\0\0\0\0\0\0\0", 32) << 8;
        QTest::newRow("value 9") << changed(25, 9) << 0;
        QTest::newRow("value 0") << changed(25, 0) << 0;
        QTest::newRow("type LONG") << changed(19, 4) << 0;
        QTest::newRow("two values") << changed(23, 2) << 0;
        QTest::newRow("unknown byte order") << changed(6, 'X') << 0;
        QTest::newRow("not 42") << changed(9, 43) << 0;
        QTest::newRow("directory past the end") << changed(13, 0x7F) << 0;
        QByteArray otherTag = changed(15, 9); // nine entries claimed, one there and not the orientation
        otherTag[17] = 0x13;
        QTest::newRow("entries past the end") << otherTag << 0;
        QTest::newRow("cut inside the entry") << good.left(24) << 0;
        QTest::newRow("no Exif header") << changed(0, 'X') << 0;
    }
    void exifOrientation()
    {
        QFETCH(QByteArray, block);
        QFETCH(int, orientation);
        // A copy of exactly the block's length, so a read past its end is caught.
        const QByteArray exact(block.constData(), block.size());
        QCOMPARE(picture::detail::exifOrientation(reinterpret_cast<const uchar *>(exact.constData()), std::size_t(exact.size())), orientation);
    }
};

QTEST_GUILESS_MAIN(PictureLoadingTest)
#include "test_picture_loading.moc"
