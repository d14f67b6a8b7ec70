#include "platform/treelist/TreeListView.h"

#include "platform/treelist/TreeListModel.h"
#include "platform/treelist/TreeListRowDelegate.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPropertyAnimation>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace penwick::platform {

TreeListView::TreeListView(QWidget* parent)
    : QTreeView(parent)
    , m_model(new TreeListModel(this))
{
    setModel(m_model);
    setHeaderHidden(true);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setItemDelegate(new TreeListRowDelegate(this));
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // Rename starts from F2 or a menu, never from a slow click.
    setEditTriggers(QAbstractItemView::EditKeyPressed);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    setAnimated(false);
    m_menuPresenter = [](QMenu& menu, const QPoint& position) { menu.exec(position); };

    connect(m_model, &TreeListModel::willFetchChildren, this, &TreeListView::onWillFetch);
    connect(m_model, &TreeListModel::editCommitted, this, &TreeListView::onEditCommitted);
    connect(this, &QTreeView::expanded, this, &TreeListView::onExpanded);
    connect(this, &QTreeView::collapsed, this, &TreeListView::onCollapsed);
    connect(this, &QAbstractItemView::clicked, this, &TreeListView::onClicked);
    connect(this, &QAbstractItemView::doubleClicked, this, &TreeListView::onDoubleClicked);
    // Any change of rows or of what is open makes the row numbers be counted again.
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &TreeListView::forgetRows);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &TreeListView::forgetRows);
    connect(m_model, &QAbstractItemModel::rowsMoved, this, &TreeListView::forgetRows);
    connect(m_model, &QAbstractItemModel::modelReset, this, &TreeListView::forgetRows);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, &TreeListView::forgetRows);
    connect(this, &QTreeView::expanded, this, &TreeListView::forgetRows);
    connect(this, &QTreeView::collapsed, this, &TreeListView::forgetRows);
    // A click that opens a document moves the focus there; F2 still means this list's row.
    qApp->installEventFilter(this);
}

TreeListView::~TreeListView()
{
    // Nothing is reported while the view goes away.
    qApp->removeEventFilter(this);
    m_delegate = nullptr;
    m_target = nullptr;
    m_model->setDataSource(nullptr);
}

void TreeListView::setDataSource(TreeListDataSource* dataSource)
{
    m_model->setDataSource(dataSource);
}

TreeListDataSource* TreeListView::dataSource() const
{
    return m_model->dataSource();
}

void TreeListView::reloadData()
{
    std::vector<TreeListItemPtr> expandedItems; // kept alive until they are expanded again
    std::unordered_set<const TreeListItem*> fetched;
    std::vector<TreeListItemPtr> selectedItems;
    m_model->forEachIndex([&](const QModelIndex& index) {
        TreeListItemPtr item = m_model->itemForIndex(index);
        if (m_model->isFetched(index))
            fetched.insert(item.get());
        if (isExpanded(index))
            expandedItems.push_back(item);
    });
    for (const QModelIndex& index : selectionModel()->selectedRows())
        selectedItems.push_back(m_model->itemForIndex(index));

    const bool wasSilent = std::exchange(m_silent, true);
    m_model->reload(fetched);
    for (const TreeListItemPtr& item : expandedItems) {
        const QModelIndex index = m_model->indexForItem(item.get());
        if (index.isValid())
            setExpanded(index, true);
    }
    QItemSelection selection;
    for (const TreeListItemPtr& item : selectedItems) {
        const QModelIndex index = m_model->indexForItem(item.get());
        if (index.isValid())
            selection.select(index, index);
    }
    if (!selection.isEmpty())
        selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_silent = wasSilent;
    forgetRows();
}

void TreeListView::beginUpdates()
{
    ++m_updateDepth;
}

void TreeListView::endUpdates()
{
    if (m_updateDepth > 0 && --m_updateDepth == 0)
        viewport()->update(); // titles may have changed in place
}

void TreeListView::insertItemsAtIndexes(const QList<int>& indexes, const TreeListItemPtr& parent)
{
    m_model->insertChildren(indexes, parent);
}

void TreeListView::removeItemsAtIndexes(const QList<int>& indexes, const TreeListItemPtr& parent)
{
    m_model->removeChildren(indexes, parent);
}

void TreeListView::expandItem(const TreeListItemPtr& item)
{
    QModelIndex index = m_model->indexForItem(item.get());
    if (!index.isValid() && item) {
        // Under a row whose children were never counted: count them down the chain first,
        // so that an item can be opened inside a collapsed parent.
        std::vector<TreeListItemPtr> chain;
        for (TreeListItemPtr parent = item->parent(); parent; parent = parent->parent()) {
            chain.push_back(parent);
            if (m_model->indexForItem(parent.get()).isValid())
                break;
        }
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            const QModelIndex ancestor = m_model->indexForItem(it->get());
            if (ancestor.isValid() && m_model->canFetchMore(ancestor))
                m_model->fetchMore(ancestor);
        }
        index = m_model->indexForItem(item.get());
    }
    if (!index.isValid() || isExpanded(index))
        return;
    // Children are counted before the row opens, whether or not the view is laid out yet.
    if (m_model->canFetchMore(index))
        m_model->fetchMore(index);
    m_signalSeen = false;
    expand(index);
    forgetRows();
    // Qt stays quiet about rows that are not laid out; report those as a click would be.
    if (!m_signalSeen && isExpanded(index))
        onExpanded(index);
}

void TreeListView::collapseItem(const TreeListItemPtr& item, bool collapseChildren)
{
    const QModelIndex index = m_model->indexForItem(item.get());
    if (!index.isValid())
        return;
    auto collapseOne = [this](const QModelIndex& target) {
        if (!isExpanded(target))
            return;
        m_signalSeen = false;
        collapse(target);
        forgetRows();
        if (!m_signalSeen && !isExpanded(target))
            onCollapsed(target);
    };
    collapseOne(index);
    if (!collapseChildren)
        return;
    std::vector<QModelIndex> stack { index };
    while (!stack.empty()) {
        const QModelIndex current = stack.back();
        stack.pop_back();
        const int count = m_model->rowCount(current);
        for (int row = 0; row < count; ++row) {
            const QModelIndex child = m_model->index(row, 0, current);
            collapseOne(child);
            stack.push_back(child);
        }
    }
}

bool TreeListView::isItemExpanded(const TreeListItemPtr& item) const
{
    const QModelIndex index = m_model->indexForItem(item.get());
    return index.isValid() && isExpanded(index);
}

bool TreeListView::isShown(const QModelIndex& index) const
{
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent()) {
        if (!isExpanded(parent))
            return false;
    }
    return index.isValid();
}

void TreeListView::forgetRows()
{
    m_rowsValid = false;
    m_rowOfItemValid = false;
}

void TreeListView::ensureRows() const
{
    // Visual rows count every row, also those of a big folder not read yet.
    m_model->fetchRemaining();
    if (m_rowsValid)
        return;
    m_rows.clear();
    m_rowOfItemValid = false;
    std::vector<QModelIndex> stack;
    for (int row = m_model->rowCount() - 1; row >= 0; --row)
        stack.push_back(m_model->index(row, 0));
    while (!stack.empty()) {
        const QModelIndex index = stack.back();
        stack.pop_back();
        m_rows.push_back(index);
        if (m_model->hasChildren(index) && isExpanded(index)) {
            for (int row = m_model->rowCount(index) - 1; row >= 0; --row)
                stack.push_back(m_model->index(row, 0, index));
        }
    }
    m_rowsValid = true;
}

void TreeListView::ensureRowOfItem() const
{
    ensureRows();
    if (m_rowOfItemValid)
        return;
    m_rowOfItem.clear();
    m_rowOfItem.reserve(m_rows.size());
    for (std::size_t row = 0; row < m_rows.size(); ++row)
        m_rowOfItem.emplace(m_model->itemForIndex(m_rows[row]).get(), int(row));
    m_rowOfItemValid = true;
}

int TreeListView::rowForItem(const TreeListItemPtr& item) const
{
    if (!item)
        return -1;
    ensureRowOfItem();
    auto it = m_rowOfItem.find(item.get());
    return it == m_rowOfItem.end() ? -1 : it->second;
}

QModelIndex TreeListView::indexAtRow(int row) const
{
    if (row < 0)
        return {};
    ensureRows();
    return std::size_t(row) < m_rows.size() ? m_rows[std::size_t(row)] : QModelIndex();
}

TreeListItemPtr TreeListView::itemAtRow(int row) const
{
    return m_model->itemForIndex(indexAtRow(row));
}

int TreeListView::numberOfRows() const
{
    ensureRows();
    return int(m_rows.size());
}

void TreeListView::selectRowIndexes(const QList<int>& rows, bool extendSelection)
{
    QItemSelection selection;
    QModelIndex last;
    for (int row : rows) {
        const QModelIndex index = indexAtRow(row);
        if (index.isValid()) {
            selection.select(index, index);
            last = index;
        }
    }
    const auto command = (extendSelection ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect) | QItemSelectionModel::Rows;
    selectionModel()->select(selection, command);
    if (last.isValid())
        selectionModel()->setCurrentIndex(last, QItemSelectionModel::NoUpdate);
}

int TreeListView::selectedRow() const
{
    const QModelIndex current = currentIndex();
    if (current.isValid() && selectionModel()->isSelected(current) && isShown(current))
        return rowForItem(m_model->itemForIndex(current));
    const QList<int> rows = selectedRowIndexes();
    return rows.isEmpty() ? -1 : rows.last();
}

QList<int> TreeListView::selectedRowIndexes() const
{
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        const int row = rowForItem(m_model->itemForIndex(index));
        if (row >= 0)
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

TreeListItemPtr TreeListView::selectedItem() const
{
    return itemAtRow(selectedRow());
}

void TreeListView::editRow(int row)
{
    const QModelIndex index = indexAtRow(row);
    if (!index.isValid())
        return;
    setCurrentIndex(index);
    edit(index);
}

bool TreeListView::isEditingRow() const
{
    return state() == QAbstractItemView::EditingState;
}

int TreeListView::scrollOffsetForRow(int row) const
{
    const QModelIndex index = indexAtRow(row);
    if (!index.isValid())
        return 0; // an empty rectangle: the top of the list
    // Rows share one height (the first row's), as the view lays them out.
    const_cast<TreeListView*>(this)->executeDelayedItemsLayout();
    int rowHeight = visualRect(m_model->index(0, 0)).height();
    if (rowHeight <= 0)
        rowHeight = std::max(1, sizeHintForIndex(index).height());
    const int clipHeight = viewport()->height();
    double offset = std::round(double(rowHeight - clipHeight)) * 0.5;
    if (!(offset >= 0))
        offset = 0;
    return row * rowHeight + int(offset);
}

void TreeListView::scrollWithAnimationToRowIndex(int row)
{
    executeDelayedItemsLayout();
    QScrollBar* bar = verticalScrollBar();
    const int target = std::clamp(scrollOffsetForRow(row), bar->minimum(), bar->maximum());
    if (m_scrollAnimation)
        m_scrollAnimation->stop();
    auto* animation = new QPropertyAnimation(bar, "value", this);
    animation->setDuration(150);
    animation->setStartValue(bar->value());
    animation->setEndValue(target);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    m_scrollAnimation = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void TreeListView::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (event->key() == Qt::Key_Return && mods == Qt::ControlModifier) {
        // Acts like a double click; swallowed when nobody listens.
        sendDoubleAction();
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) && mods == Qt::NoModifier
        && state() != QAbstractItemView::EditingState) {
        if (m_delegate)
            m_delegate->deleteKeyPressedOnRows(this, selectedRowIndexes());
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

bool TreeListView::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_renameArmed || (event->type() != QEvent::KeyPress && event->type() != QEvent::MouseButtonPress))
        return QTreeView::eventFilter(watched, event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget == this || isAncestorOf(widget) || widget->window() != window())
        return QTreeView::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        m_renameArmed = false;
        return QTreeView::eventFilter(watched, event);
    }
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_F2 && key->modifiers() == Qt::NoModifier) {
        const int row = selectedRow();
        if (row >= 0 && state() != QAbstractItemView::EditingState) {
            m_renameArmed = false;
            setFocus(Qt::ShortcutFocusReason);
            editRow(row);
            return true;
        }
    } else if (key->key() != Qt::Key_Shift && key->key() != Qt::Key_Control && key->key() != Qt::Key_Alt && key->key() != Qt::Key_Meta) {
        m_renameArmed = false; // the person is working elsewhere now
    }
    return QTreeView::eventFilter(watched, event);
}

void TreeListView::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    if (!m_delegate)
        return;
    QModelIndex index;
    QPoint position = event->globalPos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        index = indexAt(event->pos());
    } else {
        index = currentIndex();
        if (index.isValid())
            position = viewport()->mapToGlobal(visualRect(index).bottomLeft());
    }
    std::unique_ptr<QMenu> menu = m_delegate->menuForItem(this, m_model->itemForIndex(index));
    if (menu && !menu->isEmpty() && m_menuPresenter)
        m_menuPresenter(*menu, position);
}

void TreeListView::onWillFetch(const TreeListItemPtr& item)
{
    if (m_silent)
        return;
    m_willExpandReported = item.get();
    if (m_delegate)
        m_delegate->itemWillExpand(this, item);
}

void TreeListView::onExpanded(const QModelIndex& index)
{
    m_signalSeen = true;
    if (m_silent)
        return;
    const TreeListItemPtr item = m_model->itemForIndex(index);
    if (m_willExpandReported != item.get() && m_model->canFetchMore(index))
        m_model->fetchMore(index);
    const bool announced = std::exchange(m_willExpandReported, nullptr) == item.get();
    if (!m_delegate)
        return;
    if (!announced)
        m_delegate->itemWillExpand(this, item);
    if (m_delegate)
        m_delegate->itemDidExpand(this, item);
}

void TreeListView::onCollapsed(const QModelIndex& index)
{
    m_signalSeen = true;
    if (m_silent || !m_delegate)
        return;
    m_delegate->itemDidCollapse(this, m_model->itemForIndex(index));
}

void TreeListView::onClicked(const QModelIndex&)
{
    m_renameArmed = true;
    if (m_target)
        m_target->listAction(this, selectedItem());
}

void TreeListView::onDoubleClicked(const QModelIndex&)
{
    sendDoubleAction();
}

void TreeListView::sendDoubleAction()
{
    if (m_target)
        m_target->listDoubleAction(this, selectedItem());
}

void TreeListView::onEditCommitted(const TreeListItemPtr& item, const QVariant& value)
{
    if (TreeListDataSource* source = m_model->dataSource())
        source->setObjectValue(this, value, item);
}

} // namespace penwick::platform
