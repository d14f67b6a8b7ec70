#include "sidebar/NoteSections.h"

#include "Extensions/Realm.h"
#include "platform/UserDefaults.h"
#include "common/AppLogger.h"
#include "common/Prefs.h"
#include "sidebar/NoteOrdering.h"
#include "sidebar/NoteSectionSupport.h"

#include <QUrl>
#include <QUuid>

namespace penwick {

namespace {

std::shared_ptr<ScratchDocumentItem> asScratchItem(const TreeListItemPtr& item)
{
    return std::dynamic_pointer_cast<ScratchDocumentItem>(item);
}

NoteSortKeys keysOfScratchRow(const TreeListItemPtr& row)
{
    const auto* item = static_cast<const ScratchDocumentItem*>(row.get());
    const ScratchDocument& note = item->underlyingDBItem();
    // A note without a title sorts as an empty one.
    return { note.createdDate(), note.updatedDate(), item->title().isNull() ? QString(QLatin1String("")) : item->title(), std::nullopt };
}

} // namespace

ScratchDocumentsNavigator::ScratchDocumentsNavigator(TreeListView* sourceList, SidebarFavorites* favorites, QObject* parent)
    : SidebarNavigator(sourceList, parent)
    , m_favorites(favorites)
{
    auto root = TreeListItem::itemWithTitle(QStringLiteral("SCRATCH NOTES"), QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    root->setChildren({});
    setRootItem(root);
    rebuildChildren();
    m_realmNotification = Realm::observe(this, [this](const platform::store::StoreChange&) { databaseChanged(); });
}

ScratchDocumentsNavigator::~ScratchDocumentsNavigator()
{
    m_realmNotification.reset();
    appLog().debug(QStringLiteral("Deallocated"));
}

bool ScratchDocumentsNavigator::isRootExpanded() const
{
    return !platform::UserDefaults::standard().boolForKey(Prefs::OUTLINE_COLLAPSE_SCRATCHES);
}

bool ScratchDocumentsNavigator::owns(const TreeListItem* item) const
{
    return item && (item == rootItem().get() || dynamic_cast<const ScratchDocumentItem*>(item));
}

QIcon ScratchDocumentsNavigator::iconForItem(const TreeListItemPtr&)
{
    return note_sections::bundledImage(QStringLiteral("scratchNote"));
}

void ScratchDocumentsNavigator::rebuildChildren()
{
    std::vector<TreeListItemPtr> rows;
    for (const ScratchDocument& note : ScratchDocument::fetchAllItems())
        rows.push_back(std::make_shared<ScratchDocumentItem>(note));
    rootItem()->setChildren(std::move(rows));
    sortNotes();
}

void ScratchDocumentsNavigator::sortNotes()
{
    const std::optional<NoteSort> sort = readNoteSort(Prefs::SORTING_SCRATCH_BY, Prefs::SORTING_SCRATCH_ORDER);
    if (!sort)
        return;
    std::vector<TreeListItemPtr> rows = rootItem()->children();
    for (const TreeListItemPtr& row : rows) {
        if (!asScratchItem(row))
            return;
    }
    sortRows(rows, *sort, keysOfScratchRow);
    rootItem()->setChildren(std::move(rows));
    sourceList()->reloadData();
}

void ScratchDocumentsNavigator::databaseChanged()
{
    rebuildChildren();
    sourceList()->reloadData();
}

void ScratchDocumentsNavigator::handleCollapse(const TreeListItemPtr& item)
{
    note_sections::storeRootCollapse(*this, item, Prefs::OUTLINE_COLLAPSE_SCRATCHES, true);
}

void ScratchDocumentsNavigator::handleExpand(const TreeListItemPtr& item)
{
    note_sections::storeRootCollapse(*this, item, Prefs::OUTLINE_COLLAPSE_SCRATCHES, false);
}

SidebarDocument* ScratchDocumentsNavigator::openDocument(const ScratchDocument& note)
{
    return note_sections::openNoteDocument(note, [&note](SidebarNoteDocuments& documents, SidebarDocument* document, const QUrl& url, const QString& title) {
        documents.setAsScratchDocument(document, note, url, title);
    });
}

void ScratchDocumentsNavigator::handleSelection(const TreeListItemPtr& item)
{
    const auto row = asScratchItem(item);
    if (!row)
        return;
    setIsQuickOpenInProgress(true);
    openDocument(row->underlyingDBItem());
}

void ScratchDocumentsNavigator::handleDoubleClickForItem(const TreeListItemPtr& item)
{
    setIsQuickOpenInProgress(false);
    const auto row = asScratchItem(item);
    if (!row)
        return;
    if (SidebarDocument* document = openDocument(row->underlyingDBItem()))
        document->setIsQuickOpen(false);
}

void ScratchDocumentsNavigator::open(const TreeListItemPtr& item)
{
    if (asScratchItem(item))
        handleDoubleClickForItem(item);
}

void ScratchDocumentsNavigator::rename(const TreeListItemPtr& item)
{
    if (asScratchItem(item))
        note_sections::editSelectedRow(sourceList());
}

void ScratchDocumentsNavigator::setObjectValue(const QVariant& value, const TreeListItemPtr& item)
{
    note_sections::renameNoteItem<ScratchDocumentItem>(sourceList(), value, item, QStringLiteral("Error renaming scratch item "),
        [this] { sortNotes(); });
}

void ScratchDocumentsNavigator::handleDeleteKeyForItem(const TreeListItemPtr& item)
{
    deleteItem(item);
}

void ScratchDocumentsNavigator::deleteItem(const TreeListItemPtr& item)
{
    const auto row = asScratchItem(item);
    if (!row) {
        appLog().warning(QStringLiteral("Error removing item from scratches"));
        return;
    }
    const QString title = row->title();
    if (!note_sections::confirmDeletion(title))
        return;
    const ScratchDocument note = row->underlyingDBItem();
    // The commit's notification rebuilds the rows before the write returns.
    if (const auto error = Realm::write([&](RealmTransaction& tx) { tx.remove(note); })) {
        note_sections::showErrorAlert(*error);
        return;
    }
    appLog().debug(QStringLiteral("Removed ") + title + QStringLiteral(" from scratches"));
    sortNotes();
}

void ScratchDocumentsNavigator::addItemToFavorites(const TreeListItemPtr& item)
{
    const auto row = asScratchItem(item);
    if (!row)
        return;
    const std::optional<QUrl> url = row->underlyingDBItem().makePathURLAndTitle().first;
    if (!url || url->isEmpty()) {
        appLog().error(QStringLiteral("Cannot set scratch document ") + row->title() + QStringLiteral(" to favorites"));
        return;
    }
    if (m_favorites)
        m_favorites->addPathToFavorites(url->toString(QUrl::FullyEncoded));
}

TreeListItemPtr ScratchDocumentsNavigator::selectItemWithPath(const QString& noteURL)
{
    const auto& rows = rootItem()->children();
    for (const TreeListItemPtr& row : rows) {
        if (!asScratchItem(row))
            return nullptr;
    }
    const QUrl url(noteURL);
    if (!url.isValid() || url.host().isEmpty())
        return nullptr;
    for (const TreeListItemPtr& row : rows) {
        if (row->identifier().compare(url.host(), Qt::CaseInsensitive) == 0) {
            sourceList()->expandItem(rootItem());
            selectItem(row, false);
            return row;
        }
    }
    return nullptr;
}

std::unique_ptr<QMenu> ScratchDocumentsNavigator::menuItemForItem(const TreeListItemPtr& item)
{
    if (item && item == rootItem())
        return note_sections::sortOptionsMenu(*this, item, [this](const TreeListItemPtr&) { showSortOptions(); });
    if (!asScratchItem(item))
        return nullptr;
    return note_sections::noteMenu(*this, item,
        { [this](const TreeListItemPtr& target) { open(target); }, [this](const TreeListItemPtr& target) { rename(target); },
            [this](const TreeListItemPtr& target) { addItemToFavorites(target); },
            [this](const TreeListItemPtr& target) { deleteItem(target); } });
}

void ScratchDocumentsNavigator::showSortOptions()
{
    if (note_sections::runSortOptions(QStringLiteral("Scratch Notes"), Prefs::SORTING_SCRATCH_BY, Prefs::SORTING_SCRATCH_ORDER, { QStringLiteral("type") }))
        sortNotes();
}

} // namespace penwick
