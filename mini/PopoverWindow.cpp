#include "PopoverWindow.h"

#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

namespace penwick {

namespace {
constexpr Qt::WindowFlags kAttachedFlags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
}

PopoverWindow::PopoverWindow(QWidget* parent)
    : QWidget(parent, kAttachedFlags)
{
    setObjectName(QStringLiteral("PopoverWindow"));
    setWindowTitle(QStringLiteral("Penwick Mini"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, kStripHeight, 1, 1);
    layout->setSpacing(0);
    resize(340, 400);
}

void PopoverWindow::setContent(QWidget* content)
{
    m_content = content;
    layout()->addWidget(content);
}

void PopoverWindow::setContentSize(const QSize& size)
{
    resize(size);
}

void PopoverWindow::showBelow(const QRect& anchor)
{
    if (m_state == State::Detached) {
        show();
        raise();
        activateWindow();
        return;
    }
    const QPoint pointer = QCursor::pos();
    const QRect from = anchor.isValid() && !anchor.isEmpty() ? anchor : QRect(pointer, QSize(1, 1));
    QScreen* screen = QGuiApplication::screenAt(from.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    QPoint topLeft(from.center().x() - width() / 2, from.bottom() + 1);
    if (screen) {
        const QRect area = screen->availableGeometry();
        topLeft.setX(qBound(area.left(), topLeft.x(), qMax(area.left(), area.right() - width() + 1)));
        topLeft.setY(qBound(area.top(), topLeft.y(), qMax(area.top(), area.bottom() - height() + 1)));
    }
    move(topLeft);
    m_state = State::Attached;
    show();
    raise();
    activateWindow();
}

void PopoverWindow::closePopover()
{
    if (m_state == State::Closed)
        return;
    const bool wasDetached = m_state == State::Detached;
    m_state = State::Closed;
    hide();
    if (wasDetached) {
        // Shown again, it hangs from the tray once more.
        setWindowFlags(kAttachedFlags);
        layout()->setContentsMargins(1, kStripHeight, 1, 1);
    }
    emit closed();
}

void PopoverWindow::detach()
{
    if (m_state != State::Attached)
        return;
    const QPoint position = pos();
    m_state = State::Detached;
    setWindowFlags(Qt::Window);
    layout()->setContentsMargins(0, 0, 0, 0);
    move(position);
    show();
}

void PopoverWindow::mousePressEvent(QMouseEvent* event)
{
    m_dragging = m_state == State::Attached && event->button() == Qt::LeftButton
        && event->position().y() < kStripHeight;
    m_pressPosition = event->position().toPoint();
    QWidget::mousePressEvent(event);
}

void PopoverWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (m_following) {
        move(event->globalPosition().toPoint() - m_pressPosition);
        return;
    }
    if (m_dragging && (event->position().toPoint() - m_pressPosition).manhattanLength() > 8) {
        m_dragging = false;
        detach();
        move(event->globalPosition().toPoint() - m_pressPosition);
        // Detaching made the window anew, and the press that drags belonged to the old one:
        // the window manager moves it on where it can, else the window follows the pointer.
        if (!(windowHandle() && windowHandle()->startSystemMove())) {
            m_following = true;
            grabMouse();
        }
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void PopoverWindow::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragging = false;
    if (m_following && event->button() == Qt::LeftButton) {
        m_following = false;
        releaseMouse();
    }
    QWidget::mouseReleaseEvent(event);
}

void PopoverWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (m_state != State::Detached) {
        painter.setPen(palette().mid().color());
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        // The grip of the strip that detaches.
        const int w = 36;
        painter.fillRect(QRect((width() - w) / 2, 4, w, 3), palette().mid());
    }
}

void PopoverWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && m_state == State::Attached && !isActiveWindow()
        && !QGuiApplication::focusWindow())
        emit deactivated();
    QWidget::changeEvent(event);
}

void PopoverWindow::closeEvent(QCloseEvent* event)
{
    // Closing the detached window closes the popover; nothing is destroyed.
    event->ignore();
    closePopover();
}

} // namespace penwick
