// Starting and stopping PenwickMini and its login item, with a stand-in program at the place of
// the real one, real processes, a private runtime folder and a private autostart folder.
#include "CoreMagicStrings.h"
#include "platform/SingleInstance.h"
#include "TestSupport.h"
#include "common/PenwickMiniService.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>

using namespace penwick;

namespace {

std::optional<qint64> runningCompanion()
{
    return platform::SingleInstance::runningProcessId(CoreMagicStrings::PENWICK_MINI_INSTANCE_NAME);
}

class Launcher : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString root = test::temporaryFolder();
        runtime = root + QStringLiteral("/runtime");
        config = root + QStringLiteral("/config");
        QDir().mkpath(runtime);
        QDir().mkpath(config);
        ::chmod(QFile::encodeName(runtime).constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
        logPath = root + QStringLiteral("/companion.log");
        qputenv("FAKE_COMPANION_LOG", QFile::encodeName(logPath));
        qunsetenv("FAKE_COMPANION_MODE");
        // The stand-in takes PenwickMini's name in a folder of its own.
        QDir().mkpath(root + QStringLiteral("/bin"));
        companion = root + QStringLiteral("/bin/PenwickMini");
        ASSERT_TRUE(QFile::copy(QStringLiteral(PENWICK_FAKE_COMPANION), companion));
        PenwickMiniService::setCompanionPath(companion);
        entry = config + QStringLiteral("/autostart/") + PenwickMiniService::kAutostartFileName;
    }
    void TearDown() override
    {
        // Whatever still runs of ours goes.
        for (qint64 pid : companionProcesses())
            ::kill(pid_t(pid), SIGKILL);
        PenwickMiniService::setCompanionPath({});
    }

    // The processes running the stand-in, found by their executable.
    QList<qint64> companionProcesses() const
    {
        QList<qint64> pids;
        const QString target = QFileInfo(companion).canonicalFilePath();
        for (const QString& name : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            bool number = false;
            const qint64 pid = name.toLongLong(&number);
            if (number && QFileInfo(QStringLiteral("/proc/%1/exe").arg(name)).symLinkTarget() == target)
                pids.append(pid);
        }
        return pids;
    }
    QStringList logLines() const
    {
        QFile file(logPath);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    bool logged(const QString& line) const { return logLines().contains(line); }
    // Starts the companion through the launcher and waits until it holds its lock.
    qint64 startCompanion()
    {
        PenwickMiniService::startApp();
        std::optional<qint64> pid;
        EXPECT_TRUE(test::waitUntil([&] {
            pid = runningCompanion();
            return pid && logged(QStringLiteral("started %1").arg(*pid));
        }));
        return pid.value_or(0);
    }
    // Whether `pid` is alive and has handled every signal sent before this probe.
    bool answersProbe(qint64 pid)
    {
        if (::kill(pid_t(pid), SIGRTMIN) != 0)
            return false;
        return test::waitUntil([&] { return logged(QStringLiteral("probe %1").arg(pid)); });
    }

    QString runtime, config, logPath, companion, entry;
};

TEST_F(Launcher, StartLaunchesOneCopyAndNotASecondWhileItRuns)
{
    const qint64 pid = startCompanion();
    EXPECT_EQ(companionProcesses(), QList<qint64> { pid });
    test::StdoutCapture output;
    PenwickMiniService::startApp();
    EXPECT_EQ(companionProcesses(), QList<qint64> { pid }) << "the launcher started no second copy";
    EXPECT_EQ(output.text(), "") << "only errors are written";
    EXPECT_EQ(logLines(), QStringList { QStringLiteral("started %1").arg(pid) });
}

TEST_F(Launcher, AMissingProgramFailsQuietly)
{
    PenwickMiniService::setCompanionPath(companion + QStringLiteral("-missing"));
    test::StdoutCapture output;
    PenwickMiniService::startApp();
    EXPECT_EQ(output.text(), "");
    EXPECT_FALSE(runningCompanion());
    EXPECT_TRUE(companionProcesses().isEmpty());
}

TEST_F(Launcher, SwitchingOnWritesAValidEntryAndLaunchesNothing)
{
    test::StdoutCapture output;
    PenwickMiniService::updateStatus(true);
    ASSERT_TRUE(QFile::exists(entry));
    EXPECT_TRUE(companionProcesses().isEmpty());
    EXPECT_EQ(output.text(), "");
    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains(QFile::encodeName(QStringLiteral("Exec=\"") + companion + QStringLiteral("\"\n"))));
    if (QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")).isEmpty())
        GTEST_SKIP() << "desktop-file-validate is not installed";
    QProcess validate;
    validate.start(QStringLiteral("desktop-file-validate"), { entry });
    ASSERT_TRUE(validate.waitForFinished(30000));
    EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().toStdString();
}

TEST_F(Launcher, SwitchingOffEndsTheCopyHoldingTheLockAndRemovesTheEntry)
{
    PenwickMiniService::updateStatus(true);
    const qint64 pid = startCompanion();
    test::StdoutCapture output;
    PenwickMiniService::updateStatus(false);
    EXPECT_FALSE(QFile::exists(entry));
    ASSERT_TRUE(test::waitUntil([&] { return companionProcesses().isEmpty(); }));
    EXPECT_EQ(logLines(), (QStringList { QStringLiteral("started %1").arg(pid), QStringLiteral("sigterm %1").arg(pid) }));
    EXPECT_FALSE(runningCompanion()) << "the lock went with it";
    EXPECT_EQ(output.text(), "");
}

TEST_F(Launcher, SwitchingOffWithNoneRunningStillRemovesTheEntry)
{
    PenwickMiniService::updateStatus(true);
    ASSERT_TRUE(QFile::exists(entry));
    PenwickMiniService::updateStatus(false);
    EXPECT_FALSE(QFile::exists(entry));
    EXPECT_TRUE(companionProcesses().isEmpty());
}

TEST_F(Launcher, AStaleLockTerminatesNothingEvenWhenItsProcessIdWasTakenAgain)
{
    // A copy that died holding the lock leaves the file behind.
    qputenv("FAKE_COMPANION_MODE", "stale");
    QProcess crashed;
    crashed.start(companion, {});
    ASSERT_TRUE(crashed.waitForFinished(30000));
    ASSERT_TRUE(QFile::exists(platform::SingleInstance::lockPath(CoreMagicStrings::PENWICK_MINI_INSTANCE_NAME)));
    EXPECT_FALSE(runningCompanion());

    // Another process now runs under the process id the lock names.
    qputenv("FAKE_COMPANION_MODE", "nolock");
    QProcess other;
    other.start(companion, {});
    ASSERT_TRUE(other.waitForStarted(30000));
    const qint64 otherPid = other.processId();
    ASSERT_TRUE(test::waitUntil([&] { return logged(QStringLiteral("started %1").arg(otherPid)); }));
    QFile lock(platform::SingleInstance::lockPath(CoreMagicStrings::PENWICK_MINI_INSTANCE_NAME));
    ASSERT_TRUE(lock.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = lock.readAll().split('\n');
    lock.close();
    lines[0] = QByteArray::number(otherPid);
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
    lock.write(lines.join('\n'));
    lock.close();
    qint64 named = 0;
    ASSERT_TRUE(QLockFile(platform::SingleInstance::lockPath(CoreMagicStrings::PENWICK_MINI_INSTANCE_NAME)).getLockInfo(&named, nullptr, nullptr));
    ASSERT_EQ(named, otherPid);

    PenwickMiniService::updateStatus(true);
    PenwickMiniService::updateStatus(false);
    PenwickMiniService::stopApp();
    EXPECT_TRUE(answersProbe(otherPid)) << "the other process got no SIGTERM";
    EXPECT_FALSE(logged(QStringLiteral("sigterm %1").arg(otherPid)));
    EXPECT_FALSE(QFile::exists(entry));
    other.kill();
    other.waitForFinished();
}

TEST_F(Launcher, AFailedSwitchLogsTheErrorAloneAndTerminatesNothing)
{
    const qint64 pid = startCompanion();
    QFile blocker(config + QStringLiteral("/autostart"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.write("a file where the folder should be");
    blocker.close();

    for (const bool enabled : { false, true }) {
        SCOPED_TRACE(enabled ? "switching on" : "switching off");
        QString written;
        {
            test::StdoutCapture output;
            PenwickMiniService::updateStatus(enabled);
            written = output.text();
        }
        EXPECT_EQ(written, "Error: Error changing startup item status of Penwick mini\n");
        EXPECT_TRUE(answersProbe(pid)) << "the running copy was not asked to end";
        EXPECT_FALSE(logged(QStringLiteral("sigterm %1").arg(pid)));
        EXPECT_EQ(companionProcesses(), QList<qint64> { pid }) << "nothing else was started";
    }

    // stopApp, which nothing in the program calls, does end it.
    PenwickMiniService::stopApp();
    ASSERT_TRUE(test::waitUntil([&] { return logged(QStringLiteral("sigterm %1").arg(pid)); }));
}

} // namespace
