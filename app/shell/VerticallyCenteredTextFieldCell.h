#pragma once

#include <QStyledItemDelegate>

namespace penwick {

// Draws an item's text centred vertically in its row, 5 points in from the leading edge, and
// puts the editor where the text is drawn.
class VerticallyCenteredTextFieldCell : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static constexpr int LEADING_INSET = 5;

    // The rectangle the text of the item in `option.rect` is drawn in.
    QRect drawingRectForBounds(const QStyleOptionViewItem& option, const QModelIndex& index) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace penwick
