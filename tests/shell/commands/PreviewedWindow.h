#pragma once

// A document window with a real preview pane beside it, as the application builds it.
#include "PageScripts.h"
#include "TestSupport.h"
#include "platform/web/WebView.h"
#include "preview/PreviewController.h"
#include "preview/PreviewPane.h"
#include "shell/TVXDocumentWindowController.h"
#include "shell/WindowPreview.h"

#include <gtest/gtest.h>

#include <memory>

namespace penwick::test {

struct PreviewedWindow {
    PreviewedWindow()
    {
        pane = std::make_unique<PreviewPane>();
        pane->resize(600, 500);
        pane->show();
        pane->controller()->setSplitView(&splitPoster, [] { return 1; });
        QObject::connect(pane->webView(), &platform::WebView::pageLoadFinished, pane->webView(), [this](bool) { ++loads; });
        adapter = std::make_unique<WindowPreview>(pane->controller());
        controller = std::make_unique<TVXDocumentWindowController>();
        controller->setPreviewController(adapter.get());
    }
    ~PreviewedWindow()
    {
        controller.reset();
        adapter.reset();
        pane.reset();
    }

    QVariant eval(const QString& script) { return test::evaluate(pane->webView(), script); }
    bool waitFor(const QString& condition, int timeoutMs = test::kScriptAnswerMs)
    {
        return test::waitForScript(pane->webView(), condition, platform::WebView::World::Page, timeoutMs);
    }

    int splitPoster = 0;
    int loads = 0;
    std::unique_ptr<PreviewPane> pane;
    std::unique_ptr<WindowPreview> adapter;
    std::unique_ptr<TVXDocumentWindowController> controller;
};

} // namespace penwick::test
