#pragma once

#include <QPoint>
#include <QRect>
#include <QWidget>

namespace penwick {

// The popover: a frameless tool window that hangs below the tray icon (or the pointer). Dragging
// it by its top strip detaches it into a normal decorated window. Closed, attached and detached
// are its three states.
class PopoverWindow : public QWidget {
    Q_OBJECT
public:
    enum class State { Closed, Attached, Detached };

    explicit PopoverWindow(QWidget* parent = nullptr);

    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }
    State state() const { return m_state; }
    bool isShown() const { return m_state != State::Closed; }
    bool isDetached() const { return m_state == State::Detached; }

    // Shows it attached below `anchor` (a screen rectangle; an empty one means the pointer),
    // kept on the screen.
    void showBelow(const QRect& anchor);
    void closePopover();
    void detach();
    void setContentSize(const QSize& size);

    // The height of the strip that drags.
    static constexpr int kStripHeight = 10;

signals:
    void closed();
    // The popover lost activation to another program while attached.
    void deactivated();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* m_content = nullptr;
    State m_state = State::Closed;
    QPoint m_pressPosition;
    bool m_dragging = false;
    // Detached by this drag, the window follows the pointer until the button is let go.
    bool m_following = false;
};

} // namespace penwick
