#include "tools/TVXSelectedTableRowView.h"

#include <QPainter>

namespace penwick {

void TVXSelectedTableRowView::drawSelectionInRect(QPainter* painter, const QRectF& bounds)
{
    const QRectF rect = bounds.adjusted(0.5, 0.5, -0.5, -0.5);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->fillRect(rect, fillColor());
    painter->setPen(QPen(strokeColor(), 1.0));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect);
    painter->restore();
}

} // namespace penwick
