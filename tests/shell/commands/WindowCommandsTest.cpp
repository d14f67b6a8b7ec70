#include "PreviewedWindow.h"

#include "CorePrefs.h"
#include "TestSupport.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/text/TextView.h"
#include "platform/web/WebView.h"
#include "preview/PreviewController.h"
#include "preview/PreviewPane.h"
#include "common/Notifications.h"
#include "common/Prefs.h"
#include "shell/PreviewControllerInterface.h"
#include "shell/SidebarManagerInterface.h"
#include "shell/TVXDocumentWindowController.h"
#include "shell/TVXTextEditorViewController.h"
#include "shell/WindowPreview.h"
#include "sidebar/FolderNavigatorItem.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <gtest/gtest.h>

#include <memory>

namespace penwick {
namespace {

using test::PreviewedWindow;
using test::waitUntil;

platform::UserDefaults& defaults()
{
    return platform::UserDefaults::standard();
}

class WindowCommands : public ::testing::Test {
protected:
    static void SetUpTestSuite() { TVXTextEditorViewController::installAsEditorFactory(); }

    void SetUp() override
    {
        folder = test::temporaryFolder();
        defaults().setValue(CorePrefs::PREVIEW_ENABLE_MATHJAX, false);
    }

    void TearDown() override
    {
        for (const QString& key : { CorePrefs::PREVIEW_ENABLE_GFM, CorePrefs::PREVIEW_ENABLE_OUTLINE, Prefs::DOC_BASEURL_TYPE,
                 Notifications::BASE_URL_MAP_FOR_INDIE_DOCS, Prefs::PREVIEW_STYLE_NAME })
            defaults().removeObject(key);
        documents.clear();
    }

    TVXDocument* open(TVXDocumentWindowController& window, const QString& relative, const QString& text)
    {
        const QString path = folder + QLatin1Char('/') + relative;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
        file.close();
        auto document = std::make_unique<TVXDocument>();
        document->setContents(text); // before the URL, which makes the editor
        document->setFileURL(QUrl::fromLocalFile(path));
        window.addDocument(document.get());
        documents.push_back(std::move(document));
        return documents.back().get();
    }

    void writeImage(const QString& relative, int width)
    {
        QImage image(width, 4, QImage::Format_RGB32);
        image.fill(Qt::blue);
        ASSERT_TRUE(image.save(folder + QLatin1Char('/') + relative, "PNG"));
    }

    QString folder;
    std::vector<std::unique_ptr<TVXDocument>> documents;
};

TEST_F(WindowCommands, TheGfmSwitchRendersThePreviewOfEveryWindowAgain)
{
    defaults().setValue(CorePrefs::PREVIEW_ENABLE_GFM, true);
    PreviewedWindow first, second;
    open(*first.controller, QStringLiteral("a.md"), QStringLiteral("- [ ] task A\n"));
    open(*second.controller, QStringLiteral("b.md"), QStringLiteral("- [ ] task B\n"));
    ASSERT_TRUE(first.waitFor(QStringLiteral("!!document.querySelector('.task-list-item')")));
    ASSERT_TRUE(second.waitFor(QStringLiteral("!!document.querySelector('.task-list-item')")));

    defaults().setValue(CorePrefs::PREVIEW_ENABLE_GFM, false);
    EXPECT_TRUE(first.waitFor(QStringLiteral("!document.querySelector('.task-list-item') && document.body.textContent.includes('A')")));
    EXPECT_TRUE(second.waitFor(QStringLiteral("!document.querySelector('.task-list-item') && document.body.textContent.includes('B')")));
}

TEST_F(WindowCommands, ARelativeImageFollowsTheBaseUrlTypeWithAFullLoad)
{
    // "pic.png" beside the document is 8 wide; the one in the root folder 16.
    QDir().mkpath(folder + QStringLiteral("/sub"));
    writeImage(QStringLiteral("sub/pic.png"), 8);
    writeImage(QStringLiteral("pic.png"), 16);
    auto root = FolderNavigatorItem::create(folder);
    auto item = FolderNavigatorItem::create(folder + QStringLiteral("/sub/doc.md"));
    item->setRootFolder(root);

    PreviewedWindow window;
    auto* document = new TVXDocument; // given a tree row before it is added, as the sidebar opens it
    documents.emplace_back(document);
    {
        QFile file(folder + QStringLiteral("/sub/doc.md"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("![p](pic.png)\n");
    }
    document->setContents(QStringLiteral("![p](pic.png)\n"));
    document->setFileURL(QUrl::fromLocalFile(folder + QStringLiteral("/sub/doc.md")));
    document->setFileSystemItem(item);
    window.controller->addDocument(document);
    EXPECT_EQ(document->baseURL(), QUrl::fromLocalFile(folder + QStringLiteral("/sub/")));
    ASSERT_TRUE(window.waitFor(QStringLiteral("(function(){var i=document.querySelector('img');return !!i && i.complete && i.naturalWidth === 8;})()")));

    const int loadsBefore = window.loads;
    defaults().setValue(Prefs::DOC_BASEURL_TYPE, 2);
    EXPECT_EQ(document->baseURL(), QUrl::fromLocalFile(folder + QLatin1Char('/')));
    EXPECT_TRUE(window.waitFor(QStringLiteral("(function(){var i=document.querySelector('img');return !!i && i.complete && i.naturalWidth === 16;})()")));
    EXPECT_GT(window.loads, loadsBefore) << "a new base needs a whole page";
}

TEST_F(WindowCommands, AfterSaveAsIntoAnotherFolderRelativeImagesResolveThereAtOnce)
{
    // "pic.png" is 8 wide beside the document, 16 in the folder it is saved into.
    QDir().mkpath(folder + QStringLiteral("/before"));
    QDir().mkpath(folder + QStringLiteral("/after"));
    writeImage(QStringLiteral("before/pic.png"), 8);
    writeImage(QStringLiteral("after/pic.png"), 16);
    PreviewedWindow window;
    TVXDocument* document = open(*window.controller, QStringLiteral("before/doc.md"), QStringLiteral("![p](pic.png)\n"));
    ASSERT_TRUE(window.waitFor(QStringLiteral("(function(){var i=document.querySelector('img');return !!i && i.complete && i.naturalWidth === 8;})()")));

    const QUrl moved = QUrl::fromLocalFile(folder + QStringLiteral("/after/doc.md"));
    platform::Document::MaybeError error;
    ASSERT_TRUE(document->saveToURL(moved, document->fileType().isEmpty() ? document->defaultType() : document->fileType(),
        platform::SaveOperation::SaveAs, &error));
    ASSERT_EQ(document->fileURL(), moved);
    EXPECT_EQ(document->baseURL(), QUrl::fromLocalFile(folder + QStringLiteral("/after/")));
    EXPECT_TRUE(window.waitFor(QStringLiteral("(function(){var i=document.querySelector('img');return !!i && i.complete && i.naturalWidth === 16;})()")))
        << "the preview still resolves against the old folder";
}

TEST_F(WindowCommands, AFolderWatchReloadsOnlyForTheDocumentsOwnRoot)
{
    auto root = FolderNavigatorItem::create(folder);
    auto item = FolderNavigatorItem::create(folder + QStringLiteral("/doc.md"));
    item->setRootFolder(root);
    PreviewedWindow window;
    TVXDocument* document = open(*window.controller, QStringLiteral("doc.md"), QStringLiteral("# Watched\n"));
    document->setFileSystemItem(item);
    ASSERT_TRUE(window.waitFor(QStringLiteral("document.body.textContent.includes('Watched')")));
    ASSERT_TRUE(waitUntil([&] { return !window.pane->webView()->isLoadPending() && !window.pane->controller()->hasPendingRender(); }));
    window.eval(QStringLiteral("window.marker = 1"));

    platform::NotificationCenter::defaultCenter().post(Notifications::FOLDER_WATCH, nullptr,
        { { Notifications::FOLDER_WATCH_PAYLOAD, QStringLiteral("/somewhere/else") } });
    EXPECT_EQ(window.eval(QStringLiteral("window.marker")).toInt(), 1);
    EXPECT_FALSE(window.pane->webView()->isLoadPending());

    platform::NotificationCenter::defaultCenter().post(Notifications::FOLDER_WATCH, nullptr,
        { { Notifications::FOLDER_WATCH_PAYLOAD, folder } });
    EXPECT_TRUE(window.waitFor(QStringLiteral("window.marker === undefined && document.body.textContent.includes('Watched')")));
}

// Records what the window asks of the preview.
struct AnchorPreview : PreviewControllerInterface {
    void forceClean() override {}
    void renderUsingTextView(platform::TextView*, const QUrl&, const QUrl&) override {}
    void setOverriddenStylePath(const std::optional<QString>&) override {}
    void closeTextView(platform::TextView*) override {}
    void navigateToAnchor(const QString& anchor) override { anchors.append(anchor); }
    QStringList anchors;
};

TEST_F(WindowCommands, AnEditorOutlineChoiceMovesThePreviewOnlyWhenTheHeadingHasAnId)
{
    AnchorPreview preview;
    TVXDocumentWindowController window;
    window.setPreviewController(&preview);
    TVXDocument* document = open(window, QStringLiteral("doc.md"), QStringLiteral("# Intro\n\n### Setup\n"));
    platform::TextView* view = document->editorViewController()->getEditorTextView();
    ASSERT_EQ(view->string(), QStringLiteral("# Intro\n\n### Setup\n"));
    const OutlineRange setup(QStringLiteral("### Setup"), platform::TextRange(9, 9));

    window.didSelectEditorOutlineRange(setup);
    EXPECT_EQ(view->selectedRange(), platform::TextRange(9, 9));
    EXPECT_EQ(preview.anchors, QStringList { QStringLiteral("setup") });

    defaults().setValue(CorePrefs::PREVIEW_ENABLE_OUTLINE, false);
    view->setSelectedRange(platform::TextRange(0, 0));
    window.didSelectEditorOutlineRange(setup);
    EXPECT_EQ(view->selectedRange(), platform::TextRange(9, 9));
    EXPECT_EQ(preview.anchors.size(), 1);

    // A preview outline link scrolls the editor without selecting, and moves the preview.
    view->setSelectedRange(platform::TextRange(0, 0));
    window.didSelectPreviewOutline(QStringLiteral("intro"), OutlineRange(QStringLiteral("# Intro"), platform::TextRange(0, 7)));
    EXPECT_EQ(view->selectedRange(), platform::TextRange(0, 0));
    EXPECT_EQ(preview.anchors.last(), QStringLiteral("intro"));
}

TEST_F(WindowCommands, AFormattedCopyPutsOnlyHtmlWithThePreferredStyle)
{
    const QString style = folder + QStringLiteral("/style.css");
    {
        QFile file(style);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("strong { color: #123456; }\n");
    }
    TVXDocumentWindowController window;
    open(window, QStringLiteral("doc.md"), QStringLiteral("Some **bold** text\n"));
    int copiedCount = 0;
    QObject::connect(&window, &TVXDocumentWindowController::formattedCopyFinished, [&] { ++copiedCount; });

    defaults().setValue(Prefs::PREVIEW_STYLE_NAME, style);
    window.copyAllTextAsFormattedText();
    ASSERT_TRUE(waitUntil([&] { return copiedCount == 1; }, 20000));
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->formats(), QStringList { QStringLiteral("text/html") });
    const QString html = QString::fromUtf8(data->data(QStringLiteral("text/html")));
    EXPECT_TRUE(html.contains(QStringLiteral("bold"))) << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("#123456"))) << html.toStdString();

    // A style file that is gone: the copy is made with no style.
    defaults().setValue(Prefs::PREVIEW_STYLE_NAME, folder + QStringLiteral("/missing.css"));
    window.copyAllTextAsFormattedText();
    ASSERT_TRUE(waitUntil([&] { return copiedCount == 2; }, 20000));
    const QString plain = QString::fromUtf8(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("text/html")));
    EXPECT_TRUE(plain.contains(QStringLiteral("bold")));
    EXPECT_FALSE(plain.contains(QStringLiteral("#123456")));
}

// Stands for the sidebar: its roots and whether it has the focus.
struct StateSidebar : SidebarManagerInterface {
    void addAsARootFolder(const QString&) override {}
    bool isQuickOpenDocument(TVXDocument*) override { return false; }
    void turnOffNavigatorReload() override {}
    void turnOnNavigatorReload() override {}
    QStringList rootFolderPaths() const override { return roots; }
    void focusRootFolder(const QString&) override {}
    void saveSession(const QList<TVXDocument*>&) override {}
    void revealDocument(TVXDocument*) override {}
    void addDocumentToFavorites(TVXDocument*) override {}
    bool isFocused() const override { return focused; }
    QStringList roots;
    bool focused = false;
};

TEST_F(WindowCommands, CommandsAreEnabledByTheWindowsState)
{
    using Command = TVXDocumentWindowController::Command;
    StateSidebar sidebar;
    TVXDocumentWindowController window;
    window.setSidebarManager(&sidebar);

    // No documents.
    EXPECT_FALSE(window.validateCommand(Command::OpenQuickly));
    EXPECT_FALSE(window.validateCommand(Command::JumpToEditor));
    EXPECT_TRUE(window.validateCommand(Command::JumpToSidebar));
    EXPECT_FALSE(window.validateCommand(Command::SaveMiniDocumentToFile));
    EXPECT_FALSE(window.validateCommand(Command::GotoNextDoc));
    EXPECT_FALSE(window.validateCommand(Command::CopySelectedTextAsFormattedText));
    EXPECT_TRUE(window.validateCommand(Command::Other));

    // One file: jumping to the editor, no tab cycling, no note to save, nothing selected.
    sidebar.roots = { folder };
    sidebar.focused = true;
    TVXDocument* file = open(window, QStringLiteral("a.md"), QStringLiteral("alpha beta\n"));
    EXPECT_TRUE(window.validateCommand(Command::OpenQuickly));
    EXPECT_TRUE(window.validateCommand(Command::JumpToEditor));
    EXPECT_FALSE(window.validateCommand(Command::JumpToSidebar));
    QString title;
    EXPECT_FALSE(window.validateCommand(Command::SaveMiniDocumentToFile, &title));
    EXPECT_TRUE(title.isEmpty());
    for (Command tabs : { Command::GotoNextDoc, Command::GotoPrevDoc, Command::GotoNextDocInStack, Command::GotoPrevDocInStack })
        EXPECT_FALSE(window.validateCommand(tabs));
    file->editorViewController()->getEditorTextView()->setSelectedRange(platform::TextRange(0, 5));
    EXPECT_TRUE(window.validateCommand(Command::CopySelectedTextAsFormattedText));

    // A scratch note and a shadow note as the current document: two tabs, the note's title.
    TVXDocument* note = open(window, QStringLiteral("note.md"), QStringLiteral("note\n"));
    note->setFileURL(QUrl());
    note->setPseudoURL(QUrl(QStringLiteral("pwscratch://0f3c?title=Note")));
    EXPECT_TRUE(window.validateCommand(Command::GotoNextDoc));
    EXPECT_TRUE(window.validateCommand(Command::SaveMiniDocumentToFile, &title));
    EXPECT_EQ(title, QStringLiteral("Save Scratch to File..."));
    note->setPseudoURL(QUrl(QStringLiteral("pwshadow://0f3c?title=Note")));
    EXPECT_TRUE(window.validateCommand(Command::SaveMiniDocumentToFile, &title));
    EXPECT_EQ(title, QStringLiteral("Save Shadow to File..."));
    EXPECT_FALSE(window.validateCommand(Command::CopySelectedTextAsFormattedText));
}

} // namespace
} // namespace penwick
