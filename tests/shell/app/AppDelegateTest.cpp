#include "OpenDocument.h"
#include "PlainEditorViewController.h"
#include "RecordingDialogs.h"

#include "platform/UserDefaults.h"
#include "platform/tabs/TabView.h"
#include "common/Prefs.h"
#include "shell/TVXAppDelegate.h"
#include "shell/TVXDocumentController.h"
#include "shell/TVXDocumentWindowController.h"
#include "shell/UpdateFeed.h"
#include "tools/SnippetsWindowController.h"
#include "TestSupport.h"

#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QScreen>

#include <gtest/gtest.h>

#include <memory>

using namespace penwick;

namespace {

QString writeFile(const QString& path, const QByteArray& bytes = "# text\n")
{
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
    return path;
}

// The application as it starts: settings as the case says, then the launch callbacks.
class Application : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto& defaults = platform::UserDefaults::standard();
        defaults.removeObject(Prefs::SESSION_RESTORE_DOCS);
        defaults.removeObject(Prefs::AUTO_ADD_UNTITLED_DOCUMENT);
        defaults.removeObject(UpdateFeed::GET_ALPHA_UPDATES);
    }
    void TearDown() override
    {
        delegate.reset();
        documents.reset();
        auto& defaults = platform::UserDefaults::standard();
        defaults.removeObject(Prefs::SESSION_RESTORE_DOCS);
        defaults.removeObject(Prefs::AUTO_ADD_UNTITLED_DOCUMENT);
        defaults.removeObject(UpdateFeed::GET_ALPHA_UPDATES);
    }
    void launch(bool storedSession, bool autoAdd, const QStringList& arguments = {})
    {
        auto& defaults = platform::UserDefaults::standard();
        defaults.setValue(Prefs::AUTO_ADD_UNTITLED_DOCUMENT, autoAdd);
        if (storedSession)
            defaults.setValue(Prefs::SESSION_RESTORE_DOCS, QVariantList { QUrl::fromLocalFile(dir + "/old.md").toString() });
        documents = std::make_unique<TVXDocumentController>();
        delegate = std::make_unique<TVXAppDelegate>(documents.get());
        delegate->awakeFromNib();
        delegate->applicationWillFinishLaunching(QStringList { "Penwick" } + arguments);
    }
    TVXDocument* openFile(const QString& name)
    {
        return test::openDocument(*documents, writeFile(dir + "/" + name), true);
    }
    QList<int> tabCounts() const
    {
        QList<int> counts;
        for (TVXDocumentWindowController* window : delegate->windowControllers())
            counts.append(window->tabItemsCount());
        return counts;
    }
    void activate(TVXDocumentWindowController* window)
    {
        window->showWindow();
        ASSERT_TRUE(test::waitUntil([&] { return QApplication::activeWindow() == window->window(); }));
    }

    QString dir = test::temporaryFolder();
    test::PlainEditorFactoryScope factory;
    test::RecordingDialogs dialogs;
    std::unique_ptr<TVXDocumentController> documents;
    std::unique_ptr<TVXAppDelegate> delegate;
};

} // namespace

// What the untitled document opened at launch becomes, by stored session and setting.
TEST_F(Application, TheLaunchDocumentByStoredSessionAndSetting)
{
    const struct {
        bool storedSession;
        bool autoAdd;
        QList<int> tabs;
        bool emptyStoredList = false;
    } cases[] = {
        { false, true, { 1 } },       // first launch: a new window with one tab
        { false, false, { 0 } },      // removed; one blank window stays
        { true, true, { 0 } },        // a stored session drops it whatever the setting says
        { true, false, { 0 } },
        { false, true, { 1 }, true }, // a stored list with nothing in it keeps it
        { false, false, { 0 }, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "session " << c.storedSession << " autoAdd " << c.autoAdd << " empty list " << c.emptyStoredList);
        launch(c.storedSession, c.autoAdd);
        if (c.emptyStoredList)
            platform::UserDefaults::standard().setValue(Prefs::SESSION_RESTORE_DOCS, QVariantList {});
        documents->openUntitledDocumentAndDisplay(true);
        EXPECT_EQ(tabCounts(), c.tabs);
        EXPECT_EQ(documents->documents().size(), c.tabs.value(0));
        EXPECT_FALSE(delegate->newBlankWindowRequested());
        EXPECT_TRUE(delegate->autoAddBlankWindow());
        TearDown();
        SetUp();
    }
}

TEST_F(Application, AFileAtLaunchIsNeverDroppedAndTheSessionDropsOnlyTheFirstUntitled)
{
    launch(true, false);
    TVXDocument* file = openFile("a.md");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(tabCounts(), QList<int> { 1 });
    // After the first routing a stored session no longer removes anything; the setting still
    // decides only for a new blank window.
    documents->openUntitledDocumentAndDisplay(true);
    EXPECT_EQ(tabCounts(), QList<int> { 2 });
}

TEST_F(Application, TheCheckBoxOpensANewWindowOnceAndWithoutAMainWindowTheFirstTakesIt)
{
    launch(false, true);
    openFile("a.md");
    ASSERT_EQ(tabCounts(), QList<int> { 1 });
    TVXDocumentWindowController* first = delegate->windowControllers().first();
    activate(first);

    documents->setOpenInNewWindowRequested(true);
    openFile("b.md");
    EXPECT_EQ(tabCounts(), (QList<int> { 1, 1 }));
    EXPECT_FALSE(documents->openInNewWindowRequested()) << "the check box is off afterwards";

    // The second window is active now; with none active the first registered one is main.
    TVXDocumentWindowController* second = delegate->windowControllers().at(1);
    activate(second);
    openFile("c.md");
    EXPECT_EQ(tabCounts(), (QList<int> { 1, 2 }));
    second->window()->hide();
    first->window()->hide();
    ASSERT_TRUE(test::waitUntil([] { return QApplication::activeWindow() == nullptr; }));
    EXPECT_EQ(delegate->mainWindowController(), first);
    openFile("d.md");
    EXPECT_EQ(tabCounts(), (QList<int> { 2, 2 }));
}

TEST_F(Application, DroppedFilesAllGoToTheWindowDroppedOnEvenWithTheCheckBox)
{
    launch(false, true);
    openFile("first.md");
    documents->setOpenInNewWindowRequested(true);
    openFile("second.md");
    ASSERT_EQ(tabCounts(), (QList<int> { 1, 1 }));
    TVXDocumentWindowController* first = delegate->windowControllers().first();
    activate(delegate->windowControllers().at(1));

    TVXDocument* open = openFile("open.md"); // goes to the active second window
    ASSERT_EQ(tabCounts(), (QList<int> { 1, 2 }));
    QStringList paths;
    for (const char* name : { "1.md", "2.md", "3.md", "4.md" })
        paths << writeFile(dir + "/" + name);
    paths << open->filePath();
    documents->setOpenInNewWindowRequested(true);
    delegate->handleDragAndDropPaths(paths, first);
    EXPECT_EQ(tabCounts(), (QList<int> { 5, 2 })) << "four new tabs; the open file was brought forward";
    EXPECT_EQ(delegate->dragAndDropController(), nullptr);
    EXPECT_EQ(delegate->windowControllers().at(1)->document(), open);

    delegate->handleDragAndDropPaths({}, first);
    EXPECT_EQ(tabCounts(), (QList<int> { 5, 2 }));
    EXPECT_EQ(delegate->dragAndDropController(), nullptr);
}

TEST_F(Application, ClosingTheLastTabBlanksTheWindowAndMayOpenANewUntitledDocument)
{
    for (const bool autoAdd : { true, false }) {
        SCOPED_TRACE(autoAdd);
        launch(false, autoAdd);
        openFile("a.md");
        TVXDocumentWindowController* window = delegate->windowControllers().first();
        ASSERT_TRUE(window->removeActiveTabItem());
        EXPECT_EQ(tabCounts(), QList<int> { autoAdd ? 1 : 0 });
        EXPECT_EQ(window->isBlank(), !autoAdd);
        if (autoAdd) {
            EXPECT_TRUE(window->document()->fileURL().isEmpty());
        }
        TearDown();
        SetUp();
    }
}

TEST_F(Application, AClosedTabsDocumentLeavesTheApplicationSoItCanBeOpenedAgain)
{
    launch(false, false);
    TVXDocument* a = openFile("a.md");
    openFile("b.md");
    TVXDocumentWindowController* window = delegate->windowControllers().first();
    window->switchToDocument(a);
    ASSERT_TRUE(window->removeActiveTabItem());
    EXPECT_EQ(documents->documents().size(), 1);
    TVXDocument* again = openFile("a.md");
    EXPECT_EQ(tabCounts(), QList<int> { 2 }) << "a new tab, not a report of an open document";
    EXPECT_NE(again, nullptr);
}

TEST_F(Application, ATornOffTabOpensAWindowOfTheSameSizeOnTheScreen)
{
    launch(false, true);
    openFile("a.md");
    TVXDocument* b = openFile("b.md");
    TVXDocumentWindowController* source = delegate->windowControllers().first();
    source->window()->resize(400, 300);
    activate(source);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint drop = screen.bottomRight() - QPoint(40, 40);
    platform::TabViewItem* item = source->findTabItemForDocument(b);
    ASSERT_TRUE(source->tabBarView()->tearOffTabViewItem(item, drop));

    ASSERT_EQ(delegate->windowControllers().size(), 2);
    TVXDocumentWindowController* torn = delegate->windowControllers().at(1);
    EXPECT_EQ(torn->documentsInTabOrder(), QList<TVXDocument*> { b });
    EXPECT_EQ(source->documentsInTabOrder().size(), 1);
    EXPECT_EQ(torn->delegate(), delegate.get());
    QMainWindow* window = torn->window();
    EXPECT_EQ(window->size(), source->window()->size());
    EXPECT_TRUE(screen.contains(window->frameGeometry()));
}

TEST_F(Application, CleanForgetsTheStoredSettingsButNotTheRegisteredDefaults)
{
    auto& defaults = platform::UserDefaults::standard();
    defaults.setValue(Prefs::ENABLE_AUTO_SYNC, false);
    defaults.setValue(Prefs::SESSION_RESTORE_DOCS, QVariantList { "file:///tmp/x.md" });
    documents = std::make_unique<TVXDocumentController>();
    delegate = std::make_unique<TVXAppDelegate>(documents.get());
    delegate->applicationWillFinishLaunching({ "Penwick", "--x", "clean" });
    EXPECT_FALSE(defaults.hasValue(Prefs::ENABLE_AUTO_SYNC));
    EXPECT_FALSE(defaults.hasValue(Prefs::SESSION_RESTORE_DOCS));
    EXPECT_TRUE(defaults.boolForKey(Prefs::ENABLE_AUTO_SYNC)) << "the bundled default applies again";
}

TEST_F(Application, PreReleaseUpdatesSwitchFeedAndIntervalAndCheckAtOnce)
{
    launch(false, true);
    EXPECT_EQ(delegate->updateFeed().feedURL(), UpdateFeed::releaseFeedURL());
    EXPECT_EQ(delegate->updateFeed().updateCheckInterval(), 86400.0);
    EXPECT_EQ(delegate->updateFeed().backgroundChecks(), 0);

    platform::UserDefaults::standard().setValue(UpdateFeed::GET_ALPHA_UPDATES, true);
    EXPECT_EQ(delegate->updateFeed().feedURL(), UpdateFeed::preReleaseFeedURL());
    EXPECT_EQ(delegate->updateFeed().updateCheckInterval(), 3600.0);
    EXPECT_EQ(delegate->updateFeed().backgroundChecks(), 1);

    delegate->applicationWillTerminate();
    platform::UserDefaults::standard().setValue(UpdateFeed::GET_ALPHA_UPDATES, false);
    EXPECT_EQ(delegate->updateFeed().backgroundChecks(), 1) << "no longer observed after termination";
}

TEST_F(Application, TheSessionIsRestoredIntoTheFirstWindowThatBecomesMainOnly)
{
    launch(false, true);
    openFile("a.md");
    documents->setOpenInNewWindowRequested(true);
    openFile("b.md");
    ASSERT_EQ(delegate->windowControllers().size(), 2);
    EXPECT_TRUE(delegate->shouldRestoreDocuments());
    activate(delegate->windowControllers().at(1));
    EXPECT_TRUE(delegate->documentsRestoredForThisSession());
    EXPECT_FALSE(delegate->shouldRestoreDocuments());
}

// A window manager may keep the focus elsewhere, and without one the focus asked for at launch
// is lost when the window's native window is made anew: the session still comes back into the
// window that showed. (Here the window hears nothing of its activation.)
TEST_F(Application, TheSessionIsRestoredIntoTheLaunchWindowThatNeverBecomesActive)
{
    struct NoActivation : QObject {
        bool eventFilter(QObject*, QEvent* event) override
        {
            return event->type() == QEvent::ActivationChange;
        }
    } noActivation;
    writeFile(dir + "/old.md");
    launch(true, true);
    delegate->setWindowFactory([&noActivation] {
        auto* controller = new TVXDocumentWindowController;
        controller->window()->installEventFilter(&noActivation);
        return controller;
    });
    documents->openUntitledDocumentAndDisplay(true);
    ASSERT_EQ(delegate->windowControllers().size(), 1);
    ASSERT_TRUE(delegate->windowControllers().first()->window()->isVisible());
    EXPECT_TRUE(test::waitUntil([&] { return delegate->documentsRestoredForThisSession(); }));
    delegate.reset(); // before the filter goes
}

TEST_F(Application, AClosedWindowDisposesItsDocumentsAndLeavesTheRegistry)
{
    launch(false, true);
    TVXDocument* a = openFile("a.md");
    ASSERT_NE(a, nullptr);
    QPointer<TVXDocumentWindowController> window = delegate->windowControllers().first();
    window->showWindow();
    ASSERT_TRUE(window->window()->close());
    EXPECT_TRUE(delegate->windowControllers().isEmpty());
    EXPECT_TRUE(documents->documents().isEmpty());
    EXPECT_EQ(delegate->mainWindowController(), nullptr);
    delegate->saveSession(); // no window: nothing to save, nothing breaks
    EXPECT_TRUE(test::waitUntil([&] { return window.isNull(); })) << "the registry frees the controller";
}

TEST_F(Application, EachNewSnippetCommandShowsAFreshSnippetsWindowInPlaceOfTheLast)
{
    launch(false, false);
    EXPECT_EQ(delegate->snippetsWindowController(), nullptr);
    delegate->newSnippet();
    QPointer<SnippetsWindowController> first = delegate->snippetsWindowController();
    ASSERT_FALSE(first.isNull());
    EXPECT_TRUE(first->isVisible());
    delegate->newSnippet();
    EXPECT_TRUE(first.isNull()) << "the previous window is let go";
    ASSERT_NE(delegate->snippetsWindowController(), nullptr);
    EXPECT_TRUE(delegate->snippetsWindowController()->isVisible());
}
