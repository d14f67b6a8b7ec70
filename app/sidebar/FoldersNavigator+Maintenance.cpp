// Keeping the folder tree in step with the disk: roots and their watchers, watched
// changes, single rows in and out, revealing paths, the context menu and new items.
#include "sidebar/FoldersNavigator.h"

#include "Extensions/FileManagerAdditions.h"
#include "Extensions/StringAdditions.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "common/AppLogger.h"
#include "common/Notifications.h"
#include "common/Prefs.h"
#include "platform/FileWatchEngine.h"
#include "sidebar/FileWatcher.h"

#include <QLocale>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <unordered_map>
#include <unordered_set>

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
    indexInTurns(row);
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
    // Without this the folder's document stayed open, and adding the folder again found it
    // open in no window.
    if (m_host)
        m_host->rootFolderRemoved(root->fullPath());
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
    connect(raw->watcher, &FileWatcher::coverageChanged, this, &FoldersNavigator::watchNoticeChanged);
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
    const bool wasFull = watch->watcher->isWatchedInFull();
    watch->watcher->close();
    watch->watcher->deleteLater(); // it may be delivering the batch that removed its root
    if (!wasFull)
        emit watchNoticeChanged();
}

QString FoldersNavigator::watchNotice() const
{
    QStringList roots;
    for (const auto& watch : m_watches) {
        if (watch->watcher->isWatchedInFull())
            continue;
        const int count = int(watch->watcher->unwatchedFolders().size());
        roots << (count == 1 ? tr("“%1” (1 folder and what it holds)").arg(watch->root->title())
                             : tr("“%1” (%2 folders and what they hold)").arg(watch->root->title()).arg(count));
    }
    if (roots.isEmpty())
        return {};
    const platform::FileWatchEngine::WatchLimit limit = platform::FileWatchEngine::watchLimit();
    return tr("Not every folder is watched for changes, so changes in these will not show: %1. "
              "The limit of %2 folder watches per user (%3) is reached; the roots share what it allows.")
        .arg(QLocale().createSeparatedList(roots))
        .arg(limit.value)
        .arg(limit.setting);
}

QStringList FoldersNavigator::unwatchedFolders(qsizetype perRoot) const
{
    QStringList folders;
    for (const auto& watch : m_watches) {
        QStringList ofRoot = watch->watcher->unwatchedFolders();
        if (perRoot >= 0 && ofRoot.size() > perRoot)
            ofRoot.resize(perRoot);
        folders += ofRoot;
    }
    return folders;
}

// ---- watched changes ----------------------------------------------------------------

void FoldersNavigator::watcherReported(RootWatch* watch, const QString& path)
{
    if (lastPathComponent(path) == QLatin1String(".DS_Store"))
        return;
    watch->pending.append(path);
}

void FoldersNavigator::watcherBatchEnded(RootWatch* watch)
{
    if (watch->pending.isEmpty())
        return;
    const bool idle = watch->applying.isEmpty();
    watch->applying += std::exchange(watch->pending, {});
    if (idle)
        applyNextSlice(watch);
}

void FoldersNavigator::applyNextSlice(RootWatch* watch)
{
    // The root may have gone since the last slice.
    const auto known = [this](const RootWatch* candidate) {
        return std::any_of(m_watches.begin(), m_watches.end(), [candidate](const auto& w) { return w.get() == candidate; });
    };
    if (!known(watch) || watch->applying.isEmpty())
        return;
    const qsizetype count = std::min(watch->applying.size(), pathsPerTurn);
    const QStringList slice = watch->applying.first(count);
    watch->applying.remove(0, count);
    const FolderItemPtr root = watch->root;
    const QString rootPath = watch->rootPath;
    applyFolderChanges(slice, root); // may remove the root, and `watch` with it
    if (known(watch) && !watch->applying.isEmpty()) {
        QTimer::singleShot(0, this, [this, watch] { applyNextSlice(watch); });
        return;
    }
    // One notification for the root once what was delivered is applied.
    platform::NotificationCenter::defaultCenter().post(Notifications::FOLDER_WATCH, this,
        { { Notifications::FOLDER_WATCH_PAYLOAD, rootPath } });
}

void FoldersNavigator::handleFolderChangeAtPath(const QString& path, const FolderItemPtr& root)
{
    if (!root || lastPathComponent(path) == QLatin1String(".DS_Store"))
        return;
    platform::NotificationCenter::defaultCenter().post(Notifications::FOLDER_WATCH, this,
        { { Notifications::FOLDER_WATCH_PAYLOAD, root->fullPath() } });
    applyFolderChanges({ path }, root);
}

FolderItemPtr FoldersNavigator::loadedFolderAtPath(const QString& path, const FolderItemPtr& root) const
{
    if (!root)
        return nullptr;
    if (samePath(path, root->fullPath()))
        return root;
    const FolderItemPtr found = findItemAtPath(path, root);
    return found && found->isDirectory() ? found : nullptr;
}

void FoldersNavigator::applyFolderChanges(const QStringList& paths, const FolderItemPtr& root)
{
    if (!root)
        return;
    for (const QString& path : paths) {
        // A touch or a change of permissions keeps the root; only a root that is gone goes.
        if (samePath(path, root->fullPath()) && !checkIfDirectoryExists(root->fullPath())) {
            removeRootFolderItem(root);
            return;
        }
    }
    // The changes by folder row, each path once, in the order they first came.
    struct Group {
        FolderItemPtr folder;
        QStringList paths;
    };
    std::vector<Group> groups;
    std::unordered_map<const FolderNavigatorItem*, std::size_t> groupOfFolder;
    QSet<QString> seen;
    seen.reserve(paths.size());
    FolderItemPtr lastFolder;
    QString lastParent;
    for (const QString& path : paths) {
        if (lastPathComponent(path) == QLatin1String(".DS_Store") || samePath(path, root->fullPath()))
            continue;
        if (!isPathBelow(path, root->fullPath()) || seen.contains(path))
            continue;
        seen.insert(path);
        const QString parent = parentPath(withoutTrailingSeparators(path));
        // A burst usually stays in one folder: its row is looked up once.
        if (!lastFolder || parent != lastParent) {
            lastParent = parent;
            lastFolder = loadedFolderAtPath(parent, root);
        }
        if (!lastFolder || !lastFolder->isChildrenPopulated())
            continue;
        auto [it, added] = groupOfFolder.try_emplace(lastFolder.get(), groups.size());
        if (added)
            groups.push_back({ lastFolder, {} });
        groups[it->second].paths.append(path);
    }
    if (groups.empty())
        return;

    TreeListView* list = sourceList();
    list->beginUpdates();
    for (const Group& group : groups) {
        const FolderItemPtr& folder = group.folder;
        std::vector<FolderItemPtr> gone;
        std::vector<FolderItemPtr> fresh;
        for (const QString& path : group.paths) {
            const PathExistence existence = checkIfPathExists(path);
            const FolderItemPtr child = folder->findChildAtPath(path);
            if (!existence.exists) {
                if (child)
                    gone.push_back(child);
                else
                    appLog().warning(QStringLiteral("Item to be removed %1 doesn't exist").arg(fileName(path)));
                continue;
            }
            // A modified file changes nothing; the listing would not show a skipped name.
            if (child || m_filterService->shouldSkipName(lastPathComponent(path)))
                continue;
            FolderItemPtr row = FolderNavigatorItem::create(path);
            row->setIsDirectory(existence.isDir);
            row->setFolderParent(folder);
            row->setRootFolder(folder->rootFolder());
            fresh.push_back(std::move(row));
        }
        removeChildRows(folder, gone);
        if (!fresh.empty()) {
            const int first = int(folder->numberOfChildren());
            QList<int> indexes;
            indexes.reserve(qsizetype(fresh.size()));
            for (const FolderItemPtr& row : fresh) {
                indexes.append(first + int(indexes.size()));
                folder->addChildItem(row);
            }
            list->insertItemsAtIndexes(indexes, folder);
        }
    }
    list->endUpdates();
}

// ---- ignore rules ---------------------------------------------------------------------

void FoldersNavigator::ignoreRulesChanged()
{
    // One apply of the Navigator pane announces each of its two settings: one refresh for both.
    if (m_ignoreRulesRefreshPending)
        return;
    m_ignoreRulesRefreshPending = true;
    QTimer::singleShot(0, this, [this] {
        m_ignoreRulesRefreshPending = false;
        applyIgnoreRules();
    });
}

void FoldersNavigator::applyIgnoreRules()
{
    m_filterService = std::make_shared<TVXFileSystemFilterService>();
    TreeListView* list = sourceList();
    list->beginUpdates();
    for (const FolderItemPtr& root : rootFolders())
        relistLoadedFolder(root);
    list->endUpdates();
}

void FoldersNavigator::relistLoadedFolder(const FolderItemPtr& folder)
{
    if (!folder || !folder->isChildrenPopulated())
        return;
    const std::vector<FolderEntry> entries = urlsGenerator(folder->fullPath());
    QSet<QString> listed;
    listed.reserve(qsizetype(entries.size()));
    for (const FolderEntry& entry : entries)
        listed.insert(entry.path);
    // Rows the rules now hide go (with what is below them)...
    std::vector<FolderItemPtr> hidden;
    for (const TreeListItemPtr& child : folder->children()) {
        const FolderItemPtr row = asFolderItem(child);
        if (row && !listed.contains(row->fullPath()))
            hidden.push_back(row);
    }
    removeChildRows(folder, hidden);
    // ...and entries they no longer hide come in at their place in the listing.
    TreeListView* list = sourceList();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (folder->findChildAtPath(entries[i].path))
            continue;
        FolderItemPtr row = FolderNavigatorItem::create(entries[i].path);
        row->setIsDirectory(entries[i].isDirectory);
        row->setFolderParent(folder);
        row->setRootFolder(folder->rootFolder());
        const std::size_t at = std::min(i, folder->numberOfChildren());
        folder->insertChildItem(row, at);
        list->insertItemsAtIndexes({ int(at) }, folder);
    }
    for (const TreeListItemPtr& child : folder->children()) {
        const FolderItemPtr row = asFolderItem(child);
        if (row && row->isDirectory())
            relistLoadedFolder(row);
    }
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

void FoldersNavigator::removeChildRows(const FolderItemPtr& folder, const std::vector<FolderItemPtr>& rows)
{
    if (rows.empty())
        return;
    // Their positions in one pass over the folder's children.
    std::unordered_set<const TreeListItem*> leaving;
    leaving.reserve(rows.size());
    for (const FolderItemPtr& row : rows)
        leaving.insert(row.get());
    std::vector<std::size_t> positions;
    positions.reserve(rows.size());
    QList<int> indexes;
    indexes.reserve(qsizetype(rows.size()));
    const auto& children = folder->children();
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (leaving.count(children[i].get())) {
            positions.push_back(i);
            indexes.append(int(i));
        }
    }
    TreeListView* list = sourceList();
    list->beginUpdates();
    folder->removeChildItemsAtIndexes(positions);
    list->removeItemsAtIndexes(indexes, folder);
    for (const FolderItemPtr& row : rows)
        appLog().info(QStringLiteral("Deleted item ") + row->title());
    list->endUpdates();
}

FolderItemPtr FoldersNavigator::findItemAtPath(const QString& path, const FolderItemPtr& under) const
{
    if (!under || !isPathBelow(path, under->fullPath()))
        return nullptr;
    // Down the loaded rows one name at a time, each found through its folder's index.
    const QString base = withoutTrailingSeparators(under->fullPath());
    const QString target = withoutTrailingSeparators(path);
    const qsizetype start = base == QLatin1String("/") ? 1 : base.size() + 1;
    FolderItemPtr current = under;
    qsizetype from = start;
    while (current) {
        const qsizetype slash = target.indexOf(QLatin1Char('/'), from);
        const QString step = slash < 0 ? target : target.left(slash);
        FolderItemPtr next = current->findChildAtPath(step);
        if (slash < 0 || !next)
            return next;
        current = next;
        from = slash + 1;
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
