#pragma once

#include "PageScripts.h"
#include "TestSupport.h"
#include "TextEditor/TextEditorView.h"
#include "platform/web/WebView.h"
#include "preview/PreviewController.h"
#include "preview/PreviewPane.h"

#include <gtest/gtest.h>

#include <memory>

namespace penwick::test {

// A preview pane beside an editor, offscreen, with an update callback that counts page
// updates into window.updates, and a split controller of its own whose state the test sets.
class PaneTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    PreviewController* controller() const { return pane->controller(); }
    platform::WebView* view() const { return pane->webView(); }
    platform::WebView* externalView() const;

    // Sets the editor's text without rendering.
    void setText(const QString& text);
    // The window's call after a change.
    void render(const QUrl& document = {});
    // Waits for the pane (and, when asked, the window) to be idle: no load pending, scripts answered.
    void settle(bool external = false);
    QVariant eval(const QString& script, platform::WebView* in = nullptr);
    bool waitFor(const QString& condition, platform::WebView* in = nullptr, int timeoutMs = kScriptAnswerMs);
    // Posts the split view notification with the given pane state (0 collapsed).
    void setPaneState(int state);
    QString label() const;

    std::unique_ptr<PreviewPane> pane;
    std::unique_ptr<TextEditorView> editor;
    QUrl base;
    QUrl document;
    int paneLoads = 0;
    int externalLoads = 0;
    int splitState = 1;
    int splitPoster = 0; // its address stands for the window's split controller
    QList<QUrl> opened;
};

} // namespace penwick::test
