#pragma once

#include "platform/treelist/TreeListItem.h"
#include "platform/treelist/TreeListView.h"

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QVariant>

#include <functional>
#include <memory>

namespace penwick {

using platform::TreeListItem;
using platform::TreeListItemPtr;
using platform::TreeListView;

// One section of the sidebar: its group row and every row below it. The hooks
// answer for the section's own rows; the base gives each a neutral default, so
// that a section replaces only what it needs.
class SidebarNavigator : public QObject {
    Q_OBJECT
public:
    using MenuHandler = std::function<void(const TreeListItemPtr& item)>;

    // The list is held weakly; creating a section without one is a programming error.
    explicit SidebarNavigator(TreeListView* sourceList, QObject* parent = nullptr);
    ~SidebarNavigator() override;

    TreeListView* sourceList() const;
    void setSourceList(TreeListView* list) { m_sourceList = list; }

    // Place among the group rows, lower first.
    virtual qint64 orderWeight() const { return 100; }

    bool isQuickOpenInProgress() const { return m_isQuickOpenInProgress; }
    virtual void setIsQuickOpenInProgress(bool value) { m_isQuickOpenInProgress = value; }
    bool canReload() const { return m_canReload; }
    virtual void setCanReload(bool value) { m_canReload = value; }

    TreeListItemPtr rootItem() const { return m_rootItem; }
    void setRootItem(const TreeListItemPtr& item) { m_rootItem = item; }
    // Whether the group row opens when the section is added to the list.
    virtual bool isRootExpanded() const { return false; }

    virtual void toggleExpand(const TreeListItemPtr& item);
    virtual bool owns(const TreeListItem* item) const;
    virtual bool isItemExpandable(const TreeListItemPtr& item);
    virtual bool hasIconForItem(const TreeListItemPtr& item);
    virtual QIcon iconForItem(const TreeListItemPtr& item);
    virtual bool shouldEditItem(const TreeListItemPtr& item);
    // The row's context menu, or nothing.
    virtual std::unique_ptr<QMenu> menuItemForItem(const TreeListItemPtr& item);
    virtual void handleDeleteKeyForItem(const TreeListItemPtr& item);
    virtual void handleDoubleClickForItem(const TreeListItemPtr& item);
    virtual void handleCollapse(const TreeListItemPtr& item);
    virtual void handleExpand(const TreeListItemPtr& item);
    virtual void handleWillExpand(const TreeListItemPtr& item);
    virtual void handleSelection(const TreeListItemPtr& item);
    // An in-place rename was committed.
    virtual void setObjectValue(const QVariant& value, const TreeListItemPtr& item);

    // A menu entry whose triggering calls `handler` with `item` while this section
    // lives; the item is also its data. The caller adds it to its menu, which owns it.
    QAction* newMenuItemWithTitle(const QString& title, const TreeListItemPtr& item, MenuHandler handler, const QString& key = QString());
    // Selects the item alone and scrolls to it; the ancestors (and the item) open first when asked.
    virtual void selectItem(const TreeListItemPtr& item, bool byExpandingAncestors = false);
    // Expands the item's parent chain from the outermost down to the item itself.
    virtual void expandAncestorsOfItem(const TreeListItemPtr& item);

    virtual void turnOnReload();
    virtual void turnOffReload();

protected:
    // Whether the item is the group row or lies below it.
    bool isInOwnSubtree(const TreeListItem* item) const;

private:
    QPointer<TreeListView> m_sourceList;
    bool m_isQuickOpenInProgress = false;
    bool m_canReload = true;
    TreeListItemPtr m_rootItem;
};

// The item a menu entry was built for.
TreeListItemPtr representedItem(const QAction* action);

} // namespace penwick
