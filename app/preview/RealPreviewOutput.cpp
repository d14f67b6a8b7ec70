#include "preview/RealPreviewOutput.h"

#include "CoreMagicStrings.h"
#include "Extensions/FileManagerAdditions.h"
#include "Extensions/StringAdditions.h"
#include "HTML/JSScripts.h"

#include <cerrno>

namespace penwick {

std::optional<BlogType> blogTypeFromRawValue(qint64 rawValue)
{
    switch (rawValue) {
    case qint64(BlogType::Other):
    case qint64(BlogType::Medium):
    case qint64(BlogType::GitHub):
        return BlogType(rawValue);
    default:
        return std::nullopt;
    }
}

QString defaultPostClassName(BlogType type)
{
    switch (type) {
    case BlogType::Medium:
        return QStringLiteral("section-inner");
    case BlogType::GitHub:
        return QStringLiteral("markdown-body");
    case BlogType::Other:
        break;
    }
    return QStringLiteral("");
}

QString defaultHeaderClassName(BlogType type)
{
    return type == BlogType::Medium ? QStringLiteral("graf--h3") : QStringLiteral("");
}

QString getCachedFilePathForId(const QString& id)
{
    const QString folder = appendPathComponent(getApplicationDirectoryPath(CoreMagicStrings::APPNAME), QStringLiteral("RealPreview"));
    return appendPathComponent(folder, id) + QStringLiteral(".html");
}

std::optional<FileError> writeCachedPage(const QString& id, const QString& page)
{
    if (getApplicationDirectoryPath(CoreMagicStrings::APPNAME).isEmpty())
        return FileError { FileError::posixDomain, ENOENT, QStringLiteral("There is no data folder to cache the page in."), {} };
    return writeToFile(page, getCachedFilePathForId(id));
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
