// The preview with a 1 MB Markdown document, offscreen: the update after the pane's typing
// pause (formatting plus body injection, until a script issued after it answers, and the part
// of it spent issuing the injection), the same update back to back (the page still busy with
// the last one), a full load, and
// counting the words of the rendered page (the DOM walk and its transfer, then the count; and
// the pane's count after an update, which walks only what changed).
// Prints median and 95th percentile.
// Usage: bench_preview [runs] [kilobytes]; PENWICK_BENCH_SHAPE=real makes the document shaped
// like real documentation: raw HTML tables, prose holding tag-like text ("Array<string>")
// and reference links with their definitions.
#include "BenchSupport.h"

#include "Services/MarkdownFormatter.h"
#include "platform/ApplicationStartup.h"
#include "platform/UserDefaults.h"
#include "platform/web/WebView.h"
#include "preview/BasePreviewController.h"
#include "preview/PreviewController.h"
#include "preview/TextCount.h"
#include "CoreSetup.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace penwick;

namespace {

using bench::waitFor;

QString realShapedMarkdown(qsizetype bytes)
{
    static const char* const parts[] = {
        "## Method of a class\n\n",
        "Returns: {Array<string>} or {number|Object<string, Node>} when the *key* is `null`; see [the guide][guide].\n\n",
        "<table>\n<tr><th>Name</th><th>Type</th></tr>\n<tr><td>key</td><td><code>string</code></td></tr>\n</table>\n\n",
        "- first item with a [reference][api]\n- second item\n\n",
        "```js\nconst answer = list.map((x) => x * 2);\n```\n\n",
    };
    QString text;
    for (int i = 0; text.size() < bytes; ++i)
        text += QString::fromUtf8(parts[i % 5]);
    return text + QStringLiteral("[guide]: http://example.com/guide\n[api]: http://example.com/api\n");
}

QString markdown(qsizetype bytes)
{
    if (qEnvironmentVariable("PENWICK_BENCH_SHAPE") == QLatin1String("real"))
        return realShapedMarkdown(bytes);
    static const char* const parts[] = {
        "# Heading of a section\n\n",
        "Some *emphasis*, some **strong text**, a `code span` and a [link](http://example.com/page) in a "
        "paragraph that runs on for a while to look like prose.\n\n",
        "- first item\n- second item\n- third item\n\n",
        "```python\ndef answer():\n    return 42\n```\n\n",
        "> A quoted line with *emphasis*\n> and another quoted line.\n\n",
    };
    QString text;
    for (int i = 0; text.size() < bytes; ++i)
        text += QString::fromUtf8(parts[i % 5]);
    return text;
}

void report(const char* what, std::vector<double> ms)
{
    bench::reportMedianAndP95(what, std::move(ms), 52);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    platform::prepareWebEngine();
    QApplication app(argc, argv);
    registerBundledDefaults();
    // PENWICK_BENCH_PRISM=0 measures without code highlighting.
    if (qEnvironmentVariableIsSet("PENWICK_BENCH_PRISM"))
        platform::UserDefaults::standard().setValue(QStringLiteral("enablePrismJS"), qEnvironmentVariableIntValue("PENWICK_BENCH_PRISM") != 0);
    const int runs = argc > 1 ? std::max(3, atoi(argv[1])) : 10;

    platform::WebView view;
    view.resize(900, 700);
    view.show();
    BasePreviewController controller;
    controller.setPreviewView(&view);
    int loads = 0;
    QObject::connect(&view, &platform::WebView::pageLoadFinished, &view, [&](bool) { ++loads; });

    const qsizetype kilobytes = argc > 2 ? std::max(1, atoi(argv[2])) : 1024;
    const QString text = markdown(kilobytes * 1024);
    const RenderingResult page = MarkdownFormatter::formatForPreview(text, std::nullopt, QStringLiteral("bench"));
    view.loadHtml(page.markdown, QUrl::fromLocalFile(QDir::tempPath() + QLatin1Char('/')));
    waitFor([&] { return loads > 0; });

    const QUrl base = QUrl::fromLocalFile(QDir::tempPath() + QLatin1Char('/'));
    const QUrl document = QUrl::fromLocalFile(QDir::tempPath() + QStringLiteral("/bench.md"));
    // One update: format, put the body in, and wait until a script issued after it answers.
    struct Update {
        double format, issue, all;
    };
    int typed = 0;
    const auto update = [&](bool fullLoad) {
        const QString edited = text + QStringLiteral("\n\nTyped %1").arg(typed++);
        QElapsedTimer timer;
        timer.start();
        const RenderingResult r = MarkdownFormatter::formatForPreview(edited, std::nullopt, QStringLiteral("bench"));
        const QString html = PreviewController::paneHTML(r);
        const double formatted = timer.nsecsElapsed() / 1e6;
        const int before = loads;
        controller.loadHTML(html, document, base);
        const double issued = timer.nsecsElapsed() / 1e6;
        if (fullLoad)
            waitFor([&] { return loads > before; });
        bool answered = false;
        view.runScript(QStringLiteral("document.body.childElementCount"), platform::WebView::World::Page, [&](const QVariant&) { answered = true; });
        waitFor([&] { return answered; });
        return Update { formatted, issued - formatted, timer.nsecsElapsed() / 1e6 };
    };
    // What the pane waits after a keystroke before it renders: the page has laid out and painted
    // the last update by then, as it has when someone types.
    const auto typingPause = [&] {
        QEventLoop loop;
        QTimer::singleShot(PreviewController::pauseMilliseconds(text.size()), &loop, &QEventLoop::quit);
        loop.exec();
    };
    {
        std::vector<double> format, paused, issue, backToBack, full;
        update(true);
        for (int i = 0; i < runs; ++i) {
            typingPause();
            const Update u = update(false);
            format.push_back(u.format);
            issue.push_back(u.issue);
            paused.push_back(u.all);
        }
        for (int i = 0; i < runs; ++i)
            backToBack.push_back(update(false).all);
        for (int i = 0; i < std::max(3, runs / 2); ++i) {
            QElapsedTimer timer;
            timer.start();
            controller.setDocumentURL({});
            const RenderingResult r = MarkdownFormatter::formatForPreview(text, std::nullopt, QStringLiteral("bench"));
            const int before = loads;
            controller.loadHTML(PreviewController::paneHTML(r), document, base);
            waitFor([&] { return loads > before; });
            bool answered = false;
            view.runScript(QStringLiteral("1"), platform::WebView::World::Page, [&](const QVariant&) { answered = true; });
            waitFor([&] { return answered; });
            full.push_back(timer.nsecsElapsed() / 1e6);
        }
        report("after a pause: formatForPreview", format);
        report("after a pause: issuing the update (C++)", issue);
        report("after a pause: formatForPreview + page update", paused);
        report("back to back: formatForPreview + page update", backToBack);
        report("full load (format, load, finishing scripts)", full);
    }

    std::vector<double> walk, count, total;
    uint64_t words = 0;
    for (int i = 0; i <= runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        QString json;
        view.runScript(TextCount::domTreeScript(), platform::WebView::World::Application, [&](const QVariant& v) { json = v.toString(); });
        waitFor([&] { return !json.isEmpty(); });
        const double walked = timer.nsecsElapsed() / 1e6;
        const QJsonDocument tree = QJsonDocument::fromJson(json.toUtf8());
        words = TextCount::countDomTree(QJsonValue(tree.array())).words;
        const double all = timer.nsecsElapsed() / 1e6;
        if (i > 0) {
            walk.push_back(walked);
            count.push_back(all - walked);
            total.push_back(all);
        }
    }
    std::printf("%lld KB document: %lld bytes of page, %llu words\n", static_cast<long long>(kilobytes), static_cast<long long>(page.markdown.size()),
        static_cast<unsigned long long>(words));
    report("count: DOM walk and transfer", walk);
    report("count: parse and count in C++", count);
    report("count: total", total);

    // What the pane does after each update: only the nodes the update changed are walked.
    std::vector<double> incremental;
    for (int i = 0; i <= runs; ++i) {
        const RenderingResult r = MarkdownFormatter::formatForPreview(text + QStringLiteral("\n\nCounted %1").arg(i), std::nullopt, QStringLiteral("bench"));
        controller.loadHTML(PreviewController::paneHTML(r), document, base);
        bool updated = false;
        view.runScript(QStringLiteral("1"), platform::WebView::World::Page, [&](const QVariant&) { updated = true; });
        waitFor([&] { return updated; });
        QElapsedTimer timer;
        timer.start();
        bool answered = false;
        controller.textCount([&](const DOMNodeTextCount& c) {
            words = c.words;
            answered = true;
        });
        waitFor([&] { return answered; });
        if (i > 0)
            incremental.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("after the last update: %llu words\n", static_cast<unsigned long long>(words));
    report("count after an update (changed nodes walked)", incremental);
    return 0;
}
