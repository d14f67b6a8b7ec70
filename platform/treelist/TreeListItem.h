#pragma once

#include <QMetaType>
#include <QString>

#include <memory>
#include <vector>

namespace penwick::platform {

class TreeListItem;
using TreeListItemPtr = std::shared_ptr<TreeListItem>;

// A row of a tree list: a title, an identifier and the child rows it owns. The
// parent link is non-owning, so a subtree that leaves the tree is freed.
class TreeListItem : public std::enable_shared_from_this<TreeListItem> {
public:
    TreeListItem() = default;
    TreeListItem(QString title, QString identifier);
    virtual ~TreeListItem();
    TreeListItem(const TreeListItem&) = delete;
    TreeListItem& operator=(const TreeListItem&) = delete;

    static TreeListItemPtr itemWithTitle(const QString& title, const QString& identifier);

    QString title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    QString identifier() const { return m_identifier; }
    void setIdentifier(const QString& identifier) { m_identifier = identifier; }

    const std::vector<TreeListItemPtr>& children() const { return m_children; }
    virtual void setChildren(std::vector<TreeListItemPtr> children);
    // Appends the child and makes this item its parent.
    void addChildItem(const TreeListItemPtr& child) { insertChildItem(child, m_children.size()); }
    virtual void insertChildItem(const TreeListItemPtr& child, std::size_t index);
    // Removes the child (by identity); false when it is not a child of this item.
    virtual bool removeChildItem(const TreeListItem* child);
    // Removes the children at these positions (ascending, each once) in one pass.
    virtual void removeChildItemsAtIndexes(const std::vector<std::size_t>& indexes);
    std::size_t numberOfChildren() const { return m_children.size(); }
    bool hasChildren() const { return !m_children.empty(); }

    // The item above this one, or nothing at a top-level row.
    virtual TreeListItemPtr parent() const { return m_parent.lock(); }
    void setParent(const TreeListItemPtr& parent) { m_parent = parent; }

private:
    QString m_title;
    QString m_identifier;
    std::vector<TreeListItemPtr> m_children;
    std::weak_ptr<TreeListItem> m_parent;
};

} // namespace penwick::platform

Q_DECLARE_METATYPE(penwick::platform::TreeListItemPtr)
