#pragma once

#include "platform/Observation.h"

#include <functional>

namespace penwick::platform {

// Mouse button presses anywhere on the screen, also in other programs' windows (XInput 2 raw
// events on the root window). Main thread only; without X11 it reports nothing.
class PointerButtonMonitor {
public:
    // X button numbers: 1 left, 2 middle, 3 right.
    using Handler = std::function<void(int button)>;

    PointerButtonMonitor() = default;
    ~PointerButtonMonitor() { stop(); }
    PointerButtonMonitor(const PointerButtonMonitor&) = delete;
    PointerButtonMonitor& operator=(const PointerButtonMonitor&) = delete;

    static bool isSupported();
    // False when X11 or its input extension is missing. Starting again replaces the handler.
    bool start(Handler handler);
    void stop();
    bool isRunning() const { return m_subscription.isActive(); }

private:
    Handler m_handler;
    Observation m_subscription;
};

} // namespace penwick::platform
