#include "platform/document/FileWrapper.h"

#include "platform/AtomicFileWriter.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

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
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        setError(error, DocumentError::FileReadNoSuchFile,
            QStringLiteral("The file “%1” couldn’t be opened because there is no such file.").arg(info.fileName()));
        return std::nullopt;
    }
    if (info.isDir())
        return directory();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const bool denied = file.error() == QFileDevice::OpenError && !info.isReadable();
        setError(error, denied ? DocumentError::FileReadNoPermission : DocumentError::FileReadUnknown,
            QStringLiteral("The file “%1” couldn’t be opened: %2").arg(info.fileName(), file.errorString()));
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        setError(error, DocumentError::FileReadUnknown,
            QStringLiteral("The file “%1” couldn’t be read: %2").arg(info.fileName(), file.errorString()));
        return std::nullopt;
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
