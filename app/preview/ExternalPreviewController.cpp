#include "preview/ExternalPreviewController.h"

#include "platform/web/ScriptText.h"
#include "platform/web/WebView.h"

namespace penwick {

ExternalPreviewControllerDelegate* ExternalPreviewController::externalPreviewControllerDelegate() const
{
    return m_delegateObject ? m_delegate : nullptr;
}

void ExternalPreviewController::setExternalPreviewControllerDelegate(ExternalPreviewControllerDelegate* delegate)
{
    m_delegate = delegate;
    m_delegateObject = dynamic_cast<QObject*>(delegate);
}

void ExternalPreviewController::loadRealPreview(std::shared_ptr<RealPreviewOutput> output)
{
    if (!output)
        return;
    if (m_output && m_output->cachedFilePath() == output->cachedFilePath()) {
        m_firstRealPreviewRequest = false;
        m_output = std::move(output);
        injectRealPreviewContent();
        return;
    }
    m_firstRealPreviewRequest = true;
    m_notifyWhenLoaded = false;
    if (platform::WebView* view = previewView())
        view->loadFile(output->cachedFilePath(), baseURL());
    m_output = std::move(output);
}

void ExternalPreviewController::loadHTML(const QString& html, const QUrl& newDocumentURL, const QUrl& base)
{
    BasePreviewController::loadHTML(html, newDocumentURL, base);
    m_output.reset();
    // After a full load the page to count is there only once the load has ended.
    platform::WebView* view = previewView();
    if (view && view->isLoadPending()) {
        m_notifyWhenLoaded = true;
        return;
    }
    if (auto* delegate = externalPreviewControllerDelegate())
        delegate->externalPreviewFinishedLoadingFrame();
}

void ExternalPreviewController::webViewDidFinishLoad(bool ok)
{
    applyZoom();
    if (m_output)
        injectRealPreviewContent();
    BasePreviewController::webViewDidFinishLoad(ok);
    if (std::exchange(m_notifyWhenLoaded, false)) {
        if (auto* delegate = externalPreviewControllerDelegate())
            delegate->externalPreviewFinishedLoadingFrame();
    }
}

void ExternalPreviewController::repairRemoteResources()
{
    if (!m_output)
        return;
    const QString url = platform::WebView::literal(m_output->realPreviewItem().url());
    evaluate(QLatin1String("repairRemoteImageSources(") + url + QLatin1Char(')'));
    evaluate(QLatin1String("repairLinkHrefs(") + url + QLatin1Char(')'));
}

QString ExternalPreviewController::elementWriteScript(const QString& name, const QString& html, bool addMediumClasses)
{
    return QLatin1String("(function(name,html){var e=null;"
                         "if(name.charAt(0)==='#')e=document.getElementById(name.substring(1));"
                         "else{var l=document.getElementsByClassName(name);e=l.length?l[0]:null;}"
                         "if(!(e instanceof HTMLElement))return false;e.innerHTML=html;")
        + QLatin1String(addMediumClasses ? "if(typeof addClasses==='function')addClasses();" : "")
        + QLatin1String("return true;})(") + platform::ScriptText::literal(name) + QLatin1Char(',')
        + platform::ScriptText::json(html) + QLatin1Char(')');
}

void ExternalPreviewController::injectRealPreviewContent()
{
    platform::WebView* view = previewView();
    const std::shared_ptr<RealPreviewOutput> output = m_output;
    if (view && output && !output->realPreviewItem().postClassName().isNull()) {
        if (m_firstRealPreviewRequest)
            repairRemoteResources();
        const bool medium = output->realPreviewItem().type() == static_cast<qint64>(BlogType::Medium);
        const bool reused = !m_firstRealPreviewRequest;
        QPointer<ExternalPreviewController> self(this);
        view->runScript(elementWriteScript(output->realPreviewItem().postClassName(), view->withPageAddresses(output->htmlContent()), medium),
            platform::WebView::World::Page, [self, reused](const QVariant& found) {
                // The reused page runs no load sequence: the document's images are repaired here.
                if (self && reused && found.toBool())
                    self->forceRepairLocalImagesUsingBasePath(self->baseURL());
            });
        const QString header = output->realPreviewItem().headerClassName();
        if (!header.isEmpty()) {
            QString title;
            if (const auto front = output->frontMatterDict()) {
                const QVariant value = front->value(QStringLiteral("title"));
                if (value.typeId() == QMetaType::QString)
                    title = value.toString();
            }
            view->runScript(elementWriteScript(header, title, false));
        }
    }
    if (view && externalPreviewControllerDelegate()) {
        // Told once what was issued has run, so that a count sees the written page.
        QPointer<ExternalPreviewController> self(this);
        view->runScript(QStringLiteral("true"), platform::WebView::World::Application, [self](const QVariant&) {
            if (self && self->externalPreviewControllerDelegate())
                self->externalPreviewControllerDelegate()->externalPreviewFinishedSettingInnerHTML();
        });
    } else if (auto* delegate = externalPreviewControllerDelegate()) {
        delegate->externalPreviewFinishedSettingInnerHTML();
    }
}

} // namespace penwick
