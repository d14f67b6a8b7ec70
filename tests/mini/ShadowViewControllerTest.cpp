#include "ShadowViewController.h"

#include "CoreNotifications.h"
#include "LoopbackHttpServer.h"
#include "MiniTestSupport.h"
#include "NoteWriterSupport.h"
#include "TextEditor/TextEditorView.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

#include <QBuffer>
#include <QComboBox>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

using namespace penwick;

namespace {

const QString kId = QStringLiteral("org.example.Editor");

class ShadowViewControllerTest : public test::MiniDatabaseTest {
protected:
    void SetUp() override
    {
        test::MiniDatabaseTest::SetUp();
        program.start(QStringLiteral("sleep"), { QStringLiteral("60") });
        ASSERT_TRUE(program.waitForStarted(5000));
        app.pid = program.processId();
        app.identifier = kId;
        app.localizedName = QStringLiteral("Example Editor");
        app.executablePath = QFileInfo(QStringLiteral("/proc/%1/exe").arg(app.pid)).symLinkTarget();
        app.windowTitle = QStringLiteral("two.md - Example Editor");
        AppTracker::sharedInstance().setPrevApp(std::nullopt);
        AppTracker::sharedInstance().setCurrentApp(std::nullopt);
    }
    void TearDown() override
    {
        AppTracker::sharedInstance().setDelegate(nullptr);
        platform::UserDefaults::standard().removeObject(QStringLiteral("autoInsertSourcePath"));
        program.kill();
        program.waitForFinished(5000);
        test::MiniDatabaseTest::TearDown();
    }
    void writeListingScript()
    {
        test::PrivateFolders::write(folders.userScripts() + kId + QStringLiteral(".sh"), R"(#!/bin/sh
echo '[{"title":"one.md","path":"/docs/one.md"},{"title":"two.md","path":"/docs/two.md","active":true},{"title":"three.md","path":"/docs/three.md"}]'
)");
    }
    // The program's script has answered.
    static void waitForList(const ShadowViewController& page)
    {
        ASSERT_TRUE(test::waitUntil([&] { return !page.isListing(); }, 10000));
    }
    QStringList popupTitles(const ShadowViewController& page)
    {
        QStringList titles;
        for (int i = 0; i < page.shadowListPopUpBtn()->count(); ++i)
            titles << page.shadowListPopUpBtn()->itemText(i);
        return titles;
    }
    void storeNote(const QString& path, const QString& content)
    {
        ShadowDocument note;
        note.setId(makeRecordId());
        note.setPath(path);
        note.setSourceIdentifier(kId);
        note.setContent(content);
        ASSERT_FALSE(Realm::write([&](RealmTransaction& tx) { tx.add(note); }).has_value());
    }

    test::PrivateFolders folders;
    QProcess program;
    RunningApplication app;
};

TEST_F(ShadowViewControllerTest, TheScriptsActiveDocumentIsSelectedWithItsNote)
{
    writeListingScript();
    storeNote(QStringLiteral("/docs/two.md"), QStringLiteral("note of two"));
    ShadowViewController page;
    AppTracker::sharedInstance().setCurrentApp(app);
    waitForList(page);
    EXPECT_EQ(popupTitles(page), (QStringList { QStringLiteral("Example Editor"), QStringLiteral("one.md"),
                                                QStringLiteral("two.md"), QStringLiteral("three.md") }));
    EXPECT_EQ(page.shadowListPopUpBtn()->currentIndex(), 2);
    EXPECT_EQ(page.textEditor()->string(), QStringLiteral("note of two"));
    EXPECT_EQ(page.pathLbl()->text(), QStringLiteral("/docs/two.md"));
    EXPECT_EQ(page.shadowList()[0].toolTip, page.windowTitle());
}

TEST_F(ShadowViewControllerTest, WithoutAScriptOnlyTheProgramIsListed)
{
    ShadowViewController page;
    AppTracker::sharedInstance().setCurrentApp(app);
    waitForList(page);
    EXPECT_EQ(popupTitles(page), QStringList { QStringLiteral("Example Editor") });
    page.textEditor()->insertText(QStringLiteral("about the program"));
    ASSERT_FALSE(page.saveDocument().has_value());
    ASSERT_TRUE(test::waitForNotesWritten());
    const auto notes = ShadowDocument::fetchAllItems();
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes[0].path(), app.executablePath);
    EXPECT_EQ(notes[0].sourceIdentifier(), kId);
    EXPECT_EQ(notes[0].sourceName(), QStringLiteral("Example Editor"));
    EXPECT_EQ(notes[0].title(), QStringLiteral("Example Editor"));
    EXPECT_EQ(notes[0].content(), QStringLiteral("about the program"));
}

TEST_F(ShadowViewControllerTest, ANewNoteStartsWithItsSourceWhenAsked)
{
    writeListingScript();
    storeNote(QStringLiteral("/docs/one.md"), QStringLiteral("stored"));
    platform::UserDefaults::standard().setValue(QStringLiteral("autoInsertSourcePath"), true);
    ShadowViewController page;
    AppTracker::sharedInstance().setCurrentApp(app);
    waitForList(page);
    EXPECT_EQ(page.textEditor()->string(), QStringLiteral("*Source: /docs/two.md*\n"));
    EXPECT_FALSE(page.canSaveNote()) << "the inserted line is no typing";
    page.changeShadowListPopUpSelection(1);
    EXPECT_EQ(page.textEditor()->string(), QStringLiteral("stored"));
}

TEST_F(ShadowViewControllerTest, SwitchingSavesOnlyATypedNoteAndPostsAddedThenUpdated)
{
    writeListingScript();
    std::vector<platform::Notification> posted;
    auto observation = platform::NotificationCenter::defaultCenter().observe(
        QString(), nullptr, [&](const platform::Notification& n) {
            if (n.name.startsWith(QStringLiteral("ShadowNote")))
                posted.push_back(n);
        });
    ShadowViewController page;
    AppTracker::sharedInstance().setCurrentApp(app);
    waitForList(page);
    page.changeShadowListPopUpSelection(1); // two.md untouched: nothing saved
    EXPECT_TRUE(ShadowDocument::fetchAllItems().isEmpty());
    EXPECT_TRUE(posted.empty());
    page.textEditor()->insertText(QStringLiteral("first words"));
    page.changeShadowListPopUpSelection(3);
    ASSERT_TRUE(test::waitForNotesWritten());
    ASSERT_EQ(ShadowDocument::fetchAllItems().size(), 1);
    EXPECT_EQ(ShadowDocument::fetchAllItems()[0].path(), QStringLiteral("/docs/one.md"));
    EXPECT_EQ(ShadowDocument::fetchAllItems()[0].title(), QStringLiteral("one.md"));
    page.changeShadowListPopUpSelection(1);
    page.textEditor()->moveCursor(QTextCursor::End);
    page.textEditor()->insertText(QStringLiteral(", more"));
    ASSERT_FALSE(page.saveDocument().has_value());
    ASSERT_TRUE(test::waitForNotesWritten());
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].name, CoreNotifications::SHADOW_NOTE_ADDED);
    EXPECT_EQ(posted[1].name, CoreNotifications::SHADOW_NOTE_UPDATED);
    for (const auto& n : posted) {
        EXPECT_EQ(n.object, &page);
        EXPECT_EQ(n.userInfo.value(CoreNotifications::SHADOW_NOTE_PAYLOAD).toString(), QStringLiteral("/docs/one.md"));
    }
    EXPECT_EQ(ShadowDocument::fetchAllItems()[0].content(), QStringLiteral("first words, more"));
}

TEST_F(ShadowViewControllerTest, ANoteIsFoundAgainAfterARestart)
{
    writeListingScript();
    {
        ShadowViewController page;
        AppTracker::sharedInstance().setCurrentApp(app);
        waitForList(page);
        page.textEditor()->insertText(QStringLiteral("remember me"));
        page.show();
        page.hide(); // the disappearance save
        ASSERT_TRUE(test::waitForNotesWritten());
    }
    RealmSetup::close();
    ASSERT_TRUE(RealmSetup::setupInFolder(folder));
    ShadowViewController page;
    AppTracker::sharedInstance().setCurrentApp(app);
    waitForList(page);
    EXPECT_EQ(page.textEditor()->string(), QStringLiteral("remember me"));
    EXPECT_TRUE(page.canSaveNote());
}

TEST_F(ShadowViewControllerTest, PenwickMiniItselfStandsForThePreviousProgram)
{
    ShadowViewController page;
    RunningApplication self;
    self.pid = QCoreApplication::applicationPid();
    self.identifier = QStringLiteral("PenwickMini");
    self.localizedName = QStringLiteral("Penwick Mini");
    self.executablePath = QCoreApplication::applicationFilePath();
    AppTracker::sharedInstance().setPrevApp(app);
    AppTracker::sharedInstance().setCurrentApp(self);
    ASSERT_TRUE(page.shadowApp().has_value());
    EXPECT_EQ(page.shadowApp()->identifier, kId);
    EXPECT_EQ(popupTitles(page), QStringList { QStringLiteral("Example Editor") });
}

TEST_F(ShadowViewControllerTest, TheShippedScriptListsTheFilesOnTheCommandLine)
{
    const QString file = test::temporaryFolder() + QStringLiteral("/chapter one.md");
    test::PrivateFolders::write(file, "# one", false);
    QProcess editor;
    editor.start(QStringLiteral("sh"), { QStringLiteral("-c"), QStringLiteral("sleep 60"), QStringLiteral("editor"),
                                          QStringLiteral("--flag"), file, QStringLiteral("/no/such/file") });
    ASSERT_TRUE(editor.waitForStarted(5000));
    // The real resources, with the shipped scripts.
    qputenv("PENWICK_RESOURCES", QByteArray());
    app.pid = editor.processId();
    app.identifier = QStringLiteral("org.gnome.gedit");
    app.windowTitle = QStringLiteral("chapter one.md (~/notes) - gedit");
    ShadowViewController page;
    AppTracker::sharedInstance().setCurrentApp(app);
    waitForList(page);
    editor.kill();
    editor.waitForFinished(5000);
    ASSERT_EQ(page.shadowList().size(), 2);
    EXPECT_EQ(page.shadowList()[1].path, file);
    EXPECT_EQ(page.shadowList()[1].title, QStringLiteral("chapter one.md"));
    EXPECT_EQ(page.shadowList()[1].isActive, std::optional<bool>(true));
    EXPECT_EQ(page.shadowListPopUpBtn()->currentIndex(), 1);
}

TEST_F(ShadowViewControllerTest, WithoutAProgramThePageSaysSoAndTakesNoTyping)
{
    ShadowViewController page;
    AppTracker::sharedInstance().setCurrentApp(app);
    waitForList(page);
    EXPECT_FALSE(page.textEditor()->isReadOnly());
    page.textEditor()->insertText(QStringLiteral("kept"));
    AppTracker::sharedInstance().setCurrentApp(std::nullopt);
    ASSERT_TRUE(test::waitForNotesWritten());
    const auto notes = ShadowDocument::fetchAllItems();
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes[0].content(), QStringLiteral("kept")) << "the note typed so far is saved first";
    EXPECT_EQ(page.pathLbl()->text(), ShadowViewController::noProgramText());
    EXPECT_EQ(page.shadowListPopUpBtn()->count(), 0);
    EXPECT_TRUE(page.textEditor()->string().isEmpty());
    EXPECT_TRUE(page.textEditor()->isReadOnly());
    QTest::keyClicks(page.textEditor(), QStringLiteral("into nothing"));
    EXPECT_TRUE(page.textEditor()->string().isEmpty()) << "typing that could not be kept is refused";
    EXPECT_FALSE(page.canSaveNote());
    // A program again: typing is taken.
    AppTracker::sharedInstance().setCurrentApp(app);
    waitForList(page);
    EXPECT_FALSE(page.textEditor()->isReadOnly());
    EXPECT_EQ(page.textEditor()->string(), QStringLiteral("kept"));
}

// The list is built anew whenever the popover becomes active; the note shown keeps its place.
TEST_F(ShadowViewControllerTest, TheSameNoteKeepsItsSelectionWhenTheListIsBuiltAnew)
{
    writeListingScript();
    storeNote(QStringLiteral("/docs/two.md"), QStringLiteral("hello world"));
    ShadowViewController page;
    AppTracker::sharedInstance().setCurrentApp(app);
    waitForList(page);
    ASSERT_EQ(page.textEditor()->string(), QStringLiteral("hello world"));
    page.textEditor()->setSelectedRange({ 6, 5 });
    AppTracker::sharedInstance().setCurrentApp(app);
    waitForList(page);
    EXPECT_EQ(page.textEditor()->string(), QStringLiteral("hello world"));
    EXPECT_EQ(page.textEditor()->selectedRange(), (platform::TextRange { 6, 5 }));
    // Another note starts at its beginning.
    page.changeShadowListPopUpSelection(1);
    EXPECT_EQ(page.textEditor()->selectedRange(), (platform::TextRange { 0, 0 }));
}

// The same program again (the popover shown once more): the note shown stays while the script
// runs, so typing goes on there; the answer then shows the document active now, unless the user
// typed meanwhile.
TEST_F(ShadowViewControllerTest, TheSameProgramKeepsTheNoteShownUntilItsScriptAnswers)
{
    const QString go = folders.home + QStringLiteral("/go");
    const QString activeFile = folders.home + QStringLiteral("/active");
    test::PrivateFolders::write(folders.userScripts() + kId + QStringLiteral(".sh"), "#!/bin/sh\nwhile [ ! -e '" + go.toUtf8()
        + "' ]; do sleep 0.02; done\nactive=$(cat '" + activeFile.toUtf8() + R"SH(')
printf '[{"title":"one.md","path":"/docs/one.md","active":%s},{"title":"two.md","path":"/docs/two.md","active":%s}]'   "$([ "$active" = one ] && echo true || echo false)" "$([ "$active" = two ] && echo true || echo false)"
)SH");
    storeNote(QStringLiteral("/docs/one.md"), QStringLiteral("note of one"));
    storeNote(QStringLiteral("/docs/two.md"), QStringLiteral("note of two"));
    const auto answer = [&](const char* active) {
        test::PrivateFolders::write(activeFile, active, false);
        test::PrivateFolders::write(go, "", false);
    };
    ShadowViewController page;
    answer("two");
    AppTracker::sharedInstance().setCurrentApp(app);
    waitForList(page);
    ASSERT_EQ(page.textEditor()->string(), QStringLiteral("note of two"));

    for (const bool typeMeanwhile : { true, false }) {
        QFile::remove(go);
        AppTracker::sharedInstance().setCurrentApp(app);
        EXPECT_TRUE(page.isListing());
        EXPECT_EQ(page.shadowListPopUpBtn()->currentIndex(), 2) << "the note shown stays while the script runs";
        EXPECT_EQ(popupTitles(page).size(), 3);
        if (typeMeanwhile) {
            page.textEditor()->moveCursor(QTextCursor::End);
            page.textEditor()->insertText(QStringLiteral(", typed"));
        }
        answer("one"); // the user went to one.md in the program meanwhile
        waitForList(page);
        if (typeMeanwhile) {
            EXPECT_EQ(page.shadowListPopUpBtn()->currentIndex(), 2) << "typing meanwhile keeps the note";
            EXPECT_EQ(page.textEditor()->string(), QStringLiteral("note of two, typed"));
            ASSERT_FALSE(page.saveDocument().has_value());
            ASSERT_TRUE(test::waitForNotesWritten());
        } else {
            EXPECT_EQ(page.shadowListPopUpBtn()->currentIndex(), 1);
            EXPECT_EQ(page.textEditor()->string(), QStringLiteral("note of one"));
        }
    }
    for (const ShadowDocument& note : ShadowDocument::fetchAllItems()) {
        if (note.path() == QStringLiteral("/docs/two.md")) {
            EXPECT_EQ(note.content(), QStringLiteral("note of two, typed"));
        }
    }
}

TEST_F(ShadowViewControllerTest, AnUntouchedNoteIsNotWrittenBackOverPenwicksEdit)
{
    const QDateTime penwicksDate(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);
    storeNote(app.executablePath, QStringLiteral("as stored"));
    ShadowViewController page;
    AppTracker::sharedInstance().setCurrentApp(app);
    waitForList(page);
    ASSERT_EQ(page.textEditor()->string(), QStringLiteral("as stored"));
    page.show();
    // Penwick edits the note while the popover shows it.
    ShadowDocument edited = ShadowDocument::fetchAllItems().value(0);
    edited.setContent(QStringLiteral("edited in Penwick"));
    edited.setUpdatedDate(penwicksDate);
    ASSERT_FALSE(Realm::write([&](RealmTransaction& tx) { tx.add(edited); }).has_value());
    page.hide();
    ASSERT_TRUE(test::waitForNotesWritten());
    RunningApplication other = app;
    other.identifier = QStringLiteral("org.example.Other");
    AppTracker::sharedInstance().setCurrentApp(other);
    const auto notes = ShadowDocument::fetchAllItems();
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes[0].content(), QStringLiteral("edited in Penwick"));
    EXPECT_EQ(notes[0].updatedDate(), penwicksDate);
}

TEST_F(ShadowViewControllerTest, TheProgramIsListedAtOnceAndItsDocumentsWhenTheScriptAnswers)
{
    const QString go = folders.home + QStringLiteral("/go");
    test::PrivateFolders::write(folders.userScripts() + kId + QStringLiteral(".sh"), "#!/bin/sh\nwhile [ ! -e '" + go.toUtf8() + R"(' ]; do sleep 0.02; done
echo '[{"title":"one.md","path":"/docs/one.md"},{"title":"two.md","path":"/docs/two.md","active":true}]'
)");
    storeNote(QStringLiteral("/docs/two.md"), QStringLiteral("note of two"));
    for (const bool typeFirst : { false, true }) {
        QFile::remove(go);
        ShadowViewController page;
        AppTracker::sharedInstance().setCurrentApp(app);
        EXPECT_TRUE(page.isListing());
        EXPECT_EQ(popupTitles(page), QStringList { QStringLiteral("Example Editor") });
        EXPECT_FALSE(page.textEditor()->isReadOnly());
        if (typeFirst)
            page.textEditor()->insertText(QStringLiteral("about the program"));
        test::PrivateFolders::write(go, "", false);
        waitForList(page);
        EXPECT_EQ(popupTitles(page), (QStringList { QStringLiteral("Example Editor"), QStringLiteral("one.md"), QStringLiteral("two.md") }));
        if (typeFirst) {
            EXPECT_EQ(page.shadowListPopUpBtn()->currentIndex(), 0) << "typing meanwhile keeps the program's note";
            EXPECT_EQ(page.textEditor()->string(), QStringLiteral("about the program"));
        } else {
            EXPECT_EQ(page.shadowListPopUpBtn()->currentIndex(), 2);
            EXPECT_EQ(page.textEditor()->string(), QStringLiteral("note of two"));
        }
        AppTracker::sharedInstance().setCurrentApp(std::nullopt);
    }
}

// The icon comes from the page's own site, port included: a site on another port than its
// scheme's serves its own icon there.
TEST_F(ShadowViewControllerTest, AWebPageShowsItsSitesIconFromTheSite)
{
    test::LoopbackHttpServer site;
    ASSERT_TRUE(site.isListening());
    QImage favicon(16, 16, QImage::Format_ARGB32);
    favicon.fill(QColor(0xd0, 0x20, 0x30));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(favicon.save(&buffer, "PNG"));
    site.setResponse(QStringLiteral("/favicon.ico"), png, "image/png");
    const QString page = site.url(QStringLiteral("/articles/today.html?view=full")).toString();
    test::PrivateFolders::write(folders.userScripts() + kId + QStringLiteral(".sh"),
                                "#!/bin/sh\necho '[{\"title\":\"Today\",\"path\":\"" + page.toUtf8()
                                    + "\",\"active\":true}]'\n");

    ShadowViewController view;
    AppTracker::sharedInstance().setCurrentApp(app);
    waitForList(view);
    ASSERT_EQ(view.shadowListPopUpBtn()->currentIndex(), 1);
    EXPECT_EQ(view.pathLbl()->text(), page) << "a web address is shown as it is";
    const auto shownColour = [&] {
        const QImage shown = view.appIconImageView()->pixmap().toImage();
        return shown.isNull() ? QColor() : shown.pixelColor(shown.width() / 2, shown.height() / 2);
    };
    ASSERT_TRUE(test::waitUntil([&] { return shownColour() == QColor(0xd0, 0x20, 0x30); }, 10000))
        << "the site's icon, from the site's own port, replaces the program's";
    EXPECT_EQ(site.requestCount(QStringLiteral("/favicon.ico")), 1);
    EXPECT_EQ(site.requestCount(QStringLiteral("/articles/today.html")), 0) << "only the icon is fetched";
}

} // namespace
