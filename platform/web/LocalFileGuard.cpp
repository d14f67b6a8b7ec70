#include "platform/web/LocalFileGuard.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace penwick::platform {

LocalFileGuard::LocalFileGuard(QStringList allowedFolders, QObject* parent)
    : QWebEngineUrlRequestInterceptor(parent)
{
    for (const QString& folder : allowedFolders) {
        const QString canonical = QFileInfo(folder).canonicalFilePath();
        if (!canonical.isEmpty())
            m_allowed.append(canonical.endsWith(QLatin1Char('/')) ? canonical : canonical + QLatin1Char('/'));
    }
}

bool LocalFileGuard::refuses(const QUrl& url, QWebEngineUrlRequestInfo::ResourceType type) const
{
    switch (type) {
    case QWebEngineUrlRequestInfo::ResourceTypeXhr:
    case QWebEngineUrlRequestInfo::ResourceTypeSubFrame:
    case QWebEngineUrlRequestInfo::ResourceTypeObject:
    case QWebEngineUrlRequestInfo::ResourceTypePrefetch:
        break;
    default:
        return false;
    }
    if (!url.isLocalFile() && url.scheme().compare(QLatin1String("file"), Qt::CaseInsensitive) != 0)
        return false;
    // Links and "..": compare where the file really is; a missing file is refused too.
    const QString canonical = QFileInfo(url.toLocalFile()).canonicalFilePath();
    if (canonical.isEmpty())
        return true;
    for (const QString& folder : m_allowed) {
        if (canonical.startsWith(folder))
            return false;
    }
    return true;
}

void LocalFileGuard::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    if (refuses(info.requestUrl(), info.resourceType()))
        info.block(true);
}

} // namespace penwick::platform
