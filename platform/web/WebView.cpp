#include "platform/web/WebView.h"

#include "platform/web/InPageLinkBridge.h"
#include "platform/web/ScriptText.h"
#include "platform/web/WebPage.h"
#include "platform/web/WebProfile.h"

#include <QChildEvent>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPageLayout>
#include <QPageSize>
#include <QPointer>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QWebChannel>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

namespace penwick::platform {

namespace {

// The engine refuses a page given as text whose percent-encoded form passes 2 MiB.
constexpr qsizetype kMaxInlinePage = 2 * 1024 * 1024 - 4096;

bool fitsInline(const QByteArray& utf8)
{
    if (utf8.size() * 3 <= kMaxInlinePage)
        return true;
    qsizetype encoded = 0;
    for (const char c : utf8) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'
            || c == '.' || c == '_' || c == '~';
        encoded += plain ? 1 : 3;
        if (encoded > kMaxInlinePage)
            return false;
    }
    return true;
}

QString htmlAttribute(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    out.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    out.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    out.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    return out;
}

// `html` with a base element as the first thing of its head (or of the page), so that it
// wins over any later one.
QByteArray withBase(const QString& html, const QUrl& baseUrl)
{
    if (baseUrl.isEmpty())
        return html.toUtf8();
    const QString base = QLatin1String("<base href=\"") + htmlAttribute(QString::fromUtf8(baseUrl.toEncoded()))
        + QLatin1String("\">");
    const QStringView head = QStringView(html).left(8192);
    qsizetype at = 0;
    const qsizetype headTag = head.indexOf(QLatin1String("<head"), 0, Qt::CaseInsensitive);
    if (headTag >= 0 && headTag + 5 < head.size() && (head.at(headTag + 5) == QLatin1Char('>') || head.at(headTag + 5).isSpace())) {
        const qsizetype close = head.indexOf(QLatin1Char('>'), headTag);
        if (close >= 0)
            at = close + 1;
    } else if (head.trimmed().startsWith(QLatin1String("<!doctype"), Qt::CaseInsensitive)) {
        const qsizetype close = head.indexOf(QLatin1Char('>'));
        if (close >= 0)
            at = close + 1;
    }
    QByteArray out;
    out.reserve(html.size() + base.size() + 16);
    out += QStringView(html).left(at).toUtf8();
    out += base.toUtf8();
    out += QStringView(html).mid(at).toUtf8();
    return out;
}

QString bridgeSource()
{
    QFile channelJs(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    QString source;
    if (channelJs.open(QIODevice::ReadOnly))
        source = QString::fromUtf8(channelJs.readAll());
    source += QStringLiteral(R"JS(
;(function () {
  if (window.__inPageLinks !== undefined) return;
  window.__inPageLinks = null;
  if (typeof qt !== 'undefined' && qt.webChannelTransport)
    new QWebChannel(qt.webChannelTransport, function (channel) { window.__inPageLinks = channel.objects.inPageLinks; });
  document.addEventListener('click', function (event) {
    var bridge = window.__inPageLinks;
    if (!bridge || !bridge.enabled || event.defaultPrevented) return;
    var node = event.target;
    while (node && !(node.nodeType === 1 && node.localName === 'a')) node = node.parentNode;
    if (!node) return;
    var href = node.getAttribute('href');
    if (href === null || href.charAt(0) !== '#') return;
    event.preventDefault();
    bridge.linkClicked(href.substring(1));
  }, true);
})();
)JS");
    return source;
}

UrlOpener& defaultOpener()
{
    static UrlOpener opener = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    return opener;
}

} // namespace

WebView::WebView(QWidget* parent)
    : QWebEngineView(parent)
    , m_alive(std::make_shared<bool>(true))
{
    m_page = new WebPage(sharedWebProfile(), this);
    setPage(m_page);
    setAcceptDrops(false);
    m_bridge = new InPageLinkBridge(this);
    m_channel = new QWebChannel(this);
    m_channel->registerObject(QStringLiteral("inPageLinks"), m_bridge);
    m_page->setWebChannel(m_channel, QWebEngineScript::ApplicationWorld);
    installPageScripts();

    connect(m_page, &QWebEnginePage::loadStarted, this, &WebView::onLoadStarted);
    connect(m_page, &QWebEnginePage::loadFinished, this, &WebView::onLoadFinished);
    connect(m_page, &WebPage::inPageAnchorRequested, this, &WebView::scrollToAnchor);
    connect(m_bridge, &InPageLinkBridge::clicked, this, [this](const QString& target) {
        if (m_inPageLinkHandler)
            m_inPageLinkHandler(target);
    });
}

WebView::~WebView()
{
    *m_alive = false;
    if (m_inspector)
        delete m_inspector;
    // The page goes before its profile and before this widget's parts.
    setPage(nullptr);
    delete m_page;
    m_page = nullptr;
}

void WebView::installPageScripts()
{
    QWebEngineScript script;
    script.setName(QStringLiteral("inPageLinks"));
    script.setSourceCode(bridgeSource());
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(false);
    m_page->scripts().insert(script);
}

QString WebView::literal(const QString& text)
{
    return ScriptText::literal(text);
}

void WebView::clearPageFile()
{
    if (!m_pageFile.isEmpty()) {
        QFile::remove(m_pageFile);
        m_pageFile.clear();
    }
}

void WebView::loadHtml(const QString& html, const QUrl& baseUrl)
{
    clearPageFile();
    m_page->setPageBaseUrl(baseUrl);
    m_loadIssued = true;
    const QByteArray utf8 = html.toUtf8();
    if (fitsInline(utf8)) {
        m_page->setHtml(html, baseUrl);
        return;
    }
    if (!m_pageFolder) {
        m_pageFolder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/penwick-page-XXXXXX"));
        if (m_pageFolder->isValid())
            QFile::setPermissions(m_pageFolder->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QString path = m_pageFolder->filePath(QStringLiteral("page-%1.html").arg(++m_pageFileSerial));
    QSaveFile file(path);
    const QByteArray content = withBase(html, baseUrl);
    if (!m_pageFolder->isValid() || !file.open(QIODevice::WriteOnly) || file.write(content) != content.size()
        || !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner) || !file.commit()) {
        qWarning("WebView: cannot write the page file %s", qPrintable(path));
        // The engine would refuse the page as text: show what fits rather than nothing.
        m_page->setHtml(QStringLiteral("<!DOCTYPE html><html><body><p>The page could not be shown.</p></body></html>"), baseUrl);
        return;
    }
    m_pageFile = path;
    m_page->load(QUrl::fromLocalFile(path));
}

void WebView::loadUrl(const QUrl& url)
{
    clearPageFile();
    m_page->setPageBaseUrl({});
    m_loadIssued = true;
    m_page->load(url);
}

QUrl WebView::baseUrl() const
{
    return m_page->pageBaseUrl();
}

bool WebView::isLoadPending() const
{
    return m_loadIssued || m_page->isLoading();
}

void WebView::onLoadStarted()
{
    m_loadIssued = false;
    m_startedRefused = m_page->lastNavigationRefused();
    // Scripts sent to the page that is going away may never answer: they no longer hold the queue.
    ++m_epoch;
    m_inFlight = 0;
}

void WebView::onLoadFinished(bool ok)
{
    if (isLoadPending())
        return; // a load that another one replaced
    if (!ok && m_startedRefused) {
        pump(); // a navigation the policy refused: the page stays, nothing was loaded
        return;
    }
    if (m_hasPendingBody) {
        m_hasPendingBody = false;
        const QString body = std::exchange(m_pendingBody, QString());
        m_queue.push_front({ QLatin1String("(function(){var b=document.body;if(!b)return false;b.innerHTML=")
                + ScriptText::json(body) + QLatin1String(";return true;})()"),
            World::Application, {} });
    }
    pump();
    emit pageLoadFinished(ok);
}

void WebView::setBodyHtml(const QString& html)
{
    if (isLoadPending()) {
        m_hasPendingBody = true;
        m_pendingBody = html;
        return;
    }
    m_queue.push_back({ QLatin1String("(function(){var b=document.body;if(!b)return false;b.innerHTML=") + ScriptText::json(html)
            + QLatin1String(";return true;})()"),
        World::Application, {} });
    pump();
}

void WebView::runScript(const QString& script, World world, ScriptCallback callback)
{
    m_queue.push_back({ ScriptText::guarded(script), world, std::move(callback) });
    pump();
}

void WebView::pump()
{
    while (!m_queue.empty() && !isLoadPending()) {
        Script& next = m_queue.front();
        // Scripts of one world stay in order by themselves; a change of world waits for the
        // scripts in flight so that the order holds across worlds.
        if (m_inFlight > 0 && next.world != m_inFlightWorld)
            return;
        Script script = std::move(next);
        m_queue.pop_front();
        ++m_inFlight;
        m_inFlightWorld = script.world;
        const quint32 worldId = script.world == World::Page ? QWebEngineScript::MainWorld : QWebEngineScript::ApplicationWorld;
        std::weak_ptr<bool> alive = m_alive;
        const quint64 epoch = m_epoch;
        m_page->runJavaScript(script.text, worldId,
            [this, alive, epoch, callback = std::move(script.callback)](const QVariant& result) {
                const auto live = alive.lock();
                if (!live || !*live)
                    return;
                if (epoch == m_epoch && m_inFlight > 0)
                    --m_inFlight;
                if (callback)
                    callback(result);
                if (live && *live)
                    pump();
            });
    }
}

void WebView::setNavigationPolicy(NavigationPolicy policy)
{
    m_page->setNavigationPolicy(std::move(policy));
}

void WebView::openExternally(const QUrl& url) const
{
    const UrlOpener& opener = m_opener ? m_opener : defaultOpener();
    if (opener)
        opener(url);
}

void WebView::setDefaultUrlOpener(UrlOpener opener)
{
    defaultOpener() = std::move(opener);
}

void WebView::setInPageLinkHandler(InPageLinkHandler handler)
{
    m_inPageLinkHandler = std::move(handler);
    m_bridge->setEnabled(static_cast<bool>(m_inPageLinkHandler));
}

void WebView::scrollToAnchor(const QString& id)
{
    runScript(QLatin1String("(function(id){var e=document.getElementById(id)||document.getElementsByName(id)[0];"
                            "if(e)e.scrollIntoView(true);else if(id===''||id.toLowerCase()==='top')window.scrollTo(0,0);})(")
            + ScriptText::literal(id) + QLatin1Char(')'),
        World::Application);
}

void WebView::printToPdf(const QString& filePath, std::function<void(bool)> done)
{
    printToPdf(filePath, QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()), std::move(done));
}

void WebView::printToPdf(const QString& filePath, const QPageLayout& layout, std::function<void(bool)> done)
{
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(m_page, &QWebEnginePage::pdfPrintingFinished, this,
        [connection, filePath, done = std::move(done)](const QString& path, bool success) {
            if (path != filePath)
                return;
            QObject::disconnect(*connection);
            if (done)
                done(success);
        });
    m_page->printToPdf(filePath, layout);
}

void WebView::print(QPrinter* printer, std::function<void(bool)> done)
{
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(this, &QWebEngineView::printFinished, this, [connection, done = std::move(done)](bool success) {
        QObject::disconnect(*connection);
        if (done)
            done(success);
    });
    QWebEngineView::print(printer);
}

QMenu* WebView::createContextMenu()
{
    QMenu* menu = createStandardContextMenu();
    const QList<QAction*> dropped = {
        m_page->action(QWebEnginePage::Back),
        m_page->action(QWebEnginePage::Forward),
        m_page->action(QWebEnginePage::Reload),
        m_page->action(QWebEnginePage::ReloadAndBypassCache),
        m_page->action(QWebEnginePage::OpenLinkInNewWindow),
        m_page->action(QWebEnginePage::OpenLinkInNewTab),
        m_page->action(QWebEnginePage::OpenLinkInNewBackgroundTab),
        m_page->action(QWebEnginePage::OpenLinkInThisWindow),
        m_page->action(QWebEnginePage::SavePage),
        m_page->action(QWebEnginePage::DownloadLinkToDisk),
        m_page->action(QWebEnginePage::DownloadImageToDisk),
        m_page->action(QWebEnginePage::DownloadMediaToDisk),
        m_page->action(QWebEnginePage::ViewSource),
        m_page->action(QWebEnginePage::InspectElement),
    };
    for (QAction* action : dropped)
        menu->removeAction(action);
    // Remove separators left at the ends or doubled.
    QAction* previous = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator() && (!previous || previous->isSeparator()))
            menu->removeAction(action);
        else
            previous = action;
    }
    if (!menu->actions().isEmpty() && !menu->actions().constLast()->isSeparator())
        menu->addSeparator();
    QAction* inspect = menu->addAction(tr("Inspect Element"));
    connect(inspect, &QAction::triggered, this, &WebView::showInspector);
    return menu;
}

void WebView::showInspector()
{
    if (!m_inspector) {
        m_inspector = new QWebEngineView();
        m_inspector->setAttribute(Qt::WA_DeleteOnClose);
        m_inspector->setWindowTitle(tr("Web Inspector"));
        m_inspector->resize(900, 600);
        m_page->setDevToolsPage(m_inspector->page());
    }
    m_page->triggerAction(QWebEnginePage::InspectElement);
    m_inspector->show();
    m_inspector->raise();
}

void WebView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void WebView::dragEnterEvent(QDragEnterEvent* event)
{
    event->ignore();
}

void WebView::dragMoveEvent(QDragMoveEvent* event)
{
    event->ignore();
}

void WebView::dropEvent(QDropEvent* event)
{
    event->ignore();
}

bool WebView::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        event->ignore();
        return true; // nothing dropped on the page reaches it
    default:
        return QWebEngineView::eventFilter(watched, event);
    }
}

void WebView::childEvent(QChildEvent* event)
{
    QWebEngineView::childEvent(event);
    if (event->added() && event->child()->isWidgetType()) {
        event->child()->installEventFilter(this);
        static_cast<QWidget*>(event->child())->setAcceptDrops(false);
    }
}

} // namespace penwick::platform
