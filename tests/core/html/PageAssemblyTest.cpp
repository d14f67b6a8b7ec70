#include "CorePrefs.h"
#include "HTML/HTMLFormatter.h"
#include "HTML/JSScripts.h"
#include "PageFixture.h"
#include "QtPrinters.h"
#include "Services/CustomCSSManager.h"
#include "Services/JSCallbackManager.h"
#include "Services/MarkdownFormatter.h"
#include "platform/StandardLocations.h"

#include <gtest/gtest.h>

using namespace penwick;
using namespace penwick::test;

namespace {

const QString kMathJax = QStringLiteral("file:///mj/MathJax.js?config=TeX");

class PageAssembly : public ::testing::Test {
protected:
    void everyPieceOn()
    {
        setBool(CorePrefs::PREVIEW_ENABLE_PRISM, true);
        setString(CorePrefs::PREVIEW_SYNTAX_STYLE, QStringLiteral("prism-coy"));
        setBool(CorePrefs::PREVIEW_ENABLE_MATHJAX, true);
        setString(CorePrefs::PREVIEW_MATHJAX_URL, kMathJax);
        setBool(CorePrefs::PREVIEW_PARSE_JEKYLL, true);
        setBool(CorePrefs::PREVIEW_ENABLE_GFM, false);
        ASSERT_TRUE(CustomCSSManager::sharedInstance().saveCustomCSS(QStringLiteral("h1 { color: blue; }")));
        ASSERT_TRUE(JSCallbackManager::sharedInstance().saveOnUpdateCallbackJS(QStringLiteral("update();")));
        storeScriptAssets({ asset(QStringLiteral("1"), QStringLiteral("a.css"), 1), asset(QStringLiteral("2"), QStringLiteral("b.js"), 2),
            asset(QStringLiteral("3"), QStringLiteral("c.css"), 3) });
    }

    void everyPieceOff()
    {
        setBool(CorePrefs::PREVIEW_ENABLE_PRISM, false);
        setBool(CorePrefs::PREVIEW_ENABLE_MATHJAX, false);
        setBool(CorePrefs::PREVIEW_PARSE_JEKYLL, false);
        setBool(CorePrefs::PREVIEW_ENABLE_GFM, true);
        ASSERT_TRUE(CustomCSSManager::sharedInstance().saveCustomCSS(QString()));
        ASSERT_TRUE(JSCallbackManager::sharedInstance().saveOnUpdateCallbackJS(QString()));
        storeScriptAssets({});
    }

    const QString res = platform::resourcesDirectory();
    const QString before = QStringLiteral("\n<link rel=\"stylesheet\" href=\"a.css\"></link>\n<link rel=\"stylesheet\" href=\"c.css\"></link>\n");
    const QString after = QStringLiteral("\n<script src=\"b.js\" type=\"text/javascript\"></script>\n");
    const QString userStyle = QStringLiteral("\n<style type=\"text/css\">h1 { color: blue; }</style>\n");
    const QString mathJax = QStringLiteral("<script type='text/javascript' src='") + kMathJax
        + QStringLiteral("'></script>\n<script type='text/javascript'>function reloadMathJax(){MathJax.Hub.Queue([\"Typeset\",MathJax.Hub]);}</script>");
};

} // namespace

TEST_F(PageAssembly, PreviewPageWithEveryPiece)
{
    everyPieceOn();
    const QString page = HTMLFormatter::formatContent(QStringLiteral("<p>Body</p>"), QStringLiteral("<link id=\"tags\">"),
        QStringLiteral("body{}"), QStringLiteral("T <b>"));
    const QString expected = QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"UTF-8\"><title>T <b></title>") + before
        + QStringLiteral("<link id=\"tags\">") + QStringLiteral("<link rel='stylesheet' href='") + res
        + QStringLiteral("/prismjs/CSS/prism-coy.css' data-noprefix />") + QStringLiteral("<style>body{}</style>") + userStyle
        + QStringLiteral("</head>\n<body><p>Body</p>") + QStringLiteral("<script type='text/javascript' src='") + res
        + QStringLiteral("/prismjs/prism.js'></script>\n<script type='text/javascript'>function reloadPrism(){Prism.highlightAll();}</script>")
        + mathJax + hideJekyllScript() + JSScripts::repairLocalImageScript() + repairMMDCodeScript() + after
        + QStringLiteral("\n<script>function penwickPreviewUpdateCallback(){update();\n}</script>\n") + QStringLiteral("</body>\n</html>");
    EXPECT_EQ(page, expected);
}

TEST_F(PageAssembly, PreviewPageWithNoOptionalPiece)
{
    everyPieceOff();
    EXPECT_EQ(HTMLFormatter::formatContent(QString(), QString(), QString(), QString()),
        QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"UTF-8\"><title></title><style></style></head>\n<body>")
            + JSScripts::repairLocalImageScript() + QStringLiteral("</body>\n</html>"));
}

TEST_F(PageAssembly, ExportPageWithEveryPiece)
{
    everyPieceOn();
    EXPECT_EQ(HTMLFormatter::formatForExport(QStringLiteral("<p>Body</p>"), QStringLiteral("body{}"), QStringLiteral("Doc")),
        QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"UTF-8\"><title>Doc</title>") + before
            + QStringLiteral("<style>body{}</style>") + userStyle + QStringLiteral("</head>\n<body><p>Body</p>") + mathJax + after
            + QStringLiteral("\n<script>document.addEventListener(\"DOMContentLoaded\", function(event) {update();});</script>\n")
            + QStringLiteral("</body>\n</html>"));
}

TEST_F(PageAssembly, ExportPageWithNoOptionalPiece)
{
    everyPieceOff();
    EXPECT_EQ(HTMLFormatter::formatForExport(QStringLiteral("<p>Body</p>"), QStringLiteral("body{}"), QStringLiteral("Doc")),
        QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"UTF-8\"><title>Doc</title><style>body{}</style></head>\n<body><p>Body</p></body>\n</html>"));
}

TEST_F(PageAssembly, ExportPageWithoutStylesWithEveryPiece)
{
    everyPieceOn();
    EXPECT_EQ(HTMLFormatter::formatForExportWithoutCSS(QStringLiteral("<p>Body</p>"), QStringLiteral("Doc")),
        QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"UTF-8\"><title>Doc</title>") + before
            + QStringLiteral("</head>\n<body><p>Body</p>") + mathJax + after + QStringLiteral("</body>")
            + QStringLiteral("\n<script>document.addEventListener(\"DOMContentLoaded\", function(event) {update();});</script>\n")
            + QStringLiteral("\n</html>"));
}

TEST_F(PageAssembly, ExportPageWithoutStylesWithNoOptionalPiece)
{
    everyPieceOff();
    EXPECT_EQ(HTMLFormatter::formatForExportWithoutCSS(QStringLiteral("<p>Body</p>"), QStringLiteral("Doc")),
        QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"UTF-8\"><title>Doc</title></head>\n<body><p>Body</p></body>\n</html>"));
}

TEST_F(PageAssembly, FormatForPreview)
{
    everyPieceOff();
    setBool(CorePrefs::PREVIEW_PARSE_JEKYLL, true);
    setBool(CorePrefs::PREVIEW_ENABLE_OUTLINE, true);
    const RenderingResult r = MarkdownFormatter::formatForPreview(QStringLiteral("---\ntitle: A\n---\n# Hi\n"),
        QUrl(QStringLiteral("file:///styles/my style.css")), QStringLiteral("Title"));
    EXPECT_EQ(r.markdown,
        QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"UTF-8\"><title>Title</title>"
                       "<link rel=\"stylesheet\" type=\"text/CSS\" href=\"file:///styles/my%20style.css\">\n"
                       "<style>li.task-list-item{list-style:none}</style></head>\n<body><h1 id=\"hi\">Hi</h1>\n")
            + hideJekyllScript() + JSScripts::repairLocalImageScript() + QStringLiteral("</body>\n</html>"));
    // the table stays out of the page; the caller places it
    ASSERT_TRUE(r.frontMatterTable);
    EXPECT_FALSE(r.markdown.contains(QStringLiteral("jekyll-table\">")));
    ASSERT_TRUE(r.rawfrontMatter);
    EXPECT_EQ(r.rawfrontMatter->value(QStringLiteral("title")).toString(), QStringLiteral("A"));

    const RenderingResult none = MarkdownFormatter::formatForPreview(std::nullopt, std::nullopt, std::nullopt);
    EXPECT_EQ(none.markdown, QString());
    EXPECT_FALSE(none.frontMatterTable);
    EXPECT_FALSE(none.rawfrontMatter);

    setBool(CorePrefs::PREVIEW_PARSE_JEKYLL, false);
    const RenderingResult whole = MarkdownFormatter::formatForPreview(QStringLiteral("---\ntitle: A\n---\n# Hi\n"), std::nullopt, std::nullopt);
    EXPECT_FALSE(whole.frontMatterTable);
    EXPECT_TRUE(whole.markdown.contains(QStringLiteral("title: A")));
    EXPECT_TRUE(whole.markdown.contains(QStringLiteral("<link rel=\"stylesheet\" type=\"text/CSS\" href=\"\">\n")));
}

TEST_F(PageAssembly, UserStyleSheetComesAfterAllOtherStyles)
{
    everyPieceOn();
    const QString page = HTMLFormatter::formatContent(QString(), QString(), QStringLiteral("p{}"), QString());
    EXPECT_EQ(page.count(QStringLiteral("<style type=\"text/css\">")), 1);
    EXPECT_LT(page.indexOf(QStringLiteral("<style>p{}</style>")), page.indexOf(userStyle));
    EXPECT_EQ(page.indexOf(userStyle) + userStyle.size(), page.indexOf(QStringLiteral("</head>")));
}
