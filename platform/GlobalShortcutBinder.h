#pragma once

#include "platform/Observation.h"
#include "platform/x11/GlobalKeyGrab.h"

#include <QString>

#include <functional>
#include <memory>

namespace penwick::platform {

class UserDefaults;

// Binds a global shortcut stored under a settings key to an action. The value is the portable
// text of a key sequence ("Ctrl+Alt+M"); the binding follows the key: a new value releases the
// old combination and grabs the new one, an empty or absent value binds nothing. A value that
// is no shortcut, or a combination another program holds, binds nothing; the reason is kept,
// logged at error level with the shortcut's text and handed to the error handler.
class GlobalShortcutBinder {
public:
    using ErrorHandler = std::function<void(const QString& message)>;

    explicit GlobalShortcutBinder(UserDefaults& defaults);
    ~GlobalShortcutBinder();
    GlobalShortcutBinder(const GlobalShortcutBinder&) = delete;
    GlobalShortcutBinder& operator=(const GlobalShortcutBinder&) = delete;

    // Binds the key's current value and follows it; false when the current value binds nothing
    // although it names a shortcut (see lastError()).
    bool bindKey(const QString& key, std::function<void()> action);
    void unbind();

    // Holds the binding off while suspended (a recorder takes the keys then) and binds the
    // key's value again after; changes of the value meanwhile are kept for then.
    void setSuspended(bool suspended);
    bool isSuspended() const { return m_suspended; }

    bool isBound() const { return m_grab.isGrabbed(); }
    // The combination bound now, in portable text; empty when none.
    QString boundShortcut() const { return m_bound; }
    // Why the last value bound nothing; empty after a success or an empty value.
    QString lastError() const { return m_error; }
    void setErrorHandler(ErrorHandler handler) { m_errorHandler = std::move(handler); }

private:
    bool apply();

    UserDefaults& m_defaults;
    QString m_key;
    std::function<void()> m_action;
    GlobalKeyGrab m_grab;
    QString m_bound;
    QString m_error;
    ErrorHandler m_errorHandler;
    Observation m_observation;
    bool m_suspended = false;
};

} // namespace penwick::platform
