#include "MachineIsolation.h"

#include "platform/SystemLog.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

extern char** environ;

namespace penwick::test {

namespace {

// Removed at the end by the process that made it only: a forked child that exits (a death
// test, say) leaves it to its parent.
struct RootFolder {
    QTemporaryDir folder { QDir::tempPath() + QStringLiteral("/penwick-test-XXXXXX") };
    pid_t owner = ::getpid();
    RootFolder() { folder.setAutoRemove(false); }
    ~RootFolder()
    {
        if (::getpid() == owner)
            folder.remove();
    }
};

std::unique_ptr<RootFolder>& root()
{
    static std::unique_ptr<RootFolder> folder;
    return folder;
}

QString makeFolder(const QString& path, bool ownerOnly = false)
{
    if (!QDir().mkpath(path)) {
        std::fprintf(stderr, "Could not make the test folder %s\n", qPrintable(path));
        std::abort();
    }
    if (ownerOnly)
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

void setFolder(const char* variable, const QString& path, bool ownerOnly = false)
{
    qputenv(variable, QFile::encodeName(makeFolder(path, ownerOnly)));
}

// Names of the variables in the environment that start with `prefix`.
QList<QByteArray> variablesStartingWith(const char* prefix)
{
    QList<QByteArray> names;
    for (char** entry = environ; *entry; ++entry) {
        const QByteArray text(*entry);
        if (text.startsWith(prefix))
            names.append(text.left(text.indexOf('=')));
    }
    return names;
}

} // namespace

void isolateFromTheMachine()
{
    if (root())
        return;
    root() = std::make_unique<RootFolder>();
    if (!root()->folder.isValid()) {
        std::fprintf(stderr, "No private folder for the test program in %s\n", qPrintable(QDir::tempPath()));
        std::abort();
    }
    const QString base = root()->folder.path();

    const QString home = base + QStringLiteral("/home");
    setFolder("HOME", home);
    setFolder("XDG_CONFIG_HOME", home + QStringLiteral("/.config"));
    setFolder("XDG_DATA_HOME", home + QStringLiteral("/.local/share"));
    setFolder("XDG_STATE_HOME", home + QStringLiteral("/.local/state"));
    setFolder("XDG_CACHE_HOME", home + QStringLiteral("/.cache"));
    setFolder("XDG_RUNTIME_DIR", base + QStringLiteral("/runtime"), true);
    setFolder("TMPDIR", base + QStringLiteral("/tmp"));
    setFolder("XDG_CONFIG_DIRS", base + QStringLiteral("/etc-xdg"));
    // The system's data folders hold other programs' desktop entries, associations and icons:
    // none are seen. Only the shared MIME database is, since this Qt has no copy of its own.
    setFolder("XDG_DATA_DIRS", base + QStringLiteral("/share"));
    QFile::link(QStringLiteral("/usr/share/mime"), base + QStringLiteral("/share/mime"));

    // A bus address where nothing listens: nothing reaches the person's session, and no bus is
    // launched on the side (libdbus would start one for an X display when no address is given).
    qputenv("DBUS_SESSION_BUS_ADDRESS", QFile::encodeName(QStringLiteral("unix:path=") + base + QStringLiteral("/runtime/bus")));

    qputenv("QT_QPA_PLATFORM", "offscreen");
    for (const char* variable :
        { "DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "SESSION_MANAGER", "XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP",
            "XDG_SESSION_TYPE", "XDG_SESSION_ID", "XDG_SEAT", "XDG_VTNR", "DESKTOP_SESSION", "GNOME_DESKTOP_SESSION_ID",
            "KDE_FULL_SESSION", "KDE_SESSION_VERSION", "QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE", "QT_SCALE_FACTOR",
            "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR", "QT_ENABLE_HIGHDPI_SCALING", "QT_FONT_DPI",
            "QT_SCALE_FACTOR_ROUNDING_POLICY", "QT_IM_MODULE", "XMODIFIERS", "GTK_IM_MODULE", "QT_ACCESSIBILITY",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "AT_SPI_BUS_ADDRESS", "QT_MESSAGE_PATTERN", "QT_LOGGING_RULES",
            "QT_LOGGING_TO_CONSOLE", "LANGUAGE", "LC_ALL" })
        qunsetenv(variable);
    for (const QByteArray& variable : variablesStartingWith("LC_"))
        qunsetenv(variable.constData());
    qputenv("LANG", "C.UTF-8");
    qputenv("TZ", "UTC");

    // Errors the program logs stay out of the machine's journal: nothing listens here.
    platform::SystemLog::setSocketPath(base + QStringLiteral("/runtime/log"));
}

QString isolatedRoot()
{
    return root() ? root()->folder.path() : QString();
}

} // namespace penwick::test
