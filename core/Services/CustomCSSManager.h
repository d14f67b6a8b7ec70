#pragma once

#include <QMutex>
#include <QString>

#include <optional>

namespace penwick {

// A failed file operation of the user's stores, with the codes of the platform's file errors.
struct StoreFileError {
    enum Code {
        ReadUnknown = 256,
        ReadNoPermission = 257,
        FileNotFound = 260,
        ReadInapplicableStringEncoding = 261,
        WriteUnknown = 512,
        WriteNoPermission = 513,
    };
    QString domain = QStringLiteral("penwick.file");
    int code = ReadUnknown;
    QString message;
    QString path;
};

namespace TextFileStore {
// Reads a whole text file: UTF-8, or UTF-16/32 with a byte-order mark. Fails on a missing
// or unreadable file and on bytes that are no text in these encodings.
std::optional<QString> read(const QString& path, StoreFileError* error);
// Replaces the file with `text` as UTF-8 through a temporary file, creating a missing parent folder.
bool writeAtomically(const QString& path, const QString& text, StoreFileError* error);
} // namespace TextFileStore

// The user's style sheet ("customCSS.css" in the application folder), read at most once
// between saves. Safe to use from any thread: the cache and the path are guarded, and a
// save and a read never interleave.
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
    bool saveCustomCSS(const QString& css, StoreFileError* error = nullptr);
    // The cached style sheet, else the file's; a failed read leaves the cache empty.
    std::optional<QString> readCustomCSS(StoreFileError* error = nullptr);

    QString customCSSPath();

private:
    QString pathLocked();

    QMutex m_mutex;
    QString m_path;
    std::optional<QString> m_cachedCustomCSS;
};

} // namespace penwick
