#include "PlainEditorViewController.h"
#include "RecordingDialogs.h"

#include "platform/NotificationCenter.h"
#include "common/MiniDocumentType.h"
#include "sidebar/FolderNavigatorItem.h"
#include "sidebar/SidebarDocumentHost.h"
#include "common/Notifications.h"
#include "shell/TVXDocument.h"
#include "TestSupport.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace penwick;

namespace {

class Document : public ::testing::Test {
protected:
    test::PlainEditorFactoryScope factory;
};

QUrl note(const char* text)
{
    return QUrl(QString::fromLatin1(text));
}

struct Delegate : QObject, TVXDocumentDelegate {
    void documentDidUpdate(TVXDocument* document) override { updates.append(document->isDocumentEdited()); }
    QWidget* getAttachedWindow() override { return nullptr; }
    QList<bool> updates;
};

struct Controller : platform::WindowController {
    QString scriptClassName() const override { return QStringLiteral("window"); }
    platform::ObjectSpecifier objectSpecifier() const override
    {
        return { QStringLiteral("application"), nullptr, QStringLiteral("windows"), QStringLiteral("W1") };
    }
    void setDocument(platform::Document* document) override { shown = document; }
    platform::Document* shown = nullptr;
};

} // namespace

TEST_F(Document, CanonicalUrlPrefersNoteThenFileThenTemporaryCopy)
{
    const QUrl file = QUrl::fromLocalFile(QStringLiteral("/tmp/a.md"));
    const QUrl temp = QUrl::fromLocalFile(QStringLiteral("/tmp/.temp/x_Untitled.pwtemp"));
    const QUrl scratch = note("pwscratch://abc?title=Note");

    TVXDocument noteDocument;
    noteDocument.setPseudoURL(scratch);
    noteDocument.setFileURL(file);
    noteDocument.setTempFileURL(temp);
    EXPECT_EQ(noteDocument.canonicalURL(), scratch);

    TVXDocument untitled;
    untitled.setTempFileURL(temp);
    EXPECT_EQ(untitled.canonicalURL(), temp);

    TVXDocument fileDocument;
    fileDocument.setFileURL(file);
    fileDocument.setTempFileURL(temp);
    EXPECT_EQ(fileDocument.canonicalURL(), file);
    EXPECT_EQ(fileDocument.filePath(), QStringLiteral("/tmp/a.md"));

    TVXDocument bare;
    EXPECT_TRUE(bare.canonicalURL().isEmpty());
    EXPECT_TRUE(bare.filePath().isEmpty());
}

TEST(MiniDocumentTypes, NoteUrlsAreClassifiedByTheirExactScheme)
{
    const std::vector<std::pair<std::optional<QString>, std::optional<MiniDocumentType>>> table = {
        { QStringLiteral("pwscratch://0a1b?title=Groceries"), MiniDocumentType::Scratch },
        { QStringLiteral("pwshadow://0a1b?title=report.md"), MiniDocumentType::Shadow },
        { QStringLiteral("pwscratch:"), MiniDocumentType::Scratch },
        { QStringLiteral("PWSCRATCH://0a1b?title=x"), std::nullopt },
        { QStringLiteral("PwShadow://0a1b"), std::nullopt },
        { QStringLiteral("file:///home/user/notes.md"), std::nullopt },
        { QStringLiteral("https://example.org/pwscratch"), std::nullopt },
        { QStringLiteral("not a url at all"), std::nullopt },
        { QStringLiteral("/home/user/pwscratch"), std::nullopt },
        { QStringLiteral(""), std::nullopt },
        { std::nullopt, std::nullopt },
    };
    for (const auto& [text, expected] : table)
        EXPECT_EQ(miniDocumentType(text), expected) << (text ? qPrintable(*text) : "none");
    EXPECT_EQ(miniDocumentTypeFromRawValue(0), MiniDocumentType::Scratch);
    EXPECT_EQ(miniDocumentTypeFromRawValue(1), MiniDocumentType::Shadow);
    EXPECT_EQ(miniDocumentTypeFromRawValue(2), std::nullopt);
    EXPECT_EQ(miniDocumentTypeFromRawValue(-1), std::nullopt);
}

TEST_F(Document, SettingQuickOpenRefreshesTheTabIconAtOnce)
{
    TVXDocument document;
    auto* editor = test::plainEditor(document);
    const int before = editor->iconRefreshes;
    document.setIsQuickOpen(true);
    EXPECT_EQ(editor->iconRefreshes, before + 1);
    EXPECT_TRUE(editor->shownQuickOpenIcon);
    document.setIsQuickOpen(false);
    EXPECT_EQ(editor->iconRefreshes, before + 2);
    EXPECT_FALSE(editor->shownQuickOpenIcon);
}

TEST_F(Document, UntitledDocumentsAreNumberedAndFilesShowTheirName)
{
    TVXDocument first, second;
    auto number = [](const QString& name) {
        if (name == QStringLiteral("Untitled"))
            return 1;
        const auto match = QRegularExpression(QStringLiteral("^Untitled (\\d+)$")).match(name);
        return match.hasMatch() ? match.captured(1).toInt() : -1;
    };
    const int a = number(first.displayName());
    ASSERT_GE(a, 1) << qPrintable(first.displayName());
    EXPECT_EQ(number(second.displayName()), a + 1);
    EXPECT_EQ(number(first.displayName()), a); // asked again, the name stays

    second.setFileURL(QUrl::fromLocalFile(QStringLiteral("/tmp/Draft notes.md")));
    EXPECT_EQ(second.displayName(), QStringLiteral("Draft notes.md"));
    first.setDisplayName(QStringLiteral("Groceries"));
    EXPECT_EQ(first.displayName(), QStringLiteral("Groceries"));
}

TEST_F(Document, ANewFileUrlRetitlesTheTab)
{
    TVXDocument document;
    auto* editor = test::plainEditor(document);
    document.setFileURL(QUrl::fromLocalFile(QStringLiteral("/tmp/renamed.md")));
    EXPECT_EQ(editor->shownTitle, QStringLiteral("renamed.md"));
}

TEST_F(Document, EachDocumentHasItsOwnUuidAndScriptingPlace)
{
    TVXDocument a, b;
    const QRegularExpression uuid(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));
    EXPECT_TRUE(uuid.match(a.uniqueID()).hasMatch()) << qPrintable(a.uniqueID());
    EXPECT_NE(a.uniqueID(), b.uniqueID());

    Controller controller;
    a.addWindowController(&controller);
    EXPECT_EQ(controller.shown, &a);
    const auto specifier = a.objectSpecifier();
    EXPECT_EQ(specifier.key, QStringLiteral("documents"));
    EXPECT_EQ(specifier.uniqueID, a.uniqueID());
    EXPECT_EQ(specifier.containerClassName, QStringLiteral("window"));
    ASSERT_TRUE(specifier.container);
    EXPECT_EQ(specifier.container->uniqueID, QStringLiteral("W1"));
    EXPECT_EQ(specifier.container->key, QStringLiteral("windows"));
}

TEST_F(Document, AskingForWindowsPostsTheWindowRequest)
{
    TVXDocument document;
    int posted = 0;
    auto observation = platform::NotificationCenter::defaultCenter().observe(TVXDocument::DocumentNeedWindowNotification, &document,
        [&](const platform::Notification& n) {
            ++posted;
            EXPECT_TRUE(n.userInfo.isEmpty());
        });
    document.makeWindowControllers();
    EXPECT_EQ(posted, 1);
}

TEST_F(Document, TheDelegateHearsEveryChangeCountUpdateUntilItGoes)
{
    TVXDocument document;
    auto delegate = std::make_unique<Delegate>();
    document.setDelegate(delegate.get());
    document.updateChangeCount(platform::DocumentChange::Done);
    document.updateChangeCount(platform::DocumentChange::Cleared);
    EXPECT_EQ(delegate->updates, (QList<bool> { true, false }));
    delegate.reset();
    EXPECT_EQ(document.delegate(), nullptr);
    document.updateChangeCount(platform::DocumentChange::Done); // no one to call, no crash
}

TEST_F(Document, ClosingReleasesTheEditorAndTheFolderItem)
{
    TVXDocument document;
    QPointer<QObject> editor = test::plainEditor(document);
    auto* plain = test::plainEditor(document);
    const auto item = FolderNavigatorItem::create(QStringLiteral("/tmp/notes.md"));
    document.setFileSystemItem(item);
    EXPECT_EQ(document.fileSystemItem(), item);
    document.close();
    EXPECT_TRUE(plain->delegatesRemoved);
    EXPECT_FALSE(document.hasEditorViewController());
    EXPECT_EQ(document.fileSystemItem(), nullptr);
    EXPECT_TRUE(document.isClosed());
    EXPECT_TRUE(test::waitUntil([&] { return editor.isNull(); }));
    // Asked again after the close, the editor is made afresh.
    EXPECT_NE(document.editorViewController(), nullptr);
}

TEST_F(Document, ATitleEditRetitlesOnlyTheTabOfThatNote)
{
    TVXDocument document;
    auto* editor = test::plainEditor(document);
    const QUrl oldURL = note("pwscratch://n1?title=Old");
    const QUrl newURL = note("pwscratch://n1?title=New");
    document.setPseudoURL(oldURL);
    document.setDisplayName(QStringLiteral("Old"));
    auto post = [](const QVariantMap& payload) {
        platform::NotificationCenter::defaultCenter().post(Notifications::MINI_NOTE_TITLE_EDITED, nullptr, payload);
    };
    auto payload = [](QVariant title, QVariant oldU, QVariant newU) {
        return QVariantMap { { Notifications::MINI_NOTE_EDITED_TITLE_PAYLOAD, title },
            { Notifications::MINI_NOTE_EDITED_OLDURL_PAYLOAD, oldU }, { Notifications::MINI_NOTE_EDITED_NEWURL_PAYLOAD, newU } };
    };
    // Ignored: another note's old URL (differing only in the title), a title that is not a
    // string, URLs given as strings, a missing key.
    post(payload(QStringLiteral("New"), note("pwscratch://n1?title=Olde"), newURL));
    post(payload(42, oldURL, newURL));
    post(payload(QStringLiteral("New"), oldURL.toString(), newURL.toString()));
    post({ { Notifications::MINI_NOTE_EDITED_TITLE_PAYLOAD, QStringLiteral("New") } });
    EXPECT_EQ(document.pseudoURL(), oldURL);
    EXPECT_EQ(document.displayName(), QStringLiteral("Old"));

    post(payload(QStringLiteral("New"), oldURL, newURL));
    EXPECT_EQ(document.pseudoURL(), newURL);
    EXPECT_EQ(document.displayName(), QStringLiteral("New"));
    EXPECT_EQ(editor->shownTitle, QStringLiteral("New"));
    // From now on the tab answers to the new URL only.
    post(payload(QStringLiteral("Again"), oldURL, note("pwscratch://n1?title=Again")));
    EXPECT_EQ(document.displayName(), QStringLiteral("New"));
}

TEST_F(Document, SavingAnUntitledDocumentAsksWhereAndOpensInTheDefaultLocation)
{
    test::RecordingDialogs dialogs;
    const QString dir = test::temporaryFolder();
    TVXDocument document;
    document.setDefaultSaveLocationURL(QUrl::fromLocalFile(dir));
    test::plainEditor(document)->getEditorTextView()->setString(QStringLiteral("hello\n"));
    document.updateChangeCount(platform::DocumentChange::Done);

    QObject saveCommand; // the menu's Save: a sender
    dialogs.savePanelAnswers.push_back(std::nullopt); // cancelled
    EXPECT_FALSE(document.saveDocument(&saveCommand));
    ASSERT_EQ(dialogs.savePanels.size(), 1);
    EXPECT_EQ(dialogs.savePanels[0].directory, dir);
    EXPECT_TRUE(document.isDocumentEdited());

    dialogs.savePanelAnswers.push_back(dir + QStringLiteral("/hello.md"));
    EXPECT_TRUE(document.saveDocument(&saveCommand));
    EXPECT_EQ(document.fileURL(), QUrl::fromLocalFile(dir + QStringLiteral("/hello.md")));
    EXPECT_EQ(document.fileType(), QStringLiteral("text/markdown"));
    EXPECT_FALSE(document.isDocumentEdited());
    QFile file(dir + QStringLiteral("/hello.md"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("hello\n"));
    EXPECT_EQ(document.displayName(), QStringLiteral("hello.md"));
}

TEST_F(Document, TheCloseReviewSavesDiscardsOrCancels)
{
    test::RecordingDialogs dialogs;
    const QString dir = test::temporaryFolder();
    struct Case {
        int button;               // Save, Cancel, Don't Save
        bool expectClose;
        bool expectFile;
    };
    for (const Case c : { Case { 0, true, true }, Case { 1, false, false }, Case { 2, true, false } }) {
        const QString path = dir + QStringLiteral("/review-%1.md").arg(c.button);
        TVXDocument document;
        test::plainEditor(document)->getEditorTextView()->setString(QStringLiteral("unsaved"));
        document.updateChangeCount(platform::DocumentChange::Done);
        dialogs.alertAnswers.push_back(c.button);
        dialogs.savePanelAnswers.push_back(path);
        const QString name = document.displayName();
        std::optional<bool> answer;
        document.canCloseDocument(nullptr, [&](bool shouldClose) { answer = shouldClose; });
        ASSERT_TRUE(answer) << c.button;
        EXPECT_EQ(*answer, c.expectClose) << c.button;
        EXPECT_EQ(QFile::exists(path), c.expectFile) << c.button;
        EXPECT_TRUE(dialogs.alerts.last().messageText.contains(name));
        dialogs.savePanelAnswers.clear();
    }
    TVXDocument clean;
    const auto alertsBefore = dialogs.alerts.size();
    bool closes = false;
    clean.canCloseDocument(nullptr, [&](bool shouldClose) { closes = shouldClose; });
    EXPECT_TRUE(closes);
    EXPECT_EQ(dialogs.alerts.size(), alertsBefore);
}

TEST_F(Document, TheSidebarSeesUrlsAsPresentOrAbsentAndHoldsItsRowWeakly)
{
    TVXDocument document;
    SidebarDocument* seen = document.sidebarDocument();
    EXPECT_FALSE(seen->canonicalURL());
    EXPECT_FALSE(seen->fileURL());
    EXPECT_FALSE(seen->pseudoURL());
    document.setPseudoURL(note("pwscratch://nothing-here?title=x"));
    EXPECT_EQ(seen->canonicalURL(), note("pwscratch://nothing-here?title=x"));
    EXPECT_FALSE(seen->hasScratchNoteRecord());
    EXPECT_FALSE(seen->hasShadowNoteRecord());
    {
        auto row = FolderNavigatorItem::create(QStringLiteral("/tmp/x.md"));
        seen->setFileSystemItem(row);
        EXPECT_EQ(seen->fileSystemItem(), row);
    }
    EXPECT_EQ(seen->fileSystemItem(), nullptr); // the tree let go of the row
    seen->setIsQuickOpen(true);
    EXPECT_TRUE(document.isQuickOpen());
    seen->setDefaultSaveLocationURL(QUrl::fromLocalFile(QStringLiteral("/tmp")));
    EXPECT_EQ(document.defaultSaveLocationURL(), QUrl::fromLocalFile(QStringLiteral("/tmp")));
}

TEST_F(Document, ARestoredDraftTakesTheNameAfterTheLastUnderscoreAndANewCopy)
{
    TVXDocument document;
    auto* editor = test::plainEditor(document);
    const QString reopened = QStringLiteral("/data/.temp/ABC-123_my_draft.pwtemp");
    document.postAutoSaveRestore(reopened);
    EXPECT_EQ(document.displayName(), QStringLiteral("draft"));
    EXPECT_EQ(editor->shownTitle, QStringLiteral("draft"));
    EXPECT_TRUE(document.isDocumentEdited());
    EXPECT_FALSE(editor->changedSinceLastTempAutoSave()); // the new copy is written at once
    const QString copy = document.tempFileURL().toLocalFile();
    EXPECT_TRUE(QFile::exists(copy));
    EXPECT_TRUE(copy.endsWith(QStringLiteral("_draft.pwtemp"))) << qPrintable(copy);
    EXPECT_NE(copy, reopened);
    EXPECT_TRUE(copy.contains(QStringLiteral("/.temp/")));
    EXPECT_EQ(document.canonicalURL(), document.tempFileURL());
}
