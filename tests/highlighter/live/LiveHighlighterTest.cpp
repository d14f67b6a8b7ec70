#include "highlighter/MarkdownHighlighter.h"
#include "highlighter/mdh_parser.h"

#include "TestSupport.h"
#include "TextEditor/TextEditorView.h"
#include "platform/text/TextView.h"
#include "platform/text/UndoManager.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QThread>
#include <QUrl>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <atomic>
#include <malloc.h>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

using namespace penwick;
using penwick::test::waitUntil;

namespace {

struct SignalCounter {
    template <typename Object, typename Signal>
    SignalCounter(Object* object, Signal signal)
        : connection(QObject::connect(object, signal, [this] { ++n; }))
    {
    }
    ~SignalCounter() { QObject::disconnect(connection); }
    int count() const { return n; }
    int n = 0;
    QMetaObject::Connection connection;
};

// The layout format at `position`, as drawn (nothing when no range covers it).
QTextCharFormat formatAt(QPlainTextEdit* view, int position)
{
    const QTextBlock block = view->document()->findBlock(position);
    QTextCharFormat result;
    for (const QTextLayout::FormatRange& r : block.layout()->formats()) {
        const int offset = position - block.position();
        if (offset >= r.start && offset < r.start + r.length)
            result.merge(r.format);
    }
    return result;
}

// A parser whose answers the test sets, that records what it was given and that
// can be held inside a parse until the test lets it go.
struct ScriptedParser {
    std::mutex mutex;
    std::condition_variable changed;
    bool holding = false;
    int entered = 0;
    std::vector<QByteArray> texts;
    std::function<MarkdownElementLists(const QByteArray&, int call)> answer;

    MarkdownHighlighter::ParseFunction function()
    {
        return [this](const QByteArray& text, int) -> std::optional<MarkdownElementLists> {
            std::unique_lock lock(mutex);
            const int call = entered++;
            texts.push_back(text);
            changed.notify_all();
            changed.wait(lock, [this] { return !holding; });
            return answer ? answer(text, call) : MarkdownElementLists {};
        };
    }
    void hold()
    {
        std::lock_guard lock(mutex);
        holding = true;
    }
    void release()
    {
        std::lock_guard lock(mutex);
        holding = false;
        changed.notify_all();
    }
    int calls()
    {
        std::lock_guard lock(mutex);
        return entered;
    }
    QByteArray text(int i)
    {
        std::lock_guard lock(mutex);
        return texts.at(size_t(i));
    }
};

MarkdownElementLists listsWith(int type, std::vector<MarkdownElementSpan> spans)
{
    MarkdownElementLists lists;
    lists[size_t(type)] = std::move(spans);
    return lists;
}

void typeAtEnd(QPlainTextEdit* view, const QString& text)
{
    QTextCursor cursor(view->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
}

// Every "*" starts a six-character emphasis, as in "*0042*" or "*emph*".
MarkdownElementLists emphasisAtEachStar(const QByteArray& utf8, int)
{
    MarkdownElementLists lists;
    const QString t = QString::fromUtf8(utf8);
    for (qsizetype at = t.indexOf(u'*'); at >= 0; at = t.indexOf(u'*', at + 6))
        lists.append(EMPH, at, at + 6);
    return lists;
}

class LiveHighlighter : public ::testing::Test {
protected:
    void SetUp() override
    {
        view = std::make_unique<QPlainTextEdit>();
        view->resize(600, 400);
        view->show();
    }
    void TearDown() override
    {
        highlighter.reset();
        // No parse of a test may outlive it.
        ASSERT_TRUE(waitUntil([] { return MarkdownHighlighter::runningWorkerCount() == 0; }));
    }

    MarkdownHighlighter* make(const QString& text, double waitInterval = 0.0)
    {
        view->setPlainText(text);
        highlighter = std::make_unique<MarkdownHighlighter>(view.get(), waitInterval);
        highlighter->setParseFunction(parser.function());
        accepted = std::make_unique<SignalCounter>(highlighter.get(), &MarkdownHighlighter::parseAccepted);
        return highlighter.get();
    }
    bool waitForAccepted(int count)
    {
        return waitUntil([&] { return accepted->count() >= count && !highlighter->isParsing(); });
    }
    void waitForParserInside(int calls)
    {
        ASSERT_TRUE(waitUntil([&] { return parser.calls() >= calls; }));
    }

    std::unique_ptr<QPlainTextEdit> view;
    ScriptedParser parser;
    std::unique_ptr<MarkdownHighlighter> highlighter;
    std::unique_ptr<SignalCounter> accepted;
};

} // namespace

TEST_F(LiveHighlighter, TypingDuringAParseDropsItsResultAndExactlyOneMoreParseFollows)
{
    struct Case {
        const char* name;
        double waitInterval;
        bool automatic;
        int keystrokes;
    };
    const Case cases[] = {
        { "debounce 0", 0.0, true, 1 },
        { "debounce 0, three keys", 0.0, true, 3 },
        { "debounce 50 ms", 0.05, true, 2 },
        { "manual parsing", 0.0, false, 2 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        parser.texts.clear();
        parser.entered = 0;
        parser.answer = [](const QByteArray& text, int call) {
            // The first parse marks the first character, later ones the last.
            const int at = call == 0 ? 0 : int(text.size()) - 1;
            return listsWith(H1, { { at, at + 1 } });
        };
        parser.hold();
        make(QStringLiteral("abc"), c.waitInterval)->setParseAndHighlightAutomatically(c.automatic);
        highlighter->activate();
        waitForParserInside(1);
        for (int i = 0; i < c.keystrokes; ++i) {
            typeAtEnd(view.get(), QStringLiteral("x"));
            QCoreApplication::processEvents();
        }
        ASSERT_TRUE(waitUntil([&] { return !highlighter->isUpdatePending(); }));
        parser.release();
        ASSERT_TRUE(waitForAccepted(1));
        ASSERT_TRUE(waitUntil([&] { return MarkdownHighlighter::runningWorkerCount() == 0; }));
        QCoreApplication::processEvents();

        EXPECT_EQ(parser.calls(), 2);
        EXPECT_EQ(accepted->count(), 1) << "the stale result is never accepted";
        EXPECT_EQ(parser.text(1), QByteArray("abc") + QByteArray(c.keystrokes, 'x'));
        const int last = 3 + c.keystrokes - 1;
        ASSERT_TRUE(highlighter->cachedElements());
        EXPECT_EQ((*highlighter->cachedElements())[H1], (std::vector<MarkdownElementSpan> { { last, last + 1 } }));
        EXPECT_FALSE(formatAt(view.get(), 0).fontWeight() == QFont::Bold);
        EXPECT_EQ(formatAt(view.get(), int(last)).fontWeight(), QFont::Bold);
        highlighter.reset();
    }
}

TEST_F(LiveHighlighter, RequestsDuringAParseCollapseIntoOneFollowingParse)
{
    parser.hold();
    make(QStringLiteral("# a"));
    highlighter->activate();
    waitForParserInside(1);
    highlighter->parseAndHighlightNow();
    highlighter->parseAndHighlightNow();
    highlighter->parseAndHighlightNow();
    parser.release();
    ASSERT_TRUE(waitForAccepted(1));
    ASSERT_TRUE(waitUntil([&] { return MarkdownHighlighter::runningWorkerCount() == 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(parser.calls(), 2);
    EXPECT_EQ(accepted->count(), 1);
}

TEST(ParsedElements, AnElementIsKeptInAFewBytes)
{
    // A long text is highlighted from hundreds of thousands of these for as long as it is open.
    QString text;
    for (int i = 0; i < 1000; ++i)
        text += QStringLiteral("*a* **b** `c` [l](http://x.example/%1) <http://y.example>\n\n").arg(i);
    const std::optional<MarkdownElementLists> lists = MarkdownHighlighter::parse(text.toUtf8(), 0);
    ASSERT_TRUE(lists);
    std::size_t elements = 0;
    std::size_t bytes = 0;
    for (const auto& list : *lists) {
        elements += list.size();
        bytes += list.capacity() * sizeof(MarkdownElementSpan);
    }
    ASSERT_GE(elements, 5000u);
    EXPECT_LE(bytes, 24 * elements);
    EXPECT_EQ(lists->address((*lists)[LINK][7]), QStringLiteral("http://x.example/7"));
    EXPECT_EQ(lists->address((*lists)[AUTO_LINK_URL][999]), QStringLiteral("http://y.example"));
    EXPECT_EQ(lists->address((*lists)[EMPH][0]), QString());
}

TEST(OffsetConversion, CodePointsBecomeUtf16Offsets)
{
    struct Case {
        const char* name;
        QString text;
        MarkdownElementSpan in;
        MarkdownElementSpan out;
    };
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // outside the BMP: two UTF-16 units
    const Case cases[] = {
        { "no pairs: unchanged", QStringLiteral("abc *d*"), { 4, 7 }, { 4, 7 } },
        { "pair before the span", emoji + QStringLiteral(" *a*"), { 2, 5 }, { 3, 6 } },
        { "pair inside the span", QStringLiteral("*") + emoji + QStringLiteral("*"), { 0, 3 }, { 0, 4 } },
        { "pair after the span", QStringLiteral("*a* ") + emoji, { 0, 3 }, { 0, 3 } },
        { "two pairs", emoji + emoji + QStringLiteral("*a*"), { 2, 5 }, { 4, 7 } },
        { "span past the end", emoji + QStringLiteral("ab"), { 1, 5 }, { 2, 6 } },
        { "accented letters count one each", QStringLiteral("\u00e9") + emoji + QStringLiteral("\u00e9x"), { 2, 4 },
            { 3, 5 } },
    };
    for (const Case& c : cases) {
        MarkdownElementLists lists;
        lists[EMPH] = { c.in };
        MarkdownHighlighter::convertOffsets(lists, c.text);
        EXPECT_EQ(lists[EMPH][0].pos, c.out.pos) << c.name;
        EXPECT_EQ(lists[EMPH][0].end, c.out.end) << c.name;
    }
}

TEST_F(LiveHighlighter, ACharacterOutsideTheBmpShiftsLaterSpans)
{
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    // Code points: emoji 0, space 1, "*a*" 2..4; "*" 6 + emoji 7 + "*" 8.
    parser.answer = [](const QByteArray&, int) {
        MarkdownElementLists lists;
        lists[EMPH] = { { 2, 5 } };
        lists[STRONG] = { { 6, 9 } };
        return lists;
    };
    make(emoji + QStringLiteral(" *a* *") + emoji + QStringLiteral("*"))->activate();
    ASSERT_TRUE(waitForAccepted(1));
    EXPECT_EQ((*highlighter->cachedElements())[EMPH][0], (MarkdownElementSpan { 3, 6 }));
    EXPECT_EQ((*highlighter->cachedElements())[STRONG][0], (MarkdownElementSpan { 7, 11 }));
    EXPECT_FALSE(formatAt(view.get(), 2).fontItalic());
    EXPECT_TRUE(formatAt(view.get(), 3).fontItalic());
    EXPECT_TRUE(formatAt(view.get(), 5).fontItalic());
    EXPECT_FALSE(formatAt(view.get(), 6).fontItalic());
    for (int p = 7; p < 11; ++p)
        EXPECT_EQ(formatAt(view.get(), p).fontWeight(), QFont::Bold) << p;
    // The parser saw UTF-8 of the text.
    EXPECT_EQ(parser.text(0), (emoji + QStringLiteral(" *a* *") + emoji + QStringLiteral("*")).toUtf8());
}

TEST_F(LiveHighlighter, TheParserSeesNoByteOrderMarkAndNoSpecialLineEnds)
{
    parser.answer = [](const QByteArray&, int) { return listsWith(H1, { { 0, 3 } }); };
    make(QChar(0xFEFF) + QStringLiteral("# a"));
    // A line separator typed into the text stays one character in the document.
    QTextCursor end(view->document());
    end.movePosition(QTextCursor::End);
    end.insertText(QString(QChar(0x2028)) + QStringLiteral("b"));
    highlighter->activate();
    ASSERT_TRUE(waitForAccepted(1));
    EXPECT_EQ(parser.text(0), QByteArray("# a\nb"));
    EXPECT_EQ((*highlighter->cachedElements())[H1][0], (MarkdownElementSpan { 1, 4 }))
        << "positions count from the editor's first character, the mark included";
}

TEST_F(LiveHighlighter, SpansAreClippedAtTheEndOfTheTextAndEmptyOnesStyleNothing)
{
    parser.answer = [](const QByteArray&, int) {
        MarkdownElementLists lists;
        lists[H1] = { { 0, 6 } }; // two past the end, as the parser's appended newlines allow
        lists[EMPH] = { { 1, 1 } };
        return lists;
    };
    make(QStringLiteral("abcd"))->activate();
    ASSERT_TRUE(waitForAccepted(1));
    const QList<QTextLayout::FormatRange> formats = view->document()->firstBlock().layout()->formats();
    int covered = 0;
    for (const auto& r : formats) {
        EXPECT_LE(r.start + r.length, 4);
        EXPECT_FALSE(r.format.fontItalic());
        covered += r.format.fontWeight() == QFont::Bold ? r.length : 0;
    }
    EXPECT_EQ(covered, 4);
}

TEST_F(LiveHighlighter, AParagraphOfTensOfThousandsOfCharactersIsStyledWithoutShaping)
{
    // Each edit lays a paragraph out whole: shaping a long one costs most of a keystroke.
    const QString longParagraph = QStringLiteral("word ").repeated(20000); // 100,000 characters
    const QString text = QStringLiteral("short *one*\n") + longParagraph + QStringLiteral("\n");
    const int longStart = int(text.indexOf(longParagraph));
    parser.answer = [&](const QByteArray&, int) {
        MarkdownElementLists lists;
        lists[EMPH] = { { 6, 11, {} }, { longStart + 5, longStart + 9, {} } };
        return lists;
    };
    view->setLineWrapMode(QPlainTextEdit::NoWrap); // the long paragraph stays one line in view
    make(text)->activate();
    ASSERT_TRUE(waitForAccepted(1));
    const struct {
        int position;
        bool unshaped;
        bool italic;
    } cases[] = {
        { 1, false, false }, { 7, false, true }, // the short paragraph keeps shaping
        { longStart + 1, true, false }, { longStart + 6, true, true }, // styles still apply
        { longStart + int(longParagraph.size()) - 1, true, false }, // to its last character
    };
    for (const auto& c : cases) {
        const QTextCharFormat format = formatAt(view.get(), c.position);
        EXPECT_EQ(bool(format.fontStyleStrategy() & QFont::PreferNoShaping), c.unshaped) << c.position;
        EXPECT_EQ(format.fontItalic(), c.italic) << c.position;
    }
}

TEST_F(LiveHighlighter, OnlyTheVisibleRangeIsRestyledAndScrollingRestylesFromTheCache)
{
    QString text;
    for (int i = 0; i < 2000; ++i)
        text += QStringLiteral("line *%1*\n").arg(i, 4, 10, QLatin1Char('0'));
    parser.answer = emphasisAtEachStar;
    make(text)->activate();
    ASSERT_TRUE(waitForAccepted(1));
    const QTextDocument* doc = view->document();
    const auto [start, length] = highlighter->visibleRange();
    ASSERT_GT(length, 0);
    const int lastVisible = doc->findBlock(start + length).blockNumber();
    ASSERT_LT(lastVisible, 200) << "the view shows only the start of the text";
    const auto italicBlock = [&](int n) {
        const QTextBlock block = doc->findBlockByNumber(n);
        for (const auto& r : block.layout()->formats())
            if (r.format.fontItalic())
                return true;
        return false;
    };
    EXPECT_TRUE(italicBlock(0));
    EXPECT_TRUE(italicBlock(lastVisible));
    EXPECT_FALSE(italicBlock(lastVisible + 2));
    EXPECT_FALSE(italicBlock(1999));

    const int parses = parser.calls();
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
    EXPECT_TRUE(italicBlock(1999));
    EXPECT_EQ(parser.calls(), parses) << "scrolling restyles from the cache";
}

TEST_F(LiveHighlighter, InAParagraphOfMegabytesWhatShowsIsStyledAndTheRestWhenItComesIntoView)
{
    const QString paragraph = QStringLiteral("word *emph* ").repeated(100000); // 1.2 million characters
    parser.answer = emphasisAtEachStar;
    make(paragraph)->activate();
    ASSERT_TRUE(waitForAccepted(1));
    const auto italic = [&](int position) { return formatAt(view.get(), position).fontItalic(); };
    const int last = int(paragraph.lastIndexOf(u'*')) - 2;
    EXPECT_TRUE(italic(6)) << "the start shows";
    EXPECT_FALSE(italic(last)) << "the end of the paragraph is far out of view";

    // A keystroke in view restyles around it, not the whole paragraph.
    view->moveCursor(QTextCursor::Start);
    view->insertPlainText(QStringLiteral("x"));
    ASSERT_TRUE(waitForAccepted(2));
    EXPECT_TRUE(italic(7));
    EXPECT_FALSE(italic(last + 1));

    const int parses = parser.calls();
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    EXPECT_TRUE(waitUntil([&] { return italic(last + 1); }));
    EXPECT_EQ(parser.calls(), parses) << "scrolling restyles from the cache";
}

// Keyboard jumps and far selections scroll the view before it has laid out its new
// position: the text they bring into view is styled all the same, without a parse.
TEST_F(LiveHighlighter, TextBroughtIntoViewByKeysOrSelectionIsStyled)
{
    QString text;
    for (int i = 0; i < 3000; ++i)
        text += QStringLiteral("line *%1*\n").arg(i, 4, 10, QLatin1Char('0'));
    parser.answer = emphasisAtEachStar;
    make(text)->activate();
    ASSERT_TRUE(waitForAccepted(1));
    const QTextDocument* doc = view->document();
    const auto visibleBlocksStyled = [&] {
        const auto [start, length] = highlighter->visibleRange();
        const int first = doc->findBlock(start).blockNumber();
        const int last = doc->findBlock(start + length).blockNumber();
        int styled = 0;
        for (int n = first; n <= last && n < 3000; ++n) {
            for (const auto& r : doc->findBlockByNumber(n).layout()->formats())
                styled += r.format.fontItalic() ? 1 : 0;
        }
        return std::pair { styled, std::min(last, 2999) - first + 1 };
    };
    struct Step {
        const char* name;
        std::function<void()> act;
    };
    const auto key = [&](int k, Qt::KeyboardModifiers modifiers) {
        return [this, k, modifiers] {
            QKeyEvent press(QEvent::KeyPress, k, modifiers);
            QCoreApplication::sendEvent(view.get(), &press);
            QKeyEvent release(QEvent::KeyRelease, k, modifiers);
            QCoreApplication::sendEvent(view.get(), &release);
        };
    };
    const Step steps[] = {
        { "Ctrl+End", key(Qt::Key_End, Qt::ControlModifier) },
        { "Ctrl+Home", key(Qt::Key_Home, Qt::ControlModifier) },
        { "PageDown", key(Qt::Key_PageDown, Qt::NoModifier) },
        { "PageDown again", key(Qt::Key_PageDown, Qt::NoModifier) },
        { "Ctrl+End then PageUp",
            [&] {
                key(Qt::Key_End, Qt::ControlModifier)();
                QCoreApplication::processEvents();
                key(Qt::Key_PageUp, Qt::NoModifier)();
            } },
        { "selection far away",
            [&] {
                QTextCursor cursor(doc->findBlockByNumber(1500));
                cursor.setPosition(doc->findBlockByNumber(1502).position(), QTextCursor::KeepAnchor);
                view->setTextCursor(cursor);
                view->ensureCursorVisible();
            } },
    };
    const int parses = parser.calls();
    for (const Step& step : steps) {
        const int before = view->verticalScrollBar()->value();
        step.act();
        ASSERT_NE(view->verticalScrollBar()->value(), before) << step.name << " scrolls";
        // Restyling waits for the layout; it takes no parse and no mouse.
        EXPECT_TRUE(waitUntil([&] {
            const auto [styled, blocks] = visibleBlocksStyled();
            return styled == blocks;
        })) << step.name;
        const auto [styled, blocks] = visibleBlocksStyled();
        EXPECT_GT(blocks, 5) << step.name;
        EXPECT_EQ(styled, blocks) << step.name;
    }
    EXPECT_EQ(parser.calls(), parses);
}

TEST_F(LiveHighlighter, LinkSpansGetTheirAddressAndEmailAddressesGetMailto)
{
    const QString text = QStringLiteral("<me@example.org> <mailto:you@example.org> <http://a.example> [t](http://b.example)");
    parser.answer = [](const QByteArray&, int) {
        MarkdownElementLists lists;
        lists.append(AUTO_LINK_EMAIL, 0, 16, QStringLiteral("me@example.org"));
        lists.append(AUTO_LINK_EMAIL, 17, 41, QStringLiteral("mailto:you@example.org"));
        lists.append(AUTO_LINK_URL, 42, 60, QStringLiteral("http://a.example"));
        lists.append(LINK, 61, 82, QStringLiteral("http://b.example"));
        return lists;
    };
    make(text)->setMakeLinksClickable(true);
    highlighter->activate();
    ASSERT_TRUE(waitForAccepted(1));
    struct Expect {
        int position;
        QString href;
    };
    const Expect expected[] = {
        { 1, QStringLiteral("mailto:me@example.org") },
        { 20, QStringLiteral("mailto:you@example.org") },
        { 45, QStringLiteral("http://a.example") },
        { 70, QStringLiteral("http://b.example") },
        { 16, QString() },
    };
    for (const Expect& e : expected) {
        EXPECT_EQ(formatAt(view.get(), e.position).anchorHref(), e.href) << e.position;
        EXPECT_EQ(highlighter->linkAt(e.position), e.href) << e.position;
    }

    // Without clickable links no link attribute is added.
    highlighter->setMakeLinksClickable(false);
    highlighter->clearHighlighting();
    highlighter->highlightNow();
    EXPECT_FALSE(formatAt(view.get(), 1).isAnchor());
    EXPECT_TRUE(highlighter->linkAt(1).isEmpty());
}

TEST_F(LiveHighlighter, ThemeWithRedEditorAndGreenElementLeavesUnstyledTextRed)
{
    parser.answer = [](const QByteArray&, int) { return listsWith(EMPH, { { 6, 10 } }); };
    make(QStringLiteral("plain *em* more"));
    highlighter->applyStylesFromStylesheet(
        QStringLiteral("editor\n  color: FF0000\n  background: 101010\n\nEMPH\n  color: 00FF00\n"));
    highlighter->activate();
    ASSERT_TRUE(waitForAccepted(1));
    EXPECT_EQ(view->palette().color(QPalette::Text), QColor(255, 0, 0));
    EXPECT_EQ(view->palette().color(QPalette::Base), QColor(0x10, 0x10, 0x10));
    EXPECT_EQ(highlighter->defaultTextColor(), QColor(255, 0, 0));
    for (int p : { 0, 4, 11, 14 })
        EXPECT_EQ(formatAt(view.get(), p).foreground().color(), QColor(255, 0, 0)) << p;
    for (int p : { 6, 9 })
        EXPECT_EQ(formatAt(view.get(), p).foreground().color(), QColor(0, 255, 0)) << p;
}

TEST_F(LiveHighlighter, ThemeRulesForSelectionAndCurrentLine)
{
    make(QStringLiteral("text"));
    highlighter->applyStylesFromStylesheet(QStringLiteral("editor\n  caret: 0000FF\n\n"
                                                          "editor-selection\n  background: 123456\n  color: 654321\n"
                                                          "  font-style: underlined\n\n"
                                                          "editor-current-line\n  background: 222222\n"));
    EXPECT_EQ(view->palette().color(QPalette::Highlight), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(view->palette().color(QPalette::HighlightedText), QColor(0x65, 0x43, 0x21));
    EXPECT_EQ(highlighter->selectedTextAttributes().underlineStyle(), QTextCharFormat::SingleUnderline);
    EXPECT_EQ(highlighter->insertionPointColor(), QColor(0, 0, 255));
    ASSERT_TRUE(highlighter->currentLineStyle());
    EXPECT_EQ(highlighter->currentLineStyle()->elementType(), NO_TYPE);
    EXPECT_EQ(highlighter->currentLineStyle()->attributesToAdd().background().color(), QColor(0x22, 0x22, 0x22));

    highlighter->applyStylesFromStylesheet(QStringLiteral("H1\n  color: 000000\n"));
    EXPECT_FALSE(highlighter->currentLineStyle());
    EXPECT_EQ(highlighter->selectedTextAttributes(), MarkdownHighlighter::getDefaultSelectedTextAttributes());
}

TEST_F(LiveHighlighter, ThemeErrorsReachTheHandlerOnceAndValidRulesStillApply)
{
    make(QStringLiteral("text"));
    std::vector<QStringList> reports;
    const auto handler = [&](const QStringList& errors) { reports.push_back(errors); };
    highlighter->applyStylesFromStylesheet(QStringLiteral("# theme\nH1\n  color 00FF00\n  background: 0000FF\n\n"
                                                          "EMPH\n  color: 00FF00\n"),
        handler);
    ASSERT_EQ(reports.size(), 1u);
    ASSERT_EQ(reports[0].size(), 1);
    EXPECT_TRUE(reports[0][0].startsWith(QStringLiteral("(Line 3): Invalid attribute definition"))) << reports[0][0].toStdString();
    ASSERT_EQ(highlighter->styles().size(), 2);
    EXPECT_EQ(highlighter->styles()[0].elementType(), H1);
    EXPECT_EQ(highlighter->styles()[0].attributesToAdd().background().color(), QColor(0, 0, 255));
    EXPECT_EQ(highlighter->styles()[1].elementType(), EMPH);

    // A clean theme calls nobody; more than 24 element rules are reported and the rest ignored.
    reports.clear();
    highlighter->applyStylesFromStylesheet(QStringLiteral("H2\n  color: 000000\n"), handler);
    EXPECT_TRUE(reports.empty());
    QString many;
    for (int i = 0; i < 26; ++i)
        many += QStringLiteral("STRONG\n  color: 0000%1\n\n").arg(i, 2, 10, QLatin1Char('0'));
    highlighter->applyStylesFromStylesheet(many, handler);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].size(), 2);
    EXPECT_TRUE(reports[0][0].startsWith(QStringLiteral("(Line 73): Style rule 'STRONG' is ignored")));
    EXPECT_EQ(highlighter->styles().size(), 24);
}

TEST_F(LiveHighlighter, SettingNoStylesInstallsTheDefaults)
{
    make(QStringLiteral("text"));
    EXPECT_FALSE(highlighter->hasStyles());
    highlighter->setStyles(std::nullopt);
    EXPECT_EQ(highlighter->styles(), MarkdownHighlighter::getDefaultStyles());

    highlighter->setStyles(QList<MarkdownHighlightingStyle> {});
    EXPECT_TRUE(highlighter->styles().isEmpty());
    highlighter->activate();
    EXPECT_TRUE(highlighter->styles().isEmpty()) << "an empty style list is not replaced by the defaults";

    MarkdownHighlighter fresh(view.get(), 0.0);
    fresh.setParseFunction(parser.function());
    fresh.activate();
    EXPECT_EQ(fresh.styles(), MarkdownHighlighter::getDefaultStyles());
    // The link look follows the first LINK style.
    EXPECT_EQ(fresh.linkTextAttributes().foreground(), MarkdownHighlighter::getDefaultStyles()[9].attributesToAdd().foreground());
    fresh.deactivate();
}

TEST_F(LiveHighlighter, HighlightingAddsNoUndoStepAndDoesNotMarkTheDocumentModified)
{
    parser.answer = [](const QByteArray&, int) { return listsWith(STRONG, { { 0, 8 } }); };
    make(QStringLiteral("**bold** text"));
    QTextDocument* doc = view->document();
    doc->setModified(false);
    const int undoSteps = doc->availableUndoSteps();
    SignalCounter textChanged(view.get(), &QPlainTextEdit::textChanged);
    SignalCounter contentsChange(doc, &QTextDocument::contentsChange);
    SignalCounter applied(highlighter.get(), &MarkdownHighlighter::highlightingApplied);
    highlighter->activate();
    ASSERT_TRUE(waitForAccepted(1));
    ASSERT_GE(applied.count(), 1);
    EXPECT_EQ(formatAt(view.get(), 2).fontWeight(), QFont::Bold);
    EXPECT_FALSE(doc->isModified());
    EXPECT_EQ(doc->availableUndoSteps(), undoSteps);
    EXPECT_EQ(textChanged.count(), 0);
    EXPECT_EQ(contentsChange.count(), 0);
    // Nor does a theme change.
    highlighter->applyStylesFromStylesheet(QStringLiteral("STRONG\n  color: 00FF00\n"));
    EXPECT_FALSE(doc->isModified());
    EXPECT_EQ(doc->availableUndoSteps(), undoSteps);
    EXPECT_EQ(textChanged.count(), 0);
}

TEST_F(LiveHighlighter, CachedSpansFollowEditsUntilTheNextParse)
{
    parser.answer = [](const QByteArray&, int call) {
        return call == 0 ? listsWith(EMPH, { { 4, 7 } }) : MarkdownElementLists {};
    };
    make(QStringLiteral("abc *d* e"), 60.0);
    highlighter->activate();
    ASSERT_TRUE(waitForAccepted(1));
    QTextCursor cursor(view->document());
    cursor.insertText(QStringLiteral("xy")); // before the span
    EXPECT_EQ((*highlighter->cachedElements())[EMPH][0], (MarkdownElementSpan { 6, 9 }));
    EXPECT_FALSE(formatAt(view.get(), 4).fontItalic());
    EXPECT_TRUE(formatAt(view.get(), 6).fontItalic());
    cursor.setPosition(7);
    cursor.insertText(QStringLiteral("zz")); // inside it
    EXPECT_EQ((*highlighter->cachedElements())[EMPH][0], (MarkdownElementSpan { 6, 11 }));
    cursor.setPosition(11);
    cursor.insertText(QStringLiteral("!")); // at its end: stays outside
    EXPECT_EQ((*highlighter->cachedElements())[EMPH][0], (MarkdownElementSpan { 6, 11 }));
    EXPECT_FALSE(formatAt(view.get(), 11).fontItalic());
    cursor.setPosition(5);
    cursor.setPosition(8, QTextCursor::KeepAnchor);
    cursor.removeSelectedText(); // across its start
    EXPECT_EQ((*highlighter->cachedElements())[EMPH][0], (MarkdownElementSpan { 5, 8 }));
    EXPECT_TRUE(highlighter->isUpdatePending());
    EXPECT_EQ(parser.calls(), 1);
}

TEST_F(LiveHighlighter, DeactivationStopsTheTimerAndDropsTheRunningParse)
{
    parser.answer = [](const QByteArray&, int) { return listsWith(H1, { { 0, 1 } }); };
    make(QStringLiteral("abc"), 60.0);
    highlighter->activate();
    ASSERT_TRUE(waitForAccepted(1));
    typeAtEnd(view.get(), QStringLiteral("d"));
    ASSERT_TRUE(highlighter->isUpdatePending());
    highlighter->deactivate();
    EXPECT_FALSE(highlighter->isUpdatePending());
    EXPECT_FALSE(highlighter->cachedElements());
    EXPECT_FALSE(highlighter->isActive());

    // A parse running at deactivation is not accepted.
    parser.hold();
    highlighter->parseAndHighlightNow();
    waitForParserInside(2);
    highlighter->activate();   // asks for a parse while one runs
    highlighter->deactivate(); // and drops both
    parser.release();
    ASSERT_TRUE(waitUntil([&] { return MarkdownHighlighter::runningWorkerCount() == 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(accepted->count(), 1);
    EXPECT_EQ(parser.calls(), 2) << "no parse follows a deactivation";
    EXPECT_FALSE(highlighter->cachedElements());
}

TEST_F(LiveHighlighter, DestroyingTheHighlighterDuringAParseIsClean)
{
    parser.hold();
    parser.answer = [](const QByteArray&, int) { return listsWith(H1, { { 0, 1 } }); };
    make(QStringLiteral("# heading"), 0.0)->activate();
    waitForParserInside(1);
    typeAtEnd(view.get(), QStringLiteral("x")); // a pending timer and a stale mark too
    highlighter.reset();
    parser.release();
    ASSERT_TRUE(waitUntil([] { return MarkdownHighlighter::runningWorkerCount() == 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(parser.calls(), 1) << "nothing of the destroyed highlighter runs afterwards";
    EXPECT_TRUE(view->document()->firstBlock().layout()->formats().isEmpty());
}

// One worker thread serves every parse of an active highlighter and ends when the
// highlighter is deactivated (its parser memory goes with it).
TEST_F(LiveHighlighter, OneWorkerThreadServesEveryParseUntilDeactivation)
{
    std::mutex mutex;
    std::vector<QPointer<QThread>> threads;
    make(QStringLiteral("# a"));
    highlighter->setParseFunction([&](const QByteArray& text, int extensions) {
        {
            std::lock_guard lock(mutex);
            threads.push_back(QThread::currentThread());
        }
        return MarkdownHighlighter::parse(text, extensions);
    });
    highlighter->activate();
    ASSERT_TRUE(waitForAccepted(1));
    for (int i = 2; i <= 4; ++i) {
        highlighter->parseAndHighlightNow();
        ASSERT_TRUE(waitForAccepted(i));
    }
    std::lock_guard lock(mutex);
    ASSERT_EQ(threads.size(), 4u);
    EXPECT_NE(threads[0].data(), QThread::currentThread());
    for (const QPointer<QThread>& t : threads)
        EXPECT_EQ(t.data(), threads[0].data());
    ASSERT_FALSE(threads[0].isNull());
    highlighter->deactivate();
    EXPECT_TRUE(waitUntil([&] { return threads[0].isNull(); })) << "the worker ends and goes";
}

TEST_F(LiveHighlighter, DestroyingTheHighlighterStopsItsTimer)
{
    make(QStringLiteral("abc"), 0.0)->activate();
    ASSERT_TRUE(waitForAccepted(1));
    typeAtEnd(view.get(), QStringLiteral("d"));
    ASSERT_TRUE(highlighter->isUpdatePending());
    highlighter.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(parser.calls(), 1);
}

TEST_F(LiveHighlighter, ParserThatGivesUpKeepsThePreviousHighlighting)
{
    std::atomic<int> calls = 0;
    make(QStringLiteral("# a"));
    highlighter->setParseFunction([&](const QByteArray&, int) -> std::optional<MarkdownElementLists> {
        if (calls++ == 0)
            return listsWith(H1, { { 0, 3 } });
        return std::nullopt;
    });
    highlighter->activate();
    ASSERT_TRUE(waitForAccepted(1));
    highlighter->parseAndHighlightNow();
    ASSERT_TRUE(waitUntil([&] { return calls == 2 && !highlighter->isParsing(); }));
    ASSERT_TRUE(highlighter->cachedElements());
    EXPECT_EQ((*highlighter->cachedElements())[H1].size(), 1u);
    EXPECT_EQ(formatAt(view.get(), 1).fontWeight(), QFont::Bold);
}

TEST(EditorHighlighting, AutomaticEmailLinksFromTheParserOpenAsMailto)
{
    TextEditorView view;
    view.resize(600, 400);
    view.show();
    view.setString(QStringLiteral("Write to <me@example.org> or see <http://example.org/a>.\n"));
    MarkdownHighlighter highlighter(&view, 0.0);
    highlighter.setMakeLinksClickable(true);
    highlighter.activate();
    ASSERT_TRUE(waitUntil([&] { return highlighter.cachedElements().has_value() && !highlighter.isParsing(); }));
    EXPECT_EQ(highlighter.linkAt(12), QStringLiteral("mailto:me@example.org"));
    EXPECT_EQ(formatAt(&view, 12).anchorHref(), QStringLiteral("mailto:me@example.org"));
    EXPECT_EQ(highlighter.linkAt(40), QStringLiteral("http://example.org/a"));
    EXPECT_TRUE(highlighter.linkAt(3).isEmpty());
    highlighter.deactivate();
    ASSERT_TRUE(waitUntil([] { return MarkdownHighlighter::runningWorkerCount() == 0; }));
}

namespace {

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

void click(QPlainTextEdit* view, int position)
{
    QTextCursor cursor(view->document());
    cursor.setPosition(position);
    const QPoint point = view->cursorRect(cursor).center() + QPoint(2, 0);
    for (QEvent::Type type : { QEvent::MouseButtonPress, QEvent::MouseButtonRelease }) {
        QMouseEvent event(type, QPointF(point), QPointF(view->viewport()->mapToGlobal(point)), Qt::LeftButton,
            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view->viewport(), &event);
    }
}

} // namespace

TEST_F(LiveHighlighter, ClickingAClickableLinkOpensItWithTheDesktopHandler)
{
    parser.answer = [](const QByteArray&, int) {
        MarkdownElementLists lists;
        lists.append(AUTO_LINK_EMAIL, 0, 16, QStringLiteral("me@example.org"));
        return lists;
    };
    make(QStringLiteral("<me@example.org> and more text"))->setMakeLinksClickable(true);
    highlighter->activate();
    ASSERT_TRUE(waitForAccepted(1));
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &catcher, "open");
    click(view.get(), 5);
    click(view.get(), 22); // plain text
    EXPECT_EQ(catcher.urls, (QList<QUrl> { QUrl(QStringLiteral("mailto:me@example.org")) }));
    highlighter->setMakeLinksClickable(false);
    click(view.get(), 5);
    EXPECT_EQ(catcher.urls.size(), 1) << "links open only when clickable";
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
}

TEST(EditorHighlighting, ClearingALongTextReachesStyledLinesAndMakesNoLayoutForTheOthers)
{
    // A layout costs hundreds of bytes; a theme applied to a text of 100000 lines must not
    // give every line one.
    QPlainTextEdit view;
    QString text = QStringLiteral("*em*\n");
    for (int i = 0; i < 100000; ++i)
        text += QStringLiteral("line %1 *em*\n").arg(i);
    view.setPlainText(text);
    MarkdownHighlighter highlighter(&view);
    highlighter.setStyles(std::nullopt);
    MarkdownElementLists lists;
    lists.append(EMPH, 0, 4);
    const int last = int(text.size()) - 5;
    lists.append(EMPH, last, last + 4);
    highlighter.applyHighlighting(lists, 0, 4);
    highlighter.applyHighlighting(lists, last, 4);
    ASSERT_TRUE(formatAt(&view, 1).fontItalic());
    ASSERT_TRUE(formatAt(&view, last + 1).fontItalic());

    const std::size_t before = mallinfo2().uordblks;
    highlighter.clearHighlighting();
    const std::size_t after = mallinfo2().uordblks;
    EXPECT_FALSE(formatAt(&view, 1).fontItalic());
    EXPECT_FALSE(formatAt(&view, last + 1).fontItalic());
    EXPECT_LT(after > before ? after - before : 0, std::size_t(4) << 20);
}

TEST(ClearFontTraitMask, OppositesOfMissingTraits)
{
    using S = MarkdownHighlightingStyle;
    const quint64 all = S::ItalicFontMask | S::UnitalicFontMask | S::BoldFontMask | S::UnboldFontMask
        | S::ExpandedFontMask | S::CondensedFontMask;
    EXPECT_EQ(MarkdownHighlighter::getClearFontTraitMask(0), all);
    EXPECT_EQ(MarkdownHighlighter::getClearFontTraitMask(S::BoldFontMask), all & ~S::UnboldFontMask);
    EXPECT_EQ(MarkdownHighlighter::getClearFontTraitMask(S::BoldFontMask | S::ItalicFontMask),
        all & ~S::UnboldFontMask & ~S::UnitalicFontMask);
}

TEST(EditorHighlighting, TheEditorViewIsHighlightedAsTheUserTypes)
{
    TextEditorView view;
    view.awakeFromNib();
    view.resize(600, 400);
    view.show();
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    view.setString(QStringLiteral("Title\r\n=====\r\n\r\n") + emoji + QStringLiteral(" *em* text\r\n"));
    view.document()->setModified(false);
    MarkdownHighlighter highlighter(&view, 0.0);
    int accepted = 0;
    QObject::connect(&highlighter, &MarkdownHighlighter::parseAccepted, [&] { ++accepted; });
    highlighter.activate();
    ASSERT_TRUE(waitUntil([&] { return accepted == 1 && !highlighter.isParsing(); }));

    EXPECT_EQ(formatAt(&view, 0).fontWeight(), QFont::Bold) << "setext heading";
    EXPECT_EQ(formatAt(&view, 8).fontWeight(), QFont::Bold);
    // The emoji takes two UTF-16 units: "*em*" stands at 16..19.
    EXPECT_FALSE(formatAt(&view, 15).fontItalic());
    EXPECT_TRUE(formatAt(&view, 16).fontItalic());
    EXPECT_TRUE(formatAt(&view, 19).fontItalic());
    EXPECT_FALSE(formatAt(&view, 20).fontItalic());

    const QString before = view.string();
    view.setSelectedRange({ view.textLength(), 0 });
    view.insertText(QStringLiteral("## Sub"));
    ASSERT_TRUE(waitUntil([&] { return accepted == 2 && !highlighter.isParsing(); }));
    const QTextBlock last = view.document()->lastBlock();
    ASSERT_EQ(last.text(), QStringLiteral("## Sub"));
    EXPECT_EQ(formatAt(&view, last.position() + 3).fontWeight(), QFont::Bold);

    // The only undo step is the typing: highlighting added none.
    view.undo();
    EXPECT_EQ(view.string(), before);
    EXPECT_FALSE(view.undoManager()->canUndo());
    highlighter.deactivate();
    ASSERT_TRUE(waitUntil([] { return MarkdownHighlighter::runningWorkerCount() == 0; }));
}

#include "LiveHighlighterTest.moc"

TEST(LiveHighlighterCaret, TheThemesCaretColourReachesTheEditorsView)
{
    penwick::platform::TextView view;
    MarkdownHighlighter highlighter(&view, 0.0);
    highlighter.applyStylesFromStylesheet(QStringLiteral("editor\n  caret: 0000FF\n"));
    EXPECT_EQ(view.insertionPointColor(), QColor(0, 0, 255));
    highlighter.applyStylesFromStylesheet(QStringLiteral("H1\n  color: 000000\n"));
    EXPECT_FALSE(view.insertionPointColor().isValid()); // a theme without one gives the default caret back
}
