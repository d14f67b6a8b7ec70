#include "../support/EditorKeys.h"

#include "CorePrefs.h"
#include "TextEditor/TextEditorView.h"
#include "platform/UserDefaults.h"
#include "platform/text/UndoManager.h"

#include <gtest/gtest.h>

using namespace penwick;
using platform::TextRange;
using platform::UserDefaults;
using test::typeKeys;

namespace {

struct Settings {
    bool pair = true;
    bool bullet = true;
    bool dollar = false;
    bool gfm = false;
    bool spaces = true;
    qint64 width = 4;
};

struct TypingCase {
    const char* name;
    QString text;        // before
    TextRange selection; // before
    QString keys;
    QString expected;
    TextRange expectedSelection;
    Settings settings = {};
};

Settings dollarOn()
{
    Settings s;
    s.dollar = true;
    return s;
}
Settings gfmOn()
{
    Settings s;
    s.gfm = true;
    return s;
}
Settings pairOff()
{
    Settings s;
    s.pair = false;
    return s;
}
Settings bulletOff()
{
    Settings s;
    s.bullet = false;
    return s;
}
Settings width(qint64 w, bool spaces = true)
{
    Settings s;
    s.width = w;
    s.spaces = spaces;
    return s;
}

void apply(TextEditorView& view, const Settings& s)
{
    view.setAutoPair(s.pair);
    view.setAutoBullet(s.bullet);
    view.setAutoPairDollar(s.dollar);
    view.setSupportsGFM(s.gfm);
    UserDefaults::standard().setValue(CorePrefs::EDITOR_USESPACES, s.spaces);
    UserDefaults::standard().setValue(CorePrefs::EDITOR_TABWIDTH, s.width);
}

class Typing : public ::testing::TestWithParam<TypingCase> {
protected:
    void TearDown() override
    {
        UserDefaults::standard().removeObject(CorePrefs::EDITOR_USESPACES);
        UserDefaults::standard().removeObject(CorePrefs::EDITOR_TABWIDTH);
    }
};

} // namespace

TEST_P(Typing, KeysGiveTextAndSelection)
{
    const TypingCase& c = GetParam();
    TextEditorView view;
    apply(view, c.settings);
    view.setString(c.text);
    view.setSelectedRange(c.selection);
    typeKeys(&view, c.keys);
    EXPECT_EQ(view.string(), c.expected);
    EXPECT_EQ(view.selectedRange(), c.expectedSelection);
}

#define CASE(...) TypingCase { __VA_ARGS__ }
INSTANTIATE_TEST_SUITE_P(Pairing, Typing,
    ::testing::Values(CASE("openParen", "", { 0, 0 }, "(", "()", { 1, 0 }),
        CASE("typeInside", "", { 0, 0 }, "(a", "(a)", { 2, 0 }),
        CASE("stepOverCloser", "", { 0, 0 }, "(a)", "(a)", { 3, 0 }),
        CASE("escapeRemovesCloser", "", { 0, 0 }, "(\x1b", "(", { 1, 0 }),
        CASE("undoRemovesPairAndTabDoesNotJump", "", { 0, 0 }, "[\x1a\t", "    ", { 4, 0 }),
        CASE("apostropheInWord", "don", { 3, 0 }, "'", "don'", { 4, 0 }),
        CASE("quoteAfterSpace", "x ", { 2, 0 }, "\"", "x \"\"", { 3, 0 }),
        CASE("quoteAfterTheFirstLetterIsNotPaired", "a", { 1, 0 }, "\"", "a\"", { 2, 0 }),
        CASE("quoteBeforeWord", " b", { 1, 0 }, "'", " 'b", { 2, 0 }),
        CASE("wrapAsterisk", "a word b", { 2, 4 }, "*", "a *word* b", { 3, 4 }),
        CASE("wrapParen", "a word b", { 2, 4 }, "(", "a (word) b", { 3, 4 }),
        CASE("wrapBacktick", "a word b", { 2, 4 }, "`", "a `word` b", { 3, 4 }),
        CASE("dollarOffReplacesSelection", "a word b", { 2, 4 }, "$", "a $ b", { 3, 0 }),
        CASE("dollarOnWraps", "a word b", { 2, 4 }, "$", "a $word$ b", { 3, 4 }, dollarOn()),
        CASE("dollarWaits", "", { 0, 0 }, "$x", "$x$", { 2, 0 }, dollarOn()),
        CASE("dollarOffDoesNotWait", "", { 0, 0 }, "$x", "$x", { 2, 0 }),
        CASE("asteriskWaits", "", { 0, 0 }, "*w", "*w*", { 2, 0 }),
        CASE("asteriskRunGrows", "", { 0, 0 }, "*wo", "*wo*", { 3, 0 }),
        CASE("doubleAsterisk", "", { 0, 0 }, "**b", "**b**", { 3, 0 }),
        CASE("asteriskTabJumps", "", { 0, 0 }, "*w\t", "*w*", { 3, 0 }),
        CASE("asteriskAfterDigit", "", { 0, 0 }, "2*3", "2*3*", { 3, 0 }),
        CASE("lineBreakDropsCommand", "", { 0, 0 }, "(\n\t", "(\n    )", { 6, 0 }),
        CASE("pairingOffParen", "", { 0, 0 }, "(*w", "(*w", { 3, 0 }, pairOff()),
        CASE("pairingOffReturnOnItem", "- a", { 3, 0 }, "\n", "- a\n", { 4, 0 }, pairOff()),
        CASE("backtickPairs", "", { 0, 0 }, "`", "``", { 1, 0 }),
        CASE("backtickTabJumps", "x", { 1, 0 }, "`\t", "x``", { 3, 0 }),
        CASE("backtickEscape", "x", { 1, 0 }, "`\x1b", "x`", { 2, 0 })),
    [](const ::testing::TestParamInfo<TypingCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Lists, Typing,
    ::testing::Values(CASE("dashItem", "- word", { 6, 0 }, "\n", "- word\n- ", { 9, 0 }),
        CASE("orderedIndented", "  3. foo", { 8, 0 }, "\n", "  3. foo\n4. ", { 12, 0 }),
        CASE("nineToTen", "9. a", { 4, 0 }, "\n", "9. a\n10. ", { 9, 0 }),
        CASE("leadingZeroDropped", "09. a", { 5, 0 }, "\n", "09. a\n10. ", { 10, 0 }),
        CASE("hugeNumber", "99999999999999999999999. a", { 26, 0 }, "\n",
            "99999999999999999999999. a\n100000000000000000000000. ", { 53, 0 }),
        CASE("largestInt64", "9223372036854775807. a", { 22, 0 }, "\n",
            "9223372036854775807. a\n9223372036854775808. ", { 44, 0 }),
        CASE("itemsBelowKeepNumbers", "1. a\n2. b", { 4, 0 }, "\n", "1. a\n2. \n2. b", { 8, 0 }),
        CASE("starKeepsSpaces", "*   w", { 5, 0 }, "\n", "*   w\n*   ", { 10, 0 }),
        CASE("dashTakesOneSpace", "-   w", { 5, 0 }, "\n", "-   w\n- ", { 8, 0 }),
        CASE("quote", "> q", { 3, 0 }, "\n", "> q\n> ", { 6, 0 }),
        CASE("doubleQuote", ">> q", { 4, 0 }, "\n", ">> q\n>> ", { 8, 0 }),
        CASE("plus", "+ p", { 3, 0 }, "\n", "+ p\n+ ", { 6, 0 }),
        CASE("taskWithGFM", "- [x] a", { 7, 0 }, "\n", "- [x] a\n- [x] ", { 14, 0 }, gfmOn()),
        CASE("taskWithoutGFM", "- [x] a", { 7, 0 }, "\n", "- [x] a\n- ", { 10, 0 }),
        CASE("emptyTaskCleared", "- [ ] ", { 6, 0 }, "\n", "\n", { 1, 0 }, gfmOn()),
        CASE("emptyLastItemCleared", "- a\n- ", { 6, 0 }, "\n", "- a\n\n", { 5, 0 }),
        CASE("emptyItemBeforeLine", "- \nb", { 2, 0 }, "\n", "\nb", { 1, 0 }),
        CASE("caretAtItemStart", "- a", { 0, 0 }, "\n", "\n- a", { 1, 0 }),
        CASE("tabIndent", "\tword", { 5, 0 }, "\n", "\tword\n\t", { 7, 0 }),
        CASE("spacesOnlyLine", "   ", { 3, 0 }, "\n", "   \n", { 4, 0 }),
        CASE("indentedItemBulletOff", "  - a", { 5, 0 }, "\n", "  - a\n  ", { 8, 0 }, bulletOff()),
        CASE("indentedItemBulletOn", "  - a", { 5, 0 }, "\n", "  - a\n  - ", { 10, 0 }),
        CASE("fenceCompleted", "````", { 2, 0 }, "`", "```\n```", { 3, 0 }),
        CASE("fenceFromBackticks", "", { 0, 0 }, "```", "```\n```", { 3, 0 }),
        CASE("digitsWithoutDotSpace", "3.x", { 3, 0 }, "\n", "3.x\n", { 4, 0 })),
    [](const ::testing::TestParamInfo<TypingCase>& info) { return std::string(info.param.name); });

// Whole constructs typed from an empty text, closers and all, come out as typed: the automatic
// closers are typed over, never left behind the cursor.
INSTANTIATE_TEST_SUITE_P(WholeConstructs, Typing,
    ::testing::Values(CASE("bold", "", { 0, 0 }, "**b** c", "**b** c", { 7, 0 }),
        CASE("boldAtLineStartThenList", "", { 0, 0 }, "**b**\n- a\n\n", "**b**\n- a\n\n", { 11, 0 }),
        CASE("italic", "", { 0, 0 }, "*i* x", "*i* x", { 5, 0 }),
        CASE("boldItalic", "", { 0, 0 }, "***bi*** x", "***bi*** x", { 10, 0 }),
        CASE("boldMidLine", "", { 0, 0 }, "a **bold** b", "a **bold** b", { 12, 0 }),
        CASE("boldThenReturn", "", { 0, 0 }, "**b**\nx", "**b**\nx", { 7, 0 }),
        CASE("inlineCode", "", { 0, 0 }, "a `c` b", "a `c` b", { 7, 0 }),
        CASE("inlineCodeFirst", "", { 0, 0 }, "`c` b", "`c` b", { 5, 0 }),
        CASE("dollarMath", "", { 0, 0 }, "$x$ y", "$x$ y", { 5, 0 }, dollarOn()),
        CASE("link", "", { 0, 0 }, "[a](http://b.c) d", "[a](http://b.c) d", { 17, 0 }),
        CASE("image", "", { 0, 0 }, "![i](p.png)", "![i](p.png)", { 11, 0 }),
        CASE("boldLink", "", { 0, 0 }, "[**b**](u)", "[**b**](u)", { 10, 0 }),
        CASE("quoted", "", { 0, 0 }, "say \"hi\" don't", "say \"hi\" don't", { 14, 0 }),
        CASE("parentheses", "", { 0, 0 }, "f(x) = (a + b)", "f(x) = (a + b)", { 14, 0 }),
        CASE("listEndedWithReturn", "", { 0, 0 }, "- **b**\nc\n\nd", "- **b**\n- c\n\nd", { 14, 0 }),
        CASE("orderedListEnded", "", { 0, 0 }, "1. a\nb\n\nc", "1. a\n2. b\n\nc", { 12, 0 }),
        CASE("fence", "", { 0, 0 }, "```sh\necho *x*\x0e\x05\nz", "```sh\necho *x*\n```\nz", { 20, 0 }),
        CASE("table", "", { 0, 0 }, "| a | b |\n| - | - |\n| **1** | 2 |",
            "| a | b |\n| - | - |\n| **1** | 2 |", { 33, 0 }),
        CASE("codeInParentheses", "", { 0, 0 }, "(`c`) x", "(`c`) x", { 7, 0 }),
        CASE("boldInParenthesesWithText", "", { 0, 0 }, "(a **b** c) d", "(a **b** c) d", { 13, 0 }),
        CASE("heading", "", { 0, 0 }, "# T *i*\n\ntext", "# T *i*\n\ntext", { 13, 0 })),
    [](const ::testing::TestParamInfo<TypingCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Tab, Typing,
    ::testing::Values(CASE("width4Column0", "", { 0, 0 }, "\t", "    ", { 4, 0 }),
        CASE("width4Column2", "ab", { 2, 0 }, "\t", "ab  ", { 4, 0 }),
        CASE("width4Column4", "abcd", { 4, 0 }, "\t", "abcd    ", { 8, 0 }),
        CASE("width4AfterTab", "ab\t", { 3, 0 }, "\t", "ab\t  ", { 5, 0 }),
        CASE("width2Column1", "a", { 1, 0 }, "\t", "a ", { 2, 0 }, width(2)),
        CASE("width2Column2", "ab", { 2, 0 }, "\t", "ab  ", { 4, 0 }, width(2)),
        CASE("severalColumns", "x\nabcde", { 7, 0 }, "\t\t", "x\nabcde       ", { 14, 0 }),
        CASE("selectionReplaced", "x word", { 2, 4 }, "\t", "x   ", { 4, 0 }),
        CASE("widthZeroIsOne", "ab", { 2, 0 }, "\t", "ab ", { 3, 0 }, width(0)),
        CASE("negativeWidthIsOne", "", { 0, 0 }, "\t", " ", { 1, 0 }, width(-3)),
        CASE("spacesOff", "a", { 1, 0 }, "\t", "a\t", { 2, 0 }, width(4, false)),
        CASE("pendingCommandJumps", "", { 0, 0 }, "(a\t", "(a)", { 3, 0 }),
        CASE("staleCommandInsertsTab", "", { 0, 0 }, "(\x02\t", "\t()", { 1, 0 })),
    [](const ::testing::TestParamInfo<TypingCase>& info) { return std::string(info.param.name); });
#undef CASE

struct UndoCase {
    const char* name;
    QString text;
    TextRange selection;
    QString keys;
    QString afterUndo;
};

class OneUndo : public ::testing::TestWithParam<UndoCase> {};

TEST_P(OneUndo, UndoesTheAutomaticInsertionAndForgetsTheState)
{
    const UndoCase& c = GetParam();
    TextEditorView view;
    apply(view, Settings {});
    view.setString(c.text);
    view.setSelectedRange(c.selection);
    typeKeys(&view, c.keys);
    ASSERT_NE(view.string(), c.afterUndo);
    test::undoKey(&view);
    EXPECT_EQ(view.string(), c.afterUndo);
    EXPECT_EQ(view.nextAutoInsertCommand(), nullptr);
    EXPECT_FALSE(view.lastInsertedPair().has_value() && view.lastInsertedPair()->character != QStringLiteral("*"));
    UserDefaults::standard().removeObject(CorePrefs::EDITOR_USESPACES);
    UserDefaults::standard().removeObject(CorePrefs::EDITOR_TABWIDTH);
}

INSTANTIATE_TEST_SUITE_P(Table, OneUndo,
    ::testing::Values(UndoCase { "bracket", "x ", { 2, 0 }, "[", "x " },
        UndoCase { "quote", "", { 0, 0 }, "\"", "" },
        UndoCase { "waitingAsterisk", "", { 0, 0 }, "*w", "*" },
        UndoCase { "backtick", "a", { 1, 0 }, "`", "a" },
        UndoCase { "fence", "````", { 2, 0 }, "`", "````" },
        UndoCase { "listContinuation", "- a", { 3, 0 }, "\n", "- a" },
        UndoCase { "emptyItem", "- a\n- ", { 6, 0 }, "\n", "- a\n- " },
        UndoCase { "indentation", "\tx", { 2, 0 }, "\n", "\tx" },
        UndoCase { "tabSpaces", "ab", { 2, 0 }, "\t", "ab" },
        UndoCase { "wrap", "a word", { 2, 4 }, "*", "a word" }),
    [](const ::testing::TestParamInfo<UndoCase>& info) { return std::string(info.param.name); });

TEST(TypingState, UndoOfAPairForgetsCommandAndStoredPair)
{
    TextEditorView view;
    apply(view, Settings {});
    typeKeys(&view, QStringLiteral("x ("));
    ASSERT_NE(view.nextAutoInsertCommand(), nullptr);
    ASSERT_TRUE(view.lastInsertedPair().has_value());
    test::undoKey(&view);
    EXPECT_EQ(view.string(), QStringLiteral("x "));
    EXPECT_EQ(view.nextAutoInsertCommand(), nullptr);
    EXPECT_FALSE(view.lastInsertedPair().has_value());
    EXPECT_FALSE(view.autoPairInAction());
    test::undoKey(&view);
    EXPECT_EQ(view.string(), QString());
    UserDefaults::standard().removeObject(CorePrefs::EDITOR_USESPACES);
    UserDefaults::standard().removeObject(CorePrefs::EDITOR_TABWIDTH);
}

TEST(TypingState, EscapeRemovalUndoesAndRedoes)
{
    TextEditorView view;
    apply(view, Settings {});
    typeKeys(&view, QStringLiteral("ab(\x1b"));
    EXPECT_EQ(view.string(), QStringLiteral("ab("));
    test::undoKey(&view);
    EXPECT_EQ(view.string(), QStringLiteral("ab()"));
    EXPECT_EQ(view.selectedRange(), TextRange(3, 0));
    test::undoKey(&view);
    EXPECT_EQ(view.string(), QStringLiteral("ab"));
    test::undoKey(&view);
    EXPECT_EQ(view.string(), QString());
    test::redoKey(&view);
    test::redoKey(&view);
    test::redoKey(&view);
    EXPECT_EQ(view.string(), QStringLiteral("ab("));
    UserDefaults::standard().removeObject(CorePrefs::EDITOR_USESPACES);
    UserDefaults::standard().removeObject(CorePrefs::EDITOR_TABWIDTH);
}

TEST(TypingState, LineBreakDropsPendingCommandAndPair)
{
    TextEditorView view;
    apply(view, Settings {});
    typeKeys(&view, QStringLiteral("("));
    typeKeys(&view, QStringLiteral("\n"));
    EXPECT_EQ(view.nextAutoInsertCommand(), nullptr);
    EXPECT_FALSE(view.lastInsertedPair().has_value());
    UserDefaults::standard().removeObject(CorePrefs::EDITOR_USESPACES);
    UserDefaults::standard().removeObject(CorePrefs::EDITOR_TABWIDTH);
}

TEST(TypingRobustness, SurrogatesAndEmojiNeverBreakTheAutomation)
{
    const QString emoji = QStringLiteral("\U0001F600");
    const QString lone = QString(QChar(0xD83D));
    struct Case {
        QString text;
        QString keys;
    };
    const Case cases[] = {
        { emoji, QStringLiteral("\"") },
        { emoji, QStringLiteral("*w") },
        { QStringLiteral("- ") + emoji, QStringLiteral("\n") },
        { QStringLiteral("- ") + lone, QStringLiteral("\n") },
        { lone + QStringLiteral("x"), QStringLiteral("(\n`\t") },
        { QStringLiteral("\t") + lone, QStringLiteral("\n") },
        { QStringLiteral("@") + lone, QStringLiteral("\t") },
        { QStringLiteral("1. ") + lone, QStringLiteral("\n$x") },
    };
    for (const Case& c : cases) {
        TextEditorView view;
        Settings s;
        s.dollar = true;
        apply(view, s);
        view.setString(c.text);
        view.setSelectedRange(TextRange(c.text.size(), 0));
        typeKeys(&view, c.keys);
        EXPECT_TRUE(view.string().startsWith(c.text)) << c.keys.toStdString();
        EXPECT_GT(view.textLength(), c.text.size());
        test::undoKey(&view);
        test::undoKey(&view);
        test::undoKey(&view);
        test::undoKey(&view);
        test::undoKey(&view);
        EXPECT_EQ(view.string(), c.text);
    }
    UserDefaults::standard().removeObject(CorePrefs::EDITOR_USESPACES);
    UserDefaults::standard().removeObject(CorePrefs::EDITOR_TABWIDTH);
}

TEST(TypingRobustness, ReadOnlyViewTakesNoTyping)
{
    TextEditorView view;
    apply(view, Settings {});
    view.setString(QStringLiteral("- a"));
    view.setReadOnly(true);
    view.setSelectedRange(TextRange(3, 0));
    typeKeys(&view, QStringLiteral("(\n\t*w\x1b"));
    EXPECT_EQ(view.string(), QStringLiteral("- a"));
    UserDefaults::standard().removeObject(CorePrefs::EDITOR_USESPACES);
    UserDefaults::standard().removeObject(CorePrefs::EDITOR_TABWIDTH);
}
