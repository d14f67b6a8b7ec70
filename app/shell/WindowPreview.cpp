#include "shell/WindowPreview.h"

#include "platform/web/WebView.h"
#include "preview/PreviewController.h"

namespace penwick {

WindowPreview::WindowPreview(PreviewController* controller) : m_controller(controller) {}

void WindowPreview::forceClean()
{
    if (m_controller)
        m_controller->forceClean();
}

void WindowPreview::renderUsingTextView(platform::TextView* textView, const QUrl& baseURL, const QUrl& documentURL)
{
    if (m_controller)
        m_controller->renderUsingTextView(textView, baseURL, documentURL);
}

void WindowPreview::setOverriddenStylePath(const std::optional<QString>& path)
{
    if (m_controller)
        m_controller->setOverriddenStylePath(path);
}

QWidget* WindowPreview::documentView() const
{
    return m_controller ? m_controller->documentView() : nullptr;
}

void WindowPreview::whenRendered(std::function<void()> then)
{
    if (m_controller)
        m_controller->whenRendered(std::move(then));
    else
        then();
}

void WindowPreview::closeTextView(platform::TextView* textView)
{
    if (m_controller)
        m_controller->closeTextView(textView);
}

void WindowPreview::setForceLoadInsteadOfInject(bool force)
{
    if (m_controller)
        m_controller->setForceLoadInsteadOfInject(force);
}

void WindowPreview::rerenderWithNewBaseUrl(const QUrl& baseURL, const QUrl& documentURL)
{
    if (m_controller)
        m_controller->rerenderWithNewBaseUrl(baseURL, documentURL);
}

void WindowPreview::navigateToAnchor(const QString& anchor)
{
    if (m_controller)
        m_controller->navigateToAnchor(anchor);
}

void WindowPreview::setIgnoreAutoSync(bool ignore)
{
    if (m_controller)
        m_controller->setIgnoreAutoSync(ignore);
}

void WindowPreview::stop()
{
    if (m_controller)
        m_controller->stop();
}

} // namespace penwick
