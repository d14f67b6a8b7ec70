// Loading pages with a base folder (from the program's own scheme, whatever their size) and
// replacing the body of the page shown.
#include "WebViewFixture.h"

#include "platform/web/PageScheme.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWebEnginePage>

using namespace penwick;
using namespace penwick::test;

namespace {

QString pageWithImage(qsizetype filler)
{
    return QStringLiteral("<!DOCTYPE html><html><head><title>t</title></head><body><img id=\"img\" src=\"pic.png\">")
        + fillerParagraphs(filler) + QStringLiteral("</body></html>");
}

} // namespace

TEST_F(WebViewTest, RelativeImageResolvesAgainstTheBaseFolderOnSmallAndLargePages)
{
    const QString folder = makeImageFolder();
    const QUrl base = folderUrl(folder);
    for (const qsizetype size : { qsizetype(1000), qsizetype(3 * 1024 * 1024) }) {
        SCOPED_TRACE(size);
        ASSERT_TRUE(loadHtml(pageWithImage(size), base));
        EXPECT_TRUE(lastLoadOk);
        EXPECT_TRUE(waitFor(QStringLiteral("document.getElementById('img').complete && document.getElementById('img').naturalWidth == 8")));
        // the page is the base folder's, on the program's own scheme
        const QUrl page = view->page()->url();
        EXPECT_EQ(page.scheme(), QStringLiteral("pwpage"));
        EXPECT_EQ(platform::PageScheme::toFileUrl(page), base);
        EXPECT_EQ(QUrl(eval(QStringLiteral("document.baseURI")).toString()).adjusted(QUrl::RemoveQuery), page.adjusted(QUrl::RemoveQuery));
        EXPECT_EQ(view->baseUrl(), base);
        EXPECT_GT(eval(QStringLiteral("document.body.innerHTML.length")).toLongLong(), size - 1);
    }
}

// The engine streams pages of the program's scheme slowly and paints what it has meanwhile, so
// a page's body does not travel that way: what the page's address serves stays small whatever
// the body, and the body comes out as if it had been served, its scripts run in place and in
// order, with nothing of the way it came left in the page.
TEST_F(WebViewTest, ALongBodyIsNotStreamedAndComesOutAsIfServed)
{
    const QString folder = makeImageFolder();
    const QString body = QStringLiteral("<p id=\"first\">first</p><script>window.seen = [!!document.getElementById('first'), "
                                        "!!document.getElementById('last')];</script>")
        + fillerParagraphs(2 * 1024 * 1024)
        + QStringLiteral("<script src=\"later.js\"></script><p id=\"last\" style=\"color: red\">last</p>"
                         "<script>window.order = (window.order || '') + 'inline';</script>");
    QFile later(folder + QStringLiteral("/later.js"));
    ASSERT_TRUE(later.open(QIODevice::WriteOnly));
    later.write("window.order = (window.order || '') + 'external,'; window.lastBeforeIt = !!document.getElementById('last');");
    later.close();
    ASSERT_TRUE(loadHtml(QStringLiteral("<!DOCTYPE html><html><head><title>t</title></head><body class=\"kept\">") + body
            + QStringLiteral("</body></html>"),
        folderUrl(folder)));
    const QByteArray served = platform::PageScheme::instance()->pageText(view.get());
    EXPECT_TRUE(served.contains("<title>t</title>"));
    EXPECT_LT(served.size(), 64 * 1024);
    EXPECT_EQ(eval(QStringLiteral("document.body.innerHTML")).toString(), body);
    EXPECT_EQ(eval(QStringLiteral("JSON.stringify(window.seen)")).toString(), QStringLiteral("[true,false]"));
    EXPECT_EQ(eval(QStringLiteral("window.order")).toString(), QStringLiteral("external,inline"));
    EXPECT_EQ(eval(QStringLiteral("window.lastBeforeIt")).toBool(), false);
    EXPECT_EQ(eval(QStringLiteral("document.body.outerHTML.slice(0, 19)")).toString(), QStringLiteral("<body class=\"kept\">"));
    EXPECT_EQ(eval(QStringLiteral("typeof window.__penwickPageBody")).toString(), QStringLiteral("undefined"));
}

TEST_F(WebViewTest, ALoadIssuedWhileAnotherIsUnderWayEndsAndScriptsRunAfterIt)
{
    const QString folder = makeImageFolder();
    bool second = false;
    QObject::connect(view->page(), &QWebEnginePage::loadStarted, view.get(), [&] {
        if (std::exchange(second, true))
            return;
        view->loadHtml(QStringLiteral("<html><body><p id=\"p\">second</p></body></html>"), folderUrl(folder));
    });
    view->loadHtml(QStringLiteral("<html><body><p id=\"p\">first</p></body></html>"), folderUrl(folder));
    ASSERT_TRUE(waitUntil([&] { return second && !view->isLoadPending(); }, 30000));
    EXPECT_EQ(eval(QStringLiteral("document.getElementById('p').textContent")).toString(), QStringLiteral("second"));
}

TEST_F(WebViewTest, PagesGiveUpTheirAddressWithTheNextLoadAndTheView)
{
    const QString folder = makeImageFolder();
    ASSERT_TRUE(loadHtml(pageWithImage(100), folderUrl(folder)));
    const QUrl first = view->page()->url();
    const QString host = first.host();
    ASSERT_TRUE(loadHtml(pageWithImage(200), folderUrl(folder)));
    const QUrl second = view->page()->url();
    EXPECT_NE(first, second);
    EXPECT_EQ(second.host(), host) << "one origin per folder";
    // the replaced page is no longer served
    platform::WebView other;
    int loads = 0;
    bool ok = true;
    QObject::connect(&other, &platform::WebView::pageLoadFinished, &other, [&](bool done) {
        ++loads;
        ok = done;
    });
    other.loadUrl(first);
    ASSERT_TRUE(waitUntil([&] { return loads > 0; }, 30000));
    EXPECT_FALSE(ok);
}

TEST_F(WebViewTest, InjectedBodyKeepsScrollPositionAndPageGlobals)
{
    ASSERT_TRUE(loadHtml(QStringLiteral("<html><body style=\"margin:0\"><div style=\"height:3000px\">old</div>"
                                        "<script>var marker = 7;</script></body></html>")));
    eval(QStringLiteral("window.scrollTo(0, 500)"));
    ASSERT_TRUE(waitFor(QStringLiteral("window.scrollY == 500")));
    view->setBodyHtml(QStringLiteral("<div id=\"new\" style=\"height:3000px\">new ' \" \\ \u2028 text</div>"));
    EXPECT_EQ(eval(QStringLiteral("document.getElementById('new').textContent")).toString(),
        QStringLiteral("new ' \" \\ \u2028 text"));
    EXPECT_EQ(eval(QStringLiteral("window.scrollY")).toInt(), 500);
    EXPECT_EQ(eval(QStringLiteral("marker")).toInt(), 7);
}

TEST_F(WebViewTest, BodiesSentDuringAPendingLoadLeaveTheLatestOnScreen)
{
    QString bodyAtLoadEnd;
    QObject::connect(view.get(), &platform::WebView::pageLoadFinished, view.get(), [&](bool) {
        view->runScript(QStringLiteral("document.body.innerHTML"), platform::WebView::World::Page,
            [&](const QVariant& v) { bodyAtLoadEnd = v.toString(); });
    });
    const int before = loadsFinished;
    view->loadHtml(QStringLiteral("<html><body><p>page</p><script>var kept = 1;</script></body></html>"));
    view->setBodyHtml(QStringLiteral("<p id=\"first\">first</p>"));
    view->setBodyHtml(QStringLiteral("<p id=\"latest\">latest</p>"));
    ASSERT_TRUE(waitUntil([&] { return loadsFinished > before; }, 30000));
    ASSERT_TRUE(waitUntil([&] { return !bodyAtLoadEnd.isEmpty(); }));
    EXPECT_EQ(bodyAtLoadEnd, QStringLiteral("<p id=\"latest\">latest</p>"));
    EXPECT_EQ(loadsFinished, before + 1);
    EXPECT_EQ(eval(QStringLiteral("kept")).toInt(), 1);
}
