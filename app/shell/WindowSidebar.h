#pragma once

#include "shell/SidebarManagerInterface.h"

#include <QPointer>

namespace penwick {

class SidebarManager;

// The window's sidebar: its SidebarManager, spoken to in the window's terms.
class WindowSidebar : public SidebarManagerInterface {
public:
    explicit WindowSidebar(SidebarManager* manager);

    void addAsARootFolder(const QString& path) override;
    bool isQuickOpenDocument(TVXDocument* document) override;
    void turnOffNavigatorReload() override;
    void turnOnNavigatorReload() override;
    QStringList rootFolderPaths() const override;
    void focusRootFolder(const QString& path) override;
    bool isFocused() const override;
    void focus() override;
    void revealPath(const QString& path) override;
    void saveSession(const QList<TVXDocument*>& documents) override;
    void revealDocument(TVXDocument* document) override;
    void addDocumentToFavorites(TVXDocument* document) override;
    void restoreSession() override;
    void saveSessionFolders() override;

private:
    QPointer<SidebarManager> m_manager;
};

} // namespace penwick
