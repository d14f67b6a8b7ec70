#include "CorePrefs.h"
#include "Extensions/MathSpans.h"
#include "Services/MarkdownFormatter.h"
#include "platform/UserDefaults.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

using namespace penwick;
using platform::UserDefaults;

namespace {

class MathSpansTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        set(CorePrefs::PREVIEW_ENABLE_GFM, true);
        set(CorePrefs::PREVIEW_ENABLE_OUTLINE, false);
        set(CorePrefs::PREVIEW_RENDER_NEWLINE, false);
        set(CorePrefs::PREVIEW_PARSE_JEKYLL, true);
        set(CorePrefs::PREVIEW_ENABLE_MATHJAX, true);
    }
    void TearDown() override { set(CorePrefs::PREVIEW_ENABLE_MATHJAX, false); }
    static void set(const QString& key, bool on) { UserDefaults::standard().setValue(key, on); }
    static QString render(const QString& text) { return MarkdownFormatter::formatRawContent(std::optional<QString>(text)); }
};

} // namespace

TEST_F(MathSpansTest, FormulasReachThePageAsTyped)
{
    struct Case {
        const char* name;
        QString markdown;
        QString html;
    };
    const Case cases[] = {
        { "display dollars", "$$x_1*y_1*z$$", "<p>$$x_1*y_1*z$$</p>\n" },
        { "inline dollars", "a $x_1*y_1*z$ b", "<p>a $x_1*y_1*z$ b</p>\n" },
        { "inline parentheses", "a \\(x_1*y_1*z\\) b", "<p>a \\(x_1*y_1*z\\) b</p>\n" },
        { "display brackets", "\\[x_1*y_1*z\\]", "<p>\\[x_1*y_1*z\\]</p>\n" },
        { "backslashes and braces", "$\\frac{a}{b} \\\\ [c](d)$", "<p>$\\frac{a}{b} \\\\ [c](d)$</p>\n" },
        { "markup characters", "$a<b & c>d | e~f~ `g`$", "<p>$a&lt;b &amp; c&gt;d | e~f~ `g`$</p>\n" },
        { "a display block over lines", "$$\n- x + y\n= z_1*z_2*\n$$", "<p>$$\n- x + y\n= z_1*z_2*\n$$</p>\n" },
        { "inside a quote", "> $$a_1*b_1*c\n> d_1*e_1$$", "<blockquote>\n<p>$$a_1*b_1*c\nd_1*e_1$$</p>\n</blockquote>\n" },
        { "inside a list item", "- item $x_1*y_1*$", "<ul>\n<li>item $x_1*y_1*$</li>\n</ul>\n" },
        { "emphasis outside stays", "*a* $b*c*d$ *e*", "<p><em>a</em> $b*c*d$ <em>e</em></p>\n" },
        // What is no formula keeps its dollars as text, and Markdown around them works.
        { "prices", "$5 and *x* and $6", "<p>$5 and <em>x</em> and $6</p>\n" },
        { "a blank after the opener", "$ a*b*c $", "<p>$ a<em>b</em>c $</p>\n" },
        { "escaped dollars", "\\$a*b*c\\$", "<p>$a<em>b</em>c$</p>\n" },
        { "no formula across a blank line", "$$a*b*\n\nc$$", "<p>$$a<em>b</em></p>\n<p>c$$</p>\n" },
        { "a code span", "`$a*b*c$`", "<p><code>$a*b*c$</code></p>\n" },
        { "a fenced code block", "```\n$$x_1*y_1$$\n```", "<pre><code>$$x_1*y_1$$\n</code></pre>\n" },
        { "an indented code block", "text\n\n    $x_1*y_1$\n", "<p>text</p>\n<pre><code>$x_1*y_1$\n</code></pre>\n" },
        { "a fence in a list item", "- ```\n  $a_b$\n  ```", "<ul>\n<li>\n<pre><code>$a_b$\n</code></pre>\n</li>\n</ul>\n" },
        { "an HTML block", "<div title=\"$a_b$\">\n$x_1$\n</div>", "<div title=\"$a_b$\">\n$x_1$\n</div>\n" },
        { "a link address", "[l](http://e.org/$a_b$)", "<p><a href=\"http://e.org/$a_b$\">l</a></p>\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(render(c.markdown), c.html);
    }
}

TEST_F(MathSpansTest, WithMathsOffTheTextIsRenderedAsMarkdown)
{
    set(CorePrefs::PREVIEW_ENABLE_MATHJAX, false);
    EXPECT_EQ(render("$$x_1*y_1*z$$"), "<p>$$x_1<em>y_1</em>z$$</p>\n");
    EXPECT_EQ(protectMathSpans("no formula here *a*"), "no formula here *a*");
}

TEST_F(MathSpansTest, TheSecondEnginePassesTheDelimitedFormulasThrough)
{
    set(CorePrefs::PREVIEW_ENABLE_GFM, false);
    for (const QString& formula : { QStringLiteral("$$x_1*y_1*z$$"), QStringLiteral("\\(x_1*y_1*z\\)"), QStringLiteral("\\[x_1*y_1*z\\]") }) {
        SCOPED_TRACE(formula.toStdString());
        EXPECT_TRUE(render(QStringLiteral("a ") + formula + QStringLiteral(" b")).contains(formula));
    }
    EXPECT_TRUE(render("`$a*b*c$`").contains("<code>$a*b*c$</code>"));
}
