#include "platform/tabs/TabView.h"

#include <QLabel>
#include <QMenu>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

using namespace penwick::platform;

namespace {

struct Recorder : TabViewDelegate {
    bool tabViewShouldCloseTabViewItem(TabView*, TabViewItem* item) override
    {
        log << QStringLiteral("should-close ") + item->label();
        return !refuse.contains(item->label());
    }
    void tabViewWillCloseTabViewItem(TabView*, TabViewItem* item) override { log << QStringLiteral("will-close ") + item->label(); }
    void tabViewDidCloseTabViewItem(TabView* view, TabViewItem* item) override
    {
        log << QStringLiteral("did-close %1 (%2 left)").arg(item->label()).arg(view->numberOfTabViewItems());
    }
    void tabViewWillSelectTabViewItem(TabView* view, TabViewItem* item) override
    {
        log << QStringLiteral("will-select %1 from %2").arg(item->label(), view->selectedTabViewItem() ? view->selectedTabViewItem()->label() : QStringLiteral("-"));
    }
    void tabViewDidSelectTabViewItem(TabView*, TabViewItem* item) override { log << QStringLiteral("did-select ") + item->label(); }
    void tabViewDidDropTabViewItemInTabBarView(TabView*, TabViewItem* item, TabView* destination) override
    {
        log << QStringLiteral("dropped ") + item->label();
        droppedInto = destination;
    }
    TabView* tabViewNewTabBarViewForDraggedTabViewItem(TabView*, TabViewItem* item, QPoint point) override
    {
        log << QStringLiteral("tear-off %1 at %2,%3").arg(item->label()).arg(point.x()).arg(point.y());
        return tearOffTarget;
    }
    QMenu* tabViewMenuForTabViewItem(TabView*, TabViewItem* item) override
    {
        auto* menu = new QMenu;
        menu->addAction(QStringLiteral("Close ") + item->label());
        return menu;
    }
    void addNewTabToTabView(TabView*) override { log << QStringLiteral("add"); }

    QStringList log;
    QStringList refuse;
    TabView* droppedInto = nullptr;
    TabView* tearOffTarget = nullptr;
};

TabViewItem* makeItem(const QString& label, QObject* identifier)
{
    auto* item = new TabViewItem(identifier);
    item->setLabel(label);
    item->setView(new QLabel(label));
    return item;
}

class Tabs : public ::testing::Test {
protected:
    TabViewItem* add(const QString& label)
    {
        auto* identifier = new QObject(&owner);
        auto* item = makeItem(label, identifier);
        view.addTabViewItem(item);
        return item;
    }
    QObject owner;
    Recorder recorder;
    TabView view;
};

} // namespace

TEST_F(Tabs, TheFirstItemIsSelectedAndSelectionTellsTheDelegateBeforeAndAfter)
{
    view.setDelegate(&recorder);
    auto* a = add(QStringLiteral("a"));
    auto* b = add(QStringLiteral("b"));
    EXPECT_EQ(view.selectedTabViewItem(), a);
    EXPECT_EQ(view.numberOfTabViewItems(), 2);
    view.selectTabViewItem(b);
    EXPECT_EQ(view.selectedTabViewItem(), b);
    EXPECT_EQ(recorder.log, (QStringList { "will-select a from -", "did-select a", "will-select b from a", "did-select b" }));
    auto* stack = view.findChild<QStackedWidget*>();
    ASSERT_TRUE(stack);
    EXPECT_EQ(stack->currentWidget(), b->view());
    // The bar follows the item's label, icon and edited mark.
    b->setEdited(true);
    b->setLabel(QStringLiteral("b2"));
    EXPECT_EQ(view.tabBar()->tabText(1), QStringLiteral("● b2"));
    EXPECT_EQ(view.tabViewItemAtIndex(1)->identifier(), b->identifier());
}

TEST_F(Tabs, ClosingAsksTheDelegateAndARefusalKeepsTheTab)
{
    auto* a = add(QStringLiteral("a"));
    auto* b = add(QStringLiteral("b"));
    view.setDelegate(&recorder);
    recorder.refuse << QStringLiteral("a");
    EXPECT_FALSE(view.performCloseTabViewItem(a));
    EXPECT_EQ(view.numberOfTabViewItems(), 2);
    QPointer<QWidget> page = b->view();
    view.selectTabViewItem(b);
    recorder.log.clear();
    // The close button of the selected tab.
    emit view.tabBar()->tabCloseRequested(1);
    EXPECT_EQ(recorder.log, (QStringList { "should-close b", "will-close b", "will-select a from -", "did-select a", "did-close b (1 left)" }));
    EXPECT_EQ(view.selectedTabViewItem(), a);
    ASSERT_TRUE(page); // pages belong to their owners
    EXPECT_EQ(page->parent(), nullptr);
    delete page;
    // Closing the only tab is allowed.
    EXPECT_TRUE(view.performCloseTabViewItem(view.tabViewItemAtIndex(0)) || recorder.refuse.contains(QStringLiteral("a")));
}

TEST_F(Tabs, OnlyTabAndBackgroundClosingSettings)
{
    auto* a = add(QStringLiteral("a"));
    add(QStringLiteral("b"));
    view.setDelegate(&recorder);
    view.setAllowsBackgroundTabClosing(false);
    emit view.tabBar()->tabCloseRequested(1); // b is in the background
    EXPECT_EQ(view.numberOfTabViewItems(), 2);
    view.setAllowsBackgroundTabClosing(true);
    emit view.tabBar()->tabCloseRequested(1);
    EXPECT_EQ(view.numberOfTabViewItems(), 1);
    view.setCanCloseOnlyTab(false);
    emit view.tabBar()->tabCloseRequested(0);
    EXPECT_EQ(view.numberOfTabViewItems(), 1);
    view.setCanCloseOnlyTab(true);
    emit view.tabBar()->tabCloseRequested(0);
    EXPECT_EQ(view.numberOfTabViewItems(), 0);
    EXPECT_EQ(view.selectedTabViewItem(), nullptr);
    Q_UNUSED(a);
}

TEST_F(Tabs, ReorderingMovesThePagesWithTheTabs)
{
    auto* a = add(QStringLiteral("a"));
    auto* b = add(QStringLiteral("b"));
    auto* c = add(QStringLiteral("c"));
    view.tabBar()->moveTab(0, 2);
    EXPECT_EQ(view.tabViewItems(), (QList<TabViewItem*> { b, c, a }));
    auto* stack = view.findChild<QStackedWidget*>();
    EXPECT_EQ(stack->widget(2), a->view());
    EXPECT_EQ(view.selectedTabViewItem(), a);
    EXPECT_EQ(stack->currentWidget(), a->view());
}

TEST_F(Tabs, MovingToAnotherTabViewKeepsTheSamePageAndTellsTheSource)
{
    view.setDelegate(&recorder);
    auto* a = add(QStringLiteral("a"));
    auto* b = add(QStringLiteral("b"));
    QWidget* page = b->view();
    TabView other;
    EXPECT_TRUE(view.moveTabViewItem(b, &other));
    EXPECT_EQ(view.tabViewItems(), QList<TabViewItem*> { a });
    EXPECT_EQ(other.tabViewItems(), QList<TabViewItem*> { b });
    EXPECT_EQ(other.selectedTabViewItem(), b);
    EXPECT_EQ(b->tabView(), &other);
    EXPECT_EQ(b->view(), page);
    EXPECT_EQ(recorder.droppedInto, &other);
    EXPECT_TRUE(recorder.log.contains(QStringLiteral("dropped b")));
}

TEST_F(Tabs, TearingOffAsksForANewTabViewAtTheDropPoint)
{
    view.setDelegate(&recorder);
    add(QStringLiteral("a"));
    auto* b = add(QStringLiteral("b"));
    EXPECT_FALSE(view.tearOffTabViewItem(b, QPoint(300, 200))); // the owner makes no new bar
    EXPECT_EQ(view.numberOfTabViewItems(), 2);
    TabView torn;
    recorder.tearOffTarget = &torn;
    EXPECT_TRUE(view.tearOffTabViewItem(b, QPoint(310, 210)));
    EXPECT_EQ(torn.tabViewItems(), QList<TabViewItem*> { b });
    EXPECT_TRUE(recorder.log.contains(QStringLiteral("tear-off b at 310,210")));
}

TEST_F(Tabs, MenuAndAddButtonGoToTheDelegate)
{
    view.setDelegate(&recorder);
    auto* a = add(QStringLiteral("a"));
    std::unique_ptr<QMenu> menu(view.menuForTabViewItem(a));
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->actions().value(0)->text(), QStringLiteral("Close a"));
    view.addTabButton()->click();
    EXPECT_TRUE(recorder.log.contains(QStringLiteral("add")));
    view.setShowAddTabButton(false);
    EXPECT_FALSE(view.showsAddTabButton());
}

TEST_F(Tabs, ACrowdedBarScrollsAndKeepsEachTitleReadableFromItsStart)
{
    const QStringList titles { QStringLiteral("summary-of-the-week.md"), QStringLiteral("allowance-planning.md"),
        QStringLiteral("garden-notes-spring.md"), QStringLiteral("reading-list-2026.md"), QStringLiteral("meeting-minutes.md"),
        QStringLiteral("travel-checklist.md"), QStringLiteral("recipes-to-try.md") };
    // Four tabs in the editor pane of the default window, seven in a wider one.
    for (const auto& [count, width] : { std::pair { 4, 425 }, std::pair { 7, 575 } }) {
        SCOPED_TRACE(count);
        TabView bar;
        QObject identifiers;
        for (int i = 0; i < count; ++i)
            bar.addTabViewItem(makeItem(titles[i], new QObject(&identifiers)));
        bar.resize(width, 300);
        bar.show();
        QTabBar* tabs = bar.tabBar();
        const int readable = TabView::ReadableTitleCharacters * tabs->fontMetrics().averageCharWidth();
        int scrolledWidth = 0;
        for (int i = 0; i < count; ++i) {
            const QString shown = bar.shownTitle(i);
            SCOPED_TRACE(shown.toStdString());
            EXPECT_GE(tabs->tabRect(i).width(), readable);
            // The start of the name is shown; a name that does not fit loses its end.
            const QString kept = shown.endsWith(QChar(0x2026)) ? shown.chopped(1) : shown;
            EXPECT_GE(kept.size(), 10);
            EXPECT_TRUE(titles[i].startsWith(kept));
            scrolledWidth += tabs->tabRect(i).width();
        }
        EXPECT_GT(scrolledWidth, tabs->width()) << "the tabs do not fit, so the bar scrolls";
        bool scrollButtons = false;
        for (QToolButton* button : tabs->findChildren<QToolButton*>())
            scrollButtons = scrollButtons || button->isVisible();
        EXPECT_TRUE(scrollButtons);
    }
}

TEST_F(Tabs, ALongTitleIsShortenedAtItsEnd)
{
    const QString title = QStringLiteral("a-very-long-name-for-a-file-that-nobody-would-ever-want-to-type-twice.md");
    add(title);
    add(QStringLiteral("b.md"));
    view.resize(1400, 300);
    view.show();
    const QString shown = view.shownTitle(0);
    ASSERT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(title.startsWith(shown.chopped(1)));
    EXPECT_LE(view.tabBar()->tabRect(0).width(), view.tabBar()->width() / 2);
    EXPECT_EQ(view.shownTitle(1), QStringLiteral("b.md"));
}
