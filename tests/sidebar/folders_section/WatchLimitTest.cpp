// Two roots at the limit of folder watches. The limit is lowered in a user namespace of
// the test's own: the test runs itself again inside one, where it may set the limit.
#include "FoldersFixture.h"

#include "sidebar/WatchNotice.h"

#include <QCoreApplication>
#include <QProcess>

#include <cstdlib>

using namespace penwick;
using namespace penwick::test;

namespace {

constexpr int watchLimit = 40;
constexpr const char* insideVariable = "PENWICK_TEST_INSIDE_USER_NAMESPACE";

bool insideNamespace() { return qEnvironmentVariableIsSet(insideVariable); }

QStringList inNamespace(const QStringList& command)
{
    return QStringList { QStringLiteral("--user"), QStringLiteral("--map-root-user") } + command;
}

// Two trees of 1 + 6 + 6 × 10 folders each: far more than the limit allows.
void makeTree(const QString& root)
{
    for (int top = 0; top < 6; ++top) {
        for (int below = 0; below < 10; ++below)
            makeFolder(QStringLiteral("%1/top%2/sub%3").arg(root).arg(top).arg(below));
    }
}

bool topLevelsWatched(const FileWatcher* watcher, const QString& root)
{
    if (watcher->watchOfFolder(root) < 0)
        return false;
    for (int top = 0; top < 6; ++top) {
        if (watcher->watchOfFolder(QStringLiteral("%1/top%2").arg(root).arg(top)) < 0)
            return false;
    }
    return true;
}

class WatchLimit : public FoldersSection {};

// Outside: runs this very test inside a new user namespace and reads its result.
void runInsideNamespace(const char* testName)
{
    QProcess probe;
    probe.start(QStringLiteral("unshare"),
        inNamespace({ QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("echo %1 > /proc/sys/user/max_inotify_watches").arg(watchLimit) }));
    const bool probed = probe.waitForFinished(30000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
    if (!probed) {
        GTEST_SKIP() << "No user namespace with a lowered watch limit can be made on this machine (unshare --user "
                        "--map-root-user, then writing /proc/sys/user/max_inotify_watches: "
                     << (probe.error() == QProcess::FailedToStart ? QStringLiteral("unshare is not installed")
                                                                  : QString::fromLocal8Bit(probe.readAllStandardError()).trimmed())
                            .toStdString()
                     << "); the sharing of watches at the limit is not tested";
    }
    QProcess inside;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(insideVariable), QStringLiteral("1"));
    inside.setProcessEnvironment(environment);
    inside.setProcessChannelMode(QProcess::MergedChannels);
    inside.start(QStringLiteral("unshare"),
        inNamespace({ QCoreApplication::applicationFilePath(), QStringLiteral("--gtest_filter=%1").arg(QString::fromLatin1(testName)) }));
    ASSERT_TRUE(inside.waitForFinished(100000)) << "the run inside the namespace did not end";
    const QString output = QString::fromLocal8Bit(inside.readAll());
    EXPECT_EQ(inside.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
    // The log names the limit that was met, not the system's.
    EXPECT_TRUE(output.contains(QStringLiteral("the limit of %1 folder watches per user (user.max_inotify_watches)").arg(watchLimit)))
        << output.toStdString();
}

} // namespace

TEST_F(WatchLimit, TwoRootsShareTheWatchesTopLevelsFirstAndTheWindowNamesThem)
{
    if (!insideNamespace()) {
        runInsideNamespace("WatchLimit.TwoRootsShareTheWatchesTopLevelsFirstAndTheWindowNamesThem");
        return;
    }
    QFile limit(QStringLiteral("/proc/sys/user/max_inotify_watches"));
    ASSERT_TRUE(limit.open(QIODevice::WriteOnly)) << "the namespace's limit cannot be set";
    limit.write(QByteArray::number(watchLimit));
    limit.close();

    const QString alpha = base + "/alpha";
    const QString beta = base + "/beta";
    makeTree(alpha);
    makeTree(beta);
    WatchNotice notice(section.get());

    ASSERT_TRUE(section->openFolderInternally(alpha, false));
    FileWatcher* first = section->fileWatchers().at(0);
    ASSERT_TRUE(waitUntil([&] { return first->isReady() && !first->isWatchedInFull(); }, 30000));
    EXPECT_FALSE(notice.isHidden());
    EXPECT_TRUE(notice.text().contains("“alpha”")) << notice.text().toStdString();

    // The second root gets its part, its top levels first, and the first gives up its deepest.
    ASSERT_TRUE(section->openFolderInternally(beta, false));
    FileWatcher* second = section->fileWatchers().at(1);
    const auto shared = [&] {
        const int a = first->watchedFolderCount();
        const int b = second->watchedFolderCount();
        return second->isReady() && topLevelsWatched(first, alpha) && topLevelsWatched(second, beta) && std::abs(a - b) <= 1
            && a + b >= watchLimit - 10;
    };
    ASSERT_TRUE(waitUntil(shared, 30000)) << "alpha holds " << first->watchedFolderCount() << ", beta " << second->watchedFolderCount();
    EXPECT_FALSE(first->isWatchedInFull());
    EXPECT_FALSE(second->isWatchedInFull());
    EXPECT_LE(first->watchedFolderCount() + second->watchedFolderCount(), watchLimit);
    for (const QString& left : second->unwatchedFolders())
        EXPECT_EQ(left.count('/') - beta.count('/'), 2) << left.toStdString() << ": a deeper folder is left out before all of level 2";

    // The window names both roots and the limit; the notice's tooltip lists the folders.
    const QString text = section->watchNotice();
    EXPECT_TRUE(text.contains("“alpha”")) << text.toStdString();
    EXPECT_TRUE(text.contains("“beta”")) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("%1 folder watches per user (user.max_inotify_watches)").arg(watchLimit))) << text.toStdString();
    EXPECT_EQ(notice.text(), text);
    for (const FileWatcher* watcher : { first, second })
        EXPECT_TRUE(notice.toolTip().contains(watcher->unwatchedFolders().value(0) + "\n")) << notice.toolTip().toStdString();

    // The second root's changes reach its rows.
    ASSERT_TRUE(makeFile(beta + "/top0/new.md", "x"));
    ASSERT_TRUE(makeFile(beta + "/new.md", "x"));
    EXPECT_TRUE(waitUntil([&] { return row(beta + "/new.md") != nullptr; }));

    // Without the first root, the second takes the watches it gave up.
    section->removeRootFolderItem(row(alpha));
    ASSERT_TRUE(waitUntil([&] { return second->watchedFolderCount() >= watchLimit - 10; }, 30000))
        << "beta holds " << second->watchedFolderCount();
    EXPECT_FALSE(section->watchNotice().contains("“alpha”"));
    EXPECT_TRUE(section->watchNotice().contains("“beta”"));
}

TEST_F(WatchLimit, EveryFolderWatchedLeavesTheWindowSilent)
{
    makeTree(root);
    WatchNotice notice(section.get());
    addRoot();
    FileWatcher* watcher = section->fileWatchers().at(0);
    ASSERT_TRUE(waitUntil([&] { return watcher->isReady(); }));
    EXPECT_TRUE(watcher->isWatchedInFull());
    EXPECT_TRUE(section->watchNotice().isEmpty());
    EXPECT_TRUE(notice.text().isEmpty());
    EXPECT_TRUE(notice.isHidden());
}
