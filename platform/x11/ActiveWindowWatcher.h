#pragma once

#include "platform/Observation.h"

#include <QString>

#include <functional>
#include <optional>

namespace penwick::platform {

// What X11 tells of one top-level window.
struct WindowInfo {
    quint32 windowId = 0;
    qint64 pid = 0;              // _NET_WM_PID; 0 when the window gives none
    QString wmInstance;          // WM_CLASS, first string
    QString wmClass;             // WM_CLASS, second string
    QString applicationId;       // _GTK_APPLICATION_ID (a desktop-file id without ".desktop")
    QString title;               // _NET_WM_NAME, else WM_NAME

    bool operator==(const WindowInfo&) const = default;
};

// Follows the window manager's active window (_NET_ACTIVE_WINDOW on the root window) through
// the application's own X connection. Without X11, or without a window manager that sets the
// property, it reports nothing.
class ActiveWindowWatcher {
public:
    // The new active window, or none when no window (or no usable one) is active.
    using Handler = std::function<void(const std::optional<WindowInfo>& window)>;

    ActiveWindowWatcher() = default;
    ~ActiveWindowWatcher() { stop(); }
    ActiveWindowWatcher(const ActiveWindowWatcher&) = delete;
    ActiveWindowWatcher& operator=(const ActiveWindowWatcher&) = delete;

    static bool isSupported();
    // The window the property names now.
    static std::optional<WindowInfo> activeWindow();
    static WindowInfo windowInfo(quint32 windowId);

    // False without X11. Starting again replaces the handler.
    bool start(Handler handler);
    void stop();
    bool isRunning() const { return m_subscription.isActive(); }

private:
    Handler m_handler;
    Observation m_subscription;
};

} // namespace penwick::platform
