#pragma once

#include "platform/Observation.h"

#include <QKeySequence>
#include <QString>

#include <functional>
#include <vector>

namespace penwick::platform {

// One key combination grabbed on the root window, so that pressing it anywhere on the screen
// runs an action in this program (on the main thread). The grab covers the combination with
// and without NumLock and CapsLock. Without X11 nothing can be grabbed.
class GlobalKeyGrab {
public:
    GlobalKeyGrab() = default;
    ~GlobalKeyGrab() { release(); }
    GlobalKeyGrab(const GlobalKeyGrab&) = delete;
    GlobalKeyGrab& operator=(const GlobalKeyGrab&) = delete;

    static bool isSupported();
    // Releases any earlier grab, then grabs `sequence` (one key with its modifiers). False, with
    // the reason in `error`, when the sequence is no such combination, its key is not on the
    // keyboard, or another program holds it; nothing stays grabbed then.
    bool grab(const QKeySequence& sequence, std::function<void()> action, QString* error = nullptr);
    void release();
    bool isGrabbed() const { return !m_grabs.empty(); }

private:
    struct Grab {
        quint8 keycode;
        quint16 modifiers;
    };
    std::vector<Grab> m_grabs;
    quint16 m_modifiers = 0;
    std::vector<quint8> m_keycodes;
    std::function<void()> m_action;
    Observation m_subscription;
};

} // namespace penwick::platform
