// Resident memory that a document adds to an editor: the growth of the process's resident set
// when a 3.5 MB Markdown document is loaded into a shown, offscreen editor and one character is
// typed into it (the loader keeps no copy of the text), for a bare QPlainTextEdit, for
// TextEditorView, and for TextEditorView with the live highlighter (after its parse of the
// edited text has been applied). Each variant runs in a process of its own, so that one does not
// reuse memory another freed. The aim: TextEditorView with the highlighter within 1.5x of the
// bare QPlainTextEdit.
// Usage: bench_editor_memory [markdown file]   (a generated 3.5 MB document when none is given)
#include "BenchSupport.h"

#include "TextEditor/TextEditorView.h"
#include "highlighter/MarkdownHighlighter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QProcess>

#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

using namespace penwick;

namespace {

using bench::waitFor;

QString generatedDocument(qsizetype units)
{
    static const char* const paragraphs[] = {
        "# Heading of a section\n\n",
        "Some *emphasis*, some **strong text**, a `code span` and a [link](http://example.com/page) in a "
        "paragraph that runs on for a while to look like prose.\n\n",
        "- first item with <http://example.org>\n- second item with <someone@example.org>\n- third item\n\n",
        "1. one\n2. two\n3. three\n\n",
        "> A quoted line with *emphasis*\n> and another quoted line.\n\n",
        "    indented code block\n    second line of code\n\n",
        "```cpp\nint main() { return 0; }\n```\n\n",
        "| a | b |\n|---|---|\n| 1 | 2 |\n\n",
    };
    return bench::repeatedParagraphs(paragraphs, units);
}

double residentMiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toDouble() * double(getpagesize()) / (1024.0 * 1024.0);
}

void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    malloc_trim(0);
}

// One variant in this process: prints the growth in MiB.
int measure(const QString& variant, QString text)
{
    std::unique_ptr<QPlainTextEdit> view;
    if (variant == QStringLiteral("bare"))
        view = std::make_unique<QPlainTextEdit>();
    else
        view = std::make_unique<TextEditorView>();
    view->resize(900, 700);
    view->show();
    std::unique_ptr<MarkdownHighlighter> highlighter;
    if (variant == QStringLiteral("highlighter")) {
        highlighter = std::make_unique<MarkdownHighlighter>(view.get(), 0.0);
        highlighter->activate();
    }
    settle();
    const double before = residentMiB();
    if (auto* editor = qobject_cast<TextEditorView*>(view.get()))
        editor->setString(text);
    else
        view->setPlainText(text);
    text = QString(); // the document's loader keeps no copy
    settle();
    QTextCursor end = view->textCursor();
    end.movePosition(QTextCursor::End);
    view->setTextCursor(end);
    view->setFocus();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QApplication::sendEvent(view.get(), &press);
    settle();
    if (highlighter && !waitFor([&] { return !highlighter->isParsing() && !highlighter->isUpdatePending() && highlighter->cachedElements().has_value(); })) {
        std::fprintf(stderr, "the first parse did not finish\n");
        return 1;
    }
    settle();
    std::printf("%.1f\n", residentMiB() - before);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    QString variant;
    if (args.size() > 2 && args.at(1) == QStringLiteral("--variant")) {
        variant = args.at(2);
        args.remove(1, 2);
    }
    QString text;
    if (args.size() > 1) {
        // Read in a scope of its own, as a document would be.
        QFile file(args.at(1));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(args.at(1)));
            return 1;
        }
        text = QString::fromUtf8(file.readAll());
    } else {
        text = generatedDocument(3584 * 1024);
    }
    if (!variant.isEmpty())
        return measure(variant, std::exchange(text, QString()));

    std::printf("document: %.2f MB of text, %lld lines\n", text.toUtf8().size() / 1e6,
        static_cast<long long>(text.count(QLatin1Char('\n'))));
    double bare = 0;
    for (const char* name : { "bare", "editor", "highlighter" }) {
        QProcess child;
        QStringList childArgs { QStringLiteral("--variant"), QString::fromLatin1(name) };
        childArgs += args.mid(1);
        child.start(QCoreApplication::applicationFilePath(), childArgs);
        child.waitForFinished(300000);
        const double growth = child.readAllStandardOutput().trimmed().toDouble();
        if (std::strcmp(name, "bare") == 0)
            bare = growth;
        const char* label = std::strcmp(name, "bare") == 0 ? "QPlainTextEdit"
            : std::strcmp(name, "editor") == 0            ? "TextEditorView"
                                                          : "TextEditorView + highlighter";
        std::printf("%-30s %8.1f MiB  (%.2fx the bare view)\n", label, growth, bare > 0 ? growth / bare : 0.0);
        std::fflush(stdout);
    }
    return 0;
}
