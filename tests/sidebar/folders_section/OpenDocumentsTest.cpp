// The shell's documents follow what the sidebar does to their files: a renamed file is saved
// under its new name, a trashed one is never made again unasked, a removed root can come back.
#include "FoldersFixture.h"
#include "../../shell/document/RecordingDialogs.h"
#include "shell/TVXDocument.h"
#include "shell/TVXDocumentController.h"

using namespace penwick;
using namespace penwick::test;

namespace {

class OpenDocuments : public ::testing::Test {
protected:
    void SetUp() override
    {
        FoldersSection::resetSettings();
        folder = temporaryFolder() + "/notes";
        makeFile(folder + "/a.md", "one");
        makeFile(folder + "/sub/b.md", "two");
        list.resize(320, 600);
        list.show();
        section = std::make_unique<FoldersNavigator>(&list, nullptr, &documents);
        section->setTrashConfirmation([](const QString&, const QString&) { return true; });
        controller.addOutlineItem(section.get());
        top = section->openFolderInternally(folder, false);
        list.expandItem(top);
    }
    void TearDown() override
    {
        section.reset();
        FoldersSection::resetSettings();
    }

    TVXDocument* open(const QString& path)
    {
        TVXDocument* opened = nullptr;
        documents.openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), false,
            TVXDocumentController::Completion([&](TVXDocument* document, bool, const std::optional<platform::DocumentError>&) { opened = document; }));
        return opened;
    }

    static QByteArray contentsOf(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    RecordingDialogs dialogs;
    TVXDocumentController documents;
    TreeListView list;
    SourceListController controller { &list };
    std::unique_ptr<FoldersNavigator> section;
    QString folder;
    FolderItemPtr top;
    QObject sender; // a person's save command
};

TEST_F(OpenDocuments, ARenamedFileIsSavedUnderItsNewNameAndTheOldNameStaysGone)
{
    TVXDocument* a = open(folder + "/a.md");
    TVXDocument* b = open(folder + "/sub/b.md");
    ASSERT_TRUE(a && b);
    section->setObjectValue(QStringLiteral("renamed.md"), top->findChildAtPath(folder + "/a.md"));
    section->setObjectValue(QStringLiteral("moved"), top->findChildAtPath(folder + "/sub"));
    EXPECT_EQ(a->filePath(), folder + "/renamed.md");
    EXPECT_EQ(b->filePath(), folder + "/moved/b.md");

    a->setContents(QStringLiteral("one, edited"));
    ASSERT_TRUE(a->saveDocument(&sender));
    b->setContents(QStringLiteral("two, edited"));
    ASSERT_TRUE(b->saveDocument(nullptr));
    EXPECT_FALSE(QFile::exists(folder + "/a.md"));
    EXPECT_FALSE(QFile::exists(folder + "/sub/b.md"));
    EXPECT_EQ(contentsOf(folder + "/renamed.md"), "one, edited");
    EXPECT_EQ(contentsOf(folder + "/moved/b.md"), "two, edited");
    EXPECT_TRUE(dialogs.savePanels.isEmpty());
}

TEST_F(OpenDocuments, ATrashedFileIsNeverMadeAgainUnaskedAndItsNextSaveAsksWhere)
{
    TVXDocument* a = open(folder + "/a.md");
    ASSERT_TRUE(a);
    section->handleDeleteKeyForItem(top->findChildAtPath(folder + "/a.md"));
    ASSERT_FALSE(QFile::exists(folder + "/a.md"));
    EXPECT_TRUE(a->isFileDeleted());

    a->setContents(QStringLiteral("kept in the tab"));
    EXPECT_FALSE(a->saveDocument(nullptr)); // the ten-second timer
    EXPECT_FALSE(QFile::exists(folder + "/a.md"));
    EXPECT_TRUE(dialogs.savePanels.isEmpty());

    dialogs.savePanelAnswers.push_back(std::nullopt); // the person cancels the panel
    EXPECT_FALSE(a->saveDocument(&sender));
    EXPECT_FALSE(QFile::exists(folder + "/a.md"));
    ASSERT_EQ(dialogs.savePanels.size(), 1);
    EXPECT_EQ(dialogs.savePanels.front().nameFieldStringValue, "a.md");

    dialogs.savePanelAnswers.push_back(folder + "/rescued.md");
    EXPECT_TRUE(a->saveDocument(&sender));
    EXPECT_EQ(contentsOf(folder + "/rescued.md"), "kept in the tab");
    EXPECT_FALSE(a->isFileDeleted());
    EXPECT_FALSE(QFile::exists(folder + "/a.md"));
}

TEST_F(OpenDocuments, AFolderRemovedFromTheSidebarCanBeAddedAgain)
{
    TVXDocument* folderDocument = open(folder);
    ASSERT_TRUE(folderDocument);
    ASSERT_TRUE(folderDocument->isDirectory());
    section->removeRootFolderFromSidebar(top);
    EXPECT_FALSE(documents.documents().contains(folderDocument));

    bool alreadyOpen = true;
    documents.openDocumentWithContentsOfURL(QUrl::fromLocalFile(folder), false,
        TVXDocumentController::Completion([&](TVXDocument*, bool wasOpen, const std::optional<platform::DocumentError>&) { alreadyOpen = wasOpen; }));
    EXPECT_FALSE(alreadyOpen);
}

} // namespace
