#pragma once

#include <QColor>

// The system's button-face colour.
QColor buttonFaceColor();

// The contrast ratio of two colours as the web's accessibility guidelines define it, from 1
// (none) to 21 (black on white); text needs 4.5 to read well.
double contrastRatio(const QColor &a, const QColor &b);
// Black or white, whichever reads better on `background`.
QColor readableTextOn(const QColor &background);
