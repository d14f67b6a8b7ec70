#include "shell/VerticallyCenteredTextFieldCell.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace penwick {

QRect VerticallyCenteredTextFieldCell::drawingRectForBounds(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
    QRectF rect = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, opt.widget);
    // The text's own height: one line of the item's font.
    const float textHeight = float(opt.fontMetrics.height());
    const float d = float(rect.height()) - textHeight;
    if (d > 0) {
        rect.setHeight(rect.height() - d);
        rect.moveTop(rect.top() + d * 0.5);
    }
    rect.moveLeft(rect.left() + LEADING_INSET);
    return rect.toRect();
}

void VerticallyCenteredTextFieldCell::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const QString text = opt.text;
    const QRect textRect = drawingRectForBounds(option, index);
    opt.text.clear();
    const QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
    painter->save();
    const bool selected = opt.state & QStyle::State_Selected;
    painter->setPen(opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(opt.font);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
        opt.fontMetrics.elidedText(text, opt.textElideMode, textRect.width()));
    painter->restore();
}

void VerticallyCenteredTextFieldCell::updateEditorGeometry(
    QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    editor->setGeometry(drawingRectForBounds(option, index));
}

} // namespace penwick
