#pragma once

#include "platform/web/NavigationRequest.h"

#include <QObject>
#include <QPointer>

#include <QDialog>

namespace penwick {

namespace platform {
class WebView;
}

// The What's New window: the bundled page "whatsNew.html" in a web view, shown modally. Links
// open in the desktop's browser, never in the window.
class WhatNewWindowController : public QObject {
    Q_OBJECT
public:
    explicit WhatNewWindowController(QObject* parent = nullptr);
    ~WhatNewWindowController() override;

    QDialog* window() const { return m_window; }
    platform::WebView* webView() const { return m_webView; }

    // Sets the window up and loads the page.
    void windowDidLoad();
    // Runs the window modally; returns when it has closed (at once without a window).
    void run();

    // The page's own load goes ahead; anything the user starts opens in the browser instead
    // and the page stays. A navigation without an address is refused.
    bool decidePolicyForNavigation(const platform::NavigationRequest& request);

    // The bundled page.
    static QString pagePath();

private:
    QPointer<QDialog> m_window;
    platform::WebView* m_webView = nullptr;
};

} // namespace penwick
