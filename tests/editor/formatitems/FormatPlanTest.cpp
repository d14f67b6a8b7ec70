// The format commands worked out on plain text: which text each command
// produces and where the selections and the cursor stand afterwards.
#include "Extensions/LineFormatMenuItem.h"
#include "Extensions/WordFormatMenuItem.h"

#include <gtest/gtest.h>

using namespace penwick;
using textformat::Range;

namespace {

struct Outcome {
    QString text;
    std::vector<Range> selections;
};

Outcome run(WordFormatMenuItem& item, const QString& text, const std::vector<Range>& selections)
{
    const textformat::FormatPlan plan = item.plan(text, selections);
    return { textformat::applied(text, plan), plan.setsSelection ? plan.selections : selections };
}

struct WordCase {
    const char* name;
    QString text;
    std::vector<Range> selections;
    QString prefix;
    QString suffix;
    qsizetype offset;
    QString expected;
    std::vector<Range> expectedSelections;
};

class WordDecoration : public testing::TestWithParam<WordCase> { };

TEST_P(WordDecoration, TextAndSelections)
{
    const WordCase& c = GetParam();
    WordFormatMenuItem item;
    item.setPrefix(c.prefix);
    item.setSuffix(c.suffix);
    item.setEndCursorOffset(c.offset);
    const Outcome outcome = run(item, c.text, c.selections);
    EXPECT_EQ(outcome.text, c.expected);
    EXPECT_EQ(outcome.selections, c.expectedSelections);
}

INSTANTIATE_TEST_SUITE_P(Cases, WordDecoration,
    testing::Values(
        WordCase { "CaretInsideWordKeepsPlaceWithNegativeOffset", "hello world", { { 2, 0 } }, "**", "**", -2,
                   "**hello** world", { { 4, 0 } } },
        WordCase { "CaretInsideWordZeroOffsetMovesBySuffixToo", "hello world", { { 2, 0 } }, "**", "**", 0,
                   "**hello** world", { { 6, 0 } } },
        WordCase { "CaretAtWordStartWrapsIt", "hello world", { { 6, 0 } }, "_", "_", -1, "hello _world_",
                   { { 7, 0 } } },
        WordCase { "PartExampleCursorTwelveInWordAtTen", "012345678 wordy", { { 12, 0 } }, "~~", "~~", -2,
                   "012345678 ~~wordy~~", { { 14, 0 } } },
        WordCase { "CaretJustBehindWordLeavesItAlone", "hello world", { { 5, 0 } }, "**", "**", 0,
                   "hello**** world", { { 7, 0 } } },
        WordCase { "EmptyTextCursorBetweenMarkers", "", { { 0, 0 } }, "`", "`", 0, "``", { { 1, 0 } } },
        WordCase { "AwayFromWordNegativeOffsetCountsFromEnd", "a  b", { { 2, 0 } }, "[", "]()", -1, "a []() b",
                   { { 5, 0 } } },
        WordCase { "AwayFromWordPositiveOffsetCountsFromCaret", "a  b", { { 2, 0 } }, "[", "]()", 3, "a []() b",
                   { { 5, 0 } } },
        WordCase { "ApostropheKeepsOneWord", "say don't now", { { 6, 0 } }, "*", "*", 0, "say *don't* now",
                   { { 8, 0 } } },
        WordCase { "DecimalKeepsOneWord", "pi is 3.14", { { 7, 0 } }, "*", "*", 0, "pi is *3.14*", { { 9, 0 } } },
        WordCase { "CaretOnPunctuationIsNotInAWord", "a, b", { { 1, 0 } }, "*", "*", 0, "a**, b", { { 2, 0 } } },
        WordCase { "OneSelectionZeroOffsetKeepsText", "ab cd ef", { { 3, 2 } }, "**", "**", 0, "ab **cd** ef",
                   { { 5, 2 } } },
        WordCase { "OneSelectionNegativeOffset", "ab cd", { { 3, 2 } }, "[", "]()", -1, "ab [cd]()", { { 8, 0 } } },
        WordCase { "OneSelectionPositiveOffset", "ab cd", { { 3, 2 } }, "[", "]", 1, "ab [cd]", { { 4, 0 } } },
        WordCase { "TwoSelectionsKeepTheirTextWhateverOffset", "ab cd ef", { { 0, 2 }, { 6, 2 } }, "*", "*", -1,
                   "*ab* cd *ef*", { { 1, 2 }, { 9, 2 } } },
        WordCase { "TwoSelectionsTwoCharacterMarkers", "ab cd ef", { { 0, 2 }, { 6, 2 } }, "**", "__", 0,
                   "**ab__ cd **ef__", { { 2, 2 }, { 12, 2 } } },
        WordCase { "SelectionsGivenOutOfOrder", "ab cd ef", { { 6, 2 }, { 0, 2 } }, "*", "*", 0, "*ab* cd *ef*",
                   { { 1, 2 }, { 9, 2 } } },
        WordCase { "SurrogatePairsCountAsTwoUnits", QStringLiteral("\U0001F600 x"), { { 3, 1 } }, "*", "*", 0,
                   QStringLiteral("\U0001F600 *x*"), { { 4, 1 } } }),
    [](const testing::TestParamInfo<WordCase>& info) { return std::string(info.param.name); });

TEST(WordDecoration, WordAtFollowsWordBoundaries)
{
    EXPECT_EQ(textformat::wordAt("don't stop", 2), (Range { 0, 5 }));
    EXPECT_EQ(textformat::wordAt("pi 3.14!", 5), (Range { 3, 4 }));
    EXPECT_FALSE(textformat::wordAt("pi 3.14!", 7));
    EXPECT_FALSE(textformat::wordAt("ab", 2));
    EXPECT_FALSE(textformat::wordAt("", 0));
}

TEST(WordDecoration, NoSelectionsNoChange)
{
    WordFormatMenuItem item;
    item.setPrefix("*");
    item.setSuffix("*");
    EXPECT_TRUE(item.plan("abc", {}).edits.empty());
}

struct LineCase {
    const char* name;
    QString text;
    std::vector<Range> selections;
    QString prefix;
    bool skipEmptyLines;
    QString expected;
    std::vector<Range> expectedSelections;
};

class LineDecoration : public testing::TestWithParam<LineCase> { };

TEST_P(LineDecoration, TextAndSelections)
{
    const LineCase& c = GetParam();
    LineFormatMenuItem item;
    item.setPrefix(c.prefix);
    item.setSkipEmptyLines(c.skipEmptyLines);
    const Outcome outcome = run(item, c.text, c.selections);
    EXPECT_EQ(outcome.text, c.expected);
    EXPECT_EQ(outcome.selections, c.expectedSelections);
}

INSTANTIATE_TEST_SUITE_P(Cases, LineDecoration,
    testing::Values(
        LineCase { "NumberedCaretPrefixesItsLine", "abc\ndef", { { 5, 0 } }, kNumberedListTemplate, false,
                   "abc\n1. def", { { 8, 0 } } },
        LineCase { "NumberedCaretOnEmptyLineStillPrefixes", "a\n\nb", { { 2, 0 } }, kNumberedListTemplate, true,
                   "a\n1. \nb", { { 5, 0 } } },
        LineCase { "NumberedTwoSelectionsEachFromOne", "a\nb\nc\nd\ne", { { 0, 3 }, { 6, 3 } },
                   kNumberedListTemplate, false, "1. a\n2. b\nc\n1. d\n2. e", { { 0, 9 }, { 12, 9 } } },
        LineCase { "SelectionEndingAtLineStartLeavesThatLine", "a\nb\nc", { { 0, 2 } }, kNumberedListTemplate, false,
                   "1. a\nb\nc", { { 3, 2 } } },
        LineCase { "SelectionStartingInsideLinePrefixesItsStart", "abc\ndef", { { 1, 4 } }, "> ", false,
                   "> abc\n> def", { { 1, 8 } } },
        LineCase { "SingleLineSelectionMovesBehindPrefix", "abc\ndef", { { 5, 2 } }, "- ", false, "abc\n- def",
                   { { 7, 2 } } },
        LineCase { "SkipEmptyLinesNumbersAroundThem", "a\n\nb", { { 0, 4 } }, kNumberedListTemplate, true,
                   "1. a\n\n2. b", { { 0, 10 } } },
        LineCase { "WithoutSkippingEmptyLineTakesANumber", "a\n\nb", { { 0, 4 } }, kNumberedListTemplate, false,
                   "1. a\n2. \n3. b", { { 0, 13 } } },
        LineCase { "EmptyLastLineBehindBreakNeverPrefixed", "a\nb\n", { { 0, 4 } }, "* ", false, "* a\n* b\n",
                   { { 0, 8 } } },
        LineCase { "ShiftRightPrefixesEveryLineWithTab", "x\ny\nz", { { 0, 3 } }, kShiftRightTemplate, false,
                   "\tx\n\ty\nz", { { 0, 5 } } },
        LineCase { "NumbersPastNine", "a\nb\nc\nd\ne\nf\ng\nh\ni\nj", { { 0, 19 } }, kNumberedListTemplate, false,
                   "1. a\n2. b\n3. c\n4. d\n5. e\n6. f\n7. g\n8. h\n9. i\n10. j", { { 0, 50 } } },
        LineCase { "ShiftLeftSelectionTakesOneBlankPerShiftableLine", "\tx\n  y\nz\n   \n  -\n", { { 1, 10 } },
                   kShiftLeftTemplate, false, "x\n y\nz\n  \n  -\n", { { 1, 10 } } },
        LineCase { "ShiftLeftSelectionTouchesOnlyItsLines", " a\n b\n c", { { 3, 1 } }, kShiftLeftTemplate, false,
                   " a\nb\n c", { { 3, 1 } } },
        LineCase { "ShiftLeftCaretInsideIndentedLine", "x\n  abc", { { 5, 0 } }, kShiftLeftTemplate, false,
                   "x\n abc", { { 4, 0 } } },
        LineCase { "ShiftLeftCaretAtLineStartStaysThere", "  abc", { { 0, 0 } }, kShiftLeftTemplate, false, " abc",
                   { { 0, 0 } } },
        LineCase { "ShiftLeftCaretOnEmptyLineJoinsNothing", "a\n\nb", { { 2, 0 } }, kShiftLeftTemplate, false,
                   "a\n\nb", { { 2, 0 } } },
        LineCase { "ShiftLeftCaretOnUnshiftableLine", "  - ", { { 3, 0 } }, kShiftLeftTemplate, false, "  - ",
                   { { 3, 0 } } }),
    [](const testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

TEST(LineDecoration, ShiftRightItemBecomesTabItem)
{
    LineFormatMenuItem item;
    item.setPrefix(kShiftRightTemplate);
    item.plan("a", { { 0, 0 } });
    EXPECT_EQ(item.prefix(), "\t");
    const Outcome again = run(item, "a\nb", { { 0, 3 } });
    EXPECT_EQ(again.text, "\ta\n\tb");
}

TEST(LineDecoration, CaretTargetCountsSuffixAndOffset)
{
    LineFormatMenuItem item;
    item.setPrefix("#");
    item.setSuffix("#");
    item.setEndCursorOffset(-1);
    const Outcome outcome = run(item, "ab\ncd", { { 4, 0 } });
    EXPECT_EQ(outcome.text, "ab\n#cd");
    EXPECT_EQ(outcome.selections, (std::vector<Range> { { 5, 0 } })); // 4 + 1 + 1 - 1
}

TEST(LineDecoration, LinesFollowEveryTerminator)
{
    LineFormatMenuItem item;
    item.setPrefix("> ");
    const Outcome outcome = run(item, "a\r\nb\rc", { { 0, 6 } });
    EXPECT_EQ(outcome.text, "> a\r\n> b\r> c");
}

TEST(CanShiftLine, Table)
{
    const std::vector<std::pair<QString, bool>> cases = {
        { "", false },
        { "abc", false },
        { "\tword", true },
        { "   ", true },
        { "  -", false },
        { " 3", true },
        { QStringLiteral("\u00a0\u00e9"), true }, // a no-break space is a blank, an accented letter counts
        { QStringLiteral(" e\u0301"), true },
        { "-a", false },
        { "\t", true },
        { "  - ", false },
    };
    for (const auto& [line, expected] : cases)
        EXPECT_EQ(LineFormatMenuItem::canShiftLine(line), expected) << line.toStdString();
}

TEST(Lines, LineRangeLikeTheTextSystem)
{
    EXPECT_EQ(textformat::lineRange("ab\ncd\nef", { 4, 0 }), (Range { 3, 3 }));
    EXPECT_EQ(textformat::lineRange("ab\ncd\nef", { 0, 3 }), (Range { 0, 3 }));
    EXPECT_EQ(textformat::lineRange("ab\ncd\nef", { 1, 3 }), (Range { 0, 6 }));
    EXPECT_EQ(textformat::lineRange("ab\n", { 3, 0 }), (Range { 3, 0 }));
    EXPECT_EQ(textformat::lineRange("ab\r\ncd", { 1, 0 }), (Range { 0, 4 }));
    EXPECT_EQ(textformat::lineRange("", { 0, 0 }), (Range { 0, 0 }));
}

} // namespace
