#include "WebViewFixture.h"

#include <QDir>
#include <QImage>
#include <QTest>

namespace penwick::test {

void WebViewTest::SetUp()
{
    view = std::make_unique<platform::WebView>();
    view->resize(800, 600);
    view->setUrlOpener([this](const QUrl& url) { opened.append(url); });
    QObject::connect(view.get(), &platform::WebView::pageLoadFinished, view.get(), [this](bool ok) {
        ++loadsFinished;
        lastLoadOk = ok;
    });
    view->show();
}

void WebViewTest::TearDown()
{
    view.reset();
}

bool WebViewTest::waitForLoad(int timeoutMs)
{
    const int before = loadsFinished;
    return waitUntil([&] { return loadsFinished > before; }, timeoutMs);
}

bool WebViewTest::loadHtml(const QString& html, const QUrl& base)
{
    const int before = loadsFinished;
    view->loadHtml(html, base);
    return waitUntil([&] { return loadsFinished > before; }, 30000);
}

bool WebViewTest::loadUrl(const QUrl& url)
{
    const int before = loadsFinished;
    view->loadUrl(url);
    return waitUntil([&] { return loadsFinished > before; }, 30000);
}

QVariant WebViewTest::eval(const QString& script, platform::WebView::World world)
{
    return evaluate(view.get(), script, world);
}

bool WebViewTest::waitFor(const QString& condition, int timeoutMs)
{
    return waitForScript(view.get(), condition, platform::WebView::World::Page, timeoutMs);
}

void WebViewTest::markParagraphs()
{
    eval(QStringLiteral("document.querySelectorAll('p').forEach(function(p){p.survivor=true;}); 0"));
}

QString WebViewTest::rebuiltParagraphs()
{
    return eval(QStringLiteral("Array.from(document.querySelectorAll('p')).filter(function(p){return !p.survivor;})"
                               ".map(function(p){return p.id;}).join()"))
        .toString();
}

QString WebViewTest::parsedAlone(const QString& html)
{
    return eval(QStringLiteral("(function(){var d=document.createElement('div');d.innerHTML=") + platform::WebView::literal(html)
        + QStringLiteral(";return d.innerHTML;})()"))
        .toString();
}

void WebViewTest::click(const QString& id)
{
    const QVariantList at = eval(QStringLiteral("(function () { var e = document.getElementById('%1'); e.scrollIntoView({ block: 'center' });"
                                                " var b = e.getBoundingClientRect(); return [b.left + b.width / 2, b.top + b.height / 2]; })()")
                                     .arg(id))
                                .toList();
    ASSERT_EQ(at.size(), 2) << id.toStdString();
    QWidget* target = view->focusProxy() ? view->focusProxy() : view.get();
    QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(qRound(at.at(0).toDouble()), qRound(at.at(1).toDouble())));
}

QString WebViewTest::makeImageFolder()
{
    const QString folder = temporaryFolder();
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(Qt::red);
    image.save(folder + QStringLiteral("/pic.png"), "PNG");
    return folder;
}

QString fillerParagraphs(qsizetype bytes)
{
    // A comment: as large for the loader as paragraphs, but nothing to lay out.
    const QString line = QStringLiteral("Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor.\n");
    QString out = QStringLiteral("<!--\n");
    out.reserve(bytes + line.size() + 8);
    while (out.size() < bytes)
        out += line;
    return out + QStringLiteral("-->");
}

} // namespace penwick::test
