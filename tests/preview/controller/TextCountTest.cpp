// Word and character counts of text and of rendered pages, and the scroll position sync.
#include "../webview/WebViewFixture.h"

#include "preview/BasePreviewController.h"
#include "preview/ScrollSync.h"
#include "preview/TextCount.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QPlainTextEdit>
#include <QScrollBar>

using namespace penwick;
using namespace penwick::test;

TEST(TextCount, StringCounts)
{
    struct Case {
        QString text;
        uint64_t words, characters, nonSpace;
    };
    const Case cases[] = {
        { QString(), 0, 0, 0 },
        { QStringLiteral("\n\n"), 0, 0, 0 },
        { QStringLiteral("one two\nthree"), 3, 12, 11 },
        { QStringLiteral("one\u00A0two"), 2, 7, 6 }, // a no-break space is white space
        { QStringLiteral("don't stop 3.14"), 3, 15, 13 },
        { QStringLiteral("a, b; c!"), 3, 8, 6 },
        { QStringLiteral("\U0001F600"), 0, 2, 2 }, // one emoji: two UTF-16 units
        { QStringLiteral("l1\r\nl2\u2028l3\u2029l4\u0085"), 4, 8, 8 },
        { QStringLiteral("\t tab "), 1, 6, 3 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(TextCount::numberOfWords(c.text), c.words);
        EXPECT_EQ(TextCount::lengthWithoutNewlines(c.text), c.characters);
        EXPECT_EQ(TextCount::lengthWithoutWhitespacesAndNewlines(c.text), c.nonSpace);
    }
}

TEST(TextCount, DomTreeWalks)
{
    struct Case {
        const char* json;
        DOMNodeTextCount count;
    };
    const Case cases[] = {
        { R"(["", ["HTML", ["HEAD", ["TITLE", "a title"]], ["BODY", ["P", "Hello ", ["CODE", "two words"], " world"]]]])", { 3, 21, 18 } },
        { R"(["", ["BODY", ["PRE", ["CODE", "x = 1\ny = 2"]]]])", { 0, 10, 6 } },
        { R"(["", ["BODY", ["STYLE", "p { }"], ["SCRIPT", "var a;"], ["P", "ok"]]])", { 1, 2, 2 } },
        { R"(["", ["BODY", ["P", ["CODE"], "x"]]])", { 1, 1, 1 } },
        { R"(["", ["BODY", ["code", "a b"]]])", { 1, 3, 2 } },
        { R"(["", ["BODY", ["TITLE", "injected title"], ["P", "x"]]])", { 1, 1, 1 } }, // a title moved into the body
        { "null", { 0, 0, 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        const QJsonDocument doc = QJsonDocument::fromJson(c.json);
        EXPECT_EQ(TextCount::countDomTree(doc.isArray() ? QJsonValue(doc.array()) : QJsonValue()), c.count);
    }
}

TEST_F(WebViewTest, PageCounts)
{
    BasePreviewController controller;
    controller.setPreviewView(view.get());
    struct Case {
        const char* body;
        uint64_t words, characters;
    };
    const Case cases[] = {
        { "<p>Hello <code>two words</code> world</p>", 3, 21 },
        { "<pre><code>x = 1\ny = 2</code></pre>", 0, 10 },
        { "<style>p { color: red }</style><script>var a = 1;</script><!-- a comment --><p>ok</p>", 1, 2 },
        { "<p><code></code>x</p>", 1, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        ASSERT_TRUE(loadHtml(QStringLiteral("<html><head><title>Not counted</title></head><body>%1</body></html>").arg(QLatin1String(c.body))));
        DOMNodeTextCount count;
        bool answered = false;
        controller.textCount([&](const DOMNodeTextCount& result) {
            count = result;
            answered = true;
        });
        ASSERT_TRUE(waitUntil([&] { return answered; }));
        EXPECT_EQ(count.words, c.words);
        EXPECT_EQ(count.characters, c.characters);
    }
}

// After the first count only changed nodes are walked again; whatever changes the page (an
// update, a page script editing text deep inside, moving or removing nodes, a new page, another
// counter), the count is the one a full walk of the page gives.
TEST_F(WebViewTest, CountsAfterChangesMatchAFullWalk)
{
    BasePreviewController controller;
    controller.setPreviewView(view.get());
    const auto count = [&](BasePreviewController& counter) {
        DOMNodeTextCount result;
        bool answered = false;
        counter.textCount([&](const DOMNodeTextCount& c) {
            result = c;
            answered = true;
        });
        EXPECT_TRUE(waitUntil([&] { return answered; }));
        return result;
    };
    const auto fullWalk = [&] {
        const QVariant json = eval(TextCount::domTreeScript(), platform::WebView::World::Application);
        return TextCount::countDomTree(QJsonValue(QJsonDocument::fromJson(json.toString().toUtf8()).array()));
    };
    QString paragraphs;
    for (int i = 0; i < 30; ++i)
        paragraphs += QStringLiteral("<p id=\"p%1\">word %1 <code>x y</code></p>\n").arg(i);
    ASSERT_TRUE(loadHtml(QStringLiteral("<html><head><title>t</title></head><body>%1<pre><code>a b</code></pre></body></html>").arg(paragraphs)));
    EXPECT_EQ(count(controller), fullWalk());
    const QStringList changes {
        QStringLiteral("document.getElementById('p3').firstChild.data='three more words '"),
        QStringLiteral("document.getElementById('p4').querySelector('code').remove()"),
        QStringLiteral("document.body.appendChild(document.getElementById('p0'))"),
        QStringLiteral("(function(){var p=document.getElementById('p5');p.remove();p.textContent='moved and changed';document.body.insertBefore(p,document.body.firstChild);})()"),
        QStringLiteral("document.getElementById('p6').remove()"),
        QStringLiteral("document.body.insertAdjacentHTML('beforeend','<p>new <b>bold words</b></p>text at the end')"),
        QStringLiteral("document.body.lastChild.data='changed text at the end'"),
        QStringLiteral("document.body.innerHTML='<p>all new</p>'"),
    };
    for (const QString& change : changes) {
        SCOPED_TRACE(change.toStdString());
        eval(change + QStringLiteral(";0"));
        EXPECT_EQ(count(controller), fullWalk());
    }
    // Body updates (the first one finds the page's own edit and puts the body in whole).
    view->setBodyHtml(QStringLiteral("<p>one two</p>\n<p>three</p>"));
    ASSERT_TRUE(waitFor(QStringLiteral("document.body.textContent == 'one two\\nthree'")));
    EXPECT_EQ(count(controller).words, 3u);
    view->setBodyHtml(QStringLiteral("<p>one two</p>\n<p>three four</p>"));
    EXPECT_EQ(count(controller).words, 4u);
    // Another counter of the same page, and a new page.
    BasePreviewController other;
    other.setPreviewView(view.get());
    EXPECT_EQ(count(other).words, 4u);
    EXPECT_EQ(count(controller).words, 4u);
    ASSERT_TRUE(loadHtml(QStringLiteral("<html><body><p>a b c d e</p></body></html>")));
    EXPECT_EQ(count(controller).words, 5u);
}

TEST_F(WebViewTest, ScrollSyncMapsTheEditorRangeOntoThePage)
{
    ASSERT_TRUE(loadHtml(QStringLiteral("<html><body style=\"margin:0\"><div style=\"height:5000px\"></div></body></html>")));
    const int range = eval(QStringLiteral("document.documentElement.scrollHeight - window.innerHeight")).toInt();
    ASSERT_GT(range, 1000);
    QPlainTextEdit editor;
    editor.resize(400, 300);
    editor.show();
    struct Case {
        const char* what;
        int lines;
        int position; // 0 top, 1 middle, 2 end
        double expected;
    };
    const Case cases[] = {
        { "shorter than its view", 3, 2, 0.0 },
        { "at its end", 500, 2, 1.0 },
        { "halfway", 500, 1, 0.5 },
        { "at its top", 500, 0, 0.0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QStringList lines;
        for (int i = 0; i < c.lines; ++i)
            lines << QStringLiteral("line %1").arg(i);
        editor.setPlainText(lines.join(QLatin1Char('\n')));
        QScrollBar* bar = editor.verticalScrollBar();
        bar->setValue(c.position == 2 ? bar->maximum() : c.position == 1 ? bar->maximum() / 2 : 0);
        eval(QStringLiteral("window.scrollTo(0, 123)"));
        ScrollSync::syncScrollerWithTextView(*view, editor);
        const double expected = c.position == 1 ? double(bar->maximum() / 2) / bar->maximum() * range : c.expected * range;
        EXPECT_NEAR(eval(QStringLiteral("window.scrollY")).toDouble(), expected, 1.0);
    }
    EXPECT_EQ(ScrollSync::ratio(0, 0), 0.0);
    EXPECT_EQ(ScrollSync::ratio(5, 10), 0.5);
}
