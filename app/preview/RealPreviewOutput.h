#pragma once

#include "Models/RealPreviewItem.h"

#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <optional>

namespace penwick {

// The kind of a Real Preview site, stored as its raw value in RealPreviewItem::type.
enum class BlogType : qint64 { Other = 0, Medium = 1, GitHub = 2 };

// Where the cached page of a site lies: <data folder>/Penwick/RealPreview/<id>.html.
// Computes only; creates and checks nothing.
QString getCachedFilePathForId(const QString& id);

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
