#include "../support/EditorKeys.h"

#include "CorePrefs.h"
#include "Extensions/TextViewAdditions.h"
#include "Extensions/TextViewEditPlainTextWithUndo.h"
#include "TextEditor/TextEditorView.h"
#include "platform/UserDefaults.h"
#include "platform/text/UndoManager.h"

#include <gtest/gtest.h>

using namespace penwick;
using platform::TextRange;
using platform::TextRanges;
using platform::UserDefaults;

namespace {

struct MoveCase {
    const char* name;
    bool up;
    QString text;
    TextRanges selection;
    QString expected;          // same as text when the move beeps
    TextRanges expectedSelection;
};

TextRanges carets(std::initializer_list<qsizetype> at)
{
    TextRanges r;
    for (qsizetype p : at)
        r.append(TextRange(p, 0));
    return r;
}

} // namespace

class MoveLines : public ::testing::TestWithParam<MoveCase> {};

TEST_P(MoveLines, MovesAndUndoesWithSelections)
{
    const MoveCase& c = GetParam();
    TextEditorView view;
    view.setString(c.text);
    view.setSelectedRanges(c.selection);
    const TextRanges before = view.selectedRanges();
    if (c.up)
        view.moveLineUp();
    else
        view.moveLineDown();
    view.undoManager()->closeEventGroup();
    EXPECT_EQ(view.string(), c.expected);
    if (c.expected == c.text) {
        EXPECT_EQ(view.beepCount(), 1);
        EXPECT_FALSE(view.undoManager()->canUndo());
        return;
    }
    EXPECT_EQ(view.beepCount(), 0);
    EXPECT_EQ(view.selectedRanges(), c.expectedSelection);
    EXPECT_EQ(view.undoManager()->undoActionName(), QStringLiteral("Move Line"));
    view.undo();
    EXPECT_EQ(view.string(), c.text);
    EXPECT_EQ(view.selectedRanges(), before);
    EXPECT_EQ(view.undoManager()->redoActionName(), QStringLiteral("Move Line"));
    view.redo();
    EXPECT_EQ(view.string(), c.expected);
    EXPECT_EQ(view.selectedRanges(), c.expectedSelection);
}

INSTANTIATE_TEST_SUITE_P(Table, MoveLines,
    ::testing::Values(
        MoveCase { "firstLineUpBeeps", true, "one\ntwo\n", carets({ 1 }), "one\ntwo\n", {} },
        MoveCase { "secondLineUp", true, "one\ntwo\nthree\n", carets({ 5 }), "two\none\nthree\n", carets({ 1 }) },
        MoveCase { "unterminatedLastUp", true, "one\ntwo", carets({ 6 }), "two\none", carets({ 2 }) },
        MoveCase { "caretAtEndOfTextUp", true, "one\ntwo", carets({ 7 }), "two\none", carets({ 3 }) },
        MoveCase { "intoUnterminatedLastDown", false, "one\ntwo", carets({ 2 }), "two\none", carets({ 6 }) },
        MoveCase { "lastLineDownBeeps", false, "one\ntwo", carets({ 5 }), "one\ntwo", {} },
        MoveCase { "beforeEmptyLastLineDownBeeps", false, "one\ntwo\n", carets({ 5 }), "one\ntwo\n", {} },
        MoveCase { "threeLineBlockUp", true, "a\nb1\nc2\nd3\ne\n", { TextRange(3, 7) }, "b1\nc2\nd3\na\ne\n",
            { TextRange(1, 7) } },
        MoveCase { "threeLineBlockDown", false, "a\nb1\nc2\nd3\ne\n", { TextRange(2, 8) }, "a\ne\nb1\nc2\nd3\n",
            { TextRange(4, 8) } },
        MoveCase { "twoDistantCaretsUp", true, "l0\nl1\nl2\nl3\nl4\n", carets({ 4, 13 }), "l1\nl0\nl2\nl4\nl3\n",
            carets({ 1, 10 }) },
        MoveCase { "twoDistantCaretsDown", false, "l0\nl1\nl2\nl3\nl4\n", carets({ 1, 10 }),
            "l1\nl0\nl2\nl4\nl3\n", carets({ 4, 13 }) }),
    [](const ::testing::TestParamInfo<MoveCase>& info) { return std::string(info.param.name); });

TEST(LineCommands, NoSelectedLineBeeps)
{
    TextEditorView view;
    view.moveLineUp();
    view.moveLineDown();
    EXPECT_EQ(view.beepCount(), 2);
    view.setString(QStringLiteral("a\n"));
    view.setSelectedRange(TextRange(2, 0)); // the empty last line holds no line
    EXPECT_TRUE(PWAdditions::selectedLineRanges(view).isEmpty());
    view.moveLineUp();
    EXPECT_EQ(view.beepCount(), 3);
}

TEST(LineCommands, DuplicatePlacesTheCopyAbove)
{
    struct Case {
        QString text;
        TextRanges selection;
        QString expected;
    };
    const Case cases[] = {
        { "a\nmiddle\nz\n", carets({ 4 }), "a\nmiddle\nmiddle\nz\n" },
        { "a\nlast", carets({ 3 }), "a\nlast\nlast" },
        { "x\ny\n", { TextRange(0, 3) }, "x\ny\nx\ny\n" },
        { "one\nsame\n", carets({ 4, 6 }), "one\nsame\nsame\nsame\n" },
    };
    for (const Case& c : cases) {
        TextEditorView view;
        view.setString(c.text);
        view.setSelectedRanges(c.selection);
        view.duplicateLine();
        view.undoManager()->closeEventGroup();
        EXPECT_EQ(view.string(), c.expected);
        EXPECT_EQ(view.undoManager()->undoActionName(), QStringLiteral("Duplicate Line"));
        view.undo();
        EXPECT_EQ(view.string(), c.text);
    }
}

TEST(LineCommands, ReadOnlyViewRefusesLineCommands)
{
    TextEditorView view;
    view.setString(QStringLiteral("a\nb\n"));
    view.setReadOnly(true);
    view.setSelectedRange(TextRange(2, 0));
    view.moveLineUp();
    view.duplicateLine();
    EXPECT_EQ(view.string(), QStringLiteral("a\nb\n"));
    EXPECT_EQ(view.selectedRange(), TextRange(2, 0));
    EXPECT_FALSE(EditPlainTextWithUndo::insertText(view, QStringLiteral("x"), 0));
}

TEST(LineCommands, SelectedTextsAndLines)
{
    TextEditorView view;
    view.setString(QStringLiteral("first\nsecond\nlast"));
    view.setSelectedRanges({ TextRange(1, 0), TextRange(3, 0), TextRange(15, 0) });
    EXPECT_EQ(PWAdditions::selectedTexts(view),
        (QStringList { "first\n", "first\n", "last\n" }));
    const PWAdditions::LinesWithRanges lines = PWAdditions::selectedLinesWithRanges(view);
    EXPECT_EQ(lines.lines, (QStringList { "first", "first", "last" }));
    EXPECT_EQ(lines.ranges, (TextRanges { TextRange(0, 6), TextRange(0, 6), TextRange(13, 4) }));
    EXPECT_EQ(PWAdditions::selectedLineRanges(view), (TextRanges { TextRange(0, 6), TextRange(13, 4) }));
}

TEST(LineCommands, ColumnsCountTabsAsTheTabWidth)
{
    struct Case {
        qint64 width;
        QString line;
        qsizetype expanded;
        qsizetype plain;
    };
    const Case cases[] = {
        { 4, "\ta", 5, 2 },
        { 4, "ab\t", 6, 3 },
        { 2, "\t\tx", 5, 3 },
        { 8, "xy", 2, 2 },
        { 0, "\t\ta", 3, 3 },   // a width below 1 counts as 1
        { -5, "\ta", 2, 2 },
    };
    for (const Case& c : cases) {
        UserDefaults::standard().setValue(CorePrefs::EDITOR_TABWIDTH, c.width);
        TextEditorView view;
        view.setString(QStringLiteral("above\n") + c.line + QStringLiteral("\nbelow"));
        const qsizetype at = 6 + c.line.size();
        EXPECT_EQ(PWAdditions::columnOfLocation(view, at, true), c.expanded) << c.width;
        EXPECT_EQ(PWAdditions::columnOfLocation(view, at, false), c.plain) << c.width;
    }
    UserDefaults::standard().removeObject(CorePrefs::EDITOR_TABWIDTH);
}

TEST(UndoableEditing, InsertAtIndexPutsTheCaretAfterAndUndoRestoresTheSelection)
{
    TextEditorView view;
    view.setString(QStringLiteral("hello world"));
    view.setSelectedRange(TextRange(6, 5));
    ASSERT_TRUE(EditPlainTextWithUndo::insertText(view, QStringLiteral("abc"), 0));
    view.undoManager()->closeEventGroup();
    EXPECT_EQ(view.string(), QStringLiteral("abchello world"));
    EXPECT_EQ(view.selectedRange(), TextRange(3, 0));
    view.undo();
    EXPECT_EQ(view.string(), QStringLiteral("hello world"));
    EXPECT_EQ(view.selectedRange(), TextRange(6, 5));
    view.redo();
    EXPECT_EQ(view.string(), QStringLiteral("abchello world"));
    EXPECT_EQ(view.selectedRange(), TextRange(3, 0));
}

TEST(UndoableEditing, SelectionChangesUndoAndRedo)
{
    TextEditorView view;
    view.setString(QStringLiteral("abcdef"));
    view.setSelectedRange(TextRange(1, 0));
    EditPlainTextWithUndo::replaceCharactersInRange(view, TextRange(2, 2), QStringLiteral("XY"));
    EditPlainTextWithUndo::setSelectedRangesWithUndo(view, { TextRange(0, 1), TextRange(4, 2) });
    view.undoManager()->closeEventGroup();
    EXPECT_EQ(view.string(), QStringLiteral("abXYef"));
    EXPECT_EQ(view.selectedRanges(), (TextRanges { TextRange(0, 1), TextRange(4, 2) }));
    view.undo();
    EXPECT_EQ(view.string(), QStringLiteral("abcdef"));
    EXPECT_EQ(view.selectedRanges(), (TextRanges { TextRange(1, 0) }));
    view.redo();
    EXPECT_EQ(view.selectedRanges(), (TextRanges { TextRange(0, 1), TextRange(4, 2) }));
}
