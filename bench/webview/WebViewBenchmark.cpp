// The web view with pages of preview size, offscreen: a full load of 1 MB and 3 MB pages
// (the second through the private file), and replacing a 1 MB body until a script issued
// after it answers. Prints median and 95th percentile. Usage: bench_webview [runs]
#include "BenchSupport.h"

#include "platform/ApplicationStartup.h"
#include "platform/web/WebView.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using penwick::platform::WebView;

namespace {

using penwick::bench::waitFor;

QString body(qsizetype bytes, int variant)
{
    QString out;
    int i = 0;
    while (out.size() < bytes) {
        out += QStringLiteral("<h2 id=\"s%1\">Section %1.%2</h2><p>Some <em>emphasis</em>, some <strong>strong text</strong>, a "
                              "<code>code span</code> and a <a href=\"http://example.com/\">link</a> in a paragraph that runs on "
                              "for a while to look like prose.</p><ul><li>one</li><li>two</li></ul>\n")
                   .arg(i++)
                   .arg(variant);
    }
    return out;
}

QString page(qsizetype bytes)
{
    return QStringLiteral("<!DOCTYPE html><html><head><title>b</title></head><body>") + body(bytes, 0)
        + QStringLiteral("</body></html>");
}

void report(const char* what, std::vector<double> ms)
{
    penwick::bench::reportMedianAndP95(what, std::move(ms), 44);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    penwick::platform::prepareWebEngine();
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(3, atoi(argv[1])) : 10;
    WebView view;
    view.resize(900, 700);
    view.show();
    int loads = 0;
    QObject::connect(&view, &WebView::pageLoadFinished, &view, [&](bool) { ++loads; });
    const QUrl base = QUrl::fromLocalFile(QDir::tempPath() + QLatin1Char('/'));

    for (const qsizetype size : { qsizetype(1024 * 1024), qsizetype(3 * 1024 * 1024) }) {
        const QString html = page(size);
        std::vector<double> times;
        for (int i = 0; i <= runs; ++i) {
            QElapsedTimer timer;
            timer.start();
            const int before = loads;
            view.loadHtml(html, base);
            bool answered = false;
            waitFor([&] { return loads > before; });
            view.runScript(QStringLiteral("document.body.childElementCount"), WebView::World::Page,
                [&](const QVariant&) { answered = true; });
            waitFor([&] { return answered; });
            if (i > 0) // the first run warms the engine
                times.push_back(timer.nsecsElapsed() / 1e6);
        }
        report(size > 2 * 1024 * 1024 ? "full load, 3 MB page (private file)" : "full load, 1 MB page", times);
    }

    view.loadHtml(page(1024 * 1024), base);
    const int before = loads;
    waitFor([&] { return loads > before; });
    std::vector<QString> bodies { body(1024 * 1024, 1), body(1024 * 1024, 2) };
    std::vector<double> times;
    for (int i = 0; i <= runs * 2; ++i) {
        QElapsedTimer timer;
        timer.start();
        bool answered = false;
        view.setBodyHtml(bodies[i % 2]);
        view.runScript(QStringLiteral("document.body.childElementCount"), WebView::World::Page, [&](const QVariant&) { answered = true; });
        waitFor([&] { return answered; });
        if (i > 0)
            times.push_back(timer.nsecsElapsed() / 1e6);
    }
    report("1 MB body injection until a script answers", times);
    return 0;
}
