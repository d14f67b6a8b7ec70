#include "preview/RealPreviewOutput.h"

#include "CoreMagicStrings.h"
#include "Extensions/FileManagerAdditions.h"
#include "Extensions/StringAdditions.h"
#include "HTML/JSScripts.h"

namespace penwick {

QString getCachedFilePathForId(const QString& id)
{
    const QString folder = appendPathComponent(getApplicationDirectoryPath(CoreMagicStrings::APPNAME), QStringLiteral("RealPreview"));
    return appendPathComponent(folder, id) + QStringLiteral(".html");
}

RealPreviewOutput::RealPreviewOutput(const RealPreviewItem& item)
    : m_item(item)
    , m_cachedFilePath(getCachedFilePathForId(item.id()))
    , m_htmlContent(QLatin1String(""))
{
}

QString RealPreviewOutput::preparePageHTML(const QString& html, BlogType type)
{
    QString page = html;
    QString scripts = JSScripts::repairRemoteImageSourcesFunc() + JSScripts::repairLinkHrefsFunc() + JSScripts::repairLocalImageSourcesFunc();
    if (type == BlogType::Medium) {
        scripts += JSScripts::mediumClassInjectionFunc();
        page.replace(QStringLiteral("window[\"obvInit\"]"), QStringLiteral("window[\"\"]"));
    }
    page.replace(QStringLiteral("</body>"), QStringLiteral("<script>") + scripts + QStringLiteral("</script></body>"));
    return page;
}

} // namespace penwick
