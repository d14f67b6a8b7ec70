#include "CorePrefs.h"
#include "CoreSetup.h"
#include "HTML/CSSLinks.h"
#include "HTML/JSScripts.h"
#include "PageFixture.h"
#include "QtPrinters.h"
#include "Services/JSCallbackManager.h"
#include "platform/StandardLocations.h"
#include "platform/UserDefaults.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace penwick;
using namespace penwick::test;

TEST(JSScripts, MathJax)
{
    setBool(CorePrefs::PREVIEW_ENABLE_MATHJAX, false);
    setString(CorePrefs::PREVIEW_MATHJAX_URL, QStringLiteral("file:///mj/MathJax.js"));
    EXPECT_EQ(JSScripts::mathJaxScript(), QString());

    setBool(CorePrefs::PREVIEW_ENABLE_MATHJAX, true);
    EXPECT_EQ(JSScripts::mathJaxScript(),
        QStringLiteral("<script type='text/javascript' src='file:///mj/MathJax.js'></script>\n"
                       "<script type='text/javascript'>function reloadMathJax(){MathJax.Hub.Queue([\"Typeset\",MathJax.Hub]);}</script>"));

    setString(CorePrefs::PREVIEW_MATHJAX_URL, QString(QLatin1String("")));
    EXPECT_EQ(JSScripts::mathJaxScript(),
        QStringLiteral("<script type='text/javascript' src=''></script>\n"
                       "<script type='text/javascript'>function reloadMathJax(){MathJax.Hub.Queue([\"Typeset\",MathJax.Hub]);}</script>"));

    unsetSetting(CorePrefs::PREVIEW_MATHJAX_URL);
    EXPECT_EQ(JSScripts::mathJaxScript(), QString());
}

TEST(JSScripts, Prism)
{
    const QString resources = platform::resourcesDirectory();
    ASSERT_FALSE(resources.isEmpty());
    setBool(CorePrefs::PREVIEW_ENABLE_PRISM, true);
    EXPECT_EQ(JSScripts::prismScript(),
        QStringLiteral("<script type='text/javascript' src='") + resources
            + QStringLiteral("/prismjs/prism.js'></script>\n<script type='text/javascript'>function reloadPrism(){Prism.highlightAll();}</script>"));
    setBool(CorePrefs::PREVIEW_ENABLE_PRISM, false);
    EXPECT_EQ(JSScripts::prismScript(), QString());
}

TEST(JSScripts, JekyllAndMultiMarkdownRepair)
{
    setBool(CorePrefs::PREVIEW_PARSE_JEKYLL, true);
    EXPECT_EQ(JSScripts::jekyllScript(), hideJekyllScript());
    setBool(CorePrefs::PREVIEW_PARSE_JEKYLL, false);
    EXPECT_EQ(JSScripts::jekyllScript(), QString());

    setBool(CorePrefs::PREVIEW_ENABLE_GFM, true);
    EXPECT_EQ(JSScripts::repairMMDCodeScript(), QString());
    setBool(CorePrefs::PREVIEW_ENABLE_GFM, false);
    EXPECT_EQ(JSScripts::repairMMDCodeScript(), repairMMDCodeScript());
}

TEST(JSScripts, LocalImageScriptIsNeverEmpty)
{
    for (bool on : { true, false }) {
        setBool(CorePrefs::PREVIEW_ENABLE_GFM, on);
        setBool(CorePrefs::PREVIEW_PARSE_JEKYLL, on);
        const QString script = JSScripts::repairLocalImageScript();
        EXPECT_EQ(script, QStringLiteral("<script>") + JSScripts::repairLocalImageSourcesFunc() + QStringLiteral("</script>"));
        EXPECT_TRUE(script.contains(QStringLiteral("function repairLocalImageSources(baseUrl)")));
    }
    // the absolute-path root is a folder path ending in "/" and is what the script tests for
    const QString root = JSScripts::absoluteImageRoot();
    EXPECT_TRUE(root.startsWith(QLatin1Char('/')) && root.endsWith(QLatin1Char('/'))) << root.toStdString();
    EXPECT_TRUE(JSScripts::repairLocalImageSourcesFunc().contains(QStringLiteral("path.indexOf('") + root + QStringLiteral("') == 0")));
    EXPECT_FALSE(JSScripts::repairLocalImageSourcesFunc().contains(QStringLiteral("/Users/")));
}

TEST(JSScripts, PageFunctionsAreNamedDefinitions)
{
    EXPECT_TRUE(JSScripts::repairRemoteImageSourcesFunc().startsWith(QStringLiteral("function repairRemoteImageSources(url){")));
    EXPECT_TRUE(JSScripts::repairLinkHrefsFunc().startsWith(QStringLiteral("function repairLinkHrefs(url){")));
    EXPECT_TRUE(JSScripts::mediumClassInjectionFunc().startsWith(QStringLiteral("function addClasses(){")));
}

TEST(JSScripts, UpdateCallbackWrappers)
{
    JSCallbackManager& store = JSCallbackManager::sharedInstance();
    ASSERT_TRUE(store.saveOnUpdateCallbackJS(QStringLiteral("console.log('x');")));
    EXPECT_EQ(JSScripts::onUpdateCallbackScript(),
        QStringLiteral("\n<script>function penwickPreviewUpdateCallback(){console.log('x');\n}</script>\n"));
    EXPECT_EQ(JSScripts::onUpdateCallbackScriptForExport(),
        QStringLiteral("\n<script>document.addEventListener(\"DOMContentLoaded\", function(event) {console.log('x');});</script>\n"));

    ASSERT_TRUE(store.saveOnUpdateCallbackJS(QStringLiteral("  ")));
    EXPECT_EQ(JSScripts::onUpdateCallbackScript(), QStringLiteral("\n<script>function penwickPreviewUpdateCallback(){  \n}</script>\n"));

    ASSERT_TRUE(store.saveOnUpdateCallbackJS(QString()));
    EXPECT_EQ(JSScripts::onUpdateCallbackScript(), std::nullopt);
    EXPECT_EQ(JSScripts::onUpdateCallbackScriptForExport(), std::nullopt);
}

TEST(CSSLinks, StyleSheetLink)
{
    EXPECT_EQ(CSSLinks::styleSheetLinkForURL(QStringLiteral("file:///a b/s.css?x=\"1\"")),
        QStringLiteral("<link rel=\"stylesheet\" type=\"text/CSS\" href=\"file:///a b/s.css?x=\"1\"\">\n"));
    EXPECT_EQ(CSSLinks::styleSheetLinkForURL(QString()), QStringLiteral("<link rel=\"stylesheet\" type=\"text/CSS\" href=\"\">\n"));
}

TEST(CSSLinks, PrismStyleSheet)
{
    const QString resources = platform::resourcesDirectory();
    setBool(CorePrefs::PREVIEW_ENABLE_PRISM, true);
    setString(CorePrefs::PREVIEW_SYNTAX_STYLE, QStringLiteral("prism-okaidia"));
    EXPECT_EQ(CSSLinks::prismStyleSheet(),
        QStringLiteral("<link rel='stylesheet' href='") + resources + QStringLiteral("/prismjs/CSS/prism-okaidia.css' data-noprefix />"));
    unsetSetting(CorePrefs::PREVIEW_SYNTAX_STYLE);
    EXPECT_EQ(CSSLinks::prismStyleSheet(), QString());
    setString(CorePrefs::PREVIEW_SYNTAX_STYLE, QStringLiteral("prism"));
    setBool(CorePrefs::PREVIEW_ENABLE_PRISM, false);
    EXPECT_EQ(CSSLinks::prismStyleSheet(), QString());
}

TEST(CSSLinks, EveryThemeNamedByTheDefaultsExistsInTheResources)
{
    // the bundled default theme is one of the copied style sheets
    platform::UserDefaults::standard().removeObject(CorePrefs::PREVIEW_SYNTAX_STYLE);
    registerBundledDefaults();
    const QString theme = platform::UserDefaults::standard().stringForKey(CorePrefs::PREVIEW_SYNTAX_STYLE);
    EXPECT_TRUE(QFile::exists(platform::resourcesDirectory() + QStringLiteral("/prismjs/CSS/") + theme + QStringLiteral(".css"))) << theme.toStdString();
    EXPECT_TRUE(QFile::exists(platform::resourcesDirectory() + QStringLiteral("/prismjs/prism.js")));
}

TEST(JSScripts, NoResourcesFolderGivesNoPrism)
{
    setBool(CorePrefs::PREVIEW_ENABLE_PRISM, true);
    setString(CorePrefs::PREVIEW_SYNTAX_STYLE, QStringLiteral("prism"));
    const QByteArray saved = qgetenv("PENWICK_RESOURCES");
    qputenv("PENWICK_RESOURCES", QByteArrayLiteral("/nonexistent/penwick/resources"));
    const QString script = JSScripts::prismScript();
    const QString link = CSSLinks::prismStyleSheet();
    if (saved.isEmpty())
        qunsetenv("PENWICK_RESOURCES");
    else
        qputenv("PENWICK_RESOURCES", saved);
    EXPECT_EQ(script, QString());
    EXPECT_EQ(link, QString());
    EXPECT_FALSE(JSScripts::prismScript().isEmpty());
}
