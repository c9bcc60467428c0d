#include "widgets/ColorPanel.h"

#include "widgets/Colors.h"

#include <QAccessible>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

ColorPanel::ColorPanel(const QString &caption, QWidget *parent) : QWidget(parent), Clickable(this), m_caption(caption)
{
    setAccessibleName(caption);
}

QColor ColorPanel::color() const
{
    return m_color.isValid() ? m_color : palette().color(QPalette::Button);
}

void ColorPanel::setButtonFace()
{
    m_color = QColor();
    update();
}

QColor ColorPanel::textColor() const
{
    return m_color.isValid() ? readableTextOn(m_color) : palette().color(QPalette::ButtonText);
}

void ColorPanel::setChecked(bool checked)
{
    if (checked == m_checked)
        return;
    m_checked = checked;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

void ColorPanel::setCaption(const QString &caption)
{
    m_caption = caption;
    setAccessibleName(caption);
    update();
}

void ColorPanel::setColor(const QColor &color)
{
    m_color = color;
    update();
}

void ColorPanel::setCaptionCover(QWidget *cover)
{
    if (m_cover)
        m_cover->removeEventFilter(this);
    m_cover = cover;
    if (m_cover)
        m_cover->installEventFilter(this);
    update();
}

bool ColorPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_cover && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        update();
    return QWidget::eventFilter(watched, event);
}

void ColorPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), color());
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.lineWidth = 1;
    frame.state |= QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, this);
    paintFocus(painter);
    if (m_cover && !m_cover->isHidden())
        return;
    painter.setPen(textColor());
    painter.drawText(rect(), Qt::AlignCenter, m_caption);
}

void ColorPanel::mouseReleaseEvent(QMouseEvent *event)
{
    if (presses(event))
        emit clicked();
}

void ColorPanel::keyPressEvent(QKeyEvent *event)
{
    if (presses(event)) {
        emit clicked();
        return;
    }
    QWidget::keyPressEvent(event);
}
