#include "widgets/Clickable.h"

#include "widgets/FocusRing.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

void Clickable::setClickableState(bool clickable)
{
    m_clickable = clickable;
    m_self->setFocusPolicy(clickable ? Qt::StrongFocus : Qt::NoFocus);
}

bool Clickable::presses(const QMouseEvent *event) const
{
    return event->button() == Qt::LeftButton && m_self->rect().contains(event->position().toPoint());
}

bool Clickable::presses(const QKeyEvent *event) const
{
    return m_clickable && isPressKey(event) && !event->isAutoRepeat();
}

void Clickable::paintFocus(QPainter &painter) const
{
    if (m_self->hasFocus())
        drawFocusRing(painter, m_self->rect(), m_self);
}

bool isPressKey(const QKeyEvent *event)
{
    return (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier
           && (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter);
}
