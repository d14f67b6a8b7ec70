// Saving and reopening the window's documents and root folders.
#include "../folders_section/FoldersFixture.h"
#include "../support/RecordingNoteDocuments.h"
#include "Extensions/Realm.h"
#include "Models/ShadowDocument.h"
#include "sidebar/NoteSections.h"
#include "sidebar/SidebarManager.h"

using namespace penwick;
using namespace penwick::test;

namespace {

class Session : public FoldersSection {
protected:
    void SetUp() override
    {
        FoldersSection::SetUp();
        ASSERT_TRUE(RealmSetup::setupInFolder(temporaryFolder()));
    }
    void TearDown() override
    {
        RealmSetup::close();
        FoldersSection::TearDown();
    }

    void store(const QStringList& urls) { platform::UserDefaults::standard().setValue(Prefs::SESSION_RESTORE_DOCS, urls); }
    static QString fileURL(const QString& path) { return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded); }

    RecordingNoteDocuments notes;
};

TEST_F(Session, ThreeTabsSaveThreeStringsInTabOrder)
{
    SidebarManager manager(&list, &host);
    RecordingDocument file(QUrl::fromLocalFile(root + "/my notes.md"));
    RecordingDocument shadow(QUrl {});
    shadow.pseudo = QUrl(QStringLiteral("pwshadow://abc123?title=Shadow"));
    RecordingDocument untitled(QUrl::fromLocalFile(base + "/.temp/Untitled.pwtemp"));
    RecordingDocument nothing(QUrl {});
    // The manager only needs the folders section here.
    controller.close();
    manager.awakeFromNib();
    manager.saveSession({ &file, &shadow, &nothing, &untitled });
    const QStringList saved = platform::UserDefaults::standard().stringArrayForKey(Prefs::SESSION_RESTORE_DOCS);
    ASSERT_EQ(saved.size(), 3);
    EXPECT_EQ(saved[0], fileURL(root + "/my notes.md"));
    EXPECT_EQ(QUrl(saved[0], QUrl::StrictMode).toLocalFile(), root + "/my notes.md");
    EXPECT_EQ(saved[1], "pwshadow://abc123?title=Shadow");
    EXPECT_TRUE(saved[2].endsWith(".pwtemp"));

    manager.saveSession({});
    EXPECT_EQ(platform::UserDefaults::standard().stringArrayForKey(Prefs::SESSION_RESTORE_DOCS), QStringList());
}

TEST_F(Session, FilesReopenInOrderEachAfterThePreviousCompletion)
{
    addRoot();
    makeFile(root + "/third.md");
    ShadowDocument note;
    note.setId(QStringLiteral("note-1"));
    note.setTitle(QStringLiteral("Kept"));
    ASSERT_FALSE(Realm::write([&](RealmTransaction& tx) { tx.add(note); }));
    makeFile(base + "/.temp/Untitled.pwtemp", "draft");
    store({ fileURL(root + "/notes.md"), "pwshadow://gone?title=Gone", fileURL(root + "/deleted.md"), "pwshadow://note-1?title=Kept",
        fileURL(root + "/third.md"), fileURL(base + "/.temp/Untitled.pwtemp"), "http://[bad" });

    host.completeAtOnce = false;
    EXPECT_TRUE(section->restoreSession());
    EXPECT_EQ(host.opened, QList<QUrl> { QUrl::fromLocalFile(root + "/notes.md") });
    EXPECT_TRUE(notes.became.isEmpty());

    // Completing notes.md reveals its row (which the window brings forward) and goes on.
    ASSERT_TRUE(host.completeNext());
    EXPECT_EQ(host.documents.front()->fileSystemItem(), row(root + "/notes.md"));
    EXPECT_EQ(notes.became, QStringList { "shadow|note-1|Kept" });
    EXPECT_EQ(host.opened.last(), QUrl::fromLocalFile(root + "/third.md"));
    while (host.completeNext()) {
    }
    QList<QUrl> distinct;
    for (const QUrl& url : host.opened) {
        if (!distinct.contains(url))
            distinct << url;
    }
    EXPECT_EQ(distinct, (QList<QUrl> { QUrl::fromLocalFile(root + "/notes.md"), QUrl::fromLocalFile(root + "/third.md") }));
    EXPECT_EQ(host.reopened, QList<QUrl> { QUrl::fromLocalFile(base + "/.temp/Untitled.pwtemp") });
    bool restoredDraft = false;
    for (const auto& document : host.documents)
        restoredDraft |= document->autoSaveRestoredFrom == base + "/.temp/Untitled.pwtemp";
    EXPECT_TRUE(restoredDraft);

    // The stored session stays; a second restore in this window opens nothing.
    const int requests = host.opened.size() + host.reopened.size();
    EXPECT_TRUE(section->restoreSession());
    EXPECT_EQ(host.opened.size() + host.reopened.size(), requests);
    EXPECT_FALSE(platform::UserDefaults::standard().stringArrayForKey(Prefs::SESSION_RESTORE_DOCS).isEmpty());
}

TEST_F(Session, StoredFoldersComeBackOnceAndAMalformedValueGivesFalse)
{
    platform::UserDefaults::standard().setValue(Prefs::SESSION_RESTORE_FOLDERS, QStringList { root, base + "/missing", root });
    EXPECT_TRUE(section->restoreFolders());
    EXPECT_EQ(section->rootFolderPaths(), (QStringList { root, base + "/missing" }));
    EXPECT_EQ(section->rootFolders().at(1)->numberOfChildren(), 0u);

    platform::UserDefaults::standard().setValue(Prefs::SESSION_RESTORE_FOLDERS, QVariantList { root, 3 });
    EXPECT_FALSE(section->restoreFolders());
    platform::UserDefaults::standard().setValue(Prefs::SESSION_RESTORE_FOLDERS, QStringLiteral("not a list"));
    EXPECT_FALSE(section->restoreFolders());
    EXPECT_EQ(section->rootFolders().size(), 2u);
}

} // namespace
