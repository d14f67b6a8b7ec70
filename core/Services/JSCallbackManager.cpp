#include "Services/JSCallbackManager.h"

#include "CoreMagicStrings.h"
#include "CoreNotifications.h"
#include "platform/NotificationCenter.h"
#include "platform/StandardLocations.h"

namespace penwick {

JSCallbackManager& JSCallbackManager::sharedInstance()
{
    static JSCallbackManager instance;
    return instance;
}

JSCallbackManager::JSCallbackManager(const QString& path)
    : m_path(path)
{
}

QString JSCallbackManager::pathLocked()
{
    if (m_path.isEmpty())
        m_path = platform::applicationDataDirectory(CoreMagicStrings::APPNAME) + QLatin1Char('/') + kFileName;
    return m_path;
}

QString JSCallbackManager::customJSPath()
{
    QMutexLocker lock(&m_mutex);
    return pathLocked();
}

bool JSCallbackManager::saveOnUpdateCallbackJS(const QString& js, StoreFileError* error)
{
    {
        QMutexLocker lock(&m_mutex);
        if (!TextFileStore::writeAtomically(pathLocked(), js, error))
            return false;
        m_cachedOnUpdatedJSCallback.reset();
    }
    platform::NotificationCenter::defaultCenter().post(CoreNotifications::ONUPDATE_CALLBACK_JS_UPDATED);
    return true;
}

std::optional<QString> JSCallbackManager::readOnUpdateCallbackJS(StoreFileError* error)
{
    QMutexLocker lock(&m_mutex);
    if (m_cachedOnUpdatedJSCallback)
        return m_cachedOnUpdatedJSCallback;
    std::optional<QString> text = TextFileStore::read(pathLocked(), error);
    if (text)
        m_cachedOnUpdatedJSCallback = text;
    return text;
}

} // namespace penwick
