// Proves that web content loads and runs scripts in this environment (offscreen, no GPU, maybe as root).
#include "TestSupport.h"

#include <QWebEnginePage>
#include <QWebEngineView>

#include <gtest/gtest.h>

TEST(WebEngineSmoke, LoadsAPageAndRunsAScript)
{
    QWebEngineView view;
    view.resize(400, 300);
    bool loaded = false, loadOk = false;
    QObject::connect(&view, &QWebEngineView::loadFinished, [&](bool ok) {
        loaded = true;
        loadOk = ok;
    });
    view.setHtml(QStringLiteral("<html><body><p id='p'>Hello</p><script>document.getElementById('p').textContent += ', page';</script></body></html>"));
    view.show();
    ASSERT_TRUE(penwick::test::waitUntil([&] { return loaded; }, 60000)) << "the page never finished loading";
    ASSERT_TRUE(loadOk);

    QVariant result;
    bool answered = false;
    view.page()->runJavaScript(QStringLiteral("document.getElementById('p').textContent + ' ' + (6 * 7)"),
        [&](const QVariant& v) {
            result = v;
            answered = true;
        });
    ASSERT_TRUE(penwick::test::waitUntil([&] { return answered; }, 30000));
    EXPECT_EQ(result.toString(), QStringLiteral("Hello, page 42"));
}
