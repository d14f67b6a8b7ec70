#pragma once

#include <QStringList>
#include <QUrl>

namespace penwick {

// What the views of a document window ask of the window's controller: opening dropped files
// and the base URL that relative paths in the current document resolve against.
class DocumentWindowControllerInterface {
public:
    virtual ~DocumentWindowControllerInterface() = default;

    // Opens the dropped paths (files and folders), all at once.
    virtual void dragAndDropOpen(const QStringList& paths) = 0;
    // The base URL of the window's current document; empty when there is none.
    virtual QUrl baseURLOfWindowOrDocument() const = 0;

    // The window became the active one, or showed.
    virtual void windowDidBecomeMain() {}
    // The close button was pressed: false keeps the window open.
    virtual bool windowShouldClose() { return true; }
    // The window is closing.
    virtual void windowWillClose() {}
};

} // namespace penwick
