// PNG pictures read row by row with libpng, keeping only the rows the working picture uses: the
// decoder holds two rows, whatever the picture's size. An interlaced picture is read pass by pass,
// each pass giving some of the pixels of some rows. The pixels are those Qt's own PNG reader gives:
// grey levels and palettes as its colour tables have them, 16-bit samples rounded to 8 bits, the
// tRNS colour transparent, and no gamma applied.

#include "image/Decoders.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

namespace picture::detail {

namespace {

struct Reader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    PictureInput *input = nullptr;
    char message[200] = {};
};

void readData(png_structp png, png_bytep data, std::size_t length)
{
    auto *reader = static_cast<Reader *>(png_get_io_ptr(png));
    while (length > 0) {
        const qint64 got = reader->input->read(reinterpret_cast<char *>(data), qint64(length));
        if (got <= 0)
            png_error(png, reader->input->overLimit() ? "the file holds far more data than its picture can need"
                                                      : "the file ends too early");
        data += got;
        length -= std::size_t(got);
    }
}

// Errors jump back to the caller's setjmp with libpng's text; warnings are passed over.
[[noreturn]] void error(png_structp png, png_const_charp text)
{
    auto *reader = static_cast<Reader *>(png_get_error_ptr(png));
    std::snprintf(reader->message, sizeof reader->message, "%s", text);
    png_longjmp(png, 1);
}

void warning(png_structp, png_const_charp) {}

// 16 bits to 8, rounded to the nearest, as Qt turns its 64-bit formats into 32-bit ones.
inline int to8(int value)
{
    return (value + 128) / 257;
}

inline int sample16(const uchar *p)
{
    return p[0] << 8 | p[1];
}

// What a stored row holds and how one of its pixels becomes a QRgb.
struct Layout {
    int colourType = 0;
    int depth = 0;
    int channels = 0;
    bool interlaced = false;
    bool transparentColour = false; // tRNS for grey or RGB: this colour is transparent
    png_color_16 transparent{};
    QRgb table[256] = {}; // grey levels of up to 8 bits and palettes
};

// The colour table Qt's reader gives grey levels of up to 8 bits and palettes.
void buildTable(Reader &r, Layout &layout)
{
    png_bytep alphas = nullptr;
    int alphaCount = 0;
    png_color_16p transparent = nullptr;
    const bool hasTrns = png_get_tRNS(r.png, r.info, &alphas, &alphaCount, &transparent) != 0;
    if (layout.colourType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp palette = nullptr;
        int count = 0;
        png_get_PLTE(r.png, r.info, &palette, &count);
        for (int i = 0; i < count && i < 256; ++i)
            layout.table[i] = qRgba(palette[i].red, palette[i].green, palette[i].blue,
                                    hasTrns && alphas && i < alphaCount ? alphas[i] : 255);
        // An index past the palette shows its first colour.
        for (int i = count; i < 256; ++i)
            layout.table[i] = count > 0 ? layout.table[0] : qRgb(0, 0, 0);
    } else if (layout.colourType == PNG_COLOR_TYPE_GRAY && layout.depth <= 8) {
        const int levels = 1 << layout.depth;
        for (int i = 0; i < levels; ++i) {
            const int c = i * 255 / (levels - 1);
            layout.table[i] = qRgb(c, c, c);
        }
        if (hasTrns && transparent && transparent->gray < levels)
            layout.table[transparent->gray] = qRgba(0, 0, 0, 0);
    }
    if (hasTrns && transparent && layout.colourType != PNG_COLOR_TYPE_PALETTE) {
        layout.transparentColour = true;
        layout.transparent = *transparent;
    }
}

// Fills one line of the working picture from a stored row (or the part of it an interlaced pass
// gives: `has` says which columns are there, `at` where each is in the row).
template <class Has, class At>
void fillLine(const Sampling &sampling, QImage &out, int line, const Layout &layout, const uchar *row, Has has, At at)
{
    const png_color_16 &t = layout.transparent;
    const bool clear = layout.transparentColour;
    if (layout.colourType == PNG_COLOR_TYPE_PALETTE || (layout.colourType == PNG_COLOR_TYPE_GRAY && layout.depth <= 8)) {
        sampling.fillSome(out, line, has, [&](int x) { return layout.table[row[at(x)]]; });
    } else if (layout.depth == 8) {
        switch (layout.colourType) {
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            sampling.fillSome(out, line, has, [&](int x) {
                const uchar *p = row + 2 * at(x);
                return qRgba(p[0], p[0], p[0], p[1]);
            });
            break;
        case PNG_COLOR_TYPE_RGB:
            sampling.fillSome(out, line, has, [&](int x) {
                const uchar *p = row + 3 * at(x);
                const bool seeThrough = clear && p[0] == (t.red & 0xFF) && p[1] == (t.green & 0xFF) && p[2] == (t.blue & 0xFF);
                return seeThrough ? qRgba(0, 0, 0, 0) : qRgb(p[0], p[1], p[2]);
            });
            break;
        default: // RGBA
            sampling.fillSome(out, line, has, [&](int x) {
                const uchar *p = row + 4 * at(x);
                return qRgba(p[0], p[1], p[2], p[3]);
            });
            break;
        }
    } else { // 16 bits a sample, most significant byte first
        switch (layout.colourType) {
        case PNG_COLOR_TYPE_GRAY:
            sampling.fillSome(out, line, has, [&](int x) {
                const int v = sample16(row + 2 * at(x));
                const int c = to8(v);
                return clear && v == t.gray ? qRgba(c, c, c, 0) : qRgb(c, c, c);
            });
            break;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            sampling.fillSome(out, line, has, [&](int x) {
                const uchar *p = row + 4 * at(x);
                const int c = to8(sample16(p));
                return qRgba(c, c, c, to8(sample16(p + 2)));
            });
            break;
        case PNG_COLOR_TYPE_RGB:
            sampling.fillSome(out, line, has, [&](int x) {
                const uchar *p = row + 6 * at(x);
                const int r = sample16(p), g = sample16(p + 2), b = sample16(p + 4);
                const bool seeThrough = clear && r == t.red && g == t.green && b == t.blue;
                return qRgba(to8(r), to8(g), to8(b), seeThrough ? 0 : 255);
            });
            break;
        default: // RGBA
            sampling.fillSome(out, line, has, [&](int x) {
                const uchar *p = row + 8 * at(x);
                return qRgba(to8(sample16(p)), to8(sample16(p + 2)), to8(sample16(p + 4)), to8(sample16(p + 6)));
            });
            break;
        }
    }
}

// The two functions that call libpng jump back to their setjmp on an error. They hold only plain
// values, so the jump leaves nothing undestroyed.

bool readHeader(Reader &r)
{
    if (setjmp(png_jmpbuf(r.png)))
        return false;
#if defined(PNG_SET_OPTION_SUPPORTED) && defined(PNG_MAXIMUM_INFLATE_WINDOW)
    // As Qt's reader: take pictures whose compressed data claims too small a window.
    png_set_option(r.png, PNG_MAXIMUM_INFLATE_WINDOW, PNG_OPTION_ON);
#endif
#if defined(PNG_SET_OPTION_SUPPORTED) && defined(PNG_IGNORE_ADLER32)
    // Every chunk's CRC already guards the compressed data; checking what it inflates to as well
    // takes a sixth of the time of a large picture.
    png_set_option(r.png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
#ifdef PNG_SET_USER_LIMITS_SUPPORTED
    // The size is judged here, against the largest accepted picture, with its own message.
    png_set_user_limits(r.png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
#endif
    png_set_read_fn(r.png, &r, readData);
    png_read_info(r.png, r.info);
    return true;
}

bool readRows(Reader &r, const Sampling &sampling, const Layout &layout, uchar *row, QImage &out)
{
    if (setjmp(png_jmpbuf(r.png)))
        return false;
    if (layout.depth < 8)
        png_set_packing(r.png); // one byte a sample
    png_read_update_info(r.png, r.info);
    const std::vector<Sampling::Line> &lines = sampling.lines();
    const auto all = [](int) { return true; };
    const auto same = [](int x) { return x; };

    if (!layout.interlaced) {
        int next = 0; // the next stored row libpng gives
        for (const Sampling::Line &line : lines) {
            while (next <= line.row) {
                png_read_row(r.png, row, nullptr);
                r.input->progressed();
                ++next;
            }
            fillLine(sampling, out, line.line, layout, row, all, same);
        }
        return true;
    }

    // Seven passes, each a smaller picture of every so many rows and columns; libpng skips the
    // empty ones.
    const png_uint_32 width = png_get_image_width(r.png, r.info);
    const png_uint_32 height = png_get_image_height(r.png, r.info);
    for (int pass = 0; pass < 7; ++pass) {
        const png_uint_32 rows = PNG_PASS_ROWS(height, pass);
        if (PNG_PASS_COLS(width, pass) == 0 || rows == 0)
            continue;
        const int firstColumn = int(PNG_PASS_START_COL(pass));
        const int columnShift = PNG_PASS_COL_SHIFT(pass);
        const auto has = [firstColumn, columnShift](int x) {
            return x >= firstColumn && ((x - firstColumn) & ((1 << columnShift) - 1)) == 0;
        };
        const auto at = [firstColumn, columnShift](int x) { return (x - firstColumn) >> columnShift; };
        std::size_t l = 0;
        for (png_uint_32 j = 0; j < rows; ++j) {
            png_read_row(r.png, row, nullptr);
            r.input->progressed();
            const auto stored = int(PNG_ROW_FROM_PASS_ROW(j, pass));
            while (l < lines.size() && lines[l].row < stored)
                ++l;
            for (std::size_t k = l; k < lines.size() && lines[k].row == stored; ++k)
                fillLine(sampling, out, lines[k].line, layout, row, has, at);
        }
    }
    return true;
}

QString failure(const Reader &r)
{
    return QStringLiteral("Unable to read image data: %1").arg(QString::fromLatin1(r.message));
}

LoadedPicture decode(Reader &r)
{
    LoadedPicture loaded;
    if (!readHeader(r)) {
        loaded.error = failure(r);
        return loaded;
    }
    png_uint_32 width = 0, height = 0;
    int depth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(r.png, r.info, &width, &height, &depth, &colourType, &interlace, nullptr, nullptr);
    loaded.error = refusal(width, height);
    if (!loaded.error.isEmpty())
        return loaded;
    const Sampling sampling{int(width), int(height)};
    loaded.error = refusal(sampling);
    if (!loaded.error.isEmpty())
        return loaded;
    // The compressed rows: the rows themselves at worst (stored blocks), each with its filter
    // byte, twice over and a few bytes more (an empty block to flush each row, chunk headers);
    // between two rows one such row.
    const qint64 rowBytes = (qint64(width) * png_get_channels(r.png, r.info) * depth + 7) / 8 + 1;
    r.input->limitTotal(r.input->pos() + kMetadataBytes + (2 * rowBytes + 16) * height);
    r.input->limitGap(kMetadataBytes + 2 * rowBytes + 64 * 1024);
    r.input->progressed();
    Layout layout;
    layout.colourType = colourType;
    layout.depth = depth;
    layout.channels = png_get_channels(r.png, r.info);
    layout.interlaced = interlace != PNG_INTERLACE_NONE;
    buildTable(r, layout);
    std::vector<uchar> row(std::size_t(width) * std::size_t(layout.channels) * (depth == 16 ? 2 : 1));
    QImage out = sampling.blank();
    if (readRows(r, sampling, layout, row.data(), out))
        loaded.working = out;
    else
        loaded.error = failure(r);
    return loaded;
}

} // namespace

LoadedPicture readPng(PictureInput &input)
{
    Reader r;
    r.input = &input;
    input.limitTotal(kMetadataBytes); // the header and what precedes the rows
    input.limitGap(kMetadataBytes);
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r, error, warning);
    r.info = r.png ? png_create_info_struct(r.png) : nullptr;
    if (!r.info) {
        png_destroy_read_struct(&r.png, nullptr, nullptr);
        return {QImage(), QStringLiteral("Unable to read image data: out of memory")};
    }
    const LoadedPicture loaded = decode(r);
    png_destroy_read_struct(&r.png, &r.info, nullptr);
    return loaded;
}

} // namespace picture::detail
