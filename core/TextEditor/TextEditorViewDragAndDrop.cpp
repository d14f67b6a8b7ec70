// Drops onto the editor view. Every drop acts on the selection, wherever the mouse was
// released: images become image Markdown relative to the base folder, links wrap each selected
// text, plain text replaces each selection, and other files go to handleDragAndDropFiles().
#include "TextEditor/TextEditorView.h"

#include "Extensions/TextViewEditPlainTextWithUndo.h"
#include "TextEditor/DragAndDrop.h"
#include "platform/text/UndoManager.h"

#include <QCoreApplication>
#include <QMimeData>
#include <QPointer>

#include <memory>

namespace penwick {

using platform::TextRange;
using platform::TextRanges;

namespace {

QString imageActionName()
{
    return QCoreApplication::translate("TextEditorView", "Drag and Drop Image");
}

QString linkActionName()
{
    return QCoreApplication::translate("TextEditorView", "Drag and Drop Link");
}

// Replaces `range` through the base view's typing path (the view's own typing automation does
// not see it) and answers whether the text now holds exactly that replacement.
bool typeInto(TextEditorView& view, TextRange range, const QString& text)
{
    QString expected = view.string();
    expected.replace(range.location, range.length, text);
    view.platform::TextView::insertText(text, range);
    return view.string() == expected;
}

void leavePendingJump(TextEditorView& view, const dragdrop::PendingJump& jump)
{
    view.registerNullifyInsertAction();
    auto command = std::make_shared<LinkDragAndDropInsertCommand>(jump.suffixLength);
    command->updateCurrentInsertLocation(jump.location);
    view.setNextAutoInsertCommand(std::move(command));
}

void bringToFront(TextEditorView& view)
{
    QWidget* window = view.window();
    if (window && window->isVisible()) {
        window->raise();
        window->activateWindow();
    }
}

void handleImageDragAndDrop(TextEditorView& view, const QStringList& images, const QString& basePath)
{
    QStringList paths;
    for (const QString& image : images)
        paths << dragdrop::relativePath(image, basePath);
    const std::optional<dragdrop::ImageDropPlan> plan
        = dragdrop::planImageDrop(view.string(), view.selectedRange(), paths);
    if (!plan)
        return;
    view.breakUndoCoalescing();
    view.preserveSelections();
    view.setAutomaticLinkDetectionEnabled(false);
    if (!typeInto(view, plan->replaced, plan->text))
        return;
    view.setSelectedRange(plan->selection);
    leavePendingJump(view, plan->jump);
    bringToFront(view);
    view.undoManager()->setActionName(imageActionName());
    view.breakUndoCoalescing();
}

void performFilesDragOperation(TextEditorView& view, const QStringList& paths)
{
    const dragdrop::SortedFiles files = dragdrop::sortDroppedFiles(paths);
    if (!files.images.isEmpty())
        handleImageDragAndDrop(view, files.images, view.basePath());
    if (!files.others.isEmpty())
        view.handleDragAndDropFiles(files.others);
}

void performURLDragOperation(TextEditorView& view, const QStringList& entries)
{
    const std::optional<QString> url = dragdrop::linkURL(entries);
    if (!url)
        return;
    const QString text = view.string();
    const TextRanges selected = view.selectedRanges();
    const std::vector<TextRange> selections(selected.begin(), selected.end());
    const std::vector<dragdrop::LinkEdit> edits = dragdrop::planLinkEdits(text, selections, *url);
    if (edits.empty())
        return;
    view.breakUndoCoalescing();
    view.preserveSelections();
    view.setAutomaticLinkDetectionEnabled(false);
    // The selections afterwards follow the links that were actually made.
    std::vector<bool> linked(selections.size(), false);
    for (const dragdrop::LinkEdit& edit : edits)
        linked[size_t(edit.index)] = typeInto(view, edit.range, edit.replacement);
    const dragdrop::LinkDropOutcome outcome = dragdrop::linkDropOutcome(selections, *url, linked);
    view.setSelectedRanges(TextRanges(outcome.selections.begin(), outcome.selections.end()));
    if (!outcome.jump)
        return;
    leavePendingJump(view, *outcome.jump);
    bringToFront(view);
    view.undoManager()->setActionName(linkActionName());
    view.breakUndoCoalescing();
}

void performStringDragOperation(TextEditorView& view, const QString& string)
{
    const TextRanges selections = view.selectedRanges();
    view.breakUndoCoalescing();
    for (auto range = selections.crbegin(); range != selections.crend(); ++range)
        view.platform::TextView::insertText(string, *range);
    view.breakUndoCoalescing();
}

} // namespace

QStringList TextEditorView::acceptableDragTypes() const
{
    return dragdrop::acceptableDragTypes();
}

Qt::DropAction TextEditorView::draggingEntered(const QMimeData* data, Qt::DropActions possibleActions)
{
    if (!data || !dragdrop::allowsCopy(possibleActions))
        return Qt::IgnoreAction;
    const QStringList types = acceptableDragTypes();
    for (const QString& type : types) {
        if (data->hasFormat(type))
            return Qt::CopyAction;
    }
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

bool TextEditorView::performDragOperation(const QMimeData* data)
{
    const dragdrop::DropContent content = dragdrop::classify(data);
    switch (content.kind) {
    case dragdrop::DropKind::Files:
        performFilesDragOperation(*this, content.items);
        return true;
    case dragdrop::DropKind::Links:
        performURLDragOperation(*this, content.items);
        return true;
    case dragdrop::DropKind::String:
        performStringDragOperation(*this, content.string);
        return true;
    case dragdrop::DropKind::None:
        break;
    }
    return false;
}

void TextEditorView::handleDragAndDropFiles(const QStringList&) {}

void TextEditorView::preserveSelections()
{
    QPointer<TextEditorView> self(this);
    const TextRanges ranges = selectedRanges();
    undoManager()->registerUndo([self, ranges] {
        if (self)
            EditPlainTextWithUndo::setSelectedRangesWithUndo(*self, ranges);
    });
}

// The mime-data path of the base widget (a middle-click paste) takes plain text as a paste does.
bool TextEditorView::canInsertDroppedData(const QMimeData* source) const
{
    return source && source->hasText();
}

void TextEditorView::insertDroppedData(const QMimeData* source)
{
    readSelectionFromPasteboard(source, QStringLiteral("text/plain"));
}

} // namespace penwick
