#include "platform/AtomicFileWriter.h"

#include "platform/FileNames.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace penwick::platform {

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool writeAll(int fd, const QByteArray& bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), off_t(done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;
            return false;
        }
        done += written;
    }
    return true;
}

// A folder that refuses new files (no write permission) leaves no room for a temporary file;
// a writable file in it can still be written in place.
bool folderRefusesNewFiles(const QString& path)
{
    const QByteArray folder = encodeFileName(QFileInfo(path).absolutePath());
    const QByteArray file = encodeFileName(path);
    struct stat info {};
    return ::stat(file.constData(), &info) == 0 && S_ISREG(info.st_mode) && ::access(folder.constData(), W_OK) != 0
        && (errno == EACCES || errno == EPERM) && ::access(file.constData(), W_OK) == 0;
}

// Writes over the file itself, keeping its old bytes if any step fails: room for the longer text
// is taken first, and a write cut short puts the old bytes back.
std::optional<FileWriteFailure> writeInPlace(const QString& path, const QByteArray& bytes)
{
    QFile current;
    const int readFd = ::open(encodeFileName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (readFd < 0 || !current.open(readFd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        const int error = errno;
        if (readFd >= 0)
            ::close(readFd);
        return FileWriteFailure { systemReason(error), QFileDevice::OpenError, error };
    }
    const QByteArray old = current.readAll();
    current.close();

    const int fd = ::open(encodeFileName(path).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        return FileWriteFailure { systemReason(error), QFileDevice::OpenError, error };
    }
    auto fail = [fd](int error) {
        ::close(fd);
        return FileWriteFailure { systemReason(error), QFileDevice::WriteError, error };
    };
    if (bytes.size() > old.size()) {
        const int error = ::posix_fallocate(fd, 0, off_t(bytes.size()));
        if (error != 0 && error != EOPNOTSUPP && error != EINVAL) {
            [[maybe_unused]] const int restored = ::ftruncate(fd, off_t(old.size()));
            return fail(error);
        }
    }
    if (!writeAll(fd, bytes)) {
        const int error = errno;
        writeAll(fd, old);
        [[maybe_unused]] const int restored = ::ftruncate(fd, off_t(old.size()));
        return fail(error);
    }
    if (::ftruncate(fd, off_t(bytes.size())) != 0 || ::fsync(fd) != 0) {
        const int error = errno;
        writeAll(fd, old);
        [[maybe_unused]] const int restored = ::ftruncate(fd, off_t(old.size()));
        return fail(error);
    }
    if (::close(fd) != 0) {
        const int error = errno;
        return FileWriteFailure { systemReason(error), QFileDevice::WriteError, error };
    }
    return std::nullopt;
}

// For a name that is not UTF-8, which Qt's save file cannot reach: the same steps by hand, a
// temporary file beside it that takes the name with its old permissions once complete.
std::optional<FileWriteFailure> writeByBytes(const QString& path, const QByteArray& bytes,
    std::optional<QFileDevice::Permissions> permissions)
{
    const QByteArray target = encodeFileName(path);
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : target.left(slash);
    struct stat existing {};
    const bool exists = ::stat(target.constData(), &existing) == 0;
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = folder + "/.penwick-save-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        const int error = errno;
        if (folderRefusesNewFiles(path))
            return writeInPlace(path, bytes);
        return FileWriteFailure { systemReason(error), QFileDevice::OpenError, error };
    }
    auto fail = [&](int error, QFileDevice::FileError kind) {
        ::close(fd);
        ::unlink(temporary.constData());
        return FileWriteFailure { systemReason(error), kind, error };
    };
    if (!writeAll(fd, bytes))
        return fail(errno, QFileDevice::WriteError);
    mode_t mode = exists ? (existing.st_mode & 07777) : 0;
    if (permissions) {
        mode = 0;
        const std::pair<QFileDevice::Permission, mode_t> bits[] = { { QFileDevice::ReadOwner, S_IRUSR }, { QFileDevice::WriteOwner, S_IWUSR },
            { QFileDevice::ExeOwner, S_IXUSR }, { QFileDevice::ReadGroup, S_IRGRP }, { QFileDevice::WriteGroup, S_IWGRP },
            { QFileDevice::ExeGroup, S_IXGRP }, { QFileDevice::ReadOther, S_IROTH }, { QFileDevice::WriteOther, S_IWOTH },
            { QFileDevice::ExeOther, S_IXOTH } };
        for (const auto& [permission, bit] : bits) {
            if (permissions->testFlag(permission))
                mode |= bit;
        }
    }
    if ((exists || permissions) && ::fchmod(fd, mode) != 0)
        return fail(errno, QFileDevice::PermissionsError);
    if (::fsync(fd) != 0)
        return fail(errno, QFileDevice::WriteError);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return FileWriteFailure { systemReason(error), QFileDevice::WriteError, error };
    }
    if (::rename(temporary.constData(), target.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return FileWriteFailure { systemReason(error), QFileDevice::RenameError, error };
    }
    return std::nullopt;
}

} // namespace

std::optional<FileWriteFailure> writeFileAtomically(const QString& path, const QByteArray& bytes,
    std::optional<QFileDevice::Permissions> permissions)
{
    if (hasUndecodableBytes(path))
        return writeByBytes(path, bytes, permissions);
    QSaveFile file(path);
    errno = 0;
    // Unbuffered: a write cut short (a full disk, a size limit) shows in write()'s count, where a
    // buffered one loses it in the final flush and the truncated file is committed as complete.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const FileWriteFailure failure { file.errorString(), file.error(), errno };
        if (folderRefusesNewFiles(path))
            return writeInPlace(path, bytes);
        return failure;
    }
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        const int systemError = errno;
        // A short count leaves the device without an error of its own: the system's says why.
        const FileWriteFailure failure { systemError ? systemReason(systemError) : file.errorString(),
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
