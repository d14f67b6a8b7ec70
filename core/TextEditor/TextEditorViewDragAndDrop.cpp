// Drops onto the editor view. Until drops are carried out, every drop is refused and the
// Qt mime-data path (middle-click paste) inserts plain text as a paste does.
#include "TextEditor/TextEditorView.h"

#include "Extensions/TextViewEditPlainTextWithUndo.h"
#include "platform/text/UndoManager.h"

#include <QMimeData>
#include <QPointer>

namespace penwick {

QStringList TextEditorView::acceptableDragTypes() const
{
    return {};
}

Qt::DropAction TextEditorView::draggingEntered(const QMimeData*, Qt::DropActions)
{
    return Qt::IgnoreAction;
}

Qt::DropAction TextEditorView::draggingUpdated(const QMimeData* data, Qt::DropActions possibleActions)
{
    return draggingEntered(data, possibleActions);
}

bool TextEditorView::prepareForDragOperation(const QMimeData*)
{
    return true;
}

bool TextEditorView::performDragOperation(const QMimeData*)
{
    return false;
}

void TextEditorView::handleDragAndDropFiles(const QStringList&) {}

void TextEditorView::preserveSelections()
{
    QPointer<TextEditorView> self(this);
    const platform::TextRanges ranges = selectedRanges();
    undoManager()->registerUndo([self, ranges] {
        if (self)
            EditPlainTextWithUndo::setSelectedRangesWithUndo(*self, ranges);
    });
}

bool TextEditorView::canInsertDroppedData(const QMimeData* source) const
{
    return source && source->hasText();
}

void TextEditorView::insertDroppedData(const QMimeData* source)
{
    readSelectionFromPasteboard(source, QStringLiteral("text/plain"));
}

} // namespace penwick
