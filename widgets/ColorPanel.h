#pragma once

#include "widgets/Clickable.h"

#include <QColor>
#include <QString>
#include <QWidget>

// A panel that paints its own background colour and centred caption, and reports clicks.
// Until it is given a colour it shows the palette's button face, and follows the palette.
class ColorPanel : public QWidget, public Clickable {
    Q_OBJECT
public:
    explicit ColorPanel(const QString &caption, QWidget *parent = nullptr);
    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);
    QColor color() const;
    void setColor(const QColor &color);
    // Back to the palette's button face.
    void setButtonFace();
    // The caption's colour: the palette's button text on the button face, otherwise black or
    // white, whichever reads better on the panel's own colour.
    QColor textColor() const;
    // A panel used as a button.
    void setClickable(bool clickable) { setClickableState(clickable); }
    // A panel used as a toggle button, on or off (for screen readers; the look is its colour).
    void setCheckable(bool checkable) { m_checkable = checkable; }
    bool isCheckable() const { return m_checkable; }
    void setChecked(bool checked);
    bool isChecked() const { return m_checked; }
    // The caption is left out while `cover`, a child laid over the panel, is shown: a picture
    // that fills only part of the panel would show pieces of the caption beside it.
    void setCaptionCover(QWidget *cover);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString m_caption;
    QColor m_color; // invalid: the palette's button face
    QWidget *m_cover = nullptr;
    bool m_checkable = false;
    bool m_checked = false;
};
