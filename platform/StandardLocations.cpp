#include "platform/StandardLocations.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace penwick::platform {

QString applicationDataDirectory(const QString& appName)
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        return {};
    return QDir(base).filePath(appName);
}

QString configDirectory(const QString& appName)
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)).filePath(appName);
}

QString runtimeDirectory()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    QDir().mkpath(folder);
    return folder;
}

QString resourcesDirectory()
{
    const QByteArray env = qgetenv("PENWICK_RESOURCES");
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    const QString appDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                       : QDir::currentPath();
    return QDir::cleanPath(appDir + QStringLiteral("/../share/penwick"));
}

} // namespace penwick::platform
