#pragma once

#include "image/Picture.h"

#include <QByteArray>
#include <QImage>

// A picture whose every pixel differs from its neighbours, so a shifted, flipped or scaled
// conversion shows.
inline QImage testPattern(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, (x * 7 + y * 13) & 0xFF));
    return image;
}

// The device's raw bytes of `image` worked out pixel by pixel, top row first, low byte first.
inline QByteArray expectedRaw(const QImage &image)
{
    QByteArray raw;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            const quint16 v = picture::rgb565(qRed(p), qGreen(p), qBlue(p));
            raw.append(char(v & 0xFF)).append(char(v >> 8));
        }
    return raw;
}
