#include "shell/FileDrops.h"

#include "shell/DocumentWindowControllerInterface.h"
#include "shell/PenwickWindow.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace penwick::FileDrops {

QStringList acceptableDragTypes()
{
    return { QStringLiteral("text/uri-list"), QStringLiteral("text/rtf"), QStringLiteral("text/plain") };
}

Qt::DropAction draggingEntered(const QMimeData* data, Qt::DropActions possibleActions)
{
    if (!data || !(possibleActions & Qt::CopyAction))
        return Qt::IgnoreAction;
    for (const QString& type : acceptableDragTypes()) {
        if (data->hasFormat(type))
            return Qt::CopyAction;
    }
    return Qt::IgnoreAction;
}

std::optional<QStringList> droppedPaths(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return std::nullopt;
    QStringList paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    if (paths.isEmpty())
        return std::nullopt;
    return paths;
}

DocumentWindowControllerInterface* windowControllerOf(const QWidget* widget)
{
    if (!widget)
        return nullptr;
    auto* window = qobject_cast<const PenwickWindow*>(widget->window());
    return window ? window->documentWindowController() : nullptr;
}

bool performDragOperation(const QMimeData* data, DocumentWindowControllerInterface* controller)
{
    const std::optional<QStringList> paths = droppedPaths(data);
    if (!paths)
        return false;
    if (controller)
        controller->dragAndDropOpen(*paths);
    return true;
}

void handleDragEnter(QDragMoveEvent* event)
{
    const Qt::DropAction action = draggingEntered(event->mimeData(), event->possibleActions());
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

void handleDrop(QDropEvent* event, DocumentWindowControllerInterface* controller)
{
    if (performDragOperation(event->mimeData(), controller)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

} // namespace penwick::FileDrops
