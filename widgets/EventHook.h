#pragma once

#include <QObject>

#include <functional>

class QEvent;

// Runs a function for the events of a widget that it handles; needs no meta-object of its own.
class EventHook : public QObject {
public:
    EventHook(QObject *target, std::function<bool(QEvent *)> handler);

protected:
    bool eventFilter(QObject *, QEvent *event) override { return m_handler(event); }

private:
    std::function<bool(QEvent *)> m_handler;
};
