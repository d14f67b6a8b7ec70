#include "sidebar/SourceListController.h"

#include "common/AppLogger.h"

#include <algorithm>

namespace penwick {

SourceListController::SourceListController(TreeListView* sourceList, QObject* parent)
    : QObject(parent)
    , m_sourceList(sourceList)
{
    if (!sourceList)
        qFatal("A source-list controller needs its list");
    sourceList->setDelegate(this);
    sourceList->setDataSource(this);
    sourceList->setTarget(this);
}

SourceListController::~SourceListController()
{
    if (m_sourceList && m_sourceList->dataSource() == this)
        close();
    appLog().debug(QStringLiteral("Deallocated"));
}

TreeListView* SourceListController::list() const
{
    if (!m_sourceList)
        qFatal("The source list went away while its controller was attached");
    return m_sourceList.data();
}

void SourceListController::addOutlineItem(SidebarNavigator* section)
{
    if (!section)
        return;
    m_sections.append(section);
    std::stable_sort(m_sections.begin(), m_sections.end(), [](const QPointer<SidebarNavigator>& a, const QPointer<SidebarNavigator>& b) {
        return a->orderWeight() < b->orderWeight();
    });
    TreeListView* view = list();
    view->reloadData();
    if (section->isRootExpanded())
        view->expandItem(section->rootItem());
}

void SourceListController::removeOutlineItem(SidebarNavigator* section)
{
    const qsizetype index = m_sections.indexOf(section);
    if (index >= 0)
        m_sections.removeAt(index);
    list()->reloadData();
}

void SourceListController::close()
{
    m_sections.clear();
    if (!m_sourceList)
        return;
    m_sourceList->setDelegate(nullptr);
    m_sourceList->setDataSource(nullptr);
    m_sourceList->setTarget(nullptr);
}

QList<SidebarNavigator*> SourceListController::sidebarOutlineItems() const
{
    QList<SidebarNavigator*> sections;
    for (const auto& section : m_sections) {
        if (section)
            sections.append(section.data());
    }
    return sections;
}

SidebarNavigator* SourceListController::ownerOf(const TreeListItemPtr& item) const
{
    for (const auto& section : m_sections) {
        if (section && section->owns(item.get()))
            return section.data();
    }
    return nullptr;
}

int SourceListController::numberOfChildrenOfItem(TreeListView*, const TreeListItemPtr& item)
{
    if (item)
        return int(item->children().size());
    return int(m_sections.size());
}

TreeListItemPtr SourceListController::childOfItem(TreeListView*, int index, const TreeListItemPtr& item)
{
    if (item) {
        const auto& children = item->children();
        return index >= 0 && std::size_t(index) < children.size() ? children[std::size_t(index)] : nullptr;
    }
    if (index < 0 || index >= m_sections.size() || !m_sections[index])
        return nullptr;
    return m_sections[index]->rootItem();
}

bool SourceListController::isItemExpandable(TreeListView*, const TreeListItemPtr& item)
{
    SidebarNavigator* owner = ownerOf(item);
    return owner && owner->isItemExpandable(item);
}

QString SourceListController::objectValueForItem(TreeListView*, const TreeListItemPtr& item)
{
    if (!item)
        qFatal("The sidebar asked for the title of no item");
    return item->title();
}

bool SourceListController::itemHasIcon(TreeListView*, const TreeListItemPtr& item)
{
    SidebarNavigator* owner = ownerOf(item);
    return owner && owner->hasIconForItem(item);
}

QIcon SourceListController::iconForItem(TreeListView*, const TreeListItemPtr& item)
{
    SidebarNavigator* owner = ownerOf(item);
    return owner ? owner->iconForItem(item) : QIcon();
}

bool SourceListController::shouldEditItem(TreeListView*, const TreeListItemPtr& item)
{
    SidebarNavigator* owner = ownerOf(item);
    return owner && owner->shouldEditItem(item);
}

void SourceListController::setObjectValue(TreeListView*, const QVariant& value, const TreeListItemPtr& item)
{
    if (SidebarNavigator* owner = ownerOf(item))
        owner->setObjectValue(value, item);
}

std::unique_ptr<QMenu> SourceListController::menuForItem(TreeListView* view, const TreeListItemPtr& item)
{
    // The row under the menu becomes the selected one.
    const int row = view->rowForItem(item);
    if (row >= 0)
        view->selectRowIndexes({ row }, false);
    SidebarNavigator* owner = ownerOf(item);
    return owner ? owner->menuItemForItem(item) : nullptr;
}

void SourceListController::deleteKeyPressedOnRows(TreeListView* view, const QList<int>& rows)
{
    // Every item is found before any section acts, so a deletion does not shift the rest.
    std::vector<TreeListItemPtr> items;
    for (int row : rows) {
        if (TreeListItemPtr item = view->itemAtRow(row))
            items.push_back(item);
    }
    for (const TreeListItemPtr& item : items) {
        if (SidebarNavigator* owner = ownerOf(item))
            owner->handleDeleteKeyForItem(item);
    }
}

void SourceListController::itemWillExpand(TreeListView*, const TreeListItemPtr& item)
{
    if (SidebarNavigator* owner = ownerOf(item))
        owner->handleWillExpand(item);
}

void SourceListController::itemDidExpand(TreeListView*, const TreeListItemPtr& item)
{
    if (SidebarNavigator* owner = ownerOf(item))
        owner->handleExpand(item);
}

void SourceListController::itemDidCollapse(TreeListView*, const TreeListItemPtr& item)
{
    if (SidebarNavigator* owner = ownerOf(item))
        owner->handleCollapse(item);
}

void SourceListController::listAction(TreeListView*, const TreeListItemPtr& item)
{
    if (SidebarNavigator* owner = ownerOf(item))
        owner->handleSelection(item);
}

void SourceListController::listDoubleAction(TreeListView*, const TreeListItemPtr& item)
{
    if (SidebarNavigator* owner = ownerOf(item))
        owner->handleDoubleClickForItem(item);
}

} // namespace penwick
