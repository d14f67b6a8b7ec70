#include "shell/SidebarNoteDocumentsAdapter.h"

#include "Models/ScratchDocument.h"
#include "Models/ShadowDocument.h"
#include "shell/TVXDocument.h"
#include "shell/TVXDocumentController.h"

namespace penwick {

SidebarNoteDocumentsAdapter& SidebarNoteDocumentsAdapter::instance()
{
    static SidebarNoteDocumentsAdapter adapter;
    return adapter;
}

TVXDocument* SidebarNoteDocumentsAdapter::documentOf(SidebarDocument* document)
{
    TVXDocumentController* controller = TVXDocumentController::sharedDocumentController();
    if (!controller || !document)
        return nullptr;
    for (TVXDocument* candidate : controller->documents()) {
        if (candidate->sidebarDocument() == document)
            return candidate;
    }
    return nullptr;
}

SidebarDocument* SidebarNoteDocumentsAdapter::documentShowingNote(const QUrl& noteURL)
{
    TVXDocumentController* controller = TVXDocumentController::sharedDocumentController();
    if (!controller)
        return nullptr;
    const QString wanted = noteURL.toString(QUrl::FullyEncoded);
    for (TVXDocument* document : controller->documents()) {
        if (document->canonicalURL().toString(QUrl::FullyEncoded) == wanted)
            return document->sidebarDocument();
    }
    return nullptr;
}

void SidebarNoteDocumentsAdapter::attemptedReloadOfDocument(SidebarDocument* document)
{
    TVXDocumentController* controller = TVXDocumentController::sharedDocumentController();
    TVXDocument* open = documentOf(document);
    if (controller && open && controller->delegate())
        controller->delegate()->attemptedReloadOfDocument(open);
}

SidebarDocument* SidebarNoteDocumentsAdapter::openUntitledDocument(std::optional<SidebarOpenError>* error)
{
    TVXDocumentController* controller = TVXDocumentController::sharedDocumentController();
    if (!controller) {
        if (error)
            *error = SidebarOpenError { 0, QStringLiteral("There is no document controller") };
        return nullptr;
    }
    // Shown once it is the note's editor, so that its tab opens with the note's title and text.
    TVXDocument* document = controller->openUntitledDocumentAndDisplay(false);
    return document ? document->sidebarDocument() : nullptr;
}

void SidebarNoteDocumentsAdapter::setAsShadowDocument(SidebarDocument* document, const ShadowDocument& note, const QIcon& icon,
    const QUrl& url, const QString& title)
{
    if (TVXDocument* target = documentOf(document)) {
        target->setAsShadowDocument(note, icon, url, title);
        target->makeWindowControllers();
    }
}

void SidebarNoteDocumentsAdapter::setAsScratchDocument(SidebarDocument* document, const ScratchDocument& note, const QUrl& url,
    const QString& title)
{
    if (TVXDocument* target = documentOf(document)) {
        target->setAsScratchDocument(note, url, title);
        target->makeWindowControllers();
    }
}

} // namespace penwick
