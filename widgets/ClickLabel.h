#pragma once

#include "widgets/Clickable.h"

#include <QLabel>
#include <QString>

// A label that can act as a button (the settings heading, the shift average); the pointer shows
// a hand over it while it is clickable.
class ClickLabel : public QLabel, public Clickable {
    Q_OBJECT
public:
    explicit ClickLabel(const QString &text, QWidget *parent = nullptr);
    void setClickable(bool clickable);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};
