#pragma once

#include "sidebar/FolderNavigatorItem.h"
#include "sidebar/SidebarDocumentHost.h"
#include "sidebar/SidebarNavigator.h"
#include "sidebar/TVXFileSystemFilterService.h"

#include <QDBusConnection>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace penwick {

class FileWatcher;

// The "FOLDERS" section: the folders the user added as roots, each with its lazily
// read and watched file tree, and the file operations on its rows.
class FoldersNavigator : public SidebarNavigator {
    Q_OBJECT
public:
    // Asks the user to confirm moving an item to the trash (message, informative text).
    using TrashConfirmation = std::function<bool(const QString& message, const QString& informative)>;
    // Runs the new-item dialog for "file" or "folder" in a folder; the created path, or nothing.
    using NewItemDialog = std::function<std::optional<QString>(const QString& type, const QString& baseFolder)>;

    // `host` and `favorites` are not owned and must outlive the section.
    FoldersNavigator(TreeListView* sourceList, SidebarFavorites* favorites, SidebarDocumentHost* host, QObject* parent = nullptr);
    ~FoldersNavigator() override;

    // ---- hooks ----
    qint64 orderWeight() const override { return 10; }
    bool isRootExpanded() const override;
    bool owns(const TreeListItem* item) const override;
    bool isItemExpandable(const TreeListItemPtr& item) override;
    bool hasIconForItem(const TreeListItemPtr&) override { return true; }
    QIcon iconForItem(const TreeListItemPtr& item) override;
    bool shouldEditItem(const TreeListItemPtr&) override { return true; }
    std::unique_ptr<QMenu> menuItemForItem(const TreeListItemPtr& item) override;
    void handleDeleteKeyForItem(const TreeListItemPtr& item) override;
    void handleDoubleClickForItem(const TreeListItemPtr& item) override;
    void handleWillExpand(const TreeListItemPtr& item) override;
    void handleSelection(const TreeListItemPtr& item) override;
    void setObjectValue(const QVariant& value, const TreeListItemPtr& item) override;
    void handleExpand(const TreeListItemPtr& item) override;
    void handleCollapse(const TreeListItemPtr& item) override;

    // ---- remembered expansion and base folders ----
    void addExpandedItem(const FolderItemPtr& item);
    void removeExpandedItem(const FolderItemPtr& item);
    // Opens again the remembered folders of a root (opening no document).
    void restoreExpandedItemsOfRoot(const FolderItemPtr& root);
    // After a rename of `oldPath` below the root filed under `rootIdentifier`: the remembered
    // folders (and, for the root itself, its entry) take the new path.
    void renameExpandedItems(const QString& rootIdentifier, const FolderItemPtr& root, const QString& oldPath, const QString& newPath);
    // The row's folder becomes the base folder of the root it lies in.
    void setAsBaseFolder(const TreeListItemPtr& item);

    // ---- state ----
    QStringList rootFolderPaths() const { return m_rootFolderPaths; }
    bool isRestoringExpandedItems() const { return m_isRestoringExpandedItems; }
    bool restoreInSession() const { return m_restoreInSession; }
    void setRestoreInSession(bool value) { m_restoreInSession = value; }
    std::vector<FolderItemPtr> rootFolders() const;
    const std::vector<FileWatcher*>& fileWatchers() const { return m_fileWatchers; }
    std::shared_ptr<TVXFileSystemFilterService> filterService() const { return m_filterService; }

    // ---- session ----
    // Stores the root folder paths as the session's folders.
    void saveSessionFolders();
    // Stores the folders, then the documents' URL strings (absent ones dropped) in tab order.
    void saveSessionDocuments(const QList<std::optional<QString>>& urlStrings);
    // Adds the session's root folders again; false when the stored value is malformed.
    bool restoreFolders();
    // Reopens the session's documents one after the other; once per section.
    bool restoreSession();
    // Reopens the last entry of `remaining`, then (after its completion) the rest.
    void restoreDocuments(std::vector<std::optional<QUrl>> remaining);

    // ---- rows as documents ----
    void openItem(const TreeListItemPtr& item, bool asQuickOpen);
    // Confirms, then moves the row's file or folder to the trash and drops its row.
    void moveItemToTrash(const FolderItemPtr& item);
    std::vector<FolderEntry> urlsGenerator(const QString& folderPath) const;

    // ---- tree maintenance ----
    // Adds a root folder row (populated, watched); an existing root is selected when asked.
    FolderItemPtr openFolderInternally(const std::optional<QString>& path, bool thenSelect);
    void removeRootFolderItem(const FolderItemPtr& root);
    // One changed path below a root, as its watcher reported it.
    void handleFolderChangeAtPath(const QString& path, const FolderItemPtr& root);
    // Changed paths below a root, applied as one update: each folder row loses its gone
    // rows and gains its new ones in one step each, the disk deciding every path.
    void applyFolderChanges(const QStringList& paths, const FolderItemPtr& root);
    void insertChildItemAtPath(const std::optional<QString>& path, const FolderItemPtr& parent, bool isDirectory);
    void removeChildItemAtPath(const QString& path, const FolderItemPtr& parent);
    // Drops these rows of the folder (each one of its children) in one step.
    void removeChildRows(const FolderItemPtr& folder, const std::vector<FolderItemPtr>& rows);
    FolderItemPtr findItemAtPath(const QString& path, const FolderItemPtr& under) const;
    // The ignore rules changed ("IgnoreFilesAndFoldersChangedNotification"): once the turn of
    // the event loop ends, every loaded folder is listed again under the new rules.
    void ignoreRulesChanged();
    void applyIgnoreRules();
    FolderItemPtr revealItemAtPath(const QString& path, const FolderItemPtr& parent, std::vector<FolderItemPtr>& expandedItems);
    // Reveals, selects and opens the file's row; nothing for a path outside every root.
    FolderItemPtr selectItemWithPath(const QString& path);

    // ---- menu actions (each on the row the menu was built for) ----
    void openFolder(const TreeListItemPtr& item);
    void open(const TreeListItemPtr& item);
    void showInFinder(const TreeListItemPtr& item);
    void addToFavorites(const TreeListItemPtr& item);
    void newFile(const TreeListItemPtr& item);
    void newFolder(const TreeListItemPtr& item);
    void rename(const TreeListItemPtr& item);
    void removeRootFolderFromSidebar(const TreeListItemPtr& item);
    void deleteItem(const TreeListItemPtr& item);
    void collapseAllChildren(const TreeListItemPtr& item);
    void createItemOfType(const QString& type, const FolderItemPtr& folder);

    // Replaceable modal steps and the bus the file manager is reached on.
    void setTrashConfirmation(TrashConfirmation confirmation) { m_confirmTrash = std::move(confirmation); }
    void setNewItemDialog(NewItemDialog dialog) { m_newItemDialog = std::move(dialog); }
    void setFileManagerBus(const QDBusConnection& bus) { m_fileManagerBus = bus; }
    // Seconds between a watched change and its batch (shorter in tests).
    void setWatchLatency(double seconds) { m_watchLatency = seconds; }

    // Whether `path` lies inside `folder`, comparing whole components.
    static bool isPathBelow(const QString& path, const QString& folder);

    // ---- watches ----
    // What the window says while the limit of watches leaves folders of the roots unwatched
    // (the roots, how many of their folders, and the limit); empty while all are watched.
    QString watchNotice() const;
    // The folders left unwatched, root by root, shallowest first; at most `perRoot` of each
    // root when it is not negative.
    QStringList unwatchedFolders(qsizetype perRoot = -1) const;

signals:
    void watchNoticeChanged();

private:
    // One root's watcher and the batch it is delivering.
    struct RootWatch {
        FolderItemPtr root;
        FileWatcher* watcher = nullptr;
        QString rootPath;
        QStringList pending; // the paths of the batch being delivered
        QStringList applying; // delivered paths not applied yet, a slice per turn
    };
    // Paths applied per turn of the event loop, so that a burst never holds the window long.
    static constexpr qsizetype pathsPerTurn = 2000;

    void completeOpen(const FolderItemPtr& item, bool asQuickOpen, SidebarDocument* document, const std::optional<SidebarOpenError>& error);
    void startWatching(const FolderItemPtr& root);
    void stopWatching(const FolderItemPtr& root);
    void watcherReported(RootWatch* watch, const QString& path);
    void watcherBatchEnded(RootWatch* watch);
    void applyNextSlice(RootWatch* watch);
    void rebuildRootFolderPaths();
    // A folder just read with many children builds its path index a slice per turn.
    void indexInTurns(const FolderItemPtr& folder);
    static constexpr std::size_t childrenIndexedPerTurn = 4000;
    // Drops the folder's rows the rules hide, adds those they show, and so on down its loaded folders.
    void relistLoadedFolder(const FolderItemPtr& folder);
    void renameLoadedRows(const FolderItemPtr& item, const QString& oldPath, const QString& newPath);
    // The loaded folder row at `path` under `root` (the root itself included), by name at each level.
    FolderItemPtr loadedFolderAtPath(const QString& path, const FolderItemPtr& root) const;
    static FolderItemPtr asFolderItem(const TreeListItemPtr& item);

    SidebarFavorites* m_favorites;
    SidebarDocumentHost* m_host;
    std::vector<FileWatcher*> m_fileWatchers;
    std::vector<std::unique_ptr<RootWatch>> m_watches;
    std::shared_ptr<TVXFileSystemFilterService> m_filterService;
    bool m_isRestoringExpandedItems = false;
    bool m_restoreInSession = false;
    QStringList m_rootFolderPaths;
    TrashConfirmation m_confirmTrash;
    NewItemDialog m_newItemDialog;
    QDBusConnection m_fileManagerBus;
    double m_watchLatency = 0.5;
    bool m_sessionRestored = false;
    bool m_ignoreRulesRefreshPending = false;

};

} // namespace penwick
