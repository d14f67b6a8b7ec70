// The shared operations every sidebar section inherits, on a real list offscreen.
#include "TestSection.h"
#include "sidebar/SourceListController.h"

#include "../support/QtPrinters.h"
#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QScrollBar>

#include <gtest/gtest.h>

using namespace penwick;
using penwick::test::addChild;
using penwick::test::TestSection;

namespace {

class SectionBase : public ::testing::Test {
protected:
    void SetUp() override
    {
        list.resize(300, 200);
        list.show();
        root = section.rootItem();
        f1 = addChild(root, "f1");
        f2 = addChild(f1, "f2");
        f3 = addChild(f2, "f3");
        leaf = addChild(f3, "leaf");
        for (int i = 0; i < 60; ++i)
            addChild(root, QString("n%1").arg(i));
        controller.addOutlineItem(&section);
        log.clear();
    }

    QStringList expansions() const
    {
        QStringList out;
        for (const QString& call : log) {
            if (call.contains(":expand:"))
                out << call.section(':', 2);
        }
        return out;
    }

    TreeListView list;
    QStringList log;
    SourceListController controller { &list };
    TestSection section { &list, &log, "NOTES", 10 };
    TreeListItemPtr root, f1, f2, f3, leaf;
};

TEST_F(SectionBase, ExpandingAncestorsOpensTheChainTopDownIncludingTheItem)
{
    section.expandAncestorsOfItem(f3);
    EXPECT_EQ(expansions(), (QStringList { "NOTES", "f1", "f2", "f3" }));
    EXPECT_TRUE(list.isItemExpanded(f3));

    log.clear();
    list.collapseItem(root, true);
    log.clear();
    section.expandAncestorsOfItem(root);
    EXPECT_EQ(expansions(), QStringList { "NOTES" });
    EXPECT_FALSE(list.isItemExpanded(f1));
}

TEST_F(SectionBase, SelectingAnItemDropsTheOldSelectionAndScrollsToIt)
{
    list.expandItem(root);
    list.selectRowIndexes({ 1, 2 }, false);
    const TreeListItemPtr far = root->children().at(50);
    section.selectItem(far);
    const int row = list.rowForItem(far);
    EXPECT_EQ(list.selectedRowIndexes(), QList<int> { row });
    QApplication::processEvents();
    const int expected = std::min(list.scrollOffsetForRow(row), list.verticalScrollBar()->maximum());
    ASSERT_GT(expected, 0);
    EXPECT_TRUE(test::waitUntil([&] { return list.verticalScrollBar()->value() == expected; }, 5000));

    // With its ancestors opened first, a hidden item is found and selected too.
    section.selectItem(leaf, true);
    EXPECT_EQ(list.selectedRowIndexes(), QList<int> { list.rowForItem(leaf) });
    EXPECT_GT(list.rowForItem(leaf), 0);
}

TEST_F(SectionBase, ARowThatIsNotShownScrollsToTheTop)
{
    list.expandItem(root);
    QApplication::processEvents();
    list.verticalScrollBar()->setValue(list.verticalScrollBar()->maximum());
    ASSERT_GT(list.verticalScrollBar()->value(), 0);
    list.scrollWithAnimationToRowIndex(list.rowForItem(leaf));
    EXPECT_EQ(list.rowForItem(leaf), -1);
    EXPECT_TRUE(test::waitUntil([&] { return list.verticalScrollBar()->value() == 0; }, 5000));
}

TEST_F(SectionBase, ToggleExpandTwiceLeavesTheItemCollapsed)
{
    list.expandItem(root);
    ASSERT_FALSE(list.isItemExpanded(f1));
    section.toggleExpand(f1);
    EXPECT_TRUE(list.isItemExpanded(f1));
    section.toggleExpand(f1);
    EXPECT_FALSE(list.isItemExpanded(f1));
}

TEST_F(SectionBase, AMenuActionReachesItsSectionWithItsItem)
{
    std::unique_ptr<QMenu> menu = section.menuItemForItem(f2);
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->actions().size(), 1);
    QAction* action = menu->actions().first();
    EXPECT_EQ(action->text(), "Open");
    EXPECT_TRUE(action->shortcut().isEmpty());
    EXPECT_EQ(representedItem(action), f2);
    action->trigger();
    EXPECT_EQ(log, QStringList { "NOTES:open:f2" });
}

TEST_F(SectionBase, ANewSectionCanReloadAndIsNotQuickOpening)
{
    QStringList ownLog;
    TestSection fresh(&list, &ownLog, "FRESH", 30);
    EXPECT_TRUE(fresh.canReload());
    EXPECT_FALSE(fresh.isQuickOpenInProgress());
    EXPECT_EQ(SidebarNavigator(&list).orderWeight(), 100);
    fresh.turnOffReload();
    EXPECT_FALSE(fresh.canReload());
    fresh.turnOnReload();
    EXPECT_TRUE(fresh.canReload());
}

} // namespace
