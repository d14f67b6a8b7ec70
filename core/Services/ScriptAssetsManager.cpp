#include "Services/ScriptAssetsManager.h"

#include "CoreNotifications.h"
#include "platform/NotificationCenter.h"

namespace penwick {

ScriptAssetsManager& ScriptAssetsManager::sharedInstance()
{
    static ScriptAssetsManager instance(&ScriptAssetsManager::fetchFromDatabase);
    return instance;
}

ScriptAssetsManager::ScriptAssetsManager(Fetch fetch)
    : m_fetch(std::move(fetch))
{
    load();
}

void ScriptAssetsManager::load()
{
    std::optional<QList<ScriptAssetItem>> enabled;
    if (const std::optional<QList<ScriptAssetItem>> items = m_fetch ? m_fetch() : std::nullopt) {
        enabled.emplace();
        for (const ScriptAssetItem& item : *items)
            if (item.isEnabled())
                enabled->append(item);
    }
    std::shared_ptr<const ScriptAssetTags> tags = makeScriptAssetTags(enabled);
    QMutexLocker lock(&m_mutex);
    m_scriptAssetTags = std::move(tags);
}

void ScriptAssetsManager::updateScriptAssets()
{
    load();
    platform::NotificationCenter::defaultCenter().post(CoreNotifications::SCRIPT_ASSETS_UPDATED);
}

std::shared_ptr<const ScriptAssetTags> ScriptAssetsManager::getScriptAssetTags() const
{
    QMutexLocker lock(&m_mutex);
    return m_scriptAssetTags;
}

std::shared_ptr<const ScriptAssetTags> ScriptAssetsManager::makeScriptAssetTags(const std::optional<QList<ScriptAssetItem>>& items)
{
    if (!items)
        return nullptr;
    std::optional<QString> styles;
    std::optional<QString> scripts;
    for (const ScriptAssetItem& item : *items) {
        const QString url = item.url();
        if (url.endsWith(QLatin1String(".css"), Qt::CaseSensitive)) {
            QString text = styles.value_or(QStringLiteral("\n"));
            text += QStringLiteral("<link rel=\"stylesheet\" href=\"") + url + QStringLiteral("\"></link>\n");
            styles = std::move(text);
        } else if (url.endsWith(QLatin1String(".js"), Qt::CaseSensitive)) {
            QString text = scripts.value_or(QStringLiteral("\n"));
            text += QStringLiteral("<script src=\"") + url + QStringLiteral("\" type=\"text/javascript\"></script>\n");
            scripts = std::move(text);
        }
    }
    return std::make_shared<const ScriptAssetTags>(std::move(styles), std::move(scripts));
}

std::optional<QList<ScriptAssetItem>> ScriptAssetsManager::fetchFromDatabase()
{
    // An unavailable database reads as one without assets; the store reports nothing here.
    return ScriptAssetItem::fetchAllItems();
}

} // namespace penwick
