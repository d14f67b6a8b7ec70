#pragma once

#include "platform/web/HtmlChunks.h"
#include "platform/web/NavigationRequest.h"

#include <QPointer>
#include <QUrl>
#include <QVariant>
#include <QWebEngineView>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

class QPageLayout;
class QPrinter;
class QWebChannel;

namespace penwick::platform {

class InPageLinkBridge;
class WebPage;

// A web view for pages the program makes: it loads HTML with a base folder (from the
// program's own scheme, under an origin of that folder: see PageScheme), replaces the body of the page shown, runs scripts in order with
// callbacks, answers every navigation through the owner's policy, keeps in-page anchors in
// the page, refuses drops and prints. It knows nothing of what the pages are about.
class WebView : public QWebEngineView {
    Q_OBJECT
public:
    // Where a script runs: beside the page's own scripts, or in the program's own world
    // (same document, separate globals, out of the page scripts' reach).
    enum class World { Page, Application };
    using ScriptCallback = std::function<void(const QVariant&)>;
    using InPageLinkHandler = std::function<void(const QString& target)>;

    explicit WebView(QWidget* parent = nullptr);
    ~WebView() override;

    // Loads `html` as a new page whose relative addresses resolve against `baseUrl`
    // (a folder's URL ends with "/"; empty: none).
    void loadHtml(const QString& html, const QUrl& baseUrl = {});
    // A file: URL loads as loadFile() with the file's own folder.
    void loadUrl(const QUrl& url);
    // Loads the page in `file` with the origin of the folder `folderUrl`: its scripts may
    // read that folder's files, as a page loaded with that base may.
    void loadFile(const QString& file, const QUrl& folderUrl);
    QUrl baseUrl() const;
    // `html` with its file: addresses turned into addresses the page shown may load
    // (PageScheme::withPageAddresses with the page's origin).
    QString withPageAddresses(const QString& html) const;
    bool isLoadPending() const;

    // Replaces the body of the page shown, keeping its scripts, globals and scroll position.
    // While a load is pending only the latest body is kept; it is applied when the load ends.
    // Only the top-level nodes whose markup changed since the last body are rebuilt (when the
    // markup can be split safely, see splitTopLevelHtml); the page's scripts then find the
    // elements added in window.__penwickUpdatedNodes.
    void setBodyHtml(const QString& html);

    // Runs `script` after every script issued before it (in either world). A throw ends only
    // this script (result null). The callback gets the result, and never runs once the view is gone.
    void runScript(const QString& script, World world = World::Page, ScriptCallback callback = {});
    // A single-quoted JavaScript literal of `text` (ScriptText::literal).
    static QString literal(const QString& text);

    void setNavigationPolicy(NavigationPolicy policy);
    // Opens addresses outside; replaceable so that tests start no browser.
    void setUrlOpener(UrlOpener opener) { m_opener = std::move(opener); }
    void openExternally(const QUrl& url) const;
    // The opener of views that have none of their own (default: the desktop's).
    static void setDefaultUrlOpener(UrlOpener opener);

    // While set, clicks on links whose href starts with "#" stay unhandled by the page and
    // hand the text after "#" to `handler`; unset (empty), such links scroll as usual.
    void setInPageLinkHandler(InPageLinkHandler handler);

    // Writes the page as PDF (on A4 without margins, or on the given page layout); `done` gets
    // whether it worked.
    void printToPdf(const QString& filePath, std::function<void(bool)> done);
    void printToPdf(const QString& filePath, const QPageLayout& layout, std::function<void(bool)> done);
    void print(QPrinter* printer, std::function<void(bool)> done);

    // The context menu without history, reload, new-window or save entries, with "Inspect Element".
    QMenu* createContextMenu();
    void showInspector();

    WebPage* webPage() const { return m_page; }

signals:
    // A main-frame load ended (ok or not); a pending body has been applied by then.
    void pageLoadFinished(bool ok);
    // The page lost track of its body's pieces (a script of its own replaced nodes) and the
    // latest body was put in whole, after the scripts that followed the update had run.
    void bodyRebuilt();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    struct Script {
        QString text;
        World world;
        ScriptCallback callback;
    };

    // The scripts that put `html` into the body, from what the page is known to hold.
    std::vector<Script> bodyUpdateScripts(const QString& html);
    // After a load: the page's body nodes are matched with the pieces of the body it was given,
    // so that the first update is already a patch.
    void adoptLoadedBody();
    // The body the next page writes into itself (nothing: the page is served whole).
    void setPageBody(const std::optional<QString>& body);
    void issueLoad(const QUrl& url);
    void onLoadStarted();
    void onLoadFinished(bool ok);
    void pump();
    void scrollToAnchor(const QString& id);
    void installPageScripts();

    WebPage* m_page = nullptr;
    QWebChannel* m_channel = nullptr;
    InPageLinkBridge* m_bridge = nullptr;
    InPageLinkHandler m_inPageLinkHandler;
    UrlOpener m_opener;
    bool m_loadIssued = false; // issued, not yet started
    QUrl m_issuedUrl;
    bool m_hasPendingBody = false;
    QString m_pendingBody;
    // The top-level pieces of the body last sent, valid for the document of m_bodyEpoch.
    TopLevelPieces m_bodyChunks;
    QString m_bodyHtml; // those pieces together
    quint64 m_bodyEpoch = ~quint64(0);
    quint64 m_bodyGeneration = 0;
    QString m_chunkMarker;
    QString m_origin; // of the page loaded last, on the program's page scheme
    QString m_loadedBody; // the body of the page whose load is pending or last ended
    std::optional<TopLevelPieces> m_loadedPieces; // its pieces
    std::deque<Script> m_queue;
    bool m_startedRefused = false;
    quint64 m_epoch = 0; // documents seen
    std::shared_ptr<bool> m_alive;
    QPointer<QWebEngineView> m_inspector;
};

} // namespace penwick::platform
