#include "../support/EditorKeys.h"

#include "TextEditor/AutoInsertCommand.h"
#include "TextEditor/TextEditorView.h"
#include "platform/text/UndoManager.h"

#include <gtest/gtest.h>

using namespace penwick;
using platform::TextRange;

namespace {

struct CommandCase {
    const char* name;
    QString input;
    qsizetype at;
    CommandResult result;
    QString text;        // afterwards
    TextRange selection; // afterwards
};

const QString kText = QStringLiteral("0123456)89");

} // namespace

class PairedCloser : public ::testing::TestWithParam<CommandCase> {};

TEST_P(PairedCloser, ActsOnlyAtItsLocation)
{
    const CommandCase& c = GetParam();
    TextEditorView view;
    view.setString(kText);
    view.setSelectedRange(TextRange(c.at, 0));
    AutoPairedCommand command(QStringLiteral(")"));
    command.updateCurrentInsertLocation(7);
    EXPECT_EQ(command.execute(c.input, c.at, view), c.result);
    EXPECT_EQ(view.string(), c.text);
    EXPECT_EQ(view.selectedRange(), c.selection);
}

INSTANTIATE_TEST_SUITE_P(Table, PairedCloser,
    ::testing::Values(CommandCase { "escapeDeletes", QStringLiteral("ESC"), 7, CommandResult::Handled,
                          QStringLiteral("012345689"), TextRange(7, 0) },
        CommandCase { "tabJumps", QStringLiteral("\t"), 7, CommandResult::Handled, kText, TextRange(8, 0) },
        CommandCase { "letterUnhandled", QStringLiteral("x"), 7, CommandResult::UnHandled, kText, TextRange(7, 0) },
        CommandCase { "tabElsewhereIsError", QStringLiteral("\t"), 6, CommandResult::Error, kText, TextRange(6, 0) },
        CommandCase { "escapeElsewhereIsError", QStringLiteral("ESC"), 6, CommandResult::Error, kText,
            TextRange(6, 0) }),
    [](const ::testing::TestParamInfo<CommandCase>& info) { return std::string(info.param.name); });

TEST(AutoPairedCommand, DoubleAsteriskAtFive)
{
    for (const QString& input : { QStringLiteral("\t"), QStringLiteral("ESC") }) {
        TextEditorView view;
        view.setString(QStringLiteral("ab wd**x"));
        view.setSelectedRange(TextRange(5, 0));
        AutoPairedCommand command(QStringLiteral("**"));
        command.updateCurrentInsertLocation(5);
        EXPECT_EQ(command.execute(input, 5, view), CommandResult::Handled);
        if (input == QStringLiteral("\t")) {
            EXPECT_EQ(view.selectedRange(), TextRange(7, 0));
            EXPECT_EQ(view.string(), QStringLiteral("ab wd**x"));
        } else {
            EXPECT_EQ(view.string(), QStringLiteral("ab wdx"));
        }
    }
}

TEST(AutoPairedCommand, EscapeRemovalIsAnUndoableEdit)
{
    // Removing the closer outside undo would leave earlier undo steps pointing at text that
    // is gone; as an edit of its own it undoes cleanly and the earlier steps stay exact.
    TextEditorView view;
    view.setString(QStringLiteral("0123456)89"));
    view.replaceCharacters(TextRange(10, 0), QStringLiteral("XYZ"));
    view.undoManager()->closeEventGroup();
    AutoPairedCommand command(QStringLiteral(")"));
    command.updateCurrentInsertLocation(7);
    view.setSelectedRange(TextRange(7, 0));
    ASSERT_EQ(command.execute(QStringLiteral("ESC"), 7, view), CommandResult::Handled);
    view.undoManager()->closeEventGroup();
    EXPECT_EQ(view.string(), QStringLiteral("012345689XYZ"));
    view.undo();
    EXPECT_EQ(view.string(), QStringLiteral("0123456)89XYZ"));
    EXPECT_EQ(view.selectedRange(), TextRange(7, 0));
    view.undo();
    EXPECT_EQ(view.string(), QStringLiteral("0123456)89"));
    view.redo();
    view.redo();
    EXPECT_EQ(view.string(), QStringLiteral("012345689XYZ"));
}

class LinkTail : public ::testing::TestWithParam<CommandCase> {};

TEST_P(LinkTail, JumpsOnLineBreaksAndTab)
{
    const CommandCase& c = GetParam();
    TextEditorView view;
    const QString text(40, QLatin1Char('x'));
    view.setString(text);
    view.setSelectedRange(TextRange(c.at, 0));
    LinkDragAndDropInsertCommand command(12);
    command.updateCurrentInsertLocation(20);
    EXPECT_EQ(command.execute(c.input, c.at, view), c.result);
    EXPECT_EQ(view.string(), text);
    EXPECT_EQ(view.selectedRange(), c.selection);
}

INSTANTIATE_TEST_SUITE_P(Table, LinkTail,
    ::testing::Values(CommandCase { "newline", QStringLiteral("\n"), 20, CommandResult::Handled, {}, TextRange(32, 0) },
        CommandCase { "carriageReturn", QStringLiteral("\r"), 20, CommandResult::Handled, {}, TextRange(32, 0) },
        CommandCase { "tab", QStringLiteral("\t"), 20, CommandResult::Handled, {}, TextRange(32, 0) },
        CommandCase { "space", QStringLiteral(" "), 20, CommandResult::UnHandled, {}, TextRange(20, 0) },
        CommandCase { "escape", QStringLiteral("ESC"), 20, CommandResult::UnHandled, {}, TextRange(20, 0) },
        CommandCase { "elsewhere", QStringLiteral("\t"), 21, CommandResult::Error, {}, TextRange(21, 0) }),
    [](const ::testing::TestParamInfo<CommandCase>& info) { return std::string(info.param.name); });

TEST(AutoInsertCommand, BaseAnswersUnHandledToEverything)
{
    TextEditorView view;
    view.setString(QStringLiteral("abc"));
    AutoInsertCommand command;
    command.updateCurrentInsertLocation(1);
    for (const QString& input : { QStringLiteral("ESC"), QStringLiteral("\t"), QStringLiteral("\n"), QStringLiteral("a") })
        EXPECT_EQ(command.execute(input, 0, view), CommandResult::UnHandled);
    EXPECT_EQ(view.string(), QStringLiteral("abc"));
}

TEST(CommandResult, EqualOnlyToTheSameCase)
{
    const CommandResult all[] = { CommandResult::Handled, CommandResult::UnHandled, CommandResult::Error };
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(qHash(all[i]), qHash(int(i)));
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(all[i] == all[j], i == j);
    }
}

TEST(Autopair, KeepsCharacterAndPosition)
{
    const Autopair pair(QStringLiteral(")"), 4);
    EXPECT_EQ(pair.character, QStringLiteral(")"));
    EXPECT_EQ(pair.position, 4);
}
