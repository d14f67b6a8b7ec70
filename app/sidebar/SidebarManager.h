#pragma once

#include "sidebar/SidebarDocumentHost.h"
#include "sidebar/SidebarNavigator.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <memory>
#include <optional>

namespace penwick {

class FavoritesNavigator;
class FoldersNavigator;
class ScratchDocumentsNavigator;
class ShadowDocumentsNavigator;
class SourceListController;

// A window's sidebar: its list, the controller and the four sections. The window
// reaches the sidebar only through these operations.
class SidebarManager : public QObject {
    Q_OBJECT
public:
    // `host` is not owned and must outlive the manager.
    SidebarManager(TreeListView* sourceList, SidebarDocumentHost* host, QObject* parent = nullptr);
    ~SidebarManager() override;

    TreeListView* sourceList() const { return m_sourceList.data(); }

    // Builds the controller and the sections, adds them and restores the session's folders.
    void awakeFromNib();

    void addAsARootFolder(const QString& path);
    void focusRootFolder(const QString& path);
    QStringList rootFolderPaths() const;
    // The window's documents in tab order.
    void saveSession(const QList<SidebarDocument*>& documents);
    void saveSessionFolders();
    bool restoreSession();
    bool restoreFolders();
    void revealDocument(SidebarDocument* document);
    void addDocumentToFavorites(SidebarDocument* document);
    void revealPath(const QString& path);
    std::optional<QUrl> baseURLOfDocument(SidebarDocument* document) const;
    void focus();
    // Whether the list has the keyboard focus (an in-place editor takes it).
    bool isFocused() const;
    bool isQuickOpenDocument(SidebarDocument* document) const;
    void turnOffNavigatorReload();
    void turnOnNavigatorReload();

    SourceListController* outlineController() const;
    FavoritesNavigator* favoritesNavigator() const;
    FoldersNavigator* foldersNavigator() const;
    ScratchDocumentsNavigator* scratchDocumentsNavigator() const;
    ShadowDocumentsNavigator* shadowDocumentsNavigator() const;

protected:
    struct Sections {
        std::unique_ptr<FavoritesNavigator> favorites;
        std::unique_ptr<FoldersNavigator> folders;
        std::unique_ptr<ScratchDocumentsNavigator> scratch;
        std::unique_ptr<ShadowDocumentsNavigator> shadow;
    };
    // Makes the four sections; the notes subsystem (and tests) make their own.
    virtual Sections buildSections(TreeListView* list, SidebarDocumentHost* host);

private:
    void requireAwake() const;

    QPointer<TreeListView> m_sourceList;
    SidebarDocumentHost* m_host;
    std::unique_ptr<SourceListController> m_outlineController;
    Sections m_sections;
};

} // namespace penwick
