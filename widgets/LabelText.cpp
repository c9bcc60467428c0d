#include "widgets/LabelText.h"

#include <QLabel>

void setLabelText(QLabel *label, const QString &text)
{
    label->setText(text);
    label->adjustSize();
}
