#include "preview/BasePreviewController.h"

#include "common/EditorFontSize.h"

#include "platform/StandardLocations.h"
#include "platform/UserDefaults.h"
#include "platform/web/WebView.h"
#include "common/Prefs.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <charconv>

namespace penwick {

namespace {

const float kScaleFontSize = 14.0f;

QString pathOf(const QUrl& url)
{
    return url.isLocalFile() ? url.toLocalFile() : url.path(QUrl::FullyDecoded);
}

QString withoutTrailingSlash(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

// Whether `path` lies in the local folder `folder` (links resolved where they exist).
bool isInsideFolder(const QString& path, const QUrl& folder)
{
    if (folder.isEmpty() || !folder.isLocalFile())
        return false;
    const auto real = [](const QString& p) {
        const QString cleaned = QDir::cleanPath(p);
        const QString canonical = QFileInfo(cleaned).canonicalFilePath();
        return canonical.isEmpty() ? cleaned : canonical;
    };
    const QString root = withoutTrailingSlash(real(folder.toLocalFile()));
    const QString target = real(path);
    return target == root || target.startsWith(root == QLatin1String("/") ? root : root + QLatin1Char('/'));
}

platform::UserDefaults& defaults()
{
    return platform::UserDefaults::standard();
}

} // namespace

BasePreviewController::BasePreviewController(QObject* parent)
    : QObject(parent)
{
}

BasePreviewController::~BasePreviewController() = default;

void BasePreviewController::setPreviewView(platform::WebView* view)
{
    m_previewView = view;
}

QUrl BasePreviewController::bundleURL()
{
    return QUrl::fromLocalFile(QDir(platform::resourcesDirectory()).absolutePath() + QLatin1Char('/'));
}

void BasePreviewController::awakeFromNib()
{
    if (platform::WebView* view = previewView()) {
        QObject::disconnect(m_loadConnection);
        QObject::disconnect(m_rebuiltConnection);
        m_loadConnection = connect(view, &platform::WebView::pageLoadFinished, this, [this](bool ok) {
            if (!m_stopped)
                webViewDidFinishLoad(ok);
        });
        // A body put in whole behind the update's back needs the update's finishing scripts again.
        m_rebuiltConnection = connect(view, &platform::WebView::bodyRebuilt, this, [this] {
            if (!m_stopped)
                didSetInnerHTML();
        });
        QPointer<BasePreviewController> self(this);
        view->setNavigationPolicy([self](const platform::NavigationRequest& request) {
            return self && !self->m_stopped ? self->decidePolicyForNavigation(request) : false;
        });
    }
    m_observations.clear();
    for (const QString& key : { Prefs::PREVIEW_EXTERNAL_ZOOM_LEVEL, Prefs::PREVIEW_HIDE_JEKYLL_TABLES, Prefs::PREVIEW_ENABLE_MATHJAX,
             Prefs::PREVIEW_ENABLE_PRISM, Prefs::PREVIEW_ENABLE_GFM }) {
        m_observations.push_back(defaults().observe(key, this, [this](const QString& changed) { observeValueForKeyPath(changed); }));
    }
}

void BasePreviewController::observeValueForKeyPath(const QString& keyPath)
{
    if (keyPath == Prefs::PREVIEW_EXTERNAL_ZOOM_LEVEL)
        applyZoom();
    else if (keyPath == Prefs::PREVIEW_HIDE_JEKYLL_TABLES)
        setJekyllTableVisibility();
    else if (keyPath == Prefs::PREVIEW_ENABLE_MATHJAX)
        reloadMathJax();
    else if (keyPath == Prefs::PREVIEW_ENABLE_PRISM)
        reloadPrism();
    else if (keyPath == Prefs::PREVIEW_ENABLE_GFM) {
        repairMMDCode();
        reloadPrism();
    }
}

void BasePreviewController::evaluate(const QString& script)
{
    if (platform::WebView* view = previewView())
        view->runScript(script);
}

void BasePreviewController::setJekyllTableVisibility()
{
    evaluate(QLatin1String("hideJekyllTable('") + QLatin1String(defaults().boolForKey(Prefs::PREVIEW_HIDE_JEKYLL_TABLES) ? "true" : "false")
        + QLatin1String("')"));
}

void BasePreviewController::reloadMathJax()
{
    if (defaults().boolForKey(Prefs::PREVIEW_ENABLE_MATHJAX))
        evaluate(QStringLiteral("reloadMathJax()"));
}

void BasePreviewController::reloadPrism()
{
    if (defaults().boolForKey(Prefs::PREVIEW_ENABLE_PRISM))
        evaluate(QStringLiteral("reloadPrism()"));
}

void BasePreviewController::reloadMathJaxInUpdate()
{
    if (defaults().boolForKey(Prefs::PREVIEW_ENABLE_MATHJAX))
        evaluate(QStringLiteral("(function(){var u=window.__penwickUpdatedNodes;"
                                "if(!u||typeof MathJax==='undefined'){reloadMathJax();return;}"
                                "if(u.length)MathJax.Hub.Queue(['Typeset',MathJax.Hub,u]);})()"));
}

void BasePreviewController::reloadPrismInUpdate()
{
    if (defaults().boolForKey(Prefs::PREVIEW_ENABLE_PRISM))
        evaluate(QStringLiteral("(function(){var u=window.__penwickUpdatedNodes;"
                                "if(!u||typeof Prism==='undefined'||!Prism.highlightAllUnder){reloadPrism();return;}"
                                "for(var i=0;i<u.length;i++)Prism.highlightAllUnder(u[i]);})()"));
}

void BasePreviewController::repairMMDCode()
{
    if (!defaults().boolForKey(Prefs::PREVIEW_ENABLE_GFM))
        evaluate(QStringLiteral("repairMMDCode()"));
}

void BasePreviewController::onUpdateJSCallback()
{
    evaluate(QStringLiteral("penwickPreviewUpdateCallback()"));
}

QString BasePreviewController::zoomScript(float level)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, level); // shortest, never localised
    return QLatin1String("document.documentElement.style.zoom = \"") + QLatin1String(text, result.ptr - text) + QLatin1Char('"');
}

void BasePreviewController::applyZoom()
{
    evaluate(zoomScript(static_cast<float>(defaults().doubleForKey(Prefs::PREVIEW_EXTERNAL_ZOOM_LEVEL))));
}

void BasePreviewController::forceClean()
{
    if (platform::WebView* view = previewView())
        view->loadHtml(QString(), QUrl());
}

void BasePreviewController::repairLocalImagesUsingBasePath()
{
    const QUrl base = baseURL();
    if (base.isEmpty() || pathOf(base).isEmpty())
        return;
    const QUrl document = documentURL();
    if (!document.isEmpty() && !pathOf(document).isEmpty()) {
        QString folder = pathOf(document);
        folder = folder.left(std::max<qsizetype>(folder.lastIndexOf(QLatin1Char('/')), 0));
        if (withoutTrailingSlash(folder.isEmpty() ? QStringLiteral("/") : folder) == withoutTrailingSlash(pathOf(base)))
            return;
    }
    forceRepairLocalImagesUsingBasePath(base);
}

void BasePreviewController::forceRepairLocalImagesUsingBasePath(const QUrl&)
{
    // The path always comes from our own base; it goes in as a literal, so any folder name is safe.
    const QUrl base = baseURL();
    if (base.isEmpty() || pathOf(base).isEmpty())
        return;
    evaluate(QLatin1String("repairLocalImageSources(") + platform::WebView::literal(withoutTrailingSlash(pathOf(base)))
        + QLatin1Char(')'));
}

std::optional<float> BasePreviewController::applyScale()
{
    const float fontSize = static_cast<float>(EditorFontSize::effective(defaults().doubleForKey(Prefs::EDITOR_FONTSIZE)));
    if (!defaults().boolForKey(Prefs::PREVIEW_SCALE) || !(fontSize > 0))
        return std::nullopt;
    const float scale = fontSize / kScaleFontSize;
    setScale(scale);
    return scale;
}

void BasePreviewController::setScale(float scale)
{
    if (platform::WebView* view = previewView())
        view->setZoomFactor(scale);
}

void BasePreviewController::navigateToAnchor(const QString& anchor)
{
    evaluate(QLatin1String("(function(){var e=document.getElementById(") + platform::WebView::literal(anchor)
        + QLatin1String(");if(e)e.scrollIntoView(true);})()"));
}

void BasePreviewController::stop()
{
    m_stopped = true;
    QObject::disconnect(m_loadConnection);
    QObject::disconnect(m_rebuiltConnection);
    // The page stays as it is, and nothing the user clicks in it goes anywhere any more.
    if (platform::WebView* view = previewView())
        view->setNavigationPolicy([](const platform::NavigationRequest&) { return false; });
}

void BasePreviewController::loadHTML(const QString& html, const QUrl& newDocumentURL, const QUrl& base)
{
    platform::WebView* view = previewView();
    if (!view)
        return;
    const QUrl current = documentURL();
    const bool same = (newDocumentURL.isEmpty() && current.isEmpty())
        || (!newDocumentURL.isEmpty() && !current.isEmpty() && pathOf(newDocumentURL) == pathOf(current));
    if (current.isEmpty() || !same || newDocumentURL.isEmpty() || forceLoadInsteadOfInject()) {
        view->loadHtml(html, base.isEmpty() ? bundleURL() : base);
        setDocumentURL(newDocumentURL);
        return;
    }
    view->setBodyHtml(html);
    didSetInnerHTML();
    setDocumentURL(newDocumentURL);
}

void BasePreviewController::didSetInnerHTML()
{
    repairLocalImagesUsingBasePath();
    setJekyllTableVisibility();
    reloadMathJaxInUpdate();
    repairMMDCode();
    reloadPrismInUpdate();
    onUpdateJSCallback();
}

void BasePreviewController::webViewDidFinishLoad(bool)
{
    repairLocalImagesUsingBasePath();
    setJekyllTableVisibility();
    applyScale();
    reloadMathJax();
    repairMMDCode();
    reloadPrism();
    onUpdateJSCallback();
}

bool BasePreviewController::decidePolicyForNavigation(const platform::NavigationRequest& request)
{
    if (request.url.isEmpty() || !request.url.isValid())
        return false;
    const QUrl base = baseURL();
    if (request.url.isLocalFile() && !base.isEmpty() && base.isLocalFile()) {
        const QString target = withoutTrailingSlash(QDir::cleanPath(request.url.toLocalFile()));
        if (target == withoutTrailingSlash(QDir::cleanPath(base.toLocalFile())) && !request.url.hasQuery() && !request.url.hasFragment())
            return true;
    }
    // A page hands no other program a local file outside the document's folder.
    if (request.url.isLocalFile() && !isInsideFolder(request.url.toLocalFile(), base))
        return false;
    if (platform::WebView* view = previewView())
        view->openExternally(request.url);
    return false;
}

void BasePreviewController::textCount(CountCallback callback)
{
    countText(std::move(callback), false);
}

void BasePreviewController::countText(CountCallback callback, bool again)
{
    platform::WebView* view = previewView();
    if (!view || !callback)
        return;
    QPointer<BasePreviewController> self(this);
    view->runScript(PageTextCount::script(), platform::WebView::World::Application,
        [self, again, callback = std::move(callback)](const QVariant& result) mutable {
            if (!self)
                return;
            if (const std::optional<DOMNodeTextCount> count = self->m_pageCount.count(result.toString())) {
                callback(*count);
            } else if (!again) {
                // The page sent what another counter has: it starts again from nothing.
                if (platform::WebView* view = self->previewView()) {
                    view->runScript(PageTextCount::resetScript(), platform::WebView::World::Application);
                    self->countText(std::move(callback), true);
                }
            }
        });
}

} // namespace penwick
