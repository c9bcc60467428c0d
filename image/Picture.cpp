#include "image/Picture.h"

#include "base/Files.h"
#include "image/Decoders.h"
#include "image/Sampling.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QLocale>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include <zlib.h>

namespace picture {

namespace detail {

PictureInput::PictureInput(QIODevice &file, qint64 size)
    : m_file(file), m_size(std::max<qint64>(size, 0)), m_total(m_size), m_gap(std::numeric_limits<qint64>::max())
{
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 PictureInput::size() const
{
    return std::min(m_size, m_total);
}

bool PictureInput::seek(qint64 position)
{
    if (position > pos())
        m_sinceProgress += position - pos(); // skipped bytes count as read
    return QIODevice::seek(position) && m_file.seek(std::min(position, m_size));
}

void PictureInput::limitTotal(qint64 bytes)
{
    m_total = std::max<qint64>(bytes, 0);
}

void PictureInput::limitGap(qint64 bytes)
{
    m_gap = std::max<qint64>(bytes, 0);
}

qint64 PictureInput::readData(char *data, qint64 maxSize)
{
    const qint64 at = pos();
    const qint64 room = std::min({maxSize, size() - at, m_gap - m_sinceProgress});
    if (room <= 0) {
        if (maxSize > 0 && at < m_size)
            m_overLimit = true; // the file holds more than the picture can need
        return 0;
    }
    const qint64 got = m_file.read(data, room);
    if (got > 0)
        m_sinceProgress += got;
    return got;
}

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

QString refusal(qint64 width, qint64 height)
{
    if (width * height > kMaxPixels)
        return QStringLiteral("Image Too Large: %1 x %2 pixels; the largest accepted is %3 pixels (%4 x %5)")
            .arg(width).arg(height).arg(QLocale(QLocale::English).toString(kMaxPixels))
            .arg(kLargestWidth).arg(kLargestHeight);
    return {};
}

QString refusal(const Sampling &sampling)
{
    if (!sampling.fitted().isEmpty())
        return {};
    const QSize shown = sampling.shown();
    const QSize fitted = fittedSize(shown.width(), shown.height());
    return QStringLiteral("Image Cannot Be Fitted: %1 x %2 pixels would shrink to %3 x %4")
        .arg(shown.width()).arg(shown.height()).arg(fitted.width()).arg(fitted.height());
}

} // namespace detail

QSize fittedSize(int width, int height)
{
    return detail::fit(width, height).size;
}

namespace {

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
    if (source.isNull())
        return {};
    const detail::Sampling sampling(source.width(), source.height());
    if (sampling.fitted().isEmpty())
        return {};
    QImage out = sampling.blank();
    // Only the rows kept are converted, one at a time: a large picture is not copied whole.
    const QList<QRgb> colours = source.colorTable();
    for (const detail::Sampling::Line &line : sampling.lines()) {
        QImage row(source.constScanLine(line.row), source.width(), 1, source.bytesPerLine(), source.format());
        row.setColorTable(colours);
        const QImage argb = row.convertToFormat(QImage::Format_ARGB32);
        const auto *pixels = reinterpret_cast<const QRgb *>(argb.constScanLine(0));
        sampling.fill(out, line.line, [pixels](int x) { return pixels[x]; });
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

namespace {

// The picture file, opened for reading. Every decoder reads it through a PictureInput on it.
std::unique_ptr<QFile> openPicture(const QString &path, QString &error)
{
    // A pipe or a device would block or never end: only a regular file is a picture.
    try {
        files::refuseIrregular(path, files::Access::Read);
    } catch (const files::FileError &e) {
        error = e.text() + QLatin1Char('.'); // the runtime's words, as for every file in the window
        return nullptr;
    }
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        error = fileErrorFromErrno(errno != 0 ? errno : EACCES).text() + QLatin1Char('.');
        return nullptr;
    }
    return file;
}

// A vector drawing (SVG) is drawn at its fitted size, so its cost follows its text: at 1 MB,
// 10,000 shapes each covering the picture take about 2 s to draw. A compressed one is inflated
// only so far.
constexpr qint64 kDrawingTextBytes = 1024 * 1024;

// The memory a picture that Qt's reader decodes whole may take; with the rest of the program,
// a load stays under 300 MB.
constexpr qint64 kWholeDecodeBytes = 224 * 1024 * 1024;

QString drawingTooLarge()
{
    return QStringLiteral("Image Too Large: the drawing holds more than %1 MB of text")
        .arg(kDrawingTextBytes / (1024 * 1024));
}

// The text of a gzip-compressed drawing, inflated as far as kDrawingTextBytes and no further.
QString inflateDrawing(QIODevice &input, QByteArray &text)
{
    z_stream z{};
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) // gzip only
        return QStringLiteral("Unable to read image data: out of memory");
    std::vector<char> in(64 * 1024);
    text.resize(kDrawingTextBytes + 1); // one byte more tells a larger text
    z.next_out = reinterpret_cast<Bytef *>(text.data());
    z.avail_out = uInt(text.size());
    int status = Z_OK;
    while (status == Z_OK && z.avail_out > 0) {
        if (z.avail_in == 0) {
            const qint64 got = input.read(in.data(), qint64(in.size()));
            if (got <= 0)
                break;
            z.next_in = reinterpret_cast<Bytef *>(in.data());
            z.avail_in = uInt(got);
        }
        status = inflate(&z, Z_NO_FLUSH);
    }
    const qint64 inflated = qint64(z.total_out);
    inflateEnd(&z);
    if (inflated > kDrawingTextBytes)
        return drawingTooLarge();
    if (status != Z_STREAM_END)
        return QStringLiteral("Unable to read image data: the compressed drawing is damaged or cut off");
    text.resize(qsizetype(inflated));
    return {};
}

// A drawing rendered straight at its fitted size, however large the size it declares.
LoadedPicture readDrawing(QImageReader &reader)
{
    LoadedPicture loaded;
    const QSize declared = reader.size();
    if (declared.isValid()) {
        const detail::Sampling sampling(declared.width(), declared.height());
        loaded.error = detail::refusal(sampling);
        if (!loaded.error.isEmpty())
            return loaded;
        reader.setScaledSize(sampling.fitted());
    }
    const QImage drawn = reader.read();
    if (drawn.isNull()) {
        const QString why = reader.errorString();
        loaded.error = why.isEmpty() ? QStringLiteral("Unknown image format") : why;
        return loaded;
    }
    // A drawing without a size of its own comes at the renderer's; it is fitted as a picture.
    loaded.error = detail::refusal(detail::Sampling(drawn.width(), drawn.height()));
    if (loaded.error.isEmpty())
        loaded.working = workingPicture(drawn);
    return loaded;
}

// An uncompressed BMP whose rows its file cannot hold is refused before any is decoded.
QString bmpShortOfData(const QByteArray &head, qint64 fileSize)
{
    if (head.size() < 54 || !head.startsWith("BM"))
        return {};
    const auto at32 = [&head](int i) { return qFromLittleEndian<quint32>(head.constData() + i); };
    const auto at16 = [&head](int i) { return qFromLittleEndian<quint16>(head.constData() + i); };
    const quint32 infoSize = at32(14);
    const quint32 compression = at32(30);
    if (infoSize < 40 || (compression != 0 && compression != 3)) // run-length data may end early
        return {};
    const qint64 width = qint32(at32(18));
    const qint64 height = qAbs(qint64(qint32(at32(22))));
    const qint64 stride = (qAbs(width) * at16(28) + 31) / 32 * 4;
    if (qint64(at32(10)) + stride * height <= fileSize)
        return {};
    return QStringLiteral("Unable to read image data: the file holds %1 bytes, too few for the %2 x %3 pixels its header declares")
        .arg(fileSize).arg(qAbs(width)).arg(height);
}

// Any other format Qt reads, decoded whole: within the memory of kWholeDecodeBytes, reckoned
// from the size its header declares.
LoadedPicture readWhole(QImageReader &reader, detail::PictureInput &input, const QByteArray &head)
{
    LoadedPicture loaded;
    reader.setAutoTransform(true);
    reader.setAllocationLimit(int(kWholeDecodeBytes / (1024 * 1024)));
    const QSize declared = reader.size();
    if (declared.isValid()) {
        const qint64 pixels = qint64(declared.width()) * declared.height();
        loaded.error = detail::refusal(declared.width(), declared.height());
        if (!loaded.error.isEmpty())
            return loaded;
        // Bytes a pixel as decoded; GIF keeps a second picture to restore frames onto, and
        // lossless WebP its own pixels besides the picture's.
        const QImage::Format decoded = reader.imageFormat();
        const qint64 bytes = decoded == QImage::Format_Invalid ? 4 : std::max<qint64>(QImage::toPixelFormat(decoded).bitsPerPixel() / 8, 1);
        const qint64 copies = reader.format() == "gif" || reader.format() == "webp" ? 2 : 1;
        const qint64 largest = kWholeDecodeBytes / (bytes * copies);
        if (pixels > largest) {
            const QLocale english(QLocale::English);
            loaded.error = QStringLiteral("Image Too Large: %1 x %2 pixels; the largest %3 picture accepted is %4 pixels (a JPEG or PNG may have %5)")
                               .arg(declared.width()).arg(declared.height())
                               .arg(reader.format() == "webp" ? QStringLiteral("WebP") : QString::fromLatin1(reader.format()).toUpper(),
                                    english.toString(largest),
                                    english.toString(kMaxPixels));
            return loaded;
        }
        loaded.error = bmpShortOfData(head, input.fileSize());
        if (!loaded.error.isEmpty())
            return loaded;
        // Its pixels at 8 bytes each (16-bit RGBA, stored plainly) and the metadata at most.
        input.limitTotal(detail::kMetadataBytes + 8 * pixels);
    } else {
        input.limitTotal(detail::kMetadataBytes + kWholeDecodeBytes * 2);
    }
    const QImage decoded = reader.read();
    if (decoded.isNull()) {
        const QString why = reader.errorString();
        loaded.error = why.isEmpty() ? QStringLiteral("Unknown image format") : why;
        return loaded;
    }
    const detail::Sampling sampling(decoded.width(), decoded.height());
    loaded.error = detail::refusal(sampling);
    if (loaded.error.isEmpty())
        loaded.working = workingPicture(decoded);
    return loaded;
}

// The formats Qt reads, by its plugins: vector drawings drawn at their fitted size, the rest
// decoded whole.
LoadedPicture readWithQt(detail::PictureInput &input, const QByteArray &head)
{
    // Until the header gave the picture's size, only metadata is read (GIF's reader reads on
    // through all the frames).
    input.limitTotal(detail::kMetadataBytes);
    if (head.startsWith("\x1F\x8B")) { // gzip: a compressed drawing
        QByteArray text;
        const QString error = inflateDrawing(input, text);
        if (!error.isEmpty())
            return {QImage(), error};
        QBuffer buffer(&text);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "svg");
        return readDrawing(reader);
    }
    QImageReader reader(&input);
    if (reader.format() == "svg") {
        if (input.fileSize() > kDrawingTextBytes)
            return {QImage(), drawingTooLarge()};
        return readDrawing(reader);
    }
    return readWhole(reader, input, head);
}

} // namespace

LoadedPicture loadWorkingPicture(const QString &path)
{
    LoadedPicture loaded;
    const std::unique_ptr<QFile> file = openPicture(path, loaded.error);
    if (!file)
        return loaded;
    // Only what the file held when it was opened is read.
    detail::PictureInput input(*file, file->size());
    // The file's first bytes pick the decoder, whatever its name says. Whatever starts as a JPEG
    // does (libjpeg, and Qt's reader with it, take any file that starts FF D8) goes to the JPEG
    // decoder, which bounds its work.
    const QByteArray head = input.read(54); // a BMP's headers
    input.seek(0);
    input.progressed();
    if (head.startsWith("\xFF\xD8"))
        return detail::readJpeg(input);
    if (head.startsWith("\x89PNG\r\n\x1A\n"))
        return detail::readPng(input);
    return readWithQt(input, head);
}

} // namespace picture
