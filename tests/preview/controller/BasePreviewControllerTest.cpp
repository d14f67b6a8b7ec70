// BasePreviewController on a real web view, offscreen, with pages whose six page functions
// record their calls in order.
#include "../webview/WebViewFixture.h"

#include "HTML/JSScripts.h"
#include "platform/UserDefaults.h"
#include "preview/BasePreviewController.h"
#include "common/Prefs.h"

#include <QDir>
#include <QLocale>

using namespace penwick;
using namespace penwick::test;

namespace {

// The page functions, recording "name(argument)" into window.calls.
const QString kRecorder = QStringLiteral(
    "<script>window.calls = [];"
    "function rec(n, a) { calls.push(n + '(' + (a === undefined ? '' : a) + ')'); }"
    "function hideJekyllTable(a) { rec('hideJekyllTable', a); }"
    "function reloadMathJax() { rec('reloadMathJax'); }"
    "function reloadPrism() { rec('reloadPrism'); }"
    "function repairMMDCode() { rec('repairMMDCode'); }"
    "function penwickPreviewUpdateCallback() { rec('penwickPreviewUpdateCallback'); }"
    "%1"
    "var realRepair = typeof repairLocalImageSources === 'function' ? repairLocalImageSources : null;"
    "repairLocalImageSources = function (a) { rec('repairLocalImageSources', a); if (realRepair) realRepair(a); };"
    "</script>");

QString recordingPage(const QString& body = QStringLiteral("<p>body</p>"))
{
    return QStringLiteral("<!DOCTYPE html><html><head>") + kRecorder.arg(JSScripts::repairLocalImageSourcesFunc())
        + QStringLiteral("</head><body>") + body + QStringLiteral("</body></html>");
}

const QUrl kBase = QUrl::fromLocalFile(QStringLiteral("/base/"));
const QUrl kDoc = QUrl::fromLocalFile(QStringLiteral("/base/doc.md"));
const QUrl kOther = QUrl::fromLocalFile(QStringLiteral("/elsewhere/other.md"));

class Controller : public WebViewTest {
protected:
    void SetUp() override
    {
        WebViewTest::SetUp();
        auto& d = platform::UserDefaults::standard();
        d.setValue(Prefs::PREVIEW_HIDE_JEKYLL_TABLES, true);
        d.setValue(Prefs::PREVIEW_ENABLE_MATHJAX, true);
        d.setValue(Prefs::PREVIEW_ENABLE_GFM, false);
        d.setValue(Prefs::PREVIEW_ENABLE_PRISM, true);
        d.setValue(Prefs::PREVIEW_SCALE, false);
        d.removeObject(Prefs::EDITOR_FONTSIZE);
        d.setValue(Prefs::PREVIEW_EXTERNAL_ZOOM_LEVEL, 1.0);
        controller = std::make_unique<BasePreviewController>();
        controller->setPreviewView(view.get());
        controller->setBaseURL(kBase);
        controller->awakeFromNib();
    }
    void TearDown() override
    {
        controller.reset();
        WebViewTest::TearDown();
    }

    // Calls recorded since the last read.
    QString calls()
    {
        const QString c = eval(QStringLiteral("var c = window.calls ? calls.join('|') : '<none>'; if (window.calls) calls = []; c")).toString();
        return c;
    }
    // The controller's loadHTML; waits for the load when it is a full one. Returns whether it was.
    bool load(const QString& html, const QUrl& document, const QUrl& base)
    {
        const int before = loadsFinished;
        controller->loadHTML(html, document, base);
        if (view->isLoadPending()) {
            EXPECT_TRUE(waitUntil([&] { return loadsFinished > before; }, 30000));
            return true;
        }
        return false;
    }

    std::unique_ptr<BasePreviewController> controller;
};


} // namespace

TEST_F(Controller, LoadTableFullLoadOrInjection)
{
    struct Step {
        const char* what;
        QUrl document;
        bool force;
        bool fullLoad;
    };
    const Step steps[] = {
        { "first rendering, no document yet", kDoc, false, true },
        { "same path", kDoc, false, false },
        { "another path", kOther, false, true },
        { "same again", kOther, false, false },
        { "no document URL", QUrl(), false, true },
        { "after no document URL", QUrl(), false, true },
        { "a document again", kDoc, false, true },
        { "force flag, same document", kDoc, true, true },
        { "the flag stays set", kDoc, true, true },
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        controller->setForceLoadInsteadOfInject(s.force);
        EXPECT_EQ(load(recordingPage(), s.document, kBase), s.fullLoad);
        EXPECT_EQ(controller->documentURL(), s.document);
        EXPECT_EQ(controller->forceLoadInsteadOfInject(), s.force) << "never reset by the controller";
    }
    controller->setForceLoadInsteadOfInject(false);
    // forceClean keeps the document: the next rendering of it goes into the empty page
    const int before = loadsFinished;
    controller->forceClean();
    ASSERT_TRUE(waitUntil([&] { return loadsFinished > before; }));
    EXPECT_EQ(controller->documentURL(), kDoc);
    EXPECT_FALSE(load(QStringLiteral("<p id=\"x\">injected</p>"), kDoc, kBase));
    EXPECT_EQ(eval(QStringLiteral("document.getElementById('x').textContent")).toString(), QStringLiteral("injected"));
    EXPECT_EQ(eval(QStringLiteral("typeof calls")).toString(), QStringLiteral("undefined"));
}

TEST_F(Controller, FinishingSequencesInOrderWithTheirConditions)
{
    struct Case {
        const char* what;
        bool gfm, mathJax, prism;
        QString injected;
    };
    const QString repair = QStringLiteral("repairLocalImageSources(/base)|hideJekyllTable(true)|");
    const Case cases[] = {
        { "every condition on", false, true, true,
            repair + QStringLiteral("reloadMathJax()|repairMMDCode()|reloadPrism()|penwickPreviewUpdateCallback()") },
        { "GFM on", true, true, true, repair + QStringLiteral("reloadMathJax()|reloadPrism()|penwickPreviewUpdateCallback()") },
        { "MathJax off", false, false, true, repair + QStringLiteral("repairMMDCode()|reloadPrism()|penwickPreviewUpdateCallback()") },
        { "Prism off", false, true, false, repair + QStringLiteral("reloadMathJax()|repairMMDCode()|penwickPreviewUpdateCallback()") },
    };
    auto& d = platform::UserDefaults::standard();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        d.setValue(Prefs::PREVIEW_ENABLE_GFM, c.gfm);
        d.setValue(Prefs::PREVIEW_ENABLE_MATHJAX, c.mathJax);
        d.setValue(Prefs::PREVIEW_ENABLE_PRISM, c.prism);
        controller->setDocumentURL({});
        ASSERT_TRUE(load(recordingPage(), kOther, kBase));
        EXPECT_EQ(calls().toStdString(), c.injected.toStdString()) << "after a full load";
        ASSERT_FALSE(load(QStringLiteral("<p>new</p>"), kOther, kBase));
        EXPECT_EQ(calls().toStdString(), c.injected.toStdString()) << "after an injection";
    }
}

TEST_F(Controller, ScaleFromTheEditorFontAfterAFullLoad)
{
    struct Case {
        const char* what;
        bool scale;
        QVariant fontSize;
        double zoom;
    };
    const Case cases[] = {
        { "scale on, 18 pt", true, 18.0, 18.0 / 14.0 },
        { "font 0", true, 0.0, 1.5 },
        { "no font size", true, QVariant(), 1.5 },
        { "scale off", false, 18.0, 1.5 },
    };
    auto& d = platform::UserDefaults::standard();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        view->setZoomFactor(1.5);
        d.setValue(Prefs::PREVIEW_SCALE, c.scale);
        d.setValue(Prefs::EDITOR_FONTSIZE, c.fontSize);
        controller->setDocumentURL({});
        ASSERT_TRUE(load(recordingPage(), kDoc, kBase));
        calls();
        EXPECT_NEAR(view->zoomFactor(), c.zoom, 1e-4);
    }
}

TEST_F(Controller, LocalImageRepairDecisionAndQuoting)
{
    ASSERT_TRUE(load(recordingPage(), kDoc, kBase));
    EXPECT_FALSE(calls().contains(QLatin1String("repairLocalImageSources"))) << "a document in the base folder needs none";
    controller->setDocumentURL({});
    ASSERT_TRUE(load(recordingPage(), QUrl(), kBase));
    EXPECT_TRUE(calls().startsWith(QLatin1String("repairLocalImageSources(/base)|"))) << "nil document URL";

    // folder names that need quoting reach the page as they are
    for (const QString& name : { QStringLiteral("it's"), QStringLiteral("'); window.hit=1; ('") }) {
        SCOPED_TRACE(name.toStdString());
        const QString folder = temporaryFolder() + QLatin1Char('/') + name;
        ASSERT_TRUE(QDir().mkpath(folder));
        const QUrl base = QUrl::fromLocalFile(folder + QLatin1Char('/'));
        controller->setBaseURL(base);
        controller->setDocumentURL({});
        ASSERT_TRUE(load(recordingPage(QStringLiteral("<img id=\"img\" src=\"pic.png\">")), kOther, base));
        EXPECT_EQ(calls().section(QLatin1Char('|'), 0, 0), QStringLiteral("repairLocalImageSources(%1)").arg(folder));
        EXPECT_TRUE(eval(QStringLiteral("document.getElementById('img').getAttribute('src')")).toString().endsWith(QStringLiteral("/pic.png")));
        EXPECT_TRUE(eval(QStringLiteral("decodeURI(document.getElementById('img').getAttribute('src'))")).toString().contains(name));
        EXPECT_EQ(eval(QStringLiteral("typeof window.hit")).toString(), QStringLiteral("undefined"));
    }
}

TEST_F(Controller, SettingsReachEveryLiveControllerExactlyOnce)
{
    platform::WebView secondView;
    BasePreviewController second;
    second.setPreviewView(&secondView);
    second.awakeFromNib();
    bool secondLoaded = false;
    QObject::connect(&secondView, &platform::WebView::pageLoadFinished, &secondView, [&](bool) { secondLoaded = true; });
    ASSERT_TRUE(load(recordingPage(), kDoc, kBase));
    second.loadHTML(recordingPage(), kDoc, kBase);
    ASSERT_TRUE(waitUntil([&] { return secondLoaded; }, 30000));
    auto secondCalls = [&] {
        QString result;
        bool done = false;
        secondView.runScript(QStringLiteral("var c = calls.join('|'); calls = []; c"), platform::WebView::World::Page, [&](const QVariant& v) {
            result = v.toString();
            done = true;
        });
        EXPECT_TRUE(waitUntil([&] { return done; }));
        return result;
    };
    calls();
    secondCalls();

    auto& d = platform::UserDefaults::standard();
    d.setValue(Prefs::PREVIEW_ENABLE_PRISM, true);
    d.setValue(Prefs::PREVIEW_ENABLE_MATHJAX, false);
    calls();
    secondCalls();
    struct Case {
        QString key;
        QVariant value;
        QString expected;
    };
    const Case cases[] = {
        { Prefs::PREVIEW_HIDE_JEKYLL_TABLES, false, QStringLiteral("hideJekyllTable(false)") },
        { Prefs::PREVIEW_HIDE_JEKYLL_TABLES, true, QStringLiteral("hideJekyllTable(true)") },
        { Prefs::PREVIEW_ENABLE_MATHJAX, true, QStringLiteral("reloadMathJax()") },
        { Prefs::PREVIEW_ENABLE_MATHJAX, false, QString() },
        { Prefs::PREVIEW_ENABLE_PRISM, false, QString() },
        { Prefs::PREVIEW_ENABLE_PRISM, true, QStringLiteral("reloadPrism()") },
        { Prefs::PREVIEW_ENABLE_GFM, true, QStringLiteral("reloadPrism()") },
        { Prefs::PREVIEW_ENABLE_GFM, false, QStringLiteral("repairMMDCode()|reloadPrism()") },
        { Prefs::PREVIEW_SCALE, true, QString() },
        { Prefs::PREVIEW_RENDER_NEWLINE, true, QString() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.key + QLatin1Char('=') + c.value.toString()).toStdString());
        d.setValue(c.key, c.value);
        EXPECT_EQ(calls(), c.expected);
        EXPECT_EQ(secondCalls(), c.expected);
    }
    // the zoom script carries the level as shortest C-locale text, also under a decimal-comma locale
    const QLocale saved;
    for (const bool comma : { false, true }) {
        QLocale::setDefault(comma ? QLocale(QLocale::German, QLocale::Germany) : QLocale::c());
        for (const double level : { 1.2, 1.1 }) {
            d.setValue(Prefs::PREVIEW_EXTERNAL_ZOOM_LEVEL, level);
            const QString expected = QString::number(level);
            EXPECT_EQ(eval(QStringLiteral("document.documentElement.style.zoom")).toString(), expected);
            bool done = false;
            QString secondZoom;
            secondView.runScript(QStringLiteral("document.documentElement.style.zoom"), platform::WebView::World::Page, [&](const QVariant& v) {
                secondZoom = v.toString();
                done = true;
            });
            ASSERT_TRUE(waitUntil([&] { return done; }));
            EXPECT_EQ(secondZoom, expected);
        }
    }
    QLocale::setDefault(saved);
    EXPECT_EQ(BasePreviewController::zoomScript(1.2f), QStringLiteral("document.documentElement.style.zoom = \"1.2\""));
    EXPECT_EQ(BasePreviewController::zoomScript(0.0f), QStringLiteral("document.documentElement.style.zoom = \"0\""));
}

TEST_F(Controller, PolicyOpensOutsideAndKeepsThePage)
{
    const QString folder = temporaryFolder();
    const QUrl base = QUrl::fromLocalFile(folder + QLatin1Char('/'));
    controller->setBaseURL(base);
    using platform::NavigationKind;
    struct Case {
        const char* what;
        QUrl url;
        bool allowed;
        bool opened;
    };
    const Case cases[] = {
        { "web link", QUrl(QStringLiteral("https://example.invalid/x")), false, true },
        { "another local file", QUrl::fromLocalFile(folder + QStringLiteral("/other.md")), false, true },
        { "a local file in a subfolder", QUrl::fromLocalFile(folder + QStringLiteral("/sub/pic.png")), false, true },
        { "a local file outside the folder", QUrl::fromLocalFile(QStringLiteral("/etc/hosts")), false, false },
        { "a local file outside through ..", QUrl::fromLocalFile(folder + QStringLiteral("/../x.txt")), false, false },
        { "the base URL", base, true, false },
        { "the base URL without its slash", QUrl::fromLocalFile(folder), true, false },
        { "the base URL through ..", QUrl::fromLocalFile(folder + QStringLiteral("/sub/../")), true, false },
        { "no address", QUrl(), false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        opened.clear();
        EXPECT_EQ(controller->decidePolicyForNavigation({ c.url, NavigationKind::LinkClicked, true }), c.allowed);
        EXPECT_EQ(opened, c.opened ? QList<QUrl> { c.url } : QList<QUrl> {});
    }
    // wired to the view: a clicked web link goes outside, the page stays
    opened.clear();
    ASSERT_TRUE(load(recordingPage(QStringLiteral("<a id=\"a\" href=\"https://example.invalid/y\">y</a>")), kDoc, base));
    for (int attempt = 0; attempt < 10 && opened.isEmpty(); ++attempt) {
        click(QStringLiteral("a"));
        waitUntil([&] { return !opened.isEmpty(); }, 2000);
    }
    ASSERT_FALSE(opened.isEmpty());
    EXPECT_EQ(opened.first(), QUrl(QStringLiteral("https://example.invalid/y")));
    EXPECT_EQ(eval(QStringLiteral("typeof calls")).toString(), QStringLiteral("object"));
    // after stop nothing reaches the controller and the page stays
    controller->stop();
    opened.clear();
    const int before = loadsFinished;
    click(QStringLiteral("a"));
    EXPECT_EQ(eval(QStringLiteral("typeof calls")).toString(), QStringLiteral("object"));
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(loadsFinished, before);
}

TEST_F(Controller, NavigateToAnchor)
{
    ASSERT_TRUE(load(recordingPage(QStringLiteral("<div style=\"height:3000px\"></div><h2 id=\"it's\">x</h2><div style=\"height:3000px\"></div>")),
        kDoc, kBase));
    controller->navigateToAnchor(QStringLiteral("it's"));
    EXPECT_TRUE(waitFor(QStringLiteral("Math.abs(window.scrollY - document.getElementById(\"it's\").getBoundingClientRect().top - window.scrollY) < 2 && window.scrollY > 2000")));
    const int y = eval(QStringLiteral("window.scrollY")).toInt();
    controller->navigateToAnchor(QStringLiteral("missing"));
    EXPECT_EQ(eval(QStringLiteral("window.scrollY")).toInt(), y);
}

TEST_F(Controller, OneNeverSetUpObservesNothingAndIsDestroyedCleanly)
{
    controller.reset();
    auto idle = std::make_unique<BasePreviewController>();
    idle->setPreviewView(view.get());
    ASSERT_TRUE(loadHtml(recordingPage()));
    EXPECT_EQ(calls(), QString()) << "no load handler without set-up";
    platform::UserDefaults::standard().setValue(Prefs::PREVIEW_HIDE_JEKYLL_TABLES, false);
    platform::UserDefaults::standard().setValue(Prefs::PREVIEW_ENABLE_PRISM, false);
    EXPECT_EQ(calls(), QString()) << "no observation without set-up";
    idle.reset();
    platform::UserDefaults::standard().setValue(Prefs::PREVIEW_ENABLE_PRISM, true);
    EXPECT_EQ(calls(), QString());
}

TEST_F(Controller, DestroyedWithACountOutstandingGetsNoCallback)
{
    ASSERT_TRUE(load(recordingPage(QStringLiteral("<p>one two three</p>")), kDoc, kBase));
    bool called = false;
    controller->textCount([&](const DOMNodeTextCount&) { called = true; });
    controller.reset();
    EXPECT_EQ(eval(QStringLiteral("1")).toInt(), 1); // the count's script has answered by now
    EXPECT_FALSE(called);
    // and a live one answers
    BasePreviewController live;
    live.setPreviewView(view.get());
    DOMNodeTextCount count;
    bool answered = false;
    live.textCount([&](const DOMNodeTextCount& c) {
        count = c;
        answered = true;
    });
    ASSERT_TRUE(waitUntil([&] { return answered; }));
    EXPECT_EQ(count.words, 3u);
}
