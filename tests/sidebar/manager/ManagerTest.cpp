// The sidebar manager hosted in a plain widget, driven as the window drives it.
#include "../folders_section/FoldersFixture.h"
#include "sidebar/NoteSections.h"
#include "sidebar/SidebarManager.h"

#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>

using namespace penwick;
using namespace penwick::test;

namespace {

class RecordingFavoritesSection : public FavoritesNavigator {
public:
    using FavoritesNavigator::FavoritesNavigator;
    QStringList added;
    void addPathToFavorites(const QString& path) override { added << path; }
};

// The real sections, with a favourites section that writes down what it is given.
class TestManager : public SidebarManager {
public:
    using SidebarManager::SidebarManager;
    RecordingFavoritesSection* favorites = nullptr;

protected:
    Sections buildSections(TreeListView* list, SidebarDocumentHost* host) override
    {
        Sections sections = SidebarManager::buildSections(list, host);
        auto recording = std::make_unique<RecordingFavoritesSection>(list);
        favorites = recording.get();
        sections.favorites = std::move(recording);
        sections.folders = std::make_unique<FoldersNavigator>(list, favorites, host);
        sections.scratch = std::make_unique<ScratchDocumentsNavigator>(list, favorites);
        sections.shadow = std::make_unique<ShadowDocumentsNavigator>(list, favorites);
        sections.folders->setWatchLatency(0.02);
        return sections;
    }
};

class Manager : public ::testing::Test {
protected:
    void SetUp() override
    {
        FoldersSection::resetSettings();
        base = temporaryFolder();
        root = base + "/root";
        makeFile(root + "/docs/a.md", "a");
        makeFile(root + "/docs/sub/b.md", "b");
        makeFile(root + "/docs/sub/c.md", "c");
        makeFile(root + "/notes.md", "n");
        makeFolder(root + "/zeta");
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        list = new TreeListView(&window);
        layout->addWidget(list);
        window.resize(260, 420);
        list->setMenuPresenter([](QMenu&, const QPoint&) {});
    }
    void TearDown() override { FoldersSection::resetSettings(); }

    std::unique_ptr<TestManager> awake()
    {
        auto manager = std::make_unique<TestManager>(list, &host);
        manager->awakeFromNib();
        window.show();
        return manager;
    }

    QStringList rows() const
    {
        QStringList titles;
        for (int r = 0; r < list->numberOfRows(); ++r)
            titles << list->itemAtRow(r)->title();
        return titles;
    }

    FolderItemPtr rowOf(TestManager& manager, const QString& path)
    {
        for (const FolderItemPtr& top : manager.foldersNavigator()->rootFolders()) {
            if (top->fullPath() == path)
                return top;
            if (FolderItemPtr found = manager.foldersNavigator()->findItemAtPath(path, top))
                return found;
        }
        return nullptr;
    }

    QString base;
    QString root;
    QWidget window;
    TreeListView* list = nullptr;
    RecordingHost host;
};

TEST_F(Manager, AfterSetUpTheFourSectionsShowWithTheStoredRootsUnderFolders)
{
    platform::UserDefaults::standard().setValue(Prefs::SESSION_RESTORE_FOLDERS, QStringList { root });
    platform::UserDefaults::standard().setValue(Prefs::AUTO_EXPAND_FOLDER, false);
    auto manager = awake();
    EXPECT_EQ(rows(), (QStringList { "FAVORITES", "FOLDERS", "root", "SCRATCH NOTES", "SHADOW NOTES" }));
    EXPECT_EQ(manager->rootFolderPaths(), QStringList { root });
}

TEST_F(Manager, AddingARootStoresTheFoldersAtOnceAndFocusingStoresNothing)
{
    auto manager = awake();
    manager->addAsARootFolder(root);
    EXPECT_EQ(platform::UserDefaults::standard().stringArrayForKey(Prefs::SESSION_RESTORE_FOLDERS), QStringList { root });
    manager->focusRootFolder(base + "/root/docs");
    EXPECT_EQ(manager->rootFolderPaths(), (QStringList { root, root + "/docs" }));
    EXPECT_EQ(platform::UserDefaults::standard().stringArrayForKey(Prefs::SESSION_RESTORE_FOLDERS), QStringList { root });
}

TEST_F(Manager, RevealingAFileInACollapsedFolderOpensTheChainSelectsAndScrolls)
{
    auto manager = awake();
    manager->addAsARootFolder(root);
    manager->foldersNavigator()->selectItemWithPath(root + "/docs/sub/b.md");
    RecordingDocument* document = host.documentFor(root + "/docs/sub/b.md");
    ASSERT_TRUE(document);
    const FolderItemPtr b = rowOf(*manager, root + "/docs/sub/b.md");
    ASSERT_FALSE(list->isItemExpanded(rowOf(*manager, root + "/docs")));

    manager->revealDocument(document);
    EXPECT_TRUE(list->isItemExpanded(rowOf(*manager, root + "/docs")));
    EXPECT_TRUE(list->isItemExpanded(rowOf(*manager, root + "/docs/sub")));
    EXPECT_EQ(list->selectedRowIndexes(), QList<int> { list->rowForItem(b) });

    RecordingDocument untitled(QUrl{});
    manager->revealDocument(&untitled);
    manager->addDocumentToFavorites(&untitled);
    EXPECT_EQ(list->selectedRowIndexes(), QList<int> { list->rowForItem(b) });
    EXPECT_TRUE(manager->favorites->added.isEmpty());
}

TEST_F(Manager, FavoritesGetANotesPseudoURLAndAFilesPath)
{
    auto manager = awake();
    RecordingDocument note(QUrl{});
    note.pseudo = QUrl(QStringLiteral("pwscratch://n1?title=Idea"));
    note.scratchRecord = true;
    RecordingDocument file(QUrl::fromLocalFile(root + "/notes.md"));
    manager->addDocumentToFavorites(&note);
    manager->addDocumentToFavorites(&file);
    EXPECT_EQ(manager->favorites->added, (QStringList { "pwscratch://n1?title=Idea", root + "/notes.md" }));
}

TEST_F(Manager, QuickOpenAndReloadFlagsComeFromTheSections)
{
    auto manager = awake();
    RecordingDocument any(QUrl::fromLocalFile(root + "/notes.md"));
    EXPECT_FALSE(manager->isQuickOpenDocument(&any));
    manager->scratchDocumentsNavigator()->setIsQuickOpenInProgress(true);
    EXPECT_TRUE(manager->isQuickOpenDocument(nullptr));
    manager->scratchDocumentsNavigator()->setIsQuickOpenInProgress(false);

    manager->turnOffNavigatorReload();
    EXPECT_FALSE(manager->foldersNavigator()->canReload());
    EXPECT_FALSE(manager->shadowDocumentsNavigator()->canReload());
    manager->turnOnNavigatorReload();
    for (SidebarNavigator* section : std::initializer_list<SidebarNavigator*> { manager->favoritesNavigator(),
             manager->foldersNavigator(), manager->scratchDocumentsNavigator(), manager->shadowDocumentsNavigator() })
        EXPECT_TRUE(section->canReload());
}

TEST_F(Manager, FocusFollowsTheListAndAnInPlaceEditTakesIt)
{
    auto manager = awake();
    manager->addAsARootFolder(root);
    EXPECT_FALSE(manager->isFocused());
    manager->focus();
    EXPECT_TRUE(manager->isFocused());
    list->editRow(list->rowForItem(rowOf(*manager, root + "/notes.md")));
    ASSERT_TRUE(list->isEditingRow());
    EXPECT_FALSE(manager->isFocused());
}

TEST_F(Manager, TheBaseFolderOfADocumentComesFromItsRoot)
{
    makeFolder(base + "/Notes/inner");
    makeFile(base + "/Notes/inner/page.md");
    makeFolder(base + "/Notes2/inner");
    auto manager = awake();
    manager->addAsARootFolder(base + "/Notes");
    manager->addAsARootFolder(base + "/Notes2");
    FoldersNavigator* folders = manager->foldersNavigator();
    folders->setAsBaseFolder(folders->rootFolders().at(1)->findChildAtPath(base + "/Notes2/inner"));
    EXPECT_EQ(platform::UserDefaults::standard().dictionaryForKey(Notifications::BASE_URL_MAP),
        (QVariantMap { { base + "/Notes2", base + "/Notes2/inner" } }));

    RecordingDocument page(QUrl::fromLocalFile(base + "/Notes/inner/page.md"));
    list->expandItem(rowOf(*manager, base + "/Notes/inner"));
    page.item = rowOf(*manager, base + "/Notes/inner/page.md");
    EXPECT_FALSE(manager->baseURLOfDocument(&page));
    folders->setAsBaseFolder(folders->rootFolders().at(0));
    EXPECT_EQ(manager->baseURLOfDocument(&page), QUrl::fromLocalFile(base + "/Notes"));
}

TEST_F(Manager, AfterARestoreTheSidebarShowsTheExpandedTree)
{
    {
        auto first = awake();
        first->addAsARootFolder(root);
        list->expandItem(rowOf(*first, root + "/docs"));
        list->expandItem(rowOf(*first, root + "/docs/sub"));
    }
    auto manager = awake();
    const QStringList expected { "FAVORITES", "FOLDERS", "root", "docs", "sub", "b.md", "c.md", "a.md", "zeta", "notes.md",
        "SCRATCH NOTES", "SHADOW NOTES" };
    EXPECT_EQ(rows(), expected);
    QApplication::processEvents();
    const QImage shot = window.grab().toImage();
    const QString path = QDir::currentPath() + "/sidebar-after-restore.png";
    EXPECT_TRUE(shot.save(path)) << path.toStdString();
    EXPECT_FALSE(shot.isNull());
}

} // namespace
