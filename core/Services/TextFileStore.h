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

// One user text file in the application's data folder (the style sheet, the update callback),
// read at most once between saves. Safe to use from any thread: the cache and the path are
// guarded, and a save and a read never interleave. When there is no data folder to be had,
// reads and saves fail and nothing is written anywhere else.
class TextFileStore {
public:
    // `path` empty: `fileName` in the application's data folder, found on first use. A save
    // posts `notificationName` on the default centre.
    TextFileStore(const QString& fileName, const QString& notificationName, const QString& path = QString());
    TextFileStore(const TextFileStore&) = delete;
    TextFileStore& operator=(const TextFileStore&) = delete;

    // Replaces the file atomically (its folder is made when missing), empties the cache and
    // posts the notification. On failure nothing is posted and the cache keeps what it held.
    bool save(const QString& text, StoreFileError* error);
    // The cached text, else the file's; a failed read leaves the cache empty.
    std::optional<QString> read(StoreFileError* error);
    // Empty when the platform names no data folder.
    QString path();

    // Reads a whole text file: UTF-8, or UTF-16/32 with a byte-order mark. Fails on a missing
    // or unreadable file and on bytes that are no text in these encodings.
    static std::optional<QString> readFile(const QString& path, StoreFileError* error);

private:
    QString pathLocked();

    const QString m_fileName;
    const QString m_notificationName;
    QMutex m_mutex;
    QString m_path;
    std::optional<QString> m_cached;
};

} // namespace penwick
