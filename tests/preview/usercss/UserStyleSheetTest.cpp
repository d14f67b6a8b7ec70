// The user's style sheet in a document's preview: the page links the file instead of carrying
// its text (which would go through the GUI thread at every update, however large), and a
// changed sheet reaches the page.
#include "TestSupport.h"
#include "Services/CustomCSSManager.h"
#include "platform/web/WebView.h"
#include "preview/PreviewController.h"
#include "preview/PreviewPane.h"
#include "shell/TVXDocument.h"
#include "shell/TVXDocumentWindowController.h"
#include "shell/TVXTextEditorViewController.h"
#include "shell/WindowPreview.h"

#include <QFile>

#include <gtest/gtest.h>

#include <memory>

using namespace penwick;

namespace {

class UserStyleSheet : public ::testing::Test {
protected:
    static void SetUpTestSuite() { TVXTextEditorViewController::installAsEditorFactory(); }

    void SetUp() override
    {
        pane = std::make_unique<PreviewPane>();
        pane->resize(600, 500);
        pane->show();
        pane->controller()->setSplitView(&splitPoster, [] { return 1; });
        adapter = std::make_unique<WindowPreview>(pane->controller());
        controller = std::make_unique<TVXDocumentWindowController>();
        controller->setPreviewController(adapter.get());
        const QString path = test::temporaryFolder() + QStringLiteral("/note.md");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("# Note\n\nText.\n");
        file.close();
        document = std::make_unique<TVXDocument>();
        document->setContents(QStringLiteral("# Note\n\nText.\n"));
        document->setFileURL(QUrl::fromLocalFile(path));
    }
    void TearDown() override
    {
        controller.reset();
        adapter.reset();
        pane.reset();
        CustomCSSManager::sharedInstance().saveCustomCSS(QString());
    }

    QVariant eval(const QString& script)
    {
        QVariant result;
        bool answered = false;
        pane->webView()->runScript(script, platform::WebView::World::Page, [&](const QVariant& value) {
            result = value;
            answered = true;
        });
        test::waitUntil([&] { return answered; }, 20000);
        return result;
    }
    bool waitForBackground(const QString& colour)
    {
        return test::waitUntil(
            [&] { return eval(QStringLiteral("document.body ? getComputedStyle(document.body).backgroundColor : ''")).toString() == colour; },
            30000);
    }

    int splitPoster = 0;
    std::unique_ptr<PreviewPane> pane;
    std::unique_ptr<WindowPreview> adapter;
    std::unique_ptr<TVXDocumentWindowController> controller;
    std::unique_ptr<TVXDocument> document;
};

TEST_F(UserStyleSheet, ThePageLinksTheSheetAndFollowsItsChanges)
{
    ASSERT_TRUE(CustomCSSManager::sharedInstance().saveCustomCSS(QStringLiteral("body { background-color: rgb(1, 2, 3); }\n")));
    controller->addDocument(document.get());
    ASSERT_TRUE(waitForBackground(QStringLiteral("rgb(1, 2, 3)")));

    // Linked, not carried: no style element of the page holds the sheet's text.
    const QString inline_ = eval(QStringLiteral(
        "Array.from(document.querySelectorAll('style')).map(function(s){return s.textContent;}).join('\\n')")).toString();
    EXPECT_FALSE(inline_.contains(QStringLiteral("rgb(1, 2, 3)"))) << inline_.toStdString();
    const QString links = eval(QStringLiteral(
        "Array.from(document.querySelectorAll('link[rel=stylesheet]')).map(function(l){return l.getAttribute('href');}).join(' ')")).toString();
    EXPECT_TRUE(links.contains(QStringLiteral("customCSS.css"))) << links.toStdString();

    // Typing keeps it; a new sheet reaches the page (no old copy is kept); no sheet, no link.
    document->editorViewController()->getEditorTextView()->insertText(QStringLiteral("More. "));
    EXPECT_TRUE(waitForBackground(QStringLiteral("rgb(1, 2, 3)")));
    ASSERT_TRUE(CustomCSSManager::sharedInstance().saveCustomCSS(QStringLiteral("body { background-color: rgb(4, 5, 6); }\n")));
    EXPECT_TRUE(waitForBackground(QStringLiteral("rgb(4, 5, 6)")));
    ASSERT_TRUE(CustomCSSManager::sharedInstance().saveCustomCSS(QString()));
    EXPECT_TRUE(test::waitUntil([&] {
        return !eval(QStringLiteral("Array.from(document.querySelectorAll('link')).map(function(l){return l.getAttribute('href');}).join(' ')"))
                    .toString()
                    .contains(QStringLiteral("customCSS.css"));
    }, 30000));
}

} // namespace
