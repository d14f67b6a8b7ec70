#pragma once

#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QWidget;

namespace penwick {

namespace platform {
class TextView;
}

// What the document window asks of its inline preview.
class PreviewControllerInterface {
public:
    virtual ~PreviewControllerInterface() = default;

    // Shows an empty page.
    virtual void forceClean() = 0;
    virtual void renderUsingTextView(platform::TextView* textView, const QUrl& baseURL, const QUrl& documentURL) = 0;
    // The per-document preview style instead of the preferred one; none for the preferred.
    virtual void setOverriddenStylePath(const std::optional<QString>& path) = 0;
    // Stops following that text view (its document is closing).
    virtual void closeTextView(platform::TextView* textView) = 0;
    // The next render loads the whole page instead of replacing its body.
    virtual void setForceLoadInsteadOfInject(bool /*force*/) {}
    // Renders the current text again after the document's base URL or URL changed.
    virtual void rerenderWithNewBaseUrl(const QUrl& /*baseURL*/, const QUrl& /*documentURL*/) {}
    // Scrolls the page to the element with that id.
    virtual void navigateToAnchor(const QString& /*anchor*/) {}
    // While set, the preview does not follow the editor's scrolling (the close review runs).
    virtual void setIgnoreAutoSync(bool) {}
    // The window is closing: the preview stops loading and rendering.
    virtual void stop() {}
    // Runs `then` once no rendering waits or runs and the last one's page was handed to the
    // view (at once when none is under way).
    virtual void whenRendered(std::function<void()> then) { then(); }
    // The view that shows the rendered page (what a PDF export prints); none without one.
    virtual QWidget* documentView() const { return nullptr; }
};

} // namespace penwick
