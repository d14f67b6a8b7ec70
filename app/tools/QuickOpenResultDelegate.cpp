#include "tools/QuickOpenResultDelegate.h"

#include "tools/QuickOpenResultsModel.h"
#include "tools/TVXQuickOpenTableCellView.h"
#include "tools/TVXSelectedTableRowView.h"

#include <QLabel>
#include <QLayout>
#include <QPainter>

namespace penwick {

QuickOpenResultDelegate::QuickOpenResultDelegate(const QColor& highlight, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_cell(std::make_unique<TVXQuickOpenTableCellView>())
    , m_highlight(highlight)
{
    // Measured with both lines and the icon present, as results show them.
    m_cell->textField()->setText(QStringLiteral("Xg"));
    m_cell->pathTextField()->setText(QStringLiteral("Xg"));
    m_cell->pathTextField()->setVisible(true);
    m_cell->imageView()->setVisible(true);
    m_cellHeight = m_cell->sizeHint().height();
}

QuickOpenResultDelegate::~QuickOpenResultDelegate() = default;

TVXQuickOpenTableCellView* QuickOpenResultDelegate::cellForIndex(const QModelIndex& index, bool selected) const
{
    const QString name = index.data(Qt::DisplayRole).toString();
    m_cell->setHighlightedText(name, index.data(QuickOpenResultsModel::HighlightsRole).value<QList<QuickOpenTextRange>>(), m_highlight);
    m_cell->setIcon(index.data(Qt::DecorationRole).value<QIcon>());
    m_cell->pathTextField()->setText(index.data(QuickOpenResultsModel::PathTextRole).toString());
    m_cell->setSelectedAppearance(selected);
    return m_cell.get();
}

void QuickOpenResultDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    if (selected)
        TVXSelectedTableRowView::drawSelectionInRect(painter, QRectF(option.rect));
    TVXQuickOpenTableCellView* cell = cellForIndex(index, selected);
    // The cell sits in the row's top, the spacing below it.
    const QRect cellRect(option.rect.topLeft() + QPoint(0, RowSpacing / 2), QSize(option.rect.width(), cellHeight()));
    cell->resize(cellRect.size());
    if (QLayout* layout = cell->layout())
        layout->activate();
    painter->save();
    painter->translate(cellRect.topLeft());
    cell->render(painter, QPoint(), QRegion(), QWidget::DrawChildren);
    painter->restore();
}

QSize QuickOpenResultDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), cellHeight() + RowSpacing);
}

} // namespace penwick
