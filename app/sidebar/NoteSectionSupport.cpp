#include "sidebar/NoteSectionSupport.h"

#include "platform/Dialogs.h"
#include "platform/FileIcons.h"
#include "platform/NotificationCenter.h"
#include "platform/StandardLocations.h"
#include "platform/UserDefaults.h"
#include "common/Notifications.h"
#include "sidebar/NoteOrdering.h"

#include <QAction>
#include <QHash>

namespace penwick::note_sections {

namespace {
SidebarNoteDocuments* g_noteDocuments = nullptr;
} // namespace

} // namespace penwick::note_sections

namespace penwick {

SidebarNoteDocuments* SidebarNoteDocuments::current()
{
    return note_sections::g_noteDocuments;
}

void SidebarNoteDocuments::setCurrent(SidebarNoteDocuments* documents)
{
    note_sections::g_noteDocuments = documents;
}

} // namespace penwick

namespace penwick::note_sections {

bool confirmDeletion(const QString& title)
{
    platform::AlertSpec alert;
    alert.messageText = QStringLiteral("Delete '") + title + QStringLiteral("'?");
    alert.informativeText = QStringLiteral("You cannot undo this action");
    alert.style = platform::AlertStyle::Warning;
    alert.buttons = { QStringLiteral("Yes"), QStringLiteral("Cancel") };
    alert.cancelButton = 1;
    return platform::Dialogs::current().runModalAlert(nullptr, alert) == 0;
}

void showErrorAlert(const StoreError& error)
{
    platform::AlertSpec alert;
    alert.messageText = error.message.isEmpty() ? QStringLiteral("The operation could not be completed.") : error.message;
    alert.style = platform::AlertStyle::Warning;
    platform::Dialogs::current().runModalAlert(nullptr, alert);
}

void postMiniNoteEdited(const QString& title, const QUrl& newURL, const QUrl& oldURL)
{
    platform::NotificationCenter::defaultCenter().post(Notifications::MINI_NOTE_TITLE_EDITED, nullptr,
        { { Notifications::MINI_NOTE_EDITED_TITLE_PAYLOAD, title },
            { Notifications::MINI_NOTE_EDITED_NEWURL_PAYLOAD, newURL },
            { Notifications::MINI_NOTE_EDITED_OLDURL_PAYLOAD, oldURL } });
}

bool runSortOptions(const QString& sectionName, const QString& sortByKey, const QString& sortOrderKey, const QStringList& disabledOptions)
{
    const std::optional<NoteSort> current = readNoteSort(sortByKey, sortOrderKey);
    if (!current)
        return false;
    const auto chosen = SidebarSortingOptionsWindowController::showSortOptions(sectionName, current->by, current->order, disabledOptions);
    if (!chosen || !chosen->first || !chosen->second)
        return false;
    storeNoteSort(sortByKey, sortOrderKey, NoteSort { *chosen->first, *chosen->second });
    return true;
}

QIcon bundledImage(const QString& name)
{
    static QHash<QString, QIcon> cache;
    auto it = cache.find(name);
    if (it == cache.end())
        it = cache.insert(name, QIcon(platform::resourcesDirectory() + QStringLiteral("/Images/") + name + QStringLiteral(".svg")));
    return it.value();
}

IconSource iconSourceForShadowDocument(const ShadowDocument& note)
{
    if (note.sourcePath().isEmpty())
        return { IconSource::Kind::NoteImage, QStringLiteral("shadowNote") };
    const IconSource program { IconSource::Kind::Program, note.sourcePath() };
    // Strict parsing: a path with a space is no URL and shows the program.
    const QUrl url(note.path(), QUrl::StrictMode);
    if (!url.isValid() || note.path().isEmpty())
        return program;
    const QString scheme = url.scheme();
    if (!url.host().isEmpty() && (scheme == QLatin1String("https") || scheme == QLatin1String("http")))
        return program;
    if (!url.path().isEmpty())
        return { IconSource::Kind::File, url.path() };
    return program;
}

QIcon iconForShadowDocument(const ShadowDocument& note)
{
    const IconSource source = iconSourceForShadowDocument(note);
    switch (source.kind) {
    case IconSource::Kind::Program:
        return platform::iconForProgram(source.path, note.sourceIdentifier());
    case IconSource::Kind::File:
        return platform::iconForFile(source.path);
    case IconSource::Kind::NoteImage:
        break;
    }
    return bundledImage(source.path);
}

void addMenuEntry(QMenu& menu, SidebarNavigator& section, const QString& title, const TreeListItemPtr& item, SidebarNavigator::MenuHandler handler)
{
    QAction* entry = section.newMenuItemWithTitle(title, item, std::move(handler));
    entry->setParent(&menu);
    menu.addAction(entry);
}

std::unique_ptr<QMenu> noteMenu(SidebarNavigator& section, const TreeListItemPtr& item, const NoteMenuActions& actions)
{
    auto menu = std::make_unique<QMenu>();
    addMenuEntry(*menu, section, QStringLiteral("Open"), item, actions.open);
    addMenuEntry(*menu, section, QStringLiteral("Rename"), item, actions.rename);
    menu->addSeparator();
    addMenuEntry(*menu, section, QStringLiteral("Add to Favorites"), item, actions.addToFavorites);
    menu->addSeparator();
    addMenuEntry(*menu, section, QStringLiteral("Delete..."), item, actions.remove);
    return menu;
}

std::unique_ptr<QMenu> sortOptionsMenu(SidebarNavigator& section, const TreeListItemPtr& root, SidebarNavigator::MenuHandler show)
{
    auto menu = std::make_unique<QMenu>();
    addMenuEntry(*menu, section, QStringLiteral("Sort Options..."), root, std::move(show));
    return menu;
}

void editSelectedRow(TreeListView* list)
{
    const int row = list->selectedRow();
    if (row >= 0)
        list->editRow(row);
}

void storeRootCollapse(const SidebarNavigator& section, const TreeListItemPtr& item, const QString& key, bool collapsed)
{
    if (item && item == section.rootItem())
        platform::UserDefaults::standard().setValue(key, collapsed);
}

} // namespace penwick::note_sections
