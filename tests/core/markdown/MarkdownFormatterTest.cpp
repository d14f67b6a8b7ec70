#include "CorePrefs.h"
#include "Extensions/MarkdownStringAdditions.h"
#include "Services/MarkdownFormatter.h"
#include "Services/TVXMarkdownFormatter.h"
#include "platform/UserDefaults.h"

#include <QRegularExpression>

#include "QtPrinters.h"

#include <gtest/gtest.h>

using namespace penwick;
using platform::UserDefaults;

namespace {

class MarkdownFormatterTest : public ::testing::Test {
protected:
    void set(const QString& key, bool on) { UserDefaults::standard().setValue(key, on); }
    void SetUp() override
    {
        set(CorePrefs::PREVIEW_ENABLE_GFM, true);
        set(CorePrefs::PREVIEW_ENABLE_OUTLINE, true);
        set(CorePrefs::PREVIEW_RENDER_NEWLINE, false);
        set(CorePrefs::PREVIEW_PARSE_JEKYLL, true);
    }
};

const QString kDocument = QStringLiteral("---\ntitle: A\n---\n# Heading\n");
const QString kTitleTable = QStringLiteral(
    "<table class=\"jekyll-table\"><thead><tr><th>title</th></tr></thead><tbody><tr><td>A</td></tr></tbody></table>");

} // namespace

TEST_F(MarkdownFormatterTest, FrontMatterOn)
{
    const RenderingResult r = MarkdownFormatter::formatRawContent(kDocument, true);
    EXPECT_EQ(r.markdown, QStringLiteral("<h1 id=\"heading\">Heading</h1>\n"));
    ASSERT_TRUE(r.frontMatterTable);
    EXPECT_EQ(*r.frontMatterTable, kTitleTable);
    ASSERT_TRUE(r.rawfrontMatter);
    EXPECT_EQ(r.rawfrontMatter->keys(), QStringList { QStringLiteral("title") });
    EXPECT_EQ(r.rawfrontMatter->value(QStringLiteral("title")).toString(), QStringLiteral("A"));

    const JekyllTableResult w = MarkdownFormatter::formatRawContentWithJekyllTable(kDocument);
    EXPECT_EQ(w.markdown, r.markdown);
    EXPECT_EQ(w.frontMatterTable, kTitleTable);
}

TEST_F(MarkdownFormatterTest, FrontMatterOff)
{
    set(CorePrefs::PREVIEW_PARSE_JEKYLL, false);
    const JekyllTableResult w = MarkdownFormatter::formatRawContentWithJekyllTable(kDocument);
    EXPECT_EQ(w.frontMatterTable, QString());
    EXPECT_TRUE(w.markdown.startsWith(QStringLiteral("<hr />"))) << qPrintable(w.markdown);
    EXPECT_TRUE(w.markdown.contains(QStringLiteral("title: A"))) << qPrintable(w.markdown);

    const RenderingResult r = MarkdownFormatter::formatRawContent(kDocument, false);
    EXPECT_FALSE(r.frontMatterTable);
    EXPECT_FALSE(r.rawfrontMatter);
}

TEST_F(MarkdownFormatterTest, SequenceAndScalarFrontMatter)
{
    const RenderingResult seq = MarkdownFormatter::formatRawContent(QStringLiteral("---\n- a\n- b\n---\nx\n"), true);
    ASSERT_TRUE(seq.frontMatterTable);
    EXPECT_EQ(*seq.frontMatterTable, QStringLiteral("<table class=\"jekyll-table\"><tbody><tr><td>a</td><td>b</td></tr></tbody></table>"));
    EXPECT_FALSE(seq.rawfrontMatter);
    EXPECT_EQ(seq.markdown, QStringLiteral("<p>x</p>\n"));

    const RenderingResult scalar = MarkdownFormatter::formatRawContent(QStringLiteral("---\na <b> & c\n---\nx\n"), true);
    ASSERT_TRUE(scalar.frontMatterTable);
    EXPECT_EQ(*scalar.frontMatterTable, QStringLiteral("a &lt;b&gt; &amp; c"));
    EXPECT_FALSE(scalar.rawfrontMatter);
}

TEST_F(MarkdownFormatterTest, InvalidFrontMatterRendersTheWholeText)
{
    const RenderingResult r = MarkdownFormatter::formatRawContent(QStringLiteral("---\nkey: [x\n---\nbody\n"), true);
    EXPECT_FALSE(r.frontMatterTable);
    EXPECT_FALSE(r.rawfrontMatter);
    EXPECT_TRUE(r.markdown.contains(QStringLiteral("key: [x"))) << qPrintable(r.markdown);
}

TEST_F(MarkdownFormatterTest, OutlineOffGivesNoIdsFromEitherEngine)
{
    set(CorePrefs::PREVIEW_ENABLE_OUTLINE, false);
    for (bool gfm : { true, false }) {
        set(CorePrefs::PREVIEW_ENABLE_GFM, gfm);
        const QString html = MarkdownFormatter::formatRawContent(std::optional<QString>(QStringLiteral("# One\n\n## Two\n")));
        EXPECT_FALSE(html.contains(QStringLiteral("id="))) << gfm << qPrintable(html);
        EXPECT_TRUE(html.contains(QStringLiteral("<h1>One</h1>"))) << gfm << qPrintable(html);
    }
    set(CorePrefs::PREVIEW_ENABLE_OUTLINE, true);
    for (bool gfm : { true, false }) {
        set(CorePrefs::PREVIEW_ENABLE_GFM, gfm);
        const QString html = MarkdownFormatter::formatRawContent(std::optional<QString>(QStringLiteral("# One\n")));
        EXPECT_TRUE(html.contains(QStringLiteral("<h1 id=\"one\">One</h1>"))) << gfm << qPrintable(html);
    }
}

TEST_F(MarkdownFormatterTest, EngineChoiceFollowsTheSetting)
{
    const QString text = QStringLiteral("```python\nx\n```\n");
    set(CorePrefs::PREVIEW_ENABLE_GFM, true);
    EXPECT_EQ(MarkdownFormatter::formatRawContent(std::optional<QString>(text)), renderAsMarkdownByAddingHeaderIds(text, true, false));
    set(CorePrefs::PREVIEW_ENABLE_GFM, false);
    EXPECT_EQ(MarkdownFormatter::formatRawContent(std::optional<QString>(text)), TVXMarkdownFormatter::renderMultiMarkdown(text, true));
}

TEST_F(MarkdownFormatterTest, HardWrapChangesGFMOnly)
{
    const QString text = QStringLiteral("one\ntwo\n");
    QString gfm[2], mmd[2];
    for (int wrap : { 0, 1 }) {
        set(CorePrefs::PREVIEW_RENDER_NEWLINE, wrap == 1);
        set(CorePrefs::PREVIEW_ENABLE_GFM, true);
        gfm[wrap] = MarkdownFormatter::formatRawContent(std::optional<QString>(text));
        set(CorePrefs::PREVIEW_ENABLE_GFM, false);
        mmd[wrap] = MarkdownFormatter::formatRawContent(std::optional<QString>(text));
    }
    EXPECT_NE(gfm[0], gfm[1]);
    EXPECT_TRUE(gfm[1].contains(QStringLiteral("<br />")));
    EXPECT_EQ(mmd[0], mmd[1]);
}

TEST_F(MarkdownFormatterTest, AbsentTextGivesEmpty)
{
    EXPECT_EQ(MarkdownFormatter::formatRawContent(std::optional<QString>()), QString());
    const JekyllTableResult w = MarkdownFormatter::formatRawContentWithJekyllTable(std::nullopt);
    EXPECT_TRUE(w.markdown.isEmpty());
    EXPECT_TRUE(w.frontMatterTable.isEmpty());
    const RenderingResult real = MarkdownFormatter::formatForRealPreview(std::nullopt);
    EXPECT_TRUE(real.markdown.isEmpty());
    EXPECT_FALSE(real.frontMatterTable);
    EXPECT_FALSE(real.rawfrontMatter);
}

TEST_F(MarkdownFormatterTest, RealPreviewSplitsFrontMatterWhateverTheSetting)
{
    set(CorePrefs::PREVIEW_PARSE_JEKYLL, false);
    const RenderingResult r = MarkdownFormatter::formatForRealPreview(kDocument);
    EXPECT_EQ(r.markdown, QStringLiteral("<h1 id=\"heading\">Heading</h1>\n"));
    ASSERT_TRUE(r.frontMatterTable);
    EXPECT_EQ(*r.frontMatterTable, kTitleTable);
    ASSERT_TRUE(r.rawfrontMatter);
}

TEST_F(MarkdownFormatterTest, BothEnginesSatisfyTheOutlinePattern)
{
    const QRegularExpression outline(QStringLiteral("<(h([1-6]))\\s*id=\"(.+)\">(.+)<"));
    const QString text = QStringLiteral("# First *one*\n\nPara\n\n## Second `two`\n\nSetext\n---\n");
    for (bool gfm : { true, false }) {
        set(CorePrefs::PREVIEW_ENABLE_GFM, gfm);
        const QString html = MarkdownFormatter::formatRawContent(std::optional<QString>(text));
        int count = 0;
        for (const QString& line : html.split(QLatin1Char('\n'))) {
            if (!line.startsWith(QStringLiteral("<h")))
                continue;
            EXPECT_TRUE(outline.match(line).hasMatch()) << gfm << qPrintable(line);
            ++count;
        }
        EXPECT_EQ(count, 3) << gfm << qPrintable(html);
    }
}
