#pragma once

#include "sidebar/SidebarDocumentHost.h"

#include <QIcon>
#include <QUrl>

#include <optional>

namespace penwick {

class ScratchDocument;
class ShadowDocument;

// What opening a note in a tab needs of the shell: the open documents, a new untitled one,
// and turning a document into the editor of a note. The shell installs one instance.
class SidebarNoteDocuments {
public:
    virtual ~SidebarNoteDocuments() = default;

    // The open document whose canonical URL reads as `noteURL`, or nothing.
    virtual SidebarDocument* documentShowingNote(const QUrl& noteURL) = 0;
    // Brings the document's tab and window to the front.
    virtual void attemptedReloadOfDocument(SidebarDocument* document) = 0;
    // A new untitled document, displayed; nothing, with the error, when none can be made.
    virtual SidebarDocument* openUntitledDocument(std::optional<SidebarOpenError>* error) = 0;
    virtual void setAsShadowDocument(SidebarDocument* document, const ShadowDocument& note, const QIcon& icon,
        const QUrl& url, const QString& title) = 0;
    virtual void setAsScratchDocument(SidebarDocument* document, const ScratchDocument& note, const QUrl& url,
        const QString& title) = 0;

    // The installed instance, or null (then notes open nowhere).
    static SidebarNoteDocuments* current();
    // Not owned; null uninstalls.
    static void setCurrent(SidebarNoteDocuments* documents);
};

} // namespace penwick
