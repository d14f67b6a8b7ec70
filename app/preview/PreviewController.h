#pragma once

#include "platform/Observation.h"
#include "platform/text/TextView.h"
#include "preview/BasePreviewController.h"
#include "preview/ExternalPreviewController.h"
#include "preview/ExternalPreviewWindowController.h"
#include "preview/PreviewRenderer.h"
#include "Services/MarkdownFormatter.h"

#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QAbstractButton>
#include <QLabel>

namespace penwick {

namespace platform {

struct Notification;
}


// The preview pane of a document window: renders the bound editor's text into its web view
// (and into the external preview window while that is shown, as the ordinary page or as a
// Real Preview), keeps the page at the editor's scroll position, shows the word count, and
// does nothing while collapsed unless the external window is shown. Typing renders once per
// pause rather than once per change.
class PreviewController : public BasePreviewController, public ExternalPreviewControllerDelegate {
    Q_OBJECT
public:
    using DataCallback = std::function<void(const QString&)>;

    explicit PreviewController(QObject* parent = nullptr);
    ~PreviewController() override;

    // The pane's controls (non-owning; set before awakeFromNib()).
    void setProgressIndicator(QWidget* indicator) { m_progressIndicator = indicator; }
    void setRealPreviewButton(QAbstractButton* button) { m_realPreviewBtn = button; }
    void setExternalPreviewToggleButton(QAbstractButton* button) { m_externalPreviewToggleBtn = button; }
    void setCountLabel(QLabel* label) { m_countLabel = label; }
    void setExternalPreviewWindowController(ExternalPreviewWindowController* window);
    ExternalPreviewWindowController* externalPreviewWindowController() const { return m_external; }
    // The window's split controller: split-view notifications count only when they come from
    // `poster`; `paneState` answers 0 while the pane is collapsed.
    void setSplitView(const void* poster, std::function<int()> paneState);

    bool ignoreAutoSync() const { return m_ignoreAutoSync; }
    void setIgnoreAutoSync(bool ignore) { m_ignoreAutoSync = ignore; }
    std::optional<QString> overriddenStylePath() const { return m_overriddenStylePath; }
    void setOverriddenStylePath(const std::optional<QString>& path);
    QUrl styleURL() const { return m_styleURL; }
    bool isCollapsed() const { return m_isCollapsed; }
    bool isBusy() const { return m_busy; }
    // Whether typing left a render waiting for the pause, or a text is being rendered.
    bool hasPendingRender() const { return m_pauseTimer.isActive() || m_renderer.isBusy(); }
    // Runs `then` once no rendering waits for the pause or runs and the last one's page was
    // handed to the view (at once when none is under way; also when the preview stops).
    void whenRendered(std::function<void()> then);
    // Renderings that run past this are given up (tests shorten it).
    void setRenderBoundMs(int ms) { m_renderer.setBoundMs(ms); }
    PreviewRenderer& renderer() { return m_renderer; }
    std::shared_ptr<RealPreviewOutput> realPreviewOutput() const { return m_realPreviewOutput; }
    platform::TextView* textView() const { return m_textView; }

    void setBaseURL(const QUrl& url) override;
    void setForceLoadInsteadOfInject(bool force) override;

    // The window's calls.
    void renderUsingTextView(platform::TextView* textView, const QUrl& base, const QUrl& document);
    void rerenderWithNewBaseUrl(const QUrl& base, const QUrl& document);
    void closeTextView(platform::TextView* textView);
    platform::WebView* documentView() const { return previewView(); }
    // The body of the page shown; "" while the pane is collapsed.
    void previewData(DataCallback callback);

    // Actions of the pane's controls.
    void showRealPreview();
    void showExternalPreviewWindow();
    void autoSyncToggle(bool on);

    void awakeFromNib() override;
    void observeValueForKeyPath(const QString& keyPath) override;
    void forceClean() override;
    void stop() override;
    void navigateToAnchor(const QString& anchor) override;
    void didSetInnerHTML() override;
    void webViewDidFinishLoad(bool ok) override;

    void externalPreviewFinishedLoadingFrame() override;
    void externalPreviewFinishedSettingInnerHTML() override;
    void windowWillClose();

    // The label text for a word count: "", "1 word", "<n> words".
    static QString wordCountText(uint64_t words);
    // The pane's page: the front-matter table and a line feed at the start of the page's body
    // (in front of a page without one); without a table, a line feed then the page.
    static QString paneHTML(const RenderingResult& page);
    // The page title for a base folder: its name without extension; none without a base.
    static std::optional<QString> pageTitle(const QUrl& base);
    // How long typing waits for a pause, by the length of the text.
    static int pauseMilliseconds(qsizetype textLength);
    // What the pane says of a text that takes the engine too long.
    static QString tooComplexMessage();

private:
    void render(const QUrl& document);
    void show(const QUrl& document, const PreviewRenderer::Result& rendered);
    void renderPending();
    void cancelPendingRender();
    bool externalWindowVisible() const;
    void styleSheetRefresh();
    bool realPreviewRefresh();
    void splitViewStateChanged(const platform::Notification& notification);
    void updateWordCount(bool force);
    void startScrollSync(platform::TextView* textView);
    void stopScrollSync();
    void synchronizedViewContentBoundsDidChange();
    void syncPage();
    void setBusy(bool busy);
    void settleRenderWaiters();

    QPointer<QWidget> m_progressIndicator;
    QPointer<QAbstractButton> m_realPreviewBtn;
    QPointer<QAbstractButton> m_externalPreviewToggleBtn;
    QPointer<QLabel> m_countLabel;
    QPointer<ExternalPreviewWindowController> m_external;
    const void* m_splitPoster = nullptr;
    std::function<int()> m_paneState;

    QUrl m_styleURL;
    bool m_skipBoundsChange = false;
    bool m_autoSync = true;
    bool m_ignoreAutoSync = false;
    bool m_isCollapsed = false;
    bool m_busy = false;
    bool m_stopped = false;
    QPointer<platform::TextView> m_textView;
    std::shared_ptr<RealPreviewOutput> m_realPreviewOutput;
    std::optional<QString> m_overriddenStylePath;

    QTimer m_pauseTimer;
    PreviewRenderer m_renderer;
    std::vector<std::function<void()>> m_renderWaiters;
    QUrl m_pendingDocument;
    bool m_hasRendered = false;
    QUrl m_lastRenderedDocument;
    quint64 m_countGeneration = 0;
    QMetaObject::Connection m_scrollConnection;
    QMetaObject::Connection m_viewportConnection;
    std::pair<int, int> m_syncedPosition { -1, -1 }; // the editor's bar value and maximum last followed
    std::vector<platform::Observation> m_observations;
};

} // namespace penwick
