// Typing into a 1 MB document in a document window with the preview open, offscreen: for
// keystrokes back to back and at a few steady paces, how many times the preview renders per
// keystroke and how much main-thread processor time each keystroke costs (its own handling
// plus its share of the renders, from the first key until the last render reached the page),
// with the handling of the key event alone as median and 95th percentile. The same
// typing in a window without a preview is the baseline. Runs in settings and data folders of
// its own, since it installs a page-update counter.
// Usage: bench_preview_typing [keystrokes] (default 100)
#include "BenchSupport.h"
#include "PreviewedDocumentWindow.h"

#include "CoreSetup.h"
#include "Services/JSCallbackManager.h"
#include "platform/ApplicationStartup.h"
#include "platform/text/TextView.h"
#include "platform/web/WebView.h"
#include "preview/PreviewController.h"
#include "preview/PreviewPane.h"
#include "shell/TVXDocument.h"
#include "shell/TVXDocumentWindowController.h"
#include "shell/TVXTextEditorViewController.h"
#include "shell/WindowPreview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextCursor>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

using namespace penwick;

namespace {

QString longMarkdown()
{
    static const char* const parts[] = {
        "# A section\n\nA paragraph with *emphasis*, **strong text** and a `code span`, long enough to wrap "
        "once or twice in a narrow pane.\n\n",
        "- one\n- two\n- three\n\n",
        "```python\ndef answer():\n    return 42\n```\n\n",
    };
    return bench::repeatedParagraphs(parts, 1024 * 1024);
}

// The processor time the calling thread has used, in milliseconds.
double threadCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Runs the event loop, sleeping when it has nothing to do, until the condition holds; the
// shared waitFor spins, which would count as main-thread time here.
void rest(qint64 ms)
{
    QEventLoop loop;
    QTimer::singleShot(std::chrono::milliseconds(ms), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

bool restUntil(const std::function<bool()>& condition, int timeoutMs = 120000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        rest(5);
    }
    return true;
}

using bench::keystroke;
using Window = bench::PreviewedDocumentWindow;

// Types `keys` letters at one every `paceMs` (0: back to back, the event loop run once
// between them) and prints the line for it.
void typeAtPace(Window& window, int keys, int paceMs, const char* what)
{
    bench::waitFor([&] { return window.idle(); });
    const int rendersBefore = window.pane ? window.eval(QStringLiteral("window.renders || 0")).toInt() : 0;
    static const QString words = QStringLiteral("typed words at the end ");
    std::vector<double> handling;
    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = threadCpuMs();
    for (int i = 0; i < keys; ++i) {
        QElapsedTimer key;
        key.start();
        keystroke(window.view, words.at(i % words.size()));
        handling.push_back(key.nsecsElapsed() / 1e6);
        if (paceMs == 0)
            QCoreApplication::processEvents();
        else
            rest(std::max<qint64>(0, qint64(i + 1) * paceMs - wall.elapsed()));
    }
    if (!restUntil([&] { return window.idle(); }, 20000))
        std::fprintf(stderr, "the preview did not come to rest\n");
    const double busyMs = threadCpuMs() - cpuBefore;
    const int renders = window.pane ? window.eval(QStringLiteral("window.renders || 0")).toInt() - rendersBefore : 0;
    std::sort(handling.begin(), handling.end());
    std::printf("%-34s %4d keys  renders/key %5.2f  main thread/key %7.2f ms  (keystroke median %6.2f ms, p95 %6.2f ms)\n",
        what, keys, double(renders) / keys, busyMs / keys, handling[handling.size() / 2],
        handling[std::min(handling.size() - 1, size_t(double(handling.size()) * 0.95))]);
}

} // namespace

int main(int argc, char* argv[])
{
    QTemporaryDir home;
    for (const char* name : { "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" })
        qputenv(name, (home.path() + QLatin1Char('/') + QLatin1String(name)).toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    platform::prepareWebEngine();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PenwickBench"));
    registerBundledDefaults();
    TVXTextEditorViewController::installAsEditorFactory();
    JSCallbackManager::sharedInstance().saveOnUpdateCallbackJS(QStringLiteral("window.renders = (window.renders || 0) + 1;"));
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int keys = argc > 1 ? std::max(10, atoi(argv[1])) : 100;

    {
        Window previewed(true, home.filePath(QStringLiteral("previewed.md")), longMarkdown());
        if (!bench::waitFor([&] { return previewed.eval(QStringLiteral("window.renders || 0")).toInt() >= 1 && previewed.idle(); })) {
            std::fprintf(stderr, "the preview never showed the document\n");
            return 1;
        }
        std::printf("1 MB document (%lld characters), preview pause %d ms\n", static_cast<long long>(previewed.view->string().size()),
            PreviewController::pauseMilliseconds(previewed.view->string().size()));
        typeAtPace(previewed, keys, 0, "preview open, back to back");
        typeAtPace(previewed, keys, 50, "preview open, one key per 50 ms");
        typeAtPace(previewed, keys, 150, "preview open, one key per 150 ms");
        typeAtPace(previewed, std::max(10, keys / 4), 400, "preview open, one key per 400 ms");
    }
    {
        Window plain(false, home.filePath(QStringLiteral("plain.md")), longMarkdown());
        bench::waitFor([&] { return plain.idle(); });
        typeAtPace(plain, keys, 0, "no preview, back to back");
        typeAtPace(plain, keys, 150, "no preview, one key per 150 ms");
    }
    return 0;
}
