#include "widgets/FormControls.h"

#include "widgets/FocusRing.h"
#include "widgets/Fonts.h"

#include <QPushButton>

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, const QRect &geometry,
                        const QString &hint)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setFont(arial(15));
    button->setStyle(focusRingStyle()); // a focus ring that shows on the aqua
    button->setGeometry(geometry);
    if (!hint.isEmpty())
        button->setToolTip(hint);
    return button;
}
