// Scripts run in issue order across both worlds, a throw ends only its script, results come
// back typed, and nothing is called back once the view is gone.
#include "WebViewFixture.h"

#include "platform/web/ScriptText.h"

using namespace penwick;
using namespace penwick::test;
using World = platform::WebView::World;

TEST_F(WebViewTest, ScriptsAlternatingWorldsRunInIssueOrder)
{
    ASSERT_TRUE(loadHtml(QStringLiteral("<html><body><ol id=\"log\"></ol></body></html>")));
    int answered = 0;
    QString expected;
    for (int i = 0; i < 100; ++i) {
        expected += QString::number(i) + QLatin1Char(',');
        view->runScript(QStringLiteral("var li = document.createElement('li'); li.textContent = '%1';"
                                       "document.getElementById('log').appendChild(li); %1")
                            .arg(i),
            i % 2 ? World::Application : World::Page, [&answered, i](const QVariant& v) {
                EXPECT_EQ(v.toInt(), i);
                EXPECT_EQ(answered, i) << "callbacks come in issue order";
                ++answered;
            });
    }
    ASSERT_TRUE(waitUntil([&] { return answered == 100; }));
    EXPECT_EQ(eval(QStringLiteral("Array.from(document.querySelectorAll('li')).map(function(e){return e.textContent + ',';}).join('')"))
                  .toString(),
        expected);
}

TEST_F(WebViewTest, AThrowingScriptEndsOnlyItselfAndResultsKeepTheirType)
{
    ASSERT_TRUE(loadHtml(QStringLiteral("<html><body><script>function twice(x) { return 2 * x; }</script></body></html>")));
    const QVariant missing = eval(QStringLiteral("functionThePageLacks('a')"));
    EXPECT_TRUE(missing.isNull() || !missing.isValid());
    EXPECT_EQ(eval(QStringLiteral("twice(21)")).toInt(), 42);

    struct Case {
        const char* script;
        World world;
        QMetaType::Type type;
        QVariant value;
    };
    const Case cases[] = {
        { "twice(2.5)", World::Page, QMetaType::Double, 5.0 },
        { "'it' + \"'s\"", World::Application, QMetaType::QString, QStringLiteral("it's") },
        { "({a: 1, b: 'two'})", World::Page, QMetaType::QVariantMap, QVariantMap { { "a", 1 }, { "b", QStringLiteral("two") } } },
        { "typeof twice", World::Application, QMetaType::QString, QStringLiteral("undefined") }, // page globals stay out of reach
        { "var declared = 3; declared", World::Page, QMetaType::Double, 3.0 },
        { "declared", World::Page, QMetaType::Double, 3.0 }, // declarations stay globals
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        const QVariant v = eval(QString::fromUtf8(c.script), c.world);
        if (c.type == QMetaType::QVariantMap) {
            EXPECT_EQ(v.toMap().value("a").toInt(), 1);
            EXPECT_EQ(v.toMap().value("b").toString(), QStringLiteral("two"));
        } else {
            EXPECT_EQ(v, c.value);
        }
    }
}

TEST(ScriptText, LiteralsEscapeOnlyWhatBreaksAQuotedString)
{
    struct Case {
        QString text;
        QString literal;
    };
    const Case cases[] = {
        { QStringLiteral("/Users/me/notes"), QStringLiteral("'/Users/me/notes'") },
        { QString(), QStringLiteral("''") },
        { QStringLiteral("it's"), QStringLiteral("'it\\'s'") },
        { QStringLiteral("a\\b"), QStringLiteral("'a\\\\b'") },
        { QStringLiteral("l1\nl2\rl3\u2028l4\u2029"), QStringLiteral("'l1\\nl2\\rl3\\u2028l4\\u2029'") },
        { QStringLiteral("\"double\" é"), QStringLiteral("'\"double\" é'") },
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::ScriptText::literal(c.text), c.literal) << c.text.toStdString();
}

TEST_F(WebViewTest, LiteralsRoundTripThroughThePage)
{
    ASSERT_TRUE(loadHtml(QStringLiteral("<html><body></body></html>")));
    const QString nasty = QStringLiteral("'); window.hit = 1; (' \\ \" \n \r \u2028 \u2029 </script> \U0001F600");
    EXPECT_EQ(eval(platform::WebView::literal(nasty)).toString(), nasty);
    EXPECT_EQ(eval(platform::ScriptText::json(nasty)).toString(), nasty);
    EXPECT_EQ(eval(QStringLiteral("typeof window.hit")).toString(), QStringLiteral("undefined"));
}

TEST_F(WebViewTest, AViewDestroyedWithScriptsOutstandingCallsNothing)
{
    ASSERT_TRUE(loadHtml(QStringLiteral("<html><body></body></html>")));
    int called = 0;
    for (int i = 0; i < 20; ++i)
        view->runScript(QStringLiteral("%1").arg(i), i % 3 ? World::Page : World::Application, [&called](const QVariant&) { ++called; });
    const int beforeDestruction = called;
    view.reset();
    EXPECT_EQ(called, beforeDestruction);
    // A round trip through the engine in another view: any late answer would have arrived by then.
    platform::WebView other;
    bool loaded = false;
    QObject::connect(&other, &platform::WebView::pageLoadFinished, &other, [&](bool) { loaded = true; });
    other.loadHtml(QStringLiteral("<p>x</p>"));
    ASSERT_TRUE(waitUntil([&] { return loaded; }, 30000));
    bool answered = false;
    other.runScript(QStringLiteral("1"), World::Page, [&](const QVariant&) { answered = true; });
    ASSERT_TRUE(waitUntil([&] { return answered; }));
    EXPECT_EQ(called, beforeDestruction);
}
