#pragma once

#include "Services/TextFileStore.h"

#include <QString>

#include <optional>

namespace penwick {

// The user's update callback ("onupdate_callback.js" in the application folder), the same
// store as the style sheet's: read at most once between saves, safe from any thread.
class JSCallbackManager {
public:
    static inline const QString kFileName = QStringLiteral("onupdate_callback.js");

    static JSCallbackManager& sharedInstance();

    explicit JSCallbackManager(const QString& path = QString());
    JSCallbackManager(const JSCallbackManager&) = delete;
    JSCallbackManager& operator=(const JSCallbackManager&) = delete;

    // Writes the callback, empties the cache and posts ONUPDATE_CALLBACK_JS_UPDATED.
    bool saveOnUpdateCallbackJS(const QString& js, StoreFileError* error = nullptr) { return m_store.save(js, error); }
    // Present on success, also when the text is empty.
    std::optional<QString> readOnUpdateCallbackJS(StoreFileError* error = nullptr) { return m_store.read(error); }

    // Empty when the platform names no data folder.
    QString customJSPath() { return m_store.path(); }

private:
    TextFileStore m_store;
};

} // namespace penwick
