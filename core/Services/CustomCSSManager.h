#pragma once

#include "Services/TextFileStore.h"

#include <QString>

#include <optional>

namespace penwick {

// The user's style sheet ("customCSS.css" in the application folder), read at most once
// between saves; safe to use from any thread.
class CustomCSSManager {
public:
    static inline const QString kFileName = QStringLiteral("customCSS.css");

    static CustomCSSManager& sharedInstance();

    // `path` empty: the application folder's "customCSS.css", found on first use.
    explicit CustomCSSManager(const QString& path = QString());
    CustomCSSManager(const CustomCSSManager&) = delete;
    CustomCSSManager& operator=(const CustomCSSManager&) = delete;

    // Writes the style sheet, empties the cache and posts CUSTOM_CSS_UPDATED. On failure
    // nothing is posted and the cache keeps what it held.
    bool saveCustomCSS(const QString& css, StoreFileError* error = nullptr) { return m_store.save(css, error); }
    // The cached style sheet, else the file's; a failed read leaves the cache empty.
    std::optional<QString> readCustomCSS(StoreFileError* error = nullptr) { return m_store.read(error); }

    // Empty when the platform names no data folder.
    QString customCSSPath() { return m_store.path(); }

private:
    TextFileStore m_store;
};

} // namespace penwick
