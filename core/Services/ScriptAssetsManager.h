#pragma once

#include "Models/ScriptAssetItem.h"

#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace penwick {

// The ready HTML of the enabled script assets: style-sheet links for before the body
// content and script elements for after it. Immutable once made.
class ScriptAssetTags {
public:
    ScriptAssetTags(std::optional<QString> beforeBodyTags, std::optional<QString> afterBodyTags)
        : m_beforeBodyTags(std::move(beforeBodyTags))
        , m_afterBodyTags(std::move(afterBodyTags))
    {
    }

    const std::optional<QString>& beforeBodyTags() const { return m_beforeBodyTags; }
    const std::optional<QString>& afterBodyTags() const { return m_afterBodyTags; }

private:
    const std::optional<QString> m_beforeBodyTags;
    const std::optional<QString> m_afterBodyTags;
};

// Keeps the script-asset tags of every page, rebuilt from the database only by load().
// The held tags are swapped whole under a lock, so pages assembled on other threads always
// see one complete set.
class ScriptAssetsManager {
public:
    // All stored assets in ascending order, or nothing when they cannot be read.
    using Fetch = std::function<std::optional<QList<ScriptAssetItem>>()>;

    // Created and loaded from the database on first access.
    static ScriptAssetsManager& sharedInstance();

    // A manager over another source; it loads once here.
    explicit ScriptAssetsManager(Fetch fetch);
    ScriptAssetsManager(const ScriptAssetsManager&) = delete;
    ScriptAssetsManager& operator=(const ScriptAssetsManager&) = delete;

    void load();
    // load(), then posts SCRIPT_ASSETS_UPDATED.
    void updateScriptAssets();
    std::shared_ptr<const ScriptAssetTags> getScriptAssetTags() const;

    // Style sheets (URL ending in ".css") become links, scripts (".js") script elements,
    // anything else is left out; endings compare exactly. No list gives no tags. The items'
    // enabled flags are not looked at here: load() passes only the enabled ones.
    static std::shared_ptr<const ScriptAssetTags> makeScriptAssetTags(const std::optional<QList<ScriptAssetItem>>& items);

    // Every stored asset, in ascending order, from the shared database.
    static std::optional<QList<ScriptAssetItem>> fetchFromDatabase();

private:
    Fetch m_fetch;
    mutable QMutex m_mutex;
    std::shared_ptr<const ScriptAssetTags> m_scriptAssetTags;
};

} // namespace penwick
