#pragma once

#include "platform/treelist/TreeListItem.h"

#include <QIcon>
#include <QList>
#include <QString>
#include <QVariant>

#include <memory>

#include <QMenu>

namespace penwick::platform {

class TreeListView;

// Answers a tree list's questions about its rows. A null item stands for the
// invisible top level. The list asks only when it reloads, inserts rows or first
// expands an item; between those it answers from its own record.
class TreeListDataSource {
public:
    virtual ~TreeListDataSource() = default;

    virtual int numberOfChildrenOfItem(TreeListView* list, const TreeListItemPtr& item) = 0;
    virtual TreeListItemPtr childOfItem(TreeListView* list, int index, const TreeListItemPtr& item) = 0;
    virtual bool isItemExpandable(TreeListView* list, const TreeListItemPtr& item) = 0;
    virtual QString objectValueForItem(TreeListView*, const TreeListItemPtr& item) { return item ? item->title() : QString(); }
    virtual bool itemHasIcon(TreeListView*, const TreeListItemPtr&) { return false; }
    virtual QIcon iconForItem(TreeListView*, const TreeListItemPtr&) { return {}; }
    virtual bool shouldEditItem(TreeListView*, const TreeListItemPtr&) { return false; }
    // An in-place edit was committed with `value`.
    virtual void setObjectValue(TreeListView*, const QVariant& value, const TreeListItemPtr& item) = 0;
};

// Hears what happens to a tree list's rows. Every call names its item.
class TreeListDelegate {
public:
    virtual ~TreeListDelegate() = default;

    virtual void itemWillExpand(TreeListView*, const TreeListItemPtr&) {}
    virtual void itemDidExpand(TreeListView*, const TreeListItemPtr&) {}
    virtual void itemDidCollapse(TreeListView*, const TreeListItemPtr&) {}
    // A context menu was asked for on the item (null: on no row); the caller shows and frees it.
    virtual std::unique_ptr<QMenu> menuForItem(TreeListView*, const TreeListItemPtr&) { return nullptr; }
    // Delete or Backspace with these visual rows selected, in ascending order.
    virtual void deleteKeyPressedOnRows(TreeListView*, const QList<int>&) {}
};

// Receives the list's action (a single click) and double action (a double click, or
// Ctrl+Return); the item is the selected row's, null when none is selected.
class TreeListTarget {
public:
    virtual ~TreeListTarget() = default;

    virtual void listAction(TreeListView*, const TreeListItemPtr&) {}
    virtual void listDoubleAction(TreeListView*, const TreeListItemPtr&) {}
};

} // namespace penwick::platform
