#include "ScratchViewController.h"

#include "MiniTestSupport.h"
#include "TextEditor/TextEditorView.h"

#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace penwick;

namespace {

const QDateTime kNow(QDate(2026, 12, 10), QTime(14, 5), Qt::UTC);

class ScratchViewControllerTest : public test::MiniDatabaseTest {
protected:
    void SetUp() override
    {
        test::MiniDatabaseTest::SetUp();
        page.setClock([this] { return now; });
        page.setLocale(QLocale(QStringLiteral("en_US")));
    }
    void type(const QString& text) { page.textEditor()->insertText(text); }
    QList<ScratchDocument> stored() { return ScratchDocument::fetchAllItems(); }

    QDateTime now = kNow;
    ScratchViewController page;
};

TEST(ScratchTitle, FollowsTheLocale)
{
    struct Case {
        const char* locale;
        const char* title;
    };
    const Case cases[] = {
        { "en_US", "Untitled - 12/10/26 14:05" },
        { "de_DE", "Untitled - 10.12.26 14:05" },
        { "en_GB", "Untitled - 10/12/26 14:05" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScratchViewController::untitledTitle(kNow, QLocale(QString::fromLatin1(c.locale))),
                  QString::fromLatin1(c.title))
            << c.locale;
}

TEST_F(ScratchViewControllerTest, ShowingAndHidingWithoutTypingWritesNothing)
{
    page.show();
    EXPECT_EQ(page.titleField()->text(), QStringLiteral("Untitled - 12/10/26 14:05"));
    EXPECT_TRUE(page.textEditor()->string().isEmpty());
    EXPECT_TRUE(page.addNewScratchNoteBtn()->isVisible());
    page.hide();
    EXPECT_TRUE(stored().isEmpty());
    EXPECT_FALSE(page.addNewScratchNoteBtn()->isVisibleTo(&page));
}

// Opening and closing the popover without typing must not touch a stored note: Penwick may show
// it in a tab, and may have changed it while the popover was open.
TEST_F(ScratchViewControllerTest, ShowingAndHidingLeavesAStoredNoteAlone)
{
    page.show();
    type(QStringLiteral("first version"));
    page.hide();
    ASSERT_EQ(stored().size(), 1);
    const QString id = page.scratchDocument()->id();
    const ScratchDocument before = stored()[0];
    page.show();
    page.hide();
    ASSERT_EQ(stored().size(), 1);
    EXPECT_EQ(stored()[0].updatedDate(), before.updatedDate());
    EXPECT_EQ(stored()[0].content(), before.content());
    EXPECT_EQ(stored()[0].title(), before.title());

    page.show();
    ASSERT_EQ(runHelper({ QStringLiteral("update-scratch"), folder, id, QStringLiteral("edited in Penwick") }),
              QStringLiteral("done"));
    const ScratchDocument edited = stored()[0];
    ASSERT_EQ(edited.content(), QStringLiteral("edited in Penwick"));
    page.hide();
    EXPECT_EQ(stored()[0].content(), QStringLiteral("edited in Penwick"));
    EXPECT_EQ(stored()[0].updatedDate(), edited.updatedDate());
    EXPECT_FALSE(page.saveDocument().has_value());
    EXPECT_EQ(stored()[0].updatedDate(), edited.updatedDate()) << "the save command writes nothing new either";

    // Typing is written, and only what changed.
    page.show();
    EXPECT_EQ(page.textEditor()->string(), QStringLiteral("edited in Penwick"));
    page.textEditor()->moveCursor(QTextCursor::End);
    type(QStringLiteral(", then here"));
    page.hide();
    EXPECT_EQ(stored()[0].content(), QStringLiteral("edited in Penwick, then here"));
}

TEST_F(ScratchViewControllerTest, ATransientNoteGetsANewTimeAtEveryShowing)
{
    page.show();
    page.hide();
    now = kNow.addSecs(3 * 60);
    page.show();
    EXPECT_EQ(page.titleField()->text(), QStringLiteral("Untitled - 12/10/26 14:08"));
}

TEST_F(ScratchViewControllerTest, TypingThenHidingStoresTitleAndContent)
{
    page.show();
    type(QStringLiteral("# Groceries\n- milk"));
    page.titleField()->setText(QStringLiteral("Shopping"));
    page.hide();
    const auto notes = stored();
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes[0].title(), QStringLiteral("Shopping"));
    EXPECT_EQ(notes[0].content(), QStringLiteral("# Groceries\n- milk"));
    EXPECT_TRUE(notes[0].updatedDate().isValid());
    EXPECT_EQ(notes[0].id(), page.scratchDocument()->id());

    // Shown again, it is the stored note, not a new one.
    page.show();
    EXPECT_EQ(page.textEditor()->string(), QStringLiteral("# Groceries\n- milk"));
    EXPECT_TRUE(page.canSaveNote());
}

TEST_F(ScratchViewControllerTest, EditingTheTitleAloneStoresTheNote)
{
    page.show();
    QTest::keyClicks(page.titleField(), QStringLiteral("!"));
    page.hide();
    ASSERT_EQ(stored().size(), 1);
    EXPECT_EQ(stored()[0].title(), QStringLiteral("Untitled - 12/10/26 14:05!"));
}

TEST_F(ScratchViewControllerTest, ANoteDeletedElsewhereGivesANewUntitledNote)
{
    page.show();
    type(QStringLiteral("to be deleted"));
    page.hide();
    const QString id = page.scratchDocument()->id();
    ASSERT_EQ(runHelper({ QStringLiteral("delete-scratch"), folder, id }), QStringLiteral("done"));
    page.show();
    EXPECT_NE(page.scratchDocument()->id(), id);
    EXPECT_TRUE(page.scratchDocument()->isTransient());
    EXPECT_TRUE(page.textEditor()->string().isEmpty());
    EXPECT_EQ(page.titleField()->text(), QStringLiteral("Untitled - 12/10/26 14:05"));
}

TEST_F(ScratchViewControllerTest, ANewNoteStoresThePreviousOneFirst)
{
    page.show();
    type(QStringLiteral("first"));
    page.titleField()->setText(QStringLiteral("One"));
    const QString firstId = page.scratchDocument()->id();
    ASSERT_TRUE(page.addNewScratchNote());
    const auto notes = stored();
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes[0].id(), firstId);
    EXPECT_EQ(notes[0].title(), QStringLiteral("One"));
    EXPECT_EQ(notes[0].content(), QStringLiteral("first"));
    EXPECT_NE(page.scratchDocument()->id(), firstId);
    EXPECT_TRUE(page.scratchDocument()->isTransient());
    EXPECT_TRUE(page.textEditor()->string().isEmpty());
}

TEST_F(ScratchViewControllerTest, AFailedSaveKeepsTheTextAndStoresItLater)
{
    page.show();
    type(QStringLiteral("precious"));
    page.titleField()->setText(QStringLiteral("Keep me"));
    RealmSetup::close();
    {
        test::StdoutCapture output;
        page.hide();
        EXPECT_TRUE(output.text().startsWith(QStringLiteral("Error: Error saving scratch document"))) << output.text().toStdString();
    }
    page.show(); // the database is still away: the note stays as it was
    EXPECT_EQ(page.textEditor()->string(), QStringLiteral("precious"));
    page.hide();
    ASSERT_TRUE(RealmSetup::setupInFolder(folder));
    page.show();
    EXPECT_EQ(page.textEditor()->string(), QStringLiteral("precious"));
    EXPECT_EQ(page.titleField()->text(), QStringLiteral("Keep me"));
    page.hide();
    const auto notes = stored();
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes[0].content(), QStringLiteral("precious"));
    EXPECT_EQ(notes[0].title(), QStringLiteral("Keep me"));
}

TEST_F(ScratchViewControllerTest, TheSelectionComesBack)
{
    page.show();
    type(QStringLiteral("hello world"));
    page.textEditor()->setSelectedRange({ 6, 5 });
    page.hide();
    page.textEditor()->setSelectedRange({ 0, 0 });
    page.show();
    EXPECT_EQ(page.textEditor()->selectedRange(), (platform::TextRange { 6, 5 }));
}

TEST_F(ScratchViewControllerTest, SaveIsANoOpForATransientNote)
{
    page.show();
    EXPECT_FALSE(page.saveDocument().has_value());
    EXPECT_TRUE(stored().isEmpty());
}

} // namespace
