#pragma once

class QKeyEvent;
class QMouseEvent;
class QPainter;
class QWidget;

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

// True for the keys that press a focused button: Space, Enter and Return.
bool isPressKey(const QKeyEvent *event);
