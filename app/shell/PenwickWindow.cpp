#include "shell/PenwickWindow.h"

#include "shell/DocumentWindowControllerInterface.h"
#include "shell/FileDrops.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QShowEvent>

namespace penwick {

PenwickWindow::PenwickWindow(QWidget* parent)
    : QMainWindow(parent)
{
}

void PenwickWindow::awakeFromNib() { setAcceptDrops(true); }

void PenwickWindow::setDocumentWindowController(QObject* controller) { m_controller = controller; }

DocumentWindowControllerInterface* PenwickWindow::documentWindowController() const
{
    return dynamic_cast<DocumentWindowControllerInterface*>(m_controller.data());
}

void PenwickWindow::dragEnterEvent(QDragEnterEvent* event) { FileDrops::handleDragEnter(event); }

void PenwickWindow::dragMoveEvent(QDragMoveEvent* event) { FileDrops::handleDragEnter(event); }

void PenwickWindow::dropEvent(QDropEvent* event) { FileDrops::handleDrop(event, documentWindowController()); }

void PenwickWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        if (DocumentWindowControllerInterface* controller = documentWindowController())
            controller->windowDidBecomeMain();
    }
}

void PenwickWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // A shown window is the main one even when it never becomes active: the window manager may
    // keep the focus where it was, and without one the focus Qt asked for at launch is lost when
    // the window's first web view makes its native window anew. So the session comes back once
    // the window shows (after the routing that showed it has finished), not only on activation.
    QMetaObject::invokeMethod(this, [self = QPointer<PenwickWindow>(this)] {
        if (self && self->isVisible()) {
            if (DocumentWindowControllerInterface* controller = self->documentWindowController())
                controller->windowDidBecomeMain();
        }
    }, Qt::QueuedConnection);
}

void PenwickWindow::closeEvent(QCloseEvent* event)
{
    DocumentWindowControllerInterface* controller = documentWindowController();
    if (controller && !controller->windowShouldClose()) {
        event->ignore();
        return;
    }
    event->accept();
    if (controller)
        controller->windowWillClose();
}

DragAndDropView::DragAndDropView(QWidget* parent)
    : QWidget(parent)
{
}

void DragAndDropView::awakeFromNib() { setAcceptDrops(true); }

void DragAndDropView::dragEnterEvent(QDragEnterEvent* event) { FileDrops::handleDragEnter(event); }

void DragAndDropView::dragMoveEvent(QDragMoveEvent* event) { FileDrops::handleDragEnter(event); }

void DragAndDropView::dropEvent(QDropEvent* event) { FileDrops::handleDrop(event, FileDrops::windowControllerOf(this)); }

} // namespace penwick
