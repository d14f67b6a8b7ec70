#include "sidebar/NoteSections.h"

#include "Extensions/FileManagerAdditions.h"
#include "Extensions/Realm.h"
#include "Extensions/StringAdditions.h"
#include "platform/Dialogs.h"
#include "platform/FileIcons.h"
#include "platform/UserDefaults.h"
#include "common/AppLogger.h"
#include "common/MiniDocumentType.h"
#include "common/Prefs.h"
#include "sidebar/NoteOrdering.h"
#include "sidebar/NoteSectionSupport.h"

#include <QPointer>
#include <QUrl>
#include <QUuid>

namespace penwick {

namespace {

std::shared_ptr<FavoriteFileItem> asFavorite(const TreeListItemPtr& item)
{
    return std::dynamic_pointer_cast<FavoriteFileItem>(item);
}

} // namespace

FavoritesNavigator::FavoritesNavigator(TreeListView* sourceList, SidebarDocumentHost* host, QObject* parent)
    : SidebarNavigator(sourceList, parent)
    , m_host(host)
{
    auto root = TreeListItem::itemWithTitle(QStringLiteral("FAVORITES"), QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    root->setChildren({});
    setRootItem(root);
    reloadFavorites();
    m_realmNotification = Realm::observe(this, [this](const platform::store::StoreChange&) {
        reloadFavorites();
        this->sourceList()->reloadData();
    });
}

FavoritesNavigator::~FavoritesNavigator()
{
    m_realmNotification.reset();
    appLog().debug(QStringLiteral("Deallocated"));
}

bool FavoritesNavigator::isRootExpanded() const
{
    return !platform::UserDefaults::standard().boolForKey(Prefs::OUTLINE_COLLAPSE_FAVORITES);
}

bool FavoritesNavigator::owns(const TreeListItem* item) const
{
    return item && (item == rootItem().get() || dynamic_cast<const FavoriteFileItem*>(item));
}

QIcon FavoritesNavigator::iconForItem(const TreeListItemPtr& item)
{
    const auto favourite = asFavorite(item);
    if (!favourite || favourite->path().isEmpty())
        return {};
    switch (FavoriteFileItem::kindOfPath(favourite->path())) {
    case FavoriteKind::Shadow:
        return note_sections::bundledImage(QStringLiteral("shadowNote"));
    case FavoriteKind::Scratch:
        return note_sections::bundledImage(QStringLiteral("scratchNote"));
    case FavoriteKind::File:
    case FavoriteKind::Folder:
        break;
    }
    return platform::iconForFile(favourite->path());
}

void FavoritesNavigator::reloadFavorites()
{
    std::vector<TreeListItemPtr> rows;
    for (const FavoriteDBItem& record : FavoriteDBItem::fetchAllItems())
        rows.push_back(std::make_shared<FavoriteFileItem>(record));
    rootItem()->setChildren(std::move(rows));
    sortFavorites();
}

void FavoritesNavigator::sortFavorites()
{
    const std::optional<NoteSort> sort = readNoteSort(Prefs::SORTING_FAVORITES_BY, Prefs::SORTING_FAVORITES_ORDER);
    if (!sort)
        return;
    std::vector<TreeListItemPtr> rows = rootItem()->children();
    for (const TreeListItemPtr& row : rows) {
        if (!asFavorite(row))
            return;
    }
    // Each kind is decided once, before sorting: a path may turn from file to folder while
    // the sort runs, and a comparison must not change its answer.
    sortRows(rows, *sort, [](const TreeListItemPtr& row) {
        const auto* favourite = static_cast<const FavoriteFileItem*>(row.get());
        const QDateTime created = favourite->underlyingDBItem().createdDate();
        return NoteSortKeys { created, created, favourite->title(), int(FavoriteFileItem::kindOfPath(favourite->path())) };
    });
    rootItem()->setChildren(std::move(rows));
    sourceList()->reloadData();
}

void FavoritesNavigator::addPathToFavorites(const QString& path)
{
    if (!FavoriteDBItem::withPath(path).isEmpty()) {
        const auto& rows = rootItem()->children();
        const bool allFavourites = std::all_of(rows.begin(), rows.end(), [](const TreeListItemPtr& row) { return asFavorite(row) != nullptr; });
        if (allFavourites) {
            for (const TreeListItemPtr& row : rows) {
                if (asFavorite(row)->path() == path) {
                    selectItem(row, false);
                    break;
                }
            }
        }
        appLog().info(path + QStringLiteral(" is already added to favorites. Skipping"));
        return;
    }
    FavoriteDBItem record;
    record.setId(FavoriteDBItem::makeId());
    record.setPath(path);
    record.setCreatedDate(QDateTime::currentDateTimeUtc());
    const auto error = Realm::write([&](RealmTransaction& tx) {
        tx.add(record);
        appLog().info(QStringLiteral("Added ") + path + QStringLiteral(" to favorites"));
    });
    if (error) {
        note_sections::showErrorAlert(*error);
        return;
    }
    sortFavorites();
}

void FavoritesNavigator::removeFavorite(const TreeListItemPtr& item)
{
    const auto favourite = asFavorite(item);
    if (!favourite) {
        appLog().warning(QStringLiteral("Error removing item from favorites"));
        return;
    }
    const FavoriteDBItem record = favourite->underlyingDBItem();
    const QString title = favourite->title();
    TreeListView* list = sourceList();
    list->beginUpdates();
    // The commit's notification rebuilds the rows before the write returns.
    const auto error = Realm::write([&](RealmTransaction& tx) { tx.remove(record); });
    if (error) {
        note_sections::showErrorAlert(*error);
    } else {
        appLog().debug(QStringLiteral("Removed ") + title + QStringLiteral(" from favorites"));
        sortFavorites();
    }
    list->endUpdates();
}

void FavoritesNavigator::confirmRemovalOfMissingFavorite(const TreeListItemPtr& item)
{
    platform::AlertSpec alert;
    alert.messageText = QStringLiteral("'") + item->title() + QStringLiteral("' doesn't exist. Remove it from favorites?");
    alert.informativeText = QStringLiteral("This original item has either been moved or deleted.");
    alert.style = platform::AlertStyle::Warning;
    alert.buttons = { QStringLiteral("Yes"), QStringLiteral("Cancel") };
    alert.cancelButton = 1;
    if (platform::Dialogs::current().runModalAlert(nullptr, alert) == 0)
        removeFavorite(item);
}

void FavoritesNavigator::openFavorite(const TreeListItemPtr& item, bool quickOpen)
{
    const auto favourite = asFavorite(item);
    if (!favourite || favourite->path().isEmpty())
        return;
    const QString path = favourite->path();
    setIsQuickOpenInProgress(quickOpen);
    const std::optional<MiniDocumentType> type = miniDocumentType(path);
    const QUrl url(path, QUrl::StrictMode);
    if (type && url.isValid() && !url.host().isEmpty()) {
        SidebarDocument* document = nullptr;
        bool found = false;
        if (*type == MiniDocumentType::Shadow) {
            if (const auto note = Realm::objectForPrimaryKey<ShadowDocument>(url.host())) {
                found = true;
                document = ShadowDocumentsNavigator::openDocument(*note);
            }
        } else if (const auto note = Realm::objectForPrimaryKey<ScratchDocument>(url.host())) {
            found = true;
            document = ScratchDocumentsNavigator::openDocument(*note);
        }
        if (!found)
            confirmRemovalOfMissingFavorite(favourite);
        else if (!quickOpen && document)
            document->setIsQuickOpen(false);
        setIsQuickOpenInProgress(false);
        return;
    }
    const PathExistence existence = checkIfPathExists(path);
    if (!existence.exists) {
        confirmRemovalOfMissingFavorite(favourite);
        setIsQuickOpenInProgress(false);
        return;
    }
    if (existence.isDir && quickOpen) {
        setIsQuickOpenInProgress(false);
        return;
    }
    if (!m_host) {
        setIsQuickOpenInProgress(false);
        return;
    }
    const QString title = favourite->title();
    QPointer<FavoritesNavigator> self(this);
    m_host->openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), true,
        [self, quickOpen, title, path](SidebarDocument* document, bool, const std::optional<SidebarOpenError>& error) {
            if (!self)
                return;
            self->setIsQuickOpenInProgress(false);
            if (error) {
                if (self->m_host)
                    self->m_host->showErrorLoadingItem(*error, title, path);
                return;
            }
            if (document)
                document->setIsQuickOpen(quickOpen);
        });
}

void FavoritesNavigator::handleSelection(const TreeListItemPtr& item)
{
    openFavorite(item, true);
}

void FavoritesNavigator::handleDoubleClickForItem(const TreeListItemPtr& item)
{
    setIsQuickOpenInProgress(false);
    openFavorite(item, false);
}

void FavoritesNavigator::handleDeleteKeyForItem(const TreeListItemPtr& item)
{
    removeFavorite(item);
}

void FavoritesNavigator::handleCollapse(const TreeListItemPtr& item)
{
    note_sections::storeRootCollapse(*this, item, Prefs::OUTLINE_COLLAPSE_FAVORITES, true);
}

void FavoritesNavigator::handleExpand(const TreeListItemPtr& item)
{
    note_sections::storeRootCollapse(*this, item, Prefs::OUTLINE_COLLAPSE_FAVORITES, false);
}

void FavoritesNavigator::showInFinder(const TreeListItemPtr& item)
{
    const auto favourite = asFavorite(item);
    if (favourite && !favourite->path().isEmpty())
        penwick::showInFinder(favourite->path());
}

std::unique_ptr<QMenu> FavoritesNavigator::menuItemForItem(const TreeListItemPtr& item)
{
    if (item && item == rootItem())
        return note_sections::sortOptionsMenu(*this, item, [this](const TreeListItemPtr&) { showSortOptions(); });
    const auto favourite = asFavorite(item);
    if (!favourite)
        return nullptr;
    auto menu = std::make_unique<QMenu>();
    note_sections::addMenuEntry(*menu, *this, QStringLiteral("Open"), item, [this](const TreeListItemPtr& target) { handleDoubleClickForItem(target); });
    menu->addSeparator();
    note_sections::addMenuEntry(*menu, *this, QStringLiteral("Remove from Favorites"), item, [this](const TreeListItemPtr& target) { removeFavorite(target); });
    if (!FavoriteFileItem::isNoteURL(favourite->path()))
        note_sections::addMenuEntry(*menu, *this, QStringLiteral("Show in File Manager"), item, [this](const TreeListItemPtr& target) { showInFinder(target); });
    return menu;
}

void FavoritesNavigator::showSortOptions()
{
    if (note_sections::runSortOptions(QStringLiteral("Favorites"), Prefs::SORTING_FAVORITES_BY, Prefs::SORTING_FAVORITES_ORDER, { QStringLiteral("updated_date") }))
        sortFavorites();
}

} // namespace penwick
