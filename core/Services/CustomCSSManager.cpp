#include "Services/CustomCSSManager.h"

#include "CoreNotifications.h"

namespace penwick {

CustomCSSManager& CustomCSSManager::sharedInstance()
{
    static CustomCSSManager instance;
    return instance;
}

CustomCSSManager::CustomCSSManager(const QString& path)
    : m_store(kFileName, CoreNotifications::CUSTOM_CSS_UPDATED, path)
{
}

} // namespace penwick
