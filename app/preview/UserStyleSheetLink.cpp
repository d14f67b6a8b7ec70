#include "preview/UserStyleSheetLink.h"

#include "HTML/CSSLinks.h"
#include "Services/CustomCSSManager.h"
#include "platform/web/PageScheme.h"

#include <QDateTime>
#include <QFileInfo>
#include <QUrl>

namespace penwick {

QString userStyleSheetLink()
{
    const QString path = CustomCSSManager::sharedInstance().customCSSPath();
    const QFileInfo file(path);
    if (path.isEmpty() || !file.isFile() || file.size() == 0)
        return QString();
    platform::PageScheme::instance()->addSharedFile(path);
    QUrl url = QUrl::fromLocalFile(path);
    url.setQuery(QStringLiteral("v=%1-%2").arg(file.lastModified().toMSecsSinceEpoch()).arg(file.size()));
    return CSSLinks::styleSheetLinkForURL(url.toString(QUrl::FullyEncoded));
}

} // namespace penwick
