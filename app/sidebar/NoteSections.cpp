#include "sidebar/NoteSections.h"

#include "Models/ScratchDocument.h"
#include "Models/ShadowDocument.h"

#include <QUuid>

namespace penwick {

namespace {

TreeListItemPtr groupRow(const QString& title)
{
    auto row = TreeListItem::itemWithTitle(title, QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    row->setChildren({});
    return row;
}

// Finds the row whose identifier is the note URL string and selects it.
TreeListItemPtr selectNoteRow(SidebarNavigator& section, const QString& noteURL)
{
    for (const TreeListItemPtr& row : section.rootItem()->children()) {
        if (row->identifier().compare(noteURL, Qt::CaseInsensitive) == 0) {
            section.selectItem(row, true);
            return row;
        }
    }
    return nullptr;
}

NoteOpener& scratchOpener()
{
    static NoteOpener opener;
    return opener;
}

NoteOpener& shadowOpener()
{
    static NoteOpener opener;
    return opener;
}

} // namespace

FavoritesNavigator::FavoritesNavigator(TreeListView* sourceList, QObject* parent)
    : SidebarNavigator(sourceList, parent)
{
    setRootItem(groupRow(QStringLiteral("FAVORITES")));
}

void FavoritesNavigator::addPathToFavorites(const QString&)
{
    // The favourites records and their rows come with the notes sections.
}

ScratchDocumentsNavigator::ScratchDocumentsNavigator(TreeListView* sourceList, SidebarFavorites* favorites, QObject* parent)
    : SidebarNavigator(sourceList, parent)
    , m_favorites(favorites)
{
    setRootItem(groupRow(QStringLiteral("SCRATCH NOTES")));
}

TreeListItemPtr ScratchDocumentsNavigator::selectItemWithPath(const QString& noteURL)
{
    return selectNoteRow(*this, noteURL);
}

void ScratchDocumentsNavigator::openDocument(const ScratchDocument& note)
{
    const auto [url, title] = note.makePathURLAndTitle();
    if (url && scratchOpener())
        scratchOpener()(*url, title);
}

void ScratchDocumentsNavigator::setNoteOpener(NoteOpener opener)
{
    scratchOpener() = std::move(opener);
}

ShadowDocumentsNavigator::ShadowDocumentsNavigator(TreeListView* sourceList, SidebarFavorites* favorites, QObject* parent)
    : SidebarNavigator(sourceList, parent)
    , m_favorites(favorites)
{
    setRootItem(groupRow(QStringLiteral("SHADOW NOTES")));
}

TreeListItemPtr ShadowDocumentsNavigator::selectItemWithPath(const QString& noteURL)
{
    return selectNoteRow(*this, noteURL);
}

void ShadowDocumentsNavigator::openDocument(const ShadowDocument& note)
{
    const auto [url, title] = note.makePathURLAndTitle();
    if (url && shadowOpener())
        shadowOpener()(*url, title);
}

void ShadowDocumentsNavigator::setNoteOpener(NoteOpener opener)
{
    shadowOpener() = std::move(opener);
}

} // namespace penwick
