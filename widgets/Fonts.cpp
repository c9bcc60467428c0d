#include "widgets/Fonts.h"

#include <QString>

QFont arial(int pixels, bool bold, bool italic)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

QFont tahoma(int pixels)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixels);
    return font;
}
