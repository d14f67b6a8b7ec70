#pragma once

#include "preview/BasePreviewController.h"
#include "preview/RealPreviewOutput.h"

#include <memory>

namespace penwick {

// Told when the external preview has shown a new page or written into it.
class ExternalPreviewControllerDelegate {
public:
    virtual ~ExternalPreviewControllerDelegate() = default;
    virtual void externalPreviewFinishedLoadingFrame() = 0;
    virtual void externalPreviewFinishedSettingInnerHTML() = 0;
};

// The preview of the external window: ordinary renderings as the base shows them, or a Real
// Preview, the site's cached page with the document written into its post and header elements.
class ExternalPreviewController : public BasePreviewController {
    Q_OBJECT
public:
    using BasePreviewController::BasePreviewController;

    std::shared_ptr<RealPreviewOutput> realPreviewOutput() const { return m_output; }
    void setRealPreviewOutput(std::shared_ptr<RealPreviewOutput> output) { m_output = std::move(output); }
    bool firstRealPreviewRequest() const { return m_firstRealPreviewRequest; }
    void setFirstRealPreviewRequest(bool first) { m_firstRealPreviewRequest = first; }
    ExternalPreviewControllerDelegate* externalPreviewControllerDelegate() const;
    // `delegate` must be a QObject too; it is held weakly.
    void setExternalPreviewControllerDelegate(ExternalPreviewControllerDelegate* delegate);

    virtual void loadRealPreview(std::shared_ptr<RealPreviewOutput> output);
    virtual void repairRemoteResources();
    virtual void injectRealPreviewContent();

    void loadHTML(const QString& html, const QUrl& newDocumentURL, const QUrl& base) override;
    void webViewDidFinishLoad(bool ok) override;

    // The script that writes `html` into the element named by `name` ("#id" or a class name)
    // and answers whether there was one.
    static QString elementWriteScript(const QString& name, const QString& html, bool addMediumClasses);

private:
    std::shared_ptr<RealPreviewOutput> m_output;
    bool m_firstRealPreviewRequest = true;
    bool m_notifyWhenLoaded = false;
    ExternalPreviewControllerDelegate* m_delegate = nullptr;
    QPointer<QObject> m_delegateObject;
};

} // namespace penwick
