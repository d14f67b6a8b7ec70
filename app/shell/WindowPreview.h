#pragma once

#include "shell/PreviewControllerInterface.h"

#include <QPointer>

namespace penwick {

class PreviewController;

// The window's preview pane, spoken to in the window's terms.
class WindowPreview : public PreviewControllerInterface {
public:
    explicit WindowPreview(PreviewController* controller);

    void forceClean() override;
    void renderUsingTextView(platform::TextView* textView, const QUrl& baseURL, const QUrl& documentURL) override;
    void setOverriddenStylePath(const std::optional<QString>& path) override;
    void closeTextView(platform::TextView* textView) override;
    void setForceLoadInsteadOfInject(bool force) override;
    void rerenderWithNewBaseUrl(const QUrl& baseURL, const QUrl& documentURL) override;
    void navigateToAnchor(const QString& anchor) override;
    void setIgnoreAutoSync(bool ignore) override;
    void stop() override;
    void whenRendered(std::function<void()> then) override;
    QWidget* documentView() const override;

private:
    QPointer<PreviewController> m_controller;
};

} // namespace penwick
