// Remembered expansion of folder rows and of the "FOLDERS" row.
#include "../folders_section/FoldersFixture.h"

using namespace penwick;
using namespace penwick::test;

namespace {

QVariantMap stored()
{
    return platform::UserDefaults::standard().dictionaryForKey(Prefs::OUTLINE_EXPANDED_ITEMS);
}

TEST_F(FoldersSection, TheFirstExpansionStoresTheFolderUnderItsRootOnce)
{
    const FolderItemPtr top = addRoot();
    list.expandItem(row(root + "/docs"));
    EXPECT_EQ(stored(), (QVariantMap { { root, QStringList { root, root + "/docs" } } }));
    list.collapseItem(row(root + "/docs"));
    list.expandItem(row(root + "/docs"));
    EXPECT_EQ(stored().value(root).toStringList(), (QStringList { root, root + "/docs" }));

    list.collapseItem(row(root + "/docs"));
    EXPECT_EQ(stored().value(root).toStringList(), QStringList { root });

    // Collapsing a folder that is not stored writes nothing.
    platform::UserDefaults::standard().setValue(Prefs::OUTLINE_EXPANDED_ITEMS, QVariantMap { { root, QStringList {} } });
    section->removeExpandedItem(row(root + "/zeta"));
    EXPECT_EQ(stored().value(root).toStringList(), QStringList {});
    Q_UNUSED(top);
}

TEST_F(FoldersSection, ACollapsedParentWithAnExpandedChildComesBackSo)
{
    addRoot();
    list.expandItem(row(root + "/docs"));
    list.expandItem(row(root + "/docs/sub"));
    list.collapseItem(row(root + "/docs"));
    platform::UserDefaults::standard().setValue(Prefs::SESSION_RESTORE_FOLDERS, QStringList { root });

    TreeListView otherList;
    otherList.resize(300, 400);
    SourceListController otherController(&otherList);
    FoldersNavigator other(&otherList, nullptr, &host);
    otherController.addOutlineItem(&other);
    ASSERT_TRUE(other.restoreFolders());
    const FolderItemPtr top = other.rootFolders().at(0);
    const FolderItemPtr docs = top->findChildAtPath(root + "/docs");
    ASSERT_TRUE(docs);
    const FolderItemPtr sub = docs->findChildAtPath(root + "/docs/sub");
    ASSERT_TRUE(sub);
    EXPECT_FALSE(otherList.isItemExpanded(docs));
    EXPECT_TRUE(otherList.isItemExpanded(sub));
    EXPECT_TRUE(host.opened.isEmpty());
}

TEST_F(FoldersSection, ARowTheWatcherInsertedIsRemembered)
{
    const FolderItemPtr top = addRoot();
    makeFolder(root + "/later");
    section->handleFolderChangeAtPath(root + "/later", top);
    list.expandItem(row(root + "/later"));
    EXPECT_TRUE(stored().value(root).toStringList().contains(root + "/later"));
}

TEST_F(FoldersSection, CollapsingFoldersStoresTrueAndTheNextSectionStartsCollapsed)
{
    list.collapseItem(section->rootItem());
    EXPECT_TRUE(platform::UserDefaults::standard().boolForKey(Prefs::OUTLINE_COLLAPSE_FOLDER));
    EXPECT_FALSE(section->isRootExpanded());
    list.expandItem(section->rootItem());
    EXPECT_FALSE(platform::UserDefaults::standard().boolForKey(Prefs::OUTLINE_COLLAPSE_FOLDER));
}

TEST_F(FoldersSection, AReAddedRootGetsItsFoldersBackAndAGonePathIsSkipped)
{
    const FolderItemPtr first = addRoot();
    list.expandItem(row(root + "/docs"));
    list.expandItem(row(root + "/zeta"));
    section->removeRootFolderItem(first);
    QDir(root + "/zeta").removeRecursively();
    const FolderItemPtr again = addRoot();
    section->restoreExpandedItemsOfRoot(again);
    EXPECT_TRUE(list.isItemExpanded(row(root + "/docs")));
    EXPECT_FALSE(row(root + "/zeta"));
    EXPECT_TRUE(host.opened.isEmpty());
}

} // namespace

namespace {

TEST_F(FoldersSection, RememberedFoldersOpenEvenUnderARootThatStartsCollapsed)
{
    // Only the inner folder is remembered: the search must open "docs" to get through.
    platform::UserDefaults::standard().setValue(Prefs::OUTLINE_EXPANDED_ITEMS, QVariantMap { { root, QStringList { root + "/docs/sub" } } });
    platform::UserDefaults::standard().setValue(Prefs::SESSION_RESTORE_FOLDERS, QStringList { root });
    platform::UserDefaults::standard().setValue(Prefs::AUTO_EXPAND_FOLDER, false);

    TreeListView otherList;
    SourceListController otherController(&otherList);
    FoldersNavigator other(&otherList, nullptr, &host);
    otherController.addOutlineItem(&other);
    ASSERT_TRUE(other.restoreFolders());
    const FolderItemPtr top = other.rootFolders().at(0);
    const FolderItemPtr docs = top->findChildAtPath(root + "/docs");
    ASSERT_TRUE(docs);
    const FolderItemPtr sub = docs->findChildAtPath(root + "/docs/sub");
    ASSERT_TRUE(sub);
    EXPECT_TRUE(otherList.isItemExpanded(sub));
    EXPECT_FALSE(otherList.isItemExpanded(docs)); // opened only to get through
}

} // namespace
