// Scratch and shadow notes in tabs: loading, saving into the record, reloading a newer record,
// retitling, and saving a note as a file, including writes that fail.
#include "NoteWriterSupport.h"
#include "../../core/database/DatabaseHelperProcess.h"
#include "FileSizeLimit.h"
#include "PlainEditorViewController.h"
#include "RecordingDialogs.h"

#include "Extensions/Realm.h"
#include "Models/ScratchDocument.h"
#include "Models/ShadowDocument.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "common/Notifications.h"
#include "common/Prefs.h"
#include "shell/StoreNotice.h"
#include "shell/TVXDocument.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <gtest/gtest.h>


using namespace penwick;

namespace {

QDateTime fixedDate(int secondsAfter = 0)
{
    return QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC).addSecs(secondsAfter);
}

// Runs `body` with writes past `bytes` refused (the file-size limit), as a full disk would.
template <class Body>
void withFileSizeLimit(rlim_t bytes, Body body)
{
    const test::FileSizeLimit limit(bytes);
    ASSERT_TRUE(limit.isActive());
    body();
}

class Notes : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(RealmSetup::setupInFolder(databaseFolder));
        platform::UserDefaults::standard().removeObject(Prefs::DOCS_RETAIN_DOC_AFTER_SAVE);
    }
    void TearDown() override { RealmSetup::close(); }

    ScratchDocument storeScratch(const QString& id, const QString& content, const QDateTime& updated = fixedDate())
    {
        return store<ScratchDocument>(QStringLiteral("Scratch ") + id, id, content, updated);
    }
    ShadowDocument storeShadow(const QString& id, const QString& content, const QDateTime& updated = fixedDate())
    {
        return store<ShadowDocument>(QStringLiteral("Shadow ") + id, id, content, updated);
    }
    template <class Note>
    Note store(const QString& title, const QString& id, const QString& content, const QDateTime& updated)
    {
        Note note;
        note.setId(id);
        note.setTitle(title);
        note.setContent(content);
        note.setCreatedDate(fixedDate());
        note.setUpdatedDate(updated);
        EXPECT_FALSE(Realm::write([&](RealmTransaction& tx) { tx.add(note); }));
        return note;
    }
    // A document showing the note, as the sidebar opens it.
    TVXDocument& openScratch(const ScratchDocument& note)
    {
        const auto [url, title] = note.makePathURLAndTitle();
        document.setAsScratchDocument(note, *url, title);
        return document;
    }
    TVXDocument& openShadow(const ShadowDocument& note)
    {
        const auto [url, title] = note.makePathURLAndTitle();
        document.setAsShadowDocument(note, QIcon(), *url, title);
        return document;
    }
    void type(const QString& text)
    {
        typeAtEnd(document, text);
        document.updateChangeCount(platform::DocumentChange::Done);
    }
    // Typing goes where the caret is; these tests type at the end.
    static void typeAtEnd(TVXDocument& tab, const QString& text)
    {
        auto* view = test::plainEditor(tab)->getEditorTextView();
        view->setSelectedRange({ view->string().size(), 0 });
        test::plainEditor(tab)->type(text);
    }
    QString editorText() { return test::plainEditor(document)->getEditorTextView()->string(); }
    static std::optional<ScratchDocument> scratch(const QString& id) { return Realm::objectForPrimaryKey<ScratchDocument>(id); }

    QString databaseFolder = test::temporaryFolder();
    test::PlainEditorFactoryScope factory;
    test::RecordingDialogs dialogs;
    TVXDocument document;
};

} // namespace

TEST_F(Notes, ANoteLoadsItsRecordAndAnUneditedNoteWritesNothing)
{
    const ScratchDocument note = storeScratch(QStringLiteral("aa11"), QStringLiteral("# Kept\n"));
    openScratch(note);
    EXPECT_EQ(editorText(), QStringLiteral("# Kept\n"));
    EXPECT_EQ(document.displayName(), note.makePathURLAndTitle().second);
    EXPECT_EQ(document.canonicalURL(), *note.makePathURLAndTitle().first);
    EXPECT_FALSE(document.isDocumentEdited());

    EXPECT_TRUE(document.saveMiniDocument());
    EXPECT_EQ(scratch(QStringLiteral("aa11"))->updatedDate(), fixedDate());
    EXPECT_EQ(document.fileModificationDate(), fixedDate());
}

TEST_F(Notes, ASaveWritesTheRecordAndAnImmediateRestoreKeepsTheUndoHistory)
{
    openScratch(storeScratch(QStringLiteral("bb22"), QStringLiteral("start ")));
    type(QStringLiteral("typed"));
    ASSERT_TRUE(document.isDocumentEdited());

    // The timer's save of a note goes to its record, never to a panel.
    document.setIsQuickOpen(true);
    document.saveDocument(nullptr);
    ASSERT_TRUE(test::waitForNotesWritten());
    EXPECT_TRUE(dialogs.savePanels.isEmpty());
    EXPECT_FALSE(document.isQuickOpen());
    const auto stored = scratch(QStringLiteral("bb22"));
    EXPECT_EQ(stored->content(), QStringLiteral("start typed"));
    EXPECT_GT(stored->updatedDate(), fixedDate());
    EXPECT_EQ(document.fileModificationDate(), stored->updatedDate());
    EXPECT_FALSE(document.isDocumentEdited());

    auto* undo = test::plainEditor(document)->getEditorTextView()->undoManager();
    ASSERT_TRUE(undo->canUndo());
    document.restoreMiniDocument();
    EXPECT_EQ(editorText(), QStringLiteral("start typed"));
    EXPECT_TRUE(undo->canUndo());
}

TEST_F(Notes, ANewerRecordIsLoadedAndAbsentContentGivesAnEmptyEditor)
{
    struct Case {
        bool shadow;
        QString newer; // null: the record's content is absent
    };
    for (const Case& c : { Case { false, QStringLiteral("from elsewhere") }, Case { true, QStringLiteral("from elsewhere") },
             Case { false, QString() }, Case { true, QString() } }) {
        SCOPED_TRACE(c.shadow ? "shadow" : "scratch");
        TVXDocument tab;
        const QString id = QStringLiteral("cc%1").arg(c.newer.isNull() ? 1 : 2);
        if (c.shadow) {
            const ShadowDocument note = storeShadow(id, QStringLiteral("old"));
            tab.setAsShadowDocument(note, QIcon(), *note.makePathURLAndTitle().first, note.title());
        } else {
            const ScratchDocument note = storeScratch(id, QStringLiteral("old"));
            tab.setAsScratchDocument(note, *note.makePathURLAndTitle().first, note.title());
        }
        auto* editor = test::plainEditor(tab);
        tab.setIsQuickOpen(true);
        tab.restoreMiniDocument(); // same date: nothing changes
        EXPECT_EQ(editor->getEditorTextView()->string(), QStringLiteral("old"));

        if (c.shadow)
            storeShadow(id, c.newer, fixedDate(60));
        else
            storeScratch(id, c.newer, fixedDate(60));
        tab.restoreMiniDocument();
        EXPECT_EQ(editor->getEditorTextView()->string(), c.newer.isNull() ? QString() : c.newer);
        EXPECT_TRUE(tab.isQuickOpen()); // a quick-open tab stays one through the reload
        EXPECT_EQ(tab.fileModificationDate(), fixedDate(60));
    }
}

TEST_F(Notes, AQuickOpenTabStaysQuickOpenThroughSetAs)
{
    document.setIsQuickOpen(true);
    openScratch(storeScratch(QStringLiteral("dd44"), QStringLiteral("x")));
    EXPECT_TRUE(document.isQuickOpen());
    TVXDocument shadowTab;
    shadowTab.setIsQuickOpen(true);
    const ShadowDocument shadow = storeShadow(QStringLiteral("dd45"), QStringLiteral("y"));
    shadowTab.setAsShadowDocument(shadow, QIcon(), *shadow.makePathURLAndTitle().first, shadow.title());
    EXPECT_TRUE(shadowTab.isQuickOpen());
}

TEST_F(Notes, TheRecordIsFoundOnlyUnderItsOwnScheme)
{
    storeScratch(QStringLiteral("ee55"), QStringLiteral("scratch"));
    storeShadow(QStringLiteral("ee55"), QStringLiteral("shadow"));
    struct Case {
        QString url;
        bool scratch;
        bool shadow;
    };
    for (const Case& c : { Case { "pwscratch://ee55?title=A", true, false }, Case { "pwshadow://ee55?title=A", false, true },
             Case { "pwscratch://EE55?title=A", true, false }, Case { "pwscratch://ff66?title=A", false, false },
             Case { "pwscratch:?title=A", false, false } }) {
        TVXDocument tab;
        tab.setPseudoURL(QUrl(c.url));
        EXPECT_EQ(tab.asScratchDocument().has_value(), c.scratch) << qPrintable(c.url);
        EXPECT_EQ(tab.asShadowDocument().has_value(), c.shadow) << qPrintable(c.url);
    }
}

TEST_F(Notes, ATitleEditReachesOnlyTheTabWhoseURLMatchesExactly)
{
    const ScratchDocument note = storeScratch(QStringLiteral("ab12"), QStringLiteral("x"));
    const QUrl url(QStringLiteral("pwscratch://ab12?title=Old"));
    document.setAsScratchDocument(note, url, QStringLiteral("Old"));
    const QUrl renamed(QStringLiteral("pwscratch://ab12?title=New"));
    auto post = [](const QVariant& title, const QVariant& oldURL, const QVariant& newURL) {
        QVariantMap payload;
        payload.insert(Notifications::MINI_NOTE_EDITED_TITLE_PAYLOAD, title);
        payload.insert(Notifications::MINI_NOTE_EDITED_OLDURL_PAYLOAD, oldURL);
        payload.insert(Notifications::MINI_NOTE_EDITED_NEWURL_PAYLOAD, newURL);
        platform::NotificationCenter::defaultCenter().post(Notifications::MINI_NOTE_TITLE_EDITED, nullptr, payload);
    };
    // The same note under an older title, URLs sent as strings, a title that is no string.
    post(QStringLiteral("New"), QUrl(QStringLiteral("pwscratch://ab12?title=Older")), renamed);
    post(QStringLiteral("New"), url.toString(), renamed.toString());
    post(42, url, renamed);
    EXPECT_EQ(document.pseudoURL(), url);
    EXPECT_EQ(document.displayName(), QStringLiteral("Old"));

    post(QStringLiteral("New"), url, renamed);
    EXPECT_EQ(document.pseudoURL(), renamed);
    EXPECT_EQ(document.displayName(), QStringLiteral("New"));
    EXPECT_EQ(test::plainEditor(document)->shownTitle, QStringLiteral("New"));
    post(QStringLiteral("Again"), url, QUrl(QStringLiteral("pwscratch://ab12?title=Again")));
    EXPECT_EQ(document.displayName(), QStringLiteral("New"));
}

TEST_F(Notes, AWriteThatNeitherTheDatabaseNorTheFileBesideItTakesKeepsTheTabEditedAndTheNextSaveWritesIt)
{
    openScratch(storeScratch(QStringLiteral("fa11"), QStringLiteral("short")));
    // Large enough that the journal, and the file of kept notes, must grow past the limit below.
    const QString text = QString(256 * 1024, QLatin1Char('n'));
    type(text);
    qint64 largest = 0;
    for (const QFileInfo& info : QDir(databaseFolder).entryInfoList(QDir::Files))
        largest = std::max(largest, info.size());

    test::StdoutCapture capture;
    bool handedOver = false;
    withFileSizeLimit(rlim_t(largest + 4096), [&] {
        handedOver = document.saveMiniDocument();
        ASSERT_TRUE(test::waitForNotesWritten());
    });
    const QString logged = capture.text();

    EXPECT_TRUE(handedOver) << "the write waits on the writer's thread";
    EXPECT_TRUE(document.isDocumentEdited()) << "the tab holds the only copy";
    EXPECT_TRUE(logged.contains(QStringLiteral("Error: "))) << qPrintable(logged);
    EXPECT_EQ(scratch(QStringLiteral("fa11"))->content(), QStringLiteral("short"));
    EXPECT_EQ(document.fileModificationDate(), fixedDate());

    EXPECT_TRUE(document.saveMiniDocument());
    ASSERT_TRUE(test::waitForNotesWritten());
    EXPECT_FALSE(document.isDocumentEdited());
    EXPECT_EQ(scratch(QStringLiteral("fa11"))->content().size(), QStringLiteral("short").size() + text.size());
}

TEST_F(Notes, SavingANoteToAFileFollowsTheRetainSetting)
{
    for (const bool retainSetting : { false, true }) {
        SCOPED_TRACE(retainSetting ? "setting on" : "setting off");
        platform::UserDefaults::standard().setValue(Prefs::DOCS_RETAIN_DOC_AFTER_SAVE, retainSetting);
        const QString id = retainSetting ? QStringLiteral("a1") : QStringLiteral("a2");
        TVXDocument tab;
        const ScratchDocument note = storeScratch(id, QStringLiteral("note "));
        tab.setAsScratchDocument(note, *note.makePathURLAndTitle().first, note.title());
        typeAtEnd(tab, QStringLiteral("text"));
        tab.updateChangeCount(platform::DocumentChange::Done);
        const QString file = test::temporaryFolder() + QStringLiteral("/note.md");
        dialogs.savePanelAnswers.push_back(file);

        EXPECT_TRUE(tab.persistMiniDocumentToFile(nullptr));
        ASSERT_TRUE(test::waitForNotesWritten());
        QFile written(file);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll(), QByteArray("note text"));
        // On: the record goes. Off: the record stays and holds the text.
        EXPECT_EQ(scratch(id).has_value(), !retainSetting);
        if (!retainSetting) {
            EXPECT_EQ(scratch(id)->content(), QStringLiteral("note text"));
        }
        EXPECT_TRUE(tab.pseudoURL().isEmpty());
        EXPECT_TRUE(tab.icon().isNull());
        EXPECT_EQ(tab.canonicalURL(), QUrl::fromLocalFile(file));
        EXPECT_FALSE(tab.isDocumentEdited());
    }
}

TEST_F(Notes, ARefusedFileWriteKeepsTheNoteAndItsRecord)
{
    const QString folder = test::temporaryFolder();
    QFile blocker(folder + QStringLiteral("/regular"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    enum class Failure { UnderARegularFile, FileSizeLimit };
    int n = 0;
    for (const bool retainSetting : { false, true }) {
        for (const Failure failure : { Failure::UnderARegularFile, Failure::FileSizeLimit }) {
            SCOPED_TRACE(::testing::Message() << "setting " << retainSetting << " failure " << int(failure));
            platform::UserDefaults::standard().setValue(Prefs::DOCS_RETAIN_DOC_AFTER_SAVE, retainSetting);
            const QString id = QStringLiteral("b%1").arg(++n);
            TVXDocument tab;
            const ScratchDocument note = storeScratch(id, QStringLiteral("record"));
            const QUrl url = *note.makePathURLAndTitle().first;
            tab.setAsScratchDocument(note, url, note.title());
            typeAtEnd(tab, QString(64 * 1024, QLatin1Char('z')));
            tab.updateChangeCount(platform::DocumentChange::Done);
            const QString target = failure == Failure::UnderARegularFile ? folder + QStringLiteral("/regular/note.md")
                                                                        : folder + QStringLiteral("/big%1.md").arg(n);
            dialogs.savePanelAnswers.push_back(target);
            bool saved = true;
            if (failure == Failure::FileSizeLimit)
                withFileSizeLimit(4096, [&] { saved = tab.persistMiniDocumentToFile(nullptr); });
            else
                saved = tab.persistMiniDocumentToFile(nullptr);

            EXPECT_FALSE(saved);
            ASSERT_TRUE(scratch(id).has_value());
            EXPECT_EQ(scratch(id)->content(), QStringLiteral("record"));
            EXPECT_EQ(tab.pseudoURL(), url);
            EXPECT_TRUE(tab.fileURL().isEmpty());
            EXPECT_TRUE(tab.isDocumentEdited());
            EXPECT_FALSE(dialogs.alerts.isEmpty()); // the failure was shown
            // The tab is still the note's: its next timed save reaches the record.
            tab.saveDocument(nullptr);
            ASSERT_TRUE(test::waitForNotesWritten());
            EXPECT_EQ(scratch(id)->content().size(), 64 * 1024 + 6);
        }
    }
}

TEST_F(Notes, ClosingANoteSavesItFirstAndThenClosesWithoutAQuestion)
{
    openScratch(storeScratch(QStringLiteral("c1"), QStringLiteral("a")));
    type(QStringLiteral("b"));
    bool closes = false;
    document.canCloseDocument(nullptr, [&](bool answer) { closes = answer; });
    EXPECT_TRUE(closes);
    EXPECT_TRUE(dialogs.alerts.isEmpty());
    ASSERT_TRUE(test::waitForNotesWritten());
    EXPECT_EQ(scratch(QStringLiteral("c1"))->content(), QStringLiteral("ab"));
}

TEST_F(Notes, WhileAnotherProgramHoldsTheDatabaseTheTimersSaveReturnsAtOnceAndTheRecordFollows)
{
    openScratch(storeScratch(QStringLiteral("10c4"), QStringLiteral("start ")));
    type(QStringLiteral("typed"));
    test::DatabaseLockHolder other(databaseFolder);
    ASSERT_TRUE(other.isLocked());
    int turns = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++turns; });
    timer.start(5);

    document.saveDocument(nullptr); // the ten-second timer
    EXPECT_FALSE(document.isDocumentEdited()) << "the writer answers for the text now";
    // The main thread goes on turning while the write waits for the lock.
    ASSERT_TRUE(test::waitUntil([&] { return turns >= 50; }, 60000));
    EXPECT_EQ(scratch(QStringLiteral("10c4"))->content(), QStringLiteral("start "));
    type(QStringLiteral(" more")); // typing goes on meanwhile
    EXPECT_TRUE(document.isDocumentEdited());

    other.release();
    ASSERT_TRUE(test::waitForNotesWritten());
    const auto stored = scratch(QStringLiteral("10c4"));
    EXPECT_EQ(stored->content(), QStringLiteral("start typed"));
    EXPECT_EQ(document.fileModificationDate(), stored->updatedDate()) << "its own write is not loaded back";
    document.restoreMiniDocument();
    EXPECT_EQ(editorText(), QStringLiteral("start typed more"));
    EXPECT_TRUE(document.isDocumentEdited());
}

TEST(StoreNoticeInTheWindow, ADamagedDatabaseIsNamedWithTheFileThatKeepsTheNotesUntilItCanTakeThem)
{
    const QString folder = test::temporaryFolder();
    const QString database = folder + QStringLiteral("/penwick.db");
    {
        QFile damaged(database);
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray(8192, '\x7f'));
    }
    EXPECT_FALSE(RealmSetup::setupInFolder(folder));
    NoteWriter* writer = NoteWriter::shared();
    writer->setRetryIntervalMs(50);
    QWidget window;
    auto* notice = new StoreNotice(&window);
    window.show();
    ASSERT_TRUE(notice->isVisible());
    EXPECT_TRUE(notice->text().startsWith(
        QStringLiteral("Notes cannot be stored: The database file %1 is damaged or is not a database; it was left as it is. ").arg(database)))
        << notice->text().toStdString();
    EXPECT_TRUE(notice->text().endsWith(QStringLiteral("What you type in notes is kept in “%1” until the database can take it.").arg(writer->keptNotesPath())))
        << notice->text().toStdString();

    ScratchDocument note;
    note.setId(makeRecordId());
    note.setContent(QStringLiteral("kept"));
    writer->put(note);
    ASSERT_TRUE(test::waitForNotesWritten());
    EXPECT_TRUE(QFile::exists(writer->keptNotesPath()));
    EXPECT_TRUE(notice->isVisible());

    ASSERT_TRUE(QFile::rename(database, database + QStringLiteral(".damaged")));
    ASSERT_TRUE(test::waitUntil([&] { return !notice->isVisible(); }, 60000)) << "the notice goes once the notes are stored";
    EXPECT_FALSE(QFile::exists(writer->keptNotesPath()));
    RealmSetup::close();
}
