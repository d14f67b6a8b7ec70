#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace penwick {

class TVXDocument;

// What the document window asks of its sidebar.
class SidebarManagerInterface {
public:
    virtual ~SidebarManagerInterface() = default;
    // Whether the sidebar's list has the keyboard focus; focus() gives it the focus.
    virtual bool isFocused() const { return false; }
    virtual void focus() {}
    // Shows the file in the folder tree (a path chosen in Quick Open).
    virtual void revealPath(const QString& /*path*/) {}

    virtual void addAsARootFolder(const QString& path) = 0;
    // True while a single click in a section is opening a document.
    virtual bool isQuickOpenDocument(TVXDocument* document) = 0;
    virtual void turnOffNavigatorReload() = 0;
    virtual void turnOnNavigatorReload() = 0;
    virtual QStringList rootFolderPaths() const = 0;
    virtual void focusRootFolder(const QString& path) = 0;
    // Stores the root folders and the documents' canonical URLs in this order.
    virtual void saveSession(const QList<TVXDocument*>& documents) = 0;
    virtual void revealDocument(TVXDocument* document) = 0;
    virtual void addDocumentToFavorites(TVXDocument* document) = 0;
    // Reopens the stored session's documents (once per window).
    virtual void restoreSession() {}
    // Stores only the root folders (the window is closing).
    virtual void saveSessionFolders() {}
};

} // namespace penwick
