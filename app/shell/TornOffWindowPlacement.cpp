#include "shell/TornOffWindowPlacement.h"

#include <algorithm>

namespace penwick {

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

} // namespace penwick
