#pragma once

#include "platform/treelist/TreeListDataSource.h"
#include "sidebar/SidebarNavigator.h"

#include <QList>
#include <QObject>
#include <QPointer>

namespace penwick {

// Data source, delegate and target of the sidebar's list. It keeps the sections in
// ascending weight and hands every question about an item to the first section
// that owns it; the top level is the sections' group rows.
class SourceListController : public QObject,
                             public platform::TreeListDataSource,
                             public platform::TreeListDelegate,
                             public platform::TreeListTarget {
    Q_OBJECT
public:
    // Creating a controller without a list is a programming error.
    explicit SourceListController(TreeListView* sourceList, QObject* parent = nullptr);
    ~SourceListController() override;

    // Adds the section, sorts by weight, reloads and opens its group row when it asks to be.
    virtual void addOutlineItem(SidebarNavigator* section);
    // Removes the section when it is there; reloads either way.
    virtual void removeOutlineItem(SidebarNavigator* section);
    // Drops the sections and detaches from the list.
    virtual void close();

    QList<SidebarNavigator*> sidebarOutlineItems() const;
    // The first section, in weight order, that owns the item.
    SidebarNavigator* ownerOf(const TreeListItemPtr& item) const;

    // Data source.
    int numberOfChildrenOfItem(TreeListView*, const TreeListItemPtr& item) override;
    TreeListItemPtr childOfItem(TreeListView*, int index, const TreeListItemPtr& item) override;
    bool isItemExpandable(TreeListView*, const TreeListItemPtr& item) override;
    QString objectValueForItem(TreeListView*, const TreeListItemPtr& item) override;
    bool itemHasIcon(TreeListView*, const TreeListItemPtr& item) override;
    QIcon iconForItem(TreeListView*, const TreeListItemPtr& item) override;
    bool shouldEditItem(TreeListView*, const TreeListItemPtr& item) override;
    void setObjectValue(TreeListView*, const QVariant& value, const TreeListItemPtr& item) override;

    // Delegate.
    std::unique_ptr<QMenu> menuForItem(TreeListView* list, const TreeListItemPtr& item) override;
    void deleteKeyPressedOnRows(TreeListView* list, const QList<int>& rows) override;
    void itemWillExpand(TreeListView*, const TreeListItemPtr& item) override;
    void itemDidExpand(TreeListView*, const TreeListItemPtr& item) override;
    void itemDidCollapse(TreeListView*, const TreeListItemPtr& item) override;

    // Target: a single click, a double click (or Ctrl+Return).
    void listAction(TreeListView*, const TreeListItemPtr& item) override;
    void listDoubleAction(TreeListView*, const TreeListItemPtr& item) override;

private:
    TreeListView* list() const;

    QPointer<TreeListView> m_sourceList;
    QList<QPointer<SidebarNavigator>> m_sections;
};

} // namespace penwick
