#pragma once

#include <QStringList>

#include <optional>

class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QMimeData;
class QObject;
class QWidget;

namespace penwick {

class DocumentWindowControllerInterface;

// The drop rules shared by the document window and drop areas inside it: file names, rich
// text and plain strings may be dragged over; only file names are taken, as one list, and
// handed to the window's controller.
namespace FileDrops {

// The MIME types of file names, rich text and plain strings, in that order.
QStringList acceptableDragTypes();
// Copy when the drag offers one of the types and allows copying; no action otherwise.
Qt::DropAction draggingEntered(const QMimeData* data, Qt::DropActions possibleActions);
// The local paths of a drop that carries file names; none for anything else.
std::optional<QStringList> droppedPaths(const QMimeData* data);
// The document controller of the window `widget` sits in, if the window has one.
DocumentWindowControllerInterface* windowControllerOf(const QWidget* widget);
// Hands the paths of a file drop to `controller`; false (nothing done) for other drops.
bool performDragOperation(const QMimeData* data, DocumentWindowControllerInterface* controller);

// Event plumbing for QWidget subclasses.
void handleDragEnter(QDragMoveEvent* event);
void handleDrop(QDropEvent* event, DocumentWindowControllerInterface* controller);

} // namespace FileDrops

} // namespace penwick
