#pragma once

#include <QString>

class QLabel;

// Sets a label's text and lets it size itself to it.
void setLabelText(QLabel *label, const QString &text);
