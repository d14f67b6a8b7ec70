#include "../support/EditorKeys.h"
#include "TestSupport.h"

#include "platform/text/FindBar.h"
#include "platform/text/LineEnds.h"
#include "platform/text/TextView.h"
#include "platform/text/UndoManager.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QImage>

#include <gtest/gtest.h>

using namespace penwick::platform;
using penwick::test::pressKey;
using penwick::test::redoKey;
using penwick::test::typeKeys;
using penwick::test::undoKey;

namespace {

// A view that counts the Tab and Escape actions it receives.
class RecordingView : public TextView {
public:
    int tabs = 0;
    int escapes = 0;
    QStringList typed;
    void insertTab() override
    {
        ++tabs;
        TextView::insertTab();
    }
    bool wantsEscape = true;
    void cancelOperation() override { ++escapes; }
    bool wantsCancelOperation() const override { return wantsEscape; }
    void insertText(const QString& text) override
    {
        typed.append(text);
        TextView::insertText(text);
    }
    using TextView::insertText;
};

// The document's text as the view reads it: paragraph breaks as line feeds.
QString withNewlines(QString text)
{
    return text.replace(QChar(0x2029), QLatin1Char('\n'));
}

} // namespace

TEST(TextLayer, TypedRunIsOneUndoStepAndTheCoalescingBreakSplitsIt)
{
    TextView view;
    typeKeys(&view, QStringLiteral("abc"));
    EXPECT_EQ(view.string(), QStringLiteral("abc"));
    typeKeys(&view, QStringLiteral("de"));
    view.breakUndoCoalescing();
    typeKeys(&view, QStringLiteral("fg"));
    EXPECT_EQ(view.string(), QStringLiteral("abcdefg"));
    undoKey(&view);
    EXPECT_EQ(view.string(), QStringLiteral("abcde"));
    EXPECT_EQ(view.selectedRange(), TextRange(5, 0));
    undoKey(&view);
    EXPECT_EQ(view.string(), QString());
    EXPECT_FALSE(view.undoManager()->canUndo());
    redoKey(&view);
    EXPECT_EQ(view.string(), QStringLiteral("abcde"));
    redoKey(&view);
    EXPECT_EQ(view.string(), QStringLiteral("abcdefg"));
}

TEST(TextLayer, MovingTheCaretEndsTheTypingStep)
{
    TextView view;
    typeKeys(&view, QStringLiteral("ab"));
    pressKey(&view, Qt::Key_Left);
    typeKeys(&view, QStringLiteral("X"));
    EXPECT_EQ(view.string(), QStringLiteral("aXb"));
    undoKey(&view);
    EXPECT_EQ(view.string(), QStringLiteral("ab"));
}

TEST(TextLayer, BackspaceJoinsTheTypingStep)
{
    TextView view;
    typeKeys(&view, QStringLiteral("abcd"));
    pressKey(&view, Qt::Key_Backspace);
    pressKey(&view, Qt::Key_Backspace);
    typeKeys(&view, QStringLiteral("x"));
    EXPECT_EQ(view.string(), QStringLiteral("abx"));
    undoKey(&view);
    EXPECT_EQ(view.string(), QString());
}

struct RoundTrip {
    const char* name;
    QString file;
    QString shown; // what string() gives
};

class LineEndRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(LineEndRoundTrip, LoadAndReadBackIsByteIdentical)
{
    const RoundTrip& c = GetParam();
    TextView view;
    view.setString(c.file);
    EXPECT_EQ(view.string(), c.shown);
    EXPECT_EQ(view.fileString().toUtf8(), c.file.toUtf8());
    EXPECT_FALSE(view.undoManager()->canUndo());
}

INSTANTIATE_TEST_SUITE_P(Files, LineEndRoundTrip,
    ::testing::Values(RoundTrip { "crlf", QStringLiteral("a\r\nb\r\n\r\nc"), QStringLiteral("a\nb\n\nc") },
        RoundTrip { "cr", QStringLiteral("a\rb\r"), QStringLiteral("a\nb\n") },
        RoundTrip { "lineSeparator", QStringLiteral("a\u2028b"), QStringLiteral("a\nb") },
        RoundTrip { "noBreakSpaces", QStringLiteral("a\u00a0b\n\u00a0\u00a0x\n"), QStringLiteral("a\u00a0b\n\u00a0\u00a0x\n") },
        RoundTrip { "mixed", QStringLiteral("a\r\nb\nc\rd"), QStringLiteral("a\nb\nc\nd") },
        RoundTrip { "paragraphSeparator", QStringLiteral("a\u2029b\r\nc\u2029"), QStringLiteral("a\nb\nc\n") },
        RoundTrip { "empty", QString(), QString() }),
    [](const ::testing::TestParamInfo<RoundTrip>& info) { return std::string(info.param.name); });

TEST(TextLayer, ALoadedTextIsHeldOnceWhenTheDocumentTakesItAsItIs)
{
    // The view's text is the loaded one, not a second copy read back from the document (60 MB
    // for a 30 MB file), unless line ends or characters the document turns into paragraph
    // breaks make it differ.
    struct Case {
        const char* name;
        QString file;
        bool shared;
    };
    const Case cases[] = {
        { "line feeds", QStringLiteral("# a\n\nb\n"), true },
        { "no line end", QStringLiteral("abc"), true },
        { "carriage returns", QStringLiteral("a\r\nb"), false },
        { "paragraph separator", QStringLiteral("a\u2029b"), false },
        { "frame marks", QStringLiteral("a\uFDD0b\uFDD1c"), false },
    };
    for (const Case& c : cases) {
        TextView view;
        const QString file = QString(c.file.constData(), c.file.size()); // a copy of its own
        view.setString(file);
        EXPECT_EQ(view.string().isSharedWith(file), c.shared) << c.name;
        EXPECT_EQ(view.string(), withNewlines(view.document()->toRawText())) << c.name;
        EXPECT_EQ(view.fileString(), c.file) << c.name;
    }
}

TEST(TextLayer, EditedCRLFFileKeepsCRLFAndNoBreakSpaces)
{
    TextView view;
    view.setString(QStringLiteral("one\r\ntwo\u00a0x\r\n"));
    view.setSelectedRange(TextRange(3, 0));
    typeKeys(&view, QStringLiteral("\nnew"));
    EXPECT_EQ(view.string(), QStringLiteral("one\nnew\ntwo\u00a0x\n"));
    EXPECT_EQ(view.fileString(), QStringLiteral("one\r\nnew\r\ntwo\u00a0x\r\n"));
    EXPECT_EQ(view.string(), view.document()->toRawText().replace(QChar(0x2029), QLatin1Char('\n')));
}

TEST(TextLayer, MixedLineEndsStayOnTheirLinesThroughEdits)
{
    TextView view;
    view.setString(QStringLiteral("a\r\nb\nc\rd\r\ne"));
    // Edit inside the line "c": every line keeps its own end.
    view.setSelectedRange(TextRange(5, 0));
    typeKeys(&view, QStringLiteral("X"));
    EXPECT_EQ(view.fileString(), QStringLiteral("a\r\nb\ncX\rd\r\ne"));
    // A new line gets the file's most frequent end; the split line's end stays with its tail.
    view.setSelectedRange(TextRange(3, 0));
    typeKeys(&view, QStringLiteral("\n"));
    EXPECT_EQ(view.fileString(), QStringLiteral("a\r\nb\r\n\ncX\rd\r\ne"));
    // Joining two lines drops the end between them.
    view.setSelectedRange(TextRange(7, 0));
    pressKey(&view, Qt::Key_Delete);
    EXPECT_EQ(view.string(), QStringLiteral("a\nb\n\ncXd\ne"));
    EXPECT_EQ(view.fileString(), QStringLiteral("a\r\nb\r\n\ncXd\r\ne"));
    view.undo();
    EXPECT_EQ(view.string(), QStringLiteral("a\nb\n\ncX\nd\ne"));
}

TEST(TextLayer, ReturnEnterAndShiftReturnInsertANewline)
{
    for (const auto& [key, modifiers] : { std::pair { Qt::Key_Return, Qt::NoModifier },
             std::pair { Qt::Key_Enter, Qt::KeypadModifier }, std::pair { Qt::Key_Return, Qt::ShiftModifier } }) {
        TextView view;
        typeKeys(&view, QStringLiteral("a"));
        pressKey(&view, key, modifiers, QStringLiteral("\r"));
        EXPECT_EQ(view.string(), QStringLiteral("a\n"));
        EXPECT_FALSE(view.document()->toRawText().contains(QChar(0x2028)));
        EXPECT_EQ(view.document()->blockCount(), 2);
    }
}

TEST(TextLayer, TabReachesTheTabActionAndEscapeIsConsumedOnlyWhenUsed)
{
    RecordingView view;
    pressKey(&view, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    EXPECT_EQ(view.tabs, 1);
    EXPECT_EQ(view.string(), QStringLiteral("\t"));
    for (const bool wants : { true, false }) {
        SCOPED_TRACE(wants);
        view.wantsEscape = wants;
        view.escapes = 0;
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &escape);
        EXPECT_EQ(escape.isAccepted(), wants);
        EXPECT_EQ(view.escapes, wants ? 1 : 0);
        QKeyEvent shortcut(QEvent::ShortcutOverride, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &shortcut);
        EXPECT_EQ(shortcut.isAccepted(), wants);
    }
}

TEST(TextLayer, ACharacterBeyondTheBasicPlaneTakesTheTypingPath)
{
    RecordingView view;
    const QString grin = QString::fromUtf8("\xF0\x9F\x98\x80");
    pressKey(&view, Qt::Key_unknown, Qt::NoModifier, grin);
    EXPECT_EQ(view.typed, QStringList { grin });
    EXPECT_EQ(view.string(), grin);
    undoKey(&view);
    EXPECT_EQ(view.string(), QString());
}

TEST(TextLayer, InputMethodCommitReachesTheTypingPath)
{
    RecordingView view;
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("é"));
    QCoreApplication::sendEvent(&view, &commit);
    EXPECT_EQ(view.string(), QStringLiteral("é"));
    EXPECT_EQ(view.typed, QStringList { QStringLiteral("é") });
}

TEST(TextLayer, SeveralSelectionsAreKeptInTextOrder)
{
    TextView view;
    view.setString(QStringLiteral("alpha beta gamma"));
    view.setSelectedRanges({ TextRange(11, 5), TextRange(0, 5), TextRange(6, 0) });
    EXPECT_EQ(view.selectedRanges(), (TextRanges { TextRange(0, 5), TextRange(6, 0), TextRange(11, 5) }));
    EXPECT_EQ(view.selectedRange(), TextRange(0, 5));
    // Extra ranges follow edits before them.
    view.replaceCharacters(TextRange(0, 0), QStringLiteral(">>"));
    EXPECT_EQ(view.selectedRanges(), (TextRanges { TextRange(2, 5), TextRange(8, 0), TextRange(13, 5) }));
    // Out-of-range selections are clamped.
    view.setSelectedRange(TextRange(100, 4));
    EXPECT_EQ(view.selectedRanges(), (TextRanges { TextRange(view.textLength(), 0) }));
}

TEST(TextLayer, StorageChangesAreUndoableAndVetoed)
{
    TextView view;
    view.setString(QStringLiteral("hello"));
    view.replaceCharacters(TextRange(0, 1), QStringLiteral("J"));
    view.undoManager()->setActionName(QStringLiteral("Capital"));
    EXPECT_EQ(view.undoManager()->undoActionName(), QStringLiteral("Capital"));
    view.undo();
    EXPECT_EQ(view.string(), QStringLiteral("hello"));
    view.redo();
    EXPECT_EQ(view.string(), QStringLiteral("Jello"));
    view.setReadOnly(true);
    EXPECT_FALSE(view.shouldChangeTextInRange(TextRange(0, 0), QStringLiteral("x")));
    view.insertText(QStringLiteral("x"));
    EXPECT_EQ(view.string(), QStringLiteral("Jello"));
}

TEST(TextLayer, FormatChangesNeverEnterUndo)
{
    TextView view;
    view.setString(QStringLiteral("styled text"));
    QTextCursor cursor(view.document());
    cursor.setPosition(0);
    cursor.setPosition(6, QTextCursor::KeepAnchor);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.mergeCharFormat(bold);
    QCoreApplication::processEvents();
    EXPECT_FALSE(view.undoManager()->canUndo());
    EXPECT_EQ(view.string(), QStringLiteral("styled text"));
}

TEST(TextLayer, PasteTakesThePlainTextFlavour)
{
    TextView view;
    QMimeData rich;
    rich.setHtml(QStringLiteral("<b>bold</b> words"));
    rich.setText(QStringLiteral("bold words"));
    EXPECT_TRUE(view.readSelectionFromPasteboard(&rich, QStringLiteral("text/plain")));
    EXPECT_EQ(view.string(), QStringLiteral("bold words"));
    EXPECT_EQ(view.document()->firstBlock().charFormat().fontWeight(), QFont::Normal);
    QMimeData crlf;
    crlf.setText(QStringLiteral("\r\nx\ry"));
    view.readSelectionFromPasteboard(&crlf, QStringLiteral("text/plain"));
    EXPECT_EQ(view.string(), QStringLiteral("bold words\nx\ny"));
    QMimeData empty;
    EXPECT_FALSE(view.readSelectionFromPasteboard(&empty, QStringLiteral("text/plain")));
}

TEST(TextLayer, CtrlVPastesThroughTheView)
{
    TextView view;
    QGuiApplication::clipboard()->setText(QStringLiteral("clip"));
    if (QGuiApplication::clipboard()->text() != QStringLiteral("clip"))
        GTEST_SKIP() << "no clipboard on this platform";
    pressKey(&view, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(view.string(), QStringLiteral("clip"));
    undoKey(&view);
    EXPECT_EQ(view.string(), QString());
}

TEST(TextLayer, BeepIsObservable)
{
    TextView view;
    EXPECT_EQ(view.beepCount(), 0);
    view.beep();
    EXPECT_EQ(view.beepCount(), 1);
}

TEST(TextLayer, MarginsAndFindBar)
{
    TextView view;
    view.resize(400, 300);
    view.setMarginSize(QSizeF(20, 10));
    EXPECT_EQ(view.viewportMargins(), QMargins(20, 10, 20, 10));
    view.setString(QStringLiteral("one two one"));
    pressKey(&view, Qt::Key_F, Qt::ControlModifier);
    EXPECT_FALSE(view.isFindBarVisible()); // not switched on
    view.setUsesFindBar(true);
    view.show();
    pressKey(&view, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(view.isFindBarVisible());
    EXPECT_GT(view.viewportMargins().bottom(), 10);
    view.findBar()->searchField()->setText(QStringLiteral("one"));
    pressKey(view.findBar()->searchField(), Qt::Key_Return);
    EXPECT_EQ(view.selectedRange(), TextRange(0, 3));
    pressKey(view.findBar()->searchField(), Qt::Key_Return);
    EXPECT_EQ(view.selectedRange(), TextRange(8, 3));
    pressKey(view.findBar()->searchField(), Qt::Key_Return); // wraps around
    EXPECT_EQ(view.selectedRange(), TextRange(0, 3));
    view.findBar()->searchField()->setText(QStringLiteral("zzz"));
    pressKey(view.findBar()->searchField(), Qt::Key_Return);
    EXPECT_EQ(view.findBar()->status(), QStringLiteral("Not found"));
    pressKey(view.findBar()->searchField(), Qt::Key_Escape);
    EXPECT_FALSE(view.isFindBarVisible());
    EXPECT_EQ(view.viewportMargins(), QMargins(20, 10, 20, 10));
}

TEST(TextLayer, ContextMenuUndoGoesThroughTheUndoManager)
{
    TextView view;
    view.setString(QStringLiteral("x"));
    view.replaceCharacters(TextRange(1, 0), QStringLiteral("yz"));
    view.undoManager()->setActionName(QStringLiteral("Append"));
    std::unique_ptr<QMenu> menu(view.createEditMenu(nullptr));
    QAction* undoAction = menu->actions().at(0);
    EXPECT_EQ(undoAction->text(), QStringLiteral("Undo Append"));
    ASSERT_TRUE(undoAction->isEnabled());
    undoAction->trigger();
    EXPECT_EQ(view.string(), QStringLiteral("x"));
    std::unique_ptr<QMenu> after(view.createEditMenu(nullptr));
    EXPECT_EQ(after->actions().at(1)->text(), QStringLiteral("Redo Append"));
    after->actions().at(1)->trigger();
    EXPECT_EQ(view.string(), QStringLiteral("xyz"));
}

TEST(TextLayer, EveryKindOfLineEndSurvivesAnEditElsewhere)
{
    // One byte per line records each line's end, paragraph separators included.
    const QString file = QStringLiteral("p\u2029q\r\nr\u2028s\rt\nu");
    TextView view;
    view.setString(file);
    view.setSelectedRange(TextRange(view.textLength(), 0));
    typeKeys(&view, QStringLiteral("v"));
    EXPECT_EQ(view.fileString(), file + QStringLiteral("v"));
    pressKey(&view, Qt::Key_Backspace);
    EXPECT_EQ(view.fileString(), file);
    EXPECT_EQ(view.lineEnding(), QStringLiteral("\r\n")) << "the first of the most frequent kinds a new line may get";
}

TEST(LineEnds, KeepsOneBytePerLineOnlyForMixedFiles)
{
    struct Case {
        const char* name;
        QString file;
        QString dominant;
        qsizetype recorded;
    };
    const Case cases[] = {
        { "no line end", QStringLiteral("abc"), QStringLiteral("\n"), 0 },
        { "all CR LF", QStringLiteral("a\r\nb\r\nc"), QStringLiteral("\r\n"), 0 },
        { "all CR", QStringLiteral("a\rb\r"), QStringLiteral("\r"), 0 },
        { "mostly LF", QStringLiteral("a\nb\nc\r\nd"), QStringLiteral("\n"), 3 },
        { "a tie goes to the first", QStringLiteral("a\rb\nc"), QStringLiteral("\r"), 2 },
        { "only paragraph separators", QStringLiteral("a\u2029b"), QStringLiteral("\n"), 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LineEnds ends = LineEnds::ofText(c.file);
        EXPECT_EQ(ends.dominant(), c.dominant);
        EXPECT_EQ(ends.recordedLines(), c.recorded);
        QString shown = c.file;
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        shown.replace(QChar(0x2028), QLatin1Char('\n')).replace(QChar(0x2029), QLatin1Char('\n'));
        EXPECT_EQ(ends.apply(shown), c.file);
    }
    LineEnds mixed = LineEnds::ofText(QStringLiteral("a\nb\r\nc\nd"));
    mixed.replaceLines(1, 1, 2); // the CR LF line went, two new lines came
    EXPECT_EQ(mixed.apply(QStringLiteral("a\nx\ny\nc\nd")), QStringLiteral("a\nx\ny\nc\nd"));
}

namespace {

// Pixels of `colour` in the caret's column of a grabbed viewport.
int caretPixels(TextView& view, const QColor& colour)
{
    const QImage image = view.viewport()->grab().toImage();
    const QRect caret = view.cursorRect();
    int count = 0;
    for (int y = caret.top(); y <= caret.bottom(); ++y)
        for (int x = caret.left() - 1; x <= caret.left() + 1; ++x)
            if (image.rect().contains(x, y) && QColor(image.pixel(x, y)) == colour)
                ++count;
    return count;
}

} // namespace

TEST(TextLayer, TheCaretIsDrawnInItsOwnColourAndBlinks)
{
    const QColor red(255, 0, 0);
    TextView view;
    view.resize(300, 120);
    view.setString(QStringLiteral("caret here"));
    view.setSelectedRange(TextRange(5, 0));
    view.show();
    view.activateWindow();
    view.setFocus();
    ASSERT_TRUE(penwick::test::waitUntil([&] { return view.hasFocus(); }));
    EXPECT_EQ(caretPixels(view, red), 0); // the default caret is in the text colour

    view.setInsertionPointColor(red);
    ASSERT_TRUE(view.isInsertionPointShown());
    EXPECT_GE(caretPixels(view, red), view.cursorRect().height() / 2);

    // The blink hides it, and moving the caret shows it again at once, at its new place.
    ASSERT_TRUE(penwick::test::waitUntil([&] { return !view.isInsertionPointShown(); }, 5000));
    EXPECT_EQ(caretPixels(view, red), 0);
    view.setSelectedRange(TextRange(10, 0));
    EXPECT_TRUE(view.isInsertionPointShown());
    EXPECT_GE(caretPixels(view, red), view.cursorRect().height() / 2);

    // Read-only views and overwrite mode have no coloured caret; an invalid colour gives Qt's back.
    view.setOverwriteMode(true);
    EXPECT_FALSE(view.isInsertionPointShown());
    view.setOverwriteMode(false);
    view.setInsertionPointColor(QColor());
    EXPECT_FALSE(view.isInsertionPointShown());
    EXPECT_EQ(view.cursorWidth(), 1);
    EXPECT_EQ(caretPixels(view, red), 0);
}
