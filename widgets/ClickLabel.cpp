#include "widgets/ClickLabel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

ClickLabel::ClickLabel(const QString &text, QWidget *parent) : QLabel(text, parent), Clickable(this) {}

void ClickLabel::setClickable(bool clickable)
{
    setClickableState(clickable);
    setCursor(clickable ? Qt::PointingHandCursor : Qt::ArrowCursor);
    update();
}

void ClickLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (hasFocus()) {
        QPainter painter(this);
        paintFocus(painter);
    }
}

void ClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    // A click counts whether or not Tab reaches the label; the handler decides what it does.
    if (presses(event)) {
        emit clicked();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void ClickLabel::keyPressEvent(QKeyEvent *event)
{
    if (presses(event)) {
        emit clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}
