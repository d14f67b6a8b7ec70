#include "Extensions/GFMBlocks.h"
#include "Extensions/MarkdownStringAdditions.h"

#include <QRegularExpression>
#include <QSet>

#include <random>

#include "HeadingIds.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

using namespace penwick;

namespace {
QString gfm(const QString& text, bool ids = true, bool hardWrap = false)
{
    return renderAsMarkdownByAddingHeaderIds(text, ids, hardWrap);
}

// Makes `steps` random edits of `document` with the snippets (mostly at line starts, where they
// change the blocks), starting again from `document` every `restartEvery` steps, and checks that rendering each text right after the one before, which
// reuses what did not change, gives what rendering it afresh gives.
void expectEditsRenderAsFresh(const QString& document, const QStringList& snippets, unsigned seed, int steps, int restartEvery = 0)
{
    std::mt19937 random(seed);
    for (const bool ids : { true, false }) {
        for (const bool hardWrap : { false, true }) {
            QString text = document;
            for (int step = 0; step < steps; ++step) {
                QString next = text;
                const qsizetype at = qsizetype(random() % quint32(next.size() + 1));
                const qsizetype line = next.lastIndexOf(QLatin1Char('\n'), at - 1) + 1;
                switch (random() % 4) {
                case 0:
                case 1:
                    next.insert(line, snippets.at(qsizetype(random() % quint32(snippets.size()))));
                    break;
                case 2:
                    next.remove(line, std::min<qsizetype>(next.indexOf(QLatin1Char('\n'), line) + 1 - line, 40));
                    break;
                default:
                    next.insert(at, QStringLiteral("x"));
                    break;
                }
                if (next.size() > 2000 || (restartEvery > 0 && step % restartEvery == 0))
                    next = document;
                SCOPED_TRACE(("step " + QString::number(step) + ":\n" + next).toStdString());
                gfm(text, ids, hardWrap);
                const QString reused = gfm(next, ids, hardWrap);
                gfm(QString(), ids, hardWrap);
                ASSERT_EQ(reused, gfm(next, ids, hardWrap));
                text = next;
            }
        }
    }
}
} // namespace

TEST(GFMRender, HeadingIdTable)
{
    struct Case { QString heading; QString id; };
    const Case cases[] = {
        { QStringLiteral("# Hello World"), QStringLiteral("hello-world") },
        { QStringLiteral("## Hello, World! (v2.0)"), QStringLiteral("hello-world-v20") },
        { QStringLiteral("### snake_case and-dash"), QStringLiteral("snake_case-and-dash") },
        { QStringLiteral("# *Emphasis* and `code`"), QStringLiteral("emphasis-and-code") },
        { QStringLiteral("# Ünïcödé Straße"), QStringLiteral("Ünïcödé-straße") },
        { QStringLiteral("# 日本語 タイトル"), QStringLiteral("日本語-タイトル") },
        { QStringLiteral("# A &amp; B"), QStringLiteral("a--b") },
        { QStringLiteral("# [Link](http://x.org/path) text"), QStringLiteral("link-text") },
        { QStringLiteral("Setext\nTwo Lines\n---"), QStringLiteral("setext-two-lines") },
        { QStringLiteral("## a <em>x</em> &amp; b"), QStringLiteral("a-x--b") },
        { QStringLiteral("## ![alt](x.png) Title"), QStringLiteral("-title") },
    };
    for (const Case& c : cases) {
        const QString html = gfm(c.heading);
        EXPECT_EQ(headingIds(html), QStringList { c.id }) << qPrintable(c.heading) << " -> " << qPrintable(html);
    }
}

TEST(GFMRender, HeadingStaysOnOneLineWithIdFirst)
{
    EXPECT_EQ(gfm(QStringLiteral("## Hello World")), QStringLiteral("<h2 id=\"hello-world\">Hello World</h2>\n"));
    EXPECT_EQ(gfm(QStringLiteral("Two\nLines\n===")), QStringLiteral("<h1 id=\"two-lines\">Two Lines</h1>\n"));
    EXPECT_EQ(gfm(QStringLiteral("Two\nLines\n==="), true, true), QStringLiteral("<h1 id=\"two-lines\">Two<br />Lines</h1>\n"));
}

TEST(GFMRender, RawHtmlInsideAHeadingStaysInside)
{
    EXPECT_EQ(gfm(QStringLiteral("## one </h2> two\n")), QStringLiteral("<h2 id=\"one--two\">one </h2> two</h2>\n"));
    EXPECT_EQ(gfm(QStringLiteral("## <li><input type=\"checkbox\" x>\n")),
        QStringLiteral("<h2><li><input type=\"checkbox\" x></h2>\n"));
    // raw HTML blocks with heading tags are left alone
    EXPECT_EQ(gfm(QStringLiteral("<h2>raw</h2>\n\n## cooked\n")), QStringLiteral("<h2>raw</h2>\n<h2 id=\"cooked\">cooked</h2>\n"));
}

TEST(GFMRender, RepeatedHeadingsGetSuffixes)
{
    const QString html = gfm(QStringLiteral("# Intro\n\n## Intro\n\n### Intro\n\n# Intro-1\n\n# Other\n"));
    EXPECT_EQ(headingIds(html),
        (QStringList { QStringLiteral("intro"), QStringLiteral("intro-2"), QStringLiteral("intro-3"),
            QStringLiteral("intro-1"), QStringLiteral("other") }));
}

TEST(GFMRender, ManyHeadingsOfOneTitleEachGetTheNextSuffix)
{
    // Each repeat takes the next suffix of its slug; trying every suffix from 1 again made this
    // document take minutes.
    const int count = 60000;
    const QStringList ids = headingIds(gfm(QStringLiteral("# Notes\n\n").repeated(count) + QStringLiteral("# Notes-7\n")));
    ASSERT_EQ(ids.size(), count + 1);
    EXPECT_EQ(ids.at(0), QStringLiteral("notes"));
    EXPECT_EQ(ids.at(1), QStringLiteral("notes-1"));
    EXPECT_EQ(ids.at(6), QStringLiteral("notes-6"));
    EXPECT_EQ(ids.at(7), QStringLiteral("notes-8")) << "a heading's own slug is never handed out as a suffix";
    EXPECT_EQ(ids.at(count - 1), QStringLiteral("notes-%1").arg(count));
    EXPECT_EQ(ids.at(count), QStringLiteral("notes-7"));
    EXPECT_EQ(QSet<QString>(ids.begin(), ids.end()).size(), ids.size());
}

TEST(GFMRender, EmptyHeadingsGetNoId)
{
    EXPECT_EQ(gfm(QStringLiteral("#")), QStringLiteral("<h1></h1>\n"));
    EXPECT_EQ(gfm(QStringLiteral("# !!!")), QStringLiteral("<h1>!!!</h1>\n"));
    EXPECT_EQ(gfm(QStringLiteral("## ?!\n\n#\n\n# A\n")), QStringLiteral("<h2>?!</h2>\n<h1></h1>\n<h1 id=\"a\">A</h1>\n"));
}

TEST(GFMRender, HeadingAloneGetsTheIdOfItsFirstOccurrence)
{
    const QString document = QStringLiteral("# A\n\ntext\n\n# A\n\n## A-1\n\n## Zed *z*\n\n# A\n");
    const QStringList ids = headingIds(gfm(document));
    const QStringList lines = { QStringLiteral("# A"), QStringLiteral("## A-1"), QStringLiteral("## Zed *z*") };
    const QStringList firstIds = { ids[0], ids[2], ids[3] };
    for (int i = 0; i < lines.size(); ++i)
        EXPECT_EQ(headingIds(gfm(lines[i])), QStringList { firstIds[i] }) << qPrintable(lines[i]);
    EXPECT_EQ(QSet<QString>(ids.begin(), ids.end()).size(), ids.size()) << qPrintable(ids.join(u','));
}

TEST(GFMRender, NoIdsWhenNotAsked)
{
    const QString html = gfm(QStringLiteral("# Hello\n\n## World\n"), false);
    EXPECT_FALSE(html.contains(QStringLiteral("id=")));
    EXPECT_TRUE(html.contains(QStringLiteral("<h1>Hello</h1>")));
}

TEST(GFMRender, ScriptFence)
{
    EXPECT_EQ(gfm(QStringLiteral("```script@text/javascript\nvar a = 1 < 2;\n```\n")),
        QStringLiteral("<script type=\"text/javascript\">\nvar a = 1 < 2;\n</script>\n"));
    // other fences stay code
    EXPECT_EQ(gfm(QStringLiteral("```js\nvar a = 1 < 2;\n```\n")),
        QStringLiteral("<pre><code class=\"language-js\">var a = 1 &lt; 2;\n</code></pre>\n"));
    EXPECT_TRUE(gfm(QStringLiteral("```script@\nx\n```\n")).startsWith(QStringLiteral("<pre><code")));
}

TEST(GFMRender, TaskListItemsCarryTheirClass)
{
    const QString html = gfm(QStringLiteral("- [ ] open\n- [x] done\n- plain\n"));
    EXPECT_EQ(html,
        QStringLiteral("<ul>\n<li class=\"task-list-item\"><input type=\"checkbox\" disabled=\"\" /> open</li>\n"
                       "<li class=\"task-list-item\"><input type=\"checkbox\" checked=\"\" disabled=\"\" /> done</li>\n"
                       "<li>plain</li>\n</ul>\n"));
}

TEST(GFMRender, ExtensionsAndRawHtml)
{
    const QString html = gfm(QStringLiteral("| a | b |\n|---|---|\n| 1 | 2 |\n\n~~gone~~ www.example.com\n\n<div class=\"x\"><script>1</script></div>\n\nNote[^1]\n\n[^1]: the note\n"));
    EXPECT_TRUE(html.contains(QStringLiteral("<table>"))) << qPrintable(html);
    EXPECT_TRUE(html.contains(QStringLiteral("<del>gone</del>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<a href=\"http://www.example.com\">www.example.com</a>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<div class=\"x\"><script>1</script></div>")));
    EXPECT_TRUE(html.contains(QStringLiteral("footnote")));
}

TEST(GFMRender, HardWrap)
{
    EXPECT_EQ(gfm(QStringLiteral("one\ntwo"), false, false), QStringLiteral("<p>one\ntwo</p>\n"));
    EXPECT_EQ(gfm(QStringLiteral("one\ntwo"), false, true), QStringLiteral("<p>one<br />\ntwo</p>\n"));
}

TEST(GFMRender, InputIsCutAtTheFirstNul)
{
    QString text = QStringLiteral("before");
    text += QChar(0);
    text += QStringLiteral(" after");
    EXPECT_EQ(gfm(text), QStringLiteral("<p>before</p>\n"));
    EXPECT_EQ(gfm(QString()), QString());
}

// A render right after another of a similar text reuses what did not change; it must give
// what rendering the text afresh gives. Edits that reach across blocks (opening a fence,
// turning a line into a setext underline or a table, joining or splitting lists) are the
// ones that matter.
TEST(GFMRender, RenderingAfterAnEditGivesWhatAFreshRenderGives)
{
    const QString document = QStringLiteral(
        "# Title\n\nA paragraph\nwith two lines.\n\n# Title\n\nSetext\n------\n\n- a\n- b\n\n- c\n\n"
        "1. one\n2. two\n\n3. three\n\n```js\nvar x = 1;\n\n```\n\n~~~\ncode\n~~~\n\n    indented\n\n    more\n\n"
        "<div>\nraw *html*\n</div>\n\n<!-- comment\n\n-->\n\n> quote\nlazy line\n\n> another\n\nh|k\n-|-\n1|2\n\n"
        "- [ ] task\n- [x] done\n\n***\n\n```script@text/x-demo\nbody\n```\n\nend www.example.com ~~gone~~\r\nCR LF\r\n\r\nlast");
    const QStringList snippets { "```\n", "===\n", "- item\n", "\n", "a|b\n-|-\n", "<div>\n", "# Title\n", "> q\n", "    c\n",
        "2. x\n", "word", "~~~\n", "-->\n", "</div>\n", "\n\n", "* y\n", "---\n", "[ ] " };
    expectEditsRenderAsFresh(document, snippets, 20261211, 150);
}

// Link reference definitions act across the document: an edit that adds, removes or changes
// one, wherever it is, must reach every block that names its label, and a block parsed again
// must still find the definitions of the rest.
TEST(GFMRender, EditsOfLinkDefinitionsGiveWhatAFreshRenderGives)
{
    const QString document = QStringLiteral(
        "# Guide\n\nSee [the guide][guide] and [API].\n\n- item with [Ref]\n- [guide]\n\n> quoted [api] link\n\n"
        "[guide]: /guide \"Guide\"\n[api]: /api\n\nText [missing] and [STRASSE] and [\\*] and [a b].\n\n## API\n\n"
        "More [Api][] text, [x] and [Dup].\n\n```\n[code]: /not-a-definition\n```\n\n[ref]: /ref\n  'title on its own line'\n\n"
        "[dup]: /first\n\nlast [ref] [code]\n\n[DUP]: /second\n");
    const QStringList snippets { "[guide]: /other\n", "[missing]: /found\n", "[API]: /first\n", "\n", "\n\n", "[straße]: /s\n",
        "[*]: /star\n", "[code]: /c\n", "[ref]:\n/ref2\n", "- [missing]\n", "> [x]: /in-quote\n", "[x]\n", "[a\nb]: /multi\n",
        "[a b]\n", "text\n", "# [api]\n", "    [i]: /indented\n", "'t'\n", "[guide]", "[dup]: /third\n", "[x]: /x 'title'\n",
        "```\n", "- [x]: /item\n", "===\n", "<div>\n" };
        // Short runs of edits: once a definition hides in a block (a paragraph that opens with one)
    // the whole text is parsed, and nothing more is learnt.
    expectEditsRenderAsFresh(document, snippets, 20260301, 600, 6);
}

// Definitions no longer make every render parse the whole text: an edit parses the stretch
// around it, and a changed definition the blocks that may name it.
TEST(GFMRender, TextsWithLinkDefinitionsKeepTheirBlocks)
{
    QString text;
    for (int i = 0; i < 400; ++i)
        text += QStringLiteral("## Part %1\n\nA paragraph with %2 and words.\n\n").arg(i).arg(i % 40 ? "plain text" : "[a link][guide]");
    text += QStringLiteral("[guide]: /guide\n[other]: /other\n");
    const qsizetype middle = text.indexOf(QStringLiteral("Part 200"));
    const struct {
        const char* what;
        QString edited;
        qsizetype mostParsed;
    } cases[] = {
        { "typing in the middle", QString(text).insert(middle, QStringLiteral("x")), 400 },
        { "a definition no block names changes", QString(text).replace(QStringLiteral("/other"), QStringLiteral("/elsewhere")), 400 },
        { "a definition no block names is added", text + QStringLiteral("[new]: /new\n"), 400 },
        { "a definition ten blocks name changes", QString(text).replace(QStringLiteral("/guide"), QStringLiteral("/moved")), 2000 },
        { "a definition ten blocks name goes", QString(text).remove(QStringLiteral("[guide]: /guide\n")), 2000 },
        { "a definition is added before the one it shadows", QString(text).insert(middle, QStringLiteral("[GUIDE]: /first\n\n")), 2000 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        gfm(QString());
        gfm(text);
        const QString reused = gfm(c.edited);
        EXPECT_TRUE(gfmblocks::lastRenderStats().reused);
        EXPECT_LE(gfmblocks::lastRenderStats().parsedBytes, c.mostParsed);
        gfm(QString());
        EXPECT_EQ(reused, gfm(c.edited));
    }
}
