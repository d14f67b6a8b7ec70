#include "platform/Popover.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace penwick::platform {

Popover::Popover(QWidget* parent)
    : QWidget(parent, Qt::Popup)
{
}

void Popover::showRelativeTo(QWidget* anchor, Edge edge)
{
    m_anchor = anchor;
    viewWillAppear();
    adjustSize();
    QPoint at(0, 0);
    if (anchor) {
        const QPoint topLeft = anchor->mapToGlobal(QPoint(0, 0));
        const QRect area = anchor->screen() ? anchor->screen()->availableGeometry() : QRect();
        if (edge == Edge::Top) {
            at = QPoint(topLeft.x() + anchor->width() / 2 - width() / 2, topLeft.y() - height() - 4);
            if (area.isValid() && at.y() < area.top())
                at.setY(topLeft.y() + anchor->height() + 4);
        } else {
            at = QPoint(topLeft.x() + anchor->width() + 4, topLeft.y() + anchor->height() / 2 - height() / 2);
        }
        if (area.isValid()) {
            at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - width())));
            at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - height())));
        }
    }
    move(at);
    show();
    activateWindow();
    viewDidAppear();
}

void Popover::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A web page inside takes the pointer for its own presses and lets go of it after, which
    // ends the popup's grab: presses and keys then reach the other windows instead, so they
    // are watched there too while the popover shows.
    qApp->installEventFilter(this);
    emit shown();
}

void Popover::hideEvent(QHideEvent* event)
{
    qApp->removeEventFilter(this);
    QWidget::hideEvent(event);
    emit closed();
}

bool Popover::eventFilter(QObject* watched, QEvent* event)
{
    const bool press = event->type() == QEvent::MouseButtonPress;
    const bool escape = event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
    if (!(press || escape) || !isVisible() || !watched->isWidgetType())
        return QWidget::eventFilter(watched, event);
    auto* target = static_cast<QWidget*>(watched);
    if (escape) {
        close();
        return true;
    }
    if (target->window() == this)
        return false;
    // A press on the control that opened it only closes it; anywhere else it goes on as well.
    const bool onAnchor = m_anchor && (target == m_anchor || m_anchor->isAncestorOf(target));
    close();
    return onAnchor;
}

void Popover::mousePressEvent(QMouseEvent* event)
{
    // A press outside closes the popup and then reaches the widget under it, except the
    // control that opened it: that one would open it again at once.
    const bool onAnchor = m_anchor && m_anchor->isVisible()
        && m_anchor->rect().contains(m_anchor->mapFromGlobal(event->globalPosition().toPoint()));
    setAttribute(Qt::WA_NoMouseReplay, onAnchor);
    QWidget::mousePressEvent(event);
}

void Popover::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    // A popup has no window frame: draw an edge so that it stands apart from what lies below.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace penwick::platform
