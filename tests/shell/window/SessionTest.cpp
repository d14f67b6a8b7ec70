// The session through the real sidebar and settings: restored once into the first window that
// becomes main, rewritten by tab closes and by the last saving window; notes in tabs written
// on deactivation and when left, and reloaded when another process changes them.
#include "PlainEditorViewController.h"
#include "RecordingDialogs.h"

#include "Extensions/Realm.h"
#include "Models/ScratchDocument.h"
#include "Models/ShadowDocument.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/treelist/TreeListView.h"
#include "common/Prefs.h"
#include "shell/TVXDocumentController.h"
#include "shell/TVXDocumentWindowController.h"
#include "shell/WindowSidebar.h"
#include "sidebar/NoteSections.h"
#include "sidebar/SidebarManager.h"
#include "NoteWriterSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QMainWindow>
#include <QFile>
#include <QElapsedTimer>
#include <QProcess>

#include <gtest/gtest.h>

#include <memory>

using namespace penwick;
using platform::UserDefaults;

namespace {

QString write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
    return path;
}

QStringList storedDocuments()
{
    return UserDefaults::standard().stringArrayForKey(Prefs::SESSION_RESTORE_DOCS);
}

QString urlString(const QUrl& url)
{
    return url.toString(QUrl::FullyEncoded);
}

// What the application does for a window: routing, the once-per-launch guard.
struct Application : DocumentWindowControllerDelegate {
    void documentWindowControllerWillClose(TVXDocumentWindowController*) override {}
    void documentDidMoveFrom(TVXDocument*, TVXDocumentWindowController*, TVXDocumentWindowController*) override {}
    void didCloseTabItemForWindowController(TVXDocumentWindowController*) override {}
    void handleDragAndDropPaths(const QStringList&, TVXDocumentWindowController*) override {}
    platform::TabView* handleTabTearOff(platform::TabView*, TVXDocument*, QPoint) override { return nullptr; }
    bool shouldRestoreDocuments() override { return !restored; }
    void didRestoredDocuments() override { restored = true; }
    bool restored = false;
};

// One window with its own sidebar, as the application makes it.
struct Window {
    explicit Window(TVXDocumentController* documents, Application* application)
        : manager(&list, documents)
    {
        manager.awakeFromNib();
        controller.setSidebarManager(&sidebar);
        controller.setDelegate(application);
    }
    TreeListView list;
    SidebarManager manager;
    WindowSidebar sidebar { &manager };
    TVXDocumentWindowController controller;
};

class Session : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(RealmSetup::setupInFolder(databaseFolder));
        UserDefaults::standard().removeObject(Prefs::SESSION_RESTORE_DOCS);
        UserDefaults::standard().removeObject(Prefs::SESSION_RESTORE_FOLDERS);
        routing = platform::NotificationCenter::defaultCenter().observe(TVXDocument::DocumentNeedWindowNotification, nullptr,
            [this](const platform::Notification& n) {
                if (target)
                    target->controller.addDocument(static_cast<TVXDocument*>(const_cast<void*>(n.object)));
            });
    }
    void TearDown() override
    {
        routing.reset();
        windows.clear();
        RealmSetup::close();
    }

    Window& newWindow()
    {
        windows.push_back(std::make_unique<Window>(&documents, &application));
        target = windows.back().get();
        return *target;
    }
    QString file(const QString& name) { return write(folder + QLatin1Char('/') + name, "# " + name.toUtf8() + "\n"); }
    QStringList tabNames(Window& window)
    {
        QStringList names;
        for (TVXDocument* d : window.controller.documentsInTabOrder())
            names << d->displayName();
        return names;
    }
    ShadowDocument storeShadow(const QString& id, const QString& content)
    {
        ShadowDocument note;
        note.setId(id);
        note.setTitle(id);
        note.setContent(content);
        note.setUpdatedDate(QDateTime(QDate(2024, 1, 1), QTime(9, 0), Qt::UTC));
        EXPECT_FALSE(Realm::write([&](RealmTransaction& tx) { tx.add(note); }));
        return note;
    }

    QString folder = test::temporaryFolder();
    QString databaseFolder = test::temporaryFolder();
    test::PlainEditorFactoryScope factory;
    test::RecordingDialogs dialogs;
    TVXDocumentController documents;
    Application application;
    std::vector<std::unique_ptr<Window>> windows;
    Window* target = nullptr;
    platform::Observation routing;
};

} // namespace

TEST_F(Session, TheFirstWindowToBecomeMainRestoresOnceAndTheStoredListOutlivesTheRead)
{
    const QStringList stored { urlString(QUrl::fromLocalFile(file("one.md"))), urlString(QUrl::fromLocalFile(file("two.md"))) };
    UserDefaults::standard().setValue(Prefs::SESSION_RESTORE_DOCS, stored);

    Window& first = newWindow();
    bool restoringSeen = false;
    auto watch = platform::NotificationCenter::defaultCenter().observe(TVXDocument::DocumentNeedWindowNotification, nullptr,
        [&](const platform::Notification&) { restoringSeen = first.controller.documentsRestoringStarted(); });
    first.controller.windowDidBecomeMain();
    EXPECT_EQ(tabNames(first), (QStringList { "one.md", "two.md" }));
    EXPECT_TRUE(restoringSeen);
    EXPECT_FALSE(first.controller.documentsRestoringStarted());
    EXPECT_TRUE(application.restored);
    EXPECT_EQ(storedDocuments(), stored); // read, and still there for a crash before the next save

    Window& second = newWindow();
    second.controller.windowDidBecomeMain();
    first.controller.windowDidBecomeMain();
    EXPECT_TRUE(tabNames(second).isEmpty());
    EXPECT_EQ(tabNames(first).size(), 2);

    // Reading it again, as a new launch after a crash would, gives the same documents.
    EXPECT_EQ(storedDocuments(), stored);
}

TEST_F(Session, AFileOpenedAtLaunchJoinsTheStoredSessionInsteadOfReplacingIt)
{
    const QStringList stored { urlString(QUrl::fromLocalFile(file("t.md"))), urlString(QUrl::fromLocalFile(file("s.md"))) };
    UserDefaults::standard().setValue(Prefs::SESSION_RESTORE_DOCS, stored);

    // The launch file reaches the window before the window becomes main.
    Window& window = newWindow();
    const QString launched = file("c.md");
    documents.openDocumentWithContentsOfURL(QUrl::fromLocalFile(launched), true, TVXDocumentController::Completion());
    EXPECT_EQ(tabNames(window), QStringList { "c.md" });
    EXPECT_EQ(storedDocuments(), stored) << "nothing stored over the session before it is back";

    window.controller.windowDidBecomeMain();
    EXPECT_EQ(tabNames(window), (QStringList { "c.md", "t.md", "s.md" }));
    EXPECT_EQ(window.controller.document()->displayName(), QStringLiteral("c.md")) << "the launch file stays in front";
    EXPECT_EQ(storedDocuments(), (QStringList { urlString(QUrl::fromLocalFile(launched)) } + stored));
}

TEST_F(Session, TabClosesRewriteTheListAndTheLastSavingWindowWins)
{
    Window& main = newWindow();
    TVXDocument* a = nullptr;
    documents.openDocumentWithContentsOfURL(QUrl::fromLocalFile(file("a.md")), true, TVXDocumentController::Completion());
    documents.openDocumentWithContentsOfURL(QUrl::fromLocalFile(file("b.md")), true, TVXDocumentController::Completion());
    a = main.controller.documentsInTabOrder().first();
    Window& second = newWindow();
    documents.openDocumentWithContentsOfURL(QUrl::fromLocalFile(file("c.md")), true, TVXDocumentController::Completion());
    documents.openDocumentWithContentsOfURL(QUrl::fromLocalFile(file("d.md")), true, TVXDocumentController::Completion());
    EXPECT_EQ(storedDocuments().size(), 2); // the second window saved last

    // A tab close in the second window stores its remaining tab at once.
    second.controller.removeTabItem(second.controller.tabBarView()->tabViewItemAtIndex(0));
    EXPECT_EQ(storedDocuments(), QStringList { urlString(QUrl::fromLocalFile(folder + "/d.md")) });

    // Quitting stores the main window's tabs.
    main.controller.saveSession();
    EXPECT_EQ(storedDocuments(), (QStringList { urlString(a->fileURL()), urlString(QUrl::fromLocalFile(folder + "/b.md")) }));
    main.controller.removeTabItem(main.controller.findTabItemForDocument(a));
    EXPECT_EQ(storedDocuments(), QStringList { urlString(QUrl::fromLocalFile(folder + "/b.md")) });
}

TEST_F(Session, ClosingTheTabOfAnUntitledDocumentDeletesItsCopy)
{
    Window& window = newWindow();
    TVXDocument* untitled = documents.openUntitledDocumentAndDisplay(true);
    test::plainEditor(*untitled)->type(QStringLiteral("scrap"));
    untitled->updateChangeCount(platform::DocumentChange::Done);
    documents.fireSaveTimer();
    const QString copy = untitled->tempFileURL().toLocalFile();
    ASSERT_TRUE(QFile::exists(copy));
    window.controller.saveSession();
    EXPECT_EQ(storedDocuments(), QStringList { urlString(QUrl::fromLocalFile(copy)) });

    dialogs.alertAnswers.push_back(2); // Don't Save
    EXPECT_TRUE(window.controller.removeTabItem(window.controller.tabBarView()->tabViewItemAtIndex(0)));
    EXPECT_FALSE(QFile::exists(copy));
    EXPECT_TRUE(storedDocuments().isEmpty());
}

TEST_F(Session, NotesOfTheSessionReopenAndAreWrittenOnDeactivationOnlyWhenEdited)
{
    const ShadowDocument edited = storeShadow(QStringLiteral("aa01"), QStringLiteral("shadow one"));
    const ShadowDocument untouched = storeShadow(QStringLiteral("aa02"), QStringLiteral("shadow two"));
    UserDefaults::standard().setValue(Prefs::SESSION_RESTORE_DOCS,
        QStringList { urlString(*edited.makePathURLAndTitle().first), urlString(*untouched.makePathURLAndTitle().first) });
    Window& window = newWindow();
    window.controller.windowDidBecomeMain();
    ASSERT_EQ(window.controller.documents().size(), 2);
    TVXDocument* first = window.controller.documentsInTabOrder().at(0);
    TVXDocument* second = window.controller.documentsInTabOrder().at(1);
    EXPECT_EQ(test::plainEditor(*first)->getEditorTextView()->string(), QStringLiteral("shadow one"));

    test::plainEditor(*first)->type(QStringLiteral("more "));
    first->updateChangeCount(platform::DocumentChange::Done);
    window.controller.appWillBecomeInactive();
    ASSERT_TRUE(test::waitForNotesWritten());
    const auto written = Realm::objectForPrimaryKey<ShadowDocument>(QStringLiteral("aa01"));
    const auto kept = Realm::objectForPrimaryKey<ShadowDocument>(QStringLiteral("aa02"));
    EXPECT_EQ(written->content(), QStringLiteral("more shadow one"));
    EXPECT_GT(written->updatedDate(), edited.updatedDate());
    EXPECT_EQ(kept->updatedDate(), untouched.updatedDate());
    EXPECT_FALSE(first->isDocumentEdited());
    EXPECT_EQ(test::plainEditor(*second)->getEditorTextView()->string(), QStringLiteral("shadow two"));
}

TEST_F(Session, ANoteIsWrittenWhenItsTabIsLeft)
{
    const ShadowDocument note = storeShadow(QStringLiteral("bb01"), QStringLiteral("note"));
    Window& window = newWindow();
    ASSERT_TRUE(ShadowDocumentsNavigator::openDocument(note));
    documents.openDocumentWithContentsOfURL(QUrl::fromLocalFile(file("other.md")), true, TVXDocumentController::Completion());
    TVXDocument* tab = window.controller.documentsInTabOrder().first();
    window.controller.switchToDocument(tab);
    test::plainEditor(*tab)->type(QStringLiteral("typed "));
    tab->updateChangeCount(platform::DocumentChange::Done);
    window.controller.gotoNextDoc();
    ASSERT_TRUE(test::waitForNotesWritten());
    EXPECT_EQ(Realm::objectForPrimaryKey<ShadowDocument>(QStringLiteral("bb01"))->content(), QStringLiteral("typed note"));
    // Asked to open again, the open tab is found instead of a second one.
    EXPECT_TRUE(ShadowDocumentsNavigator::openDocument(note));
    EXPECT_EQ(window.controller.documents().size(), 2);
}

TEST_F(Session, AnotherProcessWritingANoteReachesItsOpenTabWithinASecondAndLeavesTheOthersAlone)
{
    const auto store = [](const QString& title, const QString& content) {
        ScratchDocument note;
        note.setId(makeRecordId());
        note.setTitle(title);
        note.setContent(content);
        note.setUpdatedDate(QDateTime::currentDateTimeUtc().addSecs(-60));
        EXPECT_FALSE(Realm::write([&](RealmTransaction& tx) { tx.add(note); }));
        return note;
    };
    const ScratchDocument note = store(QStringLiteral("Shared"), QStringLiteral("before"));
    const ScratchDocument other = store(QStringLiteral("Mine"), QStringLiteral("mine"));
    Window& window = newWindow();
    ASSERT_TRUE(ScratchDocumentsNavigator::openDocument(note));
    ASSERT_TRUE(ScratchDocumentsNavigator::openDocument(other));
    ASSERT_TRUE(window.controller.isSubscribedToRealmNotification());
    ASSERT_EQ(window.controller.documents().size(), 2);
    TVXDocument* tab = window.controller.documentsInTabOrder().at(0);
    TVXDocument* untouched = window.controller.documentsInTabOrder().at(1);
    ASSERT_EQ(test::plainEditor(*tab)->getEditorTextView()->string(), QStringLiteral("before"));
    // The other tab holds typing not yet saved: a reload of it would lose that.
    test::plainEditor(*untouched)->type(QStringLiteral("typed "));
    untouched->updateChangeCount(platform::DocumentChange::Done);
    platform::TextView* untouchedView = test::plainEditor(*untouched)->getEditorTextView();
    ASSERT_TRUE(untouchedView->undoManager()->canUndo());

    QProcess helper;
    helper.start(QStringLiteral(PENWICK_DATABASE_HELPER), { QStringLiteral("update-scratch"), databaseFolder, note.id(), QStringLiteral("from the companion") });
    ASSERT_TRUE(helper.waitForFinished(30000));
    ASSERT_EQ(helper.exitCode(), 0) << helper.readAllStandardOutput().constData();
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(test::waitUntil([&] { return test::plainEditor(*tab)->getEditorTextView()->string() == QStringLiteral("from the companion"); }, 1000));
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_FALSE(tab->isDocumentEdited());

    EXPECT_EQ(untouchedView->string(), QStringLiteral("typed mine"));
    EXPECT_TRUE(untouched->isDocumentEdited());
    EXPECT_TRUE(untouchedView->undoManager()->canUndo()) << "its undo history is kept";
    EXPECT_EQ(Realm::objectForPrimaryKey<ScratchDocument>(other.id())->content(), QStringLiteral("mine"));
}
