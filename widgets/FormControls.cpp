#include "widgets/FormControls.h"

#include "widgets/FocusRing.h"
#include "widgets/Fonts.h"

#include <QGroupBox>
#include <QPushButton>

QGroupBox *makeGroupBox(QWidget *content, const char *name, const QString &title, const QRect &geometry)
{
    auto *group = new QGroupBox(title, content);
    group->setObjectName(QLatin1String(name));
    group->setFont(arial(16, true));
    group->setGeometry(geometry);
    return group;
}

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
