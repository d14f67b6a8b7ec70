#include "shell/TVXDocument.h"

#include "platform/UserDefaults.h"
#include "common/Notifications.h"
#include "common/Prefs.h"
#include "sidebar/FolderNavigatorItem.h"

#include <QFileInfo>

namespace penwick {

namespace {

QUrl folderURL(const QString& path)
{
    QString folder = path;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return QUrl::fromLocalFile(folder);
}

} // namespace

std::pair<std::optional<QUrl>, DocumentBaseURLType> TVXDocument::determineBaseURLAndType() const
{
    const QString path = filePath();
    if (path.isEmpty())
        return { std::nullopt, DocumentBaseURLType::None };

    const platform::UserDefaults& defaults = platform::UserDefaults::standard();
    qint64 raw = qint64(DocumentBaseURLType::ParentPath);
    const QVariant own = defaults.dictionaryForKey(Notifications::BASE_URL_MAP_FOR_INDIE_DOCS).value(path);
    if (isStoredInteger(own))
        raw = own.toLongLong();
    else if (defaults.object(Prefs::DOC_BASEURL_TYPE).isValid())
        raw = defaults.integerForKey(Prefs::DOC_BASEURL_TYPE);

    const std::optional<DocumentBaseURLType> type = documentBaseURLTypeFromRaw(raw);
    if (!type || *type == DocumentBaseURLType::None)
        return { std::nullopt, DocumentBaseURLType::None };

    const std::shared_ptr<FolderNavigatorItem> item = fileSystemItem();
    const std::shared_ptr<FolderNavigatorItem> root = item ? item->rootFolder() : nullptr;
    if (*type == DocumentBaseURLType::RootFolder && root)
        return { folderURL(root->fullPath()), DocumentBaseURLType::RootFolder };
    if (*type == DocumentBaseURLType::CustomFolder && root) {
        const QVariant custom = defaults.dictionaryForKey(Notifications::BASE_URL_MAP).value(root->fullPath());
        if (custom.typeId() == QMetaType::QString)
            return { folderURL(custom.toString()), DocumentBaseURLType::CustomFolder };
    }
    return { folderURL(QFileInfo(path).absolutePath()), DocumentBaseURLType::ParentPath };
}

} // namespace penwick
