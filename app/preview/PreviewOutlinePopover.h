#pragma once

#include "platform/Popover.h"

namespace penwick {

namespace platform {
class WebView;
}

// The preview outline's popover: a small web view showing the linked outline page.
class PreviewOutlinePopover : public platform::Popover {
    Q_OBJECT
public:
    explicit PreviewOutlinePopover(QWidget* parent = nullptr);

    platform::WebView* outlineWebView() const { return m_webView; }

private:
    platform::WebView* m_webView = nullptr;
};

} // namespace penwick
