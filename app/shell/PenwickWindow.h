#pragma once

#include <QMainWindow>
#include <QPointer>

namespace penwick {

class DocumentWindowControllerInterface;

// The document window: files dropped anywhere on it are opened by its controller; dragged
// text is refused.
class PenwickWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit PenwickWindow(QWidget* parent = nullptr);

    // Registers the window for file, rich-text and string drags.
    void awakeFromNib();
    // The controller of this window (owned elsewhere; it must be a QObject).
    void setDocumentWindowController(QObject* controller);
    DocumentWindowControllerInterface* documentWindowController() const;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QPointer<QObject> m_controller;
};

// A region of a window with the same drop rules, for drops that reach it before the window.
class DragAndDropView : public QWidget {
    Q_OBJECT
public:
    explicit DragAndDropView(QWidget* parent = nullptr);

    void awakeFromNib();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

} // namespace penwick
