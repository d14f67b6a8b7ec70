#pragma once

#include "Extensions/FileManagerAdditions.h"
#include "Models/RealPreviewItem.h"

#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <optional>

namespace penwick {

// The kind of a Real Preview site, stored as its raw value in RealPreviewItem::type.
enum class BlogType : qint64 { Other = 0, Medium = 1, GitHub = 2 };

// The kind for a stored raw value; none for values other than 0, 1 and 2.
std::optional<BlogType> blogTypeFromRawValue(qint64 rawValue);
// The classes of the element that receives the post and of its title, known for each kind;
// empty where the user names them (Other) or where there is none (GitHub's header).
QString defaultPostClassName(BlogType type);
QString defaultHeaderClassName(BlogType type);

// Where the cached page of a site lies: <data folder>/Penwick/RealPreview/<id>.html.
// Computes only; creates and checks nothing.
QString getCachedFilePathForId(const QString& id);
// Writes a prepared page to the cache file of the site `id`, replacing the old one; the
// error when it cannot be written (also when there is no data folder at all).
[[nodiscard]] std::optional<FileError> writeCachedPage(const QString& id, const QString& page);

// One Real Preview request: the site (a copy, so that a deleted record cannot break it), its
// cached page, the rendered document fragment and front matter, and the document's base folder.
class RealPreviewOutput {
public:
    explicit RealPreviewOutput(const RealPreviewItem& item);

    const RealPreviewItem& realPreviewItem() const { return m_item; }
    QString cachedFilePath() const { return m_cachedFilePath; }

    QString htmlContent() const { return m_htmlContent; }
    void setHtmlContent(const QString& html) { m_htmlContent = html; }
    std::optional<QVariantMap> frontMatterDict() const { return m_frontMatter; }
    void setFrontMatterDict(const std::optional<QVariantMap>& frontMatter) { m_frontMatter = frontMatter; }
    QUrl baseURL() const { return m_baseURL; }
    void setBaseURL(const QUrl& url) { m_baseURL = url; }

    // The fetched page as it is cached: the repair functions (and for Medium sites the class
    // injection, with the page's start-up call disarmed) before every "</body>".
    static QString preparePageHTML(const QString& html, BlogType type);

private:
    RealPreviewItem m_item;
    QString m_cachedFilePath;
    QString m_htmlContent;
    std::optional<QVariantMap> m_frontMatter;
    QUrl m_baseURL;
};

} // namespace penwick
