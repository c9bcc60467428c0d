// JPEG pictures read row by row with libjpeg: the rows the working picture does not use are
// skipped (entropy-decoded only, where libjpeg-turbo can), and the decoder holds a few rows,
// whatever the picture's size. The pixels are those Qt's own JPEG reader gives: the same library
// with the same settings (accurate integer DCT, smooth chroma upsampling), and CMYK turned into RGB
// the same way.

#include "image/Decoders.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio> // jpeglib.h uses FILE and size_t without including their headers
#include <cstring>
#include <limits>
#include <memory>

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

namespace picture::detail {

namespace {

constexpr std::size_t kChunk = 64 * 1024;
// A progressive JPEG is decoded whole into coefficients first (2 bytes each, 1.5 a pixel at 4:2:0,
// 3 at 4:4:4); libjpeg may use this much for them, as much as Qt's reader may for a whole picture.
constexpr long kDecoderMemory = long(kMaxPixels * 4 / (1024 * 1024)) * 1024 * 1024;

// The most scans a file may have, and the most times its scans may go over the picture's blocks
// in all. Each scan of a progressive JPEG goes over all the blocks of its components, however
// little data it holds, so a small file repeating scans thousands of times would hold the decoder
// for minutes. Encoders write 10 scans (18 for CMYK) that go over the picture 5 to 6 times;
// libtiff and GDAL stop at 100 scans as well.
constexpr int kMaxScans = 100;
constexpr int kMaxPasses = 20;
// The scans are counted over the whole file, by their markers: the segments between them are
// skipped unread, so padding cannot hide scans behind it. Only entropy-coded data is read (for
// its markers); where a stretch of it between two markers is longer than this, the count stops
// there and the decoder's own bounds hold what follows.
constexpr qint64 kLongestStretch = 256 * 1024 * 1024;

// The most bytes one 8 x 8 block of one component can take in a scan: 64 codes of at most 16
// bits, each with at most 16 bits of value, every byte stuffed (doubled), is 512; twice that
// for a margin. Arithmetic coding can spend more bits on an unlikely decision.
constexpr qint64 kHuffmanBlockBytes = 1024;
constexpr qint64 kArithmeticBlockBytes = 8192;

// Errors end the decoding by a jump back to the caller; warnings (a damaged or cut-off picture
// that still decodes) are passed over in silence, as Qt's reader does.
struct Errors : jpeg_error_mgr {
    std::jmp_buf jump;
    // Why the decoder stopped a file that libjpeg itself would go on reading.
    enum class Refusal { None, TooManyScans, TooMuchData } refusal = Refusal::None;
};

[[noreturn]] void refuse(j_decompress_ptr info, Errors::Refusal why)
{
    static_cast<Errors *>(info->err)->refusal = why;
    (*info->err->error_exit)(reinterpret_cast<j_common_ptr>(info));
    std::abort(); // error_exit never returns
}

// Reads the file in large pieces. At its end, the data stops as libjpeg recommends, with an end
// marker: a cut-off picture shows grey where its data is missing, as in Qt's reader.
struct Source : jpeg_source_mgr {
    PictureInput *input = nullptr;
    // Where the decoding stood at the last read: scans begun, rows of blocks completed.
    int scan = -1;
    JDIMENSION row = 0;
    JOCTET buffer[kChunk];
    JOCTET end[2] = {0xFF, JPEG_EOI};
};

void initSource(j_decompress_ptr) {}

// Once the frame header has given the picture's size, the input is held to what such a picture
// can hold: for each scan begun, every block at its worst; and between two rows of blocks
// decoded, one such row and the metadata. Before that only metadata can come.
void limitInput(j_decompress_ptr info, Source &source)
{
    if (info->input_scan_number != source.scan || info->input_iMCU_row != source.row) {
        source.scan = info->input_scan_number;
        source.row = info->input_iMCU_row;
        source.input->progressed();
    }
    // Blocks per component at most: every component at full size, rounded up to whole MCUs of
    // the largest sampling factors (4 x 4).
    const qint64 columns = (qint64(info->image_width) + 31) / 32 * 4;
    const qint64 rows = (qint64(info->image_height) + 31) / 32 * 4;
    const qint64 blockBytes = info->arith_code ? kArithmeticBlockBytes : kHuffmanBlockBytes;
    const qint64 components = std::max(info->num_components, 0);
    const qint64 scanBytes = components * columns * rows * blockBytes;
    const qint64 rowBytes = components * columns * 4 * blockBytes;
    source.input->limitTotal(kMetadataBytes + std::max(info->input_scan_number, 1) * scanBytes);
    source.input->limitGap(kMetadataBytes + rowBytes + qint64(kChunk));
}

boolean fillInput(j_decompress_ptr info)
{
    auto *source = static_cast<Source *>(info->src);
    limitInput(info, *source);
    const qint64 got = source->input->read(reinterpret_cast<char *>(source->buffer), kChunk);
    if (got <= 0 && source->input->overLimit())
        refuse(info, Errors::Refusal::TooMuchData);
    if (got <= 0) {
        WARNMS(info, JWRN_JPEG_EOF);
        source->next_input_byte = source->end;
        source->bytes_in_buffer = sizeof source->end;
    } else {
        source->next_input_byte = source->buffer;
        source->bytes_in_buffer = std::size_t(got);
    }
    return TRUE;
}

void skipInput(j_decompress_ptr info, long count)
{
    auto *source = static_cast<Source *>(info->src);
    if (count <= 0)
        return;
    if (std::size_t(count) <= source->bytes_in_buffer) {
        source->next_input_byte += count;
        source->bytes_in_buffer -= std::size_t(count);
        return;
    }
    source->input->seek(source->input->pos() + qint64(count) - qint64(source->bytes_in_buffer));
    source->bytes_in_buffer = 0; // the next read fills the buffer again
}

void termSource(j_decompress_ptr) {}

// Called before each step of reading the file (a row of blocks, a scan's markers).
void monitorProgress(j_common_ptr common)
{
    auto *info = reinterpret_cast<j_decompress_ptr>(common);
    if (info->input_scan_number > kMaxScans)
        refuse(info, Errors::Refusal::TooManyScans);
}

// Reads the file forward from where libjpeg stands, in large pieces, skipping unread what it is
// told to skip.
class Walk {
public:
    explicit Walk(PictureInput &input) : m_input(input) {}
    int next()
    {
        if (m_at == m_count && !fill())
            return -1;
        return uchar(m_buffer[m_at++]);
    }
    int next16()
    {
        const int high = next();
        const int low = next();
        return high < 0 || low < 0 ? -1 : high << 8 | low;
    }
    void skip(qint64 count)
    {
        const qint64 held = std::min(count, m_count - m_at);
        m_at += held;
        if (count > held)
            m_input.seek(m_input.pos() + count - held);
    }
    // Passes over bytes up to the next 0xFF; false at the file's end or past `most` bytes.
    bool toFF(qint64 most)
    {
        qint64 passed = 0;
        for (;;) {
            if (m_at == m_count && !fill())
                return false;
            const char *start = m_buffer.get() + m_at;
            const void *found = std::memchr(start, 0xFF, std::size_t(m_count - m_at));
            if (found) {
                const qint64 step = static_cast<const char *>(found) - start;
                m_at += step;
                return passed + step <= most;
            }
            passed += m_count - m_at;
            m_at = m_count;
            if (passed > most)
                return false;
        }
    }

private:
    bool fill()
    {
        m_count = m_input.read(m_buffer.get(), kChunk);
        m_at = 0;
        m_input.progressed(); // the walk bounds itself
        return m_count > 0;
    }
    PictureInput &m_input;
    std::unique_ptr<char[]> m_buffer = std::make_unique<char[]>(kChunk);
    qint64 m_count = 0;
    qint64 m_at = 0;
};

// True when the scans ahead of the first, counted by their markers without decoding them, are
// more than a picture needs: more than kMaxScans, or going over its blocks more than kMaxPasses
// times. The input is left where it was; the next read sets its limits again.
bool tooManyScans(jpeg_decompress_struct &info, Source &source)
{
    const auto blocksOf = [&info](int id) {
        for (int c = 0; c < info.num_components; ++c) {
            const jpeg_component_info &component = info.comp_info[c];
            if (component.component_id == id)
                return qint64(component.width_in_blocks) * component.height_in_blocks;
        }
        return qint64(0);
    };
    qint64 picture = 0;
    for (int c = 0; c < info.num_components; ++c)
        picture += blocksOf(info.comp_info[c].component_id);
    qint64 visits = 0;
    for (int c = 0; c < info.comps_in_scan; ++c)
        visits += blocksOf(info.cur_comp_info[c]->component_id);
    int scans = 1;

    PictureInput &input = *source.input;
    const qint64 resume = input.pos();
    input.limitTotal(std::numeric_limits<qint64>::max());
    input.limitGap(std::numeric_limits<qint64>::max());
    input.seek(resume - qint64(source.bytes_in_buffer)); // where libjpeg stands
    Walk walk(input);
    bool tooMany = false;
    // Entropy-coded data holds 0xFF only before 0x00 or a restart marker; any other marker ends
    // the scan, and the marker segments between scans are skipped by their lengths.
    while (!tooMany && walk.toFF(kLongestStretch)) {
        walk.next(); // the 0xFF
        int marker = walk.next();
        while (marker == 0xFF)
            marker = walk.next();
        if (marker < 0 || marker == JPEG_EOI)
            break;
        if (marker == 0x00 || marker == 0x01 || (marker >= JPEG_RST0 && marker <= JPEG_RST0 + 7))
            continue;
        int length = walk.next16() - 2;
        if (length < 0)
            break;
        if (marker == 0xDA) { // start of scan: its components
            const int count = walk.next();
            --length;
            for (int i = 0; i < count && length >= 2; ++i, length -= 2) {
                visits += blocksOf(walk.next());
                walk.next();
            }
            tooMany = ++scans > kMaxScans || visits > kMaxPasses * picture;
        }
        walk.skip(length);
    }
    input.seek(resume);
    input.progressed();
    return tooMany;
}

[[noreturn]] void errorExit(j_common_ptr info)
{
    std::longjmp(static_cast<Errors *>(info->err)->jump, 1);
}

void outputMessage(j_common_ptr) {}

struct Decoder {
    jpeg_decompress_struct info{};
    Errors errors{};
    jpeg_progress_mgr progress{};
    Source source;
};

// The two functions that call libjpeg jump back to their setjmp on an error. They hold only
// plain values, so the jump leaves nothing undestroyed.

bool readHeader(Decoder &d)
{
    if (setjmp(d.errors.jump))
        return false;
    jpeg_save_markers(&d.info, JPEG_APP0 + 1, 0xFFFF); // EXIF
    jpeg_read_header(&d.info, TRUE);
    jpeg_calc_output_dimensions(&d.info);
    return true;
}

// Reads on until stored row `row` is the next one.
void advance(jpeg_decompress_struct &info, JDIMENSION row, JSAMPARRAY scratch)
{
#ifdef LIBJPEG_TURBO_VERSION_NUMBER
    // Skip whole row groups from the start of one: libjpeg-turbo 2.1 can hand over rows from
    // before the skip when a skip starts inside a row group.
    const auto group = JDIMENSION(info.max_v_samp_factor);
    while (info.output_scanline < row && info.output_scanline % group != 0)
        jpeg_read_scanlines(&info, scratch, 1);
    if (info.output_scanline < row) {
        const JDIMENSION whole = (row - info.output_scanline) / group * group;
        if (whole > 0)
            jpeg_skip_scanlines(&info, whole);
    }
#endif
    while (info.output_scanline < row)
        jpeg_read_scanlines(&info, scratch, 1);
}

bool readRows(Decoder &d, const Sampling &sampling, QImage &out)
{
    if (setjmp(d.errors.jump))
        return false;
    jpeg_decompress_struct &info = d.info;
    jpeg_start_decompress(&info);
    const int components = info.output_components;
    JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                info.output_width * JDIMENSION(components), 1);
    JSAMPARRAY scratch = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                    info.output_width * JDIMENSION(components), 1);
    const uchar *pixels = row[0];
    int current = -1;
    for (const Sampling::Line &line : sampling.lines()) {
        if (line.row != current) {
            advance(info, JDIMENSION(line.row), scratch);
            jpeg_read_scanlines(&info, row, 1);
            current = line.row;
        }
        switch (components) {
        case 1:
            sampling.fill(out, line.line, [pixels](int x) { return qRgb(pixels[x], pixels[x], pixels[x]); });
            break;
        case 3:
            sampling.fill(out, line.line, [pixels](int x) {
                const uchar *p = pixels + 3 * x;
                return qRgb(p[0], p[1], p[2]);
            });
            break;
        default: // 4: CMYK as Adobe stores it (inverted), turned into RGB as Qt's reader does
            sampling.fill(out, line.line, [pixels](int x) {
                const uchar *p = pixels + 4 * x;
                const int k = p[3];
                return qRgb(k * p[0] / 255, k * p[1] / 255, k * p[2] / 255);
            });
            break;
        }
    }
    return true;
}

QString errorText(Decoder &d)
{
    switch (d.errors.refusal) {
    case Errors::Refusal::TooManyScans:
        return QStringLiteral("Unable to read image data: the JPEG has too many scans");
    case Errors::Refusal::TooMuchData:
        return QStringLiteral("Unable to read image data: the JPEG holds far more data than its picture can need");
    case Errors::Refusal::None:
        break;
    }
    if (d.errors.msg_code == JERR_NO_BACKING_STORE)
        return QStringLiteral("Unable to read image data: this progressive JPEG needs more than %1 MB to decode")
            .arg(kDecoderMemory / (1024 * 1024));
    char text[JMSG_LENGTH_MAX] = {};
    (*d.errors.format_message)(reinterpret_cast<j_common_ptr>(&d.info), text);
    return QStringLiteral("Unable to read image data: %1").arg(QString::fromLatin1(text));
}

// The orientation from the first EXIF block among the saved APP1 markers.
int orientationOf(const jpeg_decompress_struct &info)
{
    for (jpeg_saved_marker_ptr marker = info.marker_list; marker; marker = marker->next) {
        if (marker->marker == JPEG_APP0 + 1 && marker->data_length >= 6 && std::memcmp(marker->data, "Exif\0\0", 6) == 0)
            return exifOrientation(marker->data, marker->data_length);
    }
    return 0;
}

LoadedPicture decode(Decoder &d)
{
    LoadedPicture loaded;
    if (!readHeader(d)) {
        loaded.error = errorText(d);
        return loaded;
    }
    const int components = d.info.output_components;
    if (components != 1 && components != 3 && components != 4) {
        loaded.error = QStringLiteral("Unable to read image data: JPEG with %1 colour components").arg(components);
        return loaded;
    }
    loaded.error = refusal(d.info.image_width, d.info.image_height);
    if (!loaded.error.isEmpty())
        return loaded;
    const Sampling sampling(int(d.info.image_width), int(d.info.image_height), orientationOf(d.info));
    loaded.error = refusal(sampling);
    if (!loaded.error.isEmpty())
        return loaded;
    // A file of many scans is held whole as coefficients first, set up before any scan is
    // read: its scans are counted before that.
    if (jpeg_has_multiple_scans(&d.info) && tooManyScans(d.info, d.source)) {
        d.errors.refusal = Errors::Refusal::TooManyScans;
        loaded.error = errorText(d);
        return loaded;
    }
    QImage out = sampling.blank();
    if (readRows(d, sampling, out))
        loaded.working = out;
    else
        loaded.error = errorText(d);
    return loaded;
}

} // namespace

LoadedPicture readJpeg(PictureInput &input)
{
    // Large (a 64 KiB buffer) and holding libjpeg's state: on the heap.
    auto d = std::make_unique<Decoder>();
    d->info.err = jpeg_std_error(&d->errors);
    d->errors.error_exit = errorExit;
    d->errors.output_message = outputMessage;
    jpeg_create_decompress(&d->info);
    d->source.input = &input;
    d->source.init_source = initSource;
    d->source.fill_input_buffer = fillInput;
    d->source.skip_input_data = skipInput;
    d->source.resync_to_restart = jpeg_resync_to_restart;
    d->source.term_source = termSource;
    d->source.next_input_byte = d->source.buffer;
    d->source.bytes_in_buffer = 0;
    d->info.src = &d->source;
    d->progress.progress_monitor = monitorProgress;
    d->info.progress = &d->progress;
    d->info.mem->max_memory_to_use = kDecoderMemory;
    const LoadedPicture loaded = decode(*d);
    jpeg_destroy_decompress(&d->info);
    return loaded;
}

int exifOrientation(const uchar *data, std::size_t size)
{
    // "Exif\0\0", then a TIFF header: byte order, 42, the offset of the first directory.
    if (size < 6 + 8 || std::memcmp(data, "Exif\0\0", 6) != 0)
        return 0;
    const uchar *tiff = data + 6;
    const quint64 length = size - 6;
    bool little;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        little = true;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        little = false;
    else
        return 0;
    const auto u16 = [tiff, little](quint64 at) {
        return little ? quint32(tiff[at] | tiff[at + 1] << 8) : quint32(tiff[at] << 8 | tiff[at + 1]);
    };
    const auto u32 = [&u16, little](quint64 at) {
        return little ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2);
    };
    if (u16(2) != 42)
        return 0;
    quint64 directory = u32(4);
    // The picture's own directory and those chained after it, at most 10 as Qt's reader looks.
    for (int n = 0; n < 10 && directory != 0; ++n) {
        if (directory + 2 > length)
            return 0;
        const quint32 entries = u16(directory);
        for (quint32 i = 0; i < entries; ++i) {
            const quint64 entry = directory + 2 + 12 * quint64(i);
            if (entry + 12 > length)
                return 0;
            if (u16(entry) == 0x0112) { // Orientation: one SHORT, 1 to 8
                const quint32 value = u16(entry + 8);
                return u16(entry + 2) == 3 && u32(entry + 4) == 1 && value >= 1 && value <= 8 ? int(value) : 0;
            }
        }
        const quint64 next = directory + 2 + 12 * quint64(entries);
        if (next + 4 > length)
            return 0;
        directory = u32(next);
    }
    return 0;
}

} // namespace picture::detail
