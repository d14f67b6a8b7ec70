// Window modes and closing: distraction-free mode tied to full screen, the editor font size
// commands, and the close review of a window's documents.
#include "OpenDocument.h"
#include "PlainEditorViewController.h"
#include "RecordingDialogs.h"

#include "../split/SplitFixture.h"
#include "FakeClock.h"
#include "Extensions/Realm.h"
#include "Models/ScratchDocument.h"
#include "platform/UserDefaults.h"
#include "common/EditorFontSize.h"
#include "shell/MainMenu.h"
#include "shell/PreviewControllerInterface.h"
#include "common/Prefs.h"
#include "shell/SidebarManagerInterface.h"
#include "shell/TVXDocumentController.h"
#include "shell/TVXDocumentWindowController.h"
#include "shell/TVXWindowSplitViewController.h"
#include "NoteWriterSupport.h"
#include "TestSupport.h"

#include <QAction>
#include <QFile>
#include <QMainWindow>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace penwick;

namespace {

QByteArray read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct RecordingPreview : PreviewControllerInterface {
    void forceClean() override {}
    void renderUsingTextView(platform::TextView*, const QUrl&, const QUrl&) override {}
    void setOverriddenStylePath(const std::optional<QString>&) override {}
    void closeTextView(platform::TextView*) override {}
    void setIgnoreAutoSync(bool ignore) override { ignoreAutoSync << ignore; }
    void stop() override { ++stops; }
    QList<bool> ignoreAutoSync;
    int stops = 0;
};

struct QuietSidebar : SidebarManagerInterface {
    void addAsARootFolder(const QString&) override {}
    bool isQuickOpenDocument(TVXDocument*) override { return false; }
    void turnOffNavigatorReload() override { ++off; }
    void turnOnNavigatorReload() override { ++on; }
    QStringList rootFolderPaths() const override { return {}; }
    void focusRootFolder(const QString&) override {}
    void saveSession(const QList<TVXDocument*>&) override {}
    void revealDocument(TVXDocument*) override {}
    void addDocumentToFavorites(TVXDocument*) override {}
    int off = 0, on = 0;
};

class Closing : public ::testing::Test {
protected:
    Closing()
    {
        window.setPreviewController(&preview);
        window.setSidebarManager(&sidebar);
    }
    TVXDocument* openFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = folder + QLatin1Char('/') + name;
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        file.close();
        TVXDocument* opened = test::openDocument(documents, path, false);
        window.addDocument(opened);
        return opened;
    }
    void type(TVXDocument* document, const QString& text)
    {
        test::plainEditor(*document)->type(text);
        document->updateChangeCount(platform::DocumentChange::Done);
    }
    QStringList tabNames()
    {
        QStringList names;
        for (TVXDocument* d : window.documentsInTabOrder())
            names << d->displayName();
        return names;
    }

    QString folder = test::temporaryFolder();
    test::PlainEditorFactoryScope factory;
    test::RecordingDialogs dialogs;
    TVXDocumentController documents;
    RecordingPreview preview;
    QuietSidebar sidebar;
    TVXDocumentWindowController window;
};

} // namespace

TEST_F(Closing, UneditedDocumentsCloseAtOnceAndEditedNotesAreSavedWithoutAQuestion)
{
    ASSERT_TRUE(RealmSetup::setupInFolder(test::temporaryFolder()));
    openFile(QStringLiteral("clean.md"), "clean\n");
    ScratchDocument note;
    note.setId(QStringLiteral("n1"));
    note.setContent(QStringLiteral("note"));
    ASSERT_FALSE(Realm::write([&](RealmTransaction& tx) { tx.add(note); }));
    TVXDocument* noteTab = documents.openUntitledDocumentAndDisplay(false);
    window.addDocument(noteTab);
    noteTab->setAsScratchDocument(note, QUrl(QStringLiteral("pwscratch://n1?title=N")), QStringLiteral("N"));
    type(noteTab, QStringLiteral("my "));

    EXPECT_TRUE(window.reviewDocumentsForClosing());
    EXPECT_TRUE(dialogs.alerts.isEmpty());
    ASSERT_TRUE(test::waitForNotesWritten());
    EXPECT_EQ(Realm::objectForPrimaryKey<ScratchDocument>(QStringLiteral("n1"))->content(), QStringLiteral("my note"));
    EXPECT_TRUE(preview.ignoreAutoSync.isEmpty()); // nothing was asked
    RealmSetup::close();
}

TEST_F(Closing, SaveDontSaveAndCancelInTurnThenASecondCloseAfterSaving)
{
    TVXDocument* first = openFile(QStringLiteral("first.md"), "one\n");
    TVXDocument* second = documents.openUntitledDocumentAndDisplay(false);
    window.addDocument(second);
    TVXDocument* third = openFile(QStringLiteral("third.md"), "three\n");
    type(first, QStringLiteral("1 "));
    type(second, QStringLiteral("scrap"));
    documents.fireSaveTimer(); // the untitled document gets its copy; the first file is written
    type(first, QStringLiteral("2 "));
    type(third, QStringLiteral("3 "));
    const QString copy = second->tempFileURL().toLocalFile();
    ASSERT_TRUE(QFile::exists(copy));
    ASSERT_TRUE(first->isDocumentEdited() && second->isDocumentEdited() && third->isDocumentEdited());

    dialogs.alertAnswers = { 0, 2, 1 }; // Save, Don't Save, Cancel
    EXPECT_FALSE(window.reviewDocumentsForClosing());
    EXPECT_EQ(dialogs.alerts.size(), 3);
    EXPECT_EQ(read(folder + QStringLiteral("/first.md")), QByteArray("1 2 one\n"));
    EXPECT_EQ(read(folder + QStringLiteral("/third.md")), QByteArray("three\n"));
    // Refused: every tab and document stays, the one that said "Don't Save" with its copy.
    EXPECT_TRUE(QFile::exists(copy));
    EXPECT_EQ(tabNames(), (QStringList { "first.md", second->displayName(), "third.md" }));
    EXPECT_EQ(window.documents(), (QList<TVXDocument*> { first, second, third }));
    for (TVXDocument* document : { first, second, third })
        EXPECT_FALSE(document->isClosed());
    EXPECT_TRUE(second->isDocumentEdited() && third->isDocumentEdited());
    EXPECT_EQ(preview.ignoreAutoSync, (QList<bool> { true, false }));

    // Saved and dropped this time: the window may close, and the dropped copy goes.
    dialogs.alertAnswers = { 2 };
    EXPECT_TRUE(third->saveDocument(&documents));
    EXPECT_TRUE(window.reviewDocumentsForClosing());
    EXPECT_EQ(dialogs.alerts.size(), 4);
    EXPECT_TRUE(second->isClosed());
    EXPECT_FALSE(QFile::exists(copy));
}

TEST_F(Closing, ARefusedCloseKeepsEveryTabAndDocument)
{
    TVXDocument* a = openFile(QStringLiteral("a.md"), "a\n");
    TVXDocument* b = openFile(QStringLiteral("b.md"), "b\n");
    type(a, QStringLiteral("x"));
    type(b, QStringLiteral("y"));
    dialogs.alertAnswers = { 1 }; // Cancel at the first question
    EXPECT_FALSE(window.reviewDocumentsForClosing());
    EXPECT_EQ(dialogs.alerts.size(), 1); // no further document is asked
    EXPECT_EQ(tabNames(), (QStringList { "a.md", "b.md" }));
    EXPECT_FALSE(a->isClosed() || b->isClosed());
    EXPECT_TRUE(a->isDocumentEdited() && b->isDocumentEdited());
    EXPECT_EQ(sidebar.off, sidebar.on);
}

// --- Modes ---

class Modes : public test::SplitFixture {
protected:
    void SetUp() override
    {
        SplitFixture::SetUp();
        for (QWidget*& bar : bars)
            bar = new QWidget(window.get());
        layout.setWindowSplitView(split);
        layout.setNavigatorToggleBtn(new QPushButton(window.get()));
        layout.setPreviewToggleBtn(new QPushButton(window.get()));
        layout.setBars(bars[0], bars[1], bars[2], bars[3]);
        layout.setParentWindow(window.get());
        layout.setClock(&clock);
        show({ 250, 400, 350 });
        layout.awakeFromNib();
        controller.setSplitViewController(&layout);
        controller.window()->show();
        item.setData(0);
        item.setText(QStringLiteral("Enter Distraction Free Mode"));
    }
    void TearDown() override
    {
        platform::UserDefaults::standard().removeObject(Prefs::EDITOR_FONTSIZE);
        SplitFixture::TearDown();
    }

    QWidget* bars[4] = {};
    test::FakeClock clock;
    TVXWindowSplitViewController layout;
    TVXDocumentWindowController controller;
    QAction item;
};

TEST(FullScreenKeys, FullScreenHasAKeyWhereThePlatformThemeNamesNone)
{
    // The generic and offscreen themes name none; the menu item still gets one.
    EXPECT_FALSE(MainMenu::fullScreenKeys().isEmpty());
}

TEST_F(Modes, TheMenuEntersFullScreenTogetherWithTheModeAndLeavesBoth)
{
    controller.enterDistractionFreeMode(&item);
    EXPECT_TRUE(controller.isFullScreen());
    EXPECT_TRUE(layout.isInDFM());
    EXPECT_FALSE(controller.isDFMPending());
    EXPECT_EQ(item.text(), QStringLiteral("Exit Distraction Free Mode"));
    EXPECT_EQ(item.data().toInt(), 1);

    controller.enterDistractionFreeMode(&item);
    EXPECT_FALSE(controller.isFullScreen());
    EXPECT_FALSE(layout.isInDFM());
    EXPECT_FALSE(controller.isDFMPending());
    EXPECT_EQ(item.text(), QStringLiteral("Enter Distraction Free Mode"));
    EXPECT_EQ(item.data().toInt(), 0);
}

TEST_F(Modes, InFullScreenOnlyTheModeSwitchesAndOtherTagsDoNothing)
{
    controller.toggleFullScreen(); // the window's own button: the mode stays off
    ASSERT_TRUE(controller.isFullScreen());
    EXPECT_FALSE(layout.isInDFM());
    controller.enterDistractionFreeMode(&item);
    EXPECT_TRUE(controller.isFullScreen());
    EXPECT_TRUE(layout.isInDFM());
    item.setData(1);
    item.setData(2);
    controller.enterDistractionFreeMode(&item);
    EXPECT_TRUE(layout.isInDFM());
    EXPECT_EQ(item.data().toInt(), 2);
}

TEST_F(Modes, ZoomStepsByOnePointActualSizeIs16AndZoomOutStopsAtTheFloor)
{
    auto& defaults = platform::UserDefaults::standard();
    defaults.setValue(Prefs::EDITOR_FONTSIZE, 12.0);
    controller.zoomIn();
    EXPECT_EQ(defaults.doubleForKey(Prefs::EDITOR_FONTSIZE), 13.0);
    controller.zoomOut();
    controller.zoomOut();
    EXPECT_EQ(defaults.doubleForKey(Prefs::EDITOR_FONTSIZE), 11.0);
    controller.zoomImageToActualSize();
    EXPECT_EQ(defaults.doubleForKey(Prefs::EDITOR_FONTSIZE), 16.0);

    defaults.setValue(Prefs::EDITOR_FONTSIZE, 7.0);
    for (int i = 0; i < 4; ++i)
        controller.zoomOut();
    EXPECT_EQ(defaults.doubleForKey(Prefs::EDITOR_FONTSIZE), EditorFontSize::Minimum);
    controller.zoomOut();
    EXPECT_EQ(defaults.doubleForKey(Prefs::EDITOR_FONTSIZE), 6.0);
}

TEST(EditorFontSize, AStoredSizeBelowTheFloorReadsAsTheFloorAndNoneKeepsItsMeaning)
{
    struct Case {
        double stored;
        double effective;
    };
    for (const Case& c : { Case { 0, 0 }, Case { -3, 0 }, Case { 0.5, 6 }, Case { 5.99, 6 }, Case { 6, 6 }, Case { 13, 13 },
             Case { std::nan(""), 0 } })
        EXPECT_EQ(EditorFontSize::effective(c.stored), c.effective) << c.stored;
    // Zooming from "none" starts at the size shown, never at 1.
    EXPECT_GE(EditorFontSize::zoomed(0, 1), EditorFontSize::Minimum + 1);
}
