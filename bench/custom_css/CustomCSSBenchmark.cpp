// A user style sheet of tens of megabytes, offscreen: the longest stall of the GUI thread
// while the Custom CSS pane opens and shows it, and while a person types into a document whose
// preview is open (main-thread time per keystroke and the longest stall), compared with no
// user style sheet. A timer that should fire every 2 ms measures the stalls.
// Runs in settings and data folders of its own.
// Usage: bench_custom_css [megabytes] (default 33)
#include "BenchSupport.h"
#include "PreviewedDocumentWindow.h"

#include "CoreSetup.h"
#include "Services/CustomCSSManager.h"
#include "Services/JSCallbackManager.h"
#include "platform/ApplicationStartup.h"
#include "platform/text/TextView.h"
#include "platform/web/WebView.h"
#include "preferences/CustomCSSPreferencesViewController.h"
#include "preview/PreviewController.h"
#include "preview/PreviewPane.h"
#include "shell/TVXDocument.h"
#include "shell/TVXDocumentWindowController.h"
#include "shell/TVXTextEditorViewController.h"
#include "shell/WindowPreview.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>

using namespace penwick;

namespace {

double threadCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The longest time between two turns of the GUI thread's event loop while it runs.
class StallMeter {
public:
    StallMeter()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
    }
    void start()
    {
        m_clock.start();
        m_last = 0;
        m_longest = 0;
        m_timer.start();
    }
    double longestMs()
    {
        m_timer.stop();
        return double(m_longest) / 1e6;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

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

QByteArray styleSheet(qsizetype megabytes)
{
    QByteArray css;
    css.reserve(megabytes * 1024 * 1024 + 256);
    for (int i = 0; css.size() < megabytes * 1024 * 1024; ++i)
        css += QByteArray(".rule-") + QByteArray::number(i) + " { color: #" + QByteArray::number(i % 0xFFFFFF, 16).rightJustified(6, '0')
            + "; margin: 0 " + QByteArray::number(i % 17) + "px; }\n";
    return css;
}

bool writeStyleSheet(const QByteArray& css)
{
    const QString path = CustomCSSManager::sharedInstance().customCSSPath();
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(css) != css.size())
        return false;
    file.close();
    // The store forgets what it read: the next reader reads the file again.
    return CustomCSSManager::sharedInstance().saveCustomCSS(QString::fromUtf8(css)) || true;
}

void openThePane(const char* what)
{
    CustomCSSPreferencesViewController pane;
    pane.resize(700, 500);
    pane.show();
    QCoreApplication::processEvents();
    StallMeter stalls;
    stalls.start();
    QElapsedTimer wall;
    wall.start();
    pane.viewWillAppear();
    restUntil([&] { return !pane.textEditor()->string().isEmpty(); });
    const double shownMs = double(wall.nsecsElapsed()) / 1e6;
    rest(200);
    std::printf("%-44s shown after %8.1f ms   longest GUI stall %8.1f ms\n", what, shownMs, stalls.longestMs());
    pane.viewDidDisappear();
}

using bench::keystroke;

// The custom CSS case's small note, in a window with its preview.
struct Window : bench::PreviewedDocumentWindow {
    explicit Window(const QString& path)
        : PreviewedDocumentWindow(true, path, QStringLiteral("# A note\n\nA few paragraphs of text to type after.\n\n- one\n- two\n\n"))
    {
    }
};

void type(const QString& folder, int keys, int paceMs, const char* what)
{
    Window window(folder + QStringLiteral("/typed.md"));
    if (!bench::waitFor([&] { return window.eval(QStringLiteral("window.renders || 0")).toInt() >= 1 && window.idle(); })) {
        std::fprintf(stderr, "the preview never showed the document\n");
        return;
    }
    const int rendersBefore = window.eval(QStringLiteral("window.renders || 0")).toInt();
    static const QString words = QStringLiteral("typed words at the end ");
    StallMeter stalls;
    stalls.start();
    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = threadCpuMs();
    for (int i = 0; i < keys; ++i) {
        keystroke(window.view, words.at(i % words.size()));
        rest(std::max<qint64>(0, qint64(i + 1) * paceMs - wall.elapsed()));
    }
    if (!restUntil([&] { return window.idle(); }, 60000))
        std::fprintf(stderr, "the preview did not come to rest\n");
    const double busyMs = threadCpuMs() - cpuBefore;
    const double longest = stalls.longestMs();
    const int renders = window.eval(QStringLiteral("window.renders || 0")).toInt() - rendersBefore;
    std::printf("%-44s %3d keys, %3d renders   main thread/key %7.2f ms   longest GUI stall %8.1f ms\n", what, keys, renders,
        busyMs / keys, longest);
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
    const qsizetype megabytes = argc > 1 ? std::max(1, atoi(argv[1])) : 33;

    const QByteArray big = styleSheet(megabytes);
    const QByteArray small = ".note { color: #333; }\n";
    for (const auto& [css, label] : { std::pair { small, "small" }, std::pair { big, "big" } }) {
        if (!writeStyleSheet(css)) {
            std::fprintf(stderr, "the style sheet could not be written\n");
            return 1;
        }
        const bool isBig = css.size() > 1024;
        std::printf("user style sheet of %.1f MB\n", double(css.size()) / (1024 * 1024));
        openThePane(isBig ? "Custom CSS pane opens (big sheet)" : "Custom CSS pane opens (small sheet)");
        type(home.path(), 40, 100, isBig ? "typing, preview open (big sheet)" : "typing, preview open (small sheet)");
        (void)label;
    }
    return 0;
}
