#include "widgets/EventHook.h"

#include <utility>

EventHook::EventHook(QObject *target, std::function<bool(QEvent *)> handler)
    : QObject(target), m_handler(std::move(handler))
{
    target->installEventFilter(this);
}
