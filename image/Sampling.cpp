#include "image/Sampling.h"

#include <algorithm>

namespace picture::detail {

namespace {

// One source position for a target position: the pixel under the target pixel's centre.
int nearest(int target, double factor, int limit)
{
    const int source = int((target + 0.5) * factor);
    return source < limit ? source : limit - 1;
}

} // namespace

Sampling::Sampling(int width, int height, int orientation)
{
    if (orientation < 1 || orientation > 8)
        orientation = 1;
    // Orientations 5 to 8 turn the picture a quarter: a stored row becomes a shown column.
    m_turned = orientation >= 5;
    // Whether shown positions run against stored columns or rows (mirrored, flipped, turned).
    const bool columnsReversed = orientation == 2 || orientation == 3 || orientation == 7 || orientation == 8;
    const bool rowsReversed = orientation == 3 || orientation == 4 || orientation == 6 || orientation == 7;
    m_shown = m_turned ? QSize(height, width) : QSize(width, height);
    const auto [size, factor] = fit(m_shown.width(), m_shown.height());
    if (width < 1 || height < 1 || size.isEmpty())
        return;
    m_fitted = size;

    // Lines run across the stored rows, the pixels along a line across the stored columns.
    const int lineCount = m_turned ? size.width() : size.height();
    const int along = m_turned ? size.height() : size.width();
    m_lines.reserve(std::size_t(lineCount));
    for (int line = 0; line < lineCount; ++line) {
        const int shown = nearest(line, factor, height);
        m_lines.push_back({rowsReversed ? height - 1 - shown : shown, line});
    }
    std::stable_sort(m_lines.begin(), m_lines.end(), [](const Line &a, const Line &b) { return a.row < b.row; });
    m_columns.reserve(std::size_t(along));
    for (int k = 0; k < along; ++k) {
        const int shown = nearest(k, factor, width);
        m_columns.push_back(columnsReversed ? width - 1 - shown : shown);
    }
}

QImage Sampling::blank() const
{
    QImage out(m_fitted, QImage::Format_RGB888);
    out.fill(Qt::white);
    return out;
}

} // namespace picture::detail
