// Penwick ends on a termination signal (a logout) even while a modal window runs at launch.
#include "PenwickProcess.h"

#include "TestSupport.h"
#include "XvfbServer.h"
#include "platform/UserDefaults.h"
#include "common/Prefs.h"

#include <QFile>

#include <gtest/gtest.h>

#include <csignal>

using namespace penwick;

TEST(Termination, ASignalWhileWhatsNewShowsAtLaunchEndsPenwickAndKeepsTheSession)
{
    PENWICK_REQUIRE_XVFB();
    test::PenwickSession session;
    ASSERT_TRUE(session.isReady());
    // What's New has not been seen: it shows, modal, as the launch ends.
    platform::UserDefaults(session.settingsPath())
        .removeObject(Prefs::WHATS_NEW_VERSION);
    QFile file(session.home() + QStringLiteral("/notes.md"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# Notes\n");
    file.close();

    QProcess& penwick = session.launch({ QStringLiteral("notes.md") });
    ASSERT_TRUE(test::waitUntil([&] {
        return !session.xdotool({ "search", "--onlyvisible", "--name", "What's New in Penwick" }).isEmpty();
    }, 60000)) << "What's New shows";

    ::kill(pid_t(penwick.processId()), SIGTERM);
    ASSERT_TRUE(test::hasEnded(penwick))
        << "Penwick still runs after the signal";
    EXPECT_EQ(penwick.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(penwick.exitCode(), 0);
    const platform::UserDefaults settings(session.settingsPath());
    EXPECT_EQ(settings.object(Prefs::SESSION_RESTORE_DOCS).toList().size(), 1) << "the session was stored";
}
