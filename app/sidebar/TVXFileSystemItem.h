#pragma once

#include "platform/treelist/TreeListItem.h"
#include "sidebar/TVXFileSystemFilterService.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace penwick {

// A lazily read file-system tree for a tree list: folders first, then by name, each
// folder listed through the filter service its root was given.
class TVXFileSystemItem : public platform::TreeListItem {
public:
    using Ptr = std::shared_ptr<TVXFileSystemItem>;

    static Ptr withDisplayName(const QString& name, const Ptr& parent);
    static Ptr withRelativePath(const QString& path, const Ptr& parent);
    // A "FOLDERS" root above one item named after the folder at `path`, read at once.
    static Ptr rootItemWithPath(const QString& path);

    bool isADirectory() const { return m_isADirectory; }
    void setIsADirectory(bool value) { m_isADirectory = value; }
    QString relativePath() const { return m_relativePath; }
    QString displayName() const { return m_displayName; }
    Ptr fileSystemParent() const { return m_parent.lock(); }
    std::shared_ptr<TVXFileSystemFilterService> filterService() const { return m_filterService; }

    QString fullPath() const;
    // The children, read from disk on first request.
    const std::vector<Ptr>& fileSystemChildren();
    bool isRead() const { return m_read; }
    void populateChildren();
    void sortChildren();
    int numberOfFileSystemChildren();
    Ptr childAtIndex(int index) const { return m_children.at(std::size_t(index)); }
    // The index among the parent's children; 0 without a parent; nothing when absent.
    std::optional<int> indexInParent() const;
    // Appends and sorts; on an unread item adds nothing and answers 0.
    int addChild(const Ptr& item);
    void removeChild(const TVXFileSystemItem* item);
    Ptr childAtPath(const QString& path);
    bool hasChildWithPath(const QString& path) { return childAtPath(path) != nullptr; }
    // After a move or rename.
    void updateRelativePath(const QString& newPath);
    // True while the children have not been read.
    bool hasUnreadChildren() const { return !m_read; }

private:
    void syncTreeChildren();

    bool m_isADirectory = false;
    bool m_read = false;
    QString m_relativePath;
    QString m_displayName;
    std::weak_ptr<TVXFileSystemItem> m_parent;
    std::weak_ptr<TVXFileSystemItem> m_rootItem;
    std::shared_ptr<TVXFileSystemFilterService> m_filterService;
    std::vector<Ptr> m_children;
};

} // namespace penwick
