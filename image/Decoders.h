#pragma once

// The picture decoders that read JPEG and PNG files row by row into the working picture, and the
// checks every decoder makes once it knows a picture's size.

#include "image/Picture.h"
#include "image/Sampling.h"

class QIODevice;

namespace picture::detail {

// Each reads a whole file from `device`, open at its start.
LoadedPicture readJpeg(QIODevice &device);
LoadedPicture readPng(QIODevice &device);

// Why a picture of this size is refused before decoding (more than kMaxPixels), or empty text.
QString refusal(qint64 width, qint64 height);
// Why a picture that would shrink to nothing is refused, or empty text.
QString refusal(const Sampling &sampling);

// The EXIF orientation (1 to 8) that APP1 data (starting "Exif\0\0") gives, or 0 when it gives
// none or is damaged.
int exifOrientation(const uchar *data, std::size_t size);

} // namespace picture::detail
