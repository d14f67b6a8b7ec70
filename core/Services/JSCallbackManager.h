#pragma once

#include "Services/CustomCSSManager.h"

#include <QMutex>
#include <QString>

#include <optional>

namespace penwick {

// The user's update callback ("onupdate_callback.js" in the application folder), built
// like the style-sheet store: read at most once between saves, safe from any thread.
class JSCallbackManager {
public:
    static inline const QString kFileName = QStringLiteral("onupdate_callback.js");

    static JSCallbackManager& sharedInstance();

    explicit JSCallbackManager(const QString& path = QString());
    JSCallbackManager(const JSCallbackManager&) = delete;
    JSCallbackManager& operator=(const JSCallbackManager&) = delete;

    // Writes the callback, empties the cache and posts ONUPDATE_CALLBACK_JS_UPDATED.
    bool saveOnUpdateCallbackJS(const QString& js, StoreFileError* error = nullptr);
    // Present on success, also when the text is empty.
    std::optional<QString> readOnUpdateCallbackJS(StoreFileError* error = nullptr);

    QString customJSPath();

private:
    QString pathLocked();

    QMutex m_mutex;
    QString m_path;
    std::optional<QString> m_cachedOnUpdatedJSCallback;
};

} // namespace penwick
