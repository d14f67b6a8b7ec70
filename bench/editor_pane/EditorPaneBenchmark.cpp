// An editor pane on a large document, offscreen: time to the first painted frame, time to
// fully styled text, and the main thread's time per keystroke (highlighting, paragraph style
// and spelling together, the event loop's busy time from the key until the next one 80 ms
// later).
// Usage:
//   bench_editor_pane [megabytes]           prose of many paragraphs (default 5 MB), 100 keys
//                                           typed into the middle
//   bench_editor_pane datauri [megabytes]   an image pasted as a data URI: one line of base64
//                                           (default 2 MB) between two short paragraphs
//   bench_editor_pane oneline [megabytes]   random words with Markdown punctuation on a single
//                                           line (default 20 MB)
// The two long-line documents type 20 keys (PANE_BENCH_KEYS) at the end of the long line and
// as many in its middle, and give the peak memory against the file's size. Each key's time is
// given as the event loop's busy time and as the main thread's processor time, which other
// programs on the machine do not inflate. A phase that keeps the main thread longer
// than PANE_BENCH_LIMIT seconds (default 120) ends the run with exit code 4.
// PANE_BENCH_VERBOSE=1 lists every key; PANE_BENCH_NO_HIGHLIGHTER=1 and
// PANE_BENCH_NO_SPELLING=1 type with that part switched off; PANE_BENCH_DEFAULT_MALLOC=1 runs
// without the allocator setting Penwick makes at start.
// Exits with 3 when the 95th percentile per keystroke is 16 ms or more.
#include "BenchSupport.h"

#include "shell/MainTextEditor.h"
#include "shell/TVXDocument.h"
#include "shell/TVXTextEditorViewController.h"

#include "CoreSetup.h"
#include "highlighter/MarkdownHighlighter.h"
#include "platform/ApplicationStartup.h"
#include "platform/UserDefaults.h"
#include "platform/text/ContinuousSpellChecker.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <utility>
#include <vector>

using namespace penwick;

namespace {

using bench::waitFor;

QString generatedDocument(qsizetype bytes)
{
    static const char* const paragraphs[] = {
        "# Heading of a section\n\n",
        "Some *emphasis*, some **strong text**, a `code span` and a [link](http://example.com/page) in a "
        "paragraph that runs on for a while to look like prose, with a mispelt wrod now and then.\n\n",
        "- first item with <http://example.org>\n- second item with <someone@example.org>\n- third item\n\n",
        "1. one\n2. two\n3. three\n\n",
        "> A quoted line with *emphasis*\n> and another quoted line.\n\n",
        "    indented code block\n    second line of code\n\n",
        "Text with an entity &amp; and inline <span>HTML</span> and a reference [ref][r].\n\n",
        "[r]: http://example.net/reference \"Title\"\n\n",
        "## Subheading\n\n---\n\n",
    };
    return bench::repeatedParagraphs(paragraphs, bytes);
}

// Counts the event loop's busy time: from waking up until it next waits.
class BusyMeter : public QObject {
public:
    BusyMeter()
    {
        QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
        connect(dispatcher, &QAbstractEventDispatcher::awake, this, [this] {
            if (!m_running)
                m_timer.start(), m_running = true;
        });
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
            if (m_running)
                m_busyNs += m_timer.nsecsElapsed(), m_running = false;
        });
    }
    qint64 take()
    {
        if (m_running)
            m_busyNs += m_timer.nsecsElapsed(), m_timer.start();
        return std::exchange(m_busyNs, 0);
    }

private:
    QElapsedTimer m_timer;
    bool m_running = false;
    qint64 m_busyNs = 0;
};

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

// An image pasted into a note: its base64 data on one line, with a misspelt word after it.
QString dataUriDocument(qsizetype bytes)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    QString data;
    data.reserve(bytes);
    quint32 state = 12345;
    for (qsizetype i = 0; i < bytes; ++i) {
        state = state * 1664525u + 1013904223u;
        data += QLatin1Char(alphabet[(state >> 24) % 64]);
    }
    return QStringLiteral("# Pasted image\n\nThe screenshot of the dialog:\n\n![screenshot](data:image/png;base64,")
        + data + QStringLiteral(")\n\nA mispelt wrod after the image.\n");
}

// Random words, some misspelt, with Markdown punctuation, and not a single line break.
QString singleLineDocument(qsizetype bytes)
{
    static const char* const words[] = { "the", "quick", "brown", "fox", "*jumps*", "over", "**lazy**", "dog",
        "`code`", "[link](http://example.com)", "wrod", "mispelt", "#tag", "_under_", "qwzx", "and", "a", "teh",
        "(aside)", "<span>", "&amp;", "words" };
    QString text;
    text.reserve(bytes + 64);
    quint32 state = 54321;
    while (text.size() < bytes) {
        state = state * 1664525u + 1013904223u;
        text += QString::fromLatin1(words[(state >> 16) % std::size(words)]);
        text += (state >> 8) % 13 == 0 ? QStringLiteral(". ") : QStringLiteral(" ");
    }
    return text;
}

// Peak and current resident memory of this process, in bytes.
std::pair<qint64, qint64> residentMemory()
{
    QFile status(QStringLiteral("/proc/self/status"));
    qint64 peak = 0, now = 0;
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            const auto kib = [&] { return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024; };
            if (line.startsWith("VmHWM:"))
                peak = kib();
            else if (line.startsWith("VmRSS:"))
                now = kib();
        }
    }
    return { peak, now };
}

// Ends the run when one phase keeps the main thread too long: a stalled paint never returns
// to the event loop, so no timer on the main thread could tell.
class Watchdog {
public:
    explicit Watchdog(double limitSeconds)
        : m_limitNs(qint64(limitSeconds * 1e9))
        , m_thread([this] { run(); })
    {
        m_clock.start();
    }
    ~Watchdog()
    {
        m_done = true;
        m_thread.join();
    }
    void enter(const char* phase)
    {
        m_phaseStart = m_clock.nsecsElapsed();
        m_phase = phase;
    }

private:
    void run()
    {
        while (!m_done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            const char* phase = m_phase;
            if (phase && m_clock.nsecsElapsed() - m_phaseStart > m_limitNs) {
                const auto [peak, now] = residentMemory();
                std::printf("  STALLED: %s took over %.0f s (resident now %.0f MB, peak %.0f MB)\n", phase,
                    double(m_limitNs) / 1e9, double(now) / 1048576.0, double(peak) / 1048576.0);
                std::fflush(stdout);
                std::_Exit(4);
            }
        }
    }

    const qint64 m_limitNs;
    QElapsedTimer m_clock;
    std::atomic<const char*> m_phase = nullptr;
    std::atomic<qint64> m_phaseStart = 0;
    std::atomic<bool> m_done = false;
    std::thread m_thread;
};


// Processor time of the calling thread, in nanoseconds: what the work costs, however many
// other programs share the machine (the busy time also counts the waits for a processor).
qint64 threadCpuNs()
{
    timespec now {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

struct KeyTimes {
    std::vector<double> busy; // the event loop's busy time per key, ms
    std::vector<double> cpu;  // the main thread's processor time per key, ms
};

// Types `count` letters at `position`, each one 80 ms after the last; answers the event
// loop's busy time and the main thread's processor time for each.
KeyTimes typeKeys(MainTextEditor* editor, qsizetype position, int count, BusyMeter& meter, const int& accepted)
{
    editor->setSelectedRange(platform::TextRange(position, 0));
    editor->ensureCursorVisible();
    QCoreApplication::processEvents();
    KeyTimes times;
    for (int i = 0; i < count; ++i) {
        meter.take();
        const qint64 cpuStart = threadCpuNs();
        QElapsedTimer key;
        key.start();
        const QString character = QString(QChar(u'a' + i % 26));
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A + i % 26, Qt::NoModifier, character);
        QApplication::sendEvent(editor, &press);
        const qint64 handling = key.nsecsElapsed();
        QEventLoop loop;
        QTimer::singleShot(80, &loop, &QEventLoop::quit);
        loop.exec();
        times.busy.push_back(double(meter.take()) / 1e6); // the handling falls inside the busy time
        times.cpu.push_back(double(threadCpuNs() - cpuStart) / 1e6);
        if (qEnvironmentVariableIsSet("PANE_BENCH_VERBOSE"))
            std::printf("    key %d: handling %.2f ms, total %.2f ms, processor %.2f ms, accepted parses so far %d\n", i,
                double(handling) / 1e6, times.busy.back(), times.cpu.back(), accepted);
    }
    return times;
}

void reportKeys(const char* where, const KeyTimes& times)
{
    std::printf("  main thread per keystroke %s (%zu keys, 80 ms apart): median %.2f ms, p95 %.2f ms, max %.2f ms\n",
        where, times.busy.size(), percentile(times.busy, 0.5), percentile(times.busy, 0.95), percentile(times.busy, 1.0));
    std::printf("    its processor time: median %.2f ms, p95 %.2f ms, max %.2f ms\n", percentile(times.cpu, 0.5),
        percentile(times.cpu, 0.95), percentile(times.cpu, 1.0));
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    // As Penwick does; PANE_BENCH_DEFAULT_MALLOC=1 leaves the allocator as it comes.
    if (!qEnvironmentVariableIsSet("PANE_BENCH_DEFAULT_MALLOC"))
        platform::keepLargeFreedMemory();
    QApplication app(argc, argv);
    registerBundledDefaults();
    platform::UserDefaults::standard().setValue(QStringLiteral("editorThemePreference"), QStringLiteral("Penwick Light"));
    QStringList args = QCoreApplication::arguments().mid(1);
    const QString kind = !args.isEmpty() && (args.first() == QLatin1String("datauri") || args.first() == QLatin1String("oneline"))
        ? args.takeFirst()
        : QString();
    const double defaultMegabytes = kind == QLatin1String("datauri") ? 2.0 : kind == QLatin1String("oneline") ? 20.0 : 5.0;
    const double megabytes = !args.isEmpty() ? args.first().toDouble() : defaultMegabytes;
    const qsizetype units = qsizetype(megabytes * 1024 * 1024);
    const QString text = kind == QLatin1String("datauri") ? dataUriDocument(units)
        : kind == QLatin1String("oneline")                ? singleLineDocument(units)
                                                          : generatedDocument(units);
    const qint64 fileBytes = text.toUtf8().size();
    std::printf("Editor pane, %.1f MB %s (%lld characters)\n", megabytes,
        kind == QLatin1String("datauri")       ? "document with a data-URI image line"
            : kind == QLatin1String("oneline") ? "document on a single line"
                                               : "document",
        static_cast<long long>(text.size()));
    const double limit = qEnvironmentVariableIsSet("PANE_BENCH_LIMIT") ? qEnvironmentVariable("PANE_BENCH_LIMIT").toDouble() : 120.0;
    Watchdog watchdog(limit);

    TVXDocument document;
    document.setContents(text);
    QElapsedTimer clock;
    clock.start();
    watchdog.enter("making the pane and loading the text");
    TVXTextEditorViewController pane(&document);
    MainTextEditor* editor = pane.editorTextView();
    int highlightPasses = 0;
    int accepted = 0;
    QObject::connect(pane.highlighter(), &MarkdownHighlighter::parseAccepted, [&] { ++accepted; });
    QObject::connect(pane.highlighter(), &MarkdownHighlighter::highlightingApplied, [&] { ++highlightPasses; });
    bool painted = false;
    struct PaintWatch : QObject {
        bool* painted;
        explicit PaintWatch(bool* p) : painted(p) {}
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                *painted = true;
            return false;
        }
    } watch(&painted);
    editor->viewport()->installEventFilter(&watch);
    pane.view()->resize(1000, 800);
    pane.view()->show();
    const double created = double(clock.nsecsElapsed()) / 1e6;
    watchdog.enter("the first painted frame");
    if (!waitFor([&] { return painted; }))
        return 1;
    const double firstFrame = double(clock.nsecsElapsed()) / 1e6;
    watchdog.enter("styling the text");
    if (!waitFor([&] { return pane.highlighter()->cachedElements().has_value() && !pane.highlighter()->isParsing() && highlightPasses > 0; }))
        return 1;
    const double styled = double(clock.nsecsElapsed()) / 1e6;
    std::printf("  pane made and text loaded: %.0f ms\n  first painted frame: %.0f ms\n  fully styled: %.0f ms\n",
        created, firstFrame, styled);

    editor->setFocus();
    QCoreApplication::processEvents();
    // To tell the parts apart: typing without the highlighter, without spelling.
    if (qEnvironmentVariableIsSet("PANE_BENCH_NO_HIGHLIGHTER"))
        pane.highlighter()->deactivate();
    if (qEnvironmentVariableIsSet("PANE_BENCH_NO_SPELLING"))
        editor->setContinuousSpellCheckingEnabled(false);
    BusyMeter meter;
    std::vector<double> all;
    if (kind.isEmpty()) {
        watchdog.enter("typing into the middle");
        const KeyTimes keys = typeKeys(editor, editor->textLength() / 2, 100, meter, accepted);
        reportKeys("", keys);
        all = keys.busy;
    } else {
        // The long line is the longest one; type at its end, then in its middle.
        const QString& shown = editor->string();
        qsizetype longStart = 0, longLength = 0;
        for (qsizetype from = 0; from <= shown.size();) {
            qsizetype to = shown.indexOf(QLatin1Char('\n'), from);
            if (to < 0)
                to = shown.size();
            if (to - from > longLength)
                longStart = from, longLength = to - from;
            from = to + 1;
        }
        const int keyCount = qEnvironmentVariableIsSet("PANE_BENCH_KEYS") ? qEnvironmentVariableIntValue("PANE_BENCH_KEYS") : 20;
        watchdog.enter("typing at the end of the long line");
        const KeyTimes atEnd = typeKeys(editor, longStart + longLength, keyCount, meter, accepted);
        reportKeys("at the end of the long line", atEnd);
        watchdog.enter("typing in the middle of the long line");
        const KeyTimes inMiddle = typeKeys(editor, longStart + longLength / 2, keyCount, meter, accepted);
        reportKeys("in the middle of the long line", inMiddle);
        all = atEnd.busy;
        all.insert(all.end(), inMiddle.busy.begin(), inMiddle.busy.end());
    }
    watchdog.enter("the last parse");
    waitFor([&] { return !pane.highlighter()->isParsing(); });
    watchdog.enter(nullptr);
    std::printf("  misspelt words marked in view: %lld\n",
        static_cast<long long>(editor->spellChecker()->misspelledRanges().size()));
    if (!kind.isEmpty()) {
        const auto [peak, now] = residentMemory();
        std::printf("  memory: peak %.0f MB, now %.0f MB, for a file of %.1f MB (peak %.1f times the file)\n",
            double(peak) / 1048576.0, double(now) / 1048576.0, double(fileBytes) / 1048576.0, double(peak) / double(fileBytes));
    }
    return percentile(all, 0.95) < 16.0 ? 0 : 3;
}
