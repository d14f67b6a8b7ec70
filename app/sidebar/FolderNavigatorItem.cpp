#include "sidebar/FolderNavigatorItem.h"

#include "Extensions/FileManagerAdditions.h"
#include "Extensions/StringAdditions.h"

#include <algorithm>

namespace penwick {

FolderNavigatorItem::FolderNavigatorItem(const QString& path)
    : TreeListItem(lastPathComponent(path), path)
    , m_fullPath(path)
{
}

FolderItemPtr FolderNavigatorItem::create(const QString& path)
{
    return std::make_shared<FolderNavigatorItem>(path);
}

void FolderNavigatorItem::setFullPath(const QString& path)
{
    const FolderItemPtr parent = folderParent();
    if (parent)
        parent->completeIndexInPart();
    const QString old = std::exchange(m_fullPath, path);
    setTitle(lastPathComponent(path));
    if (parent) {
        parent->unindex(this, old);
        parent->index(this);
    }
}

void FolderNavigatorItem::populateChildrenOfItem(const FolderItemPtr& root, const UrlsGenerator& urlsGenerator)
{
    setRootFolder(root);
    if (!checkIfDirectoryExists(m_fullPath) || !urlsGenerator)
        return;
    const std::vector<FolderEntry> entries = urlsGenerator(m_fullPath);
    const auto self = std::static_pointer_cast<FolderNavigatorItem>(shared_from_this());
    std::vector<platform::TreeListItemPtr> all;
    all.reserve(children().size() + entries.size());
    all.insert(all.end(), children().begin(), children().end());
    for (const FolderEntry& entry : entries) {
        FolderItemPtr child = create(entry.path);
        child->m_isDirectory = entry.isDirectory;
        child->m_parent = self;
        child->m_rootFolder = root;
        all.push_back(std::move(child));
    }
    // Appended in one step: one parent link each, and the path index is left for the first lookup.
    setChildren(std::move(all));
    m_isChildrenPopulated = true;
    m_isDirectory = true;
}

FolderItemPtr FolderNavigatorItem::findChildAtPath(const QString& path) const
{
    if (!m_indexComplete)
        completeIndex();
    auto it = m_childByPath->find(path);
    if (it == m_childByPath->end())
        return nullptr;
    return std::static_pointer_cast<FolderNavigatorItem>(it->second->shared_from_this());
}

std::optional<int> FolderNavigatorItem::indexInParent() const
{
    const FolderItemPtr parent = folderParent();
    if (!parent)
        return std::nullopt;
    const auto& siblings = parent->children();
    if (m_positionHint < siblings.size() && siblings[m_positionHint].get() == this)
        return int(m_positionHint);
    for (std::size_t i = 0; i < siblings.size(); ++i) {
        if (siblings[i].get() == this) {
            m_positionHint = i;
            return int(i);
        }
    }
    return std::nullopt;
}

bool FolderNavigatorItem::indexSomeChildren(std::size_t count)
{
    if (m_indexComplete)
        return true;
    const auto& all = children();
    if (!m_childByPath) {
        m_childByPath = std::make_unique<std::unordered_map<QString, FolderNavigatorItem*>>();
        // Room for a burst of new rows without rehashing the whole folder.
        m_childByPath->reserve(all.size() + all.size() / 4 + 16);
        m_shadowedPaths = 0;
        m_indexedCount = 0;
    }
    const std::size_t end = std::min(all.size(), m_indexedCount + count);
    for (std::size_t position = m_indexedCount; position < end; ++position) {
        if (auto* item = dynamic_cast<FolderNavigatorItem*>(all[position].get())) {
            item->m_positionHint = position;
            if (!m_childByPath->try_emplace(item->m_fullPath, item).second)
                ++m_shadowedPaths;
        }
    }
    m_indexedCount = end;
    m_indexComplete = end == all.size();
    return m_indexComplete;
}

void FolderNavigatorItem::completeIndex() const
{
    const_cast<FolderNavigatorItem*>(this)->indexSomeChildren(children().size());
}

void FolderNavigatorItem::completeIndexInPart() const
{
    if (m_childByPath && !m_indexComplete)
        completeIndex();
}

void FolderNavigatorItem::index(FolderNavigatorItem* child)
{
    if (!m_childByPath)
        return;
    auto [it, inserted] = m_childByPath->try_emplace(child->m_fullPath, child);
    if (inserted)
        return;
    ++m_shadowedPaths;
    // Keep the first in children order.
    for (const auto& candidate : children()) {
        auto* item = dynamic_cast<FolderNavigatorItem*>(candidate.get());
        if (item && item->m_fullPath == child->m_fullPath) {
            it->second = item;
            return;
        }
    }
}

void FolderNavigatorItem::unindex(FolderNavigatorItem* child, const QString& path)
{
    if (!m_childByPath)
        return;
    auto it = m_childByPath->find(path);
    if (it == m_childByPath->end())
        return;
    if (it->second != child) {
        // A shadowed one leaves.
        if (m_shadowedPaths > 0)
            --m_shadowedPaths;
        return;
    }
    m_childByPath->erase(it);
    if (m_shadowedPaths == 0)
        return;
    for (const auto& candidate : children()) {
        auto* item = dynamic_cast<FolderNavigatorItem*>(candidate.get());
        if (item && item != child && item->m_fullPath == path) {
            m_childByPath->emplace(path, item);
            --m_shadowedPaths;
            return;
        }
    }
}

void FolderNavigatorItem::setChildren(std::vector<platform::TreeListItemPtr> children)
{
    TreeListItem::setChildren(std::move(children));
    m_childByPath.reset();
    m_shadowedPaths = 0;
    m_indexedCount = 0;
    m_indexComplete = false;
}

void FolderNavigatorItem::insertChildItem(const platform::TreeListItemPtr& child, std::size_t position)
{
    completeIndexInPart();
    TreeListItem::insertChildItem(child, position);
    if (auto* item = dynamic_cast<FolderNavigatorItem*>(child.get())) {
        item->m_positionHint = std::min(position, children().size() - 1);
        index(item);
    }
}

bool FolderNavigatorItem::removeChildItem(const platform::TreeListItem* child)
{
    completeIndexInPart();
    // Keep the child alive while the index is brought up to date.
    platform::TreeListItemPtr keep;
    if (auto* item = dynamic_cast<const FolderNavigatorItem*>(child); item && item->folderParent().get() == this) {
        if (const std::optional<int> position = item->indexInParent())
            keep = children()[std::size_t(*position)];
    }
    if (!keep) {
        for (const auto& candidate : children()) {
            if (candidate.get() == child)
                keep = candidate;
        }
    }
    if (!keep || !TreeListItem::removeChildItem(child))
        return false;
    if (auto* item = dynamic_cast<FolderNavigatorItem*>(keep.get()))
        unindex(item, item->m_fullPath);
    return true;
}

void FolderNavigatorItem::removeChildItemsAtIndexes(const std::vector<std::size_t>& indexes)
{
    completeIndexInPart();
    std::vector<platform::TreeListItemPtr> removed;
    removed.reserve(indexes.size());
    for (std::size_t position : indexes) {
        if (position < children().size())
            removed.push_back(children()[position]);
    }
    TreeListItem::removeChildItemsAtIndexes(indexes);
    for (const auto& child : removed) {
        if (auto* item = dynamic_cast<FolderNavigatorItem*>(child.get()))
            unindex(item, item->m_fullPath);
    }
}

} // namespace penwick
