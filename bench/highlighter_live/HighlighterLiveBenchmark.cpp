// Live highlighting in an offscreen editor: time from activation to the first
// styles and the resident memory with the document open, time from a keystroke to styles
// applied, main-thread time per restyle, and how many parses a burst of typing
// causes. Usage: bench_highlighter_live [markdown files...] (generated 100 KB and
// 1 MB documents when none are given).
#include "BenchSupport.h"

#include "highlighter/MarkdownHighlighter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>

using namespace penwick;

namespace {

using bench::waitFor;

QString generatedDocument(qsizetype bytes)
{
    static const char* const paragraphs[] = {
        "# Heading of a section\n\n",
        "Some *emphasis*, some **strong text**, a `code span` and a [link](http://example.com/page) in a "
        "paragraph that runs on for a while to look like prose.\n\n",
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

long statusKilobytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void sendKey(QWidget* target, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &release);
}

void run(const QString& name, const QString& text)
{
    QPlainTextEdit view;
    view.resize(900, 700);
    view.show();
    view.setPlainText(text);
    std::atomic<int> parses = 0;
    std::atomic<qint64> parseNanos = 0;
    MarkdownHighlighter highlighter(&view, 0.0);
    highlighter.setParseFunction([&](const QByteArray& utf8, int extensions) {
        ++parses;
        QElapsedTimer t;
        t.start();
        auto result = MarkdownHighlighter::parse(utf8, extensions);
        parseNanos += t.nsecsElapsed();
        return result;
    });
    int accepted = 0;
    QObject::connect(&highlighter, &MarkdownHighlighter::parseAccepted, [&] { ++accepted; });
    const long residentBefore = statusKilobytes("VmRSS:");
    QElapsedTimer firstHighlight;
    firstHighlight.start();
    highlighter.activate();
    if (!waitFor([&] { return accepted == 1; })) {
        std::printf("%s: first parse did not finish\n", qPrintable(name));
        return;
    }
    const double firstMs = firstHighlight.nsecsElapsed() / 1e6;
    std::printf("%s: %.0f KB, %d blocks, first parse %.1f ms on the worker, first highlight %.1f ms after "
                "activation\n",
        qPrintable(name), text.size() / 1024.0, view.document()->blockCount(), parseNanos / 1e6, firstMs);
    std::printf("  resident memory with the document open: %.1f MiB before highlighting, %.1f MiB after, "
                "peak %.1f MiB\n",
        residentBefore / 1024.0, statusKilobytes("VmRSS:") / 1024.0, statusKilobytes("VmHWM:") / 1024.0);

    // Keystroke to styles applied, typed in the middle of the document.
    QTextCursor middle(view.document()->findBlockByNumber(view.document()->blockCount() / 2));
    view.setTextCursor(middle);
    view.centerCursor();
    QCoreApplication::processEvents();
    std::vector<double> latencies;
    for (int i = 0; i < 10; ++i) {
        const int before = accepted;
        QElapsedTimer t;
        t.start();
        sendKey(&view, QStringLiteral("x"));
        if (!waitFor([&] { return accepted > before && !highlighter.isParsing(); }))
            break;
        latencies.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("  keystroke to styles applied: median %.1f ms, max %.1f ms (debounce 0)\n", median(latencies),
        latencies.empty() ? 0 : *std::max_element(latencies.begin(), latencies.end()));

    // Main-thread work per restyle: a full restyle of the visible blocks, the same
    // pass when nothing changed, the restyle after an edit, and taking the snapshot.
    std::vector<double> full, unchanged, edit, snapshot;
    const auto [start, length] = highlighter.visibleRange();
    for (int i = 0; i < 20; ++i) {
        highlighter.clearHighlightingForRange(start, length);
        QElapsedTimer t;
        t.start();
        highlighter.highlightNow();
        full.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        highlighter.highlightNow();
        unchanged.push_back(t.nsecsElapsed() / 1e6);
    }
    // Accepting a parse result on the main thread: the old cache goes, the visible text is restyled.
    std::vector<double> accept;
    for (int i = 0; i < 10; ++i) {
        std::optional<MarkdownElementLists> copy = highlighter.cachedElements();
        highlighter.clearHighlightingForRange(start, length);
        QElapsedTimer t;
        t.start();
        highlighter.cacheElementList(std::move(copy));
        highlighter.highlightNow();
        accept.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("  main thread per accepted parse (cache swap and restyle): median %.2f ms, max %.2f ms\n",
        median(accept), *std::max_element(accept.begin(), accept.end()));

    highlighter.setParseAndHighlightAutomatically(false);
    highlighter.deactivate();
    highlighter.activate();
    waitFor([&] { return !highlighter.isParsing() && highlighter.cachedElements().has_value(); });
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer t;
        t.start();
        view.textCursor().insertText(QStringLiteral("y"));
        edit.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        const QString copy = view.document()->toRawText();
        snapshot.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("  main thread per restyle: visible blocks %.2f ms (median; max %.2f), unchanged %.2f ms, "
                "edit with restyle %.2f ms, text snapshot %.2f ms\n",
        median(full), *std::max_element(full.begin(), full.end()), median(unchanged), median(edit), median(snapshot));

    // A burst of 50 keystrokes 20 ms apart with the default debounce of one second.
    highlighter.deactivate();
    highlighter.setParseAndHighlightAutomatically(true);
    highlighter.setWaitInterval(1.0);
    highlighter.activate();
    waitFor([&] { return !highlighter.isParsing(); });
    const int before = parses;
    int sent = 0;
    QTimer typist;
    typist.setInterval(20);
    QObject::connect(&typist, &QTimer::timeout, [&] {
        sendKey(&view, QStringLiteral("z"));
        if (++sent == 50)
            typist.stop();
    });
    typist.start();
    waitFor([&] { return sent == 50 && !highlighter.isUpdatePending() && !highlighter.isParsing(); });
    std::printf("  burst of 50 keystrokes (20 ms apart, debounce 1 s): %d parse(s)\n", parses - before);

    // The same burst with no debounce: every parse that finishes during the burst is followed by one more.
    highlighter.setWaitInterval(0.0);
    const int beforeSpaced = parses;
    sent = 0;
    typist.start();
    waitFor([&] { return sent == 50 && !highlighter.isUpdatePending() && !highlighter.isParsing(); });
    std::printf("  burst of 50 keystrokes (20 ms apart, debounce 0): %d parse(s)\n", parses - beforeSpaced);

    // The same burst delivered at once with no debounce at all.
    highlighter.setWaitInterval(0.0);
    const int before0 = parses;
    for (int i = 0; i < 50; ++i)
        QCoreApplication::postEvent(&view, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("w")));
    waitFor([&] { return !highlighter.isUpdatePending() && !highlighter.isParsing(); });
    QCoreApplication::processEvents();
    waitFor([&] { return !highlighter.isUpdatePending() && !highlighter.isParsing(); });
    std::printf("  burst of 50 queued keystrokes (debounce 0): %d parse(s)\n", parses - before0);
    highlighter.deactivate();
    waitFor([] { return MarkdownHighlighter::runningWorkerCount() == 0; });
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList files = app.arguments().mid(1);
    if (files.isEmpty()) {
        run(QStringLiteral("generated 100 KB"), generatedDocument(100 * 1024));
        run(QStringLiteral("generated 1 MB"), generatedDocument(1024 * 1024));
    }
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            return 1;
        }
        run(path, QString::fromUtf8(file.readAll()));
    }
    return 0;
}
