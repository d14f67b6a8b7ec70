#include "platform/FileIcons.h"

#include "platform/DesktopEntries.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>

namespace penwick::platform {

namespace {

QFileIconProvider& provider()
{
    static QFileIconProvider instance;
    return instance;
}

QString extensionOf(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.mid(dot + 1).toLower() : QString();
}

QIcon lookUpProgramIcon(const QString& executablePath, const QString& desktopId);

} // namespace

QIcon iconForFile(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists()) {
        // The icon theme's icon for the file's type, else the provider's generic one.
        if (info.isFile() && !info.isExecutable()) {
            const QMimeType type = QMimeDatabase().mimeTypeForFile(info);
            const QIcon themed = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
            if (!themed.isNull())
                return themed;
        }
        return provider().icon(info);
    }
    return provider().icon(QFileIconProvider::File);
}

QIcon iconForFileKind(const QString& path, bool isDirectory)
{
    static QHash<QString, QIcon> cache;
    const QString kind = isDirectory ? QStringLiteral("/") : extensionOf(path);
    auto it = cache.find(kind);
    if (it == cache.end()) {
        const QIcon icon = isDirectory ? provider().icon(QAbstractFileIconProvider::Folder) : provider().icon(QFileInfo(path));
        it = cache.insert(kind, icon.isNull() ? provider().icon(QAbstractFileIconProvider::File) : icon);
    }
    return it.value();
}

QIcon iconForProgram(const QString& executablePath, const QString& desktopId)
{
    // Looking an entry up reads every desktop file: once per program is enough.
    static QHash<QString, QIcon> cache;
    const QString key = desktopId + QLatin1Char('\n') + executablePath;
    if (const auto it = cache.constFind(key); it != cache.constEnd())
        return it.value();
    QIcon icon = lookUpProgramIcon(executablePath, desktopId);
    cache.insert(key, icon);
    return icon;
}

} // namespace penwick::platform

namespace penwick::platform {
namespace {

QIcon lookUpProgramIcon(const QString& executablePath, const QString& desktopId)
{
    std::optional<DesktopEntry> entry = DesktopEntries::entryForId(desktopId);
    if (!entry || entry->icon.isEmpty())
        entry = DesktopEntries::entryForExecutable(executablePath);
    if (entry && !entry->icon.isEmpty()) {
        if (QFileInfo(entry->icon).isAbsolute())
            return QIcon(entry->icon);
        const QIcon themed = QIcon::fromTheme(entry->icon);
        if (!themed.isNull())
            return themed;
        // Desktop entries may name an image of the pixmaps folder instead of a theme icon.
        for (const char* extension : { ".png", ".svg", ".xpm" }) {
            const QString pixmap = QStringLiteral("/usr/share/pixmaps/") + entry->icon + QLatin1String(extension);
            if (QFileInfo::exists(pixmap))
                return QIcon(pixmap);
        }
    }
    const QIcon generic = QIcon::fromTheme(QStringLiteral("application-x-executable"));
    return generic.isNull() ? provider().icon(QAbstractFileIconProvider::File) : generic;
}

} // namespace

} // namespace penwick::platform
