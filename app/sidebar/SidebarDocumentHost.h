#pragma once

#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

namespace penwick {

class FolderNavigatorItem;

// A failed opening, as the shell reports it.
struct SidebarOpenError {
    int code = 0;
    QString localizedDescription;
};

// What the sidebar uses of a document of the window. The shell's document
// implements it; a pointer handed to a completion is valid during that call.
class SidebarDocument {
public:
    virtual ~SidebarDocument() = default;

    // The note URL of a note, else the file URL, else the autosave copy's URL.
    virtual std::optional<QUrl> canonicalURL() const = 0;
    virtual std::optional<QUrl> fileURL() const = 0;
    // The "pwscratch" or "pwshadow" URL of a note; nothing for a file or untitled document.
    virtual std::optional<QUrl> pseudoURL() const = 0;
    // Whether the note's record still exists.
    virtual bool hasScratchNoteRecord() const = 0;
    virtual bool hasShadowNoteRecord() const = 0;
    // The document's row in the folder tree, held weakly.
    virtual void setFileSystemItem(const std::weak_ptr<FolderNavigatorItem>& item) = 0;
    virtual std::shared_ptr<FolderNavigatorItem> fileSystemItem() const = 0;
    virtual void setIsQuickOpen(bool quickOpen) = 0;
    virtual void setDefaultSaveLocationURL(const QUrl& folder) = 0;
    // Takes the autosave copy at `path` as its temporary file and becomes an edited untitled document.
    virtual void postAutoSaveRestore(const QString& path) = 0;
};

// What the sidebar asks of the shell: opening documents and showing failures.
class SidebarDocumentHost {
public:
    // Called once, on the main thread: the document (or nothing), whether it was open
    // already, and the error (or nothing).
    using OpenCompletion = std::function<void(SidebarDocument* document, bool alreadyOpen, const std::optional<SidebarOpenError>& error)>;

    virtual ~SidebarDocumentHost() = default;

    virtual void openDocumentWithContentsOfURL(const QUrl& url, bool display, OpenCompletion completion) = 0;
    // An untitled document made from the contents of `contentsURL`.
    virtual void reopenDocumentWithContentsOfURL(const QUrl& contentsURL, bool display, OpenCompletion completion) = 0;
    // Logs the failure, hands some files to their default application and shows an alert for the rest.
    virtual void showErrorLoadingItem(const SidebarOpenError& error, const QString& title, const QString& path) = 0;
    // The sidebar renamed or moved the item at `from` to `to`: open documents of it (or of
    // anything inside it, for a folder) now belong to the new path.
    virtual void fileSystemItemMoved(const QString& from, const QString& to) { (void)from, (void)to; }
    // The sidebar moved the item at `path` to the trash: its open documents (and those inside
    // it) are no longer on disk.
    virtual void fileSystemItemTrashed(const QString& path) { (void)path; }
    // A root folder left the sidebar: the folder's own document is done with.
    virtual void rootFolderRemoved(const QString& path) { (void)path; }
};

// Receives the paths (or note URL strings) the user adds to the favourites.
class SidebarFavorites {
public:
    virtual ~SidebarFavorites() = default;
    virtual void addPathToFavorites(const QString& path) = 0;
};

} // namespace penwick
