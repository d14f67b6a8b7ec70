#include "platform/web/WebView.h"

#include "platform/StandardLocations.h"
#include "platform/web/HtmlChunks.h"
#include "platform/web/InPageLinkBridge.h"
#include "platform/web/PageScheme.h"
#include "platform/web/ScriptText.h"
#include "platform/web/WebPage.h"
#include "platform/web/WebProfile.h"

#include <QChildEvent>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPageLayout>
#include <QPageSize>
#include <QPointer>
#include <QRegularExpression>
#include <QUuid>
#include <QWebChannel>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

namespace penwick::platform {

namespace {

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

// Where the content of the body element of a whole document lies: from `start` to `end`;
// nothing when the text is a fragment.
struct BodySpan {
    qsizetype start = 0;
    qsizetype end = 0;
};

std::optional<BodySpan> bodySpan(const QString& html)
{
    static const QRegularExpression opening(QStringLiteral("<body(?:\\s[^>]*)?>"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch open = opening.match(html);
    if (!open.hasMatch())
        return std::nullopt;
    const qsizetype start = open.capturedEnd();
    const qsizetype end = html.lastIndexOf(QLatin1String("</body"), -1, Qt::CaseInsensitive);
    return BodySpan { start, end >= start ? end : html.size() };
}

// What goes into the body: the content of the body element of a whole document, or the text
// itself when it is a fragment.
QString bodyContent(const QString& html)
{
    const std::optional<BodySpan> body = bodySpan(html);
    return body ? html.mid(body->start, body->end - body->start) : html;
}

// The engine reads pages of the program's own scheme slowly (a second or more a megabyte,
// whatever the page), and lays out and paints what it has so far while it waits for the rest:
// a long page took many seconds to show. So a page's body goes along as a script run when the
// page is created (one message), and the page served holds in its place a script that writes
// it where it stands: the parser builds the body and runs its scripts as if it had been served.
// While the body is written the engine does not render it (content-visibility), so it lays the
// page out once, when it is whole. The writer takes itself out.
const char kBodyScriptName[] = "penwickPageBody";
const char kBodyWriter[] = "<script>(function(){var s=document.currentScript,b=window.__penwickPageBody,d=document.body;"
                           "delete window.__penwickPageBody;if(s&&s.parentNode)s.parentNode.removeChild(s);"
                           "if(typeof b!=='string')return;d.style.contentVisibility='hidden';"
                           "document.addEventListener('DOMContentLoaded',function(){d.style.contentVisibility='';"
                           "if(!d.getAttribute('style'))d.removeAttribute('style');});document.write(b);})()</script>";

} // namespace

WebView::WebView(QWidget* parent)
    : QWebEngineView(parent)
    , m_chunkMarker(QStringLiteral("penwick-chunk-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
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
    PageScheme::instance()->removePages(this);
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

void WebView::loadHtml(const QString& html, const QUrl& baseUrl)
{
    m_page->setPageBaseUrl(baseUrl);
    m_loadIssued = true;
    // The page comes from the program's own scheme under its folder's origin (the resources'
    // when it has no local base), never as a file: or data: page: those could read local files.
    QString folder = resourcesDirectory();
    QByteArray page;
    if (baseUrl.isLocalFile()) {
        folder = baseUrl.toLocalFile();
        if (!folder.endsWith(QLatin1Char('/')))
            folder = QFileInfo(folder).path();
    }
    m_origin = PageScheme::instance()->originOf(folder);
    QString served = PageScheme::withPageAddresses(html, m_origin);
    const std::optional<BodySpan> body = bodySpan(served);
    m_loadedBody = body ? served.mid(body->start, body->end - body->start) : served;
    // The body goes in sealed, as updates put its pieces in: a formatting element left open
    // stays in its block.
    m_loadedPieces = splitTopLevelHtml(m_loadedBody);
    const bool sealed = m_loadedPieces
        && std::any_of(m_loadedPieces->cbegin(), m_loadedPieces->cend(), [](const TopLevelPiece& piece) { return !piece.closer.isEmpty(); });
    const QString written = sealed ? sealedHtml(*m_loadedPieces) : m_loadedBody;
    setPageBody(body && body->end > body->start ? std::optional<QString>(written) : std::nullopt);
    if (body && body->end > body->start)
        served = served.left(body->start) + QLatin1String(kBodyWriter) + served.mid(body->end);
    else if (sealed)
        served = written;
    page = baseUrl.isLocalFile() ? served.toUtf8() : withBase(served, baseUrl);
    issueLoad(PageScheme::instance()->addPage(this, folder, page));
}

void WebView::setPageBody(const std::optional<QString>& body)
{
    QWebEngineScriptCollection& scripts = m_page->scripts();
    for (const QWebEngineScript& old : scripts.find(QLatin1String(kBodyScriptName)))
        scripts.remove(old);
    if (!body)
        return;
    QWebEngineScript script;
    script.setName(QLatin1String(kBodyScriptName));
    script.setSourceCode(QLatin1String("window.__penwickPageBody=") + ScriptText::json(*body) + QLatin1Char(';'));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(false);
    scripts.insert(script);
}

QString WebView::withPageAddresses(const QString& html) const
{
    return m_origin.isEmpty() ? html : PageScheme::withPageAddresses(html, m_origin);
}

void WebView::loadUrl(const QUrl& url)
{
    if (url.isLocalFile()) {
        loadFile(url.toLocalFile(), QUrl::fromLocalFile(QFileInfo(url.toLocalFile()).path() + QLatin1Char('/')));
        return;
    }
    m_loadedBody.clear();
    m_loadedPieces.reset();
    setPageBody(std::nullopt);
    m_page->setPageBaseUrl({});
    m_loadIssued = true;
    m_origin.clear();
    issueLoad(url);
}

void WebView::loadFile(const QString& file, const QUrl& folderUrl)
{
    m_loadedBody.clear();
    m_loadedPieces.reset();
    setPageBody(std::nullopt);
    m_page->setPageBaseUrl({});
    m_loadIssued = true;
    const QString folder = folderUrl.isLocalFile() ? folderUrl.toLocalFile() : resourcesDirectory();
    m_origin = PageScheme::instance()->originOf(folder);
    issueLoad(PageScheme::instance()->addFilePage(this, file, folder));
}

QUrl WebView::baseUrl() const
{
    return m_page->pageBaseUrl();
}

bool WebView::isLoadPending() const
{
    return m_loadIssued || m_page->isLoading();
}

void WebView::issueLoad(const QUrl& url)
{
    m_issuedUrl = url;
    m_page->load(url);
}

void WebView::onLoadStarted()
{
    m_loadIssued = false;
    m_startedRefused = m_page->lastNavigationRefused();
    ++m_epoch;
}

void WebView::onLoadFinished(bool ok)
{
    if (m_loadIssued && !m_page->isLoading() && m_page->url() == m_issuedUrl) {
        // A load issued while another was under way: the engine reports one start for both.
        m_loadIssued = false;
        m_startedRefused = false;
        ++m_epoch;
    }
    if (isLoadPending())
        return; // a load that another one replaced
    setPageBody(std::nullopt); // written by now
    if (!ok && m_startedRefused) {
        pump(); // a navigation the policy refused: the page stays, nothing was loaded
        return;
    }
    if (m_hasPendingBody) {
        m_hasPendingBody = false;
        m_loadedBody.clear();
        m_loadedPieces.reset();
        const QString body = std::exchange(m_pendingBody, QString());
        std::vector<Script> scripts = bodyUpdateScripts(body);
        for (auto it = scripts.rbegin(); it != scripts.rend(); ++it)
            m_queue.push_front(std::move(*it));
    } else if (ok && !m_loadedBody.isEmpty()) {
        adoptLoadedBody();
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
    for (Script& script : bodyUpdateScripts(html))
        m_queue.push_back(std::move(script));
    pump();
}

namespace {

// The program's side of body updates, in its own world. Pieces are parsed together in a
// detached element (parsing straight into a live body is many times slower), separated by
// marker comments so that each piece's nodes are known; `state` keeps the pieces and their
// nodes for the next update. Added elements are marked for the page world to pick up.
const char kBodyUpdater[] = R"JS(
if(!window.__pwb)window.__pwb={
parse:function(pieces,marker){var d=document.createElement('div');d.innerHTML=pieces.join('<!--'+marker+'-->');
var groups=[[]],nodes=Array.prototype.slice.call(d.childNodes);
for(var i=0;i<nodes.length;i++){var n=nodes[i];if(n.nodeType===8&&n.data===marker){d.removeChild(n);groups.push([]);continue;}
groups[groups.length-1].push(n);if(n.nodeType===1)n.setAttribute('data-penwick-updated','');}
var f=document.createDocumentFragment();while(d.firstChild)f.appendChild(d.firstChild);return{groups:groups,fragment:f};},
set:function(gen,pieces,marker){var b=document.body;if(!b)return false;var p=this.parse(pieces,marker);
b.replaceChildren(p.fragment);this.state={gen:gen,nodes:p.groups};return true;},
patch:function(expected,gen,start,removed,pieces,marker){var s=this.state,b=document.body;if(!b||!s||s.gen!==expected)return false;
for(var g=0;g<s.nodes.length;g++)for(var k=0;k<s.nodes[g].length;k++)if(s.nodes[g][k].parentNode!==b){this.state=null;return false;}
for(var j=start;j<start+removed;j++)for(var k=0;k<s.nodes[j].length;k++)b.removeChild(s.nodes[j][k]);
var ref=null,found=false;
for(var j=start+removed;j<s.nodes.length&&!found;j++)if(s.nodes[j].length){ref=s.nodes[j][0];found=true;}
for(var j=start-1;j>=0&&!found;j--)if(s.nodes[j].length){var last=s.nodes[j];ref=last[last.length-1].nextSibling;found=true;}
if(!found)ref=b.firstChild;
var p=this.parse(pieces,marker);b.insertBefore(p.fragment,ref);
Array.prototype.splice.apply(s.nodes,[start,removed].concat(p.groups));s.gen=gen;return true;},
adopt:function(gen,expect){var b=document.body;this.state=null;if(!b)return false;var nodes=b.childNodes,at=0,groups=[];
for(var i=0;i<expect.length;i++){var g=[],e=expect[i];
if(e[0]){var t=nodes[at];if(!t||t.nodeType!==3)return false;g.push(t);at++;}
if(e[1]){var n=nodes[at];if(!n)return false;if(e[1]==='#comment'?n.nodeType!==8:(n.nodeType!==1||n.localName!==e[1]))return false;g.push(n);at++;}
groups.push(g);}
for(;at<nodes.length;at++)if(nodes[at].nodeType!==3||/\S/.test(nodes[at].data))return false;
this.state={gen:gen,nodes:groups};return true;},
whole:function(html){var b=document.body;if(!b)return false;var d=document.createElement('div');d.innerHTML=html;
for(var e=d.firstElementChild;e;e=e.nextElementSibling)e.setAttribute('data-penwick-updated','');
var f=document.createDocumentFragment();while(d.firstChild)f.appendChild(d.firstChild);b.replaceChildren(f);this.state=null;return true;}};
)JS";

// In the page world: hands the added elements to the page's scripts and clears their marks.
// A selector query over the whole page measured faster (5 ms on 1 MB) than walking the body's
// children in script (7 ms).
const char kUpdatedNodes[] = "window.__penwickUpdatedNodes=Array.prototype.slice.call(document.querySelectorAll('[data-penwick-updated]'));"
                             "window.__penwickUpdatedNodes.forEach(function(e){e.removeAttribute('data-penwick-updated');});0";

QString jsonArray(const TopLevelPieces& pieces)
{
    QString out = QStringLiteral("[");
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            out += QLatin1Char(',');
        out += ScriptText::json(pieces.at(i).sealed());
    }
    return out + QLatin1Char(']');
}

} // namespace

std::vector<WebView::Script> WebView::bodyUpdateScripts(const QString& page)
{
    const QString html = withPageAddresses(bodyContent(page));
    const QString updater = QString::fromLatin1(kBodyUpdater);
    const QString marker = ScriptText::json(m_chunkMarker);
    QString script;
    bool patched = false;
    if (m_bodyEpoch == m_epoch) {
        std::optional<TopLevelChange> change = changedTopLevelPieces(m_bodyChunks, m_bodyHtml, html);
        if (change && std::none_of(change->added.cbegin(), change->added.cend(), [&](const TopLevelPiece& piece) { return piece.html.contains(m_chunkMarker); })) {
            const quint64 expected = m_bodyGeneration;
            const quint64 generation = ++m_bodyGeneration;
            script = updater + QStringLiteral("__pwb.patch(%1,%2,%3,%4,").arg(expected).arg(generation).arg(change->kept).arg(change->removed)
                + jsonArray(change->added) + QLatin1Char(',') + marker + QLatin1Char(')');
            m_bodyChunks.remove(change->kept, change->removed);
            for (qsizetype i = 0; i < change->added.size(); ++i)
                m_bodyChunks.insert(change->kept + i, change->added.at(i));
            m_bodyHtml = html;
            patched = true;
        }
    }
    if (!patched) {
        std::optional<TopLevelPieces> pieces = splitTopLevelHtml(html);
        if (pieces && html.contains(m_chunkMarker))
            pieces.reset();
        if (!pieces) {
            m_bodyChunks.clear();
            m_bodyHtml.clear();
            m_bodyEpoch = ~quint64(0);
            script = updater + QLatin1String("__pwb.whole(") + ScriptText::json(html) + QLatin1String(")");
        } else {
            const quint64 generation = ++m_bodyGeneration;
            script = updater + QStringLiteral("__pwb.set(%1,").arg(generation) + jsonArray(*pieces)
                + QLatin1Char(',') + marker + QLatin1Char(')');
            m_bodyChunks = std::move(*pieces);
            m_bodyHtml = html;
            m_bodyEpoch = m_epoch;
        }
    }
    ScriptCallback recover;
    if (patched) {
        // The page lost what it kept (a script of its own replaced the body, say): the latest
        // body goes in whole, unless a newer update is on its way and will do so itself.
        const quint64 generation = m_bodyGeneration;
        std::weak_ptr<bool> alive = m_alive;
        recover = [this, alive, generation](const QVariant& done) {
            const auto live = alive.lock();
            if (!live || !*live || done.toBool() || generation != m_bodyGeneration || m_bodyEpoch != m_epoch)
                return;
            m_bodyEpoch = ~quint64(0);
            for (Script& script : bodyUpdateScripts(m_bodyHtml))
                m_queue.push_back(std::move(script));
            pump();
            emit bodyRebuilt();
        };
    }
    std::vector<Script> scripts;
    scripts.push_back({ ScriptText::guarded(script), World::Application, std::move(recover) });
    scripts.push_back({ QString::fromLatin1(kUpdatedNodes), World::Page, {} });
    return scripts;
}

void WebView::adoptLoadedBody()
{
    const QString body = std::exchange(m_loadedBody, QString());
    const std::optional<TopLevelPieces> pieces = std::exchange(m_loadedPieces, std::nullopt);
    if (!pieces || pieces->isEmpty())
        return;
    // Each piece is some text (one text node when not empty), then one element or comment
    // (or nothing, for the text at the end); anything the parser makes differently fails the match.
    static const QRegularExpression shape(QStringLiteral("^([^<]*)(?:<!--|<([A-Za-z][^\\s/>]*))?"));
    QString expect = QStringLiteral("[");
    for (qsizetype i = 0; i < pieces->size(); ++i) {
        const QRegularExpressionMatch m = shape.match(pieces->at(i).html);
        const bool text = !m.captured(1).isEmpty();
        QString node;
        if (pieces->at(i).html.mid(m.capturedLength(1), 4) == QLatin1String("<!--"))
            node = QStringLiteral("#comment");
        else
            node = m.captured(2).toLower();
        if (i > 0)
            expect += QLatin1Char(',');
        expect += QStringLiteral("[%1,%2]").arg(text ? 1 : 0).arg(ScriptText::json(node));
    }
    expect += QLatin1Char(']');
    const quint64 generation = ++m_bodyGeneration;
    m_bodyChunks = *pieces;
    m_bodyHtml = body;
    m_bodyEpoch = m_epoch;
    std::weak_ptr<bool> alive = m_alive;
    const quint64 epoch = m_epoch;
    runScript(QString::fromLatin1(kBodyUpdater) + QStringLiteral("__pwb.adopt(%1,").arg(generation) + expect + QLatin1Char(')'),
        World::Application, [this, alive, epoch](const QVariant& adopted) {
            const auto live = alive.lock();
            if (live && *live && !adopted.toBool() && epoch == m_epoch && m_bodyEpoch == epoch)
                m_bodyEpoch = ~quint64(0); // the next update puts the body in whole
        });
}

void WebView::runScript(const QString& script, World world, ScriptCallback callback)
{
    m_queue.push_back({ ScriptText::guarded(script), world, std::move(callback) });
    pump();
}

void WebView::pump()
{
    // Both worlds' scripts travel to the frame on one channel and run as they arrive, so they
    // keep their order without waiting on each other's answers: a wait would let the page lay
    // out and paint between an update and the scripts that finish it.
    while (!m_queue.empty() && !isLoadPending()) {
        Script script = std::move(m_queue.front());
        m_queue.pop_front();
        const quint32 worldId = script.world == World::Page ? QWebEngineScript::MainWorld : QWebEngineScript::ApplicationWorld;
        std::weak_ptr<bool> alive = m_alive;
        m_page->runJavaScript(script.text, worldId, [alive, callback = std::move(script.callback)](const QVariant& result) {
            const auto live = alive.lock();
            if (live && *live && callback)
                callback(result);
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
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::KeyPress:
    case QEvent::TouchBegin:
        m_page->noteUserInput();
        return QWebEngineView::eventFilter(watched, event);
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
