#pragma once

#include "platform/x11/PointerButtonMonitor.h"

#include <QFlags>
#include <Qt>

#include <functional>

namespace penwick {

// An event a monitor saw.
struct MonitoredEvent {
    enum Type { LeftMouseDown = 1, RightMouseDown = 2, KeyDown = 4 };
    Type type = LeftMouseDown;
    int key = 0;            // Qt::Key of a key press
    bool inPopup = false;   // the key press went to an open menu or list
    bool isEscape() const { return type == KeyDown && key == Qt::Key_Escape; }
};

// Watches events sent to other programs: mouse presses that land outside PenwickMini's windows.
// Without X11 it sees nothing (the popover's loss of activation stands in).
class EventMonitor {
public:
    using Mask = QFlags<MonitoredEvent::Type>;
    // Called with each matching event (none when the cause has no event); never consumes it.
    using Handler = std::function<void(const MonitoredEvent* event)>;

    EventMonitor(Mask mask, Handler handler);
    virtual ~EventMonitor();
    EventMonitor(const EventMonitor&) = delete;
    EventMonitor& operator=(const EventMonitor&) = delete;

    virtual void start();
    virtual void stop();
    virtual bool isRunning() const { return m_buttons.isRunning(); }

    Mask mask() const { return m_mask; }

protected:
    void deliver(const MonitoredEvent& event);

private:
    Mask m_mask;
    Handler m_handler;
    platform::PointerButtonMonitor m_buttons;
};

} // namespace penwick
