#pragma once

#include "RunningApplication.h"
#include "platform/x11/ActiveWindowWatcher.h"

#include <optional>

namespace penwick {

class AppTrackerDelegate {
public:
    virtual ~AppTrackerDelegate() = default;
    virtual void didSetCurrentApplication(const std::optional<RunningApplication>& application) = 0;
};

// Remembers which program the user was working in before PenwickMini came to the front. It
// follows the active window and reports only when the owning program changes: the program
// left becomes `prevApp`, the new one `currentApp`, and the delegate is told. Main thread only.
class AppTracker {
public:
    static AppTracker& sharedInstance();

    AppTracker() = default;
    ~AppTracker();
    AppTracker(const AppTracker&) = delete;
    AppTracker& operator=(const AppTracker&) = delete;

    const std::optional<RunningApplication>& prevApp() const { return m_prevApp; }
    void setPrevApp(std::optional<RunningApplication> application) { m_prevApp = std::move(application); }
    const std::optional<RunningApplication>& currentApp() const { return m_currentApp; }
    // Also tells the delegate.
    void setCurrentApp(std::optional<RunningApplication> application);

    AppTrackerDelegate* delegate() const { return m_delegate; }
    // Not owned; a delegate clears itself before it goes.
    void setDelegate(AppTrackerDelegate* delegate) { m_delegate = delegate; }

    // Follows the active window from now on (starting again keeps one observation); the
    // program active now becomes `currentApp` without a report. Nothing happens without X11.
    void startTracking();
    void stopTracking();
    bool isTracking() const { return m_watcher.isRunning(); }

    // The active window changed to `window`. None, or a window that names no process, changes
    // nothing: the program the user left is kept.
    void setPreviousApplication(const std::optional<platform::WindowInfo>& window);

    // The program that owns a window.
    static RunningApplication applicationForWindow(const platform::WindowInfo& window);

private:
    std::optional<RunningApplication> m_prevApp;
    std::optional<RunningApplication> m_currentApp;
    AppTrackerDelegate* m_delegate = nullptr;
    platform::ActiveWindowWatcher m_watcher;
};

} // namespace penwick
