#include "sidebar/NoteSections.h"

#include "Extensions/Realm.h"
#include "platform/UserDefaults.h"
#include "common/AppLogger.h"
#include "common/Prefs.h"
#include "sidebar/NoteOrdering.h"
#include "sidebar/NoteSectionSupport.h"
#include "sidebar/OrderedDictionary.h"

#include <QUrl>
#include <QUuid>

namespace penwick {

namespace {

std::shared_ptr<ShadowDocumentItem> asShadowItem(const TreeListItemPtr& item)
{
    return std::dynamic_pointer_cast<ShadowDocumentItem>(item);
}

NoteSortKeys keysOfShadowRow(const TreeListItemPtr& row)
{
    const auto* item = static_cast<const ShadowDocumentItem*>(row.get());
    const ShadowDocument& note = item->underlyingDBItem();
    return { note.createdDate(), note.updatedDate(), item->title(), std::nullopt };
}

} // namespace

ShadowDocumentsNavigator::ShadowDocumentsNavigator(TreeListView* sourceList, SidebarFavorites* favorites, QObject* parent)
    : SidebarNavigator(sourceList, parent)
    , m_favorites(favorites)
{
    auto root = TreeListItem::itemWithTitle(QStringLiteral("SHADOW NOTES"), QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    root->setChildren({});
    setRootItem(root);
    rebuildChildren();
    observeDatabase();
}

ShadowDocumentsNavigator::~ShadowDocumentsNavigator()
{
    m_realmNotification.reset();
    appLog().debug(QStringLiteral("Deallocated"));
}

void ShadowDocumentsNavigator::observeDatabase()
{
    m_realmNotification.reset();
    // The context ends the observation with the section; the handle ends it earlier.
    m_realmNotification = Realm::observe(this, [this](const platform::store::StoreChange&) { reload(); });
}

bool ShadowDocumentsNavigator::isRootExpanded() const
{
    return !platform::UserDefaults::standard().boolForKey(Prefs::OUTLINE_COLLAPSE_SHADOWS);
}

bool ShadowDocumentsNavigator::owns(const TreeListItem* item) const
{
    if (!item)
        return false;
    if (item == rootItem().get())
        return true;
    const auto* row = dynamic_cast<const ShadowDocumentItem*>(item);
    return row && m_existingIds.contains(row->underlyingDBItem().id().toLower());
}

bool ShadowDocumentsNavigator::isItemExpandable(const TreeListItemPtr& item)
{
    if (!item)
        return false;
    return item == rootItem() || item->hasChildren();
}

QIcon ShadowDocumentsNavigator::iconForItem(const TreeListItemPtr& item)
{
    if (!item || item == rootItem())
        return {};
    if (const auto row = asShadowItem(item))
        return note_sections::iconForShadowDocument(row->underlyingDBItem());
    return note_sections::bundledImage(QStringLiteral("shadowNote"));
}

bool ShadowDocumentsNavigator::shouldEditItem(const TreeListItemPtr& item)
{
    return item && item != rootItem() && !item->hasChildren();
}

void ShadowDocumentsNavigator::rebuildChildren()
{
    std::vector<TreeListItemPtr> groups;
    OrderedDictionary<QString, std::vector<TreeListItemPtr>> notesBySource;
    const QList<ShadowDocument> notes = ShadowDocument::fetchAllItems();
    m_existingIds.clear();
    for (const ShadowDocument& note : notes) {
        m_existingIds.insert(note.id().toLower());
        if (note.sourceIdentifier().isNull() || note.sourceName().isNull())
            continue;
        if (!notesBySource.hasKey(note.sourceIdentifier())) {
            notesBySource.storeValue({ std::make_shared<ShadowDocumentItem>(note) }, note.sourceIdentifier());
            auto group = std::make_shared<ShadowDocumentItem>(note);
            group->setTitle(note.sourceName());
            group->setParent(rootItem());
            groups.push_back(group);
        } else {
            std::vector<TreeListItemPtr> list = notesBySource.valueForKey(note.sourceIdentifier()).value_or(std::vector<TreeListItemPtr> {});
            list.push_back(std::make_shared<ShadowDocumentItem>(note));
            notesBySource.storeValue(list, note.sourceIdentifier());
        }
    }
    std::size_t index = 0;
    for (auto [identifier, groupNotes] : notesBySource) {
        Q_UNUSED(identifier);
        // Read per group, as the settings may change between two rebuilds only.
        if (const std::optional<NoteSort> sort = readNoteSort(Prefs::SORTING_SHADOW_BY, Prefs::SORTING_SHADOW_ORDER))
            sortRows(groupNotes, *sort, keysOfShadowRow);
        groups[index++]->setChildren(std::move(groupNotes));
    }
    std::sort(groups.begin(), groups.end(), [](const TreeListItemPtr& a, const TreeListItemPtr& b) {
        return compareSidebarStrings(a->title(), b->title()) < 0;
    });
    rootItem()->setChildren(std::move(groups));
}

void ShadowDocumentsNavigator::reload()
{
    TreeListView* list = sourceList();
    QSet<QString> expanded;
    for (const TreeListItemPtr& group : rootItem()->children()) {
        if (list->isItemExpanded(group))
            expanded.insert(group->identifier());
    }
    rebuildChildren();
    list->reloadData();
    list->beginUpdates();
    for (const TreeListItemPtr& group : rootItem()->children()) {
        if (asShadowItem(group) && expanded.contains(group->identifier()))
            list->expandItem(group);
    }
    list->endUpdates();
}

void ShadowDocumentsNavigator::turnOffReload()
{
    SidebarNavigator::turnOffReload();
    m_realmNotification.reset();
}

void ShadowDocumentsNavigator::turnOnReload()
{
    SidebarNavigator::turnOnReload();
    observeDatabase();
}

void ShadowDocumentsNavigator::handleCollapse(const TreeListItemPtr& item)
{
    note_sections::storeRootCollapse(*this, item, Prefs::OUTLINE_COLLAPSE_SHADOWS, true);
}

void ShadowDocumentsNavigator::handleExpand(const TreeListItemPtr& item)
{
    note_sections::storeRootCollapse(*this, item, Prefs::OUTLINE_COLLAPSE_SHADOWS, false);
}

SidebarDocument* ShadowDocumentsNavigator::openDocument(const ShadowDocument& note)
{
    return note_sections::openNoteDocument(note, [&note](SidebarNoteDocuments& documents, SidebarDocument* document, const QUrl& url, const QString& title) {
        documents.setAsShadowDocument(document, note, note_sections::iconForShadowDocument(note), url, title);
    });
}

void ShadowDocumentsNavigator::handleSelection(const TreeListItemPtr& item)
{
    const auto row = asShadowItem(item);
    if (!row)
        return;
    if (row->hasChildren()) {
        toggleExpand(row);
        return;
    }
    setIsQuickOpenInProgress(true);
    openDocument(row->underlyingDBItem());
}

void ShadowDocumentsNavigator::handleDoubleClickForItem(const TreeListItemPtr& item)
{
    setIsQuickOpenInProgress(false);
    const auto row = asShadowItem(item);
    if (!row || row->hasChildren())
        return;
    if (SidebarDocument* document = openDocument(row->underlyingDBItem()))
        document->setIsQuickOpen(false);
}

void ShadowDocumentsNavigator::open(const TreeListItemPtr& item)
{
    handleDoubleClickForItem(item);
}

void ShadowDocumentsNavigator::rename(const TreeListItemPtr& item)
{
    if (asShadowItem(item))
        note_sections::editSelectedRow(sourceList());
}

void ShadowDocumentsNavigator::setObjectValue(const QVariant& value, const TreeListItemPtr& item)
{
    if (!item || item->hasChildren())
        return;
    note_sections::renameNoteItem<ShadowDocumentItem>(sourceList(), value, item, QStringLiteral("Error renaming shadow item "));
}

void ShadowDocumentsNavigator::addItemToFavorites(const TreeListItemPtr& item)
{
    const auto row = asShadowItem(item);
    if (!row)
        return;
    const std::optional<QUrl> url = row->underlyingDBItem().makePathURLAndTitle().first;
    if (url && !url->isEmpty()) {
        if (m_favorites)
            m_favorites->addPathToFavorites(url->toString(QUrl::FullyEncoded));
        return;
    }
    appLog().error(QStringLiteral("Cannot set shadow document ") + row->title() + QStringLiteral(" to favorites"));
}

void ShadowDocumentsNavigator::deleteItem(const TreeListItemPtr& item)
{
    const auto row = asShadowItem(item);
    if (!row) {
        appLog().warning(QStringLiteral("Error removing item from shadows"));
        return;
    }
    if (!note_sections::confirmDeletion(row->title()))
        return;
    const ShadowDocument note = row->underlyingDBItem();
    const QString title = row->title();
    m_realmNotification.reset();
    TreeListView* list = sourceList();
    list->beginUpdates();
    removeItemFromTree(row);
    const auto error = Realm::write([&](RealmTransaction& tx) { tx.remove(note); });
    if (error)
        note_sections::showErrorAlert(*error);
    else
        appLog().debug(QStringLiteral("Removed ") + title + QStringLiteral(" from shadows"));
    list->endUpdates();
    observeDatabase();
    // A group made from the deleted note would otherwise keep wrapping it, owned by no
    // section, until some later change.
    reload();
}

void ShadowDocumentsNavigator::removeItemFromTree(const TreeListItemPtr& item)
{
    const auto row = asShadowItem(item);
    if (!row)
        return;
    const TreeListItemPtr parent = row->parent();
    if (!parent)
        return;
    const auto& siblings = parent->children();
    for (std::size_t i = 0; i < siblings.size(); ++i) {
        if (siblings[i]->identifier() != row->identifier())
            continue;
        const TreeListItemPtr found = siblings[i];
        parent->removeChildItem(found.get());
        found->setParent(nullptr);
        sourceList()->removeItemsAtIndexes({ int(i) }, parent);
        break;
    }
    if (!parent->hasChildren())
        removeItemFromTree(parent);
}

TreeListItemPtr ShadowDocumentsNavigator::selectItemWithPath(const QString& noteURL)
{
    for (const TreeListItemPtr& group : rootItem()->children()) {
        if (!asShadowItem(group))
            return nullptr;
    }
    const QString host = QUrl(noteURL).host();
    if (host.isEmpty())
        return nullptr;
    for (const TreeListItemPtr& group : rootItem()->children()) {
        for (const TreeListItemPtr& row : group->children()) {
            if (row->identifier().compare(host, Qt::CaseInsensitive) == 0) {
                sourceList()->expandItem(rootItem());
                selectItem(row, false);
                return row;
            }
        }
    }
    appLog().warning(QStringLiteral("Couldn't select shadow item with path: ") + noteURL);
    return nullptr;
}

std::unique_ptr<QMenu> ShadowDocumentsNavigator::menuItemForItem(const TreeListItemPtr& item)
{
    if (item && item == rootItem())
        return note_sections::sortOptionsMenu(*this, item, [this](const TreeListItemPtr&) { showSortOptions(); });
    const auto row = asShadowItem(item);
    if (!row)
        return nullptr;
    if (row->hasChildren())
        return std::make_unique<QMenu>();
    return note_sections::noteMenu(*this, item,
        { [this](const TreeListItemPtr& target) { open(target); }, [this](const TreeListItemPtr& target) { rename(target); },
            [this](const TreeListItemPtr& target) { addItemToFavorites(target); },
            [this](const TreeListItemPtr& target) { deleteItem(target); } });
}

void ShadowDocumentsNavigator::showSortOptions()
{
    if (note_sections::runSortOptions(QStringLiteral("Shadow Notes"), Prefs::SORTING_SHADOW_BY, Prefs::SORTING_SHADOW_ORDER, { QStringLiteral("type") }))
        reload();
}

} // namespace penwick
