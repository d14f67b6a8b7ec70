#include "platform/document/FileWrapper.h"
#include "platform/FileNames.h"

#include "platform/AtomicFileWriter.h"

#include <QFile>
#include <QFileInfo>

#include <QLocale>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace penwick::platform {

namespace {

void setError(DocumentError* error, int code, const QString& message)
{
    if (error)
        *error = DocumentError { DocumentError::fileDomain, code, message };
}

int writeCodeFor(int err)
{
    switch (err) {
    case EACCES:
    case EPERM:
    case EROFS:
        return DocumentError::FileWriteNoPermission;
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
        return DocumentError::FileWriteOutOfSpace;
    default:
        return DocumentError::FileWriteUnknown;
    }
}

int readCodeFor(int err)
{
    return err == EACCES || err == EPERM ? DocumentError::FileReadNoPermission : DocumentError::FileReadUnknown;
}

QString systemMessage(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

QString tooLargeMessage(const QString& name)
{
    return QStringLiteral("The file “%1” is too large to open: a document may hold at most %2.")
        .arg(name, QLocale::system().formattedDataSize(FileWrapper::maximumFileSize, 0));
}

// What a person calls the kinds of file that are not documents.
QString kindOfSpecialFile(mode_t mode)
{
    if (S_ISFIFO(mode))
        return QStringLiteral("a named pipe");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("a special file");
}

bool checkRegularFile(const struct stat& info, const QString& name, DocumentError* error)
{
    if (!S_ISREG(info.st_mode)) {
        const QString kind = kindOfSpecialFile(info.st_mode);
        setError(error, DocumentError::FileReadNotRegularFile,
            QStringLiteral("“%1” is %2, not a regular file: only regular files can be opened as documents.").arg(name, kind));
        return false;
    }
    if (info.st_size > FileWrapper::maximumFileSize) {
        setError(error, DocumentError::FileReadTooLarge, tooLargeMessage(name));
        return false;
    }
    return true;
}

} // namespace

FileWrapper FileWrapper::regularFile(QByteArray contents)
{
    FileWrapper wrapper;
    wrapper.m_contents = std::move(contents);
    return wrapper;
}

FileWrapper FileWrapper::directory()
{
    FileWrapper wrapper;
    wrapper.m_isDirectory = true;
    return wrapper;
}

std::optional<FileWrapper> FileWrapper::fromPath(const QString& path, DocumentError* error)
{
    const QString name = QFileInfo(path).fileName();
    const QByteArray native = encodeFileName(path);
    struct stat info {};
    if (path.isEmpty() || ::stat(native.constData(), &info) != 0) {
        const int err = path.isEmpty() ? ENOENT : errno;
        if (err == ENOENT || err == ENOTDIR)
            setError(error, DocumentError::FileReadNoSuchFile,
                QStringLiteral("The file “%1” couldn’t be opened because there is no such file.").arg(name));
        else
            setError(error, readCodeFor(err), QStringLiteral("The file “%1” couldn’t be opened: %2").arg(name, systemMessage(err)));
        return std::nullopt;
    }
    if (S_ISDIR(info.st_mode))
        return directory();
    if (!checkRegularFile(info, name, error))
        return std::nullopt;

    // Not blocking: should the name have become a pipe since, opening it does not wait.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int err = errno;
        setError(error, readCodeFor(err), QStringLiteral("The file “%1” couldn’t be opened: %2").arg(name, systemMessage(err)));
        return std::nullopt;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer { fd };
    if (::fstat(fd, &info) != 0 || !checkRegularFile(info, name, error))
        return std::nullopt;

    // Never more than the limit, also when the file grows while it is read.
    QByteArray bytes;
    bytes.reserve(qsizetype(info.st_size));
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof(chunk));
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            setError(error, DocumentError::FileReadUnknown, QStringLiteral("The file “%1” couldn’t be read: %2").arg(name, systemMessage(err)));
            return std::nullopt;
        }
        if (bytes.size() + n > maximumFileSize) {
            setError(error, DocumentError::FileReadTooLarge, tooLargeMessage(name));
            return std::nullopt;
        }
        bytes.append(chunk, qsizetype(n));
    }
    return regularFile(std::move(bytes));
}

bool FileWrapper::writeToPath(const QString& path, DocumentError* error) const
{
    const QString name = QFileInfo(path).fileName();
    if (m_isDirectory || !m_contents) {
        setError(error, DocumentError::FileWriteUnknown, QStringLiteral("Nothing to write to “%1”.").arg(name));
        return false;
    }
    if (const auto failure = writeFileAtomically(path, *m_contents)) {
        setError(error, writeCodeFor(failure->systemError),
            QStringLiteral("The file “%1” couldn’t be saved: %2").arg(name, failure->reason));
        return false;
    }
    return true;
}

} // namespace penwick::platform
