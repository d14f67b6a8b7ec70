// The framework's queries over its records, and the note URLs.
#include "Extensions/Realm.h"
#include "Extensions/StringAdditions.h"
#include "Models/RealPreviewItem.h"
#include "Models/ScratchDocument.h"
#include "Models/ScriptAssetItem.h"
#include "Models/ShadowDocument.h"
#include "Models/Snippet.h"
#include "Models/SnippetGroup.h"

#include <QUrl>

namespace penwick {

namespace {

// Percent-encodes what may not stand in a URL query; "&", "=", "/" and the other
// characters a query allows pass unchanged.
QByteArray encodeQuery(const QString& query)
{
    return QUrl::toPercentEncoding(query, QByteArrayLiteral("!$&'()*+,;=:@/?"));
}

std::optional<QUrl> noteURL(const QString& scheme, const QString& id, const QString& title)
{
    QUrl url;
    url.setScheme(scheme);
    url.setHost(id, QUrl::StrictMode);
    url.setQuery(QString::fromLatin1(QByteArrayLiteral("title=") + encodeQuery(title)), QUrl::StrictMode);
    if (!url.isValid() || (!id.isEmpty() && url.host().isEmpty()))
        return std::nullopt;
    return url;
}

} // namespace

QList<ScratchDocument> ScratchDocument::fetchAllItems(StoreError* error)
{
    return Realm::allObjects<ScratchDocument>(error);
}

QList<ShadowDocument> ShadowDocument::fetchAllItems(StoreError* error)
{
    return Realm::allObjects<ShadowDocument>(error);
}

QList<SnippetGroup> SnippetGroup::fetchAllItems(StoreError* error)
{
    return Realm::allObjects<SnippetGroup>(error);
}

QList<Snippet> Snippet::fetchAllItems(StoreError* error)
{
    return Realm::allObjects<Snippet>(error);
}

QList<ScriptAssetItem> ScriptAssetItem::fetchAllItems(StoreError* error)
{
    platform::store::Query query;
    query.sortProperty = QStringLiteral("order");
    return Realm::objects<ScriptAssetItem>(query, error);
}

QList<RealPreviewItem> RealPreviewItem::fetchAllItems(StoreError* error)
{
    return Realm::allObjects<RealPreviewItem>(error);
}

std::optional<SnippetGroup> SnippetGroup::findGroupByTitle(const QString& title, StoreError* error)
{
    const QString wanted = title.toLower();
    for (const SnippetGroup& group : fetchAllItems(error)) {
        if (group.title().toLower() == wanted)
            return group;
    }
    return std::nullopt;
}

std::optional<SnippetLookup> Snippet::findByShortcut(const std::optional<QString>& text, StoreError* error)
{
    if (!text)
        return std::nullopt;
    const QStringList parts = text->split(QLatin1Char('.'), Qt::SkipEmptyParts);
    SnippetLookup lookup;
    if (!parts.isEmpty())
        lookup.modifier = parts.last();
    QString name = *text;
    if (lookup.modifier == QLatin1String("h") || lookup.modifier == QLatin1String("f"))
        name = parts.mid(0, parts.size() - 1).join(QLatin1Char('.'));
    if (name.isNull())
        name = QString(QLatin1String(""));

    platform::store::Query query;
    query.conditions.append({ QStringLiteral("shortcut"), name });
    query.limit = 1;
    const QList<Snippet> found = Realm::objects<Snippet>(query, error);
    if (!found.isEmpty())
        lookup.snippet = found.first();
    return lookup;
}

std::pair<std::optional<QUrl>, QString> ScratchDocument::makePathURLAndTitle() const
{
    const QString title = m_title.isNull() ? QString(QLatin1String("")) : m_title;
    return { noteURL(QStringLiteral("pwscratch"), m_id, title), title };
}

std::pair<std::optional<QUrl>, QString> ShadowDocument::makePathURLAndTitle() const
{
    QString title = m_title.isNull() ? lastPathComponent(m_path) : m_title;
    if (title.isNull())
        title = QString(QLatin1String(""));
    return { noteURL(QStringLiteral("pwshadow"), m_id, title), title };
}

} // namespace penwick
