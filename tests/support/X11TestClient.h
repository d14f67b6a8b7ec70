#pragma once

#include <QKeyCombination>
#include <QPoint>
#include <QRect>
#include <QString>

#include <initializer_list>

struct xcb_connection_t;

namespace penwick::test {

// Keysyms the tests press.
inline constexpr quint32 kKeyControl = 0xffe3;
inline constexpr quint32 kKeyAlt = 0xffe9;
inline constexpr quint32 kKeyShift = 0xffe1;
inline constexpr quint32 kKeyNumLock = 0xff7f;
inline constexpr quint32 kKeyEscape = 0xff1b;
inline constexpr quint32 kKeyTab = 0xff09;

// Another X client on the test program's server (its own connection): makes windows of
// "other programs", plays the window manager's part for _NET_ACTIVE_WINDOW, and presses keys
// and buttons through XTest as a person would.
class X11TestClient {
public:
    X11TestClient();
    ~X11TestClient();
    X11TestClient(const X11TestClient&) = delete;
    X11TestClient& operator=(const X11TestClient&) = delete;

    bool isConnected() const { return m_connection != nullptr; }

    struct WindowSpec {
        QString wmInstance;
        QString wmClass;
        qint64 pid = 0;            // 0: no _NET_WM_PID
        QString title;
        QString applicationId;     // _GTK_APPLICATION_ID when not empty
        QRect geometry { 0, 0, 200, 150 };
    };
    // A mapped top-level window; its id.
    quint32 createWindow(const WindowSpec& spec);
    // Writes _NET_ACTIVE_WINDOW on the root window (0: none), as a window manager would.
    void setActiveWindow(quint32 window);

    void movePointer(QPoint position);
    // Press and release of one button at the pointer.
    void clickButton(int button);
    // One half of a click, for drags.
    void pressButton(int button);
    void releaseButton(int button);
    // Presses the keys in order, then releases them in reverse order.
    void pressKeys(std::initializer_list<quint32> keysyms);
    // One half of a key stroke, for keys held down while others are typed.
    void pressKey(quint32 keysym);
    void releaseKey(quint32 keysym);
    // Types a key combination as a person would on the server's keyboard: the modifier keys
    // held, plus Shift where only a key's shifted level gives the key (Ctrl+Plus is typed as
    // Ctrl+Shift+=). False, typing nothing, when no key of the keyboard gives it.
    bool typeCombination(QKeyCombination combination);
    // The keysym of a Qt key (0 for keys this knows no keysym of).
    static quint32 keysymFor(Qt::Key key);
    // Grabs the key of `keysym` under `modifiers` (X masks) on the root; false when refused.
    bool grabKey(quint32 keysym, quint16 modifiers);

    // Whether a top-level window whose _NET_WM_PID is `pid` is mapped and viewable.
    bool hasViewableWindowOf(qint64 pid);
    // The _NET_WM_PID of the window holding the input focus; 0 when it names none.
    qint64 focusedProcess();

    // Waits until the server has handled everything sent so far.
    void sync();

private:
    quint8 keycodeFor(quint32 keysym);

    xcb_connection_t* m_connection = nullptr;
    quint32 m_root = 0;
};

} // namespace penwick::test
