#include "common/PenwickMiniService.h"

#include "CoreMagicStrings.h"
#include "platform/LoginItem.h"
#include "platform/SingleInstance.h"
#include "common/AppLogger.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

#include <csignal>

namespace penwick {

namespace {

QString& companionOverride()
{
    static QString path;
    return path;
}

} // namespace

QString PenwickMiniService::companionPath()
{
    if (!companionOverride().isEmpty())
        return companionOverride();
    const QString appDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    return QDir(appDir).filePath(QStringLiteral("PenwickMini"));
}

void PenwickMiniService::setCompanionPath(const QString& path)
{
    companionOverride() = path;
}

QString PenwickMiniService::autostartEntry()
{
    QString exec = companionPath();
    // Desktop-entry quoting: the path in double quotes, with \ " ` $ escaped.
    exec.replace(QLatin1Char('\\'), QStringLiteral("\\\\\\\\"));
    for (const char* c : { "\"", "`", "$" })
        exec.replace(QLatin1String(c), QStringLiteral("\\\\") + QLatin1String(c));
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Penwick Mini\n"
                          "Comment=Scratch and shadow notes from the tray\n"
                          "Exec=\"%1\"\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(exec);
}

void PenwickMiniService::updateStatus(bool enabled)
{
    QString error;
    if (!platform::LoginItem(kAutostartFileName, autostartEntry()).setEnabled(enabled, &error)) {
        appLog().error(QStringLiteral("Error changing startup item status of Penwick mini"));
        return;
    }
    appLog().info(QStringLiteral("Penwick mini has been set to start on login? ") + (enabled ? QStringLiteral("true") : QStringLiteral("false")));
    if (!enabled)
        stopApp();
}

void PenwickMiniService::startApp()
{
    if (platform::SingleInstance::runningProcessId(CoreMagicStrings::PENWICK_MINI_INSTANCE_NAME)) {
        appLog().warning(QStringLiteral("Penwick Mini already started. Not starting it twice."));
        return;
    }
    if (QProcess::startDetached(companionPath(), {}))
        appLog().info(QStringLiteral("Successfully started Penwick Mini"));
    else
        appLog().warning(QStringLiteral("Error starting Penwick Mini"));
}

bool PenwickMiniService::stopApp()
{
    // Nothing when none runs, or when its lock outlived it.
    const auto pid = platform::SingleInstance::runningProcessId(CoreMagicStrings::PENWICK_MINI_INSTANCE_NAME);
    const bool asked = pid && ::kill(pid_t(*pid), SIGTERM) == 0;
    appLog().info(QStringLiteral("Terminated Penwick Mini"));
    return asked;
}

} // namespace penwick
