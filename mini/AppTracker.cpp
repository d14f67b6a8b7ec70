#include "AppTracker.h"

#include "MiniLog.h"
#include "platform/DesktopEntries.h"

#include <QFileInfo>

namespace penwick {

AppTracker& AppTracker::sharedInstance()
{
    static AppTracker tracker;
    return tracker;
}

AppTracker::~AppTracker()
{
    miniLog().debug(QStringLiteral("Deallocated AppTracker"));
}

void AppTracker::setCurrentApp(std::optional<RunningApplication> application)
{
    m_currentApp = std::move(application);
    if (m_delegate)
        m_delegate->didSetCurrentApplication(m_currentApp);
}

void AppTracker::startTracking()
{
    stopTracking();
    if (!m_watcher.start([this](const std::optional<platform::WindowInfo>& window) { setPreviousApplication(window); }))
        return;
    if (const auto window = platform::ActiveWindowWatcher::activeWindow(); window && window->pid != 0)
        m_currentApp = applicationForWindow(*window);
}

void AppTracker::stopTracking()
{
    m_watcher.stop();
}

void AppTracker::setPreviousApplication(const std::optional<platform::WindowInfo>& window)
{
    // No active window (window managers name none for a moment between two windows), or one
    // that names no process: no program we could attach a note to. The program left stays the
    // current one, so that the step after it still finds it.
    if (!window || window->pid == 0)
        return;
    RunningApplication application = applicationForWindow(*window);
    if (m_currentApp && m_currentApp->pid == application.pid) {
        // Another window of the same program: no report, but the window goes along.
        m_currentApp = std::move(application);
        return;
    }
    m_prevApp = m_currentApp;
    setCurrentApp(std::move(application));
}

RunningApplication AppTracker::applicationForWindow(const platform::WindowInfo& window)
{
    RunningApplication application;
    application.pid = window.pid;
    application.windowId = window.windowId;
    application.windowTitle = window.title;
    if (window.pid != 0)
        application.executablePath = QFileInfo(QStringLiteral("/proc/%1/exe").arg(window.pid)).symLinkTarget();
    std::optional<platform::DesktopEntry> entry;
    if (!window.applicationId.isEmpty()) {
        application.identifier = window.applicationId;
        entry = platform::DesktopEntries::entryForId(window.applicationId);
    } else if ((entry = platform::DesktopEntries::entryForWMClass(window.wmClass))) {
        application.identifier = entry->id;
    } else {
        application.identifier = window.wmClass;
    }
    application.localizedName = entry && !entry->name.isEmpty() ? entry->name : window.wmClass;
    return application;
}

} // namespace penwick
