// The window itself: showing it, restoring the session into it, the application going to the
// background, closing it, and the per-document styles the theme menus choose.
#include "shell/TVXDocumentWindowController.h"

#include "shell/PreviewControllerInterface.h"
#include "shell/SidebarManagerInterface.h"
#include "shell/TVXEditorViewController.h"

#include <QMainWindow>

namespace penwick {

void TVXDocumentWindowController::showWindow()
{
    if (!m_window)
        return;
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void TVXDocumentWindowController::setWindowParts(QObject* parts)
{
    if (m_parts && m_parts != parts)
        delete m_parts.data();
    m_parts = parts;
    if (parts)
        parts->setParent(this);
}

// --- Session ---

void TVXDocumentWindowController::windowDidBecomeMain()
{
    if (m_delegate && m_delegate->shouldRestoreDocuments()) {
        m_delegate->didRestoredDocuments();
        restoreSession();
    }
}

void TVXDocumentWindowController::restoreSession()
{
    m_documentsRestoringStarted = true;
    // What the window shows already (a file opened at launch) stays in front of the session's
    // documents, which follow it.
    const QPointer<TVXDocument> front = m_document;
    if (m_sidebar)
        m_sidebar->restoreSession();
    // Notes changed meanwhile (by the companion, say) show their records' text.
    restoreMiniDocuments();
    m_documentsRestoringStarted = false;
    if (front && front != m_document && m_documents.contains(front))
        switchToDocument(front);
    // The session with every tab, once: saves are held while the restore runs.
    saveSession();
}

void TVXDocumentWindowController::appWillBecomeInactive()
{
    if (m_sidebar)
        m_sidebar->turnOffNavigatorReload();
    for (TVXDocument* document : QList<TVXDocument*>(m_documents)) {
        if (document->isNote() && document->isDocumentEdited())
            document->saveMiniDocument();
    }
    if (m_sidebar)
        m_sidebar->turnOnNavigatorReload();
}

// --- Closing ---

bool TVXDocumentWindowController::windowShouldClose()
{
    if (m_terminating || m_closing)
        return true;
    // One edited document at a time; a refusal keeps the window with what is left in it.
    return reviewDocumentsForClosing();
}

void TVXDocumentWindowController::windowWillClose()
{
    if (m_terminating || m_closing)
        return;
    m_closing = true;
    unSubscribeFromRealmNotification();
    // Tabs removed from here on are not reviewed again.
    m_tabView->setDelegate(nullptr);
    if (m_preview) {
        m_preview->stop();
        m_preview->forceClean();
    }
    // The documents still in the window (those the review closed are gone from the list).
    for (TVXDocument* document : QList<TVXDocument*>(m_documents)) {
        if (document->hasEditorViewController()) {
            auto* editor = document->editorViewController();
            if (m_preview && editor->getEditorTextView())
                m_preview->closeTextView(editor->getEditorTextView());
            disposeEditorViewController(editor);
        }
        disposeDocument(document);
        m_documents.removeAll(document);
        emit documentDisposed(document);
    }
    m_editorViewControllers.clear();
    for (platform::TabViewItem* item : m_tabView->tabViewItems())
        m_tabView->removeTabViewItem(item);
    m_mruItems.clear();
    m_document = nullptr;
    // The document list of the last save stays; only the folders are stored.
    if (m_sidebar)
        m_sidebar->saveSessionFolders();
    if (m_delegate)
        m_delegate->documentWindowControllerWillClose(this);
}

// --- Per-document styles ---

void TVXDocumentWindowController::setIndividualEditorStyle(const std::optional<QString>& path)
{
    if (!m_document || !m_document->hasEditorViewController())
        return;
    if (auto* editor = dynamic_cast<TVXEditorViewController*>(m_document->editorViewController()))
        editor->setOverriddenStylePath(path);
}

void TVXDocumentWindowController::setIndividualPreviewStyle(const std::optional<QString>& path)
{
    if (!m_document || !m_document->hasEditorViewController())
        return;
    auto* editor = dynamic_cast<TVXEditorViewController*>(m_document->editorViewController());
    if (!editor)
        return;
    editor->setOverriddenPreviewStylePath(path);
    if (m_preview) {
        m_preview->setOverriddenStylePath(path);
        m_preview->renderUsingTextView(editor->getEditorTextView(), m_document->baseURL(), m_document->canonicalURL());
    }
}

} // namespace penwick
