#include "Services/TextFileStore.h"

#include "CoreMagicStrings.h"
#include "Extensions/FileManagerAdditions.h"
#include "Extensions/StringAdditions.h"
#include "platform/NotificationCenter.h"

#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QStringDecoder>

#include <cerrno>

namespace penwick {

namespace {

void fail(StoreFileError* error, int code, const QString& path, const QString& message)
{
    if (!error)
        return;
    error->code = code;
    error->path = path;
    error->message = message;
}

const QString kNoDataFolder = QStringLiteral("There is no folder for application data.");

} // namespace

TextFileStore::TextFileStore(const QString& fileName, const QString& notificationName, const QString& path)
    : m_fileName(fileName)
    , m_notificationName(notificationName)
    , m_path(path)
{
}

QString TextFileStore::pathLocked()
{
    if (m_path.isEmpty()) {
        const QString folder = getApplicationDirectoryPath(CoreMagicStrings::APPNAME);
        if (!folder.isEmpty())
            m_path = appendPathComponent(folder, m_fileName);
    }
    return m_path;
}

QString TextFileStore::path()
{
    QMutexLocker lock(&m_mutex);
    return pathLocked();
}

bool TextFileStore::save(const QString& text, StoreFileError* error)
{
    {
        QMutexLocker lock(&m_mutex);
        const QString target = pathLocked();
        if (target.isEmpty()) {
            fail(error, StoreFileError::WriteUnknown, target, kNoDataFolder);
            return false;
        }
        if (const std::optional<FileError> failure = writeToFile(text, target, true)) {
            const bool denied = (failure->domain == FileError::posixDomain && (failure->code == EACCES || failure->code == EPERM))
                || (failure->domain == FileError::fileDeviceDomain && failure->code == QFileDevice::PermissionsError);
            fail(error, denied ? StoreFileError::WriteNoPermission : StoreFileError::WriteUnknown, target, failure->message);
            return false;
        }
        m_cached.reset();
    }
    platform::NotificationCenter::defaultCenter().post(m_notificationName);
    return true;
}

std::optional<QString> TextFileStore::read(StoreFileError* error)
{
    QMutexLocker lock(&m_mutex);
    if (m_cached)
        return m_cached;
    const QString source = pathLocked();
    if (source.isEmpty()) {
        fail(error, StoreFileError::ReadUnknown, source, kNoDataFolder);
        return std::nullopt;
    }
    std::optional<QString> text = readFile(source, error);
    if (text)
        m_cached = text;
    return text;
}

std::optional<QString> TextFileStore::readFile(const QString& path, StoreFileError* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const QFileInfo info(path);
        if (!info.exists())
            fail(error, StoreFileError::FileNotFound, path, QStringLiteral("The file \"%1\" does not exist.").arg(path));
        else if (file.error() == QFileDevice::PermissionsError || !info.isReadable())
            fail(error, StoreFileError::ReadNoPermission, path, QStringLiteral("You don't have permission to read \"%1\".").arg(path));
        else
            fail(error, StoreFileError::ReadUnknown, path, QStringLiteral("The file \"%1\" could not be read: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        fail(error, StoreFileError::ReadUnknown, path, QStringLiteral("The file \"%1\" could not be read: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    const std::optional<QStringConverter::Encoding> bom = QStringConverter::encodingForData(data);
    QStringDecoder decoder(bom.value_or(QStringConverter::Utf8), QStringConverter::Flag::Stateless);
    QString text = decoder.decode(data);
    if (decoder.hasError()) {
        fail(error, StoreFileError::ReadInapplicableStringEncoding, path,
            QStringLiteral("The text encoding of \"%1\" could not be determined.").arg(path));
        return std::nullopt;
    }
    if (!text.isEmpty() && text.front() == QChar(0xFEFF))
        text.remove(0, 1);
    if (text.isNull())
        text = QString(QLatin1String(""));
    return text;
}

} // namespace penwick
