#pragma once

#include "platform/treelist/TreeListItem.h"

#include <QAbstractItemModel>
#include <QList>

#include <functional>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace penwick::platform {

class TreeListDataSource;
class TreeListView;

// The item model behind a TreeListView. It answers from its own record of what the
// data source last reported and holds those items strongly, so the view never sees a
// half-changed tree or a freed item. Only reload(), insertChildren(), removeChildren()
// and an item's first expansion (fetchMore) ask the data source again.
class TreeListModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit TreeListModel(TreeListView* list);
    ~TreeListModel() override;

    void setDataSource(TreeListDataSource* dataSource) { m_dataSource = dataSource; }
    TreeListDataSource* dataSource() const { return m_dataSource; }

    QModelIndex indexForItem(const TreeListItem* item) const;
    TreeListItemPtr itemForIndex(const QModelIndex& index) const;
    bool isFetched(const QModelIndex& index) const;
    // Every recorded index, parents before children, siblings in order.
    void forEachIndex(const std::function<void(const QModelIndex&)>& visit) const;

    // Builds the record anew from the data source; items in `refetch` that are still
    // present have their children read again at once.
    void reload(const std::unordered_set<const TreeListItem*>& refetch);
    // Rows at `indexes` (ascending) of `parent` (null: the top level) came into being.
    void insertChildren(const QList<int>& indexes, const TreeListItemPtr& parent);
    // Rows at `indexes` of `parent` are gone.
    void removeChildren(const QList<int>& indexes, const TreeListItemPtr& parent);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // Before the item's children are first counted.
    void willFetchChildren(const penwick::platform::TreeListItemPtr& item);
    // An in-place edit was committed.
    void editCommitted(const penwick::platform::TreeListItemPtr& item, const QVariant& value);

private:
    struct Node {
        TreeListItemPtr item;
        Node* parent = nullptr;
        std::vector<std::unique_ptr<Node>> children;
        int row = 0;
        bool fetched = false;
        bool expandable = false;
    };

    Node* nodeFor(const QModelIndex& index) const;
    QModelIndex indexOf(const Node* node) const;
    std::unique_ptr<Node> makeNode(const TreeListItemPtr& item, Node* parent, int row);
    void fetchInto(Node* node, const std::unordered_set<const TreeListItem*>* refetch);
    void forget(Node* node);
    static void renumber(Node* parent, std::size_t from);

    TreeListView* m_list;
    TreeListDataSource* m_dataSource = nullptr;
    std::unique_ptr<Node> m_root;
    std::unordered_map<const TreeListItem*, Node*> m_nodes;
};

} // namespace penwick::platform
