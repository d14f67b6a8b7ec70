// An editor pane on a 5 MB document, offscreen: time to the first painted frame, time to
// fully styled text, and the main thread's time per keystroke while typing 100 characters
// into the middle (highlighting, paragraph style and spelling together, the event loop's
// busy time from the key until the next one 80 ms later).
// Usage: bench_editor_pane [megabytes] (default 5). PANE_BENCH_VERBOSE=1 lists every key;
// PANE_BENCH_NO_HIGHLIGHTER=1 and PANE_BENCH_NO_SPELLING=1 type with that part switched off.
// Exits with 3 when the 95th percentile per keystroke is 16 ms or more.
#include "BenchSupport.h"

#include "shell/MainTextEditor.h"
#include "shell/TVXDocument.h"
#include "shell/TVXTextEditorViewController.h"

#include "CoreSetup.h"
#include "highlighter/MarkdownHighlighter.h"
#include "platform/UserDefaults.h"
#include "platform/text/ContinuousSpellChecker.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <cstdio>
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

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    registerBundledDefaults();
    platform::UserDefaults::standard().setValue(QStringLiteral("editorThemePreference"), QStringLiteral("Penwick Light"));
    const double megabytes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toDouble() : 5.0;
    const QString text = generatedDocument(qsizetype(megabytes * 1024 * 1024));
    std::printf("Editor pane, %.1f MB document (%lld characters)\n", megabytes, static_cast<long long>(text.size()));

    TVXDocument document;
    document.setContents(text);
    QElapsedTimer clock;
    clock.start();
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
    if (!waitFor([&] { return painted; }))
        return 1;
    const double firstFrame = double(clock.nsecsElapsed()) / 1e6;
    if (!waitFor([&] { return pane.highlighter()->cachedElements().has_value() && !pane.highlighter()->isParsing() && highlightPasses > 0; }))
        return 1;
    const double styled = double(clock.nsecsElapsed()) / 1e6;
    std::printf("  pane made and text loaded: %.0f ms\n  first painted frame: %.0f ms\n  fully styled: %.0f ms\n",
        created, firstFrame, styled);

    editor->setFocus();
    editor->setSelectedRange(platform::TextRange(editor->textLength() / 2, 0));
    QCoreApplication::processEvents();
    // To tell the parts apart: typing without the highlighter, without spelling.
    if (qEnvironmentVariableIsSet("PANE_BENCH_NO_HIGHLIGHTER"))
        pane.highlighter()->deactivate();
    if (qEnvironmentVariableIsSet("PANE_BENCH_NO_SPELLING"))
        editor->setContinuousSpellCheckingEnabled(false);
    BusyMeter meter;
    std::vector<double> perKey;
    for (int i = 0; i < 100; ++i) {
        meter.take();
        QElapsedTimer key;
        key.start();
        const QString character = QString(QChar(u'a' + i % 26));
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A + i % 26, Qt::NoModifier, character);
        QApplication::sendEvent(editor, &press);
        const qint64 handling = key.nsecsElapsed();
        QEventLoop loop;
        QTimer::singleShot(80, &loop, &QEventLoop::quit);
        loop.exec();
        perKey.push_back(double(meter.take()) / 1e6); // the handling falls inside the busy time
        if (qEnvironmentVariableIsSet("PANE_BENCH_VERBOSE"))
            std::printf("    key %d: handling %.2f ms, total %.2f ms, accepted parses so far %d\n", i, double(handling) / 1e6,
                perKey.back(), accepted);
    }
    waitFor([&] { return !pane.highlighter()->isParsing(); });
    std::printf("  main thread per keystroke (100 keys, 80 ms apart): median %.2f ms, p95 %.2f ms, max %.2f ms\n",
        percentile(perKey, 0.5), percentile(perKey, 0.95), percentile(perKey, 1.0));
    std::printf("  misspelt words marked in view: %lld\n",
        static_cast<long long>(editor->spellChecker()->misspelledRanges().size()));
    return percentile(perKey, 0.95) < 16.0 ? 0 : 3;
}
