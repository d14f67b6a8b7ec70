// The recursive watcher on real temporary folders.
#include "FolderFixtures.h"
#include "sidebar/FileWatcher.h"

#include "../support/QtPrinters.h"
#include "platform/FileWatchEngine.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <map>
#include <memory>

using namespace penwick;
using penwick::test::makeFile;
using penwick::test::makeFolder;
using penwick::test::waitUntil;

namespace {

using Event = std::pair<QString, quint32>;

// A watcher that writes down what it is told, batch by batch.
class Recording {
public:
    explicit Recording(const QString& path)
        : watcher(path, [this](const QString& changed, quint32 flags) { current.emplace_back(changed, flags); }, 0.05)
    {
        watcher.setBatchEndHandler([this] { batches.push_back(std::exchange(current, {})); });
    }

    bool ready() { return waitUntil([&] { return watcher.isReady(); }); }

    std::vector<Event> all() const
    {
        std::vector<Event> out;
        for (const auto& batch : batches)
            out.insert(out.end(), batch.begin(), batch.end());
        return out;
    }
    bool saw(const QString& path, quint32 flag = 0) const
    {
        for (const Event& event : all()) {
            if (event.first == path && (!flag || (event.second & flag)))
                return true;
        }
        return false;
    }
    bool waitFor(const QString& path, quint32 flag = 0) { return waitUntil([&] { return saw(path, flag); }); }

    FileWatcher watcher;
    std::vector<Event> current;
    std::vector<std::vector<Event>> batches;
};

class Watcher : public ::testing::Test {
protected:
    void SetUp() override
    {
        base = test::temporaryFolder();
        root = base + "/root";
        makeFolder(root + "/existing/inner");
    }
    QString base;
    QString root;
};

TEST_F(Watcher, ACreateAModifyAndADeleteComeAsOneBatchInOrder)
{
    Recording rec(root);
    ASSERT_TRUE(rec.ready());
    ASSERT_TRUE(makeFile(root + "/a.txt", "x"));
    ASSERT_TRUE(QFile::remove(root + "/a.txt"));
    ASSERT_TRUE(waitUntil([&] { return rec.batches.size() == 1; }));
    const std::vector<Event> expected {
        { root + "/a.txt", FileWatcher::ItemCreated },
        { root + "/a.txt", FileWatcher::ItemModified },
        { root + "/a.txt", FileWatcher::ItemRemoved },
    };
    EXPECT_EQ(rec.batches.front(), expected);
}

TEST_F(Watcher, AFileMadeAtOnceInNewFoldersIsReported)
{
    Recording rec(root);
    ASSERT_TRUE(rec.ready());
    ASSERT_TRUE(makeFile(root + "/x/y/f.md", "text"));
    EXPECT_TRUE(rec.waitFor(root + "/x", FileWatcher::ItemCreated | FileWatcher::ItemIsDirectory));
    EXPECT_TRUE(rec.waitFor(root + "/x/y/f.md", FileWatcher::ItemCreated));
    // And later changes inside them too.
    ASSERT_TRUE(makeFile(root + "/x/y/g.md"));
    EXPECT_TRUE(rec.waitFor(root + "/x/y/g.md", FileWatcher::ItemCreated));
}

TEST_F(Watcher, AFolderRenamedInTheTreeReportsLaterWritesUnderItsNewPath)
{
    Recording rec(root);
    ASSERT_TRUE(rec.ready());
    ASSERT_TRUE(QDir().rename(root + "/existing", root + "/moved"));
    ASSERT_TRUE(rec.waitFor(root + "/moved", FileWatcher::ItemRenamed));
    EXPECT_TRUE(rec.saw(root + "/existing", FileWatcher::ItemRenamed));
    ASSERT_TRUE(makeFile(root + "/moved/inner/new.md"));
    EXPECT_TRUE(rec.waitFor(root + "/moved/inner/new.md", FileWatcher::ItemCreated));
    EXPECT_FALSE(rec.saw(root + "/existing/inner/new.md"));
}

TEST_F(Watcher, ASubtreeMovedInIsWatchedAndOneMovedOutGoesSilent)
{
    makeFile(base + "/outside/p/q.md");
    Recording rec(root);
    ASSERT_TRUE(rec.ready());
    ASSERT_TRUE(QDir().rename(base + "/outside", root + "/in"));
    ASSERT_TRUE(rec.waitFor(root + "/in/p/q.md", FileWatcher::ItemCreated));
    EXPECT_TRUE(rec.saw(root + "/in/p", FileWatcher::ItemCreated | FileWatcher::ItemIsDirectory));
    ASSERT_TRUE(makeFile(root + "/in/p/r.md"));
    ASSERT_TRUE(rec.waitFor(root + "/in/p/r.md", FileWatcher::ItemCreated));

    ASSERT_TRUE(QDir().rename(root + "/in", base + "/away"));
    // The second move of "in" is the one out of the tree.
    ASSERT_TRUE(waitUntil([&] {
        const std::vector<Event> events = rec.all();
        return std::count(events.begin(), events.end(), Event { root + "/in", FileWatcher::ItemRenamed | FileWatcher::ItemIsDirectory }) == 2;
    }));
    EXPECT_EQ(rec.watcher.watchedFolderCount(), 3); // root, existing, existing/inner
    ASSERT_TRUE(makeFile(base + "/away/p/silent.md"));
    ASSERT_TRUE(makeFile(root + "/marker"));
    ASSERT_TRUE(rec.waitFor(root + "/marker"));
    for (const Event& event : rec.all())
        EXPECT_FALSE(event.first.contains("silent")) << event.first.toStdString();
}

TEST_F(Watcher, DeletingTheRootReportsItAndNothingArrivesAfterClose)
{
    Recording rec(root);
    Recording witness(root);
    ASSERT_TRUE(rec.ready());
    ASSERT_TRUE(witness.ready());
    rec.watcher.close();
    ASSERT_TRUE(makeFile(root + "/after-close"));
    ASSERT_TRUE(witness.waitFor(root + "/after-close"));
    EXPECT_TRUE(rec.all().empty());

    ASSERT_TRUE(QDir(root).removeRecursively());
    EXPECT_TRUE(witness.waitFor(root, FileWatcher::RootChanged));
    EXPECT_TRUE(rec.all().empty());
}

TEST_F(Watcher, TwoWatchersOnOneRootShareWatchesAndClosingOneKeepsTheOther)
{
    auto first = std::make_unique<Recording>(root);
    Recording second(root);
    ASSERT_TRUE(first->ready());
    ASSERT_TRUE(second.ready());
    const int watch = second.watcher.watchOfFolder(root);
    ASSERT_GE(watch, 0);
    EXPECT_EQ(first->watcher.watchOfFolder(root), watch);
    EXPECT_EQ(platform::FileWatchEngine::shared().referenceCount(watch), 2);

    first.reset();
    EXPECT_EQ(platform::FileWatchEngine::shared().referenceCount(watch), 1);
    ASSERT_TRUE(makeFile(root + "/existing/inner/still.md"));
    EXPECT_TRUE(second.waitFor(root + "/existing/inner/still.md", FileWatcher::ItemCreated));
}

TEST_F(Watcher, AnOverflowIsLoggedAndEveryFileMadeIsReportedOnce)
{
    QFile limits(QStringLiteral("/proc/sys/fs/inotify/max_queued_events"));
    ASSERT_TRUE(limits.open(QIODevice::ReadOnly));
    const int queueLimit = limits.readAll().trimmed().toInt();
    ASSERT_GT(queueLimit, 0);

    Recording rec(root);
    ASSERT_TRUE(rec.ready());
    testing::internal::CaptureStdout();
    // Two events per file (made, closed): the queue overflows long before the loop runs again.
    const int files = queueLimit / 2 + 500;
    for (int i = 0; i < files; ++i)
        ASSERT_TRUE(makeFile(root + QString("/f%1").arg(i)));

    std::map<QString, int> created;
    auto count = [&] {
        created.clear();
        for (const Event& event : rec.all()) {
            if (event.second & FileWatcher::ItemCreated)
                ++created[event.first];
        }
        return int(created.size());
    };
    const bool all = waitUntil([&] { return count() == files; }, 20000);
    const QString output = QString::fromStdString(testing::internal::GetCapturedStdout());
    EXPECT_TRUE(all) << count() << " of " << files;
    for (const auto& [path, times] : created)
        EXPECT_EQ(times, 1) << path.toStdString();
    EXPECT_TRUE(output.contains("overflowed")) << output.toStdString();
    EXPECT_FALSE(rec.saw(root, FileWatcher::ItemCreated));
}

TEST_F(Watcher, ATildePathWatchesTheExpandedPath)
{
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", base.toLocal8Bit());
    Recording rec(QStringLiteral("~/root"));
    qputenv("HOME", oldHome);
    EXPECT_EQ(rec.watcher.path(), "~/root");
    EXPECT_EQ(rec.watcher.watchedPath(), root);
    ASSERT_TRUE(rec.ready());
    ASSERT_TRUE(makeFile(root + "/t.md"));
    EXPECT_TRUE(rec.waitFor(root + "/t.md", FileWatcher::ItemCreated));
}

} // namespace

TEST_F(Watcher, ABigTreeMovedInIsWatchedWholeAndMovedOutGivesItsWatchesBack)
{
    // More folders than are taken in one turn, and more than are given back in place.
    for (int i = 0; i < 4200; ++i)
        ASSERT_TRUE(makeFolder(base + QStringLiteral("/big/d%1").arg(i)));
    Recording rec(root);
    ASSERT_TRUE(rec.ready());
    platform::FileWatchEngine& engine = platform::FileWatchEngine::shared();
    const int before = engine.watchCount();

    ASSERT_TRUE(QDir().rename(base + "/big", root + "/big"));
    ASSERT_TRUE(waitUntil([&] { return rec.watcher.watchedFolderCount() == 3 + 4201; }, 60000)) << rec.watcher.watchedFolderCount();
    ASSERT_TRUE(makeFile(root + "/big/d4199/deep.md"));
    ASSERT_TRUE(rec.waitFor(root + "/big/d4199/deep.md", FileWatcher::ItemCreated));

    ASSERT_TRUE(QDir().rename(root + "/big", base + "/away"));
    ASSERT_TRUE(waitUntil([&] { return rec.watcher.watchedFolderCount() == 3 && engine.watchCount() == before; }, 60000))
        << rec.watcher.watchedFolderCount() << " watched, the engine holds " << engine.watchCount() << " of " << before;
    ASSERT_TRUE(makeFile(base + "/away/d1/silent.md"));
    ASSERT_TRUE(makeFile(root + "/marker"));
    ASSERT_TRUE(rec.waitFor(root + "/marker"));
    for (const Event& event : rec.all())
        EXPECT_FALSE(event.first.contains("silent")) << event.first.toStdString();
}
