// Keeping the folder tree in step with the disk: roots and their watchers, watched
// changes, single rows in and out, revealing paths, the context menu and new items.
#include "sidebar/FoldersNavigator.h"

#include "Extensions/FileManagerAdditions.h"
#include "Extensions/StringAdditions.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "shell/AppLogger.h"
#include "shell/Notifications.h"
#include "shell/Prefs.h"
#include "sidebar/FileWatcher.h"

#include <QPointer>

namespace penwick {

namespace {

QString withoutTrailingSeparators(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

bool samePath(const QString& a, const QString& b)
{
    return a == b || withoutTrailingSeparators(a) == withoutTrailingSeparators(b);
}

} // namespace

// ---- roots ------------------------------------------------------------------------

FolderItemPtr FoldersNavigator::openFolderInternally(const std::optional<QString>& path, bool thenSelect)
{
    if (!path)
        return nullptr;
    for (const FolderItemPtr& root : rootFolders()) {
        if (root->fullPath() == *path) {
            if (thenSelect)
                selectItem(root, false);
            return nullptr;
        }
    }
    FolderItemPtr row = FolderNavigatorItem::create(*path);
    row->populateChildrenOfItem(row, [this](const QString& folder) { return urlsGenerator(folder); });
    rootItem()->addChildItem(row);

    TreeListView* list = sourceList();
    list->beginUpdates();
    list->reloadData();
    if (platform::UserDefaults::standard().boolForKey(Prefs::AUTO_EXPAND_FOLDER))
        list->expandItem(row);
    list->endUpdates();

    rebuildRootFolderPaths();
    startWatching(row);
    return row;
}

void FoldersNavigator::removeRootFolderItem(const FolderItemPtr& root)
{
    if (!root)
        return;
    TreeListView* list = sourceList();
    list->beginUpdates();
    rootItem()->removeChildItem(root.get());
    stopWatching(root);
    list->reloadData();
    list->endUpdates();
    rebuildRootFolderPaths();
}

void FoldersNavigator::removeRootFolderFromSidebar(const TreeListItemPtr& item)
{
    if (const FolderItemPtr folder = asFolderItem(item))
        removeRootFolderItem(folder);
}

void FoldersNavigator::rebuildRootFolderPaths()
{
    m_rootFolderPaths.clear();
    for (const FolderItemPtr& root : rootFolders())
        m_rootFolderPaths.append(root->fullPath());
}

void FoldersNavigator::startWatching(const FolderItemPtr& root)
{
    auto watch = std::make_unique<RootWatch>();
    RootWatch* raw = watch.get();
    raw->root = root;
    raw->rootPath = root->fullPath();
    raw->watcher = new FileWatcher(
        root->fullPath(), [this, raw](const QString& path, quint32) { watcherReported(raw, path); }, m_watchLatency, this);
    raw->watcher->setBatchEndHandler([this, raw] { watcherBatchEnded(raw); });
    m_fileWatchers.push_back(raw->watcher);
    m_watches.push_back(std::move(watch));
}

void FoldersNavigator::stopWatching(const FolderItemPtr& root)
{
    auto it = std::find_if(m_watches.begin(), m_watches.end(), [&](const auto& watch) { return watch->root == root; });
    if (it == m_watches.end())
        return;
    std::unique_ptr<RootWatch> watch = std::move(*it);
    m_watches.erase(it);
    std::erase(m_fileWatchers, watch->watcher);
    watch->watcher->close();
    watch->watcher->deleteLater(); // it may be delivering the batch that removed its root
    if (m_batchWatch == watch.get())
        m_batchWatch = nullptr;
    if (watch->batchOpen)
        sourceList()->endUpdates();
    if (watch->changed) {
        platform::NotificationCenter::defaultCenter().post(Notifications::FOLDER_WATCH, this,
            { { Notifications::FOLDER_WATCH_PAYLOAD, watch->rootPath } });
    }
}

// ---- watched changes ----------------------------------------------------------------

void FoldersNavigator::watcherReported(RootWatch* watch, const QString& path)
{
    if (lastPathComponent(path) == QLatin1String(".DS_Store"))
        return;
    // One batch is one update of the list and one notification for its root.
    if (!watch->batchOpen) {
        sourceList()->beginUpdates();
        watch->batchOpen = true;
    }
    const FolderItemPtr root = watch->root;
    m_batchWatch = watch;
    handleFolderChangeAtPath(path, root); // may remove the root, and `watch` with it
    m_batchWatch = nullptr;
}

void FoldersNavigator::watcherBatchEnded(RootWatch* watch)
{
    if (watch->batchOpen) {
        watch->batchOpen = false;
        sourceList()->endUpdates();
    }
    if (watch->changed) {
        watch->changed = false;
        platform::NotificationCenter::defaultCenter().post(Notifications::FOLDER_WATCH, this,
            { { Notifications::FOLDER_WATCH_PAYLOAD, watch->rootPath } });
    }
}

void FoldersNavigator::handleFolderChangeAtPath(const QString& path, const FolderItemPtr& root)
{
    if (!root || lastPathComponent(path) == QLatin1String(".DS_Store"))
        return;
    if (m_batchWatch && m_batchWatch->root == root) {
        m_batchWatch->changed = true;
    } else {
        platform::NotificationCenter::defaultCenter().post(Notifications::FOLDER_WATCH, this,
            { { Notifications::FOLDER_WATCH_PAYLOAD, root->fullPath() } });
    }

    if (samePath(path, root->fullPath())) {
        // A touch or a change of permissions keeps the root; only a root that is gone goes.
        if (!checkIfDirectoryExists(root->fullPath()))
            removeRootFolderItem(root);
        return;
    }
    if (!isPathBelow(path, root->fullPath()))
        return;

    const QString parent = parentPath(withoutTrailingSeparators(path));
    FolderItemPtr folder;
    if (samePath(parent, root->fullPath())) {
        folder = root;
    } else {
        for (const TreeListItemPtr& child : root->children()) {
            const FolderItemPtr candidate = asFolderItem(child);
            if (!candidate)
                continue;
            if (samePath(parent, candidate->fullPath())) {
                folder = candidate;
                break;
            }
            if (isPathBelow(parent, candidate->fullPath())) {
                folder = findItemAtPath(parent, candidate);
                break;
            }
        }
    }
    if (!folder || !folder->isChildrenPopulated())
        return;

    const PathExistence existence = checkIfPathExists(path);
    if (!existence.exists)
        removeChildItemAtPath(path, folder);
    else if (!folder->findChildAtPath(path))
        insertChildItemAtPath(path, folder, existence.isDir);
}

// ---- single rows ----------------------------------------------------------------------

void FoldersNavigator::insertChildItemAtPath(const std::optional<QString>& path, const FolderItemPtr& parent, bool isDirectory)
{
    if (!path || !parent || !parent->isChildrenPopulated() || parent->findChildAtPath(*path))
        return;
    // The listing would not show it: neither does a watched change.
    if (m_filterService->shouldSkipName(lastPathComponent(*path)))
        return;
    FolderItemPtr child = FolderNavigatorItem::create(*path);
    child->setIsDirectory(isDirectory);
    child->setFolderParent(parent);
    child->setRootFolder(parent->rootFolder());
    parent->addChildItem(child);
    const int index = int(parent->numberOfChildren()) - 1;
    TreeListView* list = sourceList();
    list->beginUpdates();
    list->insertItemsAtIndexes({ index }, parent);
    list->endUpdates();
}

void FoldersNavigator::removeChildItemAtPath(const QString& path, const FolderItemPtr& parent)
{
    const FolderItemPtr child = parent ? parent->findChildAtPath(path) : nullptr;
    const std::optional<int> index = child ? child->indexInParent() : std::nullopt;
    if (!index || *index < 0) {
        appLog().warning(QStringLiteral("Item to be removed %1 doesn't exist").arg(fileName(path)));
        return;
    }
    TreeListView* list = sourceList();
    list->beginUpdates();
    parent->removeChildItem(child.get());
    list->removeItemsAtIndexes({ *index }, parent);
    appLog().info(QStringLiteral("Deleted item ") + child->title());
    list->endUpdates();
}

FolderItemPtr FoldersNavigator::findItemAtPath(const QString& path, const FolderItemPtr& under) const
{
    if (!under)
        return nullptr;
    if (FolderItemPtr direct = under->findChildAtPath(path))
        return direct;
    for (const TreeListItemPtr& child : under->children()) {
        const FolderItemPtr folder = asFolderItem(child);
        if (!folder)
            continue;
        if (samePath(folder->fullPath(), path))
            return folder;
        if (isPathBelow(path, folder->fullPath()))
            return findItemAtPath(path, folder);
    }
    return nullptr;
}

// ---- revealing ----------------------------------------------------------------------

FolderItemPtr FoldersNavigator::revealItemAtPath(const QString& path, const FolderItemPtr& parent, std::vector<FolderItemPtr>& expandedItems)
{
    std::vector<FolderItemPtr> children;
    if (parent) {
        for (const TreeListItemPtr& child : parent->children()) {
            FolderItemPtr folder = asFolderItem(child);
            if (!folder) {
                children.clear();
                break;
            }
            children.push_back(folder);
        }
    }
    TreeListView* list = sourceList();
    FolderItemPtr found;
    for (const FolderItemPtr& child : children) {
        if (samePath(child->fullPath(), path)) {
            selectItem(child, true);
            if (!m_isRestoringExpandedItems && m_host) {
                QPointer<FoldersNavigator> self(this);
                m_host->openDocumentWithContentsOfURL(asFileURL(child->fullPath()), true,
                    [self, child](SidebarDocument* document, bool, const std::optional<SidebarOpenError>& error) {
                        if (self)
                            self->completeOpen(child, false, document, error);
                    });
            }
            found = child;
            break;
        }
        if (child->isDirectory() && isPathBelow(path, child->fullPath())) {
            if (!list->isItemExpanded(child)) {
                expandedItems.push_back(child);
                list->expandItem(child);
            }
            found = revealItemAtPath(path, child, expandedItems);
        }
    }
    // Folders opened only to get through close again.
    for (const FolderItemPtr& opened : expandedItems)
        list->collapseItem(opened);
    return found;
}

FolderItemPtr FoldersNavigator::selectItemWithPath(const QString& path)
{
    TreeListView* list = sourceList();
    list->beginUpdates();
    FolderItemPtr root;
    for (const FolderItemPtr& candidate : rootFolders()) {
        if (isPathBelow(path, candidate->fullPath())) {
            root = candidate;
            break;
        }
    }
    if (!root) {
        list->endUpdates();
        return nullptr;
    }
    std::vector<FolderItemPtr> expanded;
    const FolderItemPtr found = revealItemAtPath(path, root, expanded);
    if (found)
        selectItem(found, false);
    list->endUpdates();
    return found;
}

// ---- the menu and its actions ----------------------------------------------------------

std::unique_ptr<QMenu> FoldersNavigator::menuItemForItem(const TreeListItemPtr& item)
{
    const FolderItemPtr folder = asFolderItem(item);
    if (!folder)
        return nullptr;
    auto menu = std::make_unique<QMenu>();
    auto add = [&](const QString& title, void (FoldersNavigator::*action)(const TreeListItemPtr&)) {
        QAction* entry = newMenuItemWithTitle(title, item, [this, action](const TreeListItemPtr& target) { (this->*action)(target); });
        entry->setParent(menu.get());
        menu->addAction(entry);
    };
    const bool isFolder = folder->isDirectory();
    if (isFolder) {
        add(QStringLiteral("Open"), &FoldersNavigator::openFolder);
        add(QStringLiteral("Open in New Window..."), &FoldersNavigator::open);
    } else {
        add(QStringLiteral("Open"), &FoldersNavigator::open);
    }
    menu->addSeparator();
    add(QStringLiteral("Add to Favorites"), &FoldersNavigator::addToFavorites);
    add(QStringLiteral("Show in File Manager"), &FoldersNavigator::showInFinder);
    if (isFolder) {
        menu->addSeparator();
        add(QStringLiteral("New File..."), &FoldersNavigator::newFile);
        add(QStringLiteral("New Folder..."), &FoldersNavigator::newFolder);
    }
    add(QStringLiteral("Rename"), &FoldersNavigator::rename);
    menu->addSeparator();
    if (!folder->folderParent())
        add(QStringLiteral("Remove from Sidebar"), &FoldersNavigator::removeRootFolderFromSidebar);
    add(QStringLiteral("Delete..."), &FoldersNavigator::deleteItem);
    if (isFolder) {
        menu->addSeparator();
        add(QStringLiteral("Collapse All"), &FoldersNavigator::collapseAllChildren);
        menu->addSeparator();
        add(QStringLiteral("Set as Base Folder"), &FoldersNavigator::setAsBaseFolder);
    }
    return menu;
}

void FoldersNavigator::rename(const TreeListItemPtr& item)
{
    if (!asFolderItem(item))
        return;
    TreeListView* list = sourceList();
    list->editRow(list->selectedRow());
}

void FoldersNavigator::addToFavorites(const TreeListItemPtr& item)
{
    const FolderItemPtr folder = asFolderItem(item);
    if (folder && m_favorites)
        m_favorites->addPathToFavorites(folder->fullPath());
}

void FoldersNavigator::newFile(const TreeListItemPtr& item)
{
    createItemOfType(QStringLiteral("file"), asFolderItem(item));
}

void FoldersNavigator::newFolder(const TreeListItemPtr& item)
{
    createItemOfType(QStringLiteral("folder"), asFolderItem(item));
}

void FoldersNavigator::createItemOfType(const QString& type, const FolderItemPtr& folder)
{
    if (!folder || !m_newItemDialog)
        return;
    const std::optional<QString> created = m_newItemDialog(type, folder->fullPath());
    if (!created)
        return;
    // A name such as "notes/today.md" made a folder too: the row that appears here is "notes".
    const QString base = withoutTrailingSeparators(folder->fullPath());
    QString top = *created;
    bool topIsFolder = type != QLatin1String("file");
    if (isPathBelow(*created, base)) {
        const QString relative = created->mid(base.size() + 1);
        const qsizetype slash = relative.indexOf(QLatin1Char('/'));
        if (slash > 0) {
            top = base + QLatin1Char('/') + relative.left(slash);
            topIsFolder = true;
        }
    }
    if (type == QLatin1String("file")) {
        if (m_host) {
            QPointer<FoldersNavigator> self(this);
            m_host->openDocumentWithContentsOfURL(asFileURL(*created), true,
                [self, folder, top, topIsFolder](SidebarDocument* document, bool, const std::optional<SidebarOpenError>&) {
                    if (!self || !document)
                        return;
                    document->setDefaultSaveLocationURL(asFileURL(folder->fullPath()));
                    self->insertChildItemAtPath(top, folder, topIsFolder);
                });
        }
    } else {
        insertChildItemAtPath(top, folder, true);
    }
    appLog().info(QStringLiteral("Created %1 %2").arg(type, lastPathComponent(*created)));
}

} // namespace penwick
