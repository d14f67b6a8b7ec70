#pragma once

#include "platform/text/TextRange.h"

#include <QString>

namespace penwick::platform {
class TextView;
}

namespace penwick {

// Plain-text edits of a text view that undo and redo together with the selection around
// them: undo brings back the old text and the old selection, redo the new ones.
namespace EditPlainTextWithUndo {

// Sets the selection and registers the same call with the same ranges for undo.
void setSelectedRangeWithUndo(platform::TextView& view, platform::TextRange range);
void setSelectedRangesWithUndo(platform::TextView& view, const platform::TextRanges& ranges);

// Registers, for undo, putting back `ranges` as the selection (itself undoable, so redo works).
void registerSelectionUndo(platform::TextView& view, const platform::TextRanges& ranges);

// Replaces `range` with `text` if the view agrees; the caret then stands after the new text.
// False when the view refused the change.
bool replaceCharactersInRange(platform::TextView& view, platform::TextRange range, const QString& text);
// Inserts `text` at `index`, as replaceCharactersInRange with an empty range.
bool insertText(platform::TextView& view, const QString& text, qsizetype index);

} // namespace EditPlainTextWithUndo
} // namespace penwick
