#include "image/Picture.h"

#include "app/Files.h"

#include <QImageReader>
#include <QtEndian>

#include <cmath>

namespace picture {

namespace {

// The fitted size and the one factor, source pixels per target pixel, that gives it.
struct Fit {
    QSize size;
    double factor = 1.0;
};

Fit fit(int width, int height)
{
    if (width <= kMaxWidth && height <= kMaxHeight)
        return {{width, height}, 1.0};
    // Kept in double precision on purpose: 1000 / 480 rounds up, so 500 / temp falls just short
    // of 240 and truncates to 239, as the device's own tools size such pictures.
    double temp = double(width) / kMaxWidth;
    int fittedHeight = int(double(height) / temp);
    int fittedWidth = kMaxWidth;
    if (fittedHeight > kMaxHeight) {
        temp = double(height) / kMaxHeight;
        fittedHeight = kMaxHeight;
        fittedWidth = int(double(width) / temp);
    }
    return {{fittedWidth, fittedHeight}, temp};
}

} // namespace

QSize fittedSize(int width, int height)
{
    return fit(width, height).size;
}

namespace {

// One source position for a target position: the pixel under the target pixel's centre.
int nearest(int target, double factor, int limit)
{
    const int source = int((target + 0.5) * factor);
    return source < limit ? source : limit - 1;
}

int overWhite(int channel, int alpha)
{
    return (channel * alpha + 255 * (255 - alpha) + 127) / 255;
}

void put16(QByteArray &out, int at, quint16 value)
{
    qToLittleEndian(value, out.data() + at);
}

void put32(QByteArray &out, int at, quint32 value)
{
    qToLittleEndian(value, out.data() + at);
}

quint32 get32(const QByteArray &in, int at)
{
    return qFromLittleEndian<quint32>(in.constData() + at);
}

quint16 get16(const QByteArray &in, int at)
{
    return qFromLittleEndian<quint16>(in.constData() + at);
}

} // namespace

QImage workingPicture(const QImage &source)
{
    const auto [size, factor] = fit(source.width(), source.height());
    if (source.isNull() || size.isEmpty())
        return {};
    const QImage argb = source.convertToFormat(QImage::Format_ARGB32);
    QImage out(size, QImage::Format_RGB888);
    for (int y = 0; y < size.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(argb.constScanLine(nearest(y, factor, argb.height())));
        uchar *row = out.scanLine(y);
        for (int x = 0; x < size.width(); ++x) {
            const QRgb p = in[nearest(x, factor, argb.width())];
            const int a = qAlpha(p);
            row[3 * x] = uchar(overWhite(qRed(p), a));
            row[3 * x + 1] = uchar(overWhite(qGreen(p), a));
            row[3 * x + 2] = uchar(overWhite(qBlue(p), a));
        }
    }
    return out;
}

QByteArray bmpFile(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const int w = rgb.width();
    const int h = rgb.height();
    const int stride = 3 * w + rowPadding(w);
    constexpr int kOffset = 14 + 40;
    QByteArray out(kOffset + qsizetype(stride) * h, '\0');
    out[0] = 'B';
    out[1] = 'M';
    put32(out, 2, quint32(out.size()));
    put32(out, 10, kOffset);
    put32(out, 14, 40);
    put32(out, 18, quint32(w));
    put32(out, 22, quint32(h)); // positive: bottom row first
    put16(out, 26, 1);
    put16(out, 28, 24);
    put32(out, 30, 0); // uncompressed
    put32(out, 34, quint32(stride * h));
    put32(out, 38, 2835); // 72 dots per inch
    put32(out, 42, 2835);
    for (int y = 0; y < h; ++y) {
        const uchar *in = rgb.constScanLine(y);
        char *row = out.data() + kOffset + qsizetype(stride) * (h - 1 - y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = char(in[3 * x + 2]);
            row[3 * x + 1] = char(in[3 * x + 1]);
            row[3 * x + 2] = char(in[3 * x]);
        }
    }
    return out;
}

std::optional<RawPicture> convertBitmap(const QByteArray &file)
{
    constexpr int kHeaders = 14 + 40;
    if (file.size() < kHeaders || !file.startsWith("BM") || get32(file, 2) != quint32(file.size()))
        return std::nullopt;
    const quint32 offset = get32(file, 10);
    const quint32 infoSize = get32(file, 14);
    const auto width = qint32(get32(file, 18));
    const auto height = qint32(get32(file, 22)); // negative would be top-down: refused
    if (infoSize < 40 || infoSize > quint32(file.size()) || offset < 14 + infoSize
        || get16(file, 26) != 1 || get16(file, 28) != 24 || get32(file, 30) != 0)
        return std::nullopt;
    if (width < 1 || width > kMaxWidth || height < 1 || height > kMaxHeight)
        return std::nullopt;
    const qint64 stride = 3 * width + rowPadding(width);
    if (qint64(offset) + stride * height > file.size())
        return std::nullopt;

    RawPicture out;
    out.width = width;
    out.height = height;
    out.header = QStringLiteral("7,%1,%2").arg(width).arg(height).toLatin1();
    out.raw.resize(qsizetype(width) * height * 2);
    char *dst = out.raw.data();
    // Bottom-up rows: the last row in the file is the top of the picture.
    for (int y = 0; y < height; ++y) {
        const auto *row = reinterpret_cast<const uchar *>(file.constData()) + offset + stride * (height - 1 - y);
        for (int x = 0; x < width; ++x, dst += 2) {
            const quint16 value = rgb565(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
            dst[0] = char(value & 0xFF);
            dst[1] = char(value >> 8);
        }
    }
    return out;
}

QImage rawToImage(int width, int height, const QByteArray &raw)
{
    if (width < 1 || height < 1 || raw.size() < qsizetype(width) * height * 2)
        return {};
    QImage out(width, height, QImage::Format_RGB32);
    const auto *p = reinterpret_cast<const uchar *>(raw.constData());
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < width; ++x, p += 2) {
            const int v = p[0] | (p[1] << 8);
            const int r = (v >> 11) & 0x1F, g = (v >> 5) & 0x3F, b = v & 0x1F;
            row[x] = qRgb((r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2));
        }
    }
    return out;
}

LoadedPicture loadWorkingPicture(const QString &path)
{
    LoadedPicture loaded;
    try {
        files::refuseIrregular(path, files::Access::Read); // a pipe would block the reader
    } catch (const files::FileError &e) {
        loaded.error = e.description();
        return loaded;
    }
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage decoded = reader.read();
    if (decoded.isNull()) {
        const QString why = reader.errorString();
        loaded.error = why.isEmpty() ? QStringLiteral("Unknown image format") : why;
        return loaded;
    }
    loaded.working = workingPicture(decoded);
    if (loaded.working.isNull()) {
        const QSize fitted = fittedSize(decoded.width(), decoded.height());
        loaded.error = QStringLiteral("Image Cannot Be Fitted: %1 x %2 pixels would shrink to %3 x %4")
                           .arg(decoded.width()).arg(decoded.height()).arg(fitted.width()).arg(fitted.height());
    }
    return loaded;
}

} // namespace picture
