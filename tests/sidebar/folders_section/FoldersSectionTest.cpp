// The folders section's answers to clicks, double clicks, renames, the delete key and expansion.
#include "FoldersFixture.h"

#include <QIcon>
#include <QStandardPaths>
#include <QStyle>
#include <QTest>

using namespace penwick;
using namespace penwick::test;

namespace {

TEST_F(FoldersSection, ANewSectionHasAnEmptyFoldersRowExpandedUnlessCollapsedBefore)
{
    EXPECT_EQ(section->rootItem()->title(), "FOLDERS");
    EXPECT_EQ(section->rootItem()->numberOfChildren(), 0u);
    EXPECT_EQ(section->rootItem()->identifier().size(), 36);
    EXPECT_TRUE(list.isItemExpanded(section->rootItem()));
    EXPECT_EQ(section->orderWeight(), 10);

    platform::UserDefaults::standard().setValue(Prefs::OUTLINE_COLLAPSE_FOLDER, true);
    TreeListView other;
    SourceListController otherController(&other);
    FoldersNavigator collapsed(&other, nullptr, &host);
    otherController.addOutlineItem(&collapsed);
    EXPECT_FALSE(other.isItemExpanded(collapsed.rootItem()));
}

TEST_F(FoldersSection, EveryRowHasRoomForItsWholeIcon)
{
    addRoot();
    // Rows share the height of the first row, a group header without an icon.
    const int small = list.style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, &list);
    const QSize icon = list.iconSize().isValid() ? list.iconSize() : QSize(small, small);
    for (const QString& path : { root, root + "/docs", root + "/notes.md" }) {
        SCOPED_TRACE(path.toStdString());
        const FolderItemPtr item = row(path);
        ASSERT_TRUE(item);
        const QModelIndex index = list.listModel()->indexForItem(item.get());
        ASSERT_FALSE(index.data(Qt::DecorationRole).value<QIcon>().isNull());
        EXPECT_GE(list.visualRect(index).height(), icon.height());
    }
}

TEST_F(FoldersSection, AClickTogglesAFolderAndQuickOpensAFile)
{
    addRoot();
    const FolderItemPtr docs = row(root + "/docs");
    ASSERT_TRUE(docs);
    section->handleSelection(docs);
    EXPECT_TRUE(list.isItemExpanded(docs));
    section->handleSelection(docs);
    EXPECT_FALSE(list.isItemExpanded(docs));
    EXPECT_TRUE(host.opened.isEmpty());

    // A real click on the file's row.
    const FolderItemPtr notes = row(root + "/notes.md");
    const QRect rect = list.visualRect(list.listModel()->indexForItem(notes.get()));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    ASSERT_EQ(host.opened, QList<QUrl> { QUrl::fromLocalFile(root + "/notes.md") });
    RecordingDocument* document = host.documentFor(root + "/notes.md");
    ASSERT_TRUE(document);
    EXPECT_EQ(document->fileSystemItem(), notes);
    EXPECT_FALSE(document->quickOpen.has_value()); // the window makes it a quick-open tab
    EXPECT_FALSE(section->isQuickOpenInProgress());

    // The flag is up while the document is being opened.
    host.completeAtOnce = false;
    section->handleSelection(notes);
    EXPECT_TRUE(section->isQuickOpenInProgress());
    host.completeNext();
    EXPECT_FALSE(section->isQuickOpenInProgress());

    section->handleSelection(section->rootItem());
    EXPECT_EQ(host.opened.size(), 2);
}

TEST_F(FoldersSection, AClickOnADeletedFileTriesToOpenItAndFailsSilently)
{
    addRoot();
    const FolderItemPtr notes = row(root + "/notes.md");
    QFile::remove(root + "/notes.md");
    section->handleSelection(notes);
    EXPECT_EQ(host.opened.size(), 1);
    EXPECT_TRUE(host.errorsShown.isEmpty());
    EXPECT_FALSE(section->isQuickOpenInProgress());
}

TEST_F(FoldersSection, ADoubleClickOpensForGoodAndShowsFailures)
{
    addRoot();
    section->handleDoubleClickForItem(row(root + "/notes.md"));
    RecordingDocument* document = host.documentFor(root + "/notes.md");
    ASSERT_TRUE(document);
    EXPECT_EQ(document->quickOpen, false);

    const FolderItemPtr docs = row(root + "/docs");
    section->handleDoubleClickForItem(docs);
    EXPECT_TRUE(list.isItemExpanded(docs));

    const FolderItemPtr gone = row(root + "/docs/a.md");
    QFile::remove(root + "/docs/a.md");
    section->handleDoubleClickForItem(gone);
    EXPECT_EQ(host.errorsShown, QStringList { "a.md|" + root + "/docs/a.md|260" });

    section->setIsQuickOpenInProgress(true);
    section->handleDoubleClickForItem(section->rootItem());
    EXPECT_FALSE(section->isQuickOpenInProgress());
}

TEST_F(FoldersSection, WhileTheSessionRestoresClicksDoNothing)
{
    addRoot();
    section->setRestoreInSession(true);
    section->handleSelection(row(root + "/notes.md"));
    section->handleSelection(row(root + "/docs"));
    EXPECT_TRUE(host.opened.isEmpty());
    EXPECT_FALSE(list.isItemExpanded(row(root + "/docs")));
}

TEST_F(FoldersSection, WhileExpandedFoldersAreRestoredNothingOpens)
{
    const FolderItemPtr first = addRoot();
    list.expandItem(row(root + "/docs"));
    list.expandItem(row(root + "/docs/sub"));
    section->removeRootFolderItem(first);
    const FolderItemPtr again = addRoot();
    section->restoreExpandedItemsOfRoot(again);
    EXPECT_TRUE(list.isItemExpanded(row(root + "/docs/sub")));
    EXPECT_TRUE(host.opened.isEmpty());
    EXPECT_FALSE(section->isRestoringExpandedItems());
}

TEST_F(FoldersSection, RenamingMovesTheFileAndItsIdentifier)
{
    addRoot();
    const FolderItemPtr notes = row(root + "/notes.md");
    section->setObjectValue(QStringLiteral("journal.md"), notes);
    EXPECT_TRUE(QFile::exists(root + "/journal.md"));
    EXPECT_FALSE(QFile::exists(root + "/notes.md"));
    EXPECT_EQ(notes->title(), "journal.md");
    // The remembered expansion is filed by identifier: it names the file where it is now.
    EXPECT_EQ(notes->identifier(), root + "/journal.md");
}

TEST_F(FoldersSection, ARenameOntoATakenNameOrWithASlashMovesNothing)
{
    addRoot();
    const FolderItemPtr notes = row(root + "/notes.md");
    makeFile(root + "/taken.md", "keep");
    for (const QString& name : { QStringLiteral("taken.md"), QStringLiteral("docs"), QStringLiteral("../escaped.md"), QStringLiteral("docs/x.md") }) {
        section->setObjectValue(name, notes);
        EXPECT_EQ(notes->fullPath(), root + "/notes.md") << name.toStdString();
    }
    EXPECT_TRUE(QFile::exists(root + "/notes.md"));
    EXPECT_FALSE(QFile::exists(base + "/escaped.md"));
    QFile taken(root + "/taken.md");
    ASSERT_TRUE(taken.open(QIODevice::ReadOnly));
    EXPECT_EQ(taken.readAll(), "keep");
}

TEST_F(FoldersSection, RenamingAFolderRewritesTheRowsBelowItAndARootKeepsItsWatcher)
{
    const FolderItemPtr top = addRoot();
    const FolderItemPtr docs = row(root + "/docs");
    list.expandItem(docs);
    list.expandItem(row(root + "/docs/sub"));
    section->setObjectValue(QStringLiteral("papers"), docs);
    EXPECT_EQ(docs->fullPath(), root + "/papers");
    const FolderItemPtr b = row(root + "/papers/sub/b.md");
    ASSERT_TRUE(b);
    EXPECT_EQ(b->title(), "b.md");

    section->setObjectValue(QStringLiteral("renamed-root"), top);
    EXPECT_EQ(section->rootFolderPaths(), QStringList { base + "/renamed-root" });
    ASSERT_EQ(section->fileWatchers().size(), 1u);
    EXPECT_EQ(section->fileWatchers().front()->path(), base + "/renamed-root");
    ASSERT_TRUE(waitUntil([&] { return section->fileWatchers().front()->isReady(); }));
    makeFile(base + "/renamed-root/fresh.md");
    EXPECT_TRUE(waitUntil([&] { return row(base + "/renamed-root/fresh.md") != nullptr; }));
    EXPECT_EQ(section->rootFolders().size(), 1u);
}

TEST_F(FoldersSection, TheDeleteKeyAsksAndMovesTheItemToTheTrash)
{
    addRoot();
    const FolderItemPtr notes = row(root + "/notes.md");
    confirmTrash = false;
    section->handleDeleteKeyForItem(notes);
    EXPECT_EQ(confirmations, QStringList { "Delete 'notes.md'?|The item will be moved to the Trash" });
    EXPECT_TRUE(QFile::exists(root + "/notes.md"));
    EXPECT_TRUE(row(root + "/notes.md"));

    confirmTrash = true;
    section->handleDeleteKeyForItem(notes);
    EXPECT_FALSE(QFile::exists(root + "/notes.md"));
    EXPECT_FALSE(row(root + "/notes.md"));
    const QString trash = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash/files/notes.md";
    EXPECT_TRUE(QFile::exists(trash)) << trash.toStdString();

    section->handleDeleteKeyForItem(section->rootItem());
    EXPECT_EQ(confirmations.size(), 2);
}

TEST_F(FoldersSection, AFolderIsReadOnceOnItsFirstExpansion)
{
    addRoot();
    const FolderItemPtr docs = row(root + "/docs");
    EXPECT_FALSE(docs->isChildrenPopulated());
    list.expandItem(docs);
    EXPECT_EQ(childTitles(docs), (QStringList { "sub", "a.md" }));
    list.collapseItem(docs);
    list.expandItem(docs);
    EXPECT_EQ(childTitles(docs), (QStringList { "sub", "a.md" }));
    EXPECT_EQ(row(root + "/docs/sub")->rootFolder(), row(root));
}

} // namespace
