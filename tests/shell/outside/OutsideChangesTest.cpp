// Files changed by other programs: reloaded when the document has no unsaved edits, never
// overwritten by a timed save without the person's answer; the text copied as HTML; the
// document's menu validation.
#include "OpenDocument.h"
#include "PlainEditorViewController.h"
#include "RecordingDialogs.h"

#include "platform/UserDefaults.h"
#include "Services/MarkdownFormatter.h"
#include "common/Prefs.h"
#include "shell/TVXDocument.h"
#include "shell/TVXDocumentController.h"
#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

using namespace penwick;

namespace {

QByteArray read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void setModified(const QString& path, const timespec& when)
{
    const timespec times[2] = { { 0, UTIME_OMIT }, when };
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

timespec modifiedOf(const QString& path)
{
    struct stat info {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    return info.st_mtim;
}

// Another program's write: a new file renamed over the old one, with a date of its own (set
// once the bytes are on disk, so that no later flush replaces it).
void replaceOnDisk(const QString& path, const QByteArray& bytes, int secondsAhead)
{
    const QString temporary = path + QStringLiteral(".other");
    {
        QFile file(temporary);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    setModified(temporary, { std::time(nullptr) + secondsAhead, 0 });
    ASSERT_EQ(std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()), 0);
}

// Another program's write into the file itself, in the same clock tick as the last write: the
// same inode, size and modification time, to the nanosecond.
void overwriteInTheSameTick(const QString& path, const QByteArray& bytes)
{
    const timespec before = modifiedOf(path);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_EQ(file.size(), bytes.size()) << "the same size, so that only the bytes differ";
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    setModified(path, before);
}

void spinEvents()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

class Outside : public ::testing::Test {
protected:
    Outside()
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("mine\n");
        file.close();
        document = test::openDocument(controller, path, false);
    }
    test::PlainEditorViewController* editor() { return test::plainEditor(*document); }
    QString text() { return editor()->getEditorTextView()->string(); }
    void type(const QString& more)
    {
        editor()->type(more);
        document->updateChangeCount(platform::DocumentChange::Done);
    }

    QString path = test::temporaryFolder() + QStringLiteral("/watched.md");
    test::PlainEditorFactoryScope factory;
    test::RecordingDialogs dialogs;
    TVXDocumentController controller;
    TVXDocument* document = nullptr;
};

} // namespace

TEST_F(Outside, AnUneditedDocumentReloadsAFileWithANewDateAndStaysUnedited)
{
    ASSERT_TRUE(document);
    ASSERT_EQ(text(), QStringLiteral("mine\n"));
    replaceOnDisk(path, "theirs\n", 5);
    document->presentedItemDidChange();
    EXPECT_EQ(text(), QStringLiteral("mine\n")); // the reload runs later, on the main thread
    spinEvents();
    EXPECT_EQ(text(), QStringLiteral("theirs\n"));
    EXPECT_FALSE(document->isDocumentEdited());
    EXPECT_FALSE(document->isInMiddleOfRevert());
    EXPECT_EQ(document->fileModificationDate(), QFileInfo(path).lastModified());
}

TEST_F(Outside, AnEqualDateReloadsNothing)
{
    // Shown text that differs from the file: a reload would replace it.
    editor()->getEditorTextView()->setString(QStringLiteral("shown"));
    document->presentedItemDidChange();
    spinEvents();
    EXPECT_EQ(text(), QStringLiteral("shown"));
}

TEST_F(Outside, UnsavedEditsAreNeverReplacedAndNothingIsLogged)
{
    type(QStringLiteral("typed "));
    replaceOnDisk(path, "theirs\n", 5);
    test::StdoutCapture capture;
    document->presentedItemDidChange();
    spinEvents();
    EXPECT_TRUE(capture.text().isEmpty()) << qPrintable(capture.text());
    EXPECT_EQ(text(), QStringLiteral("typed mine\n"));
    EXPECT_TRUE(document->isDocumentEdited());
}

TEST_F(Outside, AKeystrokeBetweenTheCheckAndTheRevertIsKept)
{
    replaceOnDisk(path, "theirs\n", 5);
    document->presentedItemDidChange(); // checked: unedited, new date; the revert is queued
    type(QStringLiteral("x"));          // a keystroke before the queued revert runs
    spinEvents();
    EXPECT_EQ(text(), QStringLiteral("xmine\n"));
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_EQ(read(path), QByteArray("theirs\n"));
}

TEST_F(Outside, ATimedSaveAsksOnceBeforeOverwritingAnOutsideChange)
{
    type(QStringLiteral("typed "));
    replaceOnDisk(path, "theirs\n", 5);

    dialogs.alertAnswers.push_back(2); // Cancel
    controller.fireSaveTimer();
    ASSERT_EQ(dialogs.alerts.size(), 1);
    EXPECT_EQ(dialogs.alerts[0].messageText, QStringLiteral("The file has been changed by another application."));
    EXPECT_EQ(dialogs.alerts[0].buttons, (QStringList { "Save Anyway", "Revert", "Cancel" }));
    EXPECT_EQ(read(path), QByteArray("theirs\n"));
    EXPECT_TRUE(document->isDocumentEdited());

    // Cancel keeps both: later firings neither write nor ask.
    controller.fireSaveTimer();
    controller.fireSaveTimer();
    EXPECT_EQ(dialogs.alerts.size(), 1);
    EXPECT_EQ(read(path), QByteArray("theirs\n"));

    // The person's own Save asks again; Save Anyway writes, and timed saves resume.
    dialogs.alertAnswers.push_back(0);
    EXPECT_TRUE(document->saveDocument(&controller));
    EXPECT_EQ(read(path), QByteArray("typed mine\n"));
    EXPECT_FALSE(document->timedSavesHeld());
    type(QStringLiteral("more "));
    controller.fireSaveTimer();
    EXPECT_EQ(read(path), QByteArray("typed more mine\n")); // typed where the caret was
    EXPECT_EQ(dialogs.alerts.size(), 2);
}

TEST_F(Outside, RevertTakesTheOtherProgramsVersion)
{
    type(QStringLiteral("typed "));
    replaceOnDisk(path, "theirs\n", 5);
    dialogs.alertAnswers.push_back(1); // Revert
    controller.fireSaveTimer();
    EXPECT_EQ(read(path), QByteArray("theirs\n"));
    EXPECT_EQ(text(), QStringLiteral("theirs\n"));
    EXPECT_FALSE(document->isDocumentEdited());
}

TEST_F(Outside, AFileGoneFromDiskLogsAnError)
{
    QFile::remove(path);
    test::StdoutCapture capture;
    document->presentedItemDidChange();
    spinEvents();
    EXPECT_TRUE(capture.text().contains(QStringLiteral("Error: Error reverting file contents"))) << qPrintable(capture.text());
    EXPECT_EQ(text(), QStringLiteral("mine\n"));
}

TEST_F(Outside, ThreeAtomicReplacementsInARowAreEachPickedUp)
{
    ASSERT_TRUE(document->isWatchingFile());
    for (int round = 1; round <= 3; ++round) {
        const QByteArray bytes = "version " + QByteArray::number(round) + "\n";
        replaceOnDisk(path, bytes, round * 10);
        EXPECT_TRUE(test::waitUntil([&] { return text() == QString::fromUtf8(bytes); }, 5000)) << "round " << round;
        EXPECT_TRUE(test::waitUntil([&] { return document->isWatchingFile(); }, 5000)) << "round " << round;
        EXPECT_FALSE(document->isDocumentEdited());
    }
    // Our own save is no outside change: nothing reloads, nothing asks.
    type(QStringLiteral("own "));
    EXPECT_TRUE(document->saveDocument(&controller));
    EXPECT_TRUE(dialogs.alerts.isEmpty());
    spinEvents();
    EXPECT_EQ(text(), QStringLiteral("own version 3\n"));
}

// Two writes in one clock tick leave equal dates: the bytes tell them apart. A change must never
// be taken for the document's own last write, whether it came after a save or after a read.
TEST_F(Outside, AWriteInTheSameTickAsTheLastSaveOrReadIsNeverOverwrittenSilently)
{
    const struct {
        const char* name;
        bool afterSave;
    } cases[] = { { "after a save", true }, { "after a read", false } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.alerts.clear();
        if (c.afterSave) {
            type(QStringLiteral("a"));
            ASSERT_TRUE(document->saveDocument(&controller));
        } else {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write("read me\n");
            file.close();
            ASSERT_TRUE(document->revertToContentsOfURL(document->fileURL(), document->fileType()));
        }
        const QByteArray ours = read(path);
        QByteArray theirs = ours;
        theirs[0] = 'Z';
        overwriteInTheSameTick(path, theirs);
        EXPECT_EQ(QFileInfo(path).lastModified(), document->fileModificationDate()) << "dates alone cannot tell";

        type(QStringLiteral("b"));
        dialogs.alertAnswers.push_back(2); // Cancel
        controller.fireSaveTimer();
        ASSERT_EQ(dialogs.alerts.size(), 1) << "the timed save asks first";
        EXPECT_EQ(dialogs.alerts[0].messageText, QStringLiteral("The file has been changed by another application."));
        EXPECT_EQ(read(path), theirs);
        // The person keeps their version; the next round starts from it.
        dialogs.alertAnswers.push_back(0); // Save Anyway
        ASSERT_TRUE(document->saveDocument(&controller));
    }
}

TEST_F(Outside, AnUneditedDocumentReloadsAWriteInTheSameTickAsItsRead)
{
    overwriteInTheSameTick(path, "MINE\n");
    document->presentedItemDidChange();
    spinEvents();
    EXPECT_EQ(text(), QStringLiteral("MINE\n"));
    EXPECT_FALSE(document->isDocumentEdited());

    // Nothing new on disk: no reload, and the shown text stays.
    editor()->getEditorTextView()->setString(QStringLiteral("shown"));
    document->presentedItemDidChange();
    spinEvents();
    EXPECT_EQ(text(), QStringLiteral("shown"));
}

TEST_F(Outside, BackToBackWritesAfterOurOwnSaveAreEachNoticed)
{
    // Written as fast as a program can: most of these share the save's clock tick.
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE(round);
        type(QStringLiteral("x"));
        ASSERT_TRUE(document->saveDocument(&controller));
        QByteArray theirs = read(path);
        theirs[0] = 'Y';
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            ASSERT_EQ(file.write(theirs), theirs.size());
        }
        EXPECT_TRUE(document->fileChangedOnDisk());
        dialogs.alertAnswers.push_back(0); // Save Anyway, so the next round starts clean
    }
}

// --- HTML and menus ---

TEST_F(Outside, TwoSelectedRangesGiveTheirLinesHTMLInOrderWithNothingBetween)
{
    editor()->getEditorTextView()->setString(QStringLiteral("# One\nbody\n# Two\n*more*\n"));
    editor()->getEditorTextView()->setSelectedRanges({ { 2, 1 }, { 18, 3 } });
    const QString expected = TVXDocument::htmlOfMarkdownTexts({ QStringLiteral("# One\n") })
        + TVXDocument::htmlOfMarkdownTexts({ QStringLiteral("*more*\n") });
    EXPECT_EQ(document->getSelectedTextsAsHTML(), expected);
    EXPECT_TRUE(expected.contains(QStringLiteral("<h1")) && expected.contains(QStringLiteral("<em>more</em>")));
    EXPECT_TRUE(document->canCopySelectedTextAsHTML());

    QSignalSpy copied(document, &TVXDocument::htmlCopied);
    document->copySelectedTextAsHTML();
    ASSERT_TRUE(copied.wait(10000));
    EXPECT_EQ(QApplication::clipboard()->text(), expected);

    document->copyHTMLToClipboard();
    ASSERT_TRUE(copied.wait(10000));
    EXPECT_EQ(QApplication::clipboard()->text(), document->getAllTextAsHTML());
}

TEST_F(Outside, TheFrontMatterTableComesBeforeTheBodyWhenTheSettingSplitsIt)
{
    editor()->getEditorTextView()->setString(QStringLiteral("---\ntitle: Hi\n---\n# Body\n"));
    const JekyllTableResult parts = MarkdownFormatter::formatRawContentWithJekyllTable(QStringLiteral("---\ntitle: Hi\n---\n# Body\n"));
    EXPECT_EQ(document->getAllTextAsHTML(), parts.frontMatterTable + parts.markdown);
}

TEST_F(Outside, MenuItemsAreValidatedByDocumentKind)
{
    QAction save;
    save.setObjectName(QStringLiteral("saveDocument"));
    QAction copySelection;
    copySelection.setObjectName(QStringLiteral("copySelectedTextAsHTML"));

    document->validateMenuItem(&save);
    EXPECT_EQ(save.text(), QStringLiteral("Save"));
    editor()->getEditorTextView()->setSelectedRange({ 0, 0 });
    EXPECT_FALSE(document->validateMenuItem(&copySelection));
    editor()->getEditorTextView()->setSelectedRange({ 0, 2 });
    EXPECT_TRUE(document->validateMenuItem(&copySelection));

    TVXDocument untitled;
    untitled.validateMenuItem(&save);
    EXPECT_EQ(save.text(), QStringLiteral("Save..."));
    TVXDocument note;
    note.setPseudoURL(QUrl(QStringLiteral("pwscratch://ab12?title=N")));
    note.validateMenuItem(&save);
    EXPECT_EQ(save.text(), QStringLiteral("Save"));
}
