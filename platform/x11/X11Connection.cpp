#include "platform/x11/X11Connection.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QGuiApplication>
#include <QHash>
#include <QMutex>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace penwick::platform::x11 {

namespace {

struct Subscriber {
    EventHandler handler;
    std::atomic<bool> active { true };
};

// One native filter for the whole process, installed with the first subscriber.
class Dispatcher : public QAbstractNativeEventFilter {
public:
    static Dispatcher& instance()
    {
        static Dispatcher* dispatcher = new Dispatcher; // lives as long as the application's filters
        return *dispatcher;
    }

    Observation add(EventHandler handler)
    {
        if (!m_installed && qApp) {
            qApp->installNativeEventFilter(this);
            m_installed = true;
        }
        auto entry = std::make_shared<Subscriber>();
        entry->handler = std::move(handler);
        return m_registry.add(entry);
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        auto* event = static_cast<xcb_generic_event_t*>(message);
        for (const auto& entry : m_registry.select([](const Subscriber& s) { return s.active.load(); })) {
            if (entry->active && entry->handler(event))
                return true;
        }
        return false;
    }

private:
    ObserverRegistry<Subscriber> m_registry;
    bool m_installed = false;
};

} // namespace

xcb_connection_t* connection()
{
    auto* app = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return app ? app->connection() : nullptr;
}

xcb_window_t rootWindow()
{
    xcb_connection_t* c = connection();
    if (!c)
        return XCB_WINDOW_NONE;
    static xcb_window_t root = XCB_WINDOW_NONE;
    if (root == XCB_WINDOW_NONE) {
        // Qt opens the default screen of $DISPLAY.
        const xcb_setup_t* setup = xcb_get_setup(c);
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
        root = it.data ? it.data->root : xcb_window_t(XCB_WINDOW_NONE);
    }
    return root;
}

xcb_atom_t atom(const char* name)
{
    xcb_connection_t* c = connection();
    if (!c)
        return XCB_ATOM_NONE;
    static QHash<QByteArray, xcb_atom_t> cache;
    const QByteArray key(name);
    if (auto it = cache.constFind(key); it != cache.constEnd())
        return *it;
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, key.size(), name), nullptr);
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    if (value != XCB_ATOM_NONE)
        cache.insert(key, value);
    return value;
}

std::optional<QByteArray> property(xcb_window_t window, xcb_atom_t prop, xcb_atom_t type)
{
    xcb_connection_t* c = connection();
    if (!c || window == XCB_WINDOW_NONE || prop == XCB_ATOM_NONE)
        return std::nullopt;
    // 64 KiB of 32-bit units is far more than any property read here.
    xcb_get_property_cookie_t cookie = xcb_get_property(c, 0, window, prop, type, 0, 16384);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(c, cookie, nullptr);
    if (!reply)
        return std::nullopt;
    std::optional<QByteArray> result;
    if (reply->type != XCB_ATOM_NONE) {
        const int length = xcb_get_property_value_length(reply);
        result = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)), length);
    }
    std::free(reply);
    return result;
}

std::optional<quint32> cardinalProperty(xcb_window_t window, xcb_atom_t prop, xcb_atom_t type)
{
    const auto bytes = property(window, prop, type);
    if (!bytes || bytes->size() < 4)
        return std::nullopt;
    quint32 value = 0;
    std::memcpy(&value, bytes->constData(), 4);
    return value;
}

void addRootEventMask(uint32_t mask)
{
    xcb_connection_t* c = connection();
    if (!c)
        return;
    const xcb_window_t root = rootWindow();
    xcb_get_window_attributes_reply_t* attributes
        = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, root), nullptr);
    uint32_t current = attributes ? attributes->your_event_mask : 0;
    std::free(attributes);
    if ((current & mask) == mask)
        return;
    const uint32_t value = current | mask;
    // Checked: the server applies it before this returns, so no later change is missed.
    std::free(xcb_request_check(c, xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, &value)));
}

Observation subscribeToEvents(EventHandler handler)
{
    return Dispatcher::instance().add(std::move(handler));
}

} // namespace penwick::platform::x11
