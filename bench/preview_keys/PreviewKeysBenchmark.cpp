// What a person waits for in a document window with the preview open, on documents shaped
// like real documentation (raw HTML tables, tag-like prose such as "Array<string>", reference
// links with their definitions): from a key typed in the middle of the text to the preview's
// frame painted in the window, and from a full reload to the same. Each is split into its
// parts: the typing pause, the rendering (render process and the update built in Penwick),
// the page's update, its layout and its paint, and the frame reaching the window; beside it,
// the longest the GUI thread was kept busy by one event from the end of the pause to the frame
// (its processor time, and the wall time), and what that event was (the receiver's class and
// the event's type, in the run with the median time).
// Usage: bench_preview_keys [runs] [sizes in KB...] (default 7 runs; 1024 3584 5120)
// PENWICK_BENCH_PRISM=0 measures without code highlighting. Run it on an X server (xcb): the
// offscreen platform draws no frames, so there "present" stays 0 and the frame's end counts.
#include "BenchSupport.h"
#include "PreviewedDocumentWindow.h"

#include "CoreSetup.h"
#include "Services/JSCallbackManager.h"
#include "platform/ApplicationStartup.h"
#include "platform/UserDefaults.h"
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
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QQuickWidget>
#include <QQuickWindow>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

using namespace penwick;

namespace {

// Milliseconds since the epoch: the page's clock (performance.timeOrigin + now) is the same.
double epochMs()
{
    return double(std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch()).count()) / 1e3;
}

double threadCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Times every event the GUI thread handles (outermost only), while asked to.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        if (m_depth++ > 0 || !recording) {
            const bool handled = QApplication::notify(receiver, event);
            --m_depth;
            return handled;
        }
        const double cpu = threadCpuMs();
        const double wall = epochMs();
        // Named before it is handled: the receiver may be gone after.
        const QString name = QString::fromLatin1(receiver->metaObject()->className()) + QLatin1Char('/') + QString::number(int(event->type()));
        const bool handled = QApplication::notify(receiver, event);
        --m_depth;
        const double spent = threadCpuMs() - cpu;
        if (spent > longestCpuMs) {
            longestCpuMs = spent;
            longestName = name;
        }
        longestWallMs = std::max(longestWallMs, epochMs() - wall);
        return handled;
    }
    void startRecording()
    {
        longestCpuMs = longestWallMs = 0;
        longestName.clear();
        recording = true;
    }

    bool recording = false;
    double longestCpuMs = 0;
    double longestWallMs = 0;
    QString longestName; // the receiver's class and the event's type

private:
    int m_depth = 0;
};

TimedApplication* app()
{
    return static_cast<TimedApplication*>(QCoreApplication::instance());
}

QString realShapedMarkdown(qsizetype bytes)
{
    static const char* const parts[] = {
        "## Method of a class\n\n",
        "Returns: {Array<string>} or {number|Object<string, Node>} when the *key* is `null`; see [the guide][guide].\n\n",
        "<table>\n<tr><th>Name</th><th>Type</th></tr>\n<tr><td>key</td><td><code>string</code></td></tr>\n</table>\n\n",
        "- first item with a [reference][api]\n- second item\n\n",
        "```js\nconst answer = list.map((x) => x * 2);\n```\n\n",
    };
    return bench::repeatedParagraphs(parts, bytes) + QStringLiteral("[guide]: http://example.com/guide\n[api]: http://example.com/api\n");
}

// Runs the event loop, sleeping when there is nothing to do.
void rest(qint64 ms)
{
    QEventLoop loop;
    QTimer::singleShot(std::chrono::milliseconds(ms), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Run after every update and load by the page (as the user's update callback): forces the
// layout and times it, then notes when the next frame starts and when its work on the page's
// thread is done (a message posted from the frame's animation callback runs after its paint).
const char kPageProbe[] = R"JS(
(function(){
  var now = function(){ return performance.timeOrigin + performance.now(); };
  var a = now(); document.body.offsetHeight; var b = now();
  var rec = { callback: a, layout: b - a, patched: a };
  var nav = performance.getEntriesByType('navigation')[0];
  if (nav && !window.__pwkLoad) {
    var fcp = performance.getEntriesByName('first-contentful-paint')[0];
    window.__pwkLoad = { start: performance.timeOrigin, dcl: nav.domContentLoadedEventEnd, load: nav.loadEventEnd, fcp: fcp ? fcp.startTime : -1 };
    rec.load = window.__pwkLoad;
  }
  var patch = (window.__pwkPatch || []).pop();
  if (patch) { rec.patched = patch.patched; rec.layout = patch.layout; }
  (window.__pwk = window.__pwk || []).push(rec);
  // The next update: when the body has changed (a microtask after the script that changed it),
  // the layout it needs, forced and timed.
  if (!window.__pwkObserver) {
    window.__pwkObserver = new MutationObserver(function(){
      var p = now(); document.body.offsetHeight;
      (window.__pwkPatch = window.__pwkPatch || []).push({ patched: p, layout: now() - p });
    });
    window.__pwkObserver.observe(document.body, { childList: true });
  }
  requestAnimationFrame(function(){
    rec.frameStart = now();
    var channel = new MessageChannel();
    channel.port1.onmessage = function(){ rec.frameEnd = now(); };
    channel.port2.postMessage(0);
  });
})();
)JS";

// The previewed window, its pane a little taller, with the cursor where the page shows it and
// each frame painted in the window counted.
struct Window : bench::PreviewedDocumentWindow {
    Window(const QString& path, const QString& text)
        : PreviewedDocumentWindow(true, path, text)
    {
        pane->resize(700, 800);
        // The cursor at the end of the first paragraph of prose: the page shows it, so the
        // update changes what is painted.
        QTextCursor cursor(view->document()->firstBlock());
        while (!cursor.block().text().startsWith(QLatin1String("Returns:")))
            cursor.movePosition(QTextCursor::NextBlock);
        cursor.movePosition(QTextCursor::EndOfBlock);
        view->setTextCursor(cursor);
        view->setFocus();
        // The page's frames reach the window through a Qt Quick scene of the view's: each one
        // drawn there is a frame painted.
        for (QQuickWidget* quick : pane->webView()->findChildren<QQuickWidget*>()) {
            QObject::connect(quick->quickWindow(), &QQuickWindow::afterRendering, quick, [this] {
                const std::lock_guard<std::mutex> lock(paintMutex);
                paintTimes.push_back(epochMs());
            }, Qt::DirectConnection);
        }
    }
    std::vector<double> paints()
    {
        const std::lock_guard<std::mutex> lock(paintMutex);
        return paintTimes;
    }
    int probes() { return eval(QStringLiteral("(window.__pwk || []).length")).toInt(); }
    QJsonObject probe(int index)
    {
        // The frame's end comes after the probe: ask until it is there.
        for (;;) {
            const QJsonObject rec = QJsonDocument::fromJson(
                eval(QStringLiteral("JSON.stringify(window.__pwk[%1])").arg(index)).toString().toUtf8()).object();
            if (rec.contains(QLatin1String("frameEnd")))
                return rec;
            rest(2);
        }
    }
    std::mutex paintMutex;
    std::vector<double> paintTimes;
};

void keystroke(QWidget* view)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QCoreApplication::sendEvent(view, &press);
    QCoreApplication::sendEvent(view, &release);
}

struct Sample {
    double total = 0; // start to the frame painted in the window
    double pause = 0; // the typing pause (0 for a reload)
    double render = 0; // end of the pause until the page's body has changed (or the page has loaded)
    double layout = 0;
    double scripts = 0; // the scripts that finish an update or load
    double paint = 0; // the frame's work on the page's thread
    double present = 0; // from that to the frame painted in the window
    double guiCpu = 0, guiWall = 0; // the longest event of the GUI thread from the end of the pause
    QString guiLongest; // what it was
    double loadDcl = -1, loadFcp = -1; // full loads: the page's parse ended, its first paint
};

// Waits for the next probe and the frame painted after it; fills in the page's part.
void finish(Window& window, int probesBefore, double start, double renderStart, Sample& s)
{
    bench::waitFor([&] { return window.probes() > probesBefore; });
    const QJsonObject rec = window.probe(probesBefore);
    const double frameEnd = rec.value(QLatin1String("frameEnd")).toDouble();
    const double frameStart = rec.value(QLatin1String("frameStart")).toDouble();
    bench::waitFor([&] { return !window.paints().empty() && window.paints().back() >= frameEnd; }, 3000);
    double painted = frameEnd;
    for (const double t : window.paints()) {
        if (t >= frameStart) {
            painted = std::max(t, frameEnd);
            break;
        }
    }
    s.total = painted - start;
    s.render = rec.value(QLatin1String("patched")).toDouble() - renderStart;
    s.layout = rec.value(QLatin1String("layout")).toDouble();
    s.scripts = rec.value(QLatin1String("callback")).toDouble() - rec.value(QLatin1String("patched")).toDouble() - s.layout;
    s.paint = frameEnd - frameStart;
    s.present = painted - frameEnd;
    if (rec.contains(QLatin1String("load"))) {
        const QJsonObject load = rec.value(QLatin1String("load")).toObject();
        s.loadDcl = load.value(QLatin1String("dcl")).toDouble();
        s.loadFcp = load.value(QLatin1String("fcp")).toDouble();
    }
    app()->recording = false;
    s.guiCpu = app()->longestCpuMs;
    s.guiWall = app()->longestWallMs;
    s.guiLongest = app()->longestName;
}

// Polls every millisecond until the condition holds; the time it first held.
double whenTrue(const std::function<bool()>& condition)
{
    while (!condition())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 1);
    return epochMs();
}

Sample typeAfterPause(Window& window)
{
    bench::waitFor([&] { return window.idle(); });
    rest(300);
    PreviewController* controller = window.pane->controller();
    {
        const std::lock_guard<std::mutex> lock(window.paintMutex);
        window.paintTimes.clear();
    }
    const int before = window.probes();
    Sample s;
    const double start = epochMs();
    keystroke(window.view);
    const double pauseEnd = whenTrue([&] { return controller->renderer().isBusy(); });
    app()->startRecording();
    s.pause = pauseEnd - start;
    finish(window, before, start, pauseEnd, s);
    return s;
}

Sample reload(Window& window)
{
    bench::waitFor([&] { return window.idle(); });
    rest(300);
    PreviewController* controller = window.pane->controller();
    {
        const std::lock_guard<std::mutex> lock(window.paintMutex);
        window.paintTimes.clear();
    }
    window.eval(QStringLiteral("window.__pwk = []; 0"));
    Sample s;
    const double start = epochMs();
    app()->startRecording();
    controller->setForceLoadInsteadOfInject(true);
    controller->rerenderWithNewBaseUrl(controller->baseURL(), window.document->canonicalURL());
    finish(window, 0, start, start, s);
    return s;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return NAN;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void report(const char* what, const std::vector<Sample>& samples)
{
    const auto column = [&](double Sample::*field) {
        std::vector<double> v;
        for (const Sample& s : samples)
            v.push_back(s.*field);
        return median(v);
    };
    std::vector<double> totals;
    for (const Sample& s : samples)
        totals.push_back(s.total);
    std::sort(totals.begin(), totals.end());
    std::printf("%-22s total %8.1f (p95 %8.1f)  after pause %8.1f | pause %6.1f render %7.1f layout %7.1f scripts %7.1f paint %6.1f present %6.1f"
                " | GUI longest %6.1f cpu %6.1f wall",
        what, column(&Sample::total), totals[std::min(totals.size() - 1, size_t(double(totals.size()) * 0.95))],
        column(&Sample::total) - column(&Sample::pause), column(&Sample::pause), column(&Sample::render),
        column(&Sample::layout), column(&Sample::scripts), column(&Sample::paint), column(&Sample::present), column(&Sample::guiCpu), column(&Sample::guiWall));
    // The event that kept the GUI thread longest in the run with the median of that.
    std::vector<const Sample*> byGui;
    for (const Sample& s : samples)
        byGui.push_back(&s);
    std::sort(byGui.begin(), byGui.end(), [](const Sample* a, const Sample* b) { return a->guiCpu < b->guiCpu; });
    std::printf(" (%s)", qPrintable(byGui[byGui.size() / 2]->guiLongest));
    if (samples.front().loadDcl >= 0)
        std::printf(" | load: parsed %7.1f first paint %7.1f", column(&Sample::loadDcl), column(&Sample::loadFcp));
    std::printf("  (ms, medians of %zu)\n", samples.size());
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
    platform::keepLargeFreedMemory(); // as the program does
    TimedApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PenwickBench"));
    registerBundledDefaults();
    if (qEnvironmentVariableIsSet("PENWICK_BENCH_PRISM"))
        platform::UserDefaults::standard().setValue(QStringLiteral("enablePrismJS"), qEnvironmentVariableIntValue("PENWICK_BENCH_PRISM") != 0);
    TVXTextEditorViewController::installAsEditorFactory();
    JSCallbackManager::sharedInstance().saveOnUpdateCallbackJS(QString::fromLatin1(kPageProbe));
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int runs = argc > 1 ? std::max(3, atoi(argv[1])) : 7;
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i)
        sizes.push_back(atoi(argv[i]));
    if (sizes.empty())
        sizes = { 1024, 3584, 5120 };

    for (const int kilobytes : sizes) {
        const QString text = realShapedMarkdown(qsizetype(kilobytes) * 1024);
        Window window(home.filePath(QStringLiteral("doc%1.md").arg(kilobytes)), text);
        if (!bench::waitFor([&] { return window.probes() >= 1 && window.idle(); }, 600000)) {
            std::fprintf(stderr, "the preview never showed the document\n");
            return 1;
        }
        std::printf("%d KB real-shaped document (%lld characters), typing pause %d ms\n", kilobytes,
            static_cast<long long>(text.size()), PreviewController::pauseMilliseconds(text.size()));
        std::vector<Sample> reloads, updates;
        for (int i = 0; i < std::max(3, runs / 2); ++i)
            reloads.push_back(reload(window));
        for (int i = 0; i < runs; ++i)
            updates.push_back(typeAfterPause(window));
        report("full reload", reloads);
        report("key after the pause", updates);
        std::printf("update / full reload (work after the pause): %.3f\n",
            (median([&] { std::vector<double> v; for (const Sample& s : updates) v.push_back(s.total - s.pause); return v; }()))
                / median([&] { std::vector<double> v; for (const Sample& s : reloads) v.push_back(s.total); return v; }()));
    }
    return 0;
}
