#pragma once

#include <QColor>
#include <QStyledItemDelegate>

#include <memory>

namespace penwick {

class TVXQuickOpenTableCellView;

// Paints Quick Open's rows as the shared result cell lays them out: the selected row in the
// selected style, every other row on the table's own background.
class QuickOpenResultDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit QuickOpenResultDelegate(const QColor& highlight, QObject* parent = nullptr);
    ~QuickOpenResultDelegate() override;

    // The height of one cell as its layout asks for it.
    int cellHeight() const { return m_cellHeight; }
    // Rows stand this far apart beyond the cell's height.
    static constexpr int RowSpacing = 2;

    // The shared result cell filled with what `index` shows.
    TVXQuickOpenTableCellView* cellForIndex(const QModelIndex& index, bool selected) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    std::unique_ptr<TVXQuickOpenTableCellView> m_cell;
    QColor m_highlight;
    int m_cellHeight = 0;
};

} // namespace penwick
