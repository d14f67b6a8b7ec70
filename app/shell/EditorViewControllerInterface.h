#pragma once

#include "platform/text/TextRange.h"

#include <QString>

#include <optional>

class QObject;
class QWidget;

namespace penwick {

namespace platform {
class TextView;
}

class EditorViewControllerInterface;
class TVXDocument;

// Told by an editor view controller after each change of its text.
class TVXEditorViewControllerDelegate {
public:
    virtual ~TVXEditorViewControllerDelegate() = default;
    virtual void editorTextUpdated(EditorViewControllerInterface* controller) = 0;
};

// What a document asks of the editor view controller of its tab (the pane that shows it).
class EditorViewControllerInterface {
public:
    virtual ~EditorViewControllerInterface() = default;

    // The controller itself; the document deletes it when it releases it.
    virtual QObject* asQObject() = 0;

    // Edited mark, title (the document's display name) and icon from the document.
    virtual void updateDocument() = 0;
    // The tab icon: the quick-open image while the document is the quick-open tab.
    virtual void refreshIcon() = 0;
    // Loads the document's contents into the editor.
    virtual void loadDocument() = 0;
    // The tab's title.
    virtual void setTitle(const QString& title) = 0;
    // The editor's text as it is written to a file (with the file's line ends); none without
    // a text view. With `breakUndoCoalescing`, later typing starts a new undo step.
    virtual std::optional<QString> getTextStorage(bool breakUndoCoalescing) = 0;
    virtual platform::TextView* getEditorTextView() = 0;
    // The pane's view, whose window takes a note's title.
    virtual QWidget* view() const = 0;
    virtual bool changedSinceLastTempAutoSave() const = 0;
    virtual void setChangedSinceLastTempAutoSave(bool changed) = 0;
    // Closing: the text view and the controller stop calling their delegates.
    virtual void removeDelegates() = 0;

    // What the document window asks of the pane (defaults for panes that lack a part).
    virtual QString title() const { return {}; }
    virtual TVXDocument* document() const { return nullptr; }
    virtual void setDelegate(TVXEditorViewControllerDelegate*) {}
    virtual std::optional<QString> overriddenStylePath() const { return std::nullopt; }
    virtual std::optional<QString> overriddenPreviewStylePath() const { return std::nullopt; }
    virtual bool isEdited() const { return false; }
    virtual void adjustForWindow(QWidget*) {}
    // Ends highlighting before the tab goes.
    virtual void willClose() {}
    // Scrolls the range's line to the top of the editor, selecting the range when asked.
    virtual void selectAndScroll(platform::TextRange /*range*/, bool /*doSelect*/) {}
};

} // namespace penwick
