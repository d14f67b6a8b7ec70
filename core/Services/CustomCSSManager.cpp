#include "Services/CustomCSSManager.h"

#include "CoreMagicStrings.h"
#include "CoreNotifications.h"
#include "platform/NotificationCenter.h"
#include "platform/StandardLocations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

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

} // namespace

std::optional<QString> TextFileStore::read(const QString& path, StoreFileError* error)
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

bool TextFileStore::writeAtomically(const QString& path, const QString& text, StoreFileError* error)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        fail(error, StoreFileError::WriteUnknown, path, QStringLiteral("The folder of \"%1\" could not be created.").arg(path));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        const int code = file.error() == QFileDevice::PermissionsError ? StoreFileError::WriteNoPermission : StoreFileError::WriteUnknown;
        fail(error, code, path, QStringLiteral("The file \"%1\" could not be written: %2").arg(path, file.errorString()));
        return false;
    }
    const QByteArray utf8 = text.toUtf8();
    if (file.write(utf8) != utf8.size() || !file.commit()) {
        const int code = file.error() == QFileDevice::PermissionsError ? StoreFileError::WriteNoPermission : StoreFileError::WriteUnknown;
        fail(error, code, path, QStringLiteral("The file \"%1\" could not be written: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

CustomCSSManager& CustomCSSManager::sharedInstance()
{
    static CustomCSSManager instance;
    return instance;
}

CustomCSSManager::CustomCSSManager(const QString& path)
    : m_path(path)
{
}

QString CustomCSSManager::pathLocked()
{
    if (m_path.isEmpty())
        m_path = platform::applicationDataDirectory(CoreMagicStrings::APPNAME) + QLatin1Char('/') + kFileName;
    return m_path;
}

QString CustomCSSManager::customCSSPath()
{
    QMutexLocker lock(&m_mutex);
    return pathLocked();
}

bool CustomCSSManager::saveCustomCSS(const QString& css, StoreFileError* error)
{
    {
        QMutexLocker lock(&m_mutex);
        if (!TextFileStore::writeAtomically(pathLocked(), css, error))
            return false;
        m_cachedCustomCSS.reset();
    }
    platform::NotificationCenter::defaultCenter().post(CoreNotifications::CUSTOM_CSS_UPDATED);
    return true;
}

std::optional<QString> CustomCSSManager::readCustomCSS(StoreFileError* error)
{
    QMutexLocker lock(&m_mutex);
    if (m_cachedCustomCSS)
        return m_cachedCustomCSS;
    std::optional<QString> text = TextFileStore::read(pathLocked(), error);
    if (text)
        m_cachedCustomCSS = text;
    return text;
}

} // namespace penwick
