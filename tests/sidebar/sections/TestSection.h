#pragma once

#include "sidebar/SidebarNavigator.h"

#include <QStringList>

#include <set>

namespace penwick::test {

// A section of fixed weight and title that owns its group row and everything below
// it (plus any item listed in `claims`) and writes every hook call into a shared log.
class TestSection : public SidebarNavigator {
public:
    TestSection(TreeListView* list, QStringList* log, const QString& title, qint64 weight, bool rootExpanded = false)
        : SidebarNavigator(list)
        , m_log(log)
        , m_title(title)
        , m_weight(weight)
        , m_rootExpanded(rootExpanded)
    {
        setRootItem(TreeListItem::itemWithTitle(title, title));
    }

    std::set<const TreeListItem*> claims;

    qint64 orderWeight() const override { return m_weight; }
    bool isRootExpanded() const override { return m_rootExpanded; }
    bool owns(const TreeListItem* item) const override
    {
        if (!item)
            return false;
        if (claims.count(item))
            return true;
        for (TreeListItemPtr current = const_cast<TreeListItem*>(item)->shared_from_this(); current; current = current->parent()) {
            if (current == rootItem())
                return true;
        }
        return false;
    }
    bool isItemExpandable(const TreeListItemPtr& item) override { return item->hasChildren(); }
    std::unique_ptr<QMenu> menuItemForItem(const TreeListItemPtr& item) override
    {
        auto menu = std::make_unique<QMenu>();
        QAction* open = newMenuItemWithTitle(QStringLiteral("Open"), item, [this](const TreeListItemPtr& target) { note("open", target); });
        open->setParent(menu.get());
        menu->addAction(open);
        return menu;
    }
    void handleDeleteKeyForItem(const TreeListItemPtr& item) override { note("delete", item); }
    void handleDoubleClickForItem(const TreeListItemPtr& item) override { note("double", item); }
    void handleCollapse(const TreeListItemPtr& item) override { note("collapse", item); }
    void handleExpand(const TreeListItemPtr& item) override { note("expand", item); }
    void handleWillExpand(const TreeListItemPtr& item) override { note("will", item); }
    void handleSelection(const TreeListItemPtr& item) override { note("click", item); }

private:
    void note(const QString& what, const TreeListItemPtr& item)
    {
        *m_log << m_title + ":" + what + ":" + (item ? item->title() : QStringLiteral("<none>"));
    }

    QStringList* m_log;
    QString m_title;
    qint64 m_weight;
    bool m_rootExpanded;
};

inline TreeListItemPtr addChild(const TreeListItemPtr& parent, const QString& title)
{
    auto child = TreeListItem::itemWithTitle(title, parent->identifier() + "/" + title);
    parent->addChildItem(child);
    return child;
}

} // namespace penwick::test
