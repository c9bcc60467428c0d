#include "widgets/Busy.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>

namespace {

// How often the windows are brought up to date during a wait: often enough for a progress bar.
constexpr int kPaintIntervalMs = 40;

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::NativeGesture:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
    case QEvent::HoverLeave:
        return true;
    default:
        return false;
    }
}

// Drops the input that reaches any object of the program while it is installed.
class InputDropper : public QObject {
protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (isUserInput(event->type()))
            return true;
        if (event->type() == QEvent::Close) {
            event->ignore(); // closing mid-exchange would disconnect from inside it
            return true;
        }
        return false;
    }
};

} // namespace

void keepWindowsPainted(bool now)
{
    static bool running = false;
    static QElapsedTimer last;
    if (running || !QCoreApplication::instance())
        return;
    if (!now && last.isValid() && last.elapsed() < kPaintIntervalMs)
        return;
    running = true;
    InputDropper dropper;
    QCoreApplication::instance()->installEventFilter(&dropper);
    QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers | QEventLoop::X11ExcludeTimers);
    QCoreApplication::instance()->removeEventFilter(&dropper);
    running = false;
    last.restart();
}
