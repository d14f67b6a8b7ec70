// Penwick installed as a package installs it: the desktop finds its entry, icon and metadata,
// and the program starts from the installed tree and finds its resources there.
#include "PenwickProcess.h"

#include "TestSupport.h"
#include "XvfbServer.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

using namespace penwick;

namespace {

struct ToolRun {
    int exitCode = -1;
    QString output;
};

ToolRun run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(120000);
    return { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, QString::fromUtf8(process.readAll()) };
}

} // namespace

TEST(Install, TheInstalledTreeValidatesAndPenwickStartsFromIt)
{
    PENWICK_REQUIRE_XVFB();
    const QString prefix = test::temporaryFolder() + QStringLiteral("/usr");
    const ToolRun install = run(QStringLiteral(PENWICK_CMAKE_COMMAND), { "--install", PENWICK_BUILD_DIR, "--prefix", prefix });
    ASSERT_EQ(install.exitCode, 0) << install.output.toStdString();

    const QString desktop = prefix + QStringLiteral("/share/applications/org.penwick.Penwick.desktop");
    const QString metainfo = prefix + QStringLiteral("/share/metainfo/org.penwick.Penwick.metainfo.xml");
    EXPECT_TRUE(QFileInfo::exists(prefix + QStringLiteral("/share/icons/hicolor/scalable/apps/org.penwick.Penwick.svg")));
    EXPECT_TRUE(QFileInfo(prefix + QStringLiteral("/bin/penwick")).isExecutable());
    const ToolRun entry = run(QStringLiteral("desktop-file-validate"), { desktop });
    EXPECT_EQ(entry.exitCode, 0) << entry.output.toStdString();
    EXPECT_FALSE(entry.output.contains(QStringLiteral("error:"))) << entry.output.toStdString();
    const ToolRun appstream = run(QStringLiteral("appstreamcli"), { "validate", "--no-net", metainfo });
    EXPECT_EQ(appstream.exitCode, 0) << appstream.output.toStdString();

    // Started by the name the desktop entry uses; it opens the file with its resources found
    // (a missing resource is reported on standard output as an error).
    test::PenwickSession session;
    ASSERT_TRUE(session.isReady());
    QFile file(session.home() + QStringLiteral("/installed.md"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# Installed\n");
    file.close();
    const QString output = session.home() + QStringLiteral("/stdout.txt");
    std::unique_ptr<QProcess> penwick = session.start({ QStringLiteral("installed.md") }, {}, prefix + QStringLiteral("/bin/penwick"), output);
    EXPECT_TRUE(test::waitUntil([&] { return session.tabNames() == QList<QStringList> { { "installed.md" } }; }, 60000));
    penwick->terminate();
    EXPECT_TRUE(penwick->waitForFinished(30000));
    EXPECT_EQ(penwick->exitCode(), 0);
    QFile log(output);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString printed = QString::fromUtf8(log.readAll());
    EXPECT_FALSE(printed.contains(QStringLiteral("Error:"))) << printed.toStdString();
}
