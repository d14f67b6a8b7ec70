// Format menu items applied to a real editor view as the format menu does: coalescing broken
// first, then the item decorates the view; each command is one undo step.
#include "../support/EditorKeys.h"

#include "Extensions/LineFormatMenuItem.h"
#include "Extensions/WordFormatMenuItem.h"
#include "TextEditor/TextEditorView.h"
#include "platform/text/UndoManager.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace penwick;
using platform::TextRange;
using platform::TextRanges;

namespace {

void formatAction(TextEditorView& view, WordFormatMenuItem& item)
{
    view.breakUndoCoalescing();
    item.decorateTextView(&view);
    // Leaving the menu event closes its undo group.
    QCoreApplication::processEvents();
}

void prepare(TextEditorView& view, const QString& text, const TextRanges& selections)
{
    view.awakeFromNib();
    view.setString(text);
    view.setSelectedRanges(selections);
}

std::unique_ptr<WordFormatMenuItem> wordItem(const QString& prefix, const QString& suffix, qsizetype offset)
{
    auto item = std::make_unique<WordFormatMenuItem>();
    item->setPrefix(prefix);
    item->setSuffix(suffix);
    item->setEndCursorOffset(offset);
    return item;
}

std::unique_ptr<WordFormatMenuItem> lineItem(const QString& prefix, bool skipEmptyLines = false)
{
    auto item = std::make_unique<LineFormatMenuItem>();
    item->setPrefix(prefix);
    item->setSkipEmptyLines(skipEmptyLines);
    return item;
}

struct Case {
    const char* name;
    std::function<std::unique_ptr<WordFormatMenuItem>()> make;
    QString text;
    TextRanges selections;
    QString expected;
    TextRanges expectedSelections;
    bool undoRestoresSelection; // un-indenting records the text change only
};

class FormatOnView : public testing::TestWithParam<Case> { };

TEST_P(FormatOnView, TextSelectionsAndOneUndoStep)
{
    const Case& c = GetParam();
    TextEditorView view;
    prepare(view, c.text, c.selections);
    const auto item = c.make();
    const int stepsBefore = view.undoManager()->undoCount();

    formatAction(view, *item);
    EXPECT_EQ(view.string(), c.expected);
    EXPECT_EQ(view.selectedRanges(), c.expectedSelections);
    EXPECT_EQ(view.undoManager()->undoCount(), stepsBefore + 1);

    test::undoKey(&view);
    EXPECT_EQ(view.string(), c.text);
    if (c.undoRestoresSelection) {
        EXPECT_EQ(view.selectedRanges(), c.selections);
    }
    EXPECT_EQ(view.undoManager()->undoCount(), stepsBefore);
}

INSTANTIATE_TEST_SUITE_P(Items, FormatOnView,
    testing::Values(
        Case { "WordOneSelection", [] { return wordItem("**", "**", 0); }, "ab cd ef", { TextRange(3, 2) },
               "ab **cd** ef", { TextRange(5, 2) }, true },
        Case { "WordOneSelectionNegativeOffset", [] { return wordItem("[", "]()", -1); }, "ab cd", { TextRange(3, 2) },
               "ab [cd]()", { TextRange(8, 0) }, true },
        Case { "WordOneSelectionPositiveOffset", [] { return wordItem("<", ">", 1); }, "ab cd", { TextRange(3, 2) },
               "ab <cd>", { TextRange(4, 0) }, true },
        Case { "WordTwoSelections", [] { return wordItem("_", "_", -1); }, "ab cd ef",
               { TextRange(0, 2), TextRange(6, 2) }, "_ab_ cd _ef_", { TextRange(1, 2), TextRange(9, 2) }, true },
        Case { "WordCaretInsideWord", [] { return wordItem("**", "**", -2); }, "say hello", { TextRange(6, 0) },
               "say **hello**", { TextRange(8, 0) }, false },
        Case { "WordCaretBehindWord", [] { return wordItem("`", "`", 0); }, "say hello", { TextRange(9, 0) },
               "say hello``", { TextRange(10, 0) }, true },
        Case { "NumberedCaret", [] { return lineItem(kNumberedListTemplate); }, "abc\ndef", { TextRange(5, 0) },
               "abc\n1. def", { TextRange(8, 0) }, true },
        Case { "NumberedTwoSelections", [] { return lineItem(kNumberedListTemplate); }, "a\nb\nc\nd\ne",
               { TextRange(0, 3), TextRange(6, 3) }, "1. a\n2. b\nc\n1. d\n2. e",
               { TextRange(0, 9), TextRange(12, 9) }, true },
        Case { "NumberedSkippingEmptyLines", [] { return lineItem(kNumberedListTemplate, true); }, "a\n\nb",
               { TextRange(0, 4) }, "1. a\n\n2. b", { TextRange(0, 10) }, true },
        Case { "NumberedNotSkippingEmptyLines", [] { return lineItem(kNumberedListTemplate, false); }, "a\n\nb",
               { TextRange(0, 4) }, "1. a\n2. \n3. b", { TextRange(0, 13) }, true },
        Case { "ShiftRight", [] { return lineItem(kShiftRightTemplate); }, "x\ny\nz", { TextRange(0, 3) },
               "\tx\n\ty\nz", { TextRange(0, 5) }, true },
        Case { "ShiftLeftSelection", [] { return lineItem(kShiftLeftTemplate); }, "\tx\n  y\nz\n   \n  -\n",
               { TextRange(1, 10) }, "x\n y\nz\n  \n  -\n", { TextRange(1, 10) }, false },
        Case { "ShiftLeftCaret", [] { return lineItem(kShiftLeftTemplate); }, "x\n  abc", { TextRange(5, 0) },
               "x\n abc", { TextRange(4, 0) }, false }),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// Typing and the format command that follows it undo as two steps.
TEST(FormatOnView, CommandIsAStepApartFromTypingBeforeIt)
{
    TextEditorView view;
    prepare(view, "", { TextRange(0, 0) });
    test::typeKeys(&view, "hello");
    ASSERT_EQ(view.string(), "hello");
    view.setSelectedRange(TextRange(2, 0));
    const auto item = wordItem("*", "*", -1);
    formatAction(view, *item);
    EXPECT_EQ(view.string(), "*hello*");
    EXPECT_EQ(view.selectedRanges(), TextRanges { TextRange(3, 0) });

    test::undoKey(&view);
    EXPECT_EQ(view.string(), "hello");
    test::undoKey(&view);
    EXPECT_EQ(view.string(), "");
    test::redoKey(&view);
    test::redoKey(&view);
    EXPECT_EQ(view.string(), "*hello*");
}

TEST(FormatOnView, TypedRightAfterTheCommandIsNotPartOfIt)
{
    TextEditorView view;
    prepare(view, "ab cd", { TextRange(3, 2) });
    const auto item = wordItem("[", "]", 1);
    formatAction(view, *item);
    ASSERT_EQ(view.string(), "ab [cd]");
    view.setSelectedRange(TextRange(7, 0));
    test::typeKeys(&view, "z");
    EXPECT_EQ(view.string(), "ab [cd]z");
    test::undoKey(&view);
    EXPECT_EQ(view.string(), "ab [cd]");
    test::undoKey(&view);
    EXPECT_EQ(view.string(), "ab cd");
}

TEST(FormatOnView, TypingAfterWrappingTheCaretWordIsItsOwnStep)
{
    TextEditorView view;
    prepare(view, "say hello", { TextRange(6, 0) });
    const auto item = wordItem("_", "_", -1);
    formatAction(view, *item);
    ASSERT_EQ(view.string(), "say _hello_");
    test::typeKeys(&view, "z");
    EXPECT_EQ(view.string(), "say _hezllo_");
    test::undoKey(&view);
    EXPECT_EQ(view.string(), "say _hello_");
    test::undoKey(&view);
    EXPECT_EQ(view.string(), "say hello");
}

TEST(FormatOnView, ShiftRightItemKeepsItsTab)
{
    TextEditorView view;
    prepare(view, "a", { TextRange(0, 0) });
    LineFormatMenuItem item;
    item.setPrefix(kShiftRightTemplate);
    formatAction(view, item);
    EXPECT_EQ(view.string(), "\ta");
    EXPECT_EQ(item.prefix(), "\t");
    formatAction(view, item);
    EXPECT_EQ(view.string(), "\t\ta");
}

TEST(FormatOnView, ReadOnlyViewIsLeftAlone)
{
    TextEditorView view;
    prepare(view, " ab\n cd", { TextRange(0, 7) });
    view.setReadOnly(true);
    LineFormatMenuItem item;
    item.setPrefix(kShiftLeftTemplate);
    formatAction(view, item);
    EXPECT_EQ(view.string(), " ab\n cd");
}

TEST(FormatItems, PropertiesReachableByName)
{
    LineFormatMenuItem item;
    EXPECT_TRUE(item.setProperty("prefix", QStringLiteral("> ")));
    EXPECT_TRUE(item.setProperty("suffix", QStringLiteral("!")));
    EXPECT_TRUE(item.setProperty("endCursorOffset", QVariant::fromValue<qsizetype>(-1)));
    EXPECT_TRUE(item.setProperty("skipEmptyLines", true));
    EXPECT_EQ(item.prefix(), "> ");
    EXPECT_EQ(item.suffix(), "!");
    EXPECT_EQ(item.endCursorOffset(), -1);
    EXPECT_TRUE(item.skipEmptyLines());
    EXPECT_EQ(item.property("prefix").toString(), "> ");
}

TEST(FormatItems, CreatedEmpty)
{
    WordFormatMenuItem word;
    EXPECT_TRUE(word.prefix().isNull());
    EXPECT_TRUE(word.suffix().isNull());
    EXPECT_EQ(word.endCursorOffset(), 0);
    LineFormatMenuItem line;
    EXPECT_FALSE(line.skipEmptyLines());
}

} // namespace
