#include "platform/Popover.h"

#include <QPainter>
#include <QScreen>

namespace penwick::platform {

Popover::Popover(QWidget* parent)
    : QWidget(parent, Qt::Popup)
{
}

void Popover::showRelativeTo(QWidget* anchor)
{
    viewWillAppear();
    adjustSize();
    QPoint at(0, 0);
    if (anchor) {
        const QPoint topRight = anchor->mapToGlobal(QPoint(anchor->width(), 0));
        at = QPoint(topRight.x() + 4, topRight.y() + anchor->height() / 2 - height() / 2);
        if (QScreen* screen = anchor->screen()) {
            const QRect area = screen->availableGeometry();
            at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - width())));
            at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - height())));
        }
    }
    move(at);
    show();
    activateWindow();
    viewDidAppear();
}

void Popover::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    emit closed();
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
