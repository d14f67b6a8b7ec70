// The "FAVORITES" section and its records on a real database and a real list.
#include "../folders/FolderFixtures.h"
#include "NotesFixture.h"
#include "sidebar/SidebarSortingOptionsWindowController.h"

#include <QButtonGroup>

using namespace penwick;
using namespace penwick::test;

namespace {

class FavoritesSection : public NotesFixture {
protected:
    void make()
    {
        section = std::make_unique<FavoritesNavigator>(&list, &host);
        controller.addOutlineItem(section.get());
    }
    void TearDown() override
    {
        section.reset();
        NotesFixture::TearDown();
    }
    static FavoriteDBItem favourite(const QString& path, int created)
    {
        FavoriteDBItem record;
        record.setId(FavoriteDBItem::makeId());
        record.setPath(path);
        record.setCreatedDate(at(created));
        return record;
    }
    TreeListItemPtr row(const QString& title) const
    {
        for (const auto& child : section->rootItem()->children()) {
            if (child->title() == title)
                return child;
        }
        return nullptr;
    }

    RecordingHost host;
    std::unique_ptr<FavoritesNavigator> section;
};

TEST_F(FavoritesSection, TheRecordIsStoredWithAnUpperCaseIdAndPathsAreTitledByTheirKind)
{
    make();
    EXPECT_EQ(section->orderWeight(), 5);
    EXPECT_EQ(section->rootItem()->title(), "FAVORITES");
    section->addPathToFavorites("/a/Notes.md");
    const QList<FavoriteDBItem> records = FavoriteDBItem::fetchAllItems();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].id().size(), 36);
    EXPECT_EQ(records[0].id(), records[0].id().toUpper());
    EXPECT_EQ(records[0].path(), "/a/Notes.md");
    EXPECT_TRUE(records[0].createdDate().isValid());

    struct Case {
        QString path;
        QString title;
    };
    for (const Case& c : QList<Case> { { "/a/Notes.md", "Notes" }, { "pwshadow://n1?title=Caf%C3%A9%20plans", "Café plans" },
             { "pwscratch://n2?title=", "[unknown]" }, { "pwscratch://n3", "[unknown]" }, { "/a/folder", "folder" } })
        EXPECT_EQ(FavoriteFileItem::titleForPath(c.path), c.title) << c.path.toStdString();
}

TEST_F(FavoritesSection, AddingAPathTwiceKeepsOneRecordAndSelectsItsRow)
{
    make();
    section->addPathToFavorites("/a/Notes.md");
    section->addPathToFavorites("/a/notes.md");
    EXPECT_EQ(FavoriteDBItem::fetchAllItems().size(), 2);
    list.selectRowIndexes({ 0 }, false);
    section->addPathToFavorites("/a/Notes.md");
    EXPECT_EQ(FavoriteDBItem::fetchAllItems().size(), 2);
    const TreeListItemPtr selected = list.itemAtRow(list.selectedRow());
    ASSERT_TRUE(selected);
    EXPECT_EQ(std::dynamic_pointer_cast<FavoriteFileItem>(selected)->path(), "/a/Notes.md");
}

TEST_F(FavoritesSection, TheTypeSortOrdersFilesFoldersScratchAndShadowNotes)
{
    const QString base = temporaryFolder();
    ASSERT_TRUE(makeFile(base + "/file.md"));
    ASSERT_TRUE(makeFolder(base + "/folder"));
    store<FavoriteDBItem>({ favourite("pwshadow://n1?title=Shadow", 1), favourite(base + "/folder", 2), favourite("pwscratch://n2?title=Scratch", 3),
        favourite(base + "/file.md", 4) });
    setSort(Prefs::SORTING_FAVORITES_BY, 3, Prefs::SORTING_FAVORITES_ORDER, 1);
    make();
    EXPECT_EQ(titles(section->rootItem()), (QStringList { "file", "folder", "Scratch", "Shadow" }));
    setSort(Prefs::SORTING_FAVORITES_BY, 3, Prefs::SORTING_FAVORITES_ORDER, 0);
    section->sortFavorites();
    EXPECT_EQ(titles(section->rootItem()), (QStringList { "Shadow", "Scratch", "folder", "file" }));

    // A path that is gone counts as a file.
    store<FavoriteDBItem>({ favourite(base + "/gone", 0) });
    setSort(Prefs::SORTING_FAVORITES_BY, 3, Prefs::SORTING_FAVORITES_ORDER, 1);
    section->sortFavorites();
    EXPECT_EQ(titles(section->rootItem()).mid(2), (QStringList { "folder", "Scratch", "Shadow" }));

    // Updated date sorts as created date; with nothing stored, newest first.
    setSort(Prefs::SORTING_FAVORITES_BY, 1, Prefs::SORTING_FAVORITES_ORDER, 1);
    section->sortFavorites();
    EXPECT_EQ(titles(section->rootItem()), (QStringList { "gone", "Shadow", "folder", "Scratch", "file" }));
    resetSettings();
    section->sortFavorites();
    EXPECT_EQ(titles(section->rootItem()), (QStringList { "file", "Scratch", "folder", "Shadow", "gone" }));
}

TEST_F(FavoritesSection, AFolderOpensNothingOnAClickAndBecomesARootOnADoubleClick)
{
    const QString base = temporaryFolder();
    ASSERT_TRUE(makeFolder(base + "/project"));
    store<FavoriteDBItem>({ favourite(base + "/project", 1) });
    make();
    controller.listAction(&list, row("project"));
    EXPECT_TRUE(host.opened.isEmpty());
    EXPECT_FALSE(section->isQuickOpenInProgress());
    host.completeAtOnce = false;
    controller.listDoubleAction(&list, row("project"));
    EXPECT_EQ(host.opened, QList<QUrl> { QUrl::fromLocalFile(base + "/project") });
}

TEST_F(FavoritesSection, AFileOpensAsQuickOpenOrForGoodAndFailuresAreReported)
{
    const QString base = temporaryFolder();
    ASSERT_TRUE(makeFile(base + "/read me.md", "text"));
    store<FavoriteDBItem>({ favourite(base + "/read me.md", 1) });
    make();
    controller.listAction(&list, row("read me"));
    ASSERT_EQ(host.documents.size(), 1u);
    EXPECT_EQ(host.documents[0]->quickOpen, true);
    EXPECT_FALSE(section->isQuickOpenInProgress());
    section->handleDoubleClickForItem(row("read me"));
    EXPECT_EQ(host.documents[1]->quickOpen, false);

    host.completeAtOnce = false;
    section->handleDoubleClickForItem(row("read me"));
    ASSERT_EQ(host.pending.size(), 1u);
    host.pending.front().completion(nullptr, false, SidebarOpenError { 40, "Not UTF-8" });
    EXPECT_EQ(host.errorsShown, QStringList { "read me|" + base + "/read me.md|40" });
}

TEST_F(FavoritesSection, AMissingFileOrNoteOffersItsRemoval)
{
    store<FavoriteDBItem>({ favourite("/nowhere/lost.md", 1), favourite("pwscratch://gone?title=Old%20idea", 2) });
    make();
    AlertAnswerer alerts;
    alerts.expect("Cancel");
    section->handleDoubleClickForItem(row("lost"));
    alerts.expect("Yes");
    section->handleSelection(row("Old idea"));
    EXPECT_EQ(alerts.shown,
        (QStringList { "'lost' doesn't exist. Remove it from favorites?|This original item has either been moved or deleted.|Yes,Cancel",
            "'Old idea' doesn't exist. Remove it from favorites?|This original item has either been moved or deleted.|Yes,Cancel" }));
    EXPECT_EQ(titles(section->rootItem()), QStringList { "lost" });
    EXPECT_EQ(FavoriteDBItem::fetchAllItems().size(), 1);
    EXPECT_FALSE(section->isQuickOpenInProgress());

    // The Delete key removes without asking; on the root it removes nothing.
    section->handleDeleteKeyForItem(section->rootItem());
    EXPECT_EQ(FavoriteDBItem::fetchAllItems().size(), 1);
    section->handleDeleteKeyForItem(row("lost"));
    EXPECT_TRUE(FavoriteDBItem::fetchAllItems().isEmpty());
    EXPECT_EQ(alerts.shown.size(), 2);
}

TEST_F(FavoritesSection, NotesOpenThroughTheirOwnSections)
{
    ScratchDocument scratchNote = scratch("s1", "Scratch", 1);
    ShadowDocument shadowNote = shadow("h1", "Shadow", "org.ed", "Editor", 1);
    store<ScratchDocument>({ scratchNote });
    store<ShadowDocument>({ shadowNote });
    store<FavoriteDBItem>({ favourite("pwscratch://s1?title=Scratch", 1), favourite("pwshadow://h1?title=Shadow", 2) });
    make();
    section->handleDoubleClickForItem(row("Scratch"));
    section->handleSelection(row("Shadow"));
    EXPECT_EQ(notes.became, (QStringList { "scratch|s1|Scratch", "shadow|h1|Shadow" }));
    EXPECT_EQ(notes.documents[0]->quickOpen, false);
    EXPECT_FALSE(notes.documents[1]->quickOpen.has_value());
    EXPECT_FALSE(section->isQuickOpenInProgress());
}

TEST_F(FavoritesSection, MenusOfAFileAndANoteAndTheSortDialog)
{
    store<FavoriteDBItem>({ favourite("/a/file.md", 1), favourite("pwscratch://s1?title=Note", 2) });
    make();
    EXPECT_EQ(menuTitles(section->menuItemForItem(row("file"))), (QStringList { "Open", "-", "Remove from Favorites", "Show in File Manager" }));
    EXPECT_EQ(menuTitles(section->menuItemForItem(row("Note"))), (QStringList { "Open", "-", "Remove from Favorites" }));
    EXPECT_EQ(menuTitles(section->menuItemForItem(section->rootItem())), QStringList { "Sort Options..." });
    EXPECT_FALSE(section->shouldEditItem(row("file")));

    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<SidebarSortingOptionsWindowController*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->windowTitle(), "Sort Options for Favorites");
        EXPECT_FALSE(dialog->sortByGroup()->button(1)->isEnabled());
        EXPECT_TRUE(dialog->sortByGroup()->button(3)->isEnabled());
        dialog->sortByGroup()->button(2)->click();
        dialog->sortOrderGroup()->button(0)->click();
        dialog->applyButton()->click();
    });
    trigger(section->menuItemForItem(section->rootItem()), "Sort Options...");
    EXPECT_EQ(titles(section->rootItem()), (QStringList { "file", "Note" }));

    trigger(section->menuItemForItem(row("Note")), "Remove from Favorites");
    EXPECT_EQ(titles(section->rootItem()), QStringList { "file" });
}

TEST_F(FavoritesSection, TheMiniProgramsSetUpLeavesFavouritesAsTheyWere)
{
    store<FavoriteDBItem>({ favourite("/a/kept.md", 1) });
    const QList<FavoriteDBItem> before = FavoriteDBItem::fetchAllItems();
    // The helper opens the file knowing only the framework's record classes, and writes.
    ASSERT_EQ(runHelper({ "write", folder, "1", "mini " }), 0);
    RealmSetup::close();
    ASSERT_TRUE(RealmSetup::setupInFolder(folder));
    EXPECT_EQ(FavoriteDBItem::fetchAllItems(), before);
    EXPECT_EQ(ScratchDocument::fetchAllItems().size(), 1);
}

} // namespace
