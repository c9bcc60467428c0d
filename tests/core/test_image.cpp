#include "image/Picture.h"
#include "tests/support/Pictures.h"

#include <QBuffer>
#include <QImageReader>
#include <QTest>
#include <QtEndian>

// The picture's plain steps: fitting, the 24-bit working bitmap and the raw conversion.
class ImageTest : public QObject {
    Q_OBJECT

    static void put32(QByteArray &bytes, int at, quint32 value) { qToLittleEndian(value, bytes.data() + at); }

private slots:
    void fitting_data()
    {
        QTest::addColumn<QSize>("source");
        QTest::addColumn<QSize>("fitted");
        QTest::newRow("fits") << QSize(100, 50) << QSize(100, 50);
        QTest::newRow("exactly the display") << QSize(480, 272) << QSize(480, 272);
        QTest::newRow("one column too wide") << QSize(481, 272) << QSize(480, 271);
        QTest::newRow("640x480") << QSize(640, 480) << QSize(362, 272);
        QTest::newRow("800x600") << QSize(800, 600) << QSize(362, 272);
        QTest::newRow("1024x768") << QSize(1024, 768) << QSize(362, 272);
        QTest::newRow("480x300") << QSize(480, 300) << QSize(435, 272);
        QTest::newRow("portrait") << QSize(272, 480) << QSize(154, 272);
        QTest::newRow("twice the display") << QSize(960, 544) << QSize(480, 272);
        QTest::newRow("1920x1080") << QSize(1920, 1080) << QSize(480, 270);
        QTest::newRow("1280x720") << QSize(1280, 720) << QSize(480, 270);
        QTest::newRow("1000x500 truncates") << QSize(1000, 500) << QSize(480, 239);
        QTest::newRow("2000x1000 truncates") << QSize(2000, 1000) << QSize(480, 239);
        QTest::newRow("flat to nothing") << QSize(1000, 1) << QSize(480, 0);
        QTest::newRow("narrow to nothing") << QSize(1, 300) << QSize(0, 272);
    }
    void fitting()
    {
        QFETCH(QSize, source);
        QFETCH(QSize, fitted);
        QCOMPARE(picture::fittedSize(source.width(), source.height()), fitted);
        QImage image(source, QImage::Format_RGB888);
        image.fill(Qt::gray);
        const QImage working = picture::workingPicture(image);
        QCOMPARE(working.isNull(), fitted.isEmpty());
        if (!fitted.isEmpty()) {
            QCOMPARE(working.size(), fitted);
            QCOMPARE(working.format(), QImage::Format_RGB888);
        }
    }

    void smallPictureKeepsEveryPixel()
    {
        const QImage source = testPattern(100, 50);
        QCOMPARE(picture::workingPicture(source), source);
    }

    // Shrinking drops rows and columns: a fine checkerboard stays pure black and white.
    void shrinkingTakesNearestPixelsWithoutAveraging()
    {
        QImage board(960, 544, QImage::Format_RGB32);
        for (int y = 0; y < board.height(); ++y)
            for (int x = 0; x < board.width(); ++x)
                board.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        const QImage working = picture::workingPicture(board);
        QCOMPARE(working.size(), QSize(480, 272));
        for (int y = 0; y < working.height(); ++y)
            for (int x = 0; x < working.width(); ++x) {
                const QRgb p = working.pixel(x, y);
                QVERIFY2(p == qRgb(0, 0, 0) || p == qRgb(255, 255, 255), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            }
        // The picture's far corner still shows: the last target pixel samples near the last source one.
        QImage ramp(1000, 500, QImage::Format_RGB32);
        for (int x = 0; x < ramp.width(); ++x)
            for (int y = 0; y < ramp.height(); ++y)
                ramp.setPixel(x, y, qRgb(x * 255 / 999, y * 255 / 499, 0));
        const QImage fitted = picture::workingPicture(ramp);
        QVERIFY(qRed(fitted.pixel(479, 238)) >= 253);
        QVERIFY(qGreen(fitted.pixel(479, 238)) >= 250);
    }

    void transparentPngIsFlattenedOntoWhite()
    {
        QImage source(4, 1, QImage::Format_ARGB32);
        source.setPixel(0, 0, qRgba(0, 0, 0, 0));      // clear
        source.setPixel(1, 0, qRgba(255, 0, 0, 255));  // opaque red
        source.setPixel(2, 0, qRgba(0, 0, 255, 128));  // half blue
        source.setPixel(3, 0, qRgba(0, 0, 0, 64));     // faint black
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(source.save(&buffer, "PNG"));
        buffer.close();
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "PNG");
        const QImage working = picture::workingPicture(reader.read());
        QCOMPARE(working.format(), QImage::Format_RGB888);
        QVERIFY(!working.hasAlphaChannel());
        QCOMPARE(working.pixel(0, 0), qRgb(255, 255, 255));
        QCOMPARE(working.pixel(1, 0), qRgb(255, 0, 0));
        QCOMPARE(working.pixel(2, 0), qRgb(127, 127, 255));
        QCOMPARE(working.pixel(3, 0), qRgb(191, 191, 191));
    }

    void bitmapFile_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("pad");
        QTest::newRow("1 wide") << 1 << 1;
        QTest::newRow("362 wide") << 362 << 2;
        QTest::newRow("435 wide") << 435 << 3;
        QTest::newRow("480 wide") << 480 << 0;
    }
    // The working bitmap's layout, and that another reader (the start-up preview) reads it back.
    void bitmapFile()
    {
        QFETCH(int, width);
        QFETCH(int, pad);
        const int height = 3;
        const QImage image = testPattern(width, height);
        const QByteArray bmp = picture::bmpFile(image);
        QCOMPARE(picture::rowPadding(width), pad);
        const int stride = 3 * width + pad;
        QCOMPARE(bmp.size(), 54 + stride * height);
        QVERIFY(bmp.startsWith("BM"));
        QCOMPARE(qFromLittleEndian<quint32>(bmp.constData() + 2), quint32(bmp.size()));
        QCOMPARE(qFromLittleEndian<quint32>(bmp.constData() + 10), 54u);
        QCOMPARE(qFromLittleEndian<quint32>(bmp.constData() + 14), 40u);
        QCOMPARE(qFromLittleEndian<qint32>(bmp.constData() + 18), width);
        QCOMPARE(qFromLittleEndian<qint32>(bmp.constData() + 22), height); // bottom-up
        QCOMPARE(qFromLittleEndian<quint16>(bmp.constData() + 28), quint16(24));
        QCOMPARE(qFromLittleEndian<quint32>(bmp.constData() + 46), 0u); // no colour table
        // The first stored row is the bottom one, blue first.
        const QRgb bottomLeft = image.pixel(0, height - 1);
        QCOMPARE(quint8(bmp[54]), quint8(qBlue(bottomLeft)));
        QCOMPARE(quint8(bmp[56]), quint8(qRed(bottomLeft)));
        QCOMPARE(QImage::fromData(bmp, "BMP").convertToFormat(QImage::Format_RGB888), image);
    }

    void conversion_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("1x1") << 1 << 1;
        QTest::newRow("362 wide, pad 2") << 362 << 4;
        QTest::newRow("435 wide, pad 3") << 435 << 4;
        QTest::newRow("480x272, no pad") << 480 << 272;
    }
    void conversion()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        const QImage image = testPattern(width, height);
        const std::optional<picture::RawPicture> raw = picture::convertBitmap(picture::bmpFile(image));
        QVERIFY(raw);
        QCOMPARE(raw->header, QStringLiteral("7,%1,%2").arg(width).arg(height).toLatin1());
        QCOMPARE(raw->raw.size(), width * height * 2);
        QCOMPARE(raw->raw, expectedRaw(image));
    }

    void redTopRowComesFirst()
    {
        QImage image(435, 3, QImage::Format_RGB888);
        image.fill(Qt::black);
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, 0, qRgb(255, 0, 0));
        const std::optional<picture::RawPicture> raw = picture::convertBitmap(picture::bmpFile(image));
        QVERIFY(raw);
        QByteArray expected;
        for (int x = 0; x < 435; ++x)
            expected.append('\x00').append('\xF8');
        expected.append(QByteArray(435 * 2 * 2, '\0'));
        QCOMPARE(raw->raw, expected);
    }

    void pixelValues_data()
    {
        QTest::addColumn<QRgb>("colour");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("red") << qRgb(255, 0, 0) << QByteArray("\x00\xF8", 2);
        QTest::newRow("green") << qRgb(0, 255, 0) << QByteArray("\xE0\x07", 2);
        QTest::newRow("blue") << qRgb(0, 0, 255) << QByteArray("\x1F\x00", 2);
        QTest::newRow("white") << qRgb(255, 255, 255) << QByteArray("\xFF\xFF", 2);
        QTest::newRow("low bits dropped") << qRgb(0x07, 0x03, 0x07) << QByteArray("\x00\x00", 2);
        QTest::newRow("one step each") << qRgb(0x08, 0x04, 0x08) << QByteArray("\x21\x08", 2);
    }
    void pixelValues()
    {
        QFETCH(QRgb, colour);
        QFETCH(QByteArray, bytes);
        QImage image(1, 1, QImage::Format_RGB888);
        image.setPixel(0, 0, colour);
        QCOMPARE(picture::convertBitmap(picture::bmpFile(image))->raw, bytes);
    }

    // A bitmap that another program wrote (here Qt's own writer) converts the same.
    void foreignBitmapConverts()
    {
        const QImage image = testPattern(37, 5);
        QByteArray bmp;
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(image.save(&buffer, "BMP"));
        const std::optional<picture::RawPicture> raw = picture::convertBitmap(bmp);
        QVERIFY(raw);
        QCOMPARE(raw->raw, expectedRaw(image));
    }

    // Anything but a sound 24-bit bottom-up bitmap of at most 480 x 272 is refused, and nothing
    // is read beyond the bytes given (the sanitizer build watches that).
    void refusedBitmaps_data()
    {
        QTest::addColumn<QByteArray>("file");
        const QImage small = testPattern(10, 4);
        const QByteArray good = picture::bmpFile(small);
        auto changed = [&good](int at, quint32 value) {
            QByteArray bytes = good;
            put32(bytes, at, value);
            return bytes;
        };
        QByteArray notBm = good;
        notBm[0] = 'X';
        QImage wide(481, 1, QImage::Format_RGB888);
        wide.fill(Qt::white);
        QImage high(1, 273, QImage::Format_RGB888);
        high.fill(Qt::white);
        QByteArray topDown = good;
        put32(topDown, 22, quint32(-4));
        QByteArray bits32 = good;
        qToLittleEndian<quint16>(32, bits32.data() + 28);
        QByteArray truncated = good.left(good.size() - 1);
        put32(truncated, 2, quint32(truncated.size()));

        QTest::newRow("empty") << QByteArray();
        QTest::newRow("headers cut short") << good.left(53);
        QTest::newRow("no BM signature") << notBm;
        QTest::newRow("481 wide") << picture::bmpFile(wide);
        QTest::newRow("273 high") << picture::bmpFile(high);
        QTest::newRow("zero wide") << changed(18, 0);
        QTest::newRow("top-down") << topDown;
        QTest::newRow("32 bits per pixel") << bits32;
        QTest::newRow("compressed") << changed(30, 1);
        QTest::newRow("pixels past the end") << truncated;
        QTest::newRow("file size field wrong") << changed(2, quint32(good.size() + 10));
        QTest::newRow("file cut, header unchanged") << good.left(good.size() - 10);
        QTest::newRow("offset past the end") << changed(10, quint32(good.size()));
        QTest::newRow("offset huge") << changed(10, 0xFFFFFFF0u);
        QTest::newRow("offset inside the headers") << changed(10, 20);
        QTest::newRow("information header huge") << changed(14, 0xFFFFFFF0u);
    }
    void refusedBitmaps()
    {
        QFETCH(QByteArray, file);
        // A copy of exactly the file's length, so a read past its end is caught.
        const QByteArray exact(file.constData(), file.size());
        QVERIFY(!picture::convertBitmap(exact));
    }
};

QTEST_GUILESS_MAIN(ImageTest)
#include "test_image.moc"
