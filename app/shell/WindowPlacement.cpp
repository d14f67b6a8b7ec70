#include "shell/WindowPlacement.h"

#include <QWidget>

#include <algorithm>

namespace penwick {

QMargins frameMargins(const QWidget* window)
{
    if (!window)
        return {};
    const QRect inner = window->geometry();
    const QRect outer = window->frameGeometry();
    return { inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(), outer.bottom() - inner.bottom() };
}

QRect tornOffWindowGeometry(QPoint drop, QSize size, QPoint tabOffset, QMargins frame, QRect screenArea)
{
    const QSize room(screenArea.width() - frame.left() - frame.right(), screenArea.height() - frame.top() - frame.bottom());
    const QSize fitted(std::max(1, std::min(size.width(), room.width())), std::max(1, std::min(size.height(), room.height())));
    QRect content(drop - tabOffset, fitted);
    // Pushed back inside: the frame's right and bottom edges first, then its left and top ones,
    // so that a title bar never leaves the screen.
    const QRect outer = content.marginsAdded(frame);
    int dx = std::min(0, screenArea.right() - outer.right());
    int dy = std::min(0, screenArea.bottom() - outer.bottom());
    dx += std::max(0, screenArea.left() - (outer.left() + dx));
    dy += std::max(0, screenArea.top() - (outer.top() + dy));
    return content.translated(dx, dy);
}

QRect centredWindowGeometry(QSize size, QMargins frame, QRect screenArea)
{
    const QSize outer = size.grownBy(frame);
    const QPoint topLeft = screenArea.center() - QPoint(outer.width() / 2, outer.height() / 2)
        + QPoint(frame.left(), frame.top());
    return tornOffWindowGeometry(topLeft, size, {}, frame, screenArea);
}

} // namespace penwick
