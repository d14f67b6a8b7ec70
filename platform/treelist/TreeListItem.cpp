#include "platform/treelist/TreeListItem.h"

#include <algorithm>

namespace penwick::platform {

TreeListItem::TreeListItem(QString title, QString identifier)
    : m_title(std::move(title))
    , m_identifier(std::move(identifier))
{
}

TreeListItem::~TreeListItem() = default;

TreeListItemPtr TreeListItem::itemWithTitle(const QString& title, const QString& identifier)
{
    return std::make_shared<TreeListItem>(title, identifier);
}

void TreeListItem::setChildren(std::vector<TreeListItemPtr> children)
{
    m_children = std::move(children);
    for (const TreeListItemPtr& child : m_children) {
        if (child)
            child->m_parent = weak_from_this();
    }
}

void TreeListItem::insertChildItem(const TreeListItemPtr& child, std::size_t index)
{
    if (!child)
        return;
    child->m_parent = weak_from_this();
    m_children.insert(m_children.begin() + std::ptrdiff_t(std::min(index, m_children.size())), child);
}

bool TreeListItem::removeChildItem(const TreeListItem* child)
{
    auto it = std::find_if(m_children.begin(), m_children.end(), [child](const TreeListItemPtr& c) { return c.get() == child; });
    if (it == m_children.end())
        return false;
    m_children.erase(it);
    return true;
}

void TreeListItem::removeChildItemsAtIndexes(const std::vector<std::size_t>& indexes)
{
    if (indexes.empty())
        return;
    std::size_t next = 0;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_children.size(); ++i) {
        if (next < indexes.size() && indexes[next] == i) {
            ++next;
            continue;
        }
        if (kept != i)
            m_children[kept] = std::move(m_children[i]);
        ++kept;
    }
    m_children.resize(kept);
}

} // namespace penwick::platform
