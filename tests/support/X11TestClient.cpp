#include "X11TestClient.h"

#include <QByteArray>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace penwick::test {

namespace {

xcb_atom_t intern(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : XCB_ATOM_NONE;
    std::free(reply);
    return atom;
}

} // namespace

X11TestClient::X11TestClient()
{
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return;
    }
    m_connection = c;
    m_root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

X11TestClient::~X11TestClient()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

quint32 X11TestClient::createWindow(const WindowSpec& spec)
{
    xcb_connection_t* c = m_connection;
    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t values[] = { 0xffffff };
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, m_root, spec.geometry.x(), spec.geometry.y(),
                      spec.geometry.width(), spec.geometry.height(), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL, values);
    const QByteArray wmClass = spec.wmInstance.toUtf8() + '\0' + spec.wmClass.toUtf8() + '\0';
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, wmClass.size(),
                        wmClass.constData());
    if (spec.pid != 0) {
        const uint32_t pid = uint32_t(spec.pid);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, intern(c, "_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1, &pid);
    }
    const xcb_atom_t utf8 = intern(c, "UTF8_STRING");
    if (!spec.title.isEmpty()) {
        const QByteArray title = spec.title.toUtf8();
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, intern(c, "_NET_WM_NAME"), utf8, 8, title.size(),
                            title.constData());
    }
    if (!spec.applicationId.isEmpty()) {
        const QByteArray id = spec.applicationId.toUtf8();
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, intern(c, "_GTK_APPLICATION_ID"), utf8, 8, id.size(),
                            id.constData());
    }
    xcb_map_window(c, window);
    sync();
    return window;
}

void X11TestClient::setActiveWindow(quint32 window)
{
    const uint32_t value = window;
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_root, intern(m_connection, "_NET_ACTIVE_WINDOW"),
                        XCB_ATOM_WINDOW, 32, 1, &value);
    sync();
}

void X11TestClient::movePointer(QPoint position)
{
    xcb_test_fake_input(m_connection, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, m_root, position.x(), position.y(), 0);
    sync();
}

void X11TestClient::clickButton(int button)
{
    xcb_test_fake_input(m_connection, XCB_BUTTON_PRESS, uint8_t(button), XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    xcb_test_fake_input(m_connection, XCB_BUTTON_RELEASE, uint8_t(button), XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    sync();
}

void X11TestClient::pressButton(int button)
{
    xcb_test_fake_input(m_connection, XCB_BUTTON_PRESS, uint8_t(button), XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    sync();
}

void X11TestClient::releaseButton(int button)
{
    xcb_test_fake_input(m_connection, XCB_BUTTON_RELEASE, uint8_t(button), XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    sync();
}

quint8 X11TestClient::keycodeFor(quint32 keysym)
{
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(m_connection);
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
    const quint8 code = codes ? codes[0] : 0;
    std::free(codes);
    xcb_key_symbols_free(symbols);
    return code;
}

void X11TestClient::pressKeys(std::initializer_list<quint32> keysyms)
{
    std::vector<quint8> codes;
    for (quint32 keysym : keysyms)
        codes.push_back(keycodeFor(keysym));
    for (quint8 code : codes)
        xcb_test_fake_input(m_connection, XCB_KEY_PRESS, code, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    for (auto it = codes.rbegin(); it != codes.rend(); ++it)
        xcb_test_fake_input(m_connection, XCB_KEY_RELEASE, *it, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    sync();
}

void X11TestClient::pressKey(quint32 keysym)
{
    xcb_test_fake_input(m_connection, XCB_KEY_PRESS, keycodeFor(keysym), XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    sync();
}

void X11TestClient::releaseKey(quint32 keysym)
{
    xcb_test_fake_input(m_connection, XCB_KEY_RELEASE, keycodeFor(keysym), XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    sync();
}

quint32 X11TestClient::keysymFor(Qt::Key key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return quint32(key) - Qt::Key_A + 'a';
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde)
        return quint32(key); // Latin-1 keysyms are the characters' codes
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return 0xffbe + quint32(key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Tab: return 0xff09;
    case Qt::Key_Backtab: return 0xfe20; // ISO_Left_Tab
    case Qt::Key_Backspace: return 0xff08;
    case Qt::Key_Return: return 0xff0d;
    case Qt::Key_Enter: return 0xff8d;
    case Qt::Key_Escape: return 0xff1b;
    case Qt::Key_Delete: return 0xffff;
    case Qt::Key_Insert: return 0xff63;
    case Qt::Key_Home: return 0xff50;
    case Qt::Key_End: return 0xff57;
    case Qt::Key_Left: return 0xff51;
    case Qt::Key_Up: return 0xff52;
    case Qt::Key_Right: return 0xff53;
    case Qt::Key_Down: return 0xff54;
    case Qt::Key_PageUp: return 0xff55;
    case Qt::Key_PageDown: return 0xff56;
    case Qt::Key_Print: return 0xff61;
    case Qt::Key_Pause: return 0xff13;
    default: return 0;
    }
}

bool X11TestClient::typeCombination(QKeyCombination combination)
{
    const quint32 keysym = keysymFor(combination.key());
    if (keysym == 0)
        return false;
    // The first key giving the keysym on its plain level, else on its shifted one.
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(m_connection);
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
    quint8 code = 0;
    bool shifted = false;
    for (int level = 0; level < 2 && code == 0; ++level) {
        for (xcb_keycode_t* c = codes; c && *c != XCB_NO_SYMBOL && code == 0; ++c) {
            if (xcb_key_symbols_get_keysym(symbols, *c, level) == keysym) {
                code = *c;
                shifted = level == 1;
            }
        }
    }
    std::free(codes);
    xcb_key_symbols_free(symbols);
    if (code == 0)
        return false;
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    std::vector<quint8> held;
    if (modifiers & Qt::ControlModifier)
        held.push_back(keycodeFor(kKeyControl));
    if (modifiers & Qt::AltModifier)
        held.push_back(keycodeFor(kKeyAlt));
    if (modifiers & Qt::MetaModifier)
        held.push_back(keycodeFor(0xffeb)); // Super_L
    if ((modifiers & Qt::ShiftModifier) || shifted)
        held.push_back(keycodeFor(kKeyShift));
    held.push_back(code);
    for (quint8 key : held)
        xcb_test_fake_input(m_connection, XCB_KEY_PRESS, key, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    for (auto it = held.rbegin(); it != held.rend(); ++it)
        xcb_test_fake_input(m_connection, XCB_KEY_RELEASE, *it, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    sync();
    return true;
}

bool X11TestClient::grabKey(quint32 keysym, quint16 modifiers)
{
    xcb_void_cookie_t cookie = xcb_grab_key_checked(m_connection, 1, m_root, modifiers, keycodeFor(keysym),
                                                    XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    xcb_generic_error_t* error = xcb_request_check(m_connection, cookie);
    const bool granted = error == nullptr;
    std::free(error);
    return granted;
}

bool X11TestClient::hasViewableWindowOf(qint64 pid)
{
    const xcb_atom_t pidAtom = intern(m_connection, "_NET_WM_PID");
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr);
    if (!tree)
        return false;
    bool found = false;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree) && !found; ++i) {
        xcb_get_window_attributes_reply_t* attributes
            = xcb_get_window_attributes_reply(m_connection, xcb_get_window_attributes(m_connection, children[i]), nullptr);
        const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(attributes);
        if (!viewable)
            continue;
        xcb_get_property_reply_t* property = xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, children[i], pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
        if (property && xcb_get_property_value_length(property) == 4)
            found = *static_cast<const quint32*>(xcb_get_property_value(property)) == quint32(pid);
        std::free(property);
    }
    std::free(tree);
    return found;
}

qint64 X11TestClient::focusedProcess()
{
    xcb_get_input_focus_reply_t* focus = xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr);
    const xcb_window_t window = focus ? focus->focus : XCB_WINDOW_NONE;
    std::free(focus);
    if (window == XCB_WINDOW_NONE || window == XCB_INPUT_FOCUS_POINTER_ROOT)
        return 0;
    xcb_get_property_reply_t* property = xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, window, intern(m_connection, "_NET_WM_PID"), XCB_ATOM_CARDINAL, 0, 1),
        nullptr);
    qint64 pid = 0;
    if (property && xcb_get_property_value_length(property) == 4)
        pid = *static_cast<const quint32*>(xcb_get_property_value(property));
    std::free(property);
    return pid;
}

void X11TestClient::sync()
{
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}

} // namespace penwick::test
