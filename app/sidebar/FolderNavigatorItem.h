#pragma once

#include "platform/treelist/TreeListItem.h"
#include "sidebar/TVXFileSystemFilterService.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>

namespace penwick {

class FolderNavigatorItem;
using FolderItemPtr = std::shared_ptr<FolderNavigatorItem>;

// A row of the folder tree: a root folder the user added, or a file or folder below
// one. Children are owned; `parent` and `rootFolder` are weak, so a subtree that
// leaves the tree is freed and a document keeping its row never sees a dangling one.
// Paths compare exactly (on Linux two spellings of a name are two files).
class FolderNavigatorItem : public platform::TreeListItem {
public:
    // From the folder's path: title its last component, identifier the path.
    explicit FolderNavigatorItem(const QString& path);
    static FolderItemPtr create(const QString& path);

    bool isDirectory() const { return m_isDirectory; }
    void setIsDirectory(bool value) { m_isDirectory = value; }
    QString fullPath() const { return m_fullPath; }
    // Re-titles the row; the identifier stays the path the row was made with.
    void setFullPath(const QString& path);
    FolderItemPtr rootFolder() const { return m_rootFolder.lock(); }
    void setRootFolder(const FolderItemPtr& root) { m_rootFolder = root; }
    // The folder row above; nothing for a root folder row.
    FolderItemPtr folderParent() const { return m_parent.lock(); }
    void setFolderParent(const FolderItemPtr& parent) { m_parent = parent; }
    platform::TreeListItemPtr parent() const override { return folderParent(); }
    bool isChildrenPopulated() const { return m_isChildrenPopulated; }
    void setIsChildrenPopulated(bool value) { m_isChildrenPopulated = value; }

    // The listing of one folder, filtered and in display order.
    using UrlsGenerator = std::function<std::vector<FolderEntry>(const QString& folderPath)>;
    // Reads this folder's entries into its children (appending), each with this row as
    // parent and `root` as root folder; nothing when the path is not a folder.
    void populateChildrenOfItem(const FolderItemPtr& root, const UrlsGenerator& urlsGenerator);
    // The first direct child whose full path is exactly `path`.
    FolderItemPtr findChildAtPath(const QString& path) const;
    // Position among the parent's children; nothing for a root or an item not among them.
    std::optional<int> indexInParent() const;
    // Adds up to `count` more children to the path index; true once every child is in it.
    // A huge folder's index is built this way a slice per turn, so that the first lookup
    // (the first change seen in it) does not build it whole while the window waits.
    bool indexSomeChildren(std::size_t count);

    void setChildren(std::vector<platform::TreeListItemPtr> children) override;
    void insertChildItem(const platform::TreeListItemPtr& child, std::size_t index) override;
    bool removeChildItem(const platform::TreeListItem* child) override;
    void removeChildItemsAtIndexes(const std::vector<std::size_t>& indexes) override;

private:
    void index(FolderNavigatorItem* child);
    void unindex(FolderNavigatorItem* child, const QString& path);
    // Indexes the children not yet indexed.
    void completeIndex() const;
    // Before the children change: an index built in part is completed first, so that it
    // always covers a prefix of the children as they were.
    void completeIndexInPart() const;

    bool m_isDirectory = false;
    QString m_fullPath;
    std::weak_ptr<FolderNavigatorItem> m_rootFolder;
    std::weak_ptr<FolderNavigatorItem> m_parent;
    bool m_isChildrenPopulated = false;
    // Where this row was last seen among its parent's children; checked before it is trusted.
    mutable std::size_t m_positionHint = 0;
    // First child of each full path, for lookups by path in constant time. Built on the
    // first lookup, so that opening a huge folder does not pay for it before it shows.
    // Absent until then, which also keeps each of a big folder's rows small.
    mutable std::unique_ptr<std::unordered_map<QString, FolderNavigatorItem*>> m_childByPath;
    // Children whose path an earlier child already has (never in a tree read from disk):
    // only while there are some does a removal look for the next one of its path.
    mutable std::size_t m_shadowedPaths = 0;
    // How many of the first children are in the index; all once it is complete.
    mutable std::size_t m_indexedCount = 0;
    mutable bool m_indexComplete = false;
};

} // namespace penwick
