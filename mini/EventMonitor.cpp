#include "EventMonitor.h"

#include <QCursor>
#include <QGuiApplication>
#include <QWindow>

namespace penwick {

EventMonitor::EventMonitor(Mask mask, Handler handler)
    : m_mask(mask)
    , m_handler(std::move(handler))
{
}

EventMonitor::~EventMonitor() = default;

void EventMonitor::start()
{
    m_buttons.start([this](int button) {
        // A press over one of our own windows is ours, not another program's. Raw events carry
        // no position: the pointer's position now stands for it.
        if (QGuiApplication::topLevelAt(QCursor::pos()))
            return;
        MonitoredEvent event;
        if (button == 1)
            event.type = MonitoredEvent::LeftMouseDown;
        else if (button == 3)
            event.type = MonitoredEvent::RightMouseDown;
        else
            return;
        deliver(event);
    });
}

void EventMonitor::stop()
{
    m_buttons.stop();
}

void EventMonitor::deliver(const MonitoredEvent& event)
{
    if (m_mask.testFlag(event.type) && m_handler)
        m_handler(&event);
}

} // namespace penwick
