// The shell's documents follow what the sidebar does to their files: a renamed file is saved
// under its new name, a trashed one is never made again unasked, a removed root can come back.
#include "FoldersFixture.h"
#include "../../shell/document/RecordingDialogs.h"
#include "shell/TVXDocument.h"
#include "shell/TVXDocumentController.h"

#include <QTest>

#include <sys/stat.h>

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

TEST_F(OpenDocuments, APipeOrADeviceClickedInTheSidebarNeverOpensAndADoubleClickSaysWhy)
{
    // A reader of this pipe would wait for a writer; a reader of /dev/zero would never end.
    const QString odd = temporaryFolder() + "/odd";
    makeFile(odd + "/c.md", "three");
    ASSERT_EQ(::mkfifo(QFile::encodeName(odd + "/pipe.md").constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), odd + "/zero.md"));
    const FolderItemPtr oddRoot = section->openFolderInternally(odd, false);
    list.expandItem(oddRoot);
    const struct {
        const char* name;
        QString reason;
    } cases[] = {
        { "pipe.md", QStringLiteral("“pipe.md” is a named pipe, not a regular file: only regular files can be opened as documents.") },
        { "zero.md", QStringLiteral("“zero.md” is a device, not a regular file: only regular files can be opened as documents.") },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FolderItemPtr row = oddRoot->findChildAtPath(odd + "/" + c.name);
        ASSERT_TRUE(row) << "the sidebar lists it";
        const QPoint center = list.visualRect(list.listModel()->indexForItem(row.get())).center();
        dialogs.alerts.clear();

        // One click: a quick open, which fails in silence.
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, center);
        EXPECT_TRUE(documents.documents().isEmpty());
        EXPECT_TRUE(dialogs.alerts.isEmpty());
        EXPECT_FALSE(section->isQuickOpenInProgress());

        // A double click opens for good, and the failure is shown with its reason.
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, center);
        EXPECT_TRUE(documents.documents().isEmpty());
        ASSERT_EQ(dialogs.alerts.size(), 1);
        EXPECT_EQ(dialogs.alerts[0].messageText, QStringLiteral("Error opening ") + c.name);
        EXPECT_EQ(dialogs.alerts[0].informativeText, c.reason);
    }
    // The list still answers: a regular file beside them opens.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
        list.visualRect(list.listModel()->indexForItem(oddRoot->findChildAtPath(odd + "/c.md").get())).center());
    ASSERT_EQ(documents.documents().size(), 1);
    EXPECT_EQ(documents.documents().front()->filePath(), odd + "/c.md");
}

} // namespace
