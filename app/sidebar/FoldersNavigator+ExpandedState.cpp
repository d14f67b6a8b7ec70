// Which folder rows were open, whether "FOLDERS" was collapsed, and each root's base
// folder: kept in the settings and written at once.
#include "sidebar/FoldersNavigator.h"

#include "platform/UserDefaults.h"
#include "common/Notifications.h"
#include "common/Prefs.h"

namespace penwick {

using platform::UserDefaults;

namespace {

bool isStringList(const QVariant& value)
{
    if (value.typeId() == QMetaType::QStringList)
        return true;
    if (value.typeId() != QMetaType::QVariantList)
        return false;
    for (const QVariant& element : value.toList()) {
        if (element.typeId() != QMetaType::QString)
            return false;
    }
    return true;
}

} // namespace

void FoldersNavigator::handleExpand(const TreeListItemPtr& item)
{
    if (!item)
        return;
    if (item == rootItem()) {
        UserDefaults::standard().setValue(Prefs::OUTLINE_COLLAPSE_FOLDER, false);
        return;
    }
    if (const FolderItemPtr folder = asFolderItem(item))
        addExpandedItem(folder);
}

void FoldersNavigator::handleCollapse(const TreeListItemPtr& item)
{
    if (!item)
        return;
    if (item == rootItem()) {
        UserDefaults::standard().setValue(Prefs::OUTLINE_COLLAPSE_FOLDER, true);
        return;
    }
    if (const FolderItemPtr folder = asFolderItem(item))
        removeExpandedItem(folder);
}

void FoldersNavigator::addExpandedItem(const FolderItemPtr& item)
{
    const FolderItemPtr root = item ? item->rootFolder() : nullptr;
    if (!root)
        return;
    UserDefaults& defaults = UserDefaults::standard();
    QVariantMap expanded = defaults.dictionaryForKey(Prefs::OUTLINE_EXPANDED_ITEMS);
    const QVariant entry = expanded.value(root->identifier());
    QStringList list = isStringList(entry) ? entry.toStringList() : QStringList();
    if (isStringList(entry) && list.contains(item->identifier()))
        return; // already stored: nothing changes
    list.append(item->identifier());
    expanded.insert(root->identifier(), list);
    defaults.setValue(Prefs::OUTLINE_EXPANDED_ITEMS, expanded);
}

void FoldersNavigator::removeExpandedItem(const FolderItemPtr& item)
{
    const FolderItemPtr root = item ? item->rootFolder() : nullptr;
    if (!root)
        return;
    UserDefaults& defaults = UserDefaults::standard();
    QVariantMap expanded = defaults.dictionaryForKey(Prefs::OUTLINE_EXPANDED_ITEMS);
    const QVariant entry = expanded.value(root->identifier());
    if (!isStringList(entry))
        return;
    QStringList list = entry.toStringList();
    const qsizetype index = list.indexOf(item->identifier());
    if (index < 0)
        return;
    list.removeAt(index);
    expanded.insert(root->identifier(), list);
    defaults.setValue(Prefs::OUTLINE_EXPANDED_ITEMS, expanded);
}

void FoldersNavigator::restoreExpandedItemsOfRoot(const FolderItemPtr& root)
{
    if (!root)
        return;
    m_isRestoringExpandedItems = true;
    TreeListView* list = sourceList();
    list->beginUpdates();
    const QVariant entry = UserDefaults::standard().dictionaryForKey(Prefs::OUTLINE_EXPANDED_ITEMS).value(root->identifier());
    if (isStringList(entry)) {
        for (const QString& path : entry.toStringList()) {
            std::vector<FolderItemPtr> expanded;
            revealItemAtPath(path, root, expanded);
        }
    }
    list->endUpdates();
    m_isRestoringExpandedItems = false;
}

void FoldersNavigator::setAsBaseFolder(const TreeListItemPtr& item)
{
    const FolderItemPtr folder = asFolderItem(item);
    if (!folder)
        return;
    // The root the folder lies in, by whole path components ("/a/Notes2" is not in "/a/Notes").
    FolderItemPtr root;
    for (const FolderItemPtr& candidate : rootFolders()) {
        QString rootPath = candidate->fullPath();
        while (rootPath.size() > 1 && rootPath.endsWith(QLatin1Char('/')))
            rootPath.chop(1);
        QString folderPath = folder->fullPath();
        while (folderPath.size() > 1 && folderPath.endsWith(QLatin1Char('/')))
            folderPath.chop(1);
        if (folderPath == rootPath || isPathBelow(folderPath, rootPath)) {
            root = candidate;
            break;
        }
    }
    if (!root)
        return;
    UserDefaults& defaults = UserDefaults::standard();
    QVariantMap map = defaults.dictionaryForKey(Notifications::BASE_URL_MAP);
    map.insert(root->fullPath(), folder->fullPath());
    defaults.setValue(Notifications::BASE_URL_MAP, map);
}

void FoldersNavigator::renameExpandedItems(const QString& rootIdentifier, const FolderItemPtr& root, const QString& oldPath, const QString& newPath)
{
    if (rootIdentifier.isEmpty())
        return;
    const auto renamed = [&](const QString& path) {
        if (path == oldPath)
            return newPath;
        return isPathBelow(path, oldPath) ? newPath + path.mid(oldPath.size()) : path;
    };
    UserDefaults& defaults = UserDefaults::standard();
    QVariantMap expanded = defaults.dictionaryForKey(Prefs::OUTLINE_EXPANDED_ITEMS);
    const QVariant entry = expanded.value(rootIdentifier);
    QStringList list = isStringList(entry) ? entry.toStringList() : QStringList();
    for (QString& path : list)
        path = renamed(path);
    // A renamed root files its folders under its new path.
    const QString key = renamed(rootIdentifier);
    if (root && key != rootIdentifier) {
        root->setIdentifier(key);
        expanded.remove(rootIdentifier);
    }
    if (!isStringList(entry) && key == rootIdentifier)
        return;
    expanded.insert(key, list);
    defaults.setValue(Prefs::OUTLINE_EXPANDED_ITEMS, expanded);
}

} // namespace penwick
