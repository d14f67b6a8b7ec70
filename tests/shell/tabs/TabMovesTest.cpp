// Tabs leaving a window (into another window's bar, or torn off into a window of their own), and
// what the window they left keeps of them.
#include "OpenDocument.h"
#include "PlainEditorViewController.h"

#include "platform/tabs/TabView.h"
#include "shell/TVXAppDelegate.h"
#include "shell/TVXDocumentController.h"
#include "shell/TVXDocumentWindowController.h"
#include "shell/TVXEditorViewController.h"
#include "shell/WindowPlacement.h"
#include "TestSupport.h"

#include <QFile>
#include <QMainWindow>

#include <gtest/gtest.h>

using namespace penwick;
using platform::TabViewItem;

namespace {

class TabMoves : public ::testing::Test {
protected:
    void SetUp() override
    {
        delegate.applicationWillFinishLaunching({ QStringLiteral("Penwick") });
        a = open("a.md");
        b = open("b.md");
        c = open("c.md");
        documents.setOpenInNewWindowRequested(true);
        d = open("d.md");
        documents.setOpenInNewWindowRequested(false);
        ASSERT_EQ(delegate.windowControllers().size(), 2);
        first = delegate.windowControllers().at(0);
        second = delegate.windowControllers().at(1);
    }
    TVXDocument* open(const char* name)
    {
        const QString path = dir + QLatin1Char('/') + QLatin1String(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray("# ") + name + "\n");
        file.close();
        return test::openDocument(documents, path, true);
    }
    static QList<TVXDocument*> documentsOf(const QList<TabViewItem*>& items)
    {
        QList<TVXDocument*> list;
        for (TabViewItem* item : items)
            list << TVXDocumentWindowController::documentForTabViewItem(item);
        return list;
    }

    QString dir = test::temporaryFolder();
    test::PlainEditorFactoryScope factory;
    TVXDocumentController documents;
    TVXAppDelegate delegate { &documents };
    TVXDocument *a = nullptr, *b = nullptr, *c = nullptr, *d = nullptr;
    TVXDocumentWindowController* first = nullptr;
    TVXDocumentWindowController* second = nullptr;
};

} // namespace

TEST_F(TabMoves, ATabMovedOrTornOffLeavesTheRecentListOfItsFormerWindow)
{
    // Moved into the other window's bar, then torn off from the first window.
    const struct {
        const char* how;
        std::function<bool(TabViewItem*)> move;
    } moves[] = {
        { "moved", [&](TabViewItem* item) { return first->tabBarView()->moveTabViewItem(item, second->tabBarView()); } },
        { "torn off", [&](TabViewItem* item) { return first->tabBarView()->tearOffTabViewItem(item, QPoint(300, 300)); } },
    };
    for (TVXDocument* moving : { b, c }) {
        const auto& move = moves[moving == b ? 0 : 1];
        SCOPED_TRACE(move.how);
        TabViewItem* item = first->findTabItemForDocument(moving);
        ASSERT_NE(item, nullptr);
        ASSERT_TRUE(first->mruItems().contains(item));
        ASSERT_TRUE(move.move(item));
        EXPECT_FALSE(first->mruItems().contains(item));
        EXPECT_FALSE(documentsOf(first->mruItems()).contains(moving));
        EXPECT_FALSE(first->containsDocument(moving));
        EXPECT_EQ(documentsOf(first->mruItems()).size(), first->tabItemsCount());
    }
    EXPECT_EQ(documentsOf(first->mruItems()), QList<TVXDocument*> { a });
    EXPECT_EQ(documentsOf(second->mruItems()), (QList<TVXDocument*> { b, d }));
    ASSERT_EQ(delegate.windowControllers().size(), 3);
    EXPECT_EQ(documentsOf(delegate.windowControllers().at(2)->mruItems()), QList<TVXDocument*> { c });
}

TEST_F(TabMoves, TheSwitcherOfTheFormerWindowListsOnlyItsOwnTabs)
{
    open("e.md"); // the first window: a, b, c, e
    ASSERT_TRUE(first->tabBarView()->moveTabViewItem(first->findTabItemForDocument(b), second->tabBarView()));
    first->gotoNextDocInStack();
    ASSERT_NE(first->switchTabsController(), nullptr);
    EXPECT_EQ(first->switchTabsController()->numberOfRows(), 3);
    // Every row leads somewhere: choosing the last one (the oldest, a) selects it.
    first->switchTabsController()->gotoNextDocInStack();
    ASSERT_EQ(first->switchTabsController()->selectedRow(), 2);
    first->switchTabsController()->notifyAndClose();
    EXPECT_EQ(first->document(), a);
}

TEST_F(TabMoves, AWindowWhoseLastTabMovesOutIsBlank)
{
    ASSERT_FALSE(second->isBlank());
    ASSERT_TRUE(second->tabBarView()->moveTabViewItem(second->findTabItemForDocument(d), first->tabBarView()));
    EXPECT_TRUE(second->isBlank());
    EXPECT_EQ(second->document(), nullptr);
    EXPECT_TRUE(second->documents().isEmpty());
    EXPECT_TRUE(second->mruItems().isEmpty());
    EXPECT_EQ(second->window()->windowTitle(), QStringLiteral("Penwick"));
    EXPECT_FALSE(first->isBlank());
    EXPECT_EQ(first->document(), d);

    // The same for a window whose only tab is torn off.
    ASSERT_TRUE(first->tabBarView()->moveTabViewItem(first->findTabItemForDocument(a), second->tabBarView()));
    ASSERT_FALSE(second->isBlank());
    ASSERT_TRUE(second->tabBarView()->tearOffTabViewItem(second->findTabItemForDocument(a), QPoint(200, 200)));
    EXPECT_TRUE(second->isBlank());
    EXPECT_EQ(second->document(), nullptr);
}

TEST(TabIcons, ANoteNoLongerQuickOpenLosesTheQuickOpenIconInItsTab)
{
    TVXDocument::setEditorViewControllerFactory([](TVXDocument* document) { return new TVXEditorViewController(document); });
    {
        TVXDocumentController documents;
        TVXAppDelegate delegate { &documents };
        delegate.applicationWillFinishLaunching({ QStringLiteral("Penwick") });
        TVXDocument* note = documents.openUntitledDocumentAndDisplay(true);
        ASSERT_NE(note, nullptr);
        TVXDocumentWindowController* window = delegate.windowControllers().value(0);
        ASSERT_NE(window, nullptr);
        TabViewItem* item = window->findTabItemForDocument(note);
        ASSERT_NE(item, nullptr);
        const qint64 quickOpenIcon = TVXEditorViewController::quickOpenIcon().cacheKey();
        // A single click in the sidebar opens it for a look; a double click keeps it.
        note->setIsQuickOpen(true);
        window->documentDidUpdate(note);
        ASSERT_EQ(item->icon().cacheKey(), quickOpenIcon);
        note->setIsQuickOpen(false);
        EXPECT_NE(item->icon().cacheKey(), quickOpenIcon);
    }
    TVXDocument::setEditorViewControllerFactory({});
}

TEST(TornOffWindows, LandWholeOnTheScreenOfTheDrop)
{
    const QMargins titleBar(0, 20, 0, 0);
    const struct {
        const char* where;
        QPoint drop;
        QPoint tabOffset;
        QSize size;
        QRect screen;
        QRect expected;
    } cases[] = {
        { "room enough: the tab starts under the pointer", { 300, 200 }, { 8, 0 }, { 600, 400 }, { 0, 0, 1600, 1000 }, { 292, 200, 600, 400 } },
        { "the tab past a sidebar and below a menu bar", { 400, 300 }, { 250, 24 }, { 600, 400 }, { 0, 0, 1600, 1000 }, { 150, 276, 600, 400 } },
        { "near the bottom right corner", { 1400, 900 }, { 8, 0 }, { 1100, 720 }, { 0, 0, 1600, 1000 }, { 500, 280, 1100, 720 } },
        { "near the top left corner: the title bar stays on", { 5, 5 }, { 8, 0 }, { 600, 400 }, { 0, 0, 1600, 1000 }, { 0, 20, 600, 400 } },
        { "a second, smaller screen", { 1700, 100 }, { 8, 0 }, { 1100, 720 }, { 1600, 0, 800, 600 }, { 1600, 20, 800, 580 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        const QRect placed = tornOffWindowGeometry(c.drop, c.size, c.tabOffset, titleBar, c.screen);
        EXPECT_EQ(placed, c.expected);
        EXPECT_TRUE(c.screen.contains(placed.marginsAdded(titleBar)));
    }
}
