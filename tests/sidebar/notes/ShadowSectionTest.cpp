// The "SHADOW NOTES" section on a real database and a real list.
#include "NotesFixture.h"
#include "sidebar/NoteSectionSupport.h"
#include "sidebar/SidebarSortingOptionsWindowController.h"

#include <QButtonGroup>

using namespace penwick;
using namespace penwick::test;

namespace {

class ShadowSection : public NotesFixture {
protected:
    void make()
    {
        section = std::make_unique<ShadowDocumentsNavigator>(&list, &favorites);
        controller.addOutlineItem(section.get());
    }
    void TearDown() override
    {
        section.reset();
        NotesFixture::TearDown();
    }
    TreeListItemPtr group(const QString& title) const
    {
        for (const auto& child : section->rootItem()->children()) {
            if (child->title() == title)
                return child;
        }
        return nullptr;
    }
    TreeListItemPtr note(const QString& id) const
    {
        for (const auto& g : section->rootItem()->children()) {
            for (const auto& child : g->children()) {
                if (child->identifier() == id)
                    return child;
            }
        }
        return nullptr;
    }

    std::unique_ptr<ShadowDocumentsNavigator> section;
};

TEST_F(ShadowSection, AnEmptyDatabaseGivesAnExpandableRootOfItsOwn)
{
    make();
    EXPECT_EQ(section->orderWeight(), 20);
    EXPECT_EQ(section->rootItem()->title(), "SHADOW NOTES");
    EXPECT_EQ(section->rootItem()->numberOfChildren(), 0u);
    EXPECT_TRUE(section->isItemExpandable(section->rootItem()));
    EXPECT_TRUE(section->isRootExpanded());
    EXPECT_TRUE(section->iconForItem(section->rootItem()).isNull());
}

TEST_F(ShadowSection, NotesSortInsideEachGroupAsTheSettingsSay)
{
    // Database order: n2, n1, n3 (created 2, 1, 3).
    store<ShadowDocument>({ shadow("n2", "Beta", "ed", "Editor", 2), shadow("n1", "alpha", "ed", "Editor", 1),
        shadow("n3", "Gamma", "ed", "Editor", 3) });
    struct Case {
        std::optional<int> by;
        std::optional<int> order;
        QStringList expected;
    };
    const QList<Case> cases {
        { std::nullopt, std::nullopt, { "Gamma", "Beta", "alpha" } },
        { 0, 1, { "alpha", "Beta", "Gamma" } },
        { 3, 1, { "alpha", "Beta", "Gamma" } },
        { 3, 0, { "Gamma", "Beta", "alpha" } },
        { 2, 1, { "alpha", "Beta", "Gamma" } },
        { 7, 1, { "Beta", "alpha", "Gamma" } },
        { 0, 5, { "Beta", "alpha", "Gamma" } },
    };
    make();
    for (const Case& c : cases) {
        resetSettings();
        if (c.by)
            setSort(Prefs::SORTING_SHADOW_BY, *c.by, Prefs::SORTING_SHADOW_ORDER, *c.order);
        section->reload();
        ASSERT_TRUE(group("Editor"));
        EXPECT_EQ(titles(group("Editor")), c.expected) << (c.by ? *c.by : -1) << "/" << (c.order ? *c.order : -1);
    }
}

TEST_F(ShadowSection, GroupsFollowTheSourceIdentifierAndAreOrderedByName)
{
    ShadowDocument noIdentifier = shadow("x1", "Lost", "", "Nameless", 9);
    noIdentifier.setSourceIdentifier(QString());
    ShadowDocument noName = shadow("x2", "Lost too", "anon", "", 9);
    noName.setSourceName(QString());
    store<ShadowDocument>({ shadow("a1", "One", "org.alpha", "alpha", 1), shadow("z1", "Two", "org.zeta", "Zeta", 2),
        shadow("e1", "Three", "org.ed", "Editor", 3), shadow("e2", "Four", "org.ed", "Editor Renamed", 4),
        shadow("t1", "Five", "org.twin.one", "Twin", 5), shadow("t2", "Six", "org.twin.two", "Twin", 6), noIdentifier, noName });
    make();
    EXPECT_EQ(titles(section->rootItem()), (QStringList { "Editor", "Twin", "Twin", "Zeta", "alpha" }));
    EXPECT_EQ(titles(group("Editor")), (QStringList { "Four", "Three" }));
    EXPECT_EQ(group("Editor")->identifier(), "e1");
    EXPECT_FALSE(note("x1"));
    EXPECT_FALSE(note("x2"));
    EXPECT_TRUE(section->owns(note("e2").get()));
    EXPECT_TRUE(section->shouldEditItem(note("e2")));
    EXPECT_FALSE(section->shouldEditItem(group("Editor")));
    EXPECT_FALSE(section->shouldEditItem(section->rootItem()));
    EXPECT_TRUE(section->isItemExpandable(group("Editor")));
    EXPECT_FALSE(section->isItemExpandable(note("e2")));
}

TEST_F(ShadowSection, AnExpandedGroupStaysExpandedWhenANoteIsAddedElsewhere)
{
    store<ShadowDocument>({ shadow("a1", "One", "org.alpha", "Alpha", 1), shadow("b1", "Two", "org.beta", "Beta", 2) });
    make();
    list.expandItem(group("Alpha"));
    ASSERT_TRUE(list.isItemExpanded(group("Alpha")));
    store<ShadowDocument>({ shadow("c1", "Three", "org.gamma", "Gamma", 3) });
    ASSERT_TRUE(group("Gamma"));
    EXPECT_TRUE(list.isItemExpanded(group("Alpha")));
    EXPECT_FALSE(list.isItemExpanded(group("Beta")));
    EXPECT_EQ(visibleTitles().mid(0, 4), (QStringList { "SHADOW NOTES", "Alpha", "One", "Beta" }));
}

TEST_F(ShadowSection, OnlyTheRootStoresItsCollapse)
{
    store<ShadowDocument>({ shadow("a1", "One", "org.alpha", "Alpha", 1) });
    make();
    auto& defaults = platform::UserDefaults::standard();
    // Adding the section expanded its root, which stored that; groups store nothing.
    defaults.removeObject(Prefs::OUTLINE_COLLAPSE_SHADOWS);
    list.expandItem(group("Alpha"));
    list.collapseItem(group("Alpha"));
    EXPECT_FALSE(defaults.hasValue(Prefs::OUTLINE_COLLAPSE_SHADOWS));
    list.collapseItem(section->rootItem());
    EXPECT_TRUE(defaults.boolForKey(Prefs::OUTLINE_COLLAPSE_SHADOWS));
    EXPECT_FALSE(section->isRootExpanded());
    list.expandItem(section->rootItem());
    EXPECT_FALSE(defaults.boolForKey(Prefs::OUTLINE_COLLAPSE_SHADOWS));
}

TEST_F(ShadowSection, ANoteCommittedByAnotherProgramAppearsUnaided)
{
    make();
    ASSERT_EQ(runHelper({ "write-shadow", folder, "far-1", "From afar", "org.other", "Other" }), 0);
    ASSERT_TRUE(waitUntil([&] { return note("far-1") != nullptr; }, 10000));
    EXPECT_EQ(titles(group("Other")), QStringList { "From afar" });
}

TEST_F(ShadowSection, IconsComeFromTheNoteImageTheProgramOrTheFile)
{
    using Kind = note_sections::IconSource::Kind;
    struct Case {
        QString path;
        QString sourcePath;
        note_sections::IconSource expected;
    };
    const QList<Case> cases {
        { "https://example.org/page", "/usr/bin/browser", { Kind::Program, "/usr/bin/browser" } },
        { "http://example.org/page", "/usr/bin/browser", { Kind::Program, "/usr/bin/browser" } },
        { "/a/b.md", "/usr/bin/editor", { Kind::File, "/a/b.md" } },
        { "/a/my notes.md", "/usr/bin/editor", { Kind::Program, "/usr/bin/editor" } },
        { "/a/b.md", "", { Kind::NoteImage, "shadowNote" } },
        { "", "/usr/bin/editor", { Kind::Program, "/usr/bin/editor" } },
    };
    for (const Case& c : cases) {
        ShadowDocument n = shadow("i", "t", "s", "S", 0);
        n.setPath(c.path);
        n.setSourcePath(c.sourcePath.isEmpty() ? QString() : c.sourcePath);
        EXPECT_EQ(note_sections::iconSourceForShadowDocument(n), c.expected) << c.path.toStdString();
        EXPECT_FALSE(note_sections::iconForShadowDocument(n).isNull()) << c.path.toStdString();
    }
}

TEST_F(ShadowSection, MenusOfANoteAGroupAndTheRoot)
{
    store<ShadowDocument>({ shadow("a1", "One", "org.alpha", "Alpha", 1) });
    make();
    EXPECT_EQ(menuTitles(section->menuItemForItem(note("a1"))), (QStringList { "Open", "Rename", "-", "Add to Favorites", "-", "Delete..." }));
    EXPECT_EQ(menuTitles(section->menuItemForItem(group("Alpha"))), QStringList());
    EXPECT_EQ(menuTitles(section->menuItemForItem(section->rootItem())), QStringList { "Sort Options..." });
    EXPECT_FALSE(section->menuItemForItem(nullptr));

    trigger(section->menuItemForItem(note("a1")), "Add to Favorites");
    EXPECT_EQ(favorites.paths, QStringList { "pwshadow://a1?title=One" });
}

TEST_F(ShadowSection, DeleteAsksAndYesRemovesTheRowAndAnEmptiedGroup)
{
    store<ShadowDocument>({ shadow("a1", "Only", "org.alpha", "Alpha", 1), shadow("b1", "First", "org.beta", "Beta", 2),
        shadow("b2", "Second", "org.beta", "Beta", 3) });
    make();
    AlertAnswerer alerts;

    alerts.expect("Cancel");
    section->deleteItem(note("a1"));
    EXPECT_EQ(alerts.shown, QStringList { "Delete 'Only'?|You cannot undo this action|Yes,Cancel" });
    EXPECT_EQ(ShadowDocument::fetchAllItems().size(), 3);
    EXPECT_TRUE(group("Alpha"));

    alerts.expect("Yes");
    section->deleteItem(note("a1"));
    EXPECT_EQ(ShadowDocument::fetchAllItems().size(), 2);
    EXPECT_FALSE(group("Alpha"));
    EXPECT_FALSE(visibleTitles().contains("Alpha"));

    // The group was made from the deleted note: at once no row stands for that note any more,
    // and the group answers clicks again.
    alerts.expect("Yes");
    section->deleteItem(note("b1"));
    const TreeListItemPtr beta = group("Beta");
    ASSERT_TRUE(beta);
    EXPECT_EQ(beta->identifier(), "b2");
    EXPECT_EQ(titles(beta), QStringList { "Second" });
    EXPECT_TRUE(section->owns(beta.get()));
    ASSERT_FALSE(list.isItemExpanded(beta));
    controller.listAction(&list, beta);
    EXPECT_TRUE(list.isItemExpanded(beta));

    // The change notification is running again.
    store<ShadowDocument>({ shadow("c1", "Later", "org.gamma", "Gamma", 4) });
    EXPECT_TRUE(group("Gamma"));
}

TEST_F(ShadowSection, RenamingToTheSameTitleBumpsTheDateAndTellsOpenTabs)
{
    store<ShadowDocument>({ shadow("a1", "Same", "org.alpha", "Alpha", 1) });
    make();
    MiniNoteEditedRecorder edits;
    section->setObjectValue(QStringLiteral("Same"), note("a1"));
    const auto stored = Realm::objectForPrimaryKey<ShadowDocument>("a1");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->title(), "Same");
    EXPECT_GT(stored->updatedDate(), at(1));
    ASSERT_EQ(edits.posted.size(), 1);
    EXPECT_EQ(edits.posted[0].value(Notifications::MINI_NOTE_EDITED_TITLE_PAYLOAD).toString(), "Same");
    EXPECT_EQ(edits.posted[0].value(Notifications::MINI_NOTE_EDITED_NEWURL_PAYLOAD).toUrl().toString(), "pwshadow://a1?title=Same");
    EXPECT_EQ(edits.posted[0].value(Notifications::MINI_NOTE_EDITED_OLDURL_PAYLOAD).toUrl().toString(), "pwshadow://a1?title=Same");

    // Groups and non-text values are not renamed.
    section->setObjectValue(QStringLiteral("Group"), group("Alpha"));
    section->setObjectValue(42, note("a1"));
    EXPECT_EQ(edits.posted.size(), 1);
}

TEST_F(ShadowSection, AClickThenADoubleClickLeaveOneTabThatIsNoQuickOpen)
{
    store<ShadowDocument>({ shadow("a1", "One", "org.alpha", "Alpha", 1) });
    make();
    list.expandItem(group("Alpha"));
    controller.listAction(&list, note("a1"));
    EXPECT_TRUE(section->isQuickOpenInProgress());
    controller.listDoubleAction(&list, note("a1"));
    EXPECT_FALSE(section->isQuickOpenInProgress());
    ASSERT_EQ(notes.documents.size(), 1u);
    EXPECT_EQ(notes.became, QStringList { "shadow|a1|One" });
    EXPECT_EQ(notes.broughtForward.size(), 1);
    EXPECT_EQ(notes.documents[0]->quickOpen, false);

    // A click on a group toggles it and opens nothing.
    controller.listAction(&list, group("Alpha"));
    EXPECT_FALSE(list.isItemExpanded(group("Alpha")));
    EXPECT_EQ(notes.documents.size(), 1u);
}

TEST_F(ShadowSection, ANoteWithoutAURLCannotBecomeAFavourite)
{
    store<ShadowDocument>({ shadow("bad id", "Broken", "org.alpha", "Alpha", 1) });
    make();
    StdoutCapture capture;
    section->addItemToFavorites(note("bad id"));
    std::fflush(stdout);
    EXPECT_TRUE(capture.text().contains("Error: Cannot set shadow document Broken to favorites")) << capture.text().toStdString();
    EXPECT_TRUE(favorites.paths.isEmpty());
}

TEST_F(ShadowSection, RevealingANoteInACollapsedGroupExpandsOnlyTheRoot)
{
    store<ShadowDocument>({ shadow("a1", "One", "org.alpha", "Alpha", 1) });
    make();
    list.collapseItem(section->rootItem());
    EXPECT_EQ(section->selectItemWithPath("pwshadow://a1?title=One"), note("a1"));
    EXPECT_TRUE(list.isItemExpanded(section->rootItem()));
    EXPECT_FALSE(list.isItemExpanded(group("Alpha")));
    EXPECT_EQ(list.selectedRow(), -1);
    EXPECT_FALSE(section->selectItemWithPath("pwshadow://missing?title=x"));
    EXPECT_FALSE(section->selectItemWithPath("not a url"));
}

TEST_F(ShadowSection, TheSortDialogOffersNoTypeAndItsChoiceIsStored)
{
    store<ShadowDocument>({ shadow("a1", "b", "org.alpha", "Alpha", 1), shadow("a2", "a", "org.alpha", "Alpha", 2) });
    make();
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<SidebarSortingOptionsWindowController*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->windowTitle(), "Sort Options for Shadow Notes");
        EXPECT_FALSE(dialog->sortByGroup()->button(3)->isEnabled());
        dialog->sortByGroup()->button(2)->click();
        dialog->sortOrderGroup()->button(0)->click();
        dialog->applyButton()->click();
    });
    trigger(section->menuItemForItem(section->rootItem()), "Sort Options...");
    EXPECT_EQ(platform::UserDefaults::standard().integerForKey(Prefs::SORTING_SHADOW_BY), 2);
    EXPECT_EQ(platform::UserDefaults::standard().integerForKey(Prefs::SORTING_SHADOW_ORDER), 1);
    EXPECT_EQ(titles(group("Alpha")), (QStringList { "a", "b" }));
}

} // namespace
