// Body updates rebuild only the top-level pieces whose markup changed, and give the same page
// as putting the whole body in.
#include "WebViewFixture.h"

#include "platform/web/HtmlChunks.h"


using namespace penwick;
using namespace penwick::test;
using platform::changedTopLevelPieces;
using platform::splitTopLevelHtml;
using platform::TopLevelPieces;

namespace {

QStringList markupOf(const TopLevelPieces& pieces)
{
    QStringList out;
    for (const platform::TopLevelPiece& piece : pieces)
        out.append(piece.html);
    return out;
}

QStringList closersOf(const TopLevelPieces& pieces)
{
    QStringList out;
    for (const platform::TopLevelPiece& piece : pieces)
        out.append(piece.closer);
    return out;
}

} // namespace

TEST(HtmlChunks, SplitsAfterEachTopLevelElement)
{
    struct Case {
        QString html;
        QStringList pieces;
    };
    const QList<Case> cases {
        { "", {} },
        { "just text", { "just text" } },
        { "<p>a</p>\n<p>b</p>\n", { "<p>a</p>", "\n<p>b</p>", "\n" } },
        { "<h1 id=\"x\">T</h1><hr /><p>a<br>b</p>", { "<h1 id=\"x\">T</h1>", "<hr />", "<p>a<br>b</p>" } },
        { "<!-- c --><P>x</p>", { "<!-- c -->", "<P>x</p>" } },
        { "<pre><code class=\"language-c\">if (a < b && c > d) {}\n</code></pre>", { "<pre><code class=\"language-c\">if (a < b && c > d) {}\n</code></pre>" } },
        { "<script>if (a</b) x = '</p>';</script><p>y</p>", { "<script>if (a</b) x = '</p>';</script>", "<p>y</p>" } },
        { "<p title=\"a>b\" data-x='</p>'>z</p>", { "<p title=\"a>b\" data-x='</p>'>z</p>" } },
        { "<svg><path d=\"M0 0\"/></svg><p>q</p>", { "<svg><path d=\"M0 0\"/></svg>", "<p>q</p>" } },
        { "<ul>\n<li>a</li>\n</ul>\n<!DOCTYPE x><p>3 < 4</p>", { "<ul>\n<li>a</li>\n</ul>", "\n<!DOCTYPE x>", "<p>3 < 4</p>" } },
        // An element left open by prose ends with its block.
        { "<p>Returns: {Array<string>}</p>\n<p>b</p>", { "<p>Returns: {Array<string>}</p>", "\n<p>b</p>" } },
        { "<table><tr><td>x<T>y</td></tr></table><p>z</p>", { "<table><tr><td>x<T>y</td></tr></table>", "<p>z</p>" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.html.toStdString());
        const auto pieces = splitTopLevelHtml(c.html);
        ASSERT_TRUE(pieces.has_value());
        EXPECT_EQ(markupOf(*pieces), c.pieces);
        EXPECT_EQ(markupOf(*pieces).join(QString()), c.html);
        EXPECT_EQ(closersOf(*pieces).join(QString()), QString());
    }
}

TEST(HtmlChunks, AFormattingElementLeftOpenEndsWithItsBlock)
{
    struct Case {
        QString html;
        QStringList pieces;
        QStringList closers; // the end tags put after each piece
    };
    const QList<Case> cases {
        { "<p><b>x</p><p>y</p>", { "<p><b>x</p>", "<p>y</p>" }, { "</b>", "" } },
        { "<p>Use <a href=\"#x\">this <font color=red>link</p>\n<p>z</p>", { "<p>Use <a href=\"#x\">this <font color=red>link</p>", "\n<p>z</p>" },
            { "</font></a>", "" } },
        { "<ul>\n<li><em>a</li>\n<li>b</li>\n</ul>\n", { "<ul>\n<li><em>a</li>\n<li>b</li>\n</ul>", "\n" }, { "</em>", "" } },
        { "<p>a<string>b<b>c</string>d</p>", { "<p>a<string>b<b>c</string>d</p>" }, { "</b>" } },
        { "<b><i>x</b></i>", { "<b><i>x</b>", "</i>" }, { "</i>", "" } },
        // Ended by a cell, a formatting element goes no further than the cell.
        { "<table><tr><td><b>x</td></tr></table><p>y</p>", { "<table><tr><td><b>x</td></tr></table>", "<p>y</p>" }, { "", "" } },
        // An end tag with nothing to end is dropped by the parser.
        { "<p>x</b> y</string></p><p>z</p>", { "<p>x</b> y</string></p>", "<p>z</p>" }, { "", "" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.html.toStdString());
        const auto pieces = splitTopLevelHtml(c.html);
        ASSERT_TRUE(pieces.has_value());
        EXPECT_EQ(markupOf(*pieces), c.pieces);
        EXPECT_EQ(closersOf(*pieces), c.closers);
        EXPECT_EQ(platform::sealedHtml(*pieces), [&] {
            QString sealed;
            for (qsizetype i = 0; i < c.pieces.size(); ++i)
                sealed += c.pieces.at(i) + c.closers.at(i);
            return sealed;
        }());
    }
}

TEST(HtmlChunks, MarkupThatDoesNotCloseInOrderIsLeftWhole)
{
    for (const QString& html : QStringList { "<div>open", "<p>a<p>b</p>", "<li>x", "a</p>", "<div/>text",
             "<plaintext>x", "<!-- never ends", "<p title=\"x>", "<script>x", "</br>", "<p>a</p></div>",
             // An open block element changes where the end tag goes; the end tag of a formatting
             // element reopened after its block ends the reopened one; an end tag with nothing
             // to end that makes an element or ends another heading.
             "<div><span><p>x</div>", "<svg><g><path></svg>", "<ul><li><b>x</li><li>y</b></li></ul>", "<h2>x</h1>",
             "<p>x</p></p>" }) {
        SCOPED_TRACE(html.toStdString());
        EXPECT_FALSE(splitTopLevelHtml(html).has_value());
    }
}

TEST(HtmlChunks, AChangeSplitsOnlyWhatDiffersAndGivesTheWholeSplit)
{
    const QString base = QStringLiteral("<h1>T</h1>\n<p>a</p>\n<p>b</p>\n<pre><code>x</code></pre>\n<p>c</p>\n");
    struct Case {
        QString before;
        QString after;
        qsizetype maxAdded; // pieces sent at most
    };
    const QList<Case> cases {
        { base, base, 0 },
        { base, QString(base).replace("<p>b</p>", "<p>b2</p>"), 1 },
        { base, base + "<p>d</p>", 2 }, // the text at the end becomes part of the new piece
        { base, "<p>z</p>\n" + base, 2 }, // the first piece gains the text before it
        { base, QString(base).remove("<p>a</p>\n"), 0 },
        { base, QString(base).replace("<p>b</p>", "<div>\n<p>b</p>\n<p>b</p>\n</div>"), 1 },
        { base, QString(base).replace("<p>a</p>\n<p>b</p>", "<p>a</p><p>b</p>"), 1 },
        { base, QString(base).replace("<pre><code>x</code></pre>", "<script>var s='</p>';</script>"), 1 },
        { base, "<p>only</p>", 1 },
        { base, QString(), 0 },
        { QString(), base, 6 },
        { "text only", "text only<p>and</p>", 1 },
        { "<p>a</p>x", "<p>a</p>y", 1 },
        { "<p>a</p><p>a</p><p>a</p>", "<p>a</p><p>a</p>", 0 }, // the same pieces on both sides of the cut
        { base, QString(base).replace("<p>b</p>", "<div>open"), 0 },
        // A formatting element left open costs its own block.
        { base, QString(base).replace("<p>b</p>", "<p>b <b>bold</p>"), 1 },
        { QString(base).replace("<p>a</p>", "<p>a <b>bold</p>"), QString(base).replace("<p>a</p>", "<p>a <b>bold</p>").replace("<p>c</p>", "<p>c2</p>"), 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.before + " -> " + c.after).toStdString());
        const auto old = splitTopLevelHtml(c.before);
        ASSERT_TRUE(old.has_value());
        const auto whole = splitTopLevelHtml(c.after);
        const auto change = changedTopLevelPieces(*old, c.before, c.after);
        ASSERT_EQ(change.has_value(), whole.has_value());
        if (!whole)
            continue;
        TopLevelPieces pieces = *old;
        pieces.remove(change->kept, change->removed);
        for (qsizetype i = 0; i < change->added.size(); ++i)
            pieces.insert(change->kept + i, change->added.at(i));
        EXPECT_EQ(markupOf(pieces), markupOf(*whole));
        EXPECT_EQ(closersOf(pieces), closersOf(*whole));
        EXPECT_LE(change->added.size(), c.maxAdded);
    }
}

namespace {

const QString kPage = QStringLiteral("<html><head><style>p{margin:0}</style></head><body>%1</body></html>");

QString body(int changed, const QString& extra = QString())
{
    QString html;
    for (int i = 0; i < 40; ++i)
        html += QStringLiteral("<p id=\"p%1\">paragraph %1%2</p>\n").arg(i).arg(i == changed ? QStringLiteral(" changed") : QString());
    return html + extra;
}

} // namespace

TEST_F(WebViewTest, AnUpdateRebuildsOnlyTheChangedPieces)
{
    ASSERT_TRUE(loadHtml(kPage.arg(body(-1))));
    int rebuilt = 0;
    QObject::connect(view.get(), &platform::WebView::bodyRebuilt, view.get(), [&] { ++rebuilt; });
    // Marks on nodes in the page's own world show which nodes survive an update.
    markParagraphs();
    view->setBodyHtml(kPage.arg(body(7)));
    ASSERT_TRUE(waitFor(QStringLiteral("document.getElementById('p7').textContent == 'paragraph 7 changed'")));
    EXPECT_EQ(rebuiltParagraphs(),
        QStringLiteral("p7"));
    EXPECT_EQ(eval(QStringLiteral("window.__penwickUpdatedNodes.map(function(e){return e.id;}).join()")).toString(), QStringLiteral("p7"));
    EXPECT_EQ(eval(QStringLiteral("document.querySelectorAll('[data-penwick-updated]').length")).toInt(), 0);

    // Insertions, removals and a change at both ends give the page a whole body would.
    const QStringList bodies { body(0, "<p id=\"end\">end</p>"), body(39), QStringLiteral("<p id=\"only\">only</p>"), body(3),
        QStringLiteral("<div>not closed"), body(5), QString() , body(-1) };
    for (const QString& next : bodies) {
        SCOPED_TRACE(next.left(60).toStdString());
        view->setBodyHtml(kPage.arg(next));
        const QString reference = parsedAlone(next);
        EXPECT_EQ(eval(QStringLiteral("document.body.innerHTML")).toString(), reference);
    }
    EXPECT_EQ(rebuilt, 0) << "every update was applied as it was sent";
}

TEST_F(WebViewTest, AnElementLeftOpenInOneBlockStillGivesAnIncrementalUpdate)
{
    const QString stray = QStringLiteral("<p id=\"s\">Returns: {Array<string>} or {number}</p>\n");
    ASSERT_TRUE(loadHtml(kPage.arg(stray + body(-1))));
    int rebuilt = 0;
    QObject::connect(view.get(), &platform::WebView::bodyRebuilt, view.get(), [&] { ++rebuilt; });
    markParagraphs();
    const QString next = stray + body(30);
    view->setBodyHtml(kPage.arg(next));
    ASSERT_TRUE(waitFor(QStringLiteral("document.getElementById('p30').textContent == 'paragraph 30 changed'")));
    EXPECT_EQ(rebuiltParagraphs(),
        QStringLiteral("p30"));
    const QString reference = parsedAlone(next);
    EXPECT_EQ(eval(QStringLiteral("document.body.innerHTML")).toString(), reference);
    EXPECT_EQ(rebuilt, 0);
}

TEST_F(WebViewTest, AnUnclosedInlineTagCostsOnlyItsOwnBlockAndTheUpdateEqualsAFullRender)
{
    // "<b>" and "<a>" left open in one paragraph: the engine would reopen them in every later
    // block; they stay in theirs, on a full load and on an update alike.
    const QString stray = QStringLiteral("<p id=\"s\">Use <b>bold and <a href=\"#p3\">a link</p>\n");
    ASSERT_TRUE(loadHtml(kPage.arg(stray + body(-1))));
    EXPECT_EQ(eval(QStringLiteral("document.querySelectorAll('b, a').length")).toInt(), 2);
    int rebuilt = 0;
    QObject::connect(view.get(), &platform::WebView::bodyRebuilt, view.get(), [&] { ++rebuilt; });
    markParagraphs();
    const QString next = stray + body(30);
    view->setBodyHtml(kPage.arg(next));
    ASSERT_TRUE(waitFor(QStringLiteral("document.getElementById('p30').textContent == 'paragraph 30 changed'")));
    EXPECT_EQ(rebuiltParagraphs(),
        QStringLiteral("p30"));
    EXPECT_EQ(rebuilt, 0);
    const QString updated = eval(QStringLiteral("document.body.innerHTML")).toString();
    EXPECT_EQ(eval(QStringLiteral("document.querySelectorAll('b, a').length")).toInt(), 2);

    // An edit in the block that holds the tags, then one that closes them.
    struct Edit {
        QString block;
        QString text;
    };
    for (const Edit& edit : { Edit { QStringLiteral("<p id=\"s\">Use <b>bolder and <a href=\"#p3\">a link</p>\n"), QStringLiteral("Use bolder and a link") },
             Edit { QStringLiteral("<p id=\"s\">Use <b>bold</b> and <a href=\"#p3\">the link</a></p>\n"), QStringLiteral("Use bold and the link") } }) {
        SCOPED_TRACE(edit.block.toStdString());
        markParagraphs();
        view->setBodyHtml(kPage.arg(edit.block + body(30)));
        ASSERT_TRUE(waitFor(QStringLiteral("document.getElementById('s').textContent == ") + platform::WebView::literal(edit.text)));
        EXPECT_EQ(rebuiltParagraphs(),
            QStringLiteral("s"));
        EXPECT_EQ(eval(QStringLiteral("document.querySelectorAll('b, a').length")).toInt(), 2);
    }
    EXPECT_EQ(rebuilt, 0);

    // The page as a full load of the same body makes it.
    const QString reference = updated;
    ASSERT_TRUE(loadHtml(kPage.arg(next)));
    EXPECT_EQ(eval(QStringLiteral("document.body.innerHTML")).toString(), reference);
}

TEST_F(WebViewTest, APageThatReplacedOurNodesGetsTheWholeBodyBack)
{
    ASSERT_TRUE(loadHtml(kPage.arg(body(-1))));
    int rebuilt = 0;
    QObject::connect(view.get(), &platform::WebView::bodyRebuilt, view.get(), [&] { ++rebuilt; });
    view->setBodyHtml(kPage.arg(body(1)));
    eval(QStringLiteral("document.getElementById('p20').remove(); 0"));
    view->setBodyHtml(kPage.arg(body(2)));
    ASSERT_TRUE(waitUntil([&] { return rebuilt == 1; }));
    ASSERT_TRUE(waitFor(QStringLiteral("!!document.getElementById('p20') && document.getElementById('p2').textContent == 'paragraph 2 changed'")));
    EXPECT_EQ(eval(QStringLiteral("document.querySelectorAll('p').length")).toInt(), 40);
    EXPECT_EQ(eval(QStringLiteral("document.getElementById('p1').textContent")).toString(), QStringLiteral("paragraph 1"));
}
