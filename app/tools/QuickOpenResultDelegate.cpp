#include "tools/QuickOpenResultDelegate.h"

#include "tools/QuickOpenResultsModel.h"
#include "tools/TVXQuickOpenTableCellView.h"
#include "tools/TVXSelectedTableRowView.h"

#include <QLabel>
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
    // Drawn straight onto the table: rendering the cell widget per row cost a layout
    // pass and a rich-text document for every row painted.
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    if (selected)
        TVXSelectedTableRowView::drawSelectionInRect(painter, QRectF(option.rect));
    const QString name = index.data(Qt::DisplayRole).toString();
    const QString pathText = index.data(QuickOpenResultsModel::PathTextRole).toString();
    const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
    const QList<QuickOpenTextRange> ranges = index.data(QuickOpenResultsModel::HighlightsRole).value<QList<QuickOpenTextRange>>();

    // The cell's layout: the icon, then the name above the path.
    using Cell = TVXQuickOpenTableCellView;
    const QRect cell(option.rect.topLeft() + QPoint(0, RowSpacing / 2), QSize(option.rect.width(), cellHeight()));
    QRect content = cell.adjusted(Cell::HorizontalMargin, Cell::VerticalMargin, -Cell::HorizontalMargin, -Cell::VerticalMargin);
    painter->save();
    painter->setClipRect(option.rect);
    if (!icon.isNull()) {
        const int size = Cell::IconSize;
        const QRect iconRect(content.left(), content.top() + (content.height() - size) / 2, size, size);
        icon.paint(painter, iconRect);
        content.setLeft(iconRect.right() + 1 + Cell::Spacing);
    }
    const QFont nameFont = option.font;
    QFont pathFont = nameFont;
    pathFont.setPointSizeF(pathFont.pointSizeF() * Cell::PathFontScale);
    const QFontMetrics nameMetrics(nameFont), pathMetrics(pathFont);
    const int nameHeight = pathText.isEmpty() ? content.height() : content.height() - pathMetrics.height();
    const QRect nameRect(content.left(), content.top(), content.width(), nameHeight);
    const int baseline = nameRect.top() + (nameRect.height() - nameMetrics.height()) / 2 + nameMetrics.ascent();

    painter->setFont(nameFont);
    for (const QuickOpenTextRange& range : ranges) {
        if (range.start < 0 || range.length <= 0 || range.start + range.length > name.size())
            continue;
        const int x = nameRect.left() + nameMetrics.horizontalAdvance(name.left(range.start));
        const int w = nameMetrics.horizontalAdvance(name.mid(range.start, range.length));
        painter->fillRect(QRect(x, baseline - nameMetrics.ascent(), w, nameMetrics.height()), m_highlight);
    }
    const QColor nameColor = selected ? QColor(Qt::white) : QColor(Qt::black);
    painter->setPen(nameColor);
    painter->drawText(QPoint(nameRect.left(), baseline), name);
    if (!pathText.isEmpty()) {
        painter->setFont(pathFont);
        painter->setPen(selected ? QColor(Qt::white) : QColor::fromRgbF(0.5, 0.5, 0.5, 1.0));
        const QRect pathRect(content.left(), nameRect.bottom() + 1, content.width(), pathMetrics.height());
        painter->drawText(pathRect, Qt::AlignLeft | Qt::AlignVCenter, pathMetrics.elidedText(pathText, Qt::ElideMiddle, pathRect.width()));
    }
    painter->restore();
}

QSize QuickOpenResultDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), cellHeight() + RowSpacing);
}

} // namespace penwick
