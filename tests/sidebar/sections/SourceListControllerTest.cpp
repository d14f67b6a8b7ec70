// The controller's dispatch: group rows by weight, every item question to the first owner.
#include "TestSection.h"
#include "sidebar/SourceListController.h"
#include "platform/treelist/TreeListModel.h"

#include "../support/QtPrinters.h"
#include "TestSupport.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

using namespace penwick;
using penwick::test::addChild;
using penwick::test::TestSection;

namespace {

class Controller : public ::testing::Test {
protected:
    Controller()
    {
        list.resize(300, 400);
        list.setMenuPresenter([](QMenu&, const QPoint&) {});
        list.show();
        for (auto* section : { &favorites, &folders, &scratch, &shadow })
            addChild(section->rootItem(), section->rootItem()->title().toLower() + "-1");
        addChild(folders.rootItem(), "folders-2");
    }

    QStringList rowTitles() const
    {
        QStringList titles;
        for (int row = 0; row < list.numberOfRows(); ++row)
            titles << list.itemAtRow(row)->title();
        return titles;
    }

    QRect rectOf(const TreeListItemPtr& item) { return list.visualRect(list.listModel()->indexForItem(item.get())); }

    void key(int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&list, &press);
    }

    TreeListView list;
    QStringList log;
    SourceListController controller { &list };
    TestSection favorites { &list, &log, "FAVORITES", 5 };
    TestSection folders { &list, &log, "FOLDERS", 10, true };
    TestSection scratch { &list, &log, "SCRATCH NOTES", 15 };
    TestSection shadow { &list, &log, "SHADOW NOTES", 20 };
};

TEST_F(Controller, AnyAddOrderGivesTheGroupRowsInWeightOrder)
{
    std::array<SidebarNavigator*, 4> sections { &shadow, &favorites, &scratch, &folders };
    std::sort(sections.begin(), sections.end());
    do {
        SourceListController fresh(&list);
        for (SidebarNavigator* section : sections)
            fresh.addOutlineItem(section);
        list.collapseItem(folders.rootItem());
        EXPECT_EQ(rowTitles(), (QStringList { "FAVORITES", "FOLDERS", "SCRATCH NOTES", "SHADOW NOTES" }));
        fresh.close();
    } while (std::next_permutation(sections.begin(), sections.end()));
}

TEST_F(Controller, TheSectionDecidesWhetherItsGroupRowStartsExpanded)
{
    controller.addOutlineItem(&scratch);
    controller.addOutlineItem(&folders);
    EXPECT_TRUE(list.isItemExpanded(folders.rootItem()));
    EXPECT_FALSE(list.isItemExpanded(scratch.rootItem()));
    EXPECT_EQ(rowTitles(), (QStringList { "FOLDERS", "folders-1", "folders-2", "SCRATCH NOTES" }));
}

TEST_F(Controller, NoSectionsGiveNoRows)
{
    list.reloadData();
    EXPECT_EQ(list.numberOfRows(), 0);
}

TEST_F(Controller, AnItemClaimedTwiceGoesToTheLowerWeight)
{
    controller.addOutlineItem(&shadow);
    controller.addOutlineItem(&folders);
    const TreeListItemPtr contested = folders.rootItem()->children().at(0);
    shadow.claims.insert(contested.get());
    log.clear();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, rectOf(contested).center());
    EXPECT_EQ(log, QStringList { "FOLDERS:click:folders-1" });
    EXPECT_EQ(controller.ownerOf(contested), &folders);
}

TEST_F(Controller, DeleteOnTwoRowsGivesTwoCallsUpperFirst)
{
    controller.addOutlineItem(&folders);
    log.clear();
    list.selectRowIndexes({ 2 }, false);
    list.selectRowIndexes({ 1 }, true);
    key(Qt::Key_Delete);
    EXPECT_EQ(log, (QStringList { "FOLDERS:delete:folders-1", "FOLDERS:delete:folders-2" }));
}

TEST_F(Controller, AMenuSelectsItsRowAndComesFromTheOwner)
{
    controller.addOutlineItem(&folders);
    controller.addOutlineItem(&scratch);
    log.clear();
    list.selectRowIndexes({ 1 }, false);
    std::unique_ptr<QMenu> menu = controller.menuForItem(&list, folders.rootItem()->children().at(1));
    ASSERT_TRUE(menu);
    EXPECT_EQ(list.selectedRowIndexes(), QList<int> { 2 });
    menu->actions().first()->trigger();
    EXPECT_EQ(log, QStringList { "FOLDERS:open:folders-2" });
}

TEST_F(Controller, RemovingASectionThatWasNeverAddedStillReloads)
{
    controller.addOutlineItem(&folders);
    addChild(folders.rootItem(), "folders-3"); // not told to the list
    ASSERT_EQ(list.numberOfRows(), 3);
    controller.removeOutlineItem(&shadow);
    EXPECT_EQ(list.numberOfRows(), 4);
    EXPECT_EQ(controller.sidebarOutlineItems(), QList<SidebarNavigator*> { &folders });

    controller.removeOutlineItem(&folders);
    EXPECT_EQ(list.numberOfRows(), 0);
}

TEST_F(Controller, AfterCloseNothingReachesTheSections)
{
    controller.addOutlineItem(&folders);
    controller.addOutlineItem(&scratch);
    const TreeListItemPtr row = folders.rootItem()->children().at(0);
    controller.close();
    log.clear();

    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, rectOf(row).center());
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, rectOf(row).center());
    list.expandItem(scratch.rootItem());
    list.collapseItem(folders.rootItem());
    QContextMenuEvent menu(QContextMenuEvent::Mouse, rectOf(scratch.rootItem()).center(), QPoint());
    QApplication::sendEvent(list.viewport(), &menu);
    key(Qt::Key_Delete);
    QKeyEvent ctrlReturn(QEvent::KeyPress, Qt::Key_Return, Qt::ControlModifier);
    QApplication::sendEvent(&list, &ctrlReturn);
    EXPECT_EQ(log, QStringList());
    EXPECT_TRUE(controller.sidebarOutlineItems().isEmpty());
}

} // namespace
