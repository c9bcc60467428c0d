#pragma once

#include <QFont>

// Arial at a height in pixels, as the windows use it.
QFont arial(int pixels, bool bold = false, bool italic = false);
// Tahoma at a height in pixels, the windows' default face.
QFont tahoma(int pixels);
