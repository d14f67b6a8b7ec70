// The close review of a document window: one edited document at a time, until one refuses;
// the window closes only when all agreed.
#include "shell/TVXDocumentWindowController.h"

#include "shell/PreviewControllerInterface.h"
#include "shell/SidebarManagerInterface.h"

#include <QMainWindow>

namespace penwick {

namespace {

// The documents that still hold unsaved work: notes are saved into their records instead
// (one whose record could not be written stays, so the person is asked about it).
QList<TVXDocument*> editedDocuments(const QList<TVXDocument*>& documents, bool saveNotes)
{
    QList<TVXDocument*> edited;
    for (TVXDocument* document : documents) {
        if (!document->isDocumentEdited())
            continue;
        if (saveNotes && document->isNote() && document->saveMiniDocument())
            continue;
        edited.append(document);
    }
    return edited;
}

} // namespace

bool TVXDocumentWindowController::reviewDocumentsForClosing()
{
    if (m_sidebar)
        m_sidebar->turnOffNavigatorReload();
    const QList<TVXDocument*> pending = editedDocuments(m_documents, true);
    if (pending.isEmpty())
        return true;
    if (m_preview)
        m_preview->setIgnoreAutoSync(true);
    m_keepBuggingForSave = true;
    m_reviewAgreed.clear();
    for (const QPointer<TVXDocument>& document : QList<QPointer<TVXDocument>>(pending.begin(), pending.end())) {
        if (!document || !m_documents.contains(document))
            continue;
        TVXDocument* asked = document;
        asked->canCloseDocument(this, [this, guard = QPointer<TVXDocument>(asked)](bool shouldClose) {
            if (guard)
                documentShouldClose(guard, shouldClose);
            else
                m_keepBuggingForSave = shouldClose;
        });
        if (!m_keepBuggingForSave)
            break;
    }
    // Closing only once every document agreed: a refusal leaves the window, its tabs and every
    // document as they were, including those that said "Don't Save" before it.
    bool allAgreed = true;
    for (TVXDocument* document : editedDocuments(m_documents, false))
        allAgreed = allAgreed && m_reviewAgreed.contains(document);
    const QList<QPointer<TVXDocument>> agreed = std::exchange(m_reviewAgreed, {});
    if (m_preview)
        m_preview->setIgnoreAutoSync(false);
    if (!allAgreed) {
        if (m_sidebar)
            m_sidebar->turnOnNavigatorReload();
        return false;
    }
    for (const QPointer<TVXDocument>& document : agreed) {
        if (!document || !m_documents.contains(document))
            continue;
        removeAndDisposeDocumentAndItsController(document);
        // Closed without being written: its temporary copy goes with it.
        document->unlinkTempFile();
    }
    return true;
}

void TVXDocumentWindowController::documentShouldClose(TVXDocument* document, bool shouldClose)
{
    if (shouldClose && document && !m_reviewAgreed.contains(document))
        m_reviewAgreed.append(document);
    m_keepBuggingForSave = shouldClose;
}

} // namespace penwick
