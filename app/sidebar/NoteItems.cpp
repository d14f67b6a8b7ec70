#include "sidebar/NoteItems.h"

#include "Extensions/FileManagerAdditions.h"
#include "Extensions/StringAdditions.h"
#include "common/MiniDocumentType.h"

#include <QUrl>
#include <QUrlQuery>

namespace penwick {

QString ShadowDocumentItem::lastPathComponentOf(const QString& path)
{
    return lastPathComponent(path);
}

FavoriteFileItem::FavoriteFileItem(FavoriteDBItem favourite)
    : RecordItem(std::move(favourite))
{
    setIdentifier(fileName(path()));
    setTitle(titleForPath(path()));
}

bool FavoriteFileItem::isNoteURL(const QString& path)
{
    return miniDocumentType(path).has_value();
}

QString FavoriteFileItem::titleForPath(const QString& path)
{
    if (isNoteURL(path)) {
        const QUrlQuery query(QUrl(path, QUrl::StrictMode));
        for (const auto& [name, value] : query.queryItems(QUrl::FullyDecoded)) {
            if (name == QLatin1String("title"))
                return value.isEmpty() ? QStringLiteral("[unknown]") : value;
        }
        return QStringLiteral("[unknown]");
    }
    return fileName(path);
}

FavoriteKind FavoriteFileItem::kindOfPath(const QString& path)
{
    if (const auto type = miniDocumentType(path))
        return *type == MiniDocumentType::Shadow ? FavoriteKind::Shadow : FavoriteKind::Scratch;
    return checkIfDirectoryExists(path) ? FavoriteKind::Folder : FavoriteKind::File;
}

} // namespace penwick
