#include "HTML/CSSLinks.h"

#include "CorePrefs.h"
#include "platform/StandardLocations.h"
#include "platform/UserDefaults.h"

#include <QFileInfo>

namespace penwick {

QString CSSLinks::styleSheetLinkForURL(const QString& url)
{
    return QStringLiteral("<link rel=\"stylesheet\" type=\"text/CSS\" href=\"") + url + QStringLiteral("\">\n");
}

QString CSSLinks::resourceFolder()
{
    const QString folder = platform::resourcesDirectory();
    return QFileInfo(folder).isDir() ? folder : QString();
}

QString CSSLinks::prismStyleSheet()
{
    const platform::UserDefaults& defaults = platform::UserDefaults::standard();
    if (!defaults.boolForKey(CorePrefs::PREVIEW_ENABLE_PRISM))
        return QString(QLatin1String(""));
    const QString resources = CSSLinks::resourceFolder();
    const QVariant theme = defaults.object(CorePrefs::PREVIEW_SYNTAX_STYLE);
    if (resources.isEmpty() || !theme.isValid() || defaults.stringForKey(CorePrefs::PREVIEW_SYNTAX_STYLE).isNull())
        return QString(QLatin1String(""));
    return QStringLiteral("<link rel='stylesheet' href='") + resources + QStringLiteral("/prismjs/CSS/")
        + defaults.stringForKey(CorePrefs::PREVIEW_SYNTAX_STYLE) + QStringLiteral(".css' data-noprefix />");
}

} // namespace penwick
