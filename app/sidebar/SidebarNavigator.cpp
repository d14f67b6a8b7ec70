#include "sidebar/SidebarNavigator.h"

#include <QAction>
#include <QKeySequence>

#include <vector>

namespace penwick {

SidebarNavigator::SidebarNavigator(TreeListView* sourceList, QObject* parent)
    : QObject(parent)
    , m_sourceList(sourceList)
{
    if (!sourceList)
        qFatal("A sidebar section needs its source list");
}

SidebarNavigator::~SidebarNavigator() = default;

TreeListView* SidebarNavigator::sourceList() const
{
    // The window keeps the list alive for as long as its sections exist.
    if (!m_sourceList)
        qFatal("A sidebar section outlived its source list");
    return m_sourceList.data();
}

void SidebarNavigator::toggleExpand(const TreeListItemPtr& item)
{
    TreeListView* list = sourceList();
    if (list->isItemExpanded(item))
        list->collapseItem(item);
    else
        list->expandItem(item);
}

bool SidebarNavigator::owns(const TreeListItem*) const { return false; }
bool SidebarNavigator::isItemExpandable(const TreeListItemPtr&) { return false; }
bool SidebarNavigator::hasIconForItem(const TreeListItemPtr&) { return false; }
QIcon SidebarNavigator::iconForItem(const TreeListItemPtr&) { return {}; }
bool SidebarNavigator::shouldEditItem(const TreeListItemPtr&) { return false; }
std::unique_ptr<QMenu> SidebarNavigator::menuItemForItem(const TreeListItemPtr&) { return nullptr; }
void SidebarNavigator::handleDeleteKeyForItem(const TreeListItemPtr&) {}
void SidebarNavigator::handleDoubleClickForItem(const TreeListItemPtr&) {}
void SidebarNavigator::handleCollapse(const TreeListItemPtr&) {}
void SidebarNavigator::handleExpand(const TreeListItemPtr&) {}
void SidebarNavigator::handleWillExpand(const TreeListItemPtr&) {}
void SidebarNavigator::handleSelection(const TreeListItemPtr&) {}
void SidebarNavigator::setObjectValue(const QVariant&, const TreeListItemPtr&) {}

QAction* SidebarNavigator::newMenuItemWithTitle(const QString& title, const TreeListItemPtr& item, MenuHandler handler, const QString& key)
{
    auto* action = new QAction(title);
    if (!key.isEmpty())
        action->setShortcut(QKeySequence(key));
    action->setData(QVariant::fromValue(item));
    connect(action, &QAction::triggered, this, [handler = std::move(handler), item] {
        if (handler)
            handler(item);
    });
    return action;
}

void SidebarNavigator::selectItem(const TreeListItemPtr& item, bool byExpandingAncestors)
{
    TreeListView* list = sourceList();
    list->beginUpdates();
    if (byExpandingAncestors)
        expandAncestorsOfItem(item);
    const int row = list->rowForItem(item);
    // An item the list does not show is neither scrolled to nor selected.
    if (row >= 0) {
        list->scrollWithAnimationToRowIndex(row);
        list->selectRowIndexes({ row }, false);
    }
    list->endUpdates();
}

void SidebarNavigator::expandAncestorsOfItem(const TreeListItemPtr& item)
{
    if (!item)
        return;
    std::vector<TreeListItemPtr> chain { item };
    for (TreeListItemPtr parent = item->parent(); parent; parent = parent->parent())
        chain.insert(chain.begin(), parent);
    TreeListView* list = sourceList();
    for (const TreeListItemPtr& link : chain)
        list->expandItem(link);
}

void SidebarNavigator::turnOnReload()
{
    setCanReload(true);
}

void SidebarNavigator::turnOffReload()
{
    setCanReload(false);
}

bool SidebarNavigator::isInOwnSubtree(const TreeListItem* item) const
{
    if (!item || !m_rootItem)
        return false;
    if (item == m_rootItem.get())
        return true;
    for (TreeListItemPtr parent = item->parent(); parent; parent = parent->parent()) {
        if (parent == m_rootItem)
            return true;
    }
    return false;
}

TreeListItemPtr representedItem(const QAction* action)
{
    return action ? action->data().value<TreeListItemPtr>() : nullptr;
}

} // namespace penwick
