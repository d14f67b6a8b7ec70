// A document window with 50 tabs (real editor panes on 10 KB documents), offscreen: the main
// thread's time per tab switch, from the selection until the event loop is idle again, without
// a preview (its render is not counted). Reports the median and the 95th percentile.
// Usage: bench_window_tabs [tabs] (default 50). Exits with 3 when the 95th percentile is 16 ms or more.
#include "shell/TVXDocument.h"
#include "shell/TVXDocumentWindowController.h"
#include "shell/TVXTextEditorViewController.h"

#include "CoreSetup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace penwick;

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PenwickBench"));
    registerBundledDefaults();
    const int tabs = argc > 1 ? std::max(3, atoi(argv[1])) : 50;

    TVXDocument::setEditorViewControllerFactory([](TVXDocument* d) {
        auto* pane = new TVXTextEditorViewController(d);
        return static_cast<EditorViewControllerInterface*>(pane);
    });
    TVXDocumentWindowController window;
    window.window()->show();
    QString text;
    while (text.size() < 10 * 1024)
        text += QStringLiteral("# Heading\n\nSome *emphasis*, a `code span` and a [link](http://example.com).\n\n- item\n- item\n\n");
    std::vector<std::unique_ptr<TVXDocument>> documents;
    for (int i = 0; i < tabs; ++i) {
        auto document = std::make_unique<TVXDocument>();
        document->setContents(text);
        window.addDocument(document.get());
        documents.push_back(std::move(document));
    }
    QApplication::processEvents();

    std::vector<double> ms;
    QElapsedTimer clock;
    for (int round = 0; round < 4 * tabs; ++round) {
        clock.start();
        window.gotoNextDoc();
        QApplication::processEvents();
        ms.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    const double p95 = ms[std::min(ms.size() - 1, size_t(ms.size() * 0.95))];
    std::printf("tabs: %d, switches: %zu, median %.2f ms, 95th percentile %.2f ms, max %.2f ms\n", tabs, ms.size(), median, p95, ms.back());
    window.closeAllTabs();
    TVXDocument::setEditorViewControllerFactory({});
    return p95 < 16.0 ? 0 : 3;
}
