#pragma once

// The display picture as plain data: fitting a picture into the device's 480 x 272 pixels, the
// 24-bit working bitmap, and its conversion to the device's 16-bit raw format.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

namespace picture {

constexpr int kMaxWidth = 480;
constexpr int kMaxHeight = 272;
// The largest working bitmap is 54 + 1440 x 272 bytes; a file far beyond that is not one.
constexpr qint64 kBitmapFileLimit = 4 * 1024 * 1024;

// The largest picture loaded, in pixels: the 16384 x 12288 of a 200-megapixel phone camera. A
// larger one is refused as soon as its header is read, so a small file declaring a huge picture
// (a decompression bomb) costs nothing.
constexpr int kLargestWidth = 16384;
constexpr int kLargestHeight = 12288;
constexpr qint64 kMaxPixels = qint64(kLargestWidth) * kLargestHeight;

// The size a width x height picture is fitted to. A picture that fits keeps its size; a larger
// one shrinks by one factor in both directions until it fits. The arithmetic is done in double
// precision and truncated, so 1000 x 500 gives 480 x 239. A side can come out 0 (1000 x 1).
QSize fittedSize(int width, int height);

// The picture drawn onto white (transparent parts show white), shrunk by the nearest pixel to
// fittedSize, as a 24-bit image. Null when a side would be 0.
QImage workingPicture(const QImage &source);

// A picture file decoded (GIF, PNG, JPEG, BMP, whatever Qt reads; a photo turned the way up it
// was taken) and made the working picture, the same pixels as workingPicture() of the whole
// decoded picture. JPEG and PNG files are read row by row, keeping only the rows used, so their
// size costs time but not memory; other formats are decoded whole. Pictures of more than
// kMaxPixels, and files that are not regular files, are refused unread. On failure `working` is
// null and `error` is the text to show.
struct LoadedPicture {
    QImage working;
    QString error;
};
LoadedPicture loadWorkingPicture(const QString &path);

// A 24-bit bottom-up BMP file of `image`: 14-byte file header, 40-byte information header, no
// colour table, rows padded to 4 bytes.
QByteArray bmpFile(const QImage &image);

// The device's picture: the header text "7,W,H" and the raw pixels, top row first, each pixel
// RGB565 with its low byte first.
struct RawPicture {
    int width = 0;
    int height = 0;
    QByteArray header;
    QByteArray raw;
};

// Padding bytes after a BMP row of `width` 24-bit pixels.
constexpr int rowPadding(int width)
{
    return (4 - (3 * width) % 4) % 4;
}

// The 16-bit device value of one pixel: 5 bits red, 6 green, 5 blue, low bits dropped.
constexpr quint16 rgb565(int red, int green, int blue)
{
    return quint16(((red & 0xF8) << 8) | ((green & 0xFC) << 3) | (blue >> 3));
}

// Converts the bytes of a working bitmap file. Only an uncompressed 24-bit bottom-up BMP of
// 1..480 x 1..272 pixels whose header agrees with the file's length is taken; anything else
// gives nullopt. Nothing is read outside `file`.
std::optional<RawPicture> convertBitmap(const QByteArray &file);

// The picture that `raw` pixels of width x height show (the simulator's view of the device).
QImage rawToImage(int width, int height, const QByteArray &raw);

} // namespace picture
