#pragma once

#include "sidebar/SidebarDocumentHost.h"
#include "sidebar/SidebarNavigator.h"

#include <QUrl>

#include <functional>

namespace penwick {

class ScratchDocument;
class ShadowDocument;

// The favourites section's place in the sidebar: its group row and weight, and the
// entry points the folders section and the sidebar manager call. The notes
// subsystem gives the rows and the database behind them.
class FavoritesNavigator : public SidebarNavigator, public SidebarFavorites {
    Q_OBJECT
public:
    explicit FavoritesNavigator(TreeListView* sourceList, QObject* parent = nullptr);
    qint64 orderWeight() const override { return 5; }
    bool owns(const TreeListItem* item) const override { return isInOwnSubtree(item); }
    bool isItemExpandable(const TreeListItemPtr& item) override { return item == rootItem(); }
    void addPathToFavorites(const QString& path) override;
};

// Opens a note in an editor tab (the open tab of that note, else a new one); set by the shell.
using NoteOpener = std::function<void(const QUrl& noteURL, const QString& title)>;

// The scratch-notes section's place in the sidebar.
class ScratchDocumentsNavigator : public SidebarNavigator {
    Q_OBJECT
public:
    ScratchDocumentsNavigator(TreeListView* sourceList, SidebarFavorites* favorites, QObject* parent = nullptr);
    qint64 orderWeight() const override { return 15; }
    bool owns(const TreeListItem* item) const override { return isInOwnSubtree(item); }
    bool isItemExpandable(const TreeListItemPtr& item) override { return item == rootItem(); }
    // Selects and scrolls to the note's row (by its note URL string); the row, or nothing.
    virtual TreeListItemPtr selectItemWithPath(const QString& noteURL);

    static void openDocument(const ScratchDocument& note);
    static void setNoteOpener(NoteOpener opener);

protected:
    SidebarFavorites* favorites() const { return m_favorites; }

private:
    SidebarFavorites* m_favorites;
};

// The shadow-notes section's place in the sidebar.
class ShadowDocumentsNavigator : public SidebarNavigator {
    Q_OBJECT
public:
    ShadowDocumentsNavigator(TreeListView* sourceList, SidebarFavorites* favorites, QObject* parent = nullptr);
    qint64 orderWeight() const override { return 20; }
    bool owns(const TreeListItem* item) const override { return isInOwnSubtree(item); }
    bool isItemExpandable(const TreeListItemPtr& item) override { return item == rootItem(); }
    virtual TreeListItemPtr selectItemWithPath(const QString& noteURL);

    static void openDocument(const ShadowDocument& note);
    static void setNoteOpener(NoteOpener opener);

protected:
    SidebarFavorites* favorites() const { return m_favorites; }

private:
    SidebarFavorites* m_favorites;
};

} // namespace penwick
