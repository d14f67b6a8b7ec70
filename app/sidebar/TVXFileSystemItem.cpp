#include "sidebar/TVXFileSystemItem.h"

#include "Extensions/FileManagerAdditions.h"
#include "Extensions/StringAdditions.h"

#include <QUuid>

#include <algorithm>

namespace penwick {

TVXFileSystemItem::Ptr TVXFileSystemItem::withDisplayName(const QString& name, const Ptr& parent)
{
    auto item = std::make_shared<TVXFileSystemItem>();
    item->m_displayName = name;
    item->setTitle(name);
    item->m_parent = parent;
    if (parent) {
        item->m_filterService = parent->m_filterService;
        item->m_rootItem = parent->m_rootItem;
    }
    return item;
}

TVXFileSystemItem::Ptr TVXFileSystemItem::withRelativePath(const QString& path, const Ptr& parent)
{
    Ptr item = withDisplayName(lastPathComponent(path), parent);
    item->m_relativePath = path;
    return item;
}

TVXFileSystemItem::Ptr TVXFileSystemItem::rootItemWithPath(const QString& path)
{
    Ptr root = withRelativePath(path, nullptr);
    root->m_rootItem = root;
    root->m_filterService = std::make_shared<TVXFileSystemFilterService>();
    root->m_isADirectory = true;
    // The single child named after the folder; it carries the folder's whole path.
    Ptr folder = withDisplayName(lastPathComponent(path), root);
    folder->m_relativePath = path;
    folder->m_isADirectory = checkIfDirectoryExists(path);
    folder->m_parent.reset();
    folder->m_rootItem = root;
    root->m_children = { folder };
    root->m_read = true;
    root->syncTreeChildren();
    folder->populateChildren();
    root->m_displayName = QStringLiteral("FOLDERS");
    root->setTitle(root->m_displayName);
    root->setIdentifier(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    return root;
}

QString TVXFileSystemItem::fullPath() const
{
    if (Ptr parent = m_parent.lock())
        return appendPathComponent(parent->fullPath(), m_relativePath);
    return m_relativePath;
}

const std::vector<TVXFileSystemItem::Ptr>& TVXFileSystemItem::fileSystemChildren()
{
    if (!m_read)
        populateChildren();
    return m_children;
}

void TVXFileSystemItem::populateChildren()
{
    const QString path = fullPath();
    if (!checkIfDirectoryExists(path) || !m_filterService)
        return;
    const auto entries = m_filterService->getFilteredContentsForDirectoryAtPath(path);
    std::vector<Ptr> children;
    const auto self = std::static_pointer_cast<TVXFileSystemItem>(shared_from_this());
    if (entries) {
        children.reserve(entries->size());
        for (const FolderEntry& entry : *entries) {
            Ptr child = withRelativePath(lastPathComponent(entry.path), self);
            child->m_isADirectory = entry.isDirectory;
            children.push_back(child);
        }
    }
    m_children = std::move(children);
    m_read = true;
    m_isADirectory = true;
    sortChildren();
}

void TVXFileSystemItem::sortChildren()
{
    std::stable_sort(m_children.begin(), m_children.end(), [](const Ptr& a, const Ptr& b) {
        if (a->m_isADirectory != b->m_isADirectory)
            return a->m_isADirectory;
        return a->m_displayName < b->m_displayName;
    });
    syncTreeChildren();
}

void TVXFileSystemItem::syncTreeChildren()
{
    std::vector<platform::TreeListItemPtr> rows(m_children.begin(), m_children.end());
    TreeListItem::setChildren(std::move(rows));
}

int TVXFileSystemItem::numberOfFileSystemChildren()
{
    if (!m_isADirectory && m_read)
        return 0;
    return int(fileSystemChildren().size());
}

std::optional<int> TVXFileSystemItem::indexInParent() const
{
    const Ptr parent = m_parent.lock();
    if (!parent)
        return 0;
    for (std::size_t i = 0; i < parent->m_children.size(); ++i) {
        if (parent->m_children[i].get() == this)
            return int(i);
    }
    return std::nullopt;
}

int TVXFileSystemItem::addChild(const Ptr& item)
{
    if (!m_read || !item)
        return 0;
    m_children.push_back(item);
    sortChildren();
    for (std::size_t i = 0; i < m_children.size(); ++i) {
        if (m_children[i] == item)
            return int(i);
    }
    return 0;
}

void TVXFileSystemItem::removeChild(const TVXFileSystemItem* item)
{
    std::erase_if(m_children, [item](const Ptr& child) { return child.get() == item; });
    syncTreeChildren();
}

TVXFileSystemItem::Ptr TVXFileSystemItem::childAtPath(const QString& path)
{
    for (const Ptr& child : fileSystemChildren()) {
        if (child->fullPath() == path)
            return child;
    }
    return nullptr;
}

void TVXFileSystemItem::updateRelativePath(const QString& newPath)
{
    const Ptr parent = m_parent.lock();
    const Ptr root = m_rootItem.lock();
    m_relativePath = (parent == root) ? newPath : lastPathComponent(newPath);
    m_displayName = lastPathComponent(newPath);
    setTitle(m_displayName);
}

} // namespace penwick
