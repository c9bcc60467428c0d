#pragma once

// The picture decoders that read JPEG and PNG files row by row into the working picture, and the
// checks every decoder makes once it knows a picture's size.

#include "image/Picture.h"
#include "image/Sampling.h"

#include <QIODevice>

namespace picture::detail {

// All the data a picture file's markers, chunks and tables hold besides its pixel data, at most:
// far beyond an ICC profile (16 MB at most), EXIF and XMP blocks.
constexpr qint64 kMetadataBytes = 64 * 1024 * 1024;

// The picture file as every decoder reads it. Reading ends at the size the file had when it was
// opened, so a file that keeps growing is not followed, and at the limits a decoder sets once the
// header gave the picture's size: the most bytes a picture of that size can hold, and the most
// bytes an intact file can hold between two decoded rows. So a huge file of nothing (a sparse file
// of zeros after a picture's first bytes) costs no more than the picture could.
class PictureInput : public QIODevice {
public:
    // `file` is open for reading at its start and holds `size` bytes.
    PictureInput(QIODevice &file, qint64 size);
    bool isSequential() const override { return false; }
    qint64 size() const override;
    // The size the file had when it was opened, whatever the limits.
    qint64 fileSize() const { return m_size; }
    bool seek(qint64 position) override;
    // The most bytes that may be read, from the file's start; nothing is read past them.
    void limitTotal(qint64 bytes);
    // The most bytes that may be read between two calls of progressed() (a row decoded).
    void limitGap(qint64 bytes);
    void progressed() { m_sinceProgress = 0; }
    // True when reading stopped at one of the limits rather than at the file's end.
    bool overLimit() const { return m_overLimit; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QIODevice &m_file;
    qint64 m_size;
    qint64 m_total;
    qint64 m_gap;
    qint64 m_sinceProgress = 0;
    bool m_overLimit = false;
};

// Each reads a whole file from `input`, open at its start.
LoadedPicture readJpeg(PictureInput &input);
LoadedPicture readPng(PictureInput &input);

// Why a picture of this size is refused before decoding (more than kMaxPixels), or empty text.
QString refusal(qint64 width, qint64 height);
// Why a picture that would shrink to nothing is refused, or empty text.
QString refusal(const Sampling &sampling);

// The EXIF orientation (1 to 8) that APP1 data (starting "Exif\0\0") gives, or 0 when it gives
// none or is damaged.
int exifOrientation(const uchar *data, std::size_t size);

} // namespace picture::detail
