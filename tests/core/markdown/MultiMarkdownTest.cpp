#include "Services/TVXMarkdownFormatter.h"

#include <QRegularExpression>

#include "HeadingIds.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

using penwick::TVXMarkdownFormatter;

namespace {
QString mmd(const QString& text, bool anchors = true)
{
    return TVXMarkdownFormatter::renderMultiMarkdown(text, anchors);
}
} // namespace

TEST(MultiMarkdown, HeadingLabelTable)
{
    struct Case { QString heading; QString id; };
    const Case cases[] = {
        { QStringLiteral("## Hello, World! (v2.0)"), QStringLiteral("helloworldv2.0") },
        { QStringLiteral("# Hello World"), QStringLiteral("helloworld") },
        { QStringLiteral("# *Emphasis* and `code`"), QStringLiteral("emphasisandcode") },
        { QStringLiteral("# A & B <b>bold</b>"), QStringLiteral("abbold") },
        { QStringLiteral("# Time: 10:30 a.m. -- \"quoted\""), QStringLiteral("time:10:30a.m.--quoted") },
        { QStringLiteral("# snake_case-dash"), QStringLiteral("snake_case-dash") },
        { QStringLiteral("# Ünïcödé Straße"), QStringLiteral("Ünïcödéstraße") },
        { QStringLiteral("# 日本語 タイトル"), QStringLiteral("日本語タイトル") },
    };
    for (const Case& c : cases) {
        const QString html = mmd(c.heading);
        EXPECT_EQ(headingIds(html), QStringList { c.id }) << qPrintable(c.heading) << " -> " << qPrintable(html);
    }
}

TEST(MultiMarkdown, RepeatedHeadingsShareTheLabelOfTheFirst)
{
    const QString html = mmd(QStringLiteral("# Intro\n\ntext\n\n## Intro\n\n# Other\n"));
    EXPECT_EQ(headingIds(html), (QStringList { QStringLiteral("intro"), QStringLiteral("intro"), QStringLiteral("other") }));
    EXPECT_EQ(headingIds(mmd(QStringLiteral("## Intro"))), QStringList { QStringLiteral("intro") });
}

TEST(MultiMarkdown, NoLabelsWithoutAnchors)
{
    const QString html = mmd(QStringLiteral("# Hello\n\n## World\n"), false);
    EXPECT_FALSE(html.contains(QStringLiteral("id="))) << qPrintable(html);
    EXPECT_FALSE(html.contains(QStringLiteral("name="))) << qPrintable(html);
    EXPECT_TRUE(html.contains(QStringLiteral("<h1>Hello</h1>")));
}

TEST(MultiMarkdown, Dialect)
{
    // a bullet list followed by a numbered list stays two lists
    const QString lists = mmd(QStringLiteral("- a\n- b\n1. c\n2. d\n"));
    EXPECT_EQ(lists.count(QStringLiteral("<ul>")), 1) << qPrintable(lists);
    EXPECT_EQ(lists.count(QStringLiteral("<ol>")), 1) << qPrintable(lists);
    // style elements are kept in place
    EXPECT_TRUE(mmd(QStringLiteral("<style>p { color: red; }</style>\n\ntext\n")).contains(QStringLiteral("<style>p { color: red; }</style>")));
    // a first line starting with "%" is text, not a title header
    EXPECT_TRUE(mmd(QStringLiteral("% Title\n\nbody\n")).contains(QStringLiteral("% Title")));
    // fenced code keeps a bare class
    EXPECT_TRUE(mmd(QStringLiteral("```python\nx = 1\n```\n")).contains(QStringLiteral("<code class=\"python\">")));
    // smart punctuation, footnotes, definition lists
    const QString text = mmd(QStringLiteral("He said \"hi\"[^n].\n\n[^n]: A note.\n\nTerm\n: Definition\n"));
    EXPECT_TRUE(text.contains(QStringLiteral("&ldquo;hi&rdquo;"))) << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("footnote"))) << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("<dt>Term</dt>"))) << qPrintable(text);
    // no superscript
    EXPECT_FALSE(mmd(QStringLiteral("a^b\n")).contains(QStringLiteral("<sup>")));
}

TEST(MultiMarkdown, ExtensionValues)
{
    EXPECT_EQ(TVXMarkdownFormatter::kBaseExtensions, 0x430u);
    EXPECT_EQ(TVXMarkdownFormatter::kBaseExtensions | TVXMarkdownFormatter::EXT_NO_LABELS, 0x470u);
    EXPECT_EQ(TVXMarkdownFormatter::renderWithExtensions(QStringLiteral("x"), 0x430, 2), TVXMarkdownFormatter::kParseFailure);
}

TEST(MultiMarkdown, InputIsCutAtTheFirstNul)
{
    QString text = QStringLiteral("before");
    text += QChar(0);
    text += QStringLiteral(" after");
    const QString html = mmd(text);
    EXPECT_TRUE(html.contains(QStringLiteral("before")));
    EXPECT_FALSE(html.contains(QStringLiteral("after")));
}

TEST(MultiMarkdown, DeepNestingRendersAsText)
{
    // Real documents nest a few levels: those render as nested quotes and lists.
    const QString shallow = mmd(QStringLiteral("> > > deep\n\n- a\n    - b\n"));
    EXPECT_EQ(shallow.count(QStringLiteral("<blockquote>")), 3) << qPrintable(shallow);
    EXPECT_EQ(shallow.count(QStringLiteral("<ul>")), 2) << qPrintable(shallow);
    // Nesting far beyond that is passed on as text, and every such file renders.
    struct Case {
        const char* name;
        QString text;
    };
    const Case cases[] = {
        { "a line of quote markers", QString(40000, QLatin1Char('>')) + QStringLiteral(" end") },
        { "quote markers with spaces", QStringLiteral("> ").repeated(40000) + QStringLiteral("end") },
        { "quotes and list items", QStringLiteral("> - ").repeated(20000) + QStringLiteral("end") },
        { "numbered items", QStringLiteral("1. ").repeated(40000) + QStringLiteral("end") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString html = mmd(c.text);
        EXPECT_NE(html, TVXMarkdownFormatter::kParseFailure);
        EXPECT_TRUE(html.contains(QStringLiteral("end"))) << qPrintable(html.right(200));
        EXPECT_LE(html.count(QStringLiteral("<blockquote>")) + html.count(QStringLiteral("<li>")), 101);
        EXPECT_GE(html.count(QStringLiteral("<blockquote>")) + html.count(QStringLiteral("<li>")), 50);
    }
}

TEST(MultiMarkdown, LinkPseudoProtocolsAreOff)
{
    for (const char* scheme : { "class", "id", "raw", "abbr" }) {
        SCOPED_TRACE(scheme);
        const QString html = mmd(QStringLiteral("[t](%1:foo)").arg(QLatin1String(scheme)));
        // The engine leaves such a link as the text that was typed.
        EXPECT_TRUE(html.contains(QStringLiteral("[t](%1:foo)").arg(QLatin1String(scheme)))) << qPrintable(html);
        EXPECT_FALSE(html.contains(QStringLiteral("<span"))) << qPrintable(html);
        EXPECT_FALSE(html.contains(QStringLiteral("<abbr"))) << qPrintable(html);
    }
    EXPECT_TRUE(mmd(QStringLiteral("[t](other:foo)")).contains(QStringLiteral("<a href=\"other:foo\">t</a>")));
}
