#include "Support/FileIcons.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>

namespace penwick {

QIcon iconForFile(const QString& path)
{
    static QFileIconProvider provider;
    const QFileInfo info(path);
    if (info.exists()) {
        // The icon theme's icon for the file's type, else the provider's generic one.
        if (info.isFile() && !info.isExecutable()) {
            const QMimeType type = QMimeDatabase().mimeTypeForFile(info);
            const QIcon themed = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
            if (!themed.isNull())
                return themed;
        }
        return provider.icon(info);
    }
    return provider.icon(QFileIconProvider::File);
}

} // namespace penwick
