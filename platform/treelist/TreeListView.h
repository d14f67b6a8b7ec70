#pragma once

#include "platform/treelist/TreeListDataSource.h"
#include "platform/treelist/TreeListItem.h"

#include <QList>
#include <QPointer>
#include <QTreeView>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>


class QPropertyAnimation;

namespace penwick::platform {

class TreeListModel;

// An outline whose top-level rows are group headers, fed by a data source and
// reporting to a delegate and a target (none of which it owns). Rows are visual
// rows: counted from the top over the rows that are shown.
class TreeListView : public QTreeView {
    Q_OBJECT
public:
    using MenuPresenter = std::function<void(QMenu& menu, const QPoint& globalPosition)>;

    explicit TreeListView(QWidget* parent = nullptr);
    ~TreeListView() override;

    void setDataSource(TreeListDataSource* dataSource);
    TreeListDataSource* dataSource() const;
    void setDelegate(TreeListDelegate* delegate) { m_delegate = delegate; }
    TreeListDelegate* delegate() const { return m_delegate; }
    void setTarget(TreeListTarget* target) { m_target = target; }
    TreeListTarget* target() const { return m_target; }

    // Reads the whole tree again; items still present keep their expansion, silently.
    void reloadData();
    // Brackets a group of changes; may nest.
    void beginUpdates();
    void endUpdates();
    int updateDepth() const { return m_updateDepth; }

    // The data source already holds the new children at `indexes` of `parent` (null: the top level).
    void insertItemsAtIndexes(const QList<int>& indexes, const TreeListItemPtr& parent);
    // The data source already dropped the children at `indexes` of `parent`.
    void removeItemsAtIndexes(const QList<int>& indexes, const TreeListItemPtr& parent);

    void expandItem(const TreeListItemPtr& item);
    void collapseItem(const TreeListItemPtr& item, bool collapseChildren = false);
    bool isItemExpanded(const TreeListItemPtr& item) const;

    // -1 when the item is not shown (not in the list, or under a collapsed row).
    int rowForItem(const TreeListItemPtr& item) const;
    TreeListItemPtr itemAtRow(int row) const;
    int numberOfRows() const;

    void selectRowIndexes(const QList<int>& rows, bool extendSelection);
    // The selected row that was selected last; -1 when none is.
    int selectedRow() const;
    QList<int> selectedRowIndexes() const;
    // Starts an in-place edit of the row.
    void editRow(int row);
    bool isEditingRow() const;

    // Scrolls so that the row's top edge reaches the top of the visible area (a row
    // taller than that area by half the difference further), animated. A row that is
    // not shown scrolls to the top.
    void scrollWithAnimationToRowIndex(int row);
    // Where that scroll ends, in pixels from the top.
    int scrollOffsetForRow(int row) const;

    // Shows context menus; tests replace it so that nothing blocks.
    void setMenuPresenter(MenuPresenter presenter) { m_menuPresenter = std::move(presenter); }

    TreeListModel* listModel() const { return m_model; }
    // Lays the rows out now when a layout is pending (after a change of layout of the model).
    void layoutItemsNow() { executeDelayedItemsLayout(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // F2 elsewhere in the window, right after a click on a row, renames that row.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void onWillFetch(const TreeListItemPtr& item);
    void onExpanded(const QModelIndex& index);
    void onCollapsed(const QModelIndex& index);
    void onClicked(const QModelIndex& index);
    void onDoubleClicked(const QModelIndex& index);
    void onEditCommitted(const TreeListItemPtr& item, const QVariant& value);
    void sendDoubleAction();
    TreeListItemPtr selectedItem() const;
    bool isShown(const QModelIndex& index) const;
    QModelIndex indexAtRow(int row) const;
    // The shown rows in order, and the row of each item, made on demand after a change.
    void ensureRows() const;
    void ensureRowOfItem() const;
    void forgetRows();

    TreeListModel* m_model;
    TreeListDelegate* m_delegate = nullptr;
    TreeListTarget* m_target = nullptr;
    int m_updateDepth = 0;
    bool m_silent = false;
    bool m_signalSeen = false;
    const TreeListItem* m_willExpandReported = nullptr;
    MenuPresenter m_menuPresenter;
    QPointer<QPropertyAnimation> m_scrollAnimation;
    mutable std::vector<QModelIndex> m_rows;
    mutable bool m_rowsValid = false;
    mutable std::unordered_map<const TreeListItem*, int> m_rowOfItem;
    mutable bool m_rowOfItemValid = false;
    // A click chose the selected row, and nothing was typed or clicked elsewhere since.
    bool m_renameArmed = false;
};

} // namespace penwick::platform
