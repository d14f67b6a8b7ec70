#include "sidebar/FoldersNavigator.h"

#include "platform/FileIcons.h"
#include "platform/FileNames.h"
#include "platform/Trash.h"

#include "Extensions/FileManagerAdditions.h"
#include "Extensions/StringAdditions.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "common/AppLogger.h"
#include "common/Prefs.h"
#include "sidebar/FileWatcher.h"
#include "sidebar/NewFileSystemDialogController.h"
#include "sidebar/TVXNavigatorPreferencesFactory.h"

#include <QDir>
#include <QHash>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QUuid>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>

namespace penwick {

FoldersNavigator::FoldersNavigator(TreeListView* sourceList, SidebarFavorites* favorites, SidebarDocumentHost* host, QObject* parent)
    : SidebarNavigator(sourceList, parent)
    , m_favorites(favorites)
    , m_host(host)
    , m_filterService(std::make_shared<TVXFileSystemFilterService>())
    , m_fileManagerBus(QDBusConnection::sessionBus())
{
    auto root = TreeListItem::itemWithTitle(QStringLiteral("FOLDERS"), QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    root->setChildren({});
    setRootItem(root);
    m_confirmTrash = [](const QString& message, const QString& informative) {
        QMessageBox box(QMessageBox::Warning, QString(), message);
        box.setInformativeText(informative);
        QPushButton* yes = box.addButton(QObject::tr("Yes"), QMessageBox::AcceptRole);
        box.addButton(QObject::tr("Cancel"), QMessageBox::RejectRole);
        box.setDefaultButton(yes);
        box.exec();
        return box.clickedButton() == yes;
    };
    m_newItemDialog = [](const QString& type, const QString& baseFolder) {
        return NewFileSystemDialogController::runForType(type, baseFolder);
    };
    platform::NotificationCenter::defaultCenter().addObserver(this, TVXNavigatorPreferencesFactory::IGNORE_FILES_AND_FOLDERS_CHANGED,
        nullptr, [this](const platform::Notification&) { ignoreRulesChanged(); });
}

FoldersNavigator::~FoldersNavigator()
{
    for (FileWatcher* watcher : m_fileWatchers)
        watcher->close();
    m_fileWatchers.clear();
    m_watches.clear();
    appLog().debug(QStringLiteral("Deallocated Folders Navigator"));
}

FolderItemPtr FoldersNavigator::asFolderItem(const TreeListItemPtr& item)
{
    return std::dynamic_pointer_cast<FolderNavigatorItem>(item);
}

std::vector<FolderItemPtr> FoldersNavigator::rootFolders() const
{
    std::vector<FolderItemPtr> roots;
    for (const TreeListItemPtr& child : rootItem()->children()) {
        if (FolderItemPtr folder = asFolderItem(child))
            roots.push_back(folder);
    }
    return roots;
}

bool FoldersNavigator::isRootExpanded() const
{
    return !platform::UserDefaults::standard().boolForKey(Prefs::OUTLINE_COLLAPSE_FOLDER);
}

bool FoldersNavigator::owns(const TreeListItem* item) const
{
    if (!item)
        return false;
    return item == rootItem().get() || dynamic_cast<const FolderNavigatorItem*>(item) != nullptr;
}

bool FoldersNavigator::isItemExpandable(const TreeListItemPtr& item)
{
    if (item == rootItem())
        return true;
    const FolderItemPtr folder = asFolderItem(item);
    return folder && folder->isDirectory();
}

QIcon FoldersNavigator::iconForItem(const TreeListItemPtr& item)
{
    const FolderItemPtr folder = asFolderItem(item);
    if (!folder)
        return {};
    return platform::iconForFileKind(folder->fullPath(), folder->isDirectory());
}

void FoldersNavigator::handleDeleteKeyForItem(const TreeListItemPtr& item)
{
    if (FolderItemPtr folder = asFolderItem(item))
        moveItemToTrash(folder);
}

void FoldersNavigator::handleDoubleClickForItem(const TreeListItemPtr& item)
{
    setIsQuickOpenInProgress(false);
    const FolderItemPtr folder = asFolderItem(item);
    if (!folder)
        return;
    if (folder->isDirectory())
        toggleExpand(folder);
    else
        openItem(folder, false);
}

void FoldersNavigator::handleSelection(const TreeListItemPtr& item)
{
    if (m_restoreInSession)
        return;
    const FolderItemPtr folder = asFolderItem(item);
    if (!folder)
        return;
    if (checkIfPathExists(folder->fullPath()).isDir)
        toggleExpand(folder);
    else
        openItem(folder, true);
}

void FoldersNavigator::handleWillExpand(const TreeListItemPtr& item)
{
    const FolderItemPtr folder = asFolderItem(item);
    if (!folder || folder->isChildrenPopulated())
        return;
    const FolderItemPtr parent = folder->folderParent();
    const FolderItemPtr root = parent ? parent->rootFolder() : folder;
    folder->populateChildrenOfItem(root, [this](const QString& path) { return urlsGenerator(path); });
    indexInTurns(folder);
}

void FoldersNavigator::indexInTurns(const FolderItemPtr& folder)
{
    if (!folder || folder->numberOfChildren() <= childrenIndexedPerTurn)
        return;
    QTimer::singleShot(0, this, [this, weak = std::weak_ptr<FolderNavigatorItem>(folder)] {
        const FolderItemPtr current = weak.lock();
        if (current && !current->indexSomeChildren(childrenIndexedPerTurn))
            indexInTurns(current);
    });
}

std::vector<FolderEntry> FoldersNavigator::urlsGenerator(const QString& folderPath) const
{
    auto entries = m_filterService->getFilteredContentsForDirectoryAtPath(folderPath);
    return entries ? std::move(*entries) : std::vector<FolderEntry>();
}

void FoldersNavigator::openItem(const TreeListItemPtr& item, bool asQuickOpen)
{
    if (m_isRestoringExpandedItems)
        return;
    const FolderItemPtr folder = asFolderItem(item);
    if (!folder || !m_host)
        return;
    if (asQuickOpen)
        setIsQuickOpenInProgress(true);
    QPointer<FoldersNavigator> self(this);
    m_host->openDocumentWithContentsOfURL(asFileURL(folder->fullPath()), true,
        [self, folder, asQuickOpen](SidebarDocument* document, bool, const std::optional<SidebarOpenError>& error) {
            if (self)
                self->completeOpen(folder, asQuickOpen, document, error);
            else if (document && !error)
                document->setFileSystemItem(folder);
        });
}

void FoldersNavigator::completeOpen(const FolderItemPtr& item, bool asQuickOpen, SidebarDocument* document, const std::optional<SidebarOpenError>& error)
{
    setIsQuickOpenInProgress(false);
    if (error) {
        // A failed quick open (one click) stays silent.
        if (!asQuickOpen && m_host)
            m_host->showErrorLoadingItem(*error, item->title(), item->fullPath());
        return;
    }
    if (!document)
        return;
    document->setFileSystemItem(item);
    if (!asQuickOpen)
        document->setIsQuickOpen(false);
}

void FoldersNavigator::moveItemToTrash(const FolderItemPtr& item)
{
    if (!item)
        return;
    if (!m_confirmTrash || !m_confirmTrash(QStringLiteral("Delete '%1'?").arg(item->title()), QStringLiteral("The item will be moved to the Trash")))
        return;
    if (const std::optional<QString> error = platform::moveToTrash(item->fullPath())) {
        appLog().warning(QStringLiteral("Error deleting item: ") + *error);
        return;
    }
    const QString path = item->fullPath();
    removeChildItemAtPath(path, item->folderParent());
    // Its open documents are no longer on disk: their next save asks where.
    if (m_host)
        m_host->fileSystemItemTrashed(path);
}

void FoldersNavigator::setObjectValue(const QVariant& value, const TreeListItemPtr& item)
{
    const FolderItemPtr folder = asFolderItem(item);
    if (!folder || !value.canConvert<QString>())
        return;
    const QString name = value.toString();
    // A name is one path component: a "/" would move the item elsewhere.
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".") || name == QLatin1String("..")) {
        appLog().warning(QStringLiteral("Couldn't update value for item ") + folder->title());
        return;
    }
    QString oldPath = folder->fullPath();
    while (oldPath.size() > 1 && oldPath.endsWith(QLatin1Char('/')))
        oldPath.chop(1);
    const QString newPath = appendPathComponent(parentPath(oldPath), name);
    if (newPath == oldPath)
        return;
    const QByteArray from = platform::encodeFileName(oldPath);
    const QByteArray to = platform::encodeFileName(newPath);
    // Never onto a name that is taken.
    int result = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
    if (result != 0 && errno == EINVAL) {
        result = checkIfPathExists(newPath).exists ? -1 : std::rename(from.constData(), to.constData());
    }
    if (result != 0) {
        appLog().warning(QStringLiteral("Error moving item ") + folder->title());
        return;
    }
    TreeListView* list = sourceList();
    list->beginUpdates();
    const bool isRoot = !folder->folderParent();
    if (isRoot)
        stopWatching(folder);
    const FolderItemPtr root = folder->rootFolder();
    const QString rootIdentifier = root ? root->identifier() : QString();
    folder->setFullPath(newPath);
    // Its remembered expansion is filed under its path, so the identifier follows the rename.
    if (folder->identifier() == oldPath)
        folder->setIdentifier(newPath);
    renameLoadedRows(folder, oldPath, newPath);
    renameExpandedItems(rootIdentifier, root, oldPath, newPath);
    if (isRoot) {
        startWatching(folder);
        rebuildRootFolderPaths();
    }
    list->endUpdates();
    // Open documents of the item follow it, so that a save does not make the old file again.
    if (m_host)
        m_host->fileSystemItemMoved(oldPath, newPath);
}

void FoldersNavigator::renameLoadedRows(const FolderItemPtr& item, const QString& oldPath, const QString& newPath)
{
    for (const TreeListItemPtr& child : item->children()) {
        const FolderItemPtr folder = asFolderItem(child);
        if (!folder)
            continue;
        const QString path = folder->fullPath();
        if (isPathBelow(path, oldPath)) {
            folder->setFullPath(newPath + path.mid(oldPath.size()));
            if (isPathBelow(folder->identifier(), oldPath))
                folder->setIdentifier(newPath + folder->identifier().mid(oldPath.size()));
        }
        renameLoadedRows(folder, oldPath, newPath);
    }
}

void FoldersNavigator::showInFinder(const TreeListItemPtr& item)
{
    if (const FolderItemPtr folder = asFolderItem(item))
        revealInFileManager(folder->fullPath(), m_fileManagerBus);
}

void FoldersNavigator::open(const TreeListItemPtr& item)
{
    openItem(item, false);
}

void FoldersNavigator::openFolder(const TreeListItemPtr& item)
{
    if (const FolderItemPtr folder = asFolderItem(item))
        openFolderInternally(folder->fullPath(), true);
}

void FoldersNavigator::deleteItem(const TreeListItemPtr& item)
{
    if (const FolderItemPtr folder = asFolderItem(item))
        moveItemToTrash(folder);
}

void FoldersNavigator::collapseAllChildren(const TreeListItemPtr& item)
{
    sourceList()->collapseItem(item, true);
}

bool FoldersNavigator::isPathBelow(const QString& path, const QString& folder)
{
    QString base = folder;
    while (base.size() > 1 && base.endsWith(QLatin1Char('/')))
        base.chop(1);
    if (base == QLatin1String("/"))
        return path.size() > 1 && path.startsWith(QLatin1Char('/'));
    return path.size() > base.size() + 1 && path.startsWith(base) && path.at(base.size()) == QLatin1Char('/');
}

} // namespace penwick
