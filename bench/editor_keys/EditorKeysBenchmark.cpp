// Keystroke cost against document size: Return, backtick, "(", "*", Tab and Backspace typed
// through the real key path (key events into an offscreen TextEditorView with pairing and
// list continuation on) at the start, middle and end of 100 KB, 1 MB and 5 MB documents. Each
// figure is the median main-thread time of one key, from the key event to the event loop idle
// again; each key is undone (untimed) before the next. The last line compares the end of 5 MB
// with the start of 100 KB (the aim: within 2x).
// Usage: bench_editor_keys [repetitions]
#include "BenchSupport.h"

#include "TextEditor/TextEditorView.h"
#include "platform/text/UndoManager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace penwick;

namespace {

QString generatedDocument(qsizetype units)
{
    static const char* const lines[] = {
        "- a list item with some words in it to look like prose\n",
        "Plain text of a paragraph that runs on for a while, with *emphasis* and `code`.\n",
        "    an indented line of code\n",
        "1. a numbered item\n",
        "\n",
    };
    return bench::repeatedParagraphs(lines, units);
}

struct Key {
    const char* name;
    int key;
    QString text;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// The end of the first list line at or after `position`: Return there continues the list.
qsizetype listLineEnd(const QString& text, qsizetype position)
{
    const qsizetype line = text.indexOf(QStringLiteral("\n- "), std::max<qsizetype>(0, position - 1));
    const qsizetype start = line < 0 ? text.lastIndexOf(QStringLiteral("- ")) : line + 1;
    return text.indexOf(QLatin1Char('\n'), start);
}

double timeKey(TextEditorView& view, const Key& key, qsizetype position, int repetitions)
{
    std::vector<double> samples;
    for (int i = 0; i < repetitions; ++i) {
        view.setSelectedRange(platform::TextRange(position, 0));
        view.nullifyInsertAction();
        QCoreApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        QKeyEvent press(QEvent::KeyPress, key.key, Qt::NoModifier, key.text);
        QApplication::sendEvent(&view, &press);
        QKeyEvent release(QEvent::KeyRelease, key.key, Qt::NoModifier, key.text);
        QApplication::sendEvent(&view, &release);
        QCoreApplication::processEvents();
        samples.push_back(double(timer.nsecsElapsed()) / 1e6);
        view.undo();
    }
    return median(samples);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    const Key keys[] = {
        { "Return", Qt::Key_Return, QStringLiteral("\r") },
        { "`", Qt::Key_QuoteLeft, QStringLiteral("`") },
        { "(", Qt::Key_ParenLeft, QStringLiteral("(") },
        { "*", Qt::Key_Asterisk, QStringLiteral("*") },
        { "Tab", Qt::Key_Tab, QStringLiteral("\t") },
        { "Backspace", Qt::Key_Backspace, QString() },
    };
    const qsizetype sizes[] = { 100 * 1024, 1024 * 1024, 5 * 1024 * 1024 };
    std::printf("%-10s %-8s %-7s %10s\n", "size", "place", "key", "ms/key");
    double startOfSmallest = 0, endOfLargest = 0;
    for (const qsizetype size : sizes) {
        TextEditorView view;
        view.setAutoPair(true);
        view.setAutoBullet(true);
        view.resize(900, 700);
        view.show();
        view.setString(generatedDocument(size));
        QCoreApplication::processEvents();
        const QString text = view.string();
        const struct {
            const char* name;
            qsizetype at;
        } places[] = { { "start", listLineEnd(text, 0) }, { "middle", listLineEnd(text, text.size() / 2) },
            { "end", listLineEnd(text, text.size() - 300) } };
        for (const auto& place : places) {
            double total = 0;
            for (const Key& key : keys) {
                const double ms = timeKey(view, key, place.at, repetitions);
                total += ms;
                std::printf("%-10lld %-8s %-9s %8.3f\n", static_cast<long long>(size), place.name, key.name, ms);
            }
            const double mean = total / double(std::size(keys));
            std::printf("%-10lld %-8s %-9s %8.3f\n", static_cast<long long>(size), place.name, "mean", mean);
            if (size == sizes[0] && place.at == places[0].at)
                startOfSmallest = mean;
            if (size == sizes[std::size(sizes) - 1] && place.at == places[2].at)
                endOfLargest = mean;
        }
        std::fflush(stdout);
    }
    std::printf("end of 5 MB / start of 100 KB (mean over the keys): %.2f\n", endOfLargest / std::max(startOfSmallest, 1e-9));
    return 0;
}
