#pragma once

#include <QColor>

class QPainter;
class QRect;
class QStyle;
class QWidget;

// The colour of a focus ring around a control on `behind`: the highlight colour, darkened (on a
// dark background lightened) until it stands out from the background at 3:1 at least.
QColor focusRingColor(const QColor &highlight, const QColor &behind);
// The same for a widget: its palette's highlight against the window colour it sits on.
QColor focusRingColor(const QWidget *widget);
// A 2-pixel focus ring inside `rect` in focusRingColor(widget).
void drawFocusRing(QPainter &painter, const QRect &rect, const QWidget *widget);
// A style for push buttons on a coloured window (the main window's aqua), where the desktop
// style's faint focus line does not show: it adds the ring above.
QStyle *focusRingStyle();
