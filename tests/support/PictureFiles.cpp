#include "tests/support/PictureFiles.h"

#include <QBuffer>
#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

QImage noisyPicture(int width, int height, bool alpha)
{
    QImage image(width, height, QImage::Format_ARGB32);
    quint32 seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return int(seed >> 24);
    };
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int r = (x * 255 / std::max(1, width - 1) + next() / 8) & 0xFF;
            const int g = (y * 255 / std::max(1, height - 1) + next() / 8) & 0xFF;
            const int b = ((x / 7 + y / 5) % 2 ? 200 : 40) + next() / 16;
            const int a = alpha ? (x * 3 + y * 5 + next() / 4) & 0xFF : 255;
            row[x] = qRgba(r, g, b, a);
        }
    }
    return image;
}

namespace {

QByteArray exifBlock(int orientation, bool bigEndian)
{
    QByteArray exif("Exif\0\0", 6);
    const auto put16 = [&](quint16 v) {
        char b[2];
        bigEndian ? qToBigEndian(v, b) : qToLittleEndian(v, b);
        exif.append(b, 2);
    };
    const auto put32 = [&](quint32 v) {
        char b[4];
        bigEndian ? qToBigEndian(v, b) : qToLittleEndian(v, b);
        exif.append(b, 4);
    };
    exif.append(bigEndian ? "MM" : "II");
    put16(42);
    put32(8);                   // the first directory follows the header
    put16(2);                   // two entries: a resolution unit, then the orientation
    put16(0x0128), put16(3), put32(1), put16(2), put16(0);
    put16(0x0112), put16(3), put32(1), put16(quint16(orientation)), put16(0);
    put32(0);                   // no further directory
    return exif;
}

} // namespace

QByteArray jpegFile(const QImage &picture, const JpegOptions &options)
{
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(argb.width());
    info.image_height = JDIMENSION(argb.height());
    switch (options.colour) {
    case JpegOptions::Colour::YCbCr:
        info.input_components = 3;
        info.in_color_space = JCS_RGB;
        break;
    case JpegOptions::Colour::Grey:
        info.input_components = 1;
        info.in_color_space = JCS_GRAYSCALE;
        break;
    case JpegOptions::Colour::Cmyk:
        info.input_components = 4;
        info.in_color_space = JCS_CMYK;
        break;
    }
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    for (int i = 0; i < info.num_components && i < int(options.sampling.size()); ++i) {
        info.comp_info[i].h_samp_factor = options.sampling[std::size_t(i)].first;
        info.comp_info[i].v_samp_factor = options.sampling[std::size_t(i)].second;
    }
    if (options.progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    if (options.orientation > 0) {
        const QByteArray exif = exifBlock(options.orientation, options.bigEndianExif);
        jpeg_write_marker(&info, JPEG_APP0 + 1, reinterpret_cast<const JOCTET *>(exif.constData()), unsigned(exif.size()));
    }
    std::vector<JSAMPLE> row(std::size_t(argb.width()) * std::size_t(info.input_components));
    for (int y = 0; y < argb.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        JSAMPLE *out = row.data();
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb p = in[x];
            switch (options.colour) {
            case JpegOptions::Colour::YCbCr:
                *out++ = JSAMPLE(qRed(p)), *out++ = JSAMPLE(qGreen(p)), *out++ = JSAMPLE(qBlue(p));
                break;
            case JpegOptions::Colour::Grey:
                *out++ = JSAMPLE(qGray(p));
                break;
            case JpegOptions::Colour::Cmyk:
                *out++ = JSAMPLE(qRed(p)), *out++ = JSAMPLE(qGreen(p)), *out++ = JSAMPLE(qBlue(p));
                *out++ = JSAMPLE(255 - (x + y) % 97);
                break;
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray out(reinterpret_cast<const char *>(buffer), qsizetype(size));
    std::free(buffer);
    return out;
}

QByteArray jpegRepeatingLastScan(const QByteArray &jpeg, int scans)
{
    // The marker segments from the start of frame on: where each scan's tables begin, and where
    // the end marker is. A scan's entropy-coded data ends at a marker other than a restart.
    const auto at = [&jpeg](qsizetype i) { return quint8(jpeg.at(i)); };
    QList<qsizetype> scanStarts; // where the segments leading to each scan begin
    qsizetype segmentsStart = -1;
    qsizetype pos = 2;
    while (pos + 4 <= jpeg.size() && at(pos) == 0xFF && at(pos + 1) != 0xD9) {
        if (segmentsStart < 0)
            segmentsStart = pos;
        const quint8 marker = at(pos + 1);
        pos += 2 + (at(pos + 2) << 8 | at(pos + 3));
        if (marker != 0xDA)
            continue;
        scanStarts.append(segmentsStart);
        segmentsStart = -1;
        while (pos + 1 < jpeg.size() && !(at(pos) == 0xFF && at(pos + 1) != 0 && (at(pos + 1) < 0xD0 || at(pos + 1) > 0xD7)))
            ++pos;
    }
    if (scanStarts.size() < 2 || scans < scanStarts.size())
        return {};
    const QByteArray last = jpeg.mid(scanStarts.last(), pos - scanStarts.last());
    QByteArray out = jpeg.left(pos);
    for (qsizetype n = scanStarts.size(); n < scans; ++n)
        out += last;
    return out + QByteArray("\xFF\xD9", 2);
}

namespace {

void appendData(png_structp png, png_bytep data, std::size_t length)
{
    static_cast<QByteArray *>(png_get_io_ptr(png))->append(reinterpret_cast<const char *>(data), qsizetype(length));
}

void flushData(png_structp) {}

// A palette entry for index i of n: colours spread around, so neighbours differ.
png_color paletteColour(int i)
{
    return {png_byte(i * 37 % 256), png_byte(i * 91 % 256), png_byte(i * 53 % 256)};
}

} // namespace

QByteArray pngFile(const QImage &picture, const PngOptions &o)
{
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    const int w = argb.width(), h = argb.height();
    QByteArray out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, appendData, flushData);
    png_set_compression_level(png, 1); // noise does not compress: spare the time
    png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), o.depth, o.colourType,
                 o.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    const int levels = o.depth < 8 ? 1 << o.depth : 256;
    const int paletteSize = o.depth == 8 ? 216 : levels;
    if (o.colourType == PNG_COLOR_TYPE_PALETTE) {
        std::vector<png_color> palette;
        for (int i = 0; i < paletteSize; ++i)
            palette.push_back(paletteColour(i));
        png_set_PLTE(png, info, palette.data(), paletteSize);
        if (o.transparency) {
            std::vector<png_byte> alphas;
            for (int i = 0; i < paletteSize / 2 + 1; ++i)
                alphas.push_back(png_byte(i * 67 % 256));
            png_set_tRNS(png, info, alphas.data(), int(alphas.size()), nullptr);
        }
    }
    // The transparent colour of a grey or RGB picture, in its own sample values.
    const int maxSample = o.depth == 16 ? 65535 : levels - 1;
    png_color_16 clear{};
    clear.gray = png_uint_16(maxSample / 3);
    clear.red = png_uint_16(maxSample / 5), clear.green = png_uint_16(maxSample / 2), clear.blue = png_uint_16(maxSample);
    if (o.transparency && o.colourType != PNG_COLOR_TYPE_PALETTE)
        png_set_tRNS(png, info, nullptr, 0, &clear);

    const int channels = o.colourType == 0 || o.colourType == 3 ? 1 : o.colourType == 4 ? 2 : o.colourType == 2 ? 3 : 4;
    const int bytesPerSample = o.depth == 16 ? 2 : 1;
    const std::size_t rowBytes = std::size_t(w) * std::size_t(channels * bytesPerSample);
    std::vector<png_byte> pixels(rowBytes * std::size_t(h));
    for (int y = 0; y < h; ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        png_byte *row = pixels.data() + rowBytes * std::size_t(y);
        for (int x = 0; x < w; ++x) {
            const QRgb p = in[x];
            // 8-bit values widened with varying low bytes, so 16-to-8-bit rounding shows.
            const auto sample = [&](int value8, int salt) {
                return o.depth == 16 ? value8 << 8 | ((x * 29 + y * 13 + salt * 71) & 0xFF) : value8 >> (8 - std::min(8, o.depth));
            };
            int values[4] = {};
            switch (o.colourType) {
            case 0:
                values[0] = sample(qGray(p), 0);
                break;
            case 3:
                values[0] = (qRed(p) + 3 * qGreen(p) + 7 * qBlue(p)) % paletteSize;
                break;
            case 4:
                values[0] = sample(qGray(p), 0), values[1] = sample(qAlpha(p), 1);
                break;
            default:
                values[0] = sample(qRed(p), 0), values[1] = sample(qGreen(p), 1), values[2] = sample(qBlue(p), 2);
                values[3] = sample(qAlpha(p), 3);
                break;
            }
            // Some pixels take the transparent colour, so transparency shows.
            if (o.transparency && (x + 2 * y) % 7 == 0) {
                if (o.colourType == 0)
                    values[0] = clear.gray;
                else if (o.colourType == 2)
                    values[0] = clear.red, values[1] = clear.green, values[2] = clear.blue;
            }
            for (int c = 0; c < channels; ++c) {
                if (o.depth == 16) {
                    row[(x * channels + c) * 2] = png_byte(values[c] >> 8);
                    row[(x * channels + c) * 2 + 1] = png_byte(values[c] & 0xFF);
                } else if (o.depth == 8) {
                    row[x * channels + c] = png_byte(values[c]);
                } else { // packed, leftmost pixel in the high bits
                    const int bit = x * o.depth;
                    row[bit / 8] = png_byte(row[bit / 8] | values[0] << (8 - o.depth - bit % 8));
                }
            }
        }
    }
    std::vector<png_bytep> rows;
    for (int y = 0; y < h; ++y)
        rows.push_back(pixels.data() + rowBytes * std::size_t(y));
    png_write_info(png, info);
    if (o.interlaced)
        png_set_interlace_handling(png);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

namespace {

void appendLe16(QByteArray &out, quint16 v)
{
    out.append(char(v & 0xFF)).append(char(v >> 8));
}

// Codes of 9 bits, least significant bit first; a clear code every 250 pixels keeps the width.
QByteArray lzwUncompressed(const std::vector<int> &indexes)
{
    QByteArray bits;
    quint32 buffer = 0;
    int count = 0;
    const auto put = [&](int code) {
        buffer |= quint32(code) << count;
        count += 9;
        while (count >= 8) {
            bits.append(char(buffer & 0xFF));
            buffer >>= 8;
            count -= 8;
        }
    };
    for (std::size_t i = 0; i < indexes.size(); ++i) {
        if (i % 250 == 0)
            put(256);
        put(indexes[i]);
    }
    put(257);
    if (count > 0)
        bits.append(char(buffer & 0xFF));
    QByteArray blocks;
    for (qsizetype at = 0; at < bits.size(); at += 255) {
        const QByteArray piece = bits.mid(at, 255);
        blocks.append(char(piece.size())).append(piece);
    }
    return blocks.append('\0');
}

QByteArray gifHeader(quint16 width, quint16 height)
{
    QByteArray out("GIF89a");
    appendLe16(out, width);
    appendLe16(out, height);
    out.append(char(0xF7)).append('\0').append('\0'); // a global table of 256 colours
    for (int i = 0; i < 256; ++i) {
        const int r = i % 6, g = i / 6 % 6, b = i / 36 % 6;
        out.append(char(r * 51)).append(char(g * 51)).append(char(b * 51));
    }
    return out;
}

} // namespace

QByteArray gifFile(const QImage &picture)
{
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    constexpr int kTransparent = 216;
    QByteArray out = gifHeader(quint16(argb.width()), quint16(argb.height()));
    out.append("\x21\xF9\x04\x01\x00\x00", 6).append(char(kTransparent)).append('\0');
    out.append(',');
    appendLe16(out, 0), appendLe16(out, 0);
    appendLe16(out, quint16(argb.width())), appendLe16(out, quint16(argb.height()));
    out.append('\0').append('\x08');
    std::vector<int> indexes;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb p = argb.pixel(x, y);
            indexes.push_back(qAlpha(p) < 128 ? kTransparent : qRed(p) * 6 / 256 + qGreen(p) * 6 / 256 * 6 + qBlue(p) * 6 / 256 * 36);
        }
    return out.append(lzwUncompressed(indexes)).append(';');
}

namespace {

quint32 crc32(const QByteArray &bytes)
{
    quint32 c = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        c ^= quint8(byte);
        for (int k = 0; k < 8; ++k)
            c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return ~c;
}

QByteArray pngChunk(const char *type, const QByteArray &data)
{
    char length[4], crc[4];
    qToBigEndian(quint32(data.size()), length);
    const QByteArray typed = QByteArray(type) + data;
    qToBigEndian(crc32(typed), crc);
    return QByteArray(length, 4) + typed + QByteArray(crc, 4);
}

} // namespace

QByteArray pngDeclaring(quint32 width, quint32 height)
{
    QByteArray header(13, '\0');
    qToBigEndian(width, header.data());
    qToBigEndian(height, header.data() + 4);
    header[8] = 8; // 8-bit RGB
    header[9] = 2;
    // A few bytes of deflated zeros: far too few for the picture declared.
    const QByteArray idat("\x78\x9C\x63\x00\x00\x00\x01\x00\x01", 9);
    return QByteArray("\x89PNG\r\n\x1A\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", idat) + pngChunk("IEND", {});
}

QByteArray jpegDeclaring(quint16 width, quint16 height)
{
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(Qt::gray);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    small.save(&buffer, "JPEG");
    // The frame header: FF C0, length, precision, then height and width. The scan data stays
    // that of the 16 x 16 picture.
    const qsizetype sof = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    qToBigEndian(height, bytes.data() + sof + 5);
    qToBigEndian(width, bytes.data() + sof + 7);
    return bytes;
}

QByteArray gifDeclaring(quint16 width, quint16 height)
{
    QByteArray out = gifHeader(width, height);
    out.append(',');
    appendLe16(out, 0), appendLe16(out, 0);
    appendLe16(out, width), appendLe16(out, height);
    out.append('\0').append('\x08');
    return out.append(lzwUncompressed({0, 1, 2})).append(';');
}

QByteArray svgzInflatingTo(qint64 bytes)
{
    const QByteArray head("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100\" height=\"100\">");
    const QByteArray tail("<rect width=\"100\" height=\"100\" fill=\"red\"/></svg>");
    z_stream z{};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + 15, 9, Z_DEFAULT_STRATEGY); // gzip
    QByteArray out;
    std::vector<char> piece(1 << 20, ' ');
    std::vector<char> buffer(1 << 16);
    const auto feed = [&](const char *data, qint64 size, int flush) {
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data));
        z.avail_in = uInt(size);
        do {
            z.next_out = reinterpret_cast<Bytef *>(buffer.data());
            z.avail_out = uInt(buffer.size());
            deflate(&z, flush);
            out.append(buffer.data(), qsizetype(buffer.size() - z.avail_out));
        } while (z.avail_out == 0);
    };
    feed(head.constData(), head.size(), Z_NO_FLUSH);
    for (qint64 left = bytes; left > 0; left -= qint64(piece.size()))
        feed(piece.data(), std::min<qint64>(left, qint64(piece.size())), Z_NO_FLUSH);
    feed(tail.constData(), tail.size(), Z_FINISH);
    deflateEnd(&z);
    return out;
}

QByteArray svgCircles(int width, int height, int shapes)
{
    QByteArray out = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\">\n")
                         .arg(width).arg(height).toUtf8();
    const int radius = std::max(width, height);
    for (int i = 0; i < shapes; ++i)
        out += QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"#%4\" opacity=\"0.5\"/>\n")
                   .arg(width / 2 + i % 7).arg(height / 2 + i % 5).arg(radius)
                   .arg((i * 2654435761u) & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUtf8();
    return out + "</svg>\n";
}

QByteArray jpegPaddedAfterSecondScan(const QByteArray &jpeg, qint64 padding)
{
    qsizetype third = -1;
    for (int n = 0, at = 0; n < 3; ++n, at = int(third) + 2)
        third = jpeg.indexOf(QByteArray("\xFF\xDA", 2), at);
    if (third < 0)
        return {};
    QByteArray comments;
    constexpr int kLargest = 0xFFFF - 2; // a segment's most bytes
    for (qint64 left = padding; left > 0; left -= kLargest) {
        const int size = int(std::min<qint64>(left, kLargest));
        char header[4] = {'\xFF', '\xFE'};
        qToBigEndian(quint16(size + 2), header + 2);
        comments += QByteArray(header, 4) + QByteArray(size, 'c');
    }
    return jpeg.left(third) + comments + jpeg.mid(third);
}

QByteArray bmpDeclaring(qint32 width, qint32 height)
{
    QByteArray out(54, '\0');
    const qint64 stride = (3 * qint64(width) + 3) / 4 * 4;
    out[0] = 'B';
    out[1] = 'M';
    qToLittleEndian(quint32(std::min<qint64>(54 + stride * qAbs(height), 0xFFFFFFFF)), out.data() + 2);
    qToLittleEndian(quint32(54), out.data() + 10);
    qToLittleEndian(quint32(40), out.data() + 14);
    qToLittleEndian(width, out.data() + 18);
    qToLittleEndian(height, out.data() + 22);
    qToLittleEndian(quint16(1), out.data() + 26);
    qToLittleEndian(quint16(24), out.data() + 28);
    return out;
}

QByteArray tiffDeclaring(quint32 width, quint32 height)
{
    struct Entry {
        quint16 tag, type;
        quint32 count, value;
    };
    constexpr quint16 kShort = 3, kLong = 4;
    constexpr quint32 kEntries = 10;
    constexpr quint32 kBitsAt = 8 + 2 + 12 * kEntries + 4;
    constexpr quint32 kDataAt = kBitsAt + 6;
    const Entry entries[kEntries] = {
        {256, kLong, 1, width}, {257, kLong, 1, height}, {258, kShort, 3, kBitsAt}, {259, kShort, 1, 1},
        {262, kShort, 1, 2}, {273, kLong, 1, kDataAt}, {277, kShort, 1, 3}, {278, kLong, 1, height},
        {279, kLong, 1, quint32(std::min<quint64>(3ull * width * height, 0xFFFFFFFF))}, {284, kShort, 1, 1}};
    QByteArray out("II*\0\x08\0\0\0", 8);
    const auto put16 = [&out](quint16 v) { out.append(char(v & 0xFF)).append(char(v >> 8)); };
    const auto put32 = [&](quint32 v) { put16(quint16(v & 0xFFFF)), put16(quint16(v >> 16)); };
    put16(kEntries);
    for (const Entry &e : entries) {
        put16(e.tag), put16(e.type), put32(e.count);
        if (e.type == kShort && e.count == 1)
            put16(quint16(e.value)), put16(0);
        else
            put32(e.value);
    }
    put32(0);
    put16(8), put16(8), put16(8);
    return out;
}

QByteArray webpOneColour(int width, int height)
{
    // The lossless bitstream, least significant bit first: its header, then no transform, no
    // colour cache, no meta codes, and five prefix codes of one symbol each (green, red, blue,
    // alpha, distance), which cost no bits a pixel.
    QByteArray bits;
    quint64 buffer = 0;
    int count = 0;
    const auto put = [&](quint32 value, int n) {
        buffer |= quint64(value) << count;
        count += n;
        while (count >= 8) {
            bits.append(char(buffer & 0xFF));
            buffer >>= 8;
            count -= 8;
        }
    };
    put(0x2F, 8);
    put(quint32(width - 1), 14);
    put(quint32(height - 1), 14);
    put(0, 1), put(0, 3);
    put(0, 1), put(0, 1), put(0, 1);
    for (const int symbol : {128, 200, 50, 255, 0})
        put(1, 1), put(0, 1), put(1, 1), put(quint32(symbol), 8);
    if (count > 0)
        put(0, 8 - count);
    if (bits.size() % 2)
        bits.append('\0');
    QByteArray chunk("VP8L");
    char size[4];
    qToLittleEndian(quint32(bits.size()), size);
    chunk += QByteArray(size, 4) + bits;
    qToLittleEndian(quint32(4 + chunk.size()), size);
    return QByteArray("RIFF") + QByteArray(size, 4) + "WEBP" + chunk;
}

bool writePng16(const QString &path, quint32 width, quint32 height)
{
    FILE *file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, width, height, 16, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(std::size_t(width) * 6);
    for (quint32 y = 0; y < height; ++y) {
        for (quint32 x = 0; x < width; ++x) {
            const quint16 v[3] = {quint16(x * 4), quint16(y * 5), quint16((x + y) * 3)};
            for (int c = 0; c < 3; ++c)
                qToBigEndian(v[c], &row[6 * x + 2 * std::size_t(c)]);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}
