#include "widgets/ScreenFit.h"

#include "widgets/EventHook.h"

#include <QEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

QSize fittedWindowSize(const QSize &designed, const QRect &available, int scrollBar, const QMargins &frame)
{
    const QSize room = available.marginsRemoved(frame).size();
    if (designed.width() <= room.width() && designed.height() <= room.height())
        return designed;
    // A short screen scrolls up and down, with its bar beside the content; a narrow one across.
    const bool tooTall = designed.height() > room.height();
    const bool tooWide = designed.width() + (tooTall ? scrollBar : 0) > room.width();
    const int width = designed.width() + (tooTall ? scrollBar : 0);
    const int height = designed.height() + (tooWide ? scrollBar : 0);
    return {std::max(1, std::min(width, room.width())), std::max(1, std::min(height, room.height()))};
}

namespace {

QScrollArea *scrollAreaOf(QWidget *window)
{
    return window->findChild<QScrollArea *>(QStringLiteral("ScreenFit"), Qt::FindDirectChildrenOnly);
}

} // namespace

QScrollArea *fitToScreen(QWidget *window, QWidget *content)
{
    auto *area = new QScrollArea(window);
    area->setObjectName(QStringLiteral("ScreenFit"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(false);
    content->setAutoFillBackground(true);
    area->setWidget(content);
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(area);
    window->setFixedSize(content->size());

    const auto refit = [window] {
        // A window the desktop has yet to place is left to it: it places one that fits.
        if (QScreen *screen = window->screen())
            fitWindowTo(window, screen->availableGeometry(), window->testAttribute(Qt::WA_Moved));
    };
    new EventHook(window, [window, refit](QEvent *event) {
        if (event->type() == QEvent::Show && !event->spontaneous()) {
            refit();
            // A window moved to another screen is fitted to that one.
            if (QWindow *handle = window->windowHandle(); handle && !handle->property("screenFit").toBool()) {
                handle->setProperty("screenFit", true);
                QObject::connect(handle, &QWindow::screenChanged, window, refit);
            }
        }
        return false;
    });
    return area;
}

void fitWindowTo(QWidget *window, const QRect &available, bool keepInside)
{
    QScrollArea *area = scrollAreaOf(window);
    if (!area || !area->widget())
        return;
    // The frame the desktop gave the window once it is shown, and at least the usual one.
    const QRect inner = window->geometry(), outer = window->frameGeometry();
    const QMargins actual = window->isVisible() ? QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                                                           outer.right() - inner.right(), outer.bottom() - inner.bottom())
                                                : QMargins();
    const QMargins frame(std::max(actual.left(), kWindowFrame.left()), std::max(actual.top(), kWindowFrame.top()),
                         std::max(actual.right(), kWindowFrame.right()), std::max(actual.bottom(), kWindowFrame.bottom()));
    const QSize designed = area->widget()->size();
    const int bar = window->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, area);
    const QSize size = fittedWindowSize(designed, available, bar, frame);
    const bool fits = size == designed;
    area->setHorizontalScrollBarPolicy(fits ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    area->setVerticalScrollBarPolicy(fits ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    window->setFixedSize(size);
    if (!keepInside)
        return;
    // The whole window, frame and title bar included, inside the area.
    const QRect inside = available.marginsRemoved(frame);
    QPoint at = inner.topLeft();
    at.setX(std::clamp(at.x(), inside.left(), std::max(inside.left(), inside.right() + 1 - size.width())));
    at.setY(std::clamp(at.y(), inside.top(), std::max(inside.top(), inside.bottom() + 1 - size.height())));
    if (at != inner.topLeft())
        window->move(at - QPoint(actual.left(), actual.top())); // move() places the frame
}
