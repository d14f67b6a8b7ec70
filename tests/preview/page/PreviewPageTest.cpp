// A preview page assembled from Markdown, loaded in a web view offscreen: MathJax (from the
// local libjs-mathjax copy) typesets the math, Prism (from the build's resources) highlights
// the code, the page functions behave, and nothing is fetched from the network.
#include "CorePrefs.h"
#include "CoreSetup.h"
#include "HTML/JSScripts.h"
#include "Services/MarkdownFormatter.h"
#include "TestSupport.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QMutex>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include <gtest/gtest.h>

using namespace penwick;

namespace {

// Records every request the page makes that is not for a local file.
class RequestRecorder : public QWebEngineUrlRequestInterceptor {
public:
    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        const QUrl url = info.requestUrl();
        if (url.scheme() != QLatin1String("file") && url.scheme() != QLatin1String("data") && url.scheme() != QLatin1String("about")) {
            QMutexLocker lock(&mutex);
            remote.append(url.toString());
            info.block(true);
        }
    }
    QMutex mutex;
    QStringList remote;
};

class PreviewPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        registerBundledDefaults();
        auto& defaults = platform::UserDefaults::standard();
        defaults.setValue(CorePrefs::PREVIEW_ENABLE_PRISM, true);
        defaults.setValue(CorePrefs::PREVIEW_SYNTAX_STYLE, QStringLiteral("prism"));
        defaults.setValue(CorePrefs::PREVIEW_ENABLE_MATHJAX, true);
        defaults.removeObject(CorePrefs::PREVIEW_MATHJAX_URL); // the bundled default: the local MathJax
        defaults.setValue(CorePrefs::PREVIEW_PARSE_JEKYLL, true);
        defaults.setValue(CorePrefs::PREVIEW_ENABLE_OUTLINE, true);
        profile = std::make_unique<QWebEngineProfile>();
        profile->setUrlRequestInterceptor(&recorder);
        page = new QWebEnginePage(profile.get(), &view);
        view.setPage(page);
        view.resize(800, 600);
    }

    void TearDown() override
    {
        view.setPage(nullptr);
        delete page;
    }

    void load(const QString& html)
    {
        bool loaded = false, ok = false;
        QObject::connect(page, &QWebEnginePage::loadFinished, page, [&](bool success) {
            loaded = true;
            ok = success;
        });
        page->setHtml(html, QUrl::fromLocalFile(test::temporaryFolder() + QLatin1Char('/')));
        view.show();
        ASSERT_TRUE(test::waitUntil([&] { return loaded; }, 60000)) << "the page never finished loading";
        ASSERT_TRUE(ok);
    }

    QVariant eval(const QString& script)
    {
        QVariant result;
        bool answered = false;
        page->runJavaScript(script, [&](const QVariant& v) {
            result = v;
            answered = true;
        });
        EXPECT_TRUE(test::waitUntil([&] { return answered; }, 30000)) << script.toStdString();
        return result;
    }

    bool waitFor(const QString& condition, int timeoutMs = 60000)
    {
        return test::waitUntil([&] { return eval(condition).toBool(); }, timeoutMs);
    }

    RequestRecorder recorder;
    std::unique_ptr<QWebEngineProfile> profile;
    QWebEngineView view;
    QWebEnginePage* page = nullptr;
};

const QString kDocument = QStringLiteral(
    "---\ntitle: Page\n---\n# Math and code\n\nEnergy:\n\n$$E = mc^2$$\n\n```python\ndef answer():\n    return 42\n```\n");

} // namespace

TEST_F(PreviewPage, MathTypesetsAndCodeHighlightsWithEachEngine)
{
    for (bool gfm : { true, false }) {
        SCOPED_TRACE(gfm ? "GFM" : "MultiMarkdown");
        platform::UserDefaults::standard().setValue(CorePrefs::PREVIEW_ENABLE_GFM, gfm);
        const RenderingResult r = MarkdownFormatter::formatForPreview(kDocument, std::nullopt, QStringLiteral("Page"));
        load(r.markdown);
        if (!gfm) {
            // the preview repairs the bare class of this engine's code before highlighting
            eval(QStringLiteral("repairMMDCode(); reloadPrism(); true"));
        }
        EXPECT_TRUE(waitFor(QStringLiteral("typeof Prism !== 'undefined' && "
                                           "document.querySelectorAll('code.language-python .token.keyword').length > 0")))
            << "code was not highlighted";
        EXPECT_EQ(eval(QStringLiteral("document.querySelector('code.language-python .token.keyword').textContent")).toString(),
            QStringLiteral("def"));
        EXPECT_TRUE(waitFor(QStringLiteral("typeof MathJax !== 'undefined' && MathJax.Hub && "
                                           "document.querySelectorAll('script[type^=\"math/tex\"]').length == 1 && "
                                           "document.querySelectorAll('.MathJax_Display, .MathJax_SVG_Display, .MJXc-display').length > 0")))
            << "math was not typeset";
        // the reload functions of the page exist and run
        EXPECT_TRUE(eval(QStringLiteral("reloadMathJax(); reloadPrism(); true")).toBool());
        QMutexLocker lock(&recorder.mutex);
        EXPECT_TRUE(recorder.remote.isEmpty()) << recorder.remote.join(QLatin1Char(' ')).toStdString();
    }
}

TEST_F(PreviewPage, PageFunctions)
{
    platform::UserDefaults::standard().setValue(CorePrefs::PREVIEW_ENABLE_GFM, false);
    platform::UserDefaults::standard().setValue(CorePrefs::PREVIEW_ENABLE_MATHJAX, false);
    const QString body = QStringLiteral(
        "<table class=\"jekyll-table\" id=\"t\"><tbody><tr><td>x</td></tr></tbody></table>"
        "<code id=\"one\" class=\"python\">x</code><code id=\"two\" class=\"a b\">y</code><code id=\"none\">z</code>"
        "<blockquote id=\"bq\"><p id=\"inner\">q</p></blockquote><p id=\"outer\">p</p><h2 id=\"h\">H</h2><h6 id=\"h6\">H</h6>"
        "<img id=\"rel\" src=\"pics/a.png\"><img id=\"abs\" src=\"%1pics/b.png\">"
        "<link id=\"withHost\" rel=\"help\" href=\"file://files.example/css/a.css?v=1#top\">"
        "<link id=\"noHost\" rel=\"help\" href=\"file:///css/b.css\">"
        "")
                             .arg(QUrl::fromLocalFile(JSScripts::absoluteImageRoot()).toString());
    const RenderingResult r = MarkdownFormatter::formatForPreview(QString(), std::nullopt, QString());
    QString html = r.markdown;
    html.replace(QStringLiteral("<body>"), QStringLiteral("<body>") + body);
    load(html + QStringLiteral("<script>") + JSScripts::mediumClassInjectionFunc() + QStringLiteral("</script>"));

    eval(QStringLiteral("hideJekyllTable('true')"));
    EXPECT_EQ(eval(QStringLiteral("document.getElementById('t').style.display")).toString(), QStringLiteral("none"));
    eval(QStringLiteral("hideJekyllTable(true)"));
    EXPECT_EQ(eval(QStringLiteral("document.getElementById('t').style.display")).toString(), QStringLiteral("block"));

    eval(QStringLiteral("repairMMDCode()"));
    EXPECT_EQ(eval(QStringLiteral("document.getElementById('one').className")).toString(), QStringLiteral("language-python"));
    EXPECT_EQ(eval(QStringLiteral("document.getElementById('two').className")).toString(), QStringLiteral("a b"));
    EXPECT_EQ(eval(QStringLiteral("document.getElementById('none').className")).toString(), QString());

    eval(QStringLiteral("addClasses()"));
    EXPECT_EQ(eval(QStringLiteral("document.getElementById('bq').className")).toString(), QStringLiteral(" graf--pullquote pullquote"));
    EXPECT_EQ(eval(QStringLiteral("document.getElementById('inner').className")).toString(), QString());
    EXPECT_EQ(eval(QStringLiteral("document.getElementById('outer').className")).toString(), QStringLiteral(" graf--p"));
    EXPECT_EQ(eval(QStringLiteral("document.getElementById('h').className")).toString(), QStringLiteral(" graf--h2"));
    EXPECT_EQ(eval(QStringLiteral("document.getElementById('h6').className")).toString(), QString());

    eval(QStringLiteral("repairLocalImageSources('/docs/folder')"));
    EXPECT_EQ(eval(QStringLiteral("document.getElementById('rel').getAttribute('src')")).toString(),
        QStringLiteral("file:///docs/folder/pics/a.png"));
    EXPECT_EQ(eval(QStringLiteral("document.getElementById('abs').getAttribute('src')")).toString(),
        QUrl::fromLocalFile(JSScripts::absoluteImageRoot()).toString() + QStringLiteral("pics/b.png"));

    // Real Preview repairs: local links and images point at the site instead
    eval(JSScripts::repairLinkHrefsFunc() + QLatin1Char(';') + JSScripts::repairRemoteImageSourcesFunc() + QStringLiteral(";true"));
    eval(QStringLiteral("repairLinkHrefs('https://site.example:8080/blog/post.html')"));
    EXPECT_EQ(eval(QStringLiteral("document.getElementById('withHost').getAttribute('href')")).toString(),
        QStringLiteral("https://files.example/css/a.css?v=1#top"));
    EXPECT_EQ(eval(QStringLiteral("document.getElementById('noHost').getAttribute('href')")).toString(),
        QStringLiteral("https://site.example:8080/css/b.css"));
    eval(QStringLiteral("document.body.insertAdjacentHTML('beforeend', '<img id=\"remote\" src=\"file:///img/c.png?s=2#f\">"
                        "<img id=\"web\" src=\"data:image/gif;base64,R0lGODlhAQABAAAAACw=\">'); true"));
    eval(QStringLiteral("repairRemoteImageSources('https://site.example:8080/blog/post.html')"));
    EXPECT_EQ(eval(QStringLiteral("document.getElementById('remote').getAttribute('src')")).toString(),
        QStringLiteral("https://site.example:8080/img/c.png?s=2#f"));
    EXPECT_TRUE(eval(QStringLiteral("document.getElementById('web').getAttribute('src')")).toString().startsWith(QStringLiteral("data:")));
}
