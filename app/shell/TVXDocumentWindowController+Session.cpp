// The notes in a window's tabs: saved from the tab menu, reloaded when the database changes
// (after the session is restored, and on every change, the companion's included).
#include "shell/TVXDocumentWindowController.h"

#include "Extensions/Realm.h"
#include "shell/SidebarManagerInterface.h"

#include <QMainWindow>

namespace penwick {

using platform::TabViewItem;

void TVXDocumentWindowController::restoreMiniDocuments()
{
    for (TVXDocument* document : QList<TVXDocument*>(m_documents)) {
        if (document->isNote())
            document->restoreMiniDocument();
    }
}

void TVXDocumentWindowController::saveMiniDocumentForItem(TabViewItem* item)
{
    TVXDocument* document = item ? documentForTabViewItem(item) : nullptr;
    if (!document)
        document = m_document;
    if (!document)
        return;
    if (m_sidebar)
        m_sidebar->turnOffNavigatorReload();
    document->saveMiniDocument();
    if (m_sidebar)
        m_sidebar->turnOnNavigatorReload();
}

void TVXDocumentWindowController::subscribeToRealmNotification()
{
    m_realmNotification.reset();
    // Holds the controller weakly: the context ends the subscription with it.
    m_realmNotification = Realm::observe(this, [this](const platform::store::StoreChange&) { restoreMiniDocuments(); });
}

void TVXDocumentWindowController::unSubscribeFromRealmNotification()
{
    m_realmNotification.reset();
}

} // namespace penwick
