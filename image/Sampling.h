#pragma once

// Which stored pixels of a picture make up its working picture, and where each one goes. The
// decoders read stored rows top to bottom and hand over only the rows listed here, so a picture of
// any size costs a few rows of memory.

#include <QImage>
#include <QSize>

#include <vector>

namespace picture::detail {

// The fitted size and the one factor, source pixels per target pixel, that gives it.
struct Fit {
    QSize size;
    double factor = 1.0;
};
Fit fit(int width, int height);

// The colour a pixel (red, green, blue, alpha; not premultiplied) shows on white.
inline int overWhite(int channel, int alpha)
{
    return (channel * alpha + 255 * (255 - alpha) + 127) / 255;
}

class Sampling {
public:
    // A picture stored as width x height pixels, shown turned as its EXIF orientation (1 to 8)
    // says; any other orientation counts as 1, upright.
    Sampling(int width, int height, int orientation = 1);

    // The picture as shown (sides swapped for orientations 5 to 8) and its fitted size, empty
    // when a side would shrink to 0.
    QSize shown() const { return m_shown; }
    QSize fitted() const { return m_fitted; }

    // One line of the working picture and the stored row it comes from. A line is a row of the
    // working picture, or a column of it for orientations 5 to 8.
    struct Line {
        int row;
        int line;
    };
    // Every line of the working picture, by ascending stored row.
    const std::vector<Line> &lines() const { return m_lines; }
    // For each pixel along a line, the stored column it takes.
    const std::vector<int> &columns() const { return m_columns; }

    // The working picture, white, ready for fill().
    QImage blank() const;

    // Fills `line` of `out` (from blank()): pixel k along it is argbAt(columns()[k]), a QRgb,
    // flattened onto white.
    template <class ArgbAt>
    void fill(QImage &out, int line, ArgbAt &&argbAt) const
    {
        fillSome(out, line, [](int) { return true; }, argbAt);
    }
    // The same for the pixels whose stored column has(column) says are there.
    template <class Has, class ArgbAt>
    void fillSome(QImage &out, int line, Has &&has, ArgbAt &&argbAt) const
    {
        uchar *bits = out.bits();
        const qsizetype bytesPerLine = out.bytesPerLine();
        // Along a row the next pixel is 3 bytes on; along a column, one row down.
        uchar *p = m_turned ? bits + 3 * qsizetype(line) : bits + bytesPerLine * line;
        const qsizetype step = m_turned ? bytesPerLine : 3;
        for (const int column : m_columns) {
            if (has(column)) {
                const QRgb argb = argbAt(column);
                const int a = qAlpha(argb);
                if (a == 255) {
                    p[0] = uchar(qRed(argb));
                    p[1] = uchar(qGreen(argb));
                    p[2] = uchar(qBlue(argb));
                } else {
                    p[0] = uchar(overWhite(qRed(argb), a));
                    p[1] = uchar(overWhite(qGreen(argb), a));
                    p[2] = uchar(overWhite(qBlue(argb), a));
                }
            }
            p += step;
        }
    }

private:
    QSize m_shown;
    QSize m_fitted;
    bool m_turned = false;
    std::vector<Line> m_lines;
    std::vector<int> m_columns;
};

} // namespace picture::detail
