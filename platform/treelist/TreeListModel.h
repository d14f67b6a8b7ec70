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
// and an item's expansion (fetchMore) ask the data source again.
//
// A first expansion records only the first rows, so that a folder of many thousand
// entries shows at once; the rest are read a slice per event-loop turn (or when the
// view scrolls to them), and at once whenever someone asks about an item or a row.
class TreeListModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // Rows recorded by an item's first expansion, and per later turn of the event loop.
    static constexpr int firstFetchRows = 256;
    static constexpr int rowsPerTurn = 8192;
    // Rows removed from one parent in more separate runs than this go in one change of layout.
    static constexpr std::size_t maxRemovalRuns = 16;

    explicit TreeListModel(TreeListView* list);
    ~TreeListModel() override;

    void setDataSource(TreeListDataSource* dataSource) { m_dataSource = dataSource; }
    TreeListDataSource* dataSource() const { return m_dataSource; }

    // Reads the rest of any partly recorded item first when the item is not recorded yet.
    QModelIndex indexForItem(const TreeListItem* item) const;
    TreeListItemPtr itemForIndex(const QModelIndex& index) const;
    bool isFetched(const QModelIndex& index) const;
    // Whether some expanded item still has rows to read.
    bool hasPartialItems() const { return !m_partial.empty(); }
    // Reads every row still left of partly recorded items.
    void fetchRemaining();
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
        int read = 0; // data-source rows read so far
        bool fetched = false; // the first rows were read
        bool complete = false; // every row was read
        bool expandable = false;
        bool editable = false; // asked once: the view asks for flags on every layout
    };

    Node* nodeFor(const QModelIndex& index) const;
    QModelIndex indexOf(const Node* node) const;
    std::unique_ptr<Node> makeNode(const TreeListItemPtr& item, Node* parent, int row);
    // Appends at most `limit` of the rows not read yet; rows of `refetch` items are read whole.
    void fetchInto(Node* node, const std::unordered_set<const TreeListItem*>* refetch, int limit);
    // Records up to `limit` more rows of a partly recorded node, announcing them.
    void fetchSlice(Node* node, int limit);
    // The first partly recorded node still in the tree (those gone are dropped on the way).
    Node* firstPartialNode();
    void fetchNextSlices();
    void schedulePartialFetch();
    void forget(Node* node);
    void removeScattered(Node* parentNode, const QList<int>& sortedRows);
    static void renumber(Node* parent, std::size_t from);

    TreeListView* m_list;
    TreeListDataSource* m_dataSource = nullptr;
    std::unique_ptr<Node> m_root;
    std::unordered_map<const TreeListItem*, Node*> m_nodes;
    // Items whose rows are only partly recorded, in the order they were opened.
    std::vector<const TreeListItem*> m_partial;
    bool m_partialFetchScheduled = false;
};

} // namespace penwick::platform
