#pragma once

#include <QWidget>

#include <functional>

namespace penwick {

namespace platform {
class WebView;
}
class ExternalPreviewController;

// The external preview window: a top-level window with its own web view and preview
// controller, and the zoom commands (Ctrl+=, Ctrl+-, Ctrl+0), which change the zoom setting
// that every preview follows.
class ExternalPreviewWindowController : public QWidget {
    Q_OBJECT
public:
    explicit ExternalPreviewWindowController(QWidget* parent = nullptr);
    ~ExternalPreviewWindowController() override;

    ExternalPreviewController* previewController() const { return m_controller; }
    platform::WebView* webView() const { return m_view; }

    void showWindow();
    // Called as the window closes (by the user or by close()).
    void setWindowWillClose(std::function<void()> handler) { m_windowWillClose = std::move(handler); }

    // Steps of 0.1; a step below 0.1 is not taken (the page would vanish).
    static void zoomIn();
    static void zoomOut();
    static void zoomImageToActualSize();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    platform::WebView* m_view = nullptr;
    ExternalPreviewController* m_controller = nullptr;
    std::function<void()> m_windowWillClose;
};

} // namespace penwick
