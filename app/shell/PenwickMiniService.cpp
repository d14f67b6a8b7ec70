#include "shell/PenwickMiniService.h"

#include "CoreMagicStrings.h"
#include "platform/LoginItem.h"
#include "platform/StandardLocations.h"
#include "shell/AppLogger.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocalSocket>

namespace penwick {

QString PenwickMiniService::autostartEntry()
{
    const QString appDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    QString exec = QDir(appDir).filePath(QStringLiteral("PenwickMini"));
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
    appLog().info(enabled ? QStringLiteral("Penwick mini will start at login") : QStringLiteral("Penwick mini will not start at login"));
    if (!enabled)
        stopApp();
}

bool PenwickMiniService::stopApp()
{
    // PenwickMini answers "ok" on its single-instance socket before it acts on a message.
    constexpr int timeoutMs = 2000;
    QLocalSocket socket;
    socket.connectToServer(platform::runtimeDirectory() + QLatin1Char('/') + CoreMagicStrings::PENWICK_MINI_INSTANCE_NAME);
    bool taken = false;
    if (socket.waitForConnected(timeoutMs)) {
        socket.write(CoreMagicStrings::PENWICK_MINI_QUIT_MESSAGE + '\n');
        taken = socket.waitForBytesWritten(timeoutMs) && socket.waitForReadyRead(timeoutMs)
            && socket.readLine().trimmed() == "ok";
        socket.disconnectFromServer();
    }
    appLog().info(QStringLiteral("Terminated Penwick Mini"));
    return taken;
}

} // namespace penwick
