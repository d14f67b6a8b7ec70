#pragma once

#include <QStyledItemDelegate>

namespace penwick::platform {

// Draws the rows of a tree list as Qt's own delegate does, and makes every row tall enough
// for an icon: the list's rows share one height, measured on its first row, which is a group
// header without an icon; measured there, the icons of the rows below were cut off.
class TreeListRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace penwick::platform
