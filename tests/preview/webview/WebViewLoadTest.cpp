// Loading pages with a base folder (small pages as text, large ones through a private file)
// and replacing the body of the page shown.
#include "WebViewFixture.h"

#include <QDir>
#include <QFileInfo>

using namespace penwick;
using namespace penwick::test;

namespace {

QString pageWithImage(qsizetype filler)
{
    return QStringLiteral("<!DOCTYPE html><html><head><title>t</title></head><body><img id=\"img\" src=\"pic.png\">")
        + fillerParagraphs(filler) + QStringLiteral("</body></html>");
}

} // namespace

TEST_F(WebViewTest, RelativeImageResolvesAgainstTheBaseFolderOnSmallAndLargePages)
{
    const QString folder = makeImageFolder();
    const QUrl base = folderUrl(folder);
    for (const qsizetype size : { qsizetype(1000), qsizetype(3 * 1024 * 1024) }) {
        SCOPED_TRACE(size);
        ASSERT_TRUE(loadHtml(pageWithImage(size), base));
        EXPECT_TRUE(lastLoadOk);
        EXPECT_TRUE(waitFor(QStringLiteral("document.getElementById('img').complete && document.getElementById('img').naturalWidth == 8")));
        EXPECT_EQ(eval(QStringLiteral("document.baseURI")).toString(), base.toString());
        EXPECT_EQ(view->baseUrl(), base);
        EXPECT_GT(eval(QStringLiteral("document.body.innerHTML.length")).toLongLong(), size - 1);
    }
}

TEST_F(WebViewTest, LargePageFileIsPrivateAndGoesWithTheNextLoadAndTheView)
{
    const QString folder = makeImageFolder();
    ASSERT_TRUE(loadHtml(pageWithImage(3 * 1024 * 1024), folderUrl(folder)));
    const QString file = view->page()->url().toLocalFile();
    ASSERT_FALSE(file.isEmpty()) << "a 3 MB page is loaded from a file";
    const QFileInfo info(file);
    EXPECT_TRUE(info.exists());
    EXPECT_EQ(info.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser), QFile::ReadOwner | QFile::WriteOwner);
    const QFileInfo dir(info.absolutePath());
    EXPECT_EQ(dir.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    // the next load removes it
    ASSERT_TRUE(loadHtml(pageWithImage(3 * 1024 * 1024), folderUrl(folder)));
    const QString second = view->page()->url().toLocalFile();
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_TRUE(QFileInfo::exists(second));
    // the view removes the last one, and its folder
    view.reset();
    EXPECT_FALSE(QFileInfo::exists(second));
    EXPECT_FALSE(QFileInfo::exists(dir.absoluteFilePath()));
}

TEST_F(WebViewTest, InjectedBodyKeepsScrollPositionAndPageGlobals)
{
    ASSERT_TRUE(loadHtml(QStringLiteral("<html><body style=\"margin:0\"><div style=\"height:3000px\">old</div>"
                                        "<script>var marker = 7;</script></body></html>")));
    eval(QStringLiteral("window.scrollTo(0, 500)"));
    ASSERT_TRUE(waitFor(QStringLiteral("window.scrollY == 500")));
    view->setBodyHtml(QStringLiteral("<div id=\"new\" style=\"height:3000px\">new ' \" \\ \u2028 text</div>"));
    EXPECT_EQ(eval(QStringLiteral("document.getElementById('new').textContent")).toString(),
        QStringLiteral("new ' \" \\ \u2028 text"));
    EXPECT_EQ(eval(QStringLiteral("window.scrollY")).toInt(), 500);
    EXPECT_EQ(eval(QStringLiteral("marker")).toInt(), 7);
}

TEST_F(WebViewTest, BodiesSentDuringAPendingLoadLeaveTheLatestOnScreen)
{
    QString bodyAtLoadEnd;
    QObject::connect(view.get(), &platform::WebView::pageLoadFinished, view.get(), [&](bool) {
        view->runScript(QStringLiteral("document.body.innerHTML"), platform::WebView::World::Page,
            [&](const QVariant& v) { bodyAtLoadEnd = v.toString(); });
    });
    const int before = loadsFinished;
    view->loadHtml(QStringLiteral("<html><body><p>page</p><script>var kept = 1;</script></body></html>"));
    view->setBodyHtml(QStringLiteral("<p id=\"first\">first</p>"));
    view->setBodyHtml(QStringLiteral("<p id=\"latest\">latest</p>"));
    ASSERT_TRUE(waitUntil([&] { return loadsFinished > before; }, 30000));
    ASSERT_TRUE(waitUntil([&] { return !bodyAtLoadEnd.isEmpty(); }));
    EXPECT_EQ(bodyAtLoadEnd, QStringLiteral("<p id=\"latest\">latest</p>"));
    EXPECT_EQ(loadsFinished, before + 1);
    EXPECT_EQ(eval(QStringLiteral("kept")).toInt(), 1);
}
