#include "platform/treelist/TreeListModel.h"

#include "platform/treelist/TreeListDataSource.h"
#include "platform/treelist/TreeListView.h"

#include <QApplication>
#include <QFont>
#include <QPalette>

#include <algorithm>

namespace penwick::platform {

TreeListModel::TreeListModel(TreeListView* list)
    : QAbstractItemModel(list)
    , m_list(list)
    , m_root(std::make_unique<Node>())
{
    m_root->fetched = true;
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
    m_nodes[item.get()] = node.get();
    return node;
}

void TreeListModel::fetchInto(Node* node, const std::unordered_set<const TreeListItem*>* refetch)
{
    node->fetched = true;
    if (!m_dataSource)
        return;
    const int count = m_dataSource->numberOfChildrenOfItem(m_list, node->item);
    node->children.reserve(std::size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        TreeListItemPtr child = m_dataSource->childOfItem(m_list, i, node->item);
        if (!child)
            continue;
        node->children.push_back(makeNode(child, node, int(node->children.size())));
    }
    if (!refetch)
        return;
    for (const auto& child : node->children) {
        if (child->expandable && refetch->count(child->item.get()))
            fetchInto(child.get(), refetch);
    }
}

void TreeListModel::forget(Node* node)
{
    auto it = m_nodes.find(node->item.get());
    if (it != m_nodes.end() && it->second == node)
        m_nodes.erase(it);
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
    fetchInto(m_root.get(), &refetch);
    endResetModel();
}

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
    for (int index : sorted) {
        TreeListItemPtr child = m_dataSource->childOfItem(m_list, index, parent);
        if (!child)
            continue;
        const int row = std::clamp(index, 0, int(parentNode->children.size()));
        beginInsertRows(indexOf(parentNode), row, row);
        parentNode->children.insert(parentNode->children.begin() + row, makeNode(child, parentNode, row));
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
    QList<int> sorted = indexes;
    std::sort(sorted.begin(), sorted.end(), std::greater<int>());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    for (int row : sorted) {
        if (row < 0 || row >= int(parentNode->children.size()))
            continue;
        beginRemoveRows(indexOf(parentNode), row, row);
        std::unique_ptr<Node> removed = std::move(parentNode->children[std::size_t(row)]);
        parentNode->children.erase(parentNode->children.begin() + row);
        forget(removed.get());
        renumber(parentNode, std::size_t(row));
        endRemoveRows();
    }
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
    return !node->fetched && node->expandable;
}

void TreeListModel::fetchMore(const QModelIndex& parent)
{
    Node* node = nodeFor(parent);
    if (node->fetched)
        return;
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
    fetchInto(&scratch, nullptr);
    if (scratch.children.empty()) {
        node->fetched = true;
        return;
    }
    beginInsertRows(again, 0, int(scratch.children.size()) - 1);
    node->children = std::move(scratch.children);
    for (const auto& child : node->children)
        child->parent = node;
    node->fetched = true;
    endInsertRows();
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
    if (m_dataSource && m_dataSource->shouldEditItem(m_list, node->item))
        flags |= Qt::ItemIsEditable;
    return flags;
}

} // namespace penwick::platform
