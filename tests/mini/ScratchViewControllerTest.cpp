#include "ScratchViewController.h"

#include "../core/database/DatabaseHelperProcess.h"
#include "MiniTestSupport.h"
#include "NoteWriterSupport.h"
#include "TextEditor/TextEditorView.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
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
    ASSERT_TRUE(test::waitForNotesWritten());
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
    ASSERT_TRUE(test::waitForNotesWritten());
    ASSERT_EQ(stored().size(), 1);
    const QString id = page.scratchDocument()->id();
    const ScratchDocument before = stored()[0];
    page.show();
    page.hide();
    ASSERT_TRUE(test::waitForNotesWritten());
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
    ASSERT_TRUE(test::waitForNotesWritten());
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
    ASSERT_TRUE(test::waitForNotesWritten());
    EXPECT_EQ(stored()[0].content(), QStringLiteral("edited in Penwick, then here"));
}

TEST_F(ScratchViewControllerTest, ATransientNoteGetsANewTimeAtEveryShowing)
{
    page.show();
    page.hide();
    ASSERT_TRUE(test::waitForNotesWritten());
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
    ASSERT_TRUE(test::waitForNotesWritten());
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
    ASSERT_TRUE(test::waitForNotesWritten());
    ASSERT_EQ(stored().size(), 1);
    EXPECT_EQ(stored()[0].title(), QStringLiteral("Untitled - 12/10/26 14:05!"));
}

TEST_F(ScratchViewControllerTest, ANoteDeletedElsewhereGivesANewUntitledNote)
{
    page.show();
    type(QStringLiteral("to be deleted"));
    page.hide();
    ASSERT_TRUE(test::waitForNotesWritten());
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
    ASSERT_TRUE(test::waitForNotesWritten());
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
    ASSERT_TRUE(test::waitForNotesWritten());
        EXPECT_TRUE(output.text().startsWith(QStringLiteral("Error: Error saving scratch document"))) << output.text().toStdString();
    }
    page.show(); // the database is still away: the note stays as it was
    EXPECT_EQ(page.textEditor()->string(), QStringLiteral("precious"));
    page.hide();
    ASSERT_TRUE(test::waitForNotesWritten());
    ASSERT_TRUE(RealmSetup::setupInFolder(folder));
    page.show();
    EXPECT_EQ(page.textEditor()->string(), QStringLiteral("precious"));
    EXPECT_EQ(page.titleField()->text(), QStringLiteral("Keep me"));
    page.hide();
    ASSERT_TRUE(test::waitForNotesWritten());
    const auto notes = stored();
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes[0].content(), QStringLiteral("precious"));
    EXPECT_EQ(notes[0].title(), QStringLiteral("Keep me"));
}

TEST_F(ScratchViewControllerTest, WhileAnotherProgramHoldsTheDatabaseThePageKeepsAnsweringAndTheNoteIsStoredAfterwards)
{
    const QString typed = QStringLiteral("typed while another program writes\n- a list\n");
    page.show();
    type(typed);
    test::DatabaseLockHolder other(folder);
    ASSERT_TRUE(other.isLocked());

    int turns = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++turns; });
    timer.start(5);
    QElapsedTimer hiding;
    hiding.start();
    page.hide(); // the disappearance save
    const qint64 hideMs = hiding.elapsed();
    // The main thread goes on turning while the write waits for the lock.
    ASSERT_TRUE(test::waitUntil([&] { return turns >= 50; }, 60000));
    EXPECT_TRUE(stored().isEmpty()) << "the other program still holds the lock";
    page.show(); // shown again meanwhile: the page's own note, not a new one
    EXPECT_EQ(page.textEditor()->string(), typed);
    EXPECT_FALSE(page.scratchDocument()->isTransient());
    page.hide();

    other.release();
    ASSERT_TRUE(test::waitForNotesWritten());
    const auto notes = stored();
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes[0].content(), typed);
    EXPECT_EQ(notes[0].id(), page.scratchDocument()->id());
    std::printf("[ measure  ] hiding the page while the database was locked took %lld ms\n", static_cast<long long>(hideMs));
}

TEST(ScratchDamagedDatabase, ThePageSaysWhereTheNoteIsKeptAndTheNextStartStoresIt)
{
    const QString folder = test::temporaryFolder();
    const QString database = folder + QStringLiteral("/penwick.db");
    {
        QFile damaged(database);
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray(8192, 'x'));
    }
    EXPECT_FALSE(RealmSetup::setupInFolder(folder));
    const QString kept = NoteWriter::shared()->keptNotesPath();
    const QString typed = QStringLiteral("written on a bad day: **keep me**");
    {
        ScratchViewController page;
        page.show();
        ASSERT_TRUE(page.storeNotice()->isVisible()) << "the page says the notes cannot be stored";
        EXPECT_TRUE(page.storeNotice()->text().contains(database)) << page.storeNotice()->text().toStdString();
        EXPECT_TRUE(page.storeNotice()->text().contains(kept)) << "and names the file that keeps them";
        page.textEditor()->insertText(typed);
        page.hide();
        ASSERT_TRUE(test::waitForNotesWritten());
        QFile keptFile(kept);
        ASSERT_TRUE(keptFile.open(QIODevice::ReadOnly)) << "the note is kept beside the database";
        EXPECT_TRUE(QString::fromUtf8(keptFile.readAll()).contains(QStringLiteral("written on a bad day: **keep me**")));
        page.show();
        EXPECT_EQ(page.textEditor()->string(), typed);
        EXPECT_TRUE(page.storeNotice()->isVisible());
        page.hide();
    }
    RealmSetup::close(); // the program ends; the note stays in the file

    // The person moves the damaged file away; at the next start the note is taken in.
    ASSERT_TRUE(QFile::rename(database, database + QStringLiteral(".damaged")));
    ASSERT_TRUE(RealmSetup::setupInFolder(folder));
    ASSERT_TRUE(test::waitUntil([&] { return !QFile::exists(kept); }, 60000));
    const auto notes = ScratchDocument::fetchAllItems();
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes[0].content(), typed);
    ScratchViewController page;
    page.show();
    ASSERT_TRUE(test::waitUntil([&] { return !page.storeNotice()->isVisible(); }, 10000));
    RealmSetup::close();
}

TEST_F(ScratchViewControllerTest, TheSelectionComesBack)
{
    page.show();
    type(QStringLiteral("hello world"));
    page.textEditor()->setSelectedRange({ 6, 5 });
    page.hide();
    ASSERT_TRUE(test::waitForNotesWritten());
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
