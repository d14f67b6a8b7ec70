#include "preview/PreviewOutlinePopover.h"

#include "platform/web/WebView.h"

#include <QVBoxLayout>

namespace penwick {

PreviewOutlinePopover::PreviewOutlinePopover(QWidget* parent)
    : platform::Popover(parent)
{
    setObjectName(QStringLiteral("previewOutlinePopover"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    m_webView = new platform::WebView(this);
    m_webView->setObjectName(QStringLiteral("previewOutlineWebView"));
    m_webView->setMinimumSize(320, 280);
    layout->addWidget(m_webView);
}

} // namespace penwick
