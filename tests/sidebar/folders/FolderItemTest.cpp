// The folder tree's rows: titles, paths, population, look-ups and ownership.
#include "FolderFixtures.h"
#include "sidebar/FolderNavigatorItem.h"

#include "../support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace penwick;

namespace {

FolderNavigatorItem::UrlsGenerator listing()
{
    return [](const QString& folder) {
        return *TVXFileSystemFilterService(std::nullopt, true).getFilteredContentsForDirectoryAtPath(folder);
    };
}

class FolderItem : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = test::temporaryFolder();
        test::makeFolder(folder + "/sub/deeper");
        for (const char* name : { "a.md", "b.md", "sub/c.md" })
            test::makeFile(folder + "/" + name);
    }
    QString folder;
};

TEST_F(FolderItem, TitleIsTheLastComponentAndIdentifierThePath)
{
    auto item = FolderNavigatorItem::create(QStringLiteral("/Users/a/Notes/"));
    EXPECT_EQ(item->title(), "Notes");
    EXPECT_EQ(item->identifier(), "/Users/a/Notes/");
    EXPECT_FALSE(item->isDirectory());
    EXPECT_FALSE(item->isChildrenPopulated());

    item->setFullPath(QStringLiteral("/Users/a/Journal"));
    EXPECT_EQ(item->title(), "Journal");
    EXPECT_EQ(item->identifier(), "/Users/a/Notes/");
}

TEST_F(FolderItem, PopulatingReadsTheFolderAndLinksChildrenToParentAndRoot)
{
    auto root = FolderNavigatorItem::create(folder);
    root->populateChildrenOfItem(root, listing());
    EXPECT_TRUE(root->isChildrenPopulated());
    EXPECT_TRUE(root->isDirectory());
    EXPECT_EQ(root->rootFolder(), root);
    EXPECT_EQ(root->parent(), nullptr);
    EXPECT_FALSE(root->indexInParent().has_value());
    ASSERT_EQ(root->numberOfChildren(), 3u);
    auto sub = std::static_pointer_cast<FolderNavigatorItem>(root->children().at(0));
    EXPECT_EQ(sub->title(), "sub");
    EXPECT_TRUE(sub->isDirectory());
    EXPECT_FALSE(sub->isChildrenPopulated());
    EXPECT_EQ(sub->folderParent(), root);
    EXPECT_EQ(sub->rootFolder(), root);
    auto third = std::static_pointer_cast<FolderNavigatorItem>(root->children().at(2));
    EXPECT_EQ(third->indexInParent(), 2);
    EXPECT_FALSE(third->isDirectory());

    sub->populateChildrenOfItem(root, listing());
    auto deeper = sub->findChildAtPath(folder + "/sub/deeper");
    ASSERT_TRUE(deeper);
    EXPECT_EQ(deeper->rootFolder(), root);
    EXPECT_EQ(deeper->parent(), sub);

    // Populating again appends every entry again.
    root->populateChildrenOfItem(root, listing());
    EXPECT_EQ(root->numberOfChildren(), 6u);
    EXPECT_EQ(root->findChildAtPath(folder + "/sub"), sub);
}

TEST_F(FolderItem, AFileOrAMissingPathIsNotPopulated)
{
    for (const QString& path : { folder + "/a.md", folder + "/missing" }) {
        auto item = FolderNavigatorItem::create(path);
        item->populateChildrenOfItem(item, listing());
        EXPECT_FALSE(item->isChildrenPopulated()) << path.toStdString();
        EXPECT_FALSE(item->isDirectory());
        EXPECT_EQ(item->numberOfChildren(), 0u);
    }
}

TEST_F(FolderItem, ChildrenAreFoundByTheirExactPath)
{
    auto root = FolderNavigatorItem::create(folder);
    root->populateChildrenOfItem(root, listing());
    auto a = root->findChildAtPath(folder + "/a.md");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->title(), "a.md");
    EXPECT_FALSE(root->findChildAtPath(folder + "/sub/"));
    EXPECT_FALSE(root->findChildAtPath(folder + "/sub/c.md")); // not a direct child
    EXPECT_FALSE(root->findChildAtPath(folder + "/A.md"));

    a->setFullPath(folder + "/renamed.md");
    EXPECT_EQ(root->findChildAtPath(folder + "/renamed.md"), a);
    EXPECT_FALSE(root->findChildAtPath(folder + "/a.md"));

    root->removeChildItem(a.get());
    EXPECT_FALSE(root->findChildAtPath(folder + "/renamed.md"));
    EXPECT_FALSE(a->indexInParent().has_value());
}

TEST_F(FolderItem, ARemovedSubtreeIsFreedAndWeakHandlesReadNothing)
{
    auto root = FolderNavigatorItem::create(folder);
    root->populateChildrenOfItem(root, listing());
    auto sub = root->findChildAtPath(folder + "/sub");
    sub->populateChildrenOfItem(root, listing());
    std::weak_ptr<FolderNavigatorItem> weakSub = sub;
    std::weak_ptr<FolderNavigatorItem> weakChild = sub->findChildAtPath(folder + "/sub/c.md");
    ASSERT_FALSE(weakChild.expired());
    root->removeChildItem(sub.get());
    sub.reset();
    EXPECT_TRUE(weakSub.expired());
    EXPECT_TRUE(weakChild.expired());

    // A child kept alive alone does not keep its parent or root.
    auto keptFile = root->findChildAtPath(folder + "/a.md");
    std::weak_ptr<FolderNavigatorItem> weakRoot = root;
    root.reset();
    EXPECT_TRUE(weakRoot.expired());
    EXPECT_EQ(keptFile->folderParent(), nullptr);
    EXPECT_EQ(keptFile->rootFolder(), nullptr);
}

} // namespace

TEST_F(FolderItem, AnIndexBuiltInPartStaysRightWhateverChangesTheChildren)
{
    for (int i = 0; i < 40; ++i)
        test::makeFile(folder + QStringLiteral("/many/n%1.md").arg(i, 2, 10, QLatin1Char('0')));
    auto many = FolderNavigatorItem::create(folder + "/many");
    many->populateChildrenOfItem(many, listing());
    ASSERT_EQ(many->numberOfChildren(), 40u);
    // Each change comes after a slice of the index was built.
    EXPECT_FALSE(many->indexSomeChildren(10));
    auto early = FolderNavigatorItem::create(folder + "/many/early.md");
    early->setFolderParent(many);
    many->insertChildItem(early, 0);
    EXPECT_TRUE(many->indexSomeChildren(1)) << "a change completes the index first";

    many->setChildren(std::vector<platform::TreeListItemPtr>(many->children()));
    EXPECT_FALSE(many->indexSomeChildren(5));
    auto renamed = std::static_pointer_cast<FolderNavigatorItem>(many->children()[30]);
    renamed->setFullPath(folder + "/many/renamed.md");
    EXPECT_FALSE(many->findChildAtPath(folder + "/many/n29.md"));

    many->setChildren(std::vector<platform::TreeListItemPtr>(many->children()));
    EXPECT_FALSE(many->indexSomeChildren(20));
    auto gone = many->children()[35];
    ASSERT_TRUE(many->removeChildItem(gone.get()));

    many->setChildren(std::vector<platform::TreeListItemPtr>(many->children()));
    EXPECT_FALSE(many->indexSomeChildren(3));
    many->removeChildItemsAtIndexes({ 1, 2 });

    for (const auto& child : many->children()) {
        auto row = std::static_pointer_cast<FolderNavigatorItem>(child);
        EXPECT_EQ(many->findChildAtPath(row->fullPath()), row) << row->fullPath().toStdString();
    }
    EXPECT_EQ(many->findChildAtPath(folder + "/many/renamed.md"), renamed);
    EXPECT_FALSE(many->findChildAtPath(std::static_pointer_cast<FolderNavigatorItem>(gone)->fullPath()));
    EXPECT_FALSE(many->findChildAtPath(folder + "/many/n00.md")) << "removed at index 1";
    EXPECT_EQ(many->numberOfChildren(), 38u);
}
