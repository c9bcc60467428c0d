#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QString>
#include <QWidget>

#include <functional>

class QKeyEvent;
class QMouseEvent;
class QPainter;
class QStyle;

// What makes a widget act as a button: Tab reaches it while it is clickable, Space or Enter then
// presses it, a left click (released over it) presses it whether or not Tab reaches it, and it
// shows focus with a ring. The widget asks it from its own event handlers.
class Clickable {
public:
    bool isClickable() const { return m_clickable; }

protected:
    explicit Clickable(QWidget *self) : m_self(self) {}
    void setClickableState(bool clickable);
    // Whether the event presses the widget.
    bool presses(const QMouseEvent *event) const;
    bool presses(const QKeyEvent *event) const;
    // The focus ring over what the widget painted, while it has focus.
    void paintFocus(QPainter &painter) const;

private:
    QWidget *m_self;
    bool m_clickable = false;
};

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

// Shows a picture centred and scaled to fit, keeping its aspect ratio.
class ImageView : public QWidget {
    Q_OBJECT
public:
    explicit ImageView(QWidget *parent = nullptr);
    const QImage &picture() const { return m_picture; }
    void setPicture(const QImage &picture);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QImage m_picture;
};

// The ordinary, visible files of one folder that match a mask, sorted by name.
class FileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileListBox(QWidget *parent = nullptr);
    QString directory() const { return m_directory; }
    // Binds the list to a folder and makes it the current folder.
    void setDirectory(const QString &directory);
    QString mask() const { return m_mask; }
    void setMask(const QString &mask);
    // Reads the folder again.
    void refresh();
    bool multiSelect() const;
    // A click toggles an item while multi-select is on. Neither this nor refresh() counts as a
    // selection change by the user: itemSelectionChanged is not emitted.
    void setMultiSelect(bool on);
    // Full path of the picked file: the selected item, or in multi-select mode the current item
    // if it is selected; empty text when there is none.
    QString fileName() const;
    bool hasSelection() const { return !selectedItems().isEmpty(); }

signals:
    // Typed character keys, before the list's own handling of them.
    void keyTyped(QChar key);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString m_directory;
    QString m_mask = QStringLiteral("*.*");
};

// Runs a function for the events of a widget that it handles; needs no meta-object of its own.
class EventHook : public QObject {
public:
    EventHook(QObject *target, std::function<bool(QEvent *)> handler);

protected:
    bool eventFilter(QObject *, QEvent *event) override { return m_handler(event); }

private:
    std::function<bool(QEvent *)> m_handler;
};

// Arial at a height in pixels, as the windows use it.
QFont arial(int pixels, bool bold = false, bool italic = false);
// Tahoma at a height in pixels, the windows' default face.
QFont tahoma(int pixels);

// Sets a label's text and lets it size itself to it.
void setLabelText(QLabel *label, const QString &text);

// The system's button-face colour.
QColor buttonFaceColor();

// The contrast ratio of two colours as the web's accessibility guidelines define it, from 1
// (none) to 21 (black on white); text needs 4.5 to read well.
double contrastRatio(const QColor &a, const QColor &b);
// Black or white, whichever reads better on `background`.
QColor readableTextOn(const QColor &background);
// True for the keys that press a focused button: Space, Enter and Return.
bool isPressKey(const QKeyEvent *event);
// The colour of a focus ring around a control on `behind`: the highlight colour, darkened (on a
// dark background lightened) until it stands out from the background at 3:1 at least.
QColor focusRingColor(const QColor &highlight, const QColor &behind);
// The same for a widget: its palette's highlight against the window colour it sits on.
QColor focusRingColor(const QWidget *widget);
// A 2-pixel focus ring inside `rect` in focusRingColor(widget).
void drawFocusRing(QPainter &painter, const QRect &rect, const QWidget *widget);
// A style for push buttons on a coloured window (the main window's aqua), where the desktop
// style's faint focus line does not show: it adds the ring above.
QStyle *focusRingStyle();
