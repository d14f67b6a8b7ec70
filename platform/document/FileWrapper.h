#pragma once

#include "platform/document/DocumentError.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace penwick::platform {

// What a document reads from or writes to one place on disk: a regular file with its
// bytes, or a folder (whose contents are not read).
class FileWrapper {
public:
    static FileWrapper regularFile(QByteArray contents);
    static FileWrapper directory();
    // Larger files are refused before a byte is read.
    static constexpr qint64 maximumFileSize = qint64(256) * 1024 * 1024;

    // The item at `path`, links followed: a folder, or a regular file with its bytes. None
    // (with `error`) when it does not exist, cannot be read, is no regular file (a pipe, a
    // device, a socket: never opened, so nothing waits for a writer or reads without end) or
    // is larger than maximumFileSize.
    static std::optional<FileWrapper> fromPath(const QString& path, DocumentError* error = nullptr);

    bool isDirectory() const { return m_isDirectory; }
    bool isRegularFile() const { return !m_isDirectory; }
    // The bytes of a regular file; none for a folder.
    const std::optional<QByteArray>& regularFileContents() const { return m_contents; }

    // Replaces the file at `path` atomically: the bytes go to a temporary file beside it,
    // which takes the old file's name (and permissions) only when every byte is written.
    // On failure the old file is untouched, no temporary file stays and `error` says why.
    bool writeToPath(const QString& path, DocumentError* error = nullptr) const;

private:
    bool m_isDirectory = false;
    std::optional<QByteArray> m_contents;
};

} // namespace penwick::platform
