#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

namespace penwick {

// How a selected result row is drawn: its bounds, inset by half a point, filled blue and
// outlined a lighter blue, with square corners.
class TVXSelectedTableRowView {
public:
    static QColor fillColor() { return QColor::fromRgbF(0.24f, 0.46f, 0.83f, 1.0f); }
    static QColor strokeColor() { return QColor::fromRgbF(0.14f, 0.44f, 0.93f, 1.0f); }
    static void drawSelectionInRect(QPainter* painter, const QRectF& bounds);
};

} // namespace penwick
