#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

#include <optional>

namespace penwick::platform {

// Why a file could not be written: the message, the device's error, and the system's error
// number where one was set (0 otherwise).
struct FileWriteFailure {
    QString reason;
    QFileDevice::FileError deviceError = QFileDevice::UnspecifiedError;
    int systemError = 0;
};

// Writes `bytes` to `path` through a temporary file that replaces it only once complete, so
// readers find the old file or the new one and a failed write leaves the old one as it was.
// With `permissions`, the new file gets them before it replaces the old one.
// Where the folder refuses new files but the file itself is writable, no temporary file can be
// made: the file is then written in place, and a failed write leaves its old bytes.
std::optional<FileWriteFailure> writeFileAtomically(const QString& path, const QByteArray& bytes,
    std::optional<QFileDevice::Permissions> permissions = std::nullopt);

} // namespace penwick::platform
