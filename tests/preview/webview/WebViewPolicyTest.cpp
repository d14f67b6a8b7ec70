// Every navigation the user starts reaches the owner's policy; the view's own loads and
// in-page anchors never do; "#…" links reach the in-page link handler when one is set.
#include "WebViewFixture.h"

#include "LoopbackHttpServer.h"

#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>

using namespace penwick;
using namespace penwick::test;
using platform::NavigationKind;
using platform::NavigationRequest;

namespace {

class WebViewPolicy : public WebViewTest {
protected:
    void SetUp() override
    {
        WebViewTest::SetUp();
        view->setNavigationPolicy([this](const NavigationRequest& request) {
            asked.append(request);
            return allow;
        });
    }
    QList<NavigationRequest> asked;
    bool allow = false;
};

const QString kLinks = QStringLiteral(
    "<html><body><script>var keep = 1;</script>"
    "<a id=\"web\" href=\"https://example.invalid/page\">web</a>"
    "<a id=\"file\" href=\"other.md\">file</a>"
    "<a id=\"blank\" href=\"https://example.invalid/new\" target=\"_blank\">blank</a>"
    "<a id=\"open\" href=\"#\" onclick=\"window.open('https://example.invalid/popup'); return false;\">open</a>"
    "<form id=\"form\" method=\"post\" action=\"https://example.invalid/post\"><input name=\"q\" value=\"1\">"
    "<input id=\"submit\" type=\"submit\"></form>"
    "</body></html>");

QString tallPageWithAnchors()
{
    return QStringLiteral("<!DOCTYPE html><html><head></head><body style=\"margin:0\"><script>var keep = 1;</script>"
                          "<a id=\"jump\" href=\"#target\">jump</a><a id=\"odd\" href=\"#a?b?id=1\">odd</a>"
                          "<div style=\"height:3000px\"></div><h2 id=\"target\">target</h2><h2 id=\"a?b?id=1\">odd</h2>"
                          "<div style=\"height:3000px\"></div></body></html>");
}

} // namespace

TEST_F(WebViewPolicy, UserNavigationsReachThePolicyAndARefusalKeepsThePage)
{
    const QString folder = temporaryFolder();
    const QUrl base = QUrl::fromLocalFile(folder + QLatin1Char('/'));
    ASSERT_TRUE(loadHtml(kLinks, base));
    EXPECT_TRUE(asked.isEmpty()) << "the view's own load is not asked about";
    struct Case {
        const char* click;
        QUrl url;
        NavigationKind kind;
    };
    const Case cases[] = {
        { "web", QUrl(QStringLiteral("https://example.invalid/page")), NavigationKind::LinkClicked },
        { "file", QUrl::fromLocalFile(folder + QStringLiteral("/other.md")), NavigationKind::LinkClicked },
        { "blank", QUrl(QStringLiteral("https://example.invalid/new")), NavigationKind::LinkClicked },
        { "open", QUrl(QStringLiteral("https://example.invalid/popup")), NavigationKind::LinkClicked },
        { "submit", QUrl(QStringLiteral("https://example.invalid/post")), NavigationKind::FormSubmitted },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.click);
        asked.clear();
        // the first click may come before the page's first frame: click until one arrives
        for (int attempt = 0; attempt < 10 && asked.isEmpty(); ++attempt) {
            click(QLatin1String(c.click));
            waitUntil([&] { return !asked.isEmpty(); }, 2000);
        }
        ASSERT_FALSE(asked.isEmpty());
        EXPECT_EQ(asked.first().url, c.url);
        EXPECT_EQ(asked.first().kind, c.kind);
        EXPECT_TRUE(asked.first().mainFrame);
        EXPECT_EQ(eval(QStringLiteral("keep")).toInt(), 1) << "the page stays";
    }
    EXPECT_EQ(loadsFinished, 1);
    EXPECT_TRUE(opened.isEmpty()) << "the layer opens nothing by itself";
}

TEST_F(WebViewPolicy, ScriptsStartNothingWithoutAClick)
{
    ASSERT_TRUE(loadHtml(kLinks, QUrl::fromLocalFile(temporaryFolder() + QLatin1Char('/'))));
    // a page that opens windows, follows links and submits a form from a timer, unprompted
    eval(QStringLiteral("setTimeout(function () { window.open('https://example.invalid/timer');"
                        " document.getElementById('blank').click(); document.getElementById('web').click();"
                        " HTMLFormElement.prototype.submit.call(document.getElementById('form')); window.fired = true; }, 0)"));
    ASSERT_TRUE(waitFor(QStringLiteral("window.fired === true")));
    // then the user clicks: the page's attempts, issued before, would have arrived first
    for (int attempt = 0; attempt < 10 && asked.isEmpty(); ++attempt) {
        click(QStringLiteral("web"));
        waitUntil([&] { return !asked.isEmpty(); }, 2000);
    }
    ASSERT_FALSE(asked.isEmpty());
    EXPECT_EQ(asked.first().url, QUrl(QStringLiteral("https://example.invalid/page")));
    for (const NavigationRequest& request : std::as_const(asked))
        EXPECT_EQ(request.url, QUrl(QStringLiteral("https://example.invalid/page")));
    EXPECT_EQ(eval(QStringLiteral("keep")).toInt(), 1);
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(WebViewPolicy, AnAllowedLinkNavigatesTheView)
{
    LoopbackHttpServer server;
    ASSERT_TRUE(server.isListening());
    server.setResponse(QStringLiteral("/next"), "<html><body><p id=\"next\">next</p></body></html>");
    allow = true;
    ASSERT_TRUE(loadHtml(QStringLiteral("<a id=\"go\" href=\"%1\">go</a>").arg(server.url(QStringLiteral("/next")).toString())));
    const int before = loadsFinished;
    for (int attempt = 0; attempt < 10 && asked.isEmpty(); ++attempt) {
        click(QStringLiteral("go"));
        waitUntil([&] { return !asked.isEmpty(); }, 2000);
    }
    ASSERT_TRUE(waitUntil([&] { return loadsFinished > before; }, 30000));
    EXPECT_EQ(asked.size(), 1);
    EXPECT_EQ(eval(QStringLiteral("document.getElementById('next').textContent")).toString(), QStringLiteral("next"));
}

TEST_F(WebViewPolicy, InPageAnchorsScrollWithoutAskingOnBothLoadPaths)
{
    const QString folder = temporaryFolder();
    for (const bool large : { false, true }) {
        SCOPED_TRACE(large ? "page from a file" : "page from text");
        QString html = tallPageWithAnchors();
        if (large)
            html.replace(QStringLiteral("</body>"), fillerParagraphs(3 * 1024 * 1024) + QStringLiteral("</body>"));
        ASSERT_TRUE(loadHtml(html, QUrl::fromLocalFile(folder + QLatin1Char('/'))));
        eval(QStringLiteral("document.getElementById('jump').click()"));
        ASSERT_TRUE(waitFor(QStringLiteral("Math.abs(window.scrollY - document.getElementById('target').offsetTop) < 2")));
        eval(QStringLiteral("window.scrollTo(0, 0)"));
        eval(QStringLiteral("document.getElementById('odd').click()"));
        ASSERT_TRUE(waitFor(QStringLiteral("window.scrollY > 2000")));
        EXPECT_EQ(eval(QStringLiteral("keep")).toInt(), 1);
        EXPECT_TRUE(asked.isEmpty());
        EXPECT_TRUE(opened.isEmpty());
    }
}

TEST_F(WebViewPolicy, InPageLinkHandlerTakesHashLinksOutOfThePage)
{
    QStringList handled;
    view->setInPageLinkHandler([&](const QString& target) { handled.append(target); });
    ASSERT_TRUE(loadHtml(tallPageWithAnchors()));
    ASSERT_TRUE(waitUntil([&] {
        return eval(QStringLiteral("!!window.__inPageLinks && window.__inPageLinks.enabled === true"),
            platform::WebView::World::Application)
            .toBool();
    }));
    eval(QStringLiteral("document.getElementById('odd').click()"));
    ASSERT_TRUE(waitUntil([&] { return !handled.isEmpty(); }));
    EXPECT_EQ(handled, QStringList { QStringLiteral("a?b?id=1") });
    EXPECT_EQ(eval(QStringLiteral("window.scrollY")).toInt(), 0);
    EXPECT_EQ(eval(QStringLiteral("keep")).toInt(), 1);
    EXPECT_EQ(eval(QStringLiteral("typeof qt")).toString(), QStringLiteral("undefined")) << "page scripts cannot reach the bridge";
    EXPECT_TRUE(asked.isEmpty());

    // without a handler the link scrolls as usual
    view->setInPageLinkHandler({});
    ASSERT_TRUE(waitUntil([&] {
        return eval(QStringLiteral("window.__inPageLinks.enabled"), platform::WebView::World::Application).toBool() == false;
    }));
    eval(QStringLiteral("document.getElementById('odd').click()"));
    ASSERT_TRUE(waitFor(QStringLiteral("window.scrollY > 2000")));
    EXPECT_EQ(handled.size(), 1);
}

TEST_F(WebViewPolicy, ADroppedFileLeavesThePageAsItWas)
{
    const QString folder = temporaryFolder();
    QFile dropped(folder + QStringLiteral("/dropped.html"));
    ASSERT_TRUE(dropped.open(QIODevice::WriteOnly));
    dropped.write("<html><body>dropped</body></html>");
    dropped.close();
    ASSERT_TRUE(loadHtml(QStringLiteral("<html><body><script>var keep = 1;</script><p id=\"p\">page</p></body></html>")));
    const QUrl before = view->page()->url();

    QMimeData mime;
    mime.setUrls({ QUrl::fromLocalFile(dropped.fileName()) });
    QWidget* target = view->focusProxy() ? view->focusProxy() : view.get();
    const QPoint at(100, 100);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::LinkAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction | Qt::LinkAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::LinkAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    EXPECT_FALSE(drop.isAccepted());

    // a round trip to the page: a navigation started by the drop would have begun by then
    EXPECT_EQ(eval(QStringLiteral("keep")).toInt(), 1);
    EXPECT_FALSE(view->isLoadPending());
    EXPECT_EQ(view->page()->url(), before);
    EXPECT_EQ(eval(QStringLiteral("document.getElementById('p').textContent")).toString(), QStringLiteral("page"));
    EXPECT_TRUE(asked.isEmpty());
}
