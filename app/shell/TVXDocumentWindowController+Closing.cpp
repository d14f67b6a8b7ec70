// The close review of a document window: one edited document at a time, until one refuses.
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
    QList<TVXDocument*> pending = editedDocuments(m_documents, true);
    if (pending.isEmpty())
        return true;
    if (m_preview)
        m_preview->setIgnoreAutoSync(true);
    m_keepBuggingForSave = true;
    m_reviewClosedItems.clear();
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
    pending = editedDocuments(m_documents, false);
    if (m_preview)
        m_preview->setIgnoreAutoSync(false);
    if (!pending.isEmpty()) {
        // The window stays: the tabs of the documents that did close go now (the window's own
        // close would have removed them), and the sidebar is live again.
        for (const QPointer<platform::TabViewItem>& item : std::exchange(m_reviewClosedItems, {})) {
            if (!item)
                continue;
            m_mruItems.removeAll(item);
            m_tabView->removeTabViewItem(item);
        }
        m_document = documentForTabViewItem(m_tabView->selectedTabViewItem());
        syncWindowTitle();
        saveSession();
        if (m_sidebar)
            m_sidebar->turnOnNavigatorReload();
    }
    return pending.isEmpty();
}

void TVXDocumentWindowController::documentShouldClose(TVXDocument* document, bool shouldClose)
{
    if (shouldClose && document) {
        if (platform::TabViewItem* item = findTabItemForDocument(document))
            m_reviewClosedItems.append(item);
        // Closed without being written: its temporary copy goes with it.
        removeAndDisposeDocumentAndItsController(document);
        document->unlinkTempFile();
    }
    m_keepBuggingForSave = shouldClose;
}

} // namespace penwick
