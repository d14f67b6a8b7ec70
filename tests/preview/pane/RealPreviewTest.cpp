// Real Preview: the cached page of a loopback site, its preparation, and the document written
// into it by the external preview, as the pane drives it.
#include "PaneFixture.h"

#include "Extensions/Realm.h"
#include "HTML/JSScripts.h"
#include "LoopbackHttpServer.h"
#include "Services/MarkdownFormatter.h"
#include "platform/UserDefaults.h"
#include "preview/ExternalPreviewWindowController.h"
#include "preview/RealPreviewOutput.h"
#include "common/Prefs.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QStandardPaths>
#include <QToolButton>

using namespace penwick;
using namespace penwick::test;

namespace {

QByteArray png()
{
    QImage image(7, 3, QImage::Format_RGB32);
    image.fill(Qt::green);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

const QString kSitePage = QStringLiteral(
    "<!DOCTYPE html><html><head><title>Site</title></head><body>"
    "<h1 class=\"post-title\">Site title</h1><div id=\"main\" class=\"post-body\"><p>old post</p></div>"
    "<img id=\"logo\" src=\"/logo.png\"></body></html>");

RealPreviewItem makeSite(const QString& id, const QString& url, BlogType type = BlogType::GitHub,
    const QString& post = QStringLiteral("post-body"), const QString& header = QStringLiteral("post-title"))
{
    RealPreviewItem item;
    item.setId(id);
    item.setUrl(url);
    item.setName(id);
    item.setPostClassName(post);
    item.setHeaderClassName(header);
    item.setType(static_cast<qint64>(type));
    return item;
}

void cache(const RealPreviewItem& item, const QString& page)
{
    const QString path = getCachedFilePathForId(item.id());
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(RealPreviewOutput::preparePageHTML(page, static_cast<BlogType>(item.type())).toUtf8());
}

class RealPreview : public PaneTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(RealmSetup::setupInFolder(temporaryFolder()));
        ASSERT_TRUE(server.isListening());
        server.setResponse(QStringLiteral("/logo.png"), png(), "image/png");
        PaneTest::SetUp();
    }
    void TearDown() override
    {
        PaneTest::TearDown();
        RealmSetup::close();
    }
    void store(const RealPreviewItem& item)
    {
        ASSERT_FALSE(Realm::write([&](RealmTransaction& tx) { tx.add(item); }).has_value());
    }
    LoopbackHttpServer server;
};

} // namespace

TEST(RealPreviewPage, PreparationAndCachePath)
{
    const QString three = JSScripts::repairRemoteImageSourcesFunc() + JSScripts::repairLinkHrefsFunc() + JSScripts::repairLocalImageSourcesFunc();
    const QString page = QStringLiteral("<body><script>var s = '</body>'; window[\"obvInit\"](1);</script></body>");
    struct Case {
        BlogType type;
        QString expected;
    };
    const QString medium = QStringLiteral("<script>") + three + JSScripts::mediumClassInjectionFunc() + QStringLiteral("</script>");
    const QString plain = QStringLiteral("<script>") + three + QStringLiteral("</script>");
    const Case cases[] = {
        { BlogType::Medium, QStringLiteral("<body><script>var s = '") + medium + QStringLiteral("</body>'; window[\"\"](1);") + QStringLiteral("</script>") + medium + QStringLiteral("</body>") },
        { BlogType::GitHub, QStringLiteral("<body><script>var s = '") + plain + QStringLiteral("</body>'; window[\"obvInit\"](1);</script>") + plain + QStringLiteral("</body>") },
        { BlogType::Other, QStringLiteral("<body><script>var s = '") + plain + QStringLiteral("</body>'; window[\"obvInit\"](1);</script>") + plain + QStringLiteral("</body>") },
    };
    for (const Case& c : cases)
        EXPECT_EQ(RealPreviewOutput::preparePageHTML(page, c.type).toStdString(), c.expected.toStdString());
    EXPECT_EQ(RealPreviewOutput::preparePageHTML(QStringLiteral("<BODY>x</BODY>"), BlogType::Medium), QStringLiteral("<BODY>x</BODY>"));

    const QString path = getCachedFilePathForId(QStringLiteral("abc"));
    EXPECT_TRUE(path.endsWith(QStringLiteral("Penwick/RealPreview/abc.html"))) << path.toStdString();
    EXPECT_TRUE(path.startsWith(QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME")))) << path.toStdString();
    const RealPreviewOutput output(makeSite(QStringLiteral("abc"), QStringLiteral("http://x")));
    EXPECT_EQ(output.htmlContent(), QString());
    EXPECT_FALSE(output.htmlContent().isNull());
    EXPECT_FALSE(output.frontMatterDict().has_value());
    EXPECT_EQ(output.cachedFilePath(), path);
}

TEST_F(RealPreview, SitePageWithTheDocumentThenReuseThenReload)
{
    const RealPreviewItem site = makeSite(QStringLiteral("site1"), server.url().toString());
    store(site);
    cache(site, kSitePage);
    platform::UserDefaults::standard().setValue(Prefs::REAL_PREVIEW_SELECTION, site.id());
    EXPECT_TRUE(pane->realPreviewButton()->isEnabled());

    setText(QStringLiteral("---\ntitle: My <em>Post</em>\n---\nHello **world**"));
    render();
    settle();
    EXPECT_EQ(controller()->realPreviewOutput(), nullptr) << "the switch is off";
    pane->realPreviewButton()->setChecked(true);
    controller()->showRealPreview(); // the window is hidden: it shows with the site page
    ASSERT_TRUE(pane->externalWindow()->isVisible());
    auto output = controller()->realPreviewOutput();
    ASSERT_NE(output, nullptr);
    // rendered in the render process: the output is filled once the rendering is back
    ASSERT_TRUE(waitUntil([&] { return output->htmlContent().contains(QStringLiteral("<strong>world</strong>")); }, 30000));
    EXPECT_EQ(output->frontMatterDict().value_or(QVariantMap()).value(QStringLiteral("title")).toString(), QStringLiteral("My <em>Post</em>"));
    platform::WebView* ext = externalView();
    ASSERT_TRUE(waitFor(QStringLiteral("document.querySelector('.post-body') && document.querySelector('.post-body').innerHTML.indexOf('<strong>world</strong>') >= 0"), ext));
    EXPECT_EQ(eval(QStringLiteral("document.querySelector('.post-title').innerHTML"), ext).toString(), QStringLiteral("My <em>Post</em>"));
    EXPECT_TRUE(waitFor(QStringLiteral("document.getElementById('logo').complete && document.getElementById('logo').naturalWidth == 7"), ext));
    EXPECT_GE(server.requestCount(QStringLiteral("/logo.png")), 1);
    EXPECT_EQ(externalLoads, 1);
    EXPECT_FALSE(eval(QStringLiteral("document.body.innerHTML")).toString().contains(QStringLiteral("post-body"))) << "the pane shows the ordinary page";
    EXPECT_TRUE(eval(QStringLiteral("document.body.textContent")).toString().contains(QStringLiteral("Hello world")));

    // the second rendering writes into the loaded page
    eval(QStringLiteral("window.rec = []; var r1 = repairRemoteImageSources; repairRemoteImageSources = function (u) { rec.push('remote'); r1(u); };"
                        "var r2 = repairLocalImageSources; repairLocalImageSources = function (u) { rec.push('local:' + u); r2(u); }; 0"),
        ext);
    setText(QStringLiteral("---\ntitle: Second\n---\nAgain"));
    render();
    ASSERT_TRUE(waitFor(QStringLiteral("document.querySelector('.post-title').innerHTML == 'Second'"), ext));
    settle(true);
    EXPECT_EQ(externalLoads, 1) << "no load";
    EXPECT_EQ(eval(QStringLiteral("rec.join('|')"), ext).toString(), QStringLiteral("local:") + base.toLocalFile().chopped(1));

    // an ordinary rendering between: the next Real Preview loads the page from disk again
    pane->realPreviewButton()->setChecked(false);
    controller()->showRealPreview();
    settle(true);
    EXPECT_EQ(externalLoads, 2);
    EXPECT_TRUE(waitFor(QStringLiteral("!document.querySelector('.post-body')"), ext));
    pane->realPreviewButton()->setChecked(true);
    controller()->showRealPreview();
    ASSERT_TRUE(waitFor(QStringLiteral("!!document.querySelector('.post-body') && document.querySelector('.post-title').innerHTML == 'Second'"), ext));
    EXPECT_EQ(externalLoads, 3);

    // another site: loaded from disk
    const RealPreviewItem second = makeSite(QStringLiteral("site2"), server.url().toString(), BlogType::Other, QStringLiteral("#main"));
    store(second);
    cache(second, kSitePage);
    platform::UserDefaults::standard().setValue(Prefs::REAL_PREVIEW_SELECTION, second.id());
    ASSERT_TRUE(waitUntil([&] { return externalLoads == 4; }));
    ASSERT_TRUE(waitFor(QStringLiteral("document.getElementById('main').textContent.trim() == 'Again'"), ext))
        << eval(QStringLiteral("document.body.innerHTML"), ext).toString().left(300).toStdString() << externalLoads;

    // a cleared site disables the switch, and the output stays in use
    const auto kept = controller()->realPreviewOutput();
    platform::UserDefaults::standard().setValue(Prefs::REAL_PREVIEW_SELECTION, QString());
    EXPECT_FALSE(pane->realPreviewButton()->isEnabled());
    EXPECT_EQ(controller()->realPreviewOutput(), kept);
}

namespace {

class RecordingDelegate : public QObject, public ExternalPreviewControllerDelegate {
public:
    void externalPreviewFinishedLoadingFrame() override { ++loaded; }
    void externalPreviewFinishedSettingInnerHTML() override { ++injected; }
    int loaded = 0;
    int injected = 0;
};

} // namespace

TEST_F(RealPreview, InjectionEdgeCases)
{
    ExternalPreviewController* external = pane->externalWindow()->previewController();
    RecordingDelegate delegate;
    external->setExternalPreviewControllerDelegate(&delegate);
    platform::WebView* ext = externalView();
    struct Case {
        const char* what;
        QString post;
        QVariant title;
        BlogType type;
        QString postText;
        QString header;
    };
    // A title the front matter writes as a number, as the formatter reads it.
    const QVariant numericTitle = MarkdownFormatter::formatForRealPreview(QStringLiteral("---\ntitle: 2024\n---\nText"))
                                      .rawfrontMatter.value_or(QVariantMap())
                                      .value(QStringLiteral("title"));
    ASSERT_EQ(numericTitle.typeId(), QMetaType::LongLong);
    const Case cases[] = {
        { "no #main element", QStringLiteral("#missing"), QStringLiteral("T1"), BlogType::GitHub, QStringLiteral("old post"), QStringLiteral("T1") },
        { "a bare #", QStringLiteral("#"), QStringLiteral("T2"), BlogType::GitHub, QStringLiteral("old post"), QStringLiteral("T2") },
        { "numeric title", QStringLiteral("post-body"), numericTitle, BlogType::GitHub, QStringLiteral("new"), QString() },
        { "Medium", QStringLiteral("#main"), QStringLiteral("T3"), BlogType::Medium, QStringLiteral("new"), QStringLiteral("T3") },
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RealPreviewItem site = makeSite(QStringLiteral("edge%1").arg(n++), server.url().toString(), c.type, c.post);
        cache(site, kSitePage);
        auto output = std::make_shared<RealPreviewOutput>(site);
        output->setHtmlContent(QStringLiteral("<p>new</p>"));
        output->setFrontMatterDict(QVariantMap { { QStringLiteral("title"), c.title } });
        const int injected = delegate.injected;
        const int loads = externalLoads;
        external->loadRealPreview(output);
        ASSERT_TRUE(waitUntil([&] { return externalLoads > loads && delegate.injected > injected; }, 30000));
        EXPECT_EQ(eval(QStringLiteral("document.querySelector('.post-body').textContent"), ext).toString(), c.postText);
        EXPECT_EQ(eval(QStringLiteral("document.querySelector('.post-title').innerHTML"), ext).toString(), c.header);
        if (c.type == BlogType::Medium) {
            EXPECT_EQ(eval(QStringLiteral("document.querySelector('#main p').className"), ext).toString(), QStringLiteral(" graf--p"));
        }
    }
    // an ordinary rendering tells the delegate at once after an injection, after the load for a full one
    const int loadedBefore = delegate.loaded;
    external->setDocumentURL({});
    external->loadHTML(QStringLiteral("<html><body><p>one two</p></body></html>"), document, base);
    EXPECT_EQ(delegate.loaded, loadedBefore) << "not before the load has ended";
    ASSERT_TRUE(waitUntil([&] { return delegate.loaded == loadedBefore + 1; }));
    external->loadHTML(QStringLiteral("<p>three</p>"), document, base);
    EXPECT_EQ(delegate.loaded, loadedBefore + 2);
    external->setExternalPreviewControllerDelegate(nullptr);
}
