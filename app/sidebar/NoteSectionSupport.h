#pragma once

#include "Extensions/Realm.h"
#include "common/AppLogger.h"
#include "sidebar/NoteItems.h"
#include "sidebar/SidebarNavigator.h"
#include "sidebar/SidebarNoteDocuments.h"

#include <QDateTime>
#include <QIcon>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

namespace penwick {

// What the notes sections and the favourites share: confirmations, alerts, the rename, the
// opening of a note in a tab, the sort dialog, icons and menus.
namespace note_sections {

// "Delete '<title>'?" with "Yes" and "Cancel"; true only for "Yes".
bool confirmDeletion(const QString& title);
// The store's failure as a modal warning alert.
void showErrorAlert(const StoreError& error);
// Tells open tabs of a note that it was renamed.
void postMiniNoteEdited(const QString& title, const QUrl& newURL, const QUrl& oldURL);
// Runs the sort dialog for the section; stores the choice and answers true when applied.
// Nothing happens (false) when the stored key or order names no option.
bool runSortOptions(const QString& sectionName, const QString& sortByKey, const QString& sortOrderKey, const QStringList& disabledOptions);

// The application's own image ("shadowNote", "scratchNote").
QIcon bundledImage(const QString& name);

// Where a shadow note's icon comes from: the note image, its source program, or the file the
// note belongs to.
struct IconSource {
    enum class Kind { NoteImage, Program, File };
    Kind kind = Kind::NoteImage;
    QString path;
    bool operator==(const IconSource&) const = default;
};
IconSource iconSourceForShadowDocument(const ShadowDocument& note);
QIcon iconForShadowDocument(const ShadowDocument& note);

// Opens the note: the tab already showing it comes forward, else a new untitled document
// becomes its editor through `become`. Nothing when no document can be made.
template <typename Record>
SidebarDocument* openNoteDocument(const Record& note,
    const std::function<void(SidebarNoteDocuments&, SidebarDocument*, const QUrl&, const QString&)>& become)
{
    const auto [url, title] = note.makePathURLAndTitle();
    SidebarNoteDocuments* documents = SidebarNoteDocuments::current();
    if (!url || !documents)
        return nullptr;
    if (SidebarDocument* open = documents->documentShowingNote(*url)) {
        documents->attemptedReloadOfDocument(open);
        return open;
    }
    std::optional<SidebarOpenError> error;
    SidebarDocument* document = documents->openUntitledDocument(&error);
    if (!document) {
        showErrorAlert(StoreError { StoreErrorCode::Invalid, error ? error->localizedDescription : QString() });
        return nullptr;
    }
    become(*documents, document, *url, title);
    return document;
}

// The rename of a note row: the record's title and updated date in one write. The store may
// rebuild every row inside the write, so only the record value is used afterwards. On
// failure: the warning "<prefix><title>", an alert, false. On success `afterCommit` runs
// with the updated record, then "miniNoteEdited" is posted.
template <typename Item>
bool renameNoteItem(TreeListView* list, const QVariant& value, const TreeListItemPtr& item, const QString& warningPrefix,
    const std::function<void()>& afterCommit = {})
{
    auto* row = dynamic_cast<Item*>(item.get());
    if (!row || value.typeId() != QMetaType::QString)
        return false;
    using Record = std::decay_t<decltype(row->underlyingDBItem())>;
    const QString newTitle = value.toString();
    const Record before = row->underlyingDBItem();
    const std::optional<QUrl> oldURL = before.makePathURLAndTitle().first;
    Record after = before;
    list->beginUpdates();
    row->setTitle(newTitle);
    const auto error = Realm::write([&](RealmTransaction& tx) {
        const auto stored = tx.objectForPrimaryKey<Record>(before.id());
        if (!stored) {
            tx.cancel(StoreError { StoreErrorCode::Invalid, QStringLiteral("The note no longer exists") });
            return;
        }
        after = *stored;
        after.setTitle(newTitle);
        after.setUpdatedDate(QDateTime::currentDateTimeUtc());
        tx.add(after);
    });
    if (error) {
        row->setTitle(before.title());
        appLog().warning(warningPrefix + row->title());
        showErrorAlert(*error);
        list->endUpdates();
        return false;
    }
    row->mutableRecord() = after;
    list->endUpdates();
    if (afterCommit)
        afterCommit();
    const auto [newURL, title] = after.makePathURLAndTitle();
    if (oldURL && newURL)
        postMiniNoteEdited(title, *newURL, *oldURL);
    return true;
}

// Adds an entry made by the section's factory; the menu owns it.
void addMenuEntry(QMenu& menu, SidebarNavigator& section, const QString& title, const TreeListItemPtr& item, SidebarNavigator::MenuHandler handler);
// A note row's menu: "Open", "Rename", separator, "Add to Favorites", separator, "Delete...".
struct NoteMenuActions {
    SidebarNavigator::MenuHandler open, rename, addToFavorites, remove;
};
std::unique_ptr<QMenu> noteMenu(SidebarNavigator& section, const TreeListItemPtr& item, const NoteMenuActions& actions);
// The root's menu: "Sort Options...".
std::unique_ptr<QMenu> sortOptionsMenu(SidebarNavigator& section, const TreeListItemPtr& root, SidebarNavigator::MenuHandler show);
// Starts an in-place edit of the list's selected row (the context menu selected it).
void editSelectedRow(TreeListView* list);
// Stores the root's collapse state under `key` when `item` is the section's root.
void storeRootCollapse(const SidebarNavigator& section, const TreeListItemPtr& item, const QString& key, bool collapsed);

} // namespace note_sections
} // namespace penwick
