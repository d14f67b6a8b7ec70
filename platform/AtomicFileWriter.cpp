#include "platform/AtomicFileWriter.h"

#include <QSaveFile>

#include <cerrno>
#include <cstring>

namespace penwick::platform {

std::optional<FileWriteFailure> writeFileAtomically(const QString& path, const QByteArray& bytes,
    std::optional<QFileDevice::Permissions> permissions)
{
    QSaveFile file(path);
    errno = 0;
    // Unbuffered: a write cut short (a full disk, a size limit) shows in write()'s count, where a
    // buffered one loses it in the final flush and the truncated file is committed as complete.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return FileWriteFailure { file.errorString(), file.error(), errno };
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        const int systemError = errno;
        // A short count leaves the device without an error of its own: the system's says why.
        const FileWriteFailure failure { systemError ? QString::fromLocal8Bit(std::strerror(systemError)) : file.errorString(),
            file.error(), systemError };
        file.cancelWriting();
        return failure;
    }
    if (permissions && !file.setPermissions(*permissions)) {
        const FileWriteFailure failure { file.errorString(), file.error(), 0 };
        file.cancelWriting();
        return failure;
    }
    errno = 0;
    if (!file.commit())
        return FileWriteFailure { file.errorString(), file.error(), errno };
    return std::nullopt;
}

} // namespace penwick::platform
