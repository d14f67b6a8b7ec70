#include "platform/treelist/TreeListRowDelegate.h"

#include <QApplication>
#include <QStyle>

#include <algorithm>

namespace penwick::platform {

QSize TreeListRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    QStyleOptionViewItem withIcon = option;
    initStyleOption(&withIcon, index);
    withIcon.features |= QStyleOptionViewItem::HasDecoration;
    const QWidget* widget = option.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    const QSize iconRow = style->sizeFromContents(QStyle::CT_ItemViewItem, &withIcon, QSize(), widget);
    size.setHeight(std::max(size.height(), iconRow.height()));
    return size;
}

} // namespace penwick::platform
