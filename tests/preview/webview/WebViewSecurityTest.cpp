// Page scripts cannot read local files (fetch, XMLHttpRequest, frames, objects), while local
// and loopback images, MathJax and Prism keep working; pages print to PDF.
#include "WebViewFixture.h"

#include "CorePrefs.h"
#include "LoopbackHttpServer.h"
#include "Services/MarkdownFormatter.h"
#include "platform/UserDefaults.h"
#include "platform/web/LocalFileGuard.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>

using namespace penwick;
using namespace penwick::test;

namespace {

const char kSecret[] = "TOP-SECRET-7d1f";

QByteArray pngBytes()
{
    QImage image(5, 4, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A page whose script tries every way to read `secret` and records what it got.
QString prying(const QUrl& secret, const QUrl& remoteImage)
{
    return QStringLiteral(R"(<!DOCTYPE html><html><head></head><body>
<img id="local" src="pic.png"><img id="remote" src="%2">
<iframe id="frame" src="%1"></iframe><object id="object" data="%1" type="text/plain"></object>
<script>
window.got = [];
window.tries = 0;
fetch('%1').then(function (r) { return r.text(); }).then(function (t) { got.push('fetch:' + t); tries++; },
                                                          function () { tries++; });
var x = new XMLHttpRequest();
x.onload = function () { got.push('xhr:' + x.responseText); tries++; };
x.onerror = function () { tries++; };
try { x.open('GET', '%1'); x.send(); } catch (e) { tries++; }
function frameText() {
  var out = '';
  try { out += document.getElementById('frame').contentDocument.body.textContent; } catch (e) {}
  try { out += document.getElementById('object').contentDocument.body.textContent; } catch (e) {}
  return out;
}
</script></body></html>)")
        .arg(secret.toString(), remoteImage.toString());
}

} // namespace

TEST_F(WebViewTest, PageScriptsReadNoLocalFileWhileImagesStillLoad)
{
    const QString secretFolder = temporaryFolder();
    QFile secret(secretFolder + QStringLiteral("/secret.txt"));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write(kSecret);
    secret.close();
    LoopbackHttpServer server;
    ASSERT_TRUE(server.isListening());
    server.setResponse(QStringLiteral("/remote.png"), pngBytes(), "image/png");

    const QString folder = makeImageFolder();
    for (const bool large : { false, true }) {
        SCOPED_TRACE(large ? "page from a file" : "page from text");
        QString html = prying(QUrl::fromLocalFile(secret.fileName()), server.url(QStringLiteral("/remote.png")));
        if (large)
            html.replace(QStringLiteral("</body>"), fillerParagraphs(3 * 1024 * 1024) + QStringLiteral("</body>"));
        ASSERT_TRUE(loadHtml(html, folderUrl(folder)));
        EXPECT_TRUE(waitFor(QStringLiteral("tries == 2")));
        EXPECT_TRUE(waitFor(QStringLiteral("document.getElementById('local').complete && document.getElementById('remote').complete")));
        EXPECT_EQ(eval(QStringLiteral("document.getElementById('local').naturalWidth")).toInt(), 8);
        EXPECT_EQ(eval(QStringLiteral("document.getElementById('remote').naturalWidth")).toInt(), 5);
        const QString seen = eval(QStringLiteral("got.join('|') + frameText() + document.documentElement.outerHTML.length")).toString();
        EXPECT_FALSE(seen.contains(QLatin1String(kSecret))) << seen.toStdString();
        EXPECT_EQ(eval(QStringLiteral("got.length")).toInt(), 0);
    }
    EXPECT_GE(server.requestCount(QStringLiteral("/remote.png")), 1);
}

TEST(LocalFileGuard, RefusesScriptReadsOutsideTheAllowedFolders)
{
    const QString allowed = temporaryFolder();
    const QString other = temporaryFolder();
    for (const QString& path : { allowed + QStringLiteral("/a.js"), other + QStringLiteral("/b.txt") }) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    platform::LocalFileGuard guard({ allowed });
    using T = QWebEngineUrlRequestInfo;
    struct Case {
        QUrl url;
        T::ResourceType type;
        bool refused;
    };
    const Case cases[] = {
        { QUrl::fromLocalFile(other + QStringLiteral("/b.txt")), T::ResourceTypeXhr, true },
        { QUrl::fromLocalFile(other + QStringLiteral("/b.txt")), T::ResourceTypeSubFrame, true },
        { QUrl::fromLocalFile(other + QStringLiteral("/b.txt")), T::ResourceTypeObject, true },
        { QUrl::fromLocalFile(other + QStringLiteral("/b.txt")), T::ResourceTypeImage, false },
        { QUrl::fromLocalFile(other + QStringLiteral("/b.txt")), T::ResourceTypeStylesheet, false },
        { QUrl::fromLocalFile(other + QStringLiteral("/b.txt")), T::ResourceTypeScript, false },
        { QUrl::fromLocalFile(allowed + QStringLiteral("/a.js")), T::ResourceTypeXhr, false },
        { QUrl::fromLocalFile(allowed + QStringLiteral("/../") + QFileInfo(other).fileName() + QStringLiteral("/b.txt")), T::ResourceTypeXhr, true },
        { QUrl::fromLocalFile(other + QStringLiteral("/missing.txt")), T::ResourceTypeXhr, true },
        { QUrl(QStringLiteral("http://127.0.0.1:9/data.json")), T::ResourceTypeXhr, false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(guard.refuses(c.url, c.type), c.refused) << c.url.toString().toStdString() << ' ' << c.type;
}

TEST_F(WebViewTest, MathJaxAndPrismStillTypesetAndHighlight)
{
    auto& defaults = platform::UserDefaults::standard();
    defaults.setValue(CorePrefs::PREVIEW_ENABLE_PRISM, true);
    defaults.setValue(CorePrefs::PREVIEW_ENABLE_MATHJAX, true);
    defaults.setValue(CorePrefs::PREVIEW_ENABLE_GFM, true);
    defaults.removeObject(CorePrefs::PREVIEW_MATHJAX_URL);
    const RenderingResult r = MarkdownFormatter::formatForPreview(
        QStringLiteral("# Code\n\n$$E = mc^2$$\n\n```python\ndef answer():\n    return 42\n```\n"), std::nullopt, QStringLiteral("t"));
    ASSERT_TRUE(loadHtml(r.markdown, folderUrl(temporaryFolder())));
    EXPECT_TRUE(waitFor(QStringLiteral("typeof Prism !== 'undefined' && document.querySelectorAll('code.language-python .token.keyword').length > 0")));
    EXPECT_TRUE(waitFor(QStringLiteral("typeof MathJax !== 'undefined' && "
                                       "document.querySelectorAll('.MathJax_Display, .MathJax_SVG_Display, .MJXc-display').length > 0"),
        40000));
}

TEST_F(WebViewTest, PrintsToPdf)
{
    ASSERT_TRUE(loadHtml(QStringLiteral("<html><body><h1>Printed</h1></body></html>")));
    const QString path = temporaryFolder() + QStringLiteral("/out.pdf");
    bool done = false, ok = false;
    view->printToPdf(path, [&](bool success) {
        done = true;
        ok = success;
    });
    ASSERT_TRUE(waitUntil([&] { return done; }, 30000));
    EXPECT_TRUE(ok);
    QFile pdf(path);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_EQ(pdf.read(4), QByteArray("%PDF"));
}
