#pragma once

// Picture files made in every variety the decoders meet: JPEG with any chroma sampling, colour
// model, progressive scans and an EXIF orientation; PNG of every colour type, bit depth,
// transparency and interlacing; palette GIF; and headers declaring pictures of a given size.

#include <QByteArray>
#include <QImage>

#include <utility>
#include <vector>

// A picture whose every pixel differs from its neighbours (gradients with noise), so a wrong row,
// column, channel or rounding shows. With `alpha`, the alpha channel varies too.
QImage noisyPicture(int width, int height, bool alpha = false);

struct JpegOptions {
    enum class Colour { YCbCr, Grey, Cmyk };
    Colour colour = Colour::YCbCr;
    // Horizontal and vertical sampling factors per component; 2x2, 1x1, 1x1 is 4:2:0.
    std::vector<std::pair<int, int>> sampling{{2, 2}, {1, 1}, {1, 1}};
    bool progressive = false;
    int orientation = 0; // EXIF orientation written in an APP1 block; 0 writes none
    bool bigEndianExif = true;
};
QByteArray jpegFile(const QImage &picture, const JpegOptions &options = {});
// A JPEG of several scans whose last scan, with the tables before it, is repeated until the file
// has `scans` scans. Each repeat is a scan over the same blocks: a small file, much work.
QByteArray jpegRepeatingLastScan(const QByteArray &jpeg, int scans);

struct PngOptions {
    int colourType = 2; // PNG's own numbers: 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
    int depth = 8;
    bool interlaced = false;
    // A tRNS chunk: one transparent colour (grey, RGB; some pixels take it) or palette alphas.
    bool transparency = false;
};
QByteArray pngFile(const QImage &picture, const PngOptions &options);

// A GIF with a 216-colour palette; pixels less than half opaque take a transparent index.
QByteArray gifFile(const QImage &picture);

// Files whose headers declare a picture of width x height with (almost) no pixel data.
QByteArray pngDeclaring(quint32 width, quint32 height);
QByteArray jpegDeclaring(quint16 width, quint16 height);
QByteArray gifDeclaring(quint16 width, quint16 height);

// Hostile files, each far costlier to decode than its size suggests.
// A gzip-compressed SVG whose text inflates to about `bytes`, nearly all of it spaces.
QByteArray svgzInflatingTo(qint64 bytes);
// An SVG declaring width x height, drawn with `shapes` translucent circles each covering it.
QByteArray svgCircles(int width, int height, int shapes);
// The JPEG with `padding` bytes of comment segments between its second and third scans.
QByteArray jpegPaddedAfterSecondScan(const QByteArray &jpeg, qint64 padding);
// Headers of uncompressed 24-bit pictures declaring width x height, their pixel data not there:
// a BMP (bottom-up) and a TIFF of one strip.
QByteArray bmpDeclaring(qint32 width, qint32 height);
QByteArray tiffDeclaring(quint32 width, quint32 height);
// A lossless WebP of width x height pixels of one colour, in 40 bytes: each pixel costs no bits.
QByteArray webpOneColour(int width, int height);
// Writes a 16-bit RGB PNG of width x height (a gradient) row by row; false if it could not.
bool writePng16(const QString &path, quint32 width, quint32 height);
