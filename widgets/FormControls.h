#pragma once

#include <QLabel>
#include <QRect>
#include <QString>

class QFont;
class QGroupBox;
class QPushButton;
class QWidget;

// Controls placed by hand on a designed window, at their designed places.

// A label sized to its text at (x, y); device and file text (version, serial number, file names)
// is shown as it is, never as markup.
template <typename Label = QLabel>
Label *makeLabel(QWidget *parent, const char *name, const QString &text, int x, int y, const QFont *font = nullptr)
{
    auto *label = new Label(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    if (font)
        label->setFont(*font);
    label->move(x, y);
    label->adjustSize();
    return label;
}

// One of the main window's groups: its bold title on `content` at `geometry`.
QGroupBox *makeGroupBox(QWidget *content, const char *name, const QString &title, const QRect &geometry);

// A push button in the designed face, with a focus ring that shows on any background.
QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, const QRect &geometry,
                        const QString &hint = {});
