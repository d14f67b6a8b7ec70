// The preview with a 1 MB Markdown document, offscreen: counting the words of the rendered
// page (the DOM walk and its transfer, then the count). Prints median and 95th percentile.
// Usage: bench_preview [runs]
#include "Services/MarkdownFormatter.h"
#include "platform/ApplicationStartup.h"
#include "platform/web/WebView.h"
#include "preview/BasePreviewController.h"
#include "preview/TextCount.h"
#include "CoreSetup.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace penwick;

namespace {

QString markdown(qsizetype bytes)
{
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

bool spinUntil(const std::function<bool()>& done, int timeoutMs = 120000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

void report(const char* what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    const double p95 = ms[std::min(ms.size() - 1, static_cast<size_t>(ms.size() * 0.95))];
    std::printf("%-52s median %8.1f ms   p95 %8.1f ms   (%zu runs)\n", what, median, p95, ms.size());
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    platform::prepareWebEngine();
    QApplication app(argc, argv);
    registerBundledDefaults();
    const int runs = argc > 1 ? std::max(3, atoi(argv[1])) : 10;

    platform::WebView view;
    view.resize(900, 700);
    view.show();
    BasePreviewController controller;
    controller.setPreviewView(&view);
    int loads = 0;
    QObject::connect(&view, &platform::WebView::pageLoadFinished, &view, [&](bool) { ++loads; });

    const QString text = markdown(1024 * 1024);
    const RenderingResult page = MarkdownFormatter::formatForPreview(text, std::nullopt, QStringLiteral("bench"));
    view.loadHtml(page.markdown, QUrl::fromLocalFile(QDir::tempPath() + QLatin1Char('/')));
    spinUntil([&] { return loads > 0; });

    std::vector<double> walk, count, total;
    uint64_t words = 0;
    for (int i = 0; i <= runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        QString json;
        view.runScript(TextCount::domTreeScript(), platform::WebView::World::Application, [&](const QVariant& v) { json = v.toString(); });
        spinUntil([&] { return !json.isEmpty(); });
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
    std::printf("1 MB document: %lld bytes of page, %llu words\n", static_cast<long long>(page.markdown.size()),
        static_cast<unsigned long long>(words));
    report("count: DOM walk and transfer", walk);
    report("count: parse and count in C++", count);
    report("count: total", total);
    return 0;
}
