#include "widgets/FocusRing.h"

#include "widgets/Colors.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOption>
#include <QWidget>

QColor focusRingColor(const QColor &highlight, const QColor &behind)
{
    constexpr double kLeast = 3.0; // what a focus indicator needs against its surroundings
    const bool darken = contrastRatio(Qt::black, behind) >= contrastRatio(Qt::white, behind);
    QColor colour = highlight.toRgb();
    for (int step = 0; step < 24 && contrastRatio(colour, behind) < kLeast; ++step)
        colour = darken ? colour.darker(115) : colour.lighter(115);
    return contrastRatio(colour, behind) >= kLeast ? colour : readableTextOn(behind);
}

QColor focusRingColor(const QWidget *widget)
{
    return focusRingColor(widget->palette().color(QPalette::Highlight), widget->palette().color(QPalette::Window));
}

void drawFocusRing(QPainter &painter, const QRect &rect, const QWidget *widget)
{
    painter.save();
    painter.setPen(QPen(focusRingColor(widget), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect).adjusted(1, 1, -1, -1));
    painter.restore();
}

namespace {
class FocusRingStyle : public QProxyStyle {
public:
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override
    {
        QProxyStyle::drawControl(element, option, painter, widget);
        if (element == CE_PushButton && widget && (option->state & State_HasFocus))
            drawFocusRing(*painter, option->rect, widget);
    }
};
} // namespace

QStyle *focusRingStyle()
{
    // One for the program, following the desktop's style; gone with the application.
    static QPointer<QStyle> style;
    if (!style) {
        style = new FocusRingStyle;
        style->setParent(QCoreApplication::instance());
    }
    return style;
}
