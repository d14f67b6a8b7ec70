// Keeping the folder tree in step with the disk, revealing paths, the context menu.
#include "FoldersFixture.h"
#include "PrivateBus.h"
#include "preferences/TVXNavigatorPreferencesViewController.h"
#include "sidebar/FileWatcher.h"
#include "sidebar/TVXNavigatorPreferencesFactory.h"

#include <QCheckBox>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QLineEdit>

using namespace penwick;
using namespace penwick::test;

namespace {

class TreeMaintenance : public FoldersSection {
protected:
    void SetUp() override
    {
        FoldersSection::SetUp();
        top = addRoot();
        posted = 0;
        observation = platform::NotificationCenter::defaultCenter().observe(Notifications::FOLDER_WATCH, section.get(),
            [this](const platform::Notification& n) {
                ++posted;
                payloads << n.userInfo.value(Notifications::FOLDER_WATCH_PAYLOAD).toString();
            });
    }
    FolderItemPtr top;
    int posted = 0;
    QStringList payloads;
    platform::Observation observation;
};

TEST_F(TreeMaintenance, InjectedChangesFollowTheDisk)
{
    struct Case {
        const char* name;
        std::function<void()> onDisk;
        QStringList paths; // reported, relative to the root
        QStringList rootChildren;
    };
    const Case cases[] = {
        { "a created file appends one row", [&] { makeFile(root + "/new.md"); }, { "new.md" }, { "docs", "zeta", "notes.md", "new.md" } },
        { "a modified file changes nothing", [&] { makeFile(root + "/new.md", "more"); }, { "new.md" }, { "docs", "zeta", "notes.md", "new.md" } },
        { "a deleted file drops its row", [&] { QFile::remove(root + "/new.md"); }, { "new.md" }, { "docs", "zeta", "notes.md" } },
        { "a rename removes one and inserts one", [&] { QFile::rename(root + "/notes.md", root + "/moved.md"); },
            { "notes.md", "moved.md" }, { "docs", "zeta", "moved.md" } },
        { "a hidden name is not inserted", [&] { makeFile(root + "/.secret"); }, { ".secret" }, { "docs", "zeta", "moved.md" } },
        { "a change under an unread folder does nothing", [&] { makeFile(root + "/docs/later.md"); }, { "docs/later.md" },
            { "docs", "zeta", "moved.md" } },
        { "a .DS_Store does nothing", [&] { makeFile(root + "/.DS_Store"); }, { ".DS_Store" }, { "docs", "zeta", "moved.md" } },
    };
    int expectedPosts = 0;
    for (const Case& c : cases) {
        c.onDisk();
        for (const QString& path : c.paths) {
            section->handleFolderChangeAtPath(root + "/" + path, top);
            expectedPosts += path.endsWith(".DS_Store") ? 0 : 1;
        }
        EXPECT_EQ(childTitles(top), c.rootChildren) << c.name;
        EXPECT_EQ(posted, expectedPosts) << c.name;
    }
    EXPECT_EQ(payloads.first(), root);

    // The unread folder lists the new file once when it is first opened.
    const FolderItemPtr docs = row(root + "/docs");
    list.expandItem(docs);
    EXPECT_EQ(childTitles(docs), (QStringList { "sub", "a.md", "later.md" }));
    section->handleFolderChangeAtPath(root + "/docs/later.md", top);
    EXPECT_EQ(childTitles(docs).count("later.md"), 1);
}

TEST_F(TreeMaintenance, ATouchedRootStaysAndADeletedRootGoesWithItsWatcher)
{
    ASSERT_EQ(section->fileWatchers().size(), 1u);
    section->handleFolderChangeAtPath(root, top);
    EXPECT_EQ(section->rootFolders().size(), 1u);

    QDir(root).removeRecursively();
    section->handleFolderChangeAtPath(root, top);
    EXPECT_TRUE(section->rootFolders().empty());
    EXPECT_TRUE(section->fileWatchers().empty());
    EXPECT_TRUE(section->rootFolderPaths().isEmpty());
}

TEST_F(TreeMaintenance, SiblingFoldersWhoseNamesShareAPrefixEachGetTheirChanges)
{
    makeFolder(root + "/b");
    makeFolder(root + "/bc");
    section->handleFolderChangeAtPath(root + "/b", top);
    section->handleFolderChangeAtPath(root + "/bc", top);
    list.expandItem(row(root + "/b"));
    list.expandItem(row(root + "/bc"));
    makeFile(root + "/bc/x.md");
    makeFile(root + "/b/y.md");
    section->handleFolderChangeAtPath(root + "/bc/x.md", top);
    section->handleFolderChangeAtPath(root + "/b/y.md", top);
    EXPECT_EQ(childTitles(row(root + "/bc")), QStringList { "x.md" });
    EXPECT_EQ(childTitles(row(root + "/b")), QStringList { "y.md" });
    EXPECT_FALSE(section->findItemAtPath(root + "/bc/x.md", row(root + "/b")));
}

TEST_F(TreeMaintenance, TheRealWatcherAppliesABatchAndPostsOncePerRoot)
{
    ASSERT_TRUE(waitUntil([&] { return section->fileWatchers().front()->isReady(); }));
    for (int i = 0; i < 20; ++i)
        makeFile(root + QString("/burst-%1.md").arg(i));
    ASSERT_TRUE(waitUntil([&] { return top->numberOfChildren() == 23; }));
    EXPECT_TRUE(waitUntil([&] { return posted >= 1; }));
    EXPECT_LE(posted, 2); // one per batch, and twenty changes fit in one or two batches
    EXPECT_EQ(list.updateDepth(), 0);
    EXPECT_EQ(list.rowForItem(row(root + "/burst-19.md")), list.numberOfRows() - 1);

    QDir(root).removeRecursively();
    EXPECT_TRUE(waitUntil([&] { return section->rootFolders().empty(); }));
    EXPECT_EQ(list.updateDepth(), 0);
}

TEST_F(TreeMaintenance, AFolderAlreadyARootIsNotAddedTwiceAndIsSelected)
{
    EXPECT_FALSE(section->openFolderInternally(root, true));
    EXPECT_EQ(section->rootFolders().size(), 1u);
    EXPECT_EQ(list.selectedRowIndexes(), QList<int> { list.rowForItem(top) });
    EXPECT_FALSE(section->openFolderInternally(std::nullopt, true));

    platform::UserDefaults::standard().setValue(Prefs::AUTO_EXPAND_FOLDER, false);
    const FolderItemPtr second = section->openFolderInternally(base, false);
    ASSERT_TRUE(second);
    EXPECT_FALSE(list.isItemExpanded(second));
    EXPECT_EQ(section->rootFolderPaths(), (QStringList { root, base }));
}

TEST_F(TreeMaintenance, TheMenuDependsOnTheKindOfRow)
{
    auto titles = [&](const FolderItemPtr& item) {
        QStringList out;
        const std::unique_ptr<QMenu> menu = section->menuItemForItem(item);
        for (QAction* action : menu->actions())
            out << (action->isSeparator() ? QStringLiteral("-") : action->text());
        return out;
    };
    const QStringList folderMenu { "Open", "Open in New Window...", "-", "Add to Favorites", "Show in File Manager", "-",
        "New File...", "New Folder...", "Rename", "-", "Delete...", "-", "Collapse All", "-", "Set as Base Folder" };
    QStringList rootMenu = folderMenu;
    rootMenu.insert(rootMenu.indexOf("Delete..."), "Remove from Sidebar");
    EXPECT_EQ(titles(top), rootMenu);
    EXPECT_EQ(titles(row(root + "/docs")), folderMenu);
    EXPECT_EQ(titles(row(root + "/notes.md")),
        (QStringList { "Open", "-", "Add to Favorites", "Show in File Manager", "Rename", "-", "Delete..." }));
    EXPECT_EQ(section->menuItemForItem(section->rootItem()), nullptr);
}

TEST_F(TreeMaintenance, OpenOnASubfolderAddsItAsTheLastRootAndOnARootSelectsIt)
{
    auto trigger = [&](const FolderItemPtr& item, const QString& title) {
        const std::unique_ptr<QMenu> menu = section->menuItemForItem(item);
        for (QAction* action : menu->actions()) {
            if (action->text() == title) {
                action->trigger();
                return;
            }
        }
        ADD_FAILURE() << "no " << title.toStdString();
    };
    list.selectRowIndexes({ 0 }, false);
    trigger(row(root + "/docs"), "Open");
    EXPECT_EQ(section->rootFolderPaths(), (QStringList { root, root + "/docs" }));
    EXPECT_EQ(list.selectedRowIndexes(), QList<int> { 0 });
    trigger(top, "Open");
    EXPECT_EQ(list.selectedRowIndexes(), QList<int> { list.rowForItem(top) });

    trigger(row(root + "/notes.md"), "Add to Favorites");
    EXPECT_EQ(favorites.paths, QStringList { root + "/notes.md" });
    trigger(row(root + "/notes.md"), "Open");
    EXPECT_EQ(host.documentFor(root + "/notes.md")->quickOpen, false);
    trigger(top, "Remove from Sidebar");
    EXPECT_EQ(section->rootFolderPaths(), QStringList { root + "/docs" });
}

TEST_F(TreeMaintenance, RevealingAPathOpensTheFileAndClosesWhatTheSearchOpened)
{
    const FolderItemPtr found = section->selectItemWithPath(root + "/docs/sub/b.md");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->fullPath(), root + "/docs/sub/b.md");
    EXPECT_EQ(host.opened, QList<QUrl> { QUrl::fromLocalFile(root + "/docs/sub/b.md") });
    EXPECT_EQ(host.documentFor(root + "/docs/sub/b.md")->fileSystemItem(), found);
    EXPECT_FALSE(list.isItemExpanded(row(root + "/docs")));
    EXPECT_FALSE(list.isItemExpanded(row(root + "/docs/sub")));

    EXPECT_FALSE(section->selectItemWithPath(base + "/elsewhere.md"));
    EXPECT_FALSE(section->selectItemWithPath(root + "2/x.md"));
    EXPECT_EQ(host.opened.size(), 1);
}

TEST_F(TreeMaintenance, NewFolderShowsAtOnceAndNewFileOnceItsDocumentOpened)
{
    const FolderItemPtr docs = row(root + "/docs");
    list.expandItem(docs);
    section->setNewItemDialog([](const QString& type, const QString& folder) -> std::optional<QString> {
        const QString path = folder + (type == "folder" ? "/made" : "/notes/today.md");
        if (type == "folder")
            makeFolder(path);
        else
            makeFile(path);
        return path;
    });
    section->newFolder(docs);
    EXPECT_EQ(childTitles(docs), (QStringList { "sub", "a.md", "made" }));

    host.completeAtOnce = false;
    section->newFile(docs);
    EXPECT_EQ(childTitles(docs).size(), 3);
    ASSERT_TRUE(host.completeNext());
    EXPECT_EQ(childTitles(docs), (QStringList { "sub", "a.md", "made", "notes" }));
    EXPECT_TRUE(row(root + "/docs/notes")->isDirectory());
    EXPECT_EQ(host.documentFor(root + "/docs/notes/today.md")->saveLocation, QUrl::fromLocalFile(root + "/docs/"));

    section->setNewItemDialog([](const QString&, const QString&) { return std::nullopt; });
    section->newFolder(docs);
    EXPECT_EQ(childTitles(docs).size(), 4);
}

// Answers ShowItems on the private bus as a desktop file manager would.
class FakeFileManager : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return QString(); }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.member() != QLatin1String("ShowItems"))
            return false;
        shown << message.arguments().value(0).toStringList();
        connection.send(message.createReply());
        return true;
    }
    QStringList shown;
};

TEST_F(TreeMaintenance, ShowInFileManagerAsksTheFileManagerOnTheBus)
{
    PrivateBus bus;
    if (!bus.isRunning())
        GTEST_SKIP() << "dbus-daemon could not be started";
    FakeFileManager fake;
    QDBusConnection service = bus.connect(QStringLiteral("file-manager"));
    ASSERT_TRUE(service.registerVirtualObject(QStringLiteral("/org/freedesktop/FileManager1"), &fake));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    section->setFileManagerBus(bus.connect(QStringLiteral("client")));
    section->showInFinder(row(root + "/notes.md"));
    ASSERT_TRUE(waitUntil([&] { return !fake.shown.isEmpty(); }));
    EXPECT_EQ(fake.shown, QStringList { QUrl::fromLocalFile(root + "/notes.md").toString() });
}

TEST_F(TreeMaintenance, SetAsBaseFolderFilesTheFolderUnderTheRootItLiesIn)
{
    makeFolder(base + "/Notes");
    makeFolder(base + "/Notes2/inner");
    section->openFolderInternally(base + "/Notes", false);
    const FolderItemPtr second = section->openFolderInternally(base + "/Notes2", false);
    const FolderItemPtr inner = second->findChildAtPath(base + "/Notes2/inner");
    ASSERT_TRUE(inner);
    section->setAsBaseFolder(second);
    section->setAsBaseFolder(inner);
    const QVariantMap map = platform::UserDefaults::standard().dictionaryForKey(Notifications::BASE_URL_MAP);
    EXPECT_EQ(map, (QVariantMap { { base + "/Notes2", base + "/Notes2/inner" } }));
}

} // namespace

TEST_F(TreeMaintenance, IgnoreRulesAppliedInTheNavigatorPaneReachTheOpenTree)
{
    const auto resetRules = [] {
        platform::UserDefaults::standard().removeObject(TVXNavigatorPreferencesFactory::IGNORED_FILES_AND_FOLDERS);
        platform::UserDefaults::standard().removeObject(TVXNavigatorPreferencesFactory::SHOULD_IGNORE_HIDDEN);
    };
    resetRules();
    makeFile(root + "/build.log");
    makeFile(root + "/.hidden.md");
    makeFile(root + "/docs/c.log");
    section->removeRootFolderItem(top);
    top = addRoot();
    const FolderItemPtr docs = row(root + "/docs");
    ASSERT_TRUE(docs);
    list.expandItem(top);
    list.expandItem(docs);
    ASSERT_EQ(childTitles(top), (QStringList { "docs", "zeta", "build.log", "notes.md" }));
    ASSERT_EQ(childTitles(docs), (QStringList { "sub", "a.md", "c.log" }));

    TVXNavigatorPreferencesViewController pane;
    struct Case {
        const char* what;
        QString ignore;
        bool hideHidden;
        QStringList rootChildren;
        QStringList docsChildren;
    };
    const Case cases[] = {
        { "patterns hide files and folders", "*.log, zeta", true, { "docs", "notes.md" }, { "sub", "a.md" } },
        { "hidden files shown", "*.log, zeta", false, { "docs", ".hidden.md", "notes.md" }, { "sub", "a.md" } },
        { "no patterns", "", false, { "docs", "zeta", ".hidden.md", "build.log", "notes.md" }, { "sub", "a.md", "c.log" } },
        { "hidden files hidden again", "", true, { "docs", "zeta", "build.log", "notes.md" }, { "sub", "a.md", "c.log" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        pane.ignoreTextField()->setText(c.ignore);
        if (pane.ignoreHiddenFilesCheckbox()->isChecked() != c.hideHidden)
            pane.ignoreHiddenFilesCheckbox()->click(); // applies both
        else
            pane.controlTextDidEndEditing(pane.ignoreTextField());
        EXPECT_TRUE(waitUntil([&] { return childTitles(top) == c.rootChildren; })) << childTitles(top).join(", ").toStdString();
        EXPECT_EQ(childTitles(docs), c.docsChildren);
        // The list shows what the rows hold.
        const QStringList visible = visibleTitles();
        for (const QString& name : { "zeta", ".hidden.md", "build.log", "c.log" })
            EXPECT_EQ(visible.contains(name), c.rootChildren.contains(name) || c.docsChildren.contains(name)) << name.toStdString();
        EXPECT_TRUE(visible.contains("a.md") && visible.contains("notes.md"));
    }
    resetRules();
}
