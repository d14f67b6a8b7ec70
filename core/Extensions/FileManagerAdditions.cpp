#include "Extensions/FileManagerAdditions.h"

#include "Extensions/StringAdditions.h"
#include "platform/FileNames.h"
#include "platform/StandardLocations.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <system_error>

namespace penwick {

PathExistence checkIfPathExists(const QString& path)
{
    if (path.isEmpty())
        return {};
    struct stat info {};
    if (::stat(platform::encodeFileName(path).constData(), &info) != 0)
        return {};
    return { true, S_ISDIR(info.st_mode) };
}

bool checkIfDirectoryExists(const QString& path)
{
    const PathExistence found = checkIfPathExists(path);
    return found.exists && found.isDir;
}

bool checkIfFileExists(const QString& path)
{
    const PathExistence found = checkIfPathExists(path);
    return found.exists && !found.isDir;
}

QString getApplicationDirectoryPath(const QString& name)
{
    return platform::applicationDataDirectory(name);
}

std::optional<FileError> createDirectoryAtPath(const QString& path)
{
    if (path.isEmpty()) {
        return FileError { FileError::posixDomain, ENOENT,
            QStringLiteral("Could not create a folder: no path was given."), path };
    }
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(platform::encodeFileName(path).toStdString()), error);
    if (!error && !checkIfDirectoryExists(path))
        error = std::make_error_code(std::errc::not_a_directory);
    if (error) {
        return FileError { FileError::posixDomain, error.value(),
            QStringLiteral("Could not create the folder \"%1\": %2").arg(path, QString::fromLocal8Bit(error.message().c_str())),
            path };
    }
    return std::nullopt;
}

QStringList collectItemsOfType(const QString& type, const QString& directory)
{
    QStringList found;
    if (directory.isEmpty() || !checkIfDirectoryExists(directory))
        return found;

    const QDir::Filters filters = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    std::function<void(const QString&)> walk = [&](const QString& relativeFolder) {
        const QDir folder(relativeFolder.isEmpty() ? directory : appendPathComponent(directory, relativeFolder));
        const QFileInfoList entries = folder.entryInfoList(filters, QDir::Name);
        for (const QFileInfo& entry : entries) {
            const QString relative = relativeFolder.isEmpty() ? entry.fileName()
                                                              : relativeFolder + QLatin1Char('/') + entry.fileName();
            if (relative.endsWith(type)) {
                const QString full = appendPathComponent(directory, relative);
                if (checkIfFileExists(full))
                    found.append(full);
            }
            if (entry.isDir() && !entry.isSymLink())
                walk(relative);
        }
    };
    walk(QString());
    return found;
}

namespace {

void openContainingFolder(const QString& absolutePath)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(parentPath(absolutePath)));
}

} // namespace

void revealInFileManager(const QString& path, const QDBusConnection& bus)
{
    if (path.isEmpty())
        return;
    const QString absolute = QDir::isAbsolutePath(path) ? path : appendPathComponent(QDir::currentPath(), path);
    QCoreApplication* application = QCoreApplication::instance();
    if (!bus.isConnected() || !application) {
        openContainingFolder(absolute);
        return;
    }

    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"), QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("ShowItems"));
    call << QStringList { QUrl::fromLocalFile(absolute).toString() } << QString();

    // A file manager that does not answer within a few seconds counts as absent.
    constexpr int timeoutMs = 5000;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, timeoutMs), application);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [absolute](QDBusPendingCallWatcher* finished) {
        if (finished->isError())
            openContainingFolder(absolute);
        finished->deleteLater();
    });
}

} // namespace penwick
