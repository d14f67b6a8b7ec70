#include "shell/LaunchArguments.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace penwick;

TEST(LaunchArguments, PathsBecomeAbsoluteCleanIsAFlagAndOptionsAreSkipped)
{
    const QDir cwd(QStringLiteral("/home/ann/notes"));
    const struct {
        QStringList arguments;
        bool clean;
        QStringList paths;
    } cases[] = {
        { {}, false, {} },
        { { "a.md" }, false, { "/home/ann/notes/a.md" } },
        { { "../b.md", "/tmp/c.md", "sub/" }, false, { "/home/ann/b.md", "/tmp/c.md", "/home/ann/notes/sub" } },
        { { "clean" }, true, {} },
        { { "a.md", "clean", "--reverse", "-x" }, true, { "/home/ann/notes/a.md" } },
        { { "--", "-dash.md", "clean" }, false, { "/home/ann/notes/-dash.md", "/home/ann/notes/clean" } },
        { { "" }, false, {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const LaunchArguments parsed = LaunchArguments::parse(c.arguments, cwd);
        EXPECT_EQ(parsed.clean, c.clean);
        EXPECT_EQ(parsed.paths, c.paths);
    }
}

TEST(LaunchArguments, TheHandOverMessageCarriesThePathsAndRefusesAnythingElse)
{
    LaunchArguments launch;
    launch.paths = { "/tmp/a b.md", "/tmp/ü\n.md" };
    const QByteArray message = launch.toMessage();
    EXPECT_FALSE(message.contains('\n')) << "one line on the socket";
    EXPECT_EQ(LaunchArguments::pathsFromMessage(message), launch.paths);

    EXPECT_EQ(LaunchArguments::pathsFromMessage("{\"open\":[]}"), QStringList());
    EXPECT_EQ(LaunchArguments::pathsFromMessage("{\"open\":[\"relative.md\", 3, \"/abs.md\"]}"), QStringList { "/abs.md" });
    for (const QByteArray& bad : { QByteArray("toggle"), QByteArray("{}"), QByteArray("[\"/a.md\"]"), QByteArray("{\"open\":\"/a.md\"}") })
        EXPECT_EQ(LaunchArguments::pathsFromMessage(bad), std::nullopt) << bad.constData();
}
