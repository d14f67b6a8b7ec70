#include "PlainEditorViewController.h"
#include "RecordingDialogs.h"

#include "platform/NotificationCenter.h"
#include "common/Notifications.h"
#include "shell/PreviewControllerInterface.h"
#include "shell/SidebarManagerInterface.h"
#include "shell/TVXDocumentWindowController.h"
#include "TestSupport.h"
#include "tools/TVXQuickOpenTableCellView.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>

#include <gtest/gtest.h>

#include <memory>

using namespace penwick;
using platform::TabViewItem;

namespace {

// Stand-ins for the window's preview and sidebar: they record what the window asks.
struct FakePreview : PreviewControllerInterface {
    void forceClean() override { ++cleans; }
    void renderUsingTextView(platform::TextView* view, const QUrl&, const QUrl& documentURL) override
    {
        rendered.append(view);
        renderedURLs.append(documentURL);
    }
    void setOverriddenStylePath(const std::optional<QString>& path) override { style = path; }
    void closeTextView(platform::TextView* view) override { closed.append(view); }
    int cleans = 0;
    QList<platform::TextView*> rendered;
    QList<QUrl> renderedURLs;
    QList<platform::TextView*> closed;
    std::optional<QString> style;
};

struct FakeSidebar : SidebarManagerInterface {
    void addAsARootFolder(const QString& path) override { roots.append(path); }
    bool isQuickOpenDocument(TVXDocument*) override { return quickOpenInProgress; }
    void turnOffNavigatorReload() override { ++reloadOff; }
    void turnOnNavigatorReload() override { ++reloadOn; }
    QStringList rootFolderPaths() const override { return roots; }
    void focusRootFolder(const QString& path) override { focused = path; }
    void saveSession(const QList<TVXDocument*>& documents) override { sessions.append(documents); }
    void revealDocument(TVXDocument*) override {}
    void addDocumentToFavorites(TVXDocument* document) override { favorites.append(document); }
    QStringList roots;
    bool quickOpenInProgress = false;
    int reloadOff = 0, reloadOn = 0;
    QString focused;
    QList<QList<TVXDocument*>> sessions;
    QList<TVXDocument*> favorites;
};

class Window : public ::testing::Test {
protected:
    Window()
    {
        controller.setPreviewController(&preview);
        controller.setSidebarManager(&sidebar);
    }

    TVXDocument* open(const QString& name, bool quickOpen = false)
    {
        auto* document = new TVXDocument;
        owned.append(document);
        document->setFileURL(QUrl::fromLocalFile(QStringLiteral("/tmp/") + name));
        document->setContents(QStringLiteral("# ") + name + QLatin1Char('\n'));
        sidebar.quickOpenInProgress = quickOpen;
        controller.addDocument(document);
        sidebar.quickOpenInProgress = false;
        return document;
    }
    QStringList tabNames() const
    {
        QStringList names;
        for (TVXDocument* d : controller.documentsInTabOrder())
            names.append(d->displayName());
        return names;
    }
    TabViewItem* tab(int index) const { return controller.tabBarView()->tabViewItemAtIndex(index); }
    test::PlainEditorViewController* editor(TVXDocument* d) const { return static_cast<test::PlainEditorViewController*>(d->editorViewController()); }

    struct Owned {
        ~Owned() { qDeleteAll(documents); }
        void append(TVXDocument* d) { documents.append(d); }
        QList<TVXDocument*> documents;
    };
    // Documents outlive the window, as they belong to the document controller.
    Owned owned;
    test::PlainEditorFactoryScope factory;
    FakePreview preview;
    FakeSidebar sidebar;
    TVXDocumentWindowController controller;
};

QMap<QString, bool> menuStates(QMenu* menu)
{
    QMap<QString, bool> states;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator())
            states.insert(action->text(), action->isEnabled());
    }
    return states;
}

} // namespace

TEST_F(Window, ASingleClickReplacesTheQuickOpenTabADoubleClickKeepsBothTypingKeepsIt)
{
    open(QStringLiteral("one.md"), true);
    TVXDocument* two = open(QStringLiteral("two.md"), true);
    EXPECT_EQ(tabNames(), QStringList { "two.md" });
    EXPECT_TRUE(two->isQuickOpen());
    open(QStringLiteral("three.md"), false); // double click: a normal tab
    EXPECT_EQ(tabNames(), (QStringList { "two.md", "three.md" }));
    controller.switchToDocument(two);
    editor(two)->type(QStringLiteral("typed "));
    EXPECT_FALSE(two->isQuickOpen());
    open(QStringLiteral("four.md"), true);
    EXPECT_EQ(tabNames(), (QStringList { "two.md", "three.md", "four.md" }));
    EXPECT_TRUE(sidebar.sessions.size() >= 4);
}

TEST_F(Window, AFolderBecomesASidebarRootWithoutATabOrASessionSave)
{
    auto* folder = new TVXDocument;
    owned.append(folder);
    folder->setFileURL(QUrl::fromLocalFile(QStringLiteral("/tmp/project")));
    folder->setIsDirectory(true);
    controller.addDocument(folder);
    EXPECT_EQ(sidebar.roots, QStringList { "/tmp/project" });
    EXPECT_EQ(controller.tabItemsCount(), 0);
    EXPECT_TRUE(sidebar.sessions.isEmpty());
    EXPECT_TRUE(controller.containsDocument(folder));
    EXPECT_TRUE(controller.isBlank());
    controller.switchToDocument(folder);
    EXPECT_EQ(sidebar.focused, QStringLiteral("/tmp/project"));
}

TEST_F(Window, TheTabMenuEnablesItsItemsByPosition)
{
    open(QStringLiteral("only.md"));
    std::unique_ptr<QMenu> single(controller.menuForTabViewItem(tab(0)));
    const auto one = menuStates(single.get());
    EXPECT_TRUE(one.value("Close Tab"));
    EXPECT_FALSE(one.value("Close Other Tabs"));
    EXPECT_FALSE(one.value("Close Tabs to The Left"));
    EXPECT_FALSE(one.value("Close Tabs to The Right"));
    EXPECT_TRUE(one.value("Close All Tabs"));
    EXPECT_TRUE(one.value("Add to Favorites"));
    EXPECT_TRUE(one.contains("Show in File Manager"));
    EXPECT_FALSE(one.contains("Reveal in Sidebar"));
    for (QAction* action : single->actions()) {
        if (action->text() == QStringLiteral("Close Tab")) {
            EXPECT_EQ(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_W));
        }
    }

    open(QStringLiteral("middle.md"));
    open(QStringLiteral("last.md"));
    struct Row {
        int index;
        bool left, right;
    };
    for (const Row row : { Row { 0, false, true }, Row { 1, true, true }, Row { 2, true, false } }) {
        std::unique_ptr<QMenu> menu(controller.menuForTabViewItem(tab(row.index)));
        const auto states = menuStates(menu.get());
        EXPECT_TRUE(states.value("Close Tab")) << row.index;
        EXPECT_TRUE(states.value("Close Other Tabs")) << row.index;
        EXPECT_EQ(states.value("Close Tabs to The Left"), row.left) << row.index;
        EXPECT_EQ(states.value("Close Tabs to The Right"), row.right) << row.index;
        EXPECT_TRUE(states.value("Close All Tabs")) << row.index;
    }
    // An untitled document cannot be a favourite or shown in the file manager.
    auto* untitled = new TVXDocument;
    owned.append(untitled);
    controller.addDocument(untitled);
    std::unique_ptr<QMenu> menu(controller.menuForTabViewItem(tab(3)));
    const auto states = menuStates(menu.get());
    EXPECT_FALSE(states.value("Add to Favorites"));
    EXPECT_FALSE(states.contains("Show in File Manager"));
}

TEST_F(Window, NextAndPreviousWrapAround)
{
    open(QStringLiteral("a.md"));
    open(QStringLiteral("b.md"));
    open(QStringLiteral("c.md"));
    EXPECT_EQ(controller.document()->displayName(), QStringLiteral("c.md"));
    controller.gotoNextDoc();
    EXPECT_EQ(controller.document()->displayName(), QStringLiteral("a.md"));
    controller.gotoPrevDoc();
    EXPECT_EQ(controller.document()->displayName(), QStringLiteral("c.md"));
}

TEST_F(Window, TwoTabsToggleWithoutTheSwitcherAndTwelveListTheTenMostRecent)
{
    open(QStringLiteral("a.md"));
    open(QStringLiteral("b.md"));
    controller.gotoNextDocInStack();
    EXPECT_EQ(controller.document()->displayName(), QStringLiteral("a.md"));
    EXPECT_EQ(controller.switchTabsController(), nullptr);
    controller.gotoNextDocInStack();
    EXPECT_EQ(controller.document()->displayName(), QStringLiteral("b.md"));

    for (int i = 0; i < 10; ++i)
        open(QStringLiteral("more-%1.md").arg(i));
    controller.gotoNextDocInStack();
    TVXSwitchTabsWindowController* switcher = controller.switchTabsController();
    ASSERT_TRUE(switcher);
    EXPECT_EQ(switcher->numberOfRows(), 10);
    EXPECT_EQ(switcher->selectedRow(), 1);
    EXPECT_EQ(switcher->cellAtRow(0)->textField()->text(), QStringLiteral("more-9.md"));
    EXPECT_EQ(switcher->cellAtRow(1)->textField()->text(), QStringLiteral("more-8.md"));
    controller.gotoNextDocInStack(); // visible: nothing happens
    EXPECT_EQ(controller.switchTabsController(), switcher);
    switcher->notifyAndClose();
    EXPECT_EQ(controller.document()->displayName(), QStringLiteral("more-8.md"));
    EXPECT_EQ(controller.mruItems().first(), controller.tabBarView()->selectedTabViewItem());
}

TEST_F(Window, SelectionPostsTheDocumentWithNullsForMissingThemes)
{
    QList<QVariantMap> posted;
    auto observation = platform::NotificationCenter::defaultCenter().observe(Notifications::DOCUMENT_SELECTED, nullptr,
        [&](const platform::Notification& n) { posted.append(n.userInfo); });
    TVXDocument* plain = open(QStringLiteral("plain.md"));
    ASSERT_FALSE(posted.isEmpty());
    const QVariantMap& info = posted.last();
    EXPECT_EQ(info.value("name").toString(), QStringLiteral("plain.md"));
    EXPECT_TRUE(info.contains("editorThemePath"));
    EXPECT_FALSE(info.value("editorThemePath").isValid());
    EXPECT_FALSE(info.value("previewStylePath").isValid());
    EXPECT_EQ(info.value("document").value<QObject*>(), plain);

    TVXDocument* themed = open(QStringLiteral("themed.md"));
    editor(themed)->overriddenEditorTheme = QStringLiteral("/themes/dark.txt");
    editor(themed)->overriddenPreviewStyle = QStringLiteral("/styles/github.css");
    controller.switchToDocument(plain);
    controller.switchToDocument(themed);
    EXPECT_EQ(posted.last().value("editorThemePath").toString(), QStringLiteral("/themes/dark.txt"));
    EXPECT_EQ(posted.last().value("previewStylePath").toString(), QStringLiteral("/styles/github.css"));
    EXPECT_EQ(preview.style, QStringLiteral("/styles/github.css"));
    EXPECT_EQ(preview.renderedURLs.last(), themed->canonicalURL());
}

TEST_F(Window, CloseOtherTabsKeepsTheTabWhoseReviewWasCancelled)
{
    test::RecordingDialogs dialogs;
    TVXDocument* a = open(QStringLiteral("a.md"));
    TVXDocument* edited = open(QStringLiteral("edited.md"));
    TVXDocument* c = open(QStringLiteral("c.md"));
    editor(edited)->type(QStringLiteral("unsaved "));
    edited->updateChangeCount(platform::DocumentChange::Done);
    dialogs.alertAnswers.push_back(1); // Cancel
    controller.closeOtherTabs(controller.findTabItemForDocument(c));
    EXPECT_EQ(tabNames(), (QStringList { "edited.md", "c.md" }));
    EXPECT_EQ(dialogs.alerts.size(), 1);
    EXPECT_TRUE(a->isClosed());
    EXPECT_FALSE(edited->isClosed());
    EXPECT_FALSE(edited->canClose());

    // "Don't Save" closes it from the answer, at once and only once.
    dialogs.alertAnswers.push_back(2);
    EXPECT_TRUE(controller.removeTabItem(controller.findTabItemForDocument(edited)));
    EXPECT_EQ(tabNames(), QStringList { "c.md" });
    EXPECT_EQ(dialogs.alerts.size(), 2);
}

TEST_F(Window, ClosingATabDisposesItsDocumentAndEditorOnceAndSavesTheSession)
{
    TVXDocument* a = open(QStringLiteral("a.md"));
    open(QStringLiteral("b.md"));
    int closings = 0, disposals = 0, editorsGone = 0;
    QObject::connect(a, &platform::Document::documentClosed, [&] { ++closings; });
    QObject::connect(&controller, &TVXDocumentWindowController::documentDisposed, [&](TVXDocument* d) { disposals += d == a; });
    auto* plain = editor(a);
    QObject::connect(plain, &QObject::destroyed, [&] { ++editorsGone; });
    platform::TextView* textView = plain->getEditorTextView();
    const auto sessionsBefore = sidebar.sessions.size();
    EXPECT_TRUE(controller.removeTabItem(controller.findTabItemForDocument(a)));
    EXPECT_TRUE(test::waitUntil([&] { return editorsGone == 1; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(closings, 1);
    EXPECT_EQ(disposals, 1);
    EXPECT_EQ(editorsGone, 1);
    EXPECT_EQ(preview.closed, QList<platform::TextView*> { textView });
    EXPECT_EQ(sidebar.sessions.size(), sessionsBefore + 1);
    EXPECT_EQ(tabNames(), QStringList { "b.md" });
    EXPECT_FALSE(controller.documents().contains(a));
    EXPECT_EQ(controller.mruItems().size(), 1);
    EXPECT_EQ(controller.editorViewControllers().size(), 1);

    controller.closeAllTabs();
    EXPECT_EQ(controller.tabItemsCount(), 0);
    controller.blankOut();
    EXPECT_TRUE(controller.isBlank());
    EXPECT_EQ(controller.document(), nullptr);
}

TEST_F(Window, AMovedTabKeepsTextSelectionUndoHistoryAndEditedMark)
{
    TVXDocument* moving = open(QStringLiteral("moving.md"));
    open(QStringLiteral("stays.md"));
    controller.switchToDocument(moving);
    auto* plain = editor(moving);
    const QString before = plain->getEditorTextView()->string();
    plain->type(QStringLiteral("new words "));
    QCoreApplication::processEvents();
    platform::TextView* view = plain->getEditorTextView();
    view->setSelectedRange(platform::TextRange(2, 3));
    ASSERT_TRUE(moving->isDocumentEdited());
    const QString text = view->string();

    TVXDocumentWindowController second;
    ASSERT_TRUE(controller.tabBarView()->moveTabViewItem(controller.findTabItemForDocument(moving), second.tabBarView()));
    EXPECT_EQ(tabNames(), QStringList { "stays.md" });
    EXPECT_EQ(second.documentsInTabOrder(), QList<TVXDocument*> { moving });
    EXPECT_TRUE(second.documents().contains(moving));
    EXPECT_FALSE(controller.documents().contains(moving));
    EXPECT_EQ(moving->delegate(), &second);
    EXPECT_EQ(second.document(), moving);
    EXPECT_EQ(plain->getEditorTextView(), view);
    EXPECT_EQ(view->string(), text);
    EXPECT_EQ(view->selectedRange(), platform::TextRange(2, 3));
    EXPECT_TRUE(moving->isDocumentEdited());
    EXPECT_TRUE(second.tabBarView()->selectedTabViewItem()->isEdited());
    view->undo();
    EXPECT_EQ(view->string(), before);
    EXPECT_FALSE(moving->isDocumentEdited());
    // Typing in the moved tab reaches its new window.
    plain->type(QStringLiteral("x"));
    EXPECT_EQ(preview.rendered.isEmpty(), false);
    second.tabBarView()->performCloseTabViewItem(second.tabBarView()->tabViewItemAtIndex(0));
}
