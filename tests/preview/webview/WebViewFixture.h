#pragma once

#include "PageScripts.h"
#include "TestSupport.h"
#include "platform/web/WebView.h"

#include <QUrl>
#include <QVariant>

#include <gtest/gtest.h>

#include <memory>

namespace penwick::test {

// One web view per test, shown offscreen at 800×600, with helpers that wait for loads and
// script results. Outside addresses go to `opened` instead of the desktop.
class WebViewTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads and waits for the load to end; false when it never did.
    bool loadHtml(const QString& html, const QUrl& base = {});
    bool loadUrl(const QUrl& url);
    bool waitForLoad(int timeoutMs = 30000);
    QVariant eval(const QString& script, platform::WebView::World world = platform::WebView::World::Page);
    // Waits until `condition` (a page script) is true.
    bool waitFor(const QString& condition, int timeoutMs = kScriptAnswerMs);

    // Marks every paragraph now in the page; rebuiltParagraphs() then lists the ids of those
    // an update made anew instead of keeping.
    void markParagraphs();
    QString rebuiltParagraphs();
    // The body the engine's parser makes of `html` on its own, as a full load would.
    QString parsedAlone(const QString& html);

    // Presses and releases the mouse on the middle of the element with `id`, as the user would.
    void click(const QString& id);

    // A folder with "pic.png" (8×6 pixels), its URL ending with "/".
    QString makeImageFolder();
    QUrl folderUrl(const QString& folder) const { return QUrl::fromLocalFile(folder + QLatin1Char('/')); }

    std::unique_ptr<platform::WebView> view;
    int loadsFinished = 0;
    bool lastLoadOk = false;
    QList<QUrl> opened;
};

// About `bytes` bytes of filler text in a comment (ASCII).
QString fillerParagraphs(qsizetype bytes);

} // namespace penwick::test
