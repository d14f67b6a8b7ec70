#include "Extensions/TextViewEditPlainTextWithUndo.h"

#include "platform/text/TextView.h"
#include "platform/text/UndoManager.h"

#include <QPointer>

namespace penwick::EditPlainTextWithUndo {

using platform::TextRange;
using platform::TextRanges;
using platform::TextView;

void registerSelectionUndo(TextView& view, const TextRanges& ranges)
{
    QPointer<TextView> target(&view);
    view.undoManager()->registerUndo([target, ranges] {
        if (target)
            setSelectedRangesWithUndo(*target, ranges);
    });
}

void setSelectedRangeWithUndo(TextView& view, TextRange range)
{
    setSelectedRangesWithUndo(view, TextRanges { range });
}

void setSelectedRangesWithUndo(TextView& view, const TextRanges& ranges)
{
    view.setSelectedRanges(ranges);
    // Undo and redo run this same call, which registers itself again for the other direction.
    // An edit registers the old selection before changing the text and calls this with the new
    // one afterwards, so undo ends on the old selection and redo on the new.
    registerSelectionUndo(view, ranges);
}

bool replaceCharactersInRange(TextView& view, TextRange range, const QString& text)
{
    const QString current = view.substring(range);
    const std::optional<QString> announced = text == current ? std::nullopt : std::optional<QString>(text);
    registerSelectionUndo(view, view.selectedRanges());
    if (!view.shouldChangeTextInRange(range, announced))
        return false;
    view.replaceCharacters(range, text);
    view.didChangeText();
    setSelectedRangeWithUndo(view, TextRange(range.location + text.size(), 0));
    return true;
}

bool insertText(TextView& view, const QString& text, qsizetype index)
{
    return replaceCharactersInRange(view, TextRange(index, 0), text);
}

} // namespace penwick::EditPlainTextWithUndo
