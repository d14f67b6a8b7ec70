#include "MiniResources.h"

#include "platform/StandardLocations.h"

#include <QDir>
#include <QFileInfo>

namespace penwick {

QString miniResourcesFolder()
{
    return QDir(platform::resourcesDirectory()).filePath(QStringLiteral("mini")) + QLatin1Char('/');
}

QString miniResourcePath(const QString& name, const QString& type)
{
    const QString path = miniResourcesFolder() + name + QLatin1Char('.') + type;
    return QFileInfo(path).isFile() ? path : QString();
}

} // namespace penwick
