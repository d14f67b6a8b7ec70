#include "platform/ApplicationStartup.h"

#include "platform/web/PageScheme.h"

#include <QCoreApplication>

#include <malloc.h>
#include <unistd.h>

namespace penwick::platform {

bool hasDisplay()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty())
        return true; // the user chose one (offscreen, xcb, wayland ...)
    return !qgetenv("DISPLAY").isEmpty() || !qgetenv("WAYLAND_DISPLAY").isEmpty();
}

QString noDisplayMessage(const QString& programName, const QString& command)
{
    return QStringLiteral("%1 needs a graphical display, and none was found (DISPLAY and WAYLAND_DISPLAY are unset).\n"
                          "Start it from a desktop session, or under a virtual display:\n"
                          "    xvfb-run -a %2\n")
        .arg(programName, command);
}

void prepareWebEngine()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    PageScheme::registerScheme();
    // Chromium refuses to run its sandbox as root.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen") {
        QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        for (const char* flag : { "--disable-gpu", "--disable-background-networking" }) {
            if (!flags.contains(flag))
                flags += QByteArray(flags.isEmpty() ? "" : " ") + flag;
        }
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    }
}

void keepLargeFreedMemory()
{
    // Up to this much is served from the heap and kept there when freed; a block above it is
    // mapped and unmapped as before.
    constexpr int kKept = 512 * 1024 * 1024;
    ::mallopt(M_MMAP_THRESHOLD, kKept);
    ::mallopt(M_TRIM_THRESHOLD, kKept);
}

} // namespace penwick::platform
