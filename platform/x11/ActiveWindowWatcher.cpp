#include "platform/x11/ActiveWindowWatcher.h"

#include "platform/x11/X11Connection.h"

#include <QList>

namespace penwick::platform {

namespace {

QString stringProperty(xcb_window_t window, const char* name, xcb_atom_t type)
{
    const auto bytes = x11::property(window, x11::atom(name), type);
    if (!bytes)
        return {};
    QByteArray value = *bytes;
    if (value.endsWith('\0'))
        value.chop(1);
    return QString::fromUtf8(value);
}

} // namespace

bool ActiveWindowWatcher::isSupported()
{
    return x11::connection() != nullptr;
}

WindowInfo ActiveWindowWatcher::windowInfo(quint32 windowId)
{
    WindowInfo info;
    info.windowId = windowId;
    if (const auto pid = x11::cardinalProperty(windowId, x11::atom("_NET_WM_PID"), XCB_ATOM_CARDINAL))
        info.pid = *pid;
    if (const auto wmClass = x11::property(windowId, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING)) {
        // Two NUL-terminated strings: instance, then class.
        const QList<QByteArray> parts = wmClass->split('\0');
        info.wmInstance = parts.value(0).isEmpty() ? QString() : QString::fromLocal8Bit(parts.value(0));
        info.wmClass = parts.value(1).isEmpty() ? QString() : QString::fromLocal8Bit(parts.value(1));
    }
    info.applicationId = stringProperty(windowId, "_GTK_APPLICATION_ID", x11::atom("UTF8_STRING"));
    info.title = stringProperty(windowId, "_NET_WM_NAME", x11::atom("UTF8_STRING"));
    if (info.title.isEmpty())
        info.title = stringProperty(windowId, "WM_NAME", XCB_ATOM_ANY);
    return info;
}

std::optional<WindowInfo> ActiveWindowWatcher::activeWindow()
{
    const auto window = x11::cardinalProperty(x11::rootWindow(), x11::atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW);
    if (!window || *window == XCB_WINDOW_NONE)
        return std::nullopt;
    return windowInfo(*window);
}

bool ActiveWindowWatcher::start(Handler handler)
{
    if (!isSupported())
        return false;
    m_handler = std::move(handler);
    if (m_subscription.isActive())
        return true;
    const xcb_atom_t activeAtom = x11::atom("_NET_ACTIVE_WINDOW");
    const xcb_window_t root = x11::rootWindow();
    x11::addRootEventMask(XCB_EVENT_MASK_PROPERTY_CHANGE);
    m_subscription = x11::subscribeToEvents([this, activeAtom, root](xcb_generic_event_t* event) {
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
            return false;
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (notify->window != root || notify->atom != activeAtom)
            return false;
        if (m_handler)
            m_handler(activeWindow());
        return false;
    });
    return true;
}

void ActiveWindowWatcher::stop()
{
    m_subscription.reset();
}

} // namespace penwick::platform
