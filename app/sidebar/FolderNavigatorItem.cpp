#include "sidebar/FolderNavigatorItem.h"

#include "Extensions/FileManagerAdditions.h"
#include "Extensions/StringAdditions.h"

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
    const QString old = std::exchange(m_fullPath, path);
    setTitle(lastPathComponent(path));
    if (FolderItemPtr parent = folderParent()) {
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
    if (!m_childByPath)
        buildIndex();
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
    for (std::size_t i = 0; i < siblings.size(); ++i) {
        if (siblings[i].get() == this)
            return int(i);
    }
    return std::nullopt;
}

void FolderNavigatorItem::buildIndex() const
{
    m_childByPath = std::make_unique<std::unordered_map<QString, FolderNavigatorItem*>>();
    m_childByPath->reserve(children().size());
    for (const auto& child : children()) {
        if (auto* item = dynamic_cast<FolderNavigatorItem*>(child.get()))
            m_childByPath->try_emplace(item->m_fullPath, item);
    }
}

void FolderNavigatorItem::index(FolderNavigatorItem* child)
{
    if (!m_childByPath)
        return;
    auto [it, inserted] = m_childByPath->try_emplace(child->m_fullPath, child);
    if (inserted)
        return;
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
    if (it == m_childByPath->end() || it->second != child)
        return;
    m_childByPath->erase(it);
    for (const auto& candidate : children()) {
        auto* item = dynamic_cast<FolderNavigatorItem*>(candidate.get());
        if (item && item != child && item->m_fullPath == path) {
            m_childByPath->emplace(path, item);
            return;
        }
    }
}

void FolderNavigatorItem::setChildren(std::vector<platform::TreeListItemPtr> children)
{
    TreeListItem::setChildren(std::move(children));
    m_childByPath.reset();
}

void FolderNavigatorItem::insertChildItem(const platform::TreeListItemPtr& child, std::size_t position)
{
    TreeListItem::insertChildItem(child, position);
    if (auto* item = dynamic_cast<FolderNavigatorItem*>(child.get()))
        index(item);
}

bool FolderNavigatorItem::removeChildItem(const platform::TreeListItem* child)
{
    // Keep the child alive while the index is brought up to date.
    platform::TreeListItemPtr keep;
    for (const auto& candidate : children()) {
        if (candidate.get() == child)
            keep = candidate;
    }
    if (!keep || !TreeListItem::removeChildItem(child))
        return false;
    if (auto* item = dynamic_cast<FolderNavigatorItem*>(keep.get()))
        unindex(item, item->m_fullPath);
    return true;
}

} // namespace penwick
