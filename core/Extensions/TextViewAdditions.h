#pragma once

#include "Extensions/TextViewEditPlainTextWithUndo.h"
#include "platform/text/TextRange.h"

#include <QStringList>

namespace penwick::platform {
class TextView;
}

namespace penwick {

// Line-oriented operations of a text view: columns, the lines the selection touches, and the
// line commands, each one undo step with its own action name.
namespace PWAdditions {

using EditPlainTextWithUndo::setSelectedRangesWithUndo;

// The column of `location` on its line; with `expandsTab` every tab before it counts as many
// columns as the tab width ("editorTabWidth"; a width below 1 counts as 1).
qsizetype columnOfLocation(const platform::TextView& view, qsizetype location, bool expandsTab);

// For every selected range, the text of its lines, ending with "\n".
QStringList selectedTexts(const platform::TextView& view);

struct LinesWithRanges {
    QStringList lines;          // each line without its terminator
    platform::TextRanges ranges; // each line with its terminator
};
LinesWithRanges selectedLinesWithRanges(const platform::TextView& view);

// The lines the selection touches (terminators included), each once, in the order met.
platform::TextRanges selectedLineRanges(const platform::TextView& view);

// Each block of selected lines gets a copy directly above it ("Duplicate Line").
void duplicateSelectedLines(platform::TextView& view);
// The selected lines swap with the line above or below them ("Move Line"); at the top or
// bottom of the text the view beeps instead.
void moveLinesUp(platform::TextView& view);
void moveLinesDown(platform::TextView& view);

// The undo action names, translated where a translation exists.
QString duplicateLineActionName();
QString moveLineActionName();

// The tab width setting as the editor uses it: never below 1.
qsizetype tabWidth();

} // namespace PWAdditions
} // namespace penwick
