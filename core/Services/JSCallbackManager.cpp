#include "Services/JSCallbackManager.h"

#include "CoreNotifications.h"

namespace penwick {

JSCallbackManager& JSCallbackManager::sharedInstance()
{
    static JSCallbackManager instance;
    return instance;
}

JSCallbackManager::JSCallbackManager(const QString& path)
    : m_store(kFileName, CoreNotifications::ONUPDATE_CALLBACK_JS_UPDATED, path)
{
}

} // namespace penwick
