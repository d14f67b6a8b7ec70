#include "platform/x11/GlobalKeyGrab.h"

#include "platform/x11/X11Connection.h"

#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace penwick::platform {

namespace {

// X keysyms of the Qt keys that a shortcut may use besides letters and digits.
quint32 keysymForKey(int key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return 'a' + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return '0' + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return 0xffbe + (key - Qt::Key_F1);
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde)
        return key; // Latin-1 punctuation keysyms equal their characters
    switch (key) {
    case Qt::Key_Escape: return 0xff1b;
    case Qt::Key_Tab: return 0xff09;
    case Qt::Key_Backspace: return 0xff08;
    case Qt::Key_Return: return 0xff0d;
    case Qt::Key_Enter: return 0xff8d;
    case Qt::Key_Insert: return 0xff63;
    case Qt::Key_Delete: return 0xffff;
    case Qt::Key_Pause: return 0xff13;
    case Qt::Key_Print: return 0xff61;
    case Qt::Key_Home: return 0xff50;
    case Qt::Key_End: return 0xff57;
    case Qt::Key_Left: return 0xff51;
    case Qt::Key_Up: return 0xff52;
    case Qt::Key_Right: return 0xff53;
    case Qt::Key_Down: return 0xff54;
    case Qt::Key_PageUp: return 0xff55;
    case Qt::Key_PageDown: return 0xff56;
    default: return 0;
    }
}

// The modifier bit that carries NumLock on this server (usually Mod2).
quint16 numLockMask(xcb_connection_t* c, xcb_key_symbols_t* symbols)
{
    std::unique_ptr<xcb_keycode_t, decltype(&std::free)> numLockCodes(
        xcb_key_symbols_get_keycode(symbols, 0xff7f /* Num_Lock */), &std::free);
    if (!numLockCodes)
        return 0;
    xcb_get_modifier_mapping_reply_t* mapping
        = xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr);
    if (!mapping)
        return 0;
    quint16 mask = 0;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(mapping);
    const int perModifier = mapping->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8 && !mask; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t code = codes[modifier * perModifier + i];
            for (const xcb_keycode_t* n = numLockCodes.get(); code && *n != XCB_NO_SYMBOL; ++n) {
                if (*n == code)
                    mask = quint16(1u << modifier);
            }
        }
    }
    std::free(mapping);
    return mask;
}

constexpr quint16 kRelevantModifiers = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

} // namespace

bool GlobalKeyGrab::isSupported()
{
    return x11::connection() != nullptr;
}

bool GlobalKeyGrab::grab(const QKeySequence& sequence, std::function<void()> action, QString* error)
{
    release();
    auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    xcb_connection_t* c = x11::connection();
    if (!c)
        return fail(QStringLiteral("global shortcuts need an X11 session"));
    if (sequence.count() != 1)
        return fail(QStringLiteral("a shortcut is one key with its modifiers"));
    const QKeyCombination combination = sequence[0];
    const int key = combination.key();
    const quint32 keysym = keysymForKey(key);
    if (keysym == 0)
        return fail(QStringLiteral("this key cannot be a shortcut"));
    quint16 modifiers = 0;
    const Qt::KeyboardModifiers qtModifiers = combination.keyboardModifiers();
    if (qtModifiers & Qt::ShiftModifier)
        modifiers |= XCB_MOD_MASK_SHIFT;
    if (qtModifiers & Qt::ControlModifier)
        modifiers |= XCB_MOD_MASK_CONTROL;
    if (qtModifiers & Qt::AltModifier)
        modifiers |= XCB_MOD_MASK_1;
    if (qtModifiers & Qt::MetaModifier)
        modifiers |= XCB_MOD_MASK_4;

    std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols(xcb_key_symbols_alloc(c),
                                                                                 &xcb_key_symbols_free);
    std::unique_ptr<xcb_keycode_t, decltype(&std::free)> keycodes(xcb_key_symbols_get_keycode(symbols.get(), keysym),
                                                                  &std::free);
    std::vector<quint8> codes;
    for (const xcb_keycode_t* k = keycodes.get(); k && *k != XCB_NO_SYMBOL; ++k)
        codes.push_back(*k);
    if (codes.empty())
        return fail(QStringLiteral("the key is not on this keyboard"));
    // One keycode suffices; more are duplicates of the same key on other levels.
    codes.resize(1);
    const quint16 numLock = numLockMask(c, symbols.get());
    const xcb_window_t root = x11::rootWindow();
    const quint16 variants[] = { 0, XCB_MOD_MASK_LOCK, numLock, quint16(numLock | XCB_MOD_MASK_LOCK) };
    bool refused = false;
    for (const quint8 code : codes) {
        for (const quint16 extra : variants) {
            const quint16 mods = modifiers | extra;
            bool seen = false;
            for (const Grab& g : m_grabs)
                seen = seen || (g.keycode == code && g.modifiers == mods);
            if (seen)
                continue;
            xcb_void_cookie_t cookie
                = xcb_grab_key_checked(c, 1, root, mods, code, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
            if (xcb_generic_error_t* e = xcb_request_check(c, cookie)) {
                refused = true;
                std::free(e);
                break;
            }
            m_grabs.push_back({ code, mods });
        }
        if (refused)
            break;
    }
    if (refused) {
        release();
        return fail(QStringLiteral("another program holds this combination"));
    }
    m_modifiers = modifiers;
    m_keycodes = codes;
    m_action = std::move(action);
    m_subscription = x11::subscribeToEvents([this, root](xcb_generic_event_t* event) {
        if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
            return false;
        const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event);
        if (press->event != root || (press->state & kRelevantModifiers) != m_modifiers)
            return false;
        if (std::find(m_keycodes.begin(), m_keycodes.end(), press->detail) == m_keycodes.end())
            return false;
        // The action may rebind the key, which releases this grab: run a copy.
        if (auto action = m_action)
            action();
        return true;
    });
    return true;
}

void GlobalKeyGrab::release()
{
    m_subscription.reset();
    if (xcb_connection_t* c = x11::connection()) {
        for (const Grab& g : m_grabs)
            xcb_ungrab_key(c, g.keycode, x11::rootWindow(), g.modifiers);
        if (!m_grabs.empty())
            xcb_flush(c);
    }
    m_grabs.clear();
    m_keycodes.clear();
    m_action = nullptr;
}

} // namespace penwick::platform
