#include "TextEditor/AutoInsertCommand.h"

#include "Extensions/TextViewEditPlainTextWithUndo.h"
#include "TextEditor/TextEditorView.h"
#include "platform/text/TextView.h"

namespace penwick {

using platform::TextRange;

CommandResult AutoInsertCommand::execute(const QString&, qsizetype, platform::TextView&)
{
    return CommandResult::UnHandled;
}

void AutoInsertCommand::updateCurrentInsertLocation(qsizetype) {}

CommandResult AutoPairedCommand::execute(const QString& input, qsizetype location, platform::TextView& textView)
{
    if (location != m_location)
        return CommandResult::Error;
    if (input == QStringLiteral("ESC")) {
        // Through the undo system, so that a later undo replays ranges that still exist.
        EditPlainTextWithUndo::replaceCharactersInRange(
            textView, TextRange(m_location, m_addedCharacters.size()), QString());
        return CommandResult::Handled;
    }
    if (input == QStringLiteral("\t")) {
        textView.setSelectedRange(TextRange(m_location + m_addedCharacters.size(), 0));
        return CommandResult::Handled;
    }
    return CommandResult::UnHandled;
}

CommandResult LinkDragAndDropInsertCommand::execute(const QString& input, qsizetype location,
    platform::TextView& textView)
{
    if (location != m_location)
        return CommandResult::Error;
    const bool jumps = (TextEditorView::specialChars().contains(input) || input == QStringLiteral("\t"))
        && input != QStringLiteral(" ");
    if (jumps) {
        textView.setSelectedRange(TextRange(m_location + m_suffixLength, 0));
        return CommandResult::Handled;
    }
    return CommandResult::UnHandled;
}

} // namespace penwick
