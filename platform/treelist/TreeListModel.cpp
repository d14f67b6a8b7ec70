#include "platform/treelist/TreeListModel.h"

#include "platform/treelist/TreeListDataSource.h"
#include "platform/treelist/TreeListView.h"

#include <QApplication>
#include <QFont>
#include <QPalette>
#include <QTimer>

#include <algorithm>

namespace penwick::platform {

TreeListModel::TreeListModel(TreeListView* list)
    : QAbstractItemModel(list)
    , m_list(list)
    , m_root(std::make_unique<Node>())
{
    m_root->fetched = true;
    m_root->complete = true;
}

TreeListModel::~TreeListModel() = default;

TreeListModel::Node* TreeListModel::nodeFor(const QModelIndex& index) const
{
    if (!index.isValid())
        return m_root.get();
    return static_cast<Node*>(index.internalPointer());
}

QModelIndex TreeListModel::indexOf(const Node* node) const
{
    if (!node || node == m_root.get())
        return {};
    return createIndex(node->row, 0, const_cast<Node*>(node));
}

QModelIndex TreeListModel::indexForItem(const TreeListItem* item) const
{
    if (!item)
        return {};
    auto it = m_nodes.find(item);
    if (it == m_nodes.end() && !m_partial.empty()) {
        // It may be among rows not read yet.
        const_cast<TreeListModel*>(this)->fetchRemaining();
        it = m_nodes.find(item);
    }
    return it == m_nodes.end() ? QModelIndex() : indexOf(it->second);
}

TreeListItemPtr TreeListModel::itemForIndex(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return nodeFor(index)->item;
}

bool TreeListModel::isFetched(const QModelIndex& index) const
{
    return nodeFor(index)->fetched;
}

void TreeListModel::forEachIndex(const std::function<void(const QModelIndex&)>& visit) const
{
    std::vector<const Node*> stack;
    for (auto it = m_root->children.rbegin(); it != m_root->children.rend(); ++it)
        stack.push_back(it->get());
    while (!stack.empty()) {
        const Node* node = stack.back();
        stack.pop_back();
        visit(indexOf(node));
        for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
            stack.push_back(it->get());
    }
}

std::unique_ptr<TreeListModel::Node> TreeListModel::makeNode(const TreeListItemPtr& item, Node* parent, int row)
{
    auto node = std::make_unique<Node>();
    node->item = item;
    node->parent = parent;
    node->row = row;
    node->expandable = m_dataSource && m_dataSource->isItemExpandable(m_list, item);
    node->editable = m_dataSource && m_dataSource->shouldEditItem(m_list, item);
    m_nodes[item.get()] = node.get();
    return node;
}

void TreeListModel::fetchInto(Node* node, const std::unordered_set<const TreeListItem*>* refetch, int limit)
{
    node->fetched = true;
    const int count = m_dataSource ? m_dataSource->numberOfChildrenOfItem(m_list, node->item) : 0;
    const int end = limit < 0 ? count : std::min(count, node->read + limit);
    if (end > node->read) {
        node->children.reserve(node->children.size() + std::size_t(end - node->read));
        // Slices leave the map to grow by doubling; reserving for each would rehash it each time.
        if (limit < 0)
            m_nodes.reserve(m_nodes.size() + std::size_t(end - node->read));
    }
    for (int i = node->read; i < end; ++i) {
        TreeListItemPtr child = m_dataSource->childOfItem(m_list, i, node->item);
        if (!child)
            continue;
        node->children.push_back(makeNode(child, node, int(node->children.size())));
    }
    node->read = std::max(node->read, end);
    node->complete = node->read >= count;
    if (!refetch)
        return;
    for (const auto& child : node->children) {
        if (child->expandable && refetch->count(child->item.get()))
            fetchInto(child.get(), refetch, -1);
    }
}

void TreeListModel::fetchSlice(Node* node, int limit)
{
    if (node->fetched && !node->complete) {
        Node slice;
        slice.item = node->item;
        slice.read = node->read;
        fetchInto(&slice, nullptr, limit);
        node->read = slice.read;
        node->complete = slice.complete;
        if (!slice.children.empty()) {
            const int first = int(node->children.size());
            beginInsertRows(indexOf(node), first, first + int(slice.children.size()) - 1);
            for (auto& child : slice.children) {
                child->parent = node;
                child->row = int(node->children.size());
                node->children.push_back(std::move(child));
            }
            endInsertRows();
        }
    }
    if (node->complete || !node->fetched)
        std::erase(m_partial, node->item.get());
}

TreeListModel::Node* TreeListModel::firstPartialNode()
{
    while (!m_partial.empty()) {
        auto it = m_nodes.find(m_partial.front());
        if (it != m_nodes.end())
            return it->second;
        m_partial.erase(m_partial.begin());
    }
    return nullptr;
}

void TreeListModel::fetchRemaining()
{
    while (Node* node = firstPartialNode())
        fetchSlice(node, -1);
}

void TreeListModel::fetchNextSlices()
{
    m_partialFetchScheduled = false;
    if (Node* node = firstPartialNode())
        fetchSlice(node, rowsPerTurn);
    if (!m_partial.empty())
        schedulePartialFetch();
}

void TreeListModel::schedulePartialFetch()
{
    if (std::exchange(m_partialFetchScheduled, true))
        return;
    QTimer::singleShot(0, this, [this] { fetchNextSlices(); });
}

void TreeListModel::forget(Node* node)
{
    auto it = m_nodes.find(node->item.get());
    if (it != m_nodes.end() && it->second == node)
        m_nodes.erase(it);
    if (node->fetched && !node->complete)
        std::erase(m_partial, node->item.get());
    for (const auto& child : node->children)
        forget(child.get());
}

void TreeListModel::renumber(Node* parent, std::size_t from)
{
    for (std::size_t i = from; i < parent->children.size(); ++i)
        parent->children[i]->row = int(i);
}

void TreeListModel::reload(const std::unordered_set<const TreeListItem*>& refetch)
{
    beginResetModel();
    // The old record keeps its items alive until the new one is complete.
    std::unique_ptr<Node> old = std::exchange(m_root, std::make_unique<Node>());
    m_nodes.clear();
    m_partial.clear();
    fetchInto(m_root.get(), &refetch, -1);
    endResetModel();
}

namespace {

// Runs of consecutive rows as (first, last) pairs, from a sorted list without repeats.
std::vector<std::pair<int, int>> runsOf(const QList<int>& sorted)
{
    std::vector<std::pair<int, int>> runs;
    for (int row : sorted) {
        if (!runs.empty() && runs.back().second + 1 == row)
            runs.back().second = row;
        else
            runs.emplace_back(row, row);
    }
    return runs;
}

} // namespace

void TreeListModel::insertChildren(const QList<int>& indexes, const TreeListItemPtr& parent)
{
    Node* parentNode = m_root.get();
    if (parent) {
        auto it = m_nodes.find(parent.get());
        if (it == m_nodes.end())
            return;
        parentNode = it->second;
    }
    // Children the list never counted are read when the parent first opens.
    if (!parentNode->fetched || !m_dataSource)
        return;
    QList<int> sorted = indexes;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    // Beyond the rows read so far, a row is read with the rest.
    if (!parentNode->complete)
        sorted.erase(std::remove_if(sorted.begin(), sorted.end(), [&](int index) { return index >= parentNode->read; }), sorted.end());
    // Each run of neighbouring rows comes in as one insertion.
    for (const auto& [first, last] : runsOf(sorted)) {
        std::vector<std::unique_ptr<Node>> fresh;
        fresh.reserve(std::size_t(last - first + 1));
        const int row = std::clamp(first, 0, int(parentNode->children.size()));
        for (int index = first; index <= last; ++index) {
            if (TreeListItemPtr child = m_dataSource->childOfItem(m_list, index, parent))
                fresh.push_back(makeNode(child, parentNode, row + int(fresh.size())));
        }
        if (fresh.empty())
            continue;
        beginInsertRows(indexOf(parentNode), row, row + int(fresh.size()) - 1);
        parentNode->children.insert(parentNode->children.begin() + row, std::make_move_iterator(fresh.begin()),
            std::make_move_iterator(fresh.end()));
        parentNode->read += int(fresh.size());
        renumber(parentNode, std::size_t(row));
        endInsertRows();
    }
}

void TreeListModel::removeChildren(const QList<int>& indexes, const TreeListItemPtr& parent)
{
    Node* parentNode = m_root.get();
    if (parent) {
        auto it = m_nodes.find(parent.get());
        if (it == m_nodes.end())
            return;
        parentNode = it->second;
    }
    QList<int> sorted;
    sorted.reserve(indexes.size());
    for (int row : indexes) {
        if (row >= 0 && row < int(parentNode->children.size()))
            sorted.append(row);
    }
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    const std::vector<std::pair<int, int>> runs = runsOf(sorted);
    if (runs.size() > maxRemovalRuns) {
        removeScattered(parentNode, sorted);
        return;
    }
    // From the bottom up, so that the rows of the runs still to go stay where they are.
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        const auto [first, last] = *run;
        beginRemoveRows(indexOf(parentNode), first, last);
        std::vector<std::unique_ptr<Node>> removed(std::make_move_iterator(parentNode->children.begin() + first),
            std::make_move_iterator(parentNode->children.begin() + last + 1));
        parentNode->children.erase(parentNode->children.begin() + first, parentNode->children.begin() + last + 1);
        parentNode->read = std::max(parentNode->read - (last - first + 1), 0);
        for (const auto& node : removed)
            forget(node.get());
        renumber(parentNode, std::size_t(first));
        endRemoveRows();
    }
}

void TreeListModel::removeScattered(Node* parentNode, const QList<int>& sorted)
{
    // Many separate runs: one change of layout instead of a removal per run, each of
    // which would move every row after it.
    const QModelIndex parentIndex = indexOf(parentNode);
    emit layoutAboutToBeChanged({ QPersistentModelIndex(parentIndex) });
    std::vector<char> leaving(parentNode->children.size(), 0);
    for (int row : sorted)
        leaving[std::size_t(row)] = 1;
    std::vector<std::unique_ptr<Node>> removed;
    removed.reserve(std::size_t(sorted.size()));
    std::vector<std::unique_ptr<Node>> kept;
    kept.reserve(parentNode->children.size() - std::size_t(sorted.size()));
    for (std::size_t i = 0; i < parentNode->children.size(); ++i)
        (leaving[i] ? removed : kept).push_back(std::move(parentNode->children[i]));
    parentNode->children = std::move(kept);
    parentNode->read = std::max(parentNode->read - int(sorted.size()), 0);
    std::unordered_set<const Node*> gone;
    gone.reserve(removed.size());
    for (const auto& node : removed)
        gone.insert(node.get());

    // Persistent indexes at or below a removed row end; those of kept rows take their new row.
    const QModelIndexList before = persistentIndexList();
    QModelIndexList from;
    QModelIndexList to;
    for (const QModelIndex& index : before) {
        const Node* node = nodeFor(index);
        const Node* child = node;
        while (child && child->parent != parentNode)
            child = child->parent;
        if (!child)
            continue; // elsewhere in the tree
        if (gone.count(child)) {
            from.append(index);
            to.append(QModelIndex());
        } else if (child == node) {
            from.append(index);
            to.append(QModelIndex()); // filled in once the rows are renumbered
        }
    }
    renumber(parentNode, 0);
    for (qsizetype i = 0; i < from.size(); ++i) {
        const Node* node = nodeFor(from[i]);
        if (!gone.count(node))
            to[i] = indexOf(node);
    }
    changePersistentIndexList(from, to);
    for (const auto& node : removed)
        forget(node.get());
    emit layoutChanged({ QPersistentModelIndex(parentIndex) });
    // The view lays its rows out again before the removed rows are freed.
    if (m_list)
        m_list->layoutItemsNow();
}

QModelIndex TreeListModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0)
        return {};
    const Node* node = nodeFor(parent);
    if (row >= int(node->children.size()))
        return {};
    return createIndex(row, 0, node->children[std::size_t(row)].get());
}

QModelIndex TreeListModel::parent(const QModelIndex& child) const
{
    if (!child.isValid())
        return {};
    return indexOf(nodeFor(child)->parent);
}

int TreeListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    return int(nodeFor(parent)->children.size());
}

int TreeListModel::columnCount(const QModelIndex&) const
{
    return 1;
}

bool TreeListModel::hasChildren(const QModelIndex& parent) const
{
    const Node* node = nodeFor(parent);
    if (node == m_root.get())
        return !node->children.empty();
    return node->expandable;
}

bool TreeListModel::canFetchMore(const QModelIndex& parent) const
{
    const Node* node = nodeFor(parent);
    return !node->complete && node->expandable;
}

void TreeListModel::fetchMore(const QModelIndex& parent)
{
    Node* node = nodeFor(parent);
    if (node->complete)
        return;
    if (node->fetched) {
        // The view asks while laying out or scrolling to the end: a screenful is enough.
        fetchSlice(node, firstFetchRows);
        return;
    }
    const TreeListItemPtr item = node->item;
    emit willFetchChildren(item);
    // The handler may have reloaded the list; find the item's node again.
    const QModelIndex again = indexForItem(item.get());
    if (!again.isValid())
        return;
    node = nodeFor(again);
    if (node->fetched)
        return;
    Node scratch;
    scratch.item = item;
    fetchInto(&scratch, nullptr, firstFetchRows);
    if (!scratch.children.empty()) {
        beginInsertRows(again, 0, int(scratch.children.size()) - 1);
        node->children = std::move(scratch.children);
        for (const auto& child : node->children)
            child->parent = node;
    }
    node->fetched = true;
    node->read = scratch.read;
    node->complete = scratch.complete;
    if (!node->children.empty())
        endInsertRows();
    if (!node->complete) {
        m_partial.push_back(item.get());
        schedulePartialFetch();
    }
}

QVariant TreeListModel::data(const QModelIndex& index, int role) const
{
    const Node* node = nodeFor(index);
    if (!index.isValid() || !node->item)
        return {};
    const bool isGroup = node->parent == m_root.get();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return m_dataSource ? m_dataSource->objectValueForItem(m_list, node->item) : node->item->title();
    case Qt::DecorationRole:
        if (!isGroup && m_dataSource && m_dataSource->itemHasIcon(m_list, node->item))
            return m_dataSource->iconForItem(m_list, node->item);
        return {};
    case Qt::FontRole:
        if (isGroup) {
            QFont font = QApplication::font();
            font.setBold(true);
            return font;
        }
        return {};
    case Qt::ForegroundRole:
        if (isGroup)
            return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
        return {};
    default:
        return {};
    }
}

bool TreeListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid())
        return false;
    const TreeListItemPtr item = nodeFor(index)->item;
    emit editCommitted(item, value);
    const QModelIndex now = indexForItem(item.get());
    if (now.isValid())
        emit dataChanged(now, now);
    return true;
}

Qt::ItemFlags TreeListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const Node* node = nodeFor(index);
    if (!node->expandable)
        flags |= Qt::ItemNeverHasChildren;
    if (node->editable)
        flags |= Qt::ItemIsEditable;
    return flags;
}

} // namespace penwick::platform
