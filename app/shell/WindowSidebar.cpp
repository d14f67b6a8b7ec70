#include "shell/WindowSidebar.h"

#include "shell/TVXDocument.h"
#include "sidebar/SidebarManager.h"

namespace penwick {

WindowSidebar::WindowSidebar(SidebarManager* manager) : m_manager(manager) {}

void WindowSidebar::addAsARootFolder(const QString& path)
{
    if (m_manager)
        m_manager->addAsARootFolder(path);
}

bool WindowSidebar::isQuickOpenDocument(TVXDocument* document)
{
    return m_manager && document && m_manager->isQuickOpenDocument(document->sidebarDocument());
}

void WindowSidebar::turnOffNavigatorReload()
{
    if (m_manager)
        m_manager->turnOffNavigatorReload();
}

void WindowSidebar::turnOnNavigatorReload()
{
    if (m_manager)
        m_manager->turnOnNavigatorReload();
}

QStringList WindowSidebar::rootFolderPaths() const
{
    return m_manager ? m_manager->rootFolderPaths() : QStringList();
}

void WindowSidebar::focusRootFolder(const QString& path)
{
    if (m_manager)
        m_manager->focusRootFolder(path);
}

bool WindowSidebar::isFocused() const
{
    return m_manager && m_manager->isFocused();
}

void WindowSidebar::focus()
{
    if (m_manager)
        m_manager->focus();
}

void WindowSidebar::revealPath(const QString& path)
{
    if (m_manager)
        m_manager->revealPath(path);
}

void WindowSidebar::saveSession(const QList<TVXDocument*>& documents)
{
    if (!m_manager)
        return;
    QList<SidebarDocument*> seen;
    for (TVXDocument* document : documents)
        seen.append(document->sidebarDocument());
    m_manager->saveSession(seen);
}

void WindowSidebar::revealDocument(TVXDocument* document)
{
    if (m_manager && document)
        m_manager->revealDocument(document->sidebarDocument());
}

void WindowSidebar::addDocumentToFavorites(TVXDocument* document)
{
    if (m_manager && document)
        m_manager->addDocumentToFavorites(document->sidebarDocument());
}

void WindowSidebar::restoreSession()
{
    if (m_manager)
        m_manager->restoreSession();
}

void WindowSidebar::saveSessionFolders()
{
    if (m_manager)
        m_manager->saveSessionFolders();
}

} // namespace penwick
