// What every test program sees of the machine: only folders of its own. The install script puts
// another Markdown editor on the machine, so the desktop-database checks have something to miss.
#include "MachineIsolation.h"

#include <QDBusConnection>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTimeZone>

#include <gtest/gtest.h>

using penwick::test::isolatedRoot;

namespace {

bool insideRoot(const QString& path)
{
    const QString root = isolatedRoot();
    return !root.isEmpty() && QDir::cleanPath(path).startsWith(root + QLatin1Char('/'));
}

} // namespace

TEST(MachineIsolation, EveryFolderVariableNamesAFolderOfTheProgramsOwn)
{
    for (const char* variable : { "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME",
             "XDG_RUNTIME_DIR", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS", "TMPDIR" }) {
        const QString value = qEnvironmentVariable(variable);
        EXPECT_TRUE(insideRoot(value)) << variable << "=" << value.toStdString();
        EXPECT_TRUE(QFileInfo(value).isDir()) << variable;
    }
    EXPECT_EQ(QFileInfo(qEnvironmentVariable("XDG_RUNTIME_DIR")).permissions() & 0x0077, 0) << "others may not enter";
    EXPECT_TRUE(insideRoot(QDir::tempPath()));
    for (const auto location : { QStandardPaths::HomeLocation, QStandardPaths::GenericConfigLocation,
             QStandardPaths::GenericDataLocation, QStandardPaths::GenericCacheLocation, QStandardPaths::RuntimeLocation,
             QStandardPaths::ApplicationsLocation }) {
        for (const QString& folder : QStandardPaths::standardLocations(location))
            EXPECT_TRUE(insideRoot(folder)) << "location " << int(location) << ": " << folder.toStdString();
    }
}

TEST(MachineIsolation, OtherProgramsRegisteredOnTheMachineAreNotSeen)
{
    // /usr/share/applications lists other editors for Markdown; the desktop's own tool finds none.
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty()) << "xdg-utils is installed by scripts/install-deps.sh";
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), { QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/markdown") });
    ASSERT_TRUE(query.waitForFinished(60000));
    EXPECT_EQ(query.readAllStandardOutput().trimmed().toStdString(), "");
    EXPECT_TRUE(QStandardPaths::locateAll(QStandardPaths::ApplicationsLocation, QStringLiteral("mimeinfo.cache")).isEmpty());

    // The shared MIME database is the one thing read from the system, since Qt has no copy here.
    EXPECT_EQ(QMimeDatabase().mimeTypeForFile(QStringLiteral("notes.md"), QMimeDatabase::MatchExtension).name(),
        QStringLiteral("text/markdown"));
}

TEST(MachineIsolation, NoSessionBusNoDisplayNoDesktopSettings)
{
    EXPECT_TRUE(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS").startsWith(QStringLiteral("unix:path=") + isolatedRoot()));
    EXPECT_FALSE(QDBusConnection::sessionBus().isConnected());
    EXPECT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    for (const char* variable : { "DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "SESSION_MANAGER", "XDG_CURRENT_DESKTOP",
             "QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE", "QT_SCALE_FACTOR", "LC_ALL", "LANGUAGE" })
        EXPECT_FALSE(qEnvironmentVariableIsSet(variable)) << variable;
    EXPECT_EQ(qEnvironmentVariable("LANG"), QStringLiteral("C.UTF-8"));
    EXPECT_EQ(QTimeZone::systemTimeZoneId(), QByteArray("UTC"));
}
