#pragma once

#include "sidebar/SidebarNoteDocuments.h"

namespace penwick {

class TVXDocument;

// The sidebar's note opening, answered by the shared document controller's documents. A new
// document is displayed when it becomes the note's editor, not before.
class SidebarNoteDocumentsAdapter : public SidebarNoteDocuments {
public:
    // The one instance, installed as the sidebar's while a shared controller exists.
    static SidebarNoteDocumentsAdapter& instance();

    SidebarDocument* documentShowingNote(const QUrl& noteURL) override;
    void attemptedReloadOfDocument(SidebarDocument* document) override;
    SidebarDocument* openUntitledDocument(std::optional<SidebarOpenError>* error) override;
    void setAsShadowDocument(SidebarDocument* document, const ShadowDocument& note, const QIcon& icon, const QUrl& url,
        const QString& title) override;
    void setAsScratchDocument(SidebarDocument* document, const ScratchDocument& note, const QUrl& url,
        const QString& title) override;

private:
    static TVXDocument* documentOf(SidebarDocument* document);
};

} // namespace penwick
