#pragma once

#include "platform/Observation.h"
#include "platform/web/NavigationRequest.h"
#include "platform/web/WebView.h"
#include "preview/PageTextCount.h"
#include "preview/TextCount.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <optional>
#include <vector>

namespace penwick {

namespace platform {
class WebView;
}

// Drives one web view as a document preview: a full page load for a new document, only the
// body for the same one, then the page's finishing calls (image repair, front-matter table,
// zoom and scale, MathJax, code classes, Prism, the user's callback). Navigation the user
// starts leaves the preview for the desktop. The operations are virtual so that the pane
// and the external preview take part in the sequences. Empty URLs stand for none.
class BasePreviewController : public QObject {
    Q_OBJECT
public:
    using CountCallback = std::function<void(const DOMNodeTextCount&)>;

    explicit BasePreviewController(QObject* parent = nullptr);
    ~BasePreviewController() override;

    virtual platform::WebView* previewView() const { return m_previewView; }
    virtual void setPreviewView(platform::WebView* view);
    virtual QUrl baseURL() const { return m_baseURL; }
    virtual void setBaseURL(const QUrl& url) { m_baseURL = url; }
    virtual QUrl documentURL() const { return m_documentURL; }
    virtual void setDocumentURL(const QUrl& url) { m_documentURL = url; }
    virtual bool forceLoadInsteadOfInject() const { return m_forceLoadInsteadOfInject; }
    virtual void setForceLoadInsteadOfInject(bool force) { m_forceLoadInsteadOfInject = force; }

    // Connects the view (load ends, navigation policy) and observes the preview settings
    // until the controller goes or stop() runs.
    virtual void awakeFromNib();
    virtual void observeValueForKeyPath(const QString& keyPath);
    virtual void setJekyllTableVisibility();
    virtual void reloadMathJax();
    virtual void reloadPrism();
    // After a body update: only the elements the update added are typeset and highlighted
    // (the whole page when the page does not say which they are).
    void reloadMathJaxInUpdate();
    void reloadPrismInUpdate();
    virtual void repairMMDCode();
    virtual void onUpdateJSCallback();
    virtual void applyZoom();
    virtual void forceClean();
    virtual void repairLocalImagesUsingBasePath();
    virtual void forceRepairLocalImagesUsingBasePath(const QUrl& url);
    virtual std::optional<float> applyScale();
    virtual void setScale(float scale);
    virtual void navigateToAnchor(const QString& anchor);
    virtual void stop();
    virtual void loadHTML(const QString& html, const QUrl& newDocumentURL, const QUrl& base);
    virtual void didSetInnerHTML();
    // The end of a main-frame load, successful or not.
    virtual void webViewDidFinishLoad(bool ok);
    // The answer to a navigation the user started: true lets the view go there.
    virtual bool decidePolicyForNavigation(const platform::NavigationRequest& request);

    // The counts of the page shown, later; never called once the controller is gone.
    void textCount(CountCallback callback);
    // Runs a script in the page (a function the page lacks does nothing).
    void evaluate(const QString& script);

    // The zoom script for a level: the level as shortest decimal text in quotes.
    static QString zoomScript(float level);
    // A base for pages without one: the application's resources folder.
    static QUrl bundleURL();

private:
    void countText(CountCallback callback, bool again);
    QPointer<platform::WebView> m_previewView;
    QUrl m_baseURL;
    QUrl m_documentURL;
    bool m_forceLoadInsteadOfInject = false;
    bool m_stopped = false;
    std::vector<platform::Observation> m_observations;
    PageTextCount m_pageCount;
    QMetaObject::Connection m_loadConnection;
    QMetaObject::Connection m_rebuiltConnection;
};

} // namespace penwick
