#pragma once

#include "platform/Observation.h"
#include "sidebar/NoteItems.h"
#include "sidebar/SidebarDocumentHost.h"
#include "sidebar/SidebarNavigator.h"

#include <QSet>
#include <QUrl>

#include <memory>

namespace penwick {

class ScratchDocument;
class ShadowDocument;

// The "FAVORITES" section: files, folders and notes the user marked, kept as FavoriteDBItem
// records and rebuilt on every change of the database.
class FavoritesNavigator : public SidebarNavigator, public SidebarFavorites {
    Q_OBJECT
public:
    // `host` opens files and folders and reports failures; not owned, may be null in tests
    // that open nothing.
    explicit FavoritesNavigator(TreeListView* sourceList, SidebarDocumentHost* host = nullptr, QObject* parent = nullptr);
    ~FavoritesNavigator() override;

    qint64 orderWeight() const override { return 5; }
    bool isRootExpanded() const override;
    bool owns(const TreeListItem* item) const override;
    bool isItemExpandable(const TreeListItemPtr& item) override { return item && item == rootItem(); }
    bool hasIconForItem(const TreeListItemPtr&) override { return true; }
    QIcon iconForItem(const TreeListItemPtr& item) override;
    bool shouldEditItem(const TreeListItemPtr&) override { return false; }
    void handleSelection(const TreeListItemPtr& item) override;
    void handleDoubleClickForItem(const TreeListItemPtr& item) override;
    void handleDeleteKeyForItem(const TreeListItemPtr& item) override;
    void handleCollapse(const TreeListItemPtr& item) override;
    void handleExpand(const TreeListItemPtr& item) override;
    std::unique_ptr<QMenu> menuItemForItem(const TreeListItemPtr& item) override;

    void addPathToFavorites(const QString& path) override;
    void reloadFavorites();
    void sortFavorites();
    void openFavorite(const TreeListItemPtr& item, bool quickOpen);
    void removeFavorite(const TreeListItemPtr& item);
    void showInFinder(const TreeListItemPtr& item);
    void showSortOptions();

private:
    void confirmRemovalOfMissingFavorite(const TreeListItemPtr& item);

    SidebarDocumentHost* m_host;
    platform::Observation m_realmNotification;
};

// The "SCRATCH NOTES" section: one row per scratch note, rebuilt on every database change.
class ScratchDocumentsNavigator : public SidebarNavigator {
    Q_OBJECT
public:
    ScratchDocumentsNavigator(TreeListView* sourceList, SidebarFavorites* favorites, QObject* parent = nullptr);
    ~ScratchDocumentsNavigator() override;

    qint64 orderWeight() const override { return 15; }
    bool isRootExpanded() const override;
    bool owns(const TreeListItem* item) const override;
    bool isItemExpandable(const TreeListItemPtr& item) override { return item && item == rootItem(); }
    bool hasIconForItem(const TreeListItemPtr&) override { return true; }
    QIcon iconForItem(const TreeListItemPtr& item) override;
    bool shouldEditItem(const TreeListItemPtr&) override { return true; }
    void setObjectValue(const QVariant& value, const TreeListItemPtr& item) override;
    void handleSelection(const TreeListItemPtr& item) override;
    void handleDoubleClickForItem(const TreeListItemPtr& item) override;
    void handleDeleteKeyForItem(const TreeListItemPtr& item) override;
    void handleCollapse(const TreeListItemPtr& item) override;
    void handleExpand(const TreeListItemPtr& item) override;
    std::unique_ptr<QMenu> menuItemForItem(const TreeListItemPtr& item) override;

    void rebuildChildren();
    void open(const TreeListItemPtr& item);
    void rename(const TreeListItemPtr& item);
    void addItemToFavorites(const TreeListItemPtr& item);
    void deleteItem(const TreeListItemPtr& item);
    // Selects and scrolls to the note's row (by its note URL string); the row, or nothing.
    virtual TreeListItemPtr selectItemWithPath(const QString& noteURL);
    void showSortOptions();

    // The document now showing the note, or nothing.
    static SidebarDocument* openDocument(const ScratchDocument& note);

private:
    void sortNotes();
    void databaseChanged();

    SidebarFavorites* m_favorites;
    platform::Observation m_realmNotification;
};

// The "SHADOW NOTES" section: the shadow notes grouped under the program they came from.
class ShadowDocumentsNavigator : public SidebarNavigator {
    Q_OBJECT
public:
    ShadowDocumentsNavigator(TreeListView* sourceList, SidebarFavorites* favorites, QObject* parent = nullptr);
    ~ShadowDocumentsNavigator() override;

    qint64 orderWeight() const override { return 20; }
    bool isRootExpanded() const override;
    // The root, and rows whose note still exists.
    bool owns(const TreeListItem* item) const override;
    bool isItemExpandable(const TreeListItemPtr& item) override;
    bool hasIconForItem(const TreeListItemPtr&) override { return true; }
    QIcon iconForItem(const TreeListItemPtr& item) override;
    bool shouldEditItem(const TreeListItemPtr& item) override;
    void setObjectValue(const QVariant& value, const TreeListItemPtr& item) override;
    void handleSelection(const TreeListItemPtr& item) override;
    void handleDoubleClickForItem(const TreeListItemPtr& item) override;
    void handleCollapse(const TreeListItemPtr& item) override;
    void handleExpand(const TreeListItemPtr& item) override;
    std::unique_ptr<QMenu> menuItemForItem(const TreeListItemPtr& item) override;
    void turnOnReload() override;
    void turnOffReload() override;

    void reload();
    void rebuildChildren();
    void open(const TreeListItemPtr& item);
    void rename(const TreeListItemPtr& item);
    void addItemToFavorites(const TreeListItemPtr& item);
    void deleteItem(const TreeListItemPtr& item);
    virtual TreeListItemPtr selectItemWithPath(const QString& noteURL);
    void showSortOptions();
    // Reloads as a database change does.
    void shadowNoteUpdated() { reload(); }

    static SidebarDocument* openDocument(const ShadowDocument& note);

private:
    void observeDatabase();
    void removeItemFromTree(const TreeListItemPtr& item);

    SidebarFavorites* m_favorites;
    platform::Observation m_realmNotification;
    QSet<QString> m_existingIds; // lower-cased ids of the stored notes, as of the last rebuild
};

} // namespace penwick
