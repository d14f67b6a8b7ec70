// The "SCRATCH NOTES" section on a real database and a real list.
#include "NotesFixture.h"
#include "sidebar/SidebarSortingOptionsWindowController.h"

#include <QButtonGroup>

using namespace penwick;
using namespace penwick::test;

namespace {

class ScratchSection : public NotesFixture {
protected:
    void make()
    {
        section = std::make_unique<ScratchDocumentsNavigator>(&list, &favorites);
        controller.addOutlineItem(section.get());
    }
    void TearDown() override
    {
        section.reset();
        NotesFixture::TearDown();
    }
    TreeListItemPtr row(const QString& id) const
    {
        for (const auto& child : section->rootItem()->children()) {
            if (child->identifier() == id)
                return child;
        }
        return nullptr;
    }

    std::unique_ptr<ScratchDocumentsNavigator> section;
};

TEST_F(ScratchSection, EveryRowIsAnEditableScratchNoteUnderItsRoot)
{
    store<ScratchDocument>({ scratch("s1", "One", 1) });
    make();
    EXPECT_EQ(section->orderWeight(), 15);
    EXPECT_EQ(section->rootItem()->title(), "SCRATCH NOTES");
    const QIcon image = section->iconForItem(row("s1"));
    EXPECT_FALSE(image.isNull());
    EXPECT_EQ(section->iconForItem(section->rootItem()).cacheKey(), image.cacheKey());
    EXPECT_TRUE(section->shouldEditItem(row("s1")));
    EXPECT_TRUE(section->shouldEditItem(section->rootItem()));
    EXPECT_TRUE(section->isItemExpandable(section->rootItem()));
    EXPECT_FALSE(section->isItemExpandable(row("s1")));
    EXPECT_EQ(visibleTitles(), (QStringList { "SCRATCH NOTES", "One" }));
}

TEST_F(ScratchSection, RowsSortAsTheSettingsSay)
{
    // Fetch order: banana, Apple, apple, cherry (created 2, 1, 3, 4).
    store<ScratchDocument>({ scratch("b", "banana", 2, 9), scratch("A1", "Apple", 1, 1), scratch("a2", "apple", 3, 3), scratch("c", "cherry", 4, 2) });
    struct Case {
        std::optional<int> by;
        std::optional<int> order;
        QStringList expected; // "*" matches apple or Apple
    };
    const QList<Case> cases {
        { std::nullopt, std::nullopt, { "cherry", "apple", "banana", "Apple" } },
        { 3, 0, { "cherry", "apple", "banana", "Apple" } },
        { 1, 1, { "Apple", "cherry", "apple", "banana" } },
        { 7, 1, { "banana", "Apple", "apple", "cherry" } },
        { 2, 1, { "*", "*", "banana", "cherry" } },
        { 2, 0, { "cherry", "banana", "*", "*" } },
    };
    make();
    for (const Case& c : cases) {
        resetSettings();
        if (c.by)
            setSort(Prefs::SORTING_SCRATCH_BY, *c.by, Prefs::SORTING_SCRATCH_ORDER, *c.order);
        section->rebuildChildren();
        const QStringList got = titles(section->rootItem());
        ASSERT_EQ(got.size(), c.expected.size());
        for (int i = 0; i < got.size(); ++i) {
            if (c.expected[i] == "*")
                EXPECT_EQ(got[i].toLower(), "apple") << i;
            else
                EXPECT_EQ(got[i], c.expected[i]) << (c.by ? *c.by : -1) << " " << i;
        }
    }
}

TEST_F(ScratchSection, AnInvalidSortKeyMakesSortOptionsDoNothing)
{
    setSort(Prefs::SORTING_SCRATCH_BY, 7, Prefs::SORTING_SCRATCH_ORDER, 1);
    make();
    bool shown = false;
    QTimer::singleShot(0, [&] { shown = QApplication::activeModalWidget() != nullptr; if (shown) QApplication::activeModalWidget()->close(); });
    trigger(section->menuItemForItem(section->rootItem()), "Sort Options...");
    QApplication::processEvents();
    EXPECT_FALSE(shown);
    EXPECT_EQ(platform::UserDefaults::standard().integerForKey(Prefs::SORTING_SCRATCH_BY), 7);
}

TEST_F(ScratchSection, RenamingStoresTheTitleMovesTheRowAndTellsOpenTabs)
{
    setSort(Prefs::SORTING_SCRATCH_BY, 2, Prefs::SORTING_SCRATCH_ORDER, 1);
    store<ScratchDocument>({ scratch("s1", "alpha", 1), scratch("s2", "beta", 2) });
    make();
    MiniNoteEditedRecorder edits;
    section->setObjectValue(QStringLiteral("zulu"), row("s1"));
    EXPECT_EQ(titles(section->rootItem()), (QStringList { "beta", "zulu" }));
    EXPECT_EQ(Realm::objectForPrimaryKey<ScratchDocument>("s1")->title(), "zulu");

    section->setObjectValue(QString(""), row("s2"));
    EXPECT_EQ(Realm::objectForPrimaryKey<ScratchDocument>("s2")->title(), "");
    ASSERT_EQ(edits.posted.size(), 2);
    EXPECT_EQ(edits.posted[0].value(Notifications::MINI_NOTE_EDITED_OLDURL_PAYLOAD).toUrl().toString(), "pwscratch://s1?title=alpha");
    const QVariantMap emptied = edits.posted[1];
    EXPECT_EQ(emptied.value(Notifications::MINI_NOTE_EDITED_TITLE_PAYLOAD).toString(), "");
    EXPECT_EQ(emptied.value(Notifications::MINI_NOTE_EDITED_NEWURL_PAYLOAD).toUrl().query(), "title=");

    // The root's title stays.
    section->setObjectValue(QStringLiteral("Renamed root"), section->rootItem());
    EXPECT_EQ(section->rootItem()->title(), "SCRATCH NOTES");
    EXPECT_EQ(edits.posted.size(), 2);
}

TEST_F(ScratchSection, DeleteOnTheRootLogsOnlyCancelKeepsAndYesRemovesButLeavesTheTab)
{
    store<ScratchDocument>({ scratch("s1", "Keep me", 1) });
    make();
    AlertAnswerer alerts;
    section->handleDeleteKeyForItem(section->rootItem());
    EXPECT_TRUE(alerts.shown.isEmpty());
    EXPECT_EQ(ScratchDocument::fetchAllItems().size(), 1);

    alerts.expect("Cancel");
    section->handleDeleteKeyForItem(row("s1"));
    EXPECT_EQ(alerts.shown, QStringList { "Delete 'Keep me'?|You cannot undo this action|Yes,Cancel" });
    EXPECT_EQ(ScratchDocument::fetchAllItems().size(), 1);

    section->handleDoubleClickForItem(row("s1"));
    ASSERT_EQ(notes.documents.size(), 1u);
    alerts.expect("Yes");
    trigger(section->menuItemForItem(row("s1")), "Delete...");
    EXPECT_TRUE(ScratchDocument::fetchAllItems().isEmpty());
    EXPECT_EQ(section->rootItem()->numberOfChildren(), 0u);
    EXPECT_EQ(notes.documents.size(), 1u);
    EXPECT_EQ(notes.documents[0]->pseudoURL()->host(), "s1");
}

TEST_F(ScratchSection, ANoteCommittedByAnotherProgramAppearsUnaided)
{
    make();
    ASSERT_EQ(runHelper({ "write", folder, "1", "from mini " }), 0);
    ASSERT_TRUE(waitUntil([&] { return section->rootItem()->numberOfChildren() == 1; }, 10000));
    EXPECT_EQ(titles(section->rootItem()), QStringList { "from mini 0" });
    EXPECT_TRUE(visibleTitles().contains("from mini 0"));
}

TEST_F(ScratchSection, TheCollapseOutlivesTheSection)
{
    make();
    list.collapseItem(section->rootItem());
    controller.close();
    section.reset();
    TreeListView other;
    SourceListController otherController(&other);
    ScratchDocumentsNavigator again(&other, &favorites);
    EXPECT_FALSE(again.isRootExpanded());
    otherController.addOutlineItem(&again);
    EXPECT_FALSE(other.isItemExpanded(again.rootItem()));
    otherController.close();
}

TEST_F(ScratchSection, OpeningMenusFavouritesAndReveal)
{
    store<ScratchDocument>({ scratch("s1", "One", 1), scratch("s2", "Two", 2) });
    make();
    EXPECT_EQ(menuTitles(section->menuItemForItem(row("s1"))), (QStringList { "Open", "Rename", "-", "Add to Favorites", "-", "Delete..." }));
    EXPECT_EQ(menuTitles(section->menuItemForItem(section->rootItem())), QStringList { "Sort Options..." });

    controller.listAction(&list, row("s1"));
    EXPECT_TRUE(section->isQuickOpenInProgress());
    trigger(section->menuItemForItem(row("s1")), "Open");
    EXPECT_FALSE(section->isQuickOpenInProgress());
    ASSERT_EQ(notes.documents.size(), 1u);
    EXPECT_EQ(notes.documents[0]->quickOpen, false);

    trigger(section->menuItemForItem(row("s2")), "Add to Favorites");
    EXPECT_EQ(favorites.paths, QStringList { "pwscratch://s2?title=Two" });

    list.collapseItem(section->rootItem());
    EXPECT_EQ(section->selectItemWithPath("pwscratch://S2?title=Two"), row("s2"));
    EXPECT_TRUE(list.isItemExpanded(section->rootItem()));
    EXPECT_EQ(list.itemAtRow(list.selectedRow()), row("s2"));
}

TEST_F(ScratchSection, TheSortDialogIsScratchNotesWithoutType)
{
    make();
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<SidebarSortingOptionsWindowController*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->windowTitle(), "Sort Options for Scratch Notes");
        EXPECT_FALSE(dialog->sortByGroup()->button(3)->isEnabled());
        dialog->cancelButton()->click();
    });
    section->showSortOptions();
    EXPECT_FALSE(platform::UserDefaults::standard().hasValue(Prefs::SORTING_SCRATCH_BY));
}

} // namespace
