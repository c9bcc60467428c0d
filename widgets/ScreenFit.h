#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QScrollArea;
class QWidget;

// Room for a window's frame and title bar, which its geometry leaves out.
inline constexpr QMargins kWindowFrame(8, 38, 8, 8);

// The size of a window showing content of the designed size in the available area of a screen:
// the designed size when it fits (frame included), else as much of it as fits, with room for
// the scroll bars it then needs. `scrollBar` is a scroll bar's width, `frame` the window's frame.
QSize fittedWindowSize(const QSize &designed, const QRect &available, int scrollBar, const QMargins &frame = kWindowFrame);

// A window of a fixed designed size (its controls placed by hand) that still fits a small
// screen at a large scale: `content`, at the designed size, is shown in a frameless scroll area
// that fills `window`. Where the designed size fits, the window is that size and nothing
// scrolls; where it does not, the window takes the available area and the content scrolls, so
// that every control can still be reached. The window is fitted again to the screen it is shown
// on. Returns the scroll area.
QScrollArea *fitToScreen(QWidget *window, QWidget *content);
// Fits `window` (made by fitToScreen) to an available area, in the screen's device-independent
// pixels, and with `keepInside` moves it inside that area.
void fitWindowTo(QWidget *window, const QRect &available, bool keepInside = true);
