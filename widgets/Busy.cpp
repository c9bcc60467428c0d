#include "widgets/Busy.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>

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

bool painting = false; // inside keepWindowsPainted()'s event processing
bool busyShown = false;

// Back to the normal cursor once the program is idle in its event loop again: not from within
// the event processing of a wait, only after the exchange's handler has returned (or shows a
// box, which waits for the user).
void restoreCursorWhenIdle()
{
    QTimer::singleShot(0, QCoreApplication::instance(), [] {
        if (painting) {
            restoreCursorWhenIdle();
            return;
        }
        QApplication::restoreOverrideCursor();
        busyShown = false;
    });
}

// The busy cursor from the first wait of an exchange on.
void showBusyCursor()
{
    if (busyShown || !qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    busyShown = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    restoreCursorWhenIdle();
}

} // namespace

void keepWindowsPainted(bool now)
{
    static QElapsedTimer last;
    if (painting || !QCoreApplication::instance())
        return;
    showBusyCursor();
    if (!now && last.isValid() && last.elapsed() < kPaintIntervalMs)
        return;
    painting = true;
    InputDropper dropper;
    QCoreApplication::instance()->installEventFilter(&dropper);
    QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers | QEventLoop::X11ExcludeTimers);
    QCoreApplication::instance()->removeEventFilter(&dropper);
    painting = false;
    last.restart();
}
