#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QToolButton;

namespace penwick {

namespace platform {
class WebView;
}
class ExternalPreviewWindowController;
class PreviewController;

// The preview pane beside the editor: the web view, and a bar with the busy indicator, the
// word count, the Real Preview switch and the external-window and auto-sync toggles. The
// window drives it through controller().
class PreviewPane : public QWidget {
    Q_OBJECT
public:
    explicit PreviewPane(QWidget* parent = nullptr);
    ~PreviewPane() override;

    PreviewController* controller() const { return m_controller; }
    platform::WebView* webView() const { return m_view; }
    ExternalPreviewWindowController* externalWindow() const { return m_external; }
    QLabel* countLabel() const { return m_countLabel; }
    QProgressBar* busyIndicator() const { return m_busy; }
    QToolButton* realPreviewButton() const { return m_realPreview; }
    QToolButton* externalWindowButton() const { return m_externalToggle; }
    QToolButton* autoSyncButton() const { return m_autoSync; }
    // Opens the outline of the rendered headings (the window answers it).
    QToolButton* outlineButton() const { return m_outline; }

private:
    platform::WebView* m_view = nullptr;
    PreviewController* m_controller = nullptr;
    ExternalPreviewWindowController* m_external = nullptr;
    QLabel* m_countLabel = nullptr;
    QProgressBar* m_busy = nullptr;
    QToolButton* m_realPreview = nullptr;
    QToolButton* m_externalToggle = nullptr;
    QToolButton* m_autoSync = nullptr;
    QToolButton* m_outline = nullptr;
};

} // namespace penwick
