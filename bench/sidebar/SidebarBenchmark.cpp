// Folder listings, ignore rules and the recursive watcher on real temporary folders.
// Run: build/bin/bench_sidebar (settings go to a private folder).
#include "sidebar/FileWatcher.h"
#include "sidebar/FoldersNavigator.h"
#include "sidebar/SourceListController.h"
#include "platform/treelist/TreeListView.h"
#include "sidebar/TVXFileSystemFilterService.h"
#include "sidebar/TVXNavigatorPreferencesFactory.h"
#include "platform/FileWatchEngine.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>

#include "Extensions/StringAdditions.h"
#include "platform/NotificationCenter.h"
#include "platform/treelist/TreeListModel.h"
#include "common/Notifications.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <thread>
#include <time.h>
#include <unistd.h>

using namespace penwick;

namespace {

QString& scratchRoot()
{
    static QTemporaryDir dir;
    static QString path = dir.path();
    return path;
}

// Makes an empty file with one event (made); a write would add a second (closed).
void touch(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_CREAT | O_RDONLY | O_CLOEXEC, 0644);
    if (fd >= 0)
        ::close(fd);
}

// A folder of `count` files (made once per process and size).
QString flatFolder(int count)
{
    const QString folder = scratchRoot() + QStringLiteral("/flat%1").arg(count);
    if (!QDir(folder).exists()) {
        QDir().mkpath(folder);
        for (int i = 0; i < count; ++i)
            touch(folder + QStringLiteral("/note-%1.md").arg(i));
    }
    return folder;
}

// `folders` folders (100 per level-one folder) holding `files` files in all.
QString deepTree(int folders, int files)
{
    const QString root = scratchRoot() + QStringLiteral("/tree%1-%2").arg(folders).arg(files);
    if (!QDir(root).exists()) {
        for (int f = 0; f < folders; ++f) {
            const QString folder = root + QStringLiteral("/g%1/d%2").arg(f / 100).arg(f);
            QDir().mkpath(folder);
            for (int i = 0; i < files / folders; ++i)
                touch(folder + QStringLiteral("/n%1.md").arg(i));
        }
    }
    return root;
}

bool spinUntil(const std::function<bool()>& done, int timeoutMs = 60000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}

void BM_ListFolder(benchmark::State& state)
{
    const QString folder = flatFolder(int(state.range(0)));
    const TVXFileSystemFilterService service(state.range(1) ? std::optional<QString>(QStringLiteral(".*.log|node_modules|build")) : std::nullopt, true);
    for (auto _ : state) {
        auto entries = service.getFilteredContentsForDirectoryAtPath(folder);
        benchmark::DoNotOptimize(entries);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ListFolder)->Args({ 100000, 0 })->Args({ 100000, 1 })->Unit(benchmark::kMillisecond);

void BM_ShouldIgnorePath(benchmark::State& state)
{
    TVXNavigatorPreferencesFactory::setIgnoredFilesAndFoldersString(QStringLiteral("*.log;node_modules;build;*~;.DS_Store"));
    QStringList paths;
    for (int i = 0; i < 100000; ++i)
        paths << QStringLiteral("/home/u/project/src/module%1/file-%2.%3").arg(i % 97).arg(i).arg(i % 3 ? "md" : "log");
    for (auto _ : state) {
        int ignored = 0;
        for (const QString& path : paths)
            ignored += TVXNavigatorPreferencesFactory::shouldIgnorePath(path);
        benchmark::DoNotOptimize(ignored);
    }
    state.SetItemsProcessed(state.iterations() * paths.size());
}
BENCHMARK(BM_ShouldIgnorePath)->Unit(benchmark::kMillisecond);

void BM_WatchTree(benchmark::State& state)
{
    const QString root = deepTree(int(state.range(0)), int(state.range(1)));
    bool first = true;
    for (auto _ : state) {
        const long before = residentKiB();
        QElapsedTimer timer;
        timer.start();
        FileWatcher watcher(root, [](const QString&, quint32) {});
        if (!spinUntil([&] { return watcher.isReady(); }))
            state.SkipWithError("the first walk did not finish");
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        if (first) { // later rounds reuse the memory the first one freed
            state.counters["watches"] = watcher.watchedFolderCount();
            state.counters["rss_KiB"] = double(residentKiB() - before);
            first = false;
        }
    }
}
BENCHMARK(BM_WatchTree)->Args({ 10000, 100000 })->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_NewFileToCallback(benchmark::State& state)
{
    const QString root = scratchRoot() + QStringLiteral("/latency");
    QDir().mkpath(root);
    int seen = 0;
    FileWatcher watcher(root, [&](const QString&, quint32 flags) { seen += (flags & FileWatcher::ItemCreated) ? 1 : 0; });
    spinUntil([&] { return watcher.isReady(); });
    int n = 0;
    for (auto _ : state) {
        const int target = seen + 1;
        QElapsedTimer timer;
        timer.start();
        touch(root + QStringLiteral("/new-%1").arg(n++));
        spinUntil([&] { return seen >= target; });
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    }
}
BENCHMARK(BM_NewFileToCallback)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// Creations, then deletions, each phase timed until every change has reached the callback.
void BM_BurstOfCreationsThenDeletions(benchmark::State& state)
{
    const int count = int(state.range(0));
    const QString root = scratchRoot() + QStringLiteral("/burst");
    QDir().mkpath(root);
    int created = 0;
    int removed = 0;
    int batches = 0;
    qint64 longestBatchNs = 0;
    QElapsedTimer batchTimer;
    FileWatcher watcher(root, [&](const QString&, quint32 flags) {
        if (!batchTimer.isValid())
            batchTimer.start();
        created += (flags & FileWatcher::ItemCreated) ? 1 : 0;
        removed += (flags & FileWatcher::ItemRemoved) ? 1 : 0;
    });
    watcher.setBatchEndHandler([&] {
        ++batches;
        longestBatchNs = std::max(longestBatchNs, batchTimer.nsecsElapsed());
        batchTimer.invalidate();
    });
    spinUntil([&] { return watcher.isReady(); });
    for (auto _ : state) {
        created = removed = batches = 0;
        longestBatchNs = 0;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < count; ++i)
            touch(root + QStringLiteral("/b%1").arg(i));
        spinUntil([&] { return created >= count; });
        const double createSeconds = double(timer.nsecsElapsed()) / 1e9;
        for (int i = 0; i < count; ++i)
            QFile::remove(root + QStringLiteral("/b%1").arg(i));
        spinUntil([&] { return removed >= count; });
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        state.counters["create_s"] = createSeconds;
        state.counters["batches"] = batches;
        state.counters["longest_batch_ms"] = double(longestBatchNs) / 1e6;
    }
}
BENCHMARK(BM_BurstOfCreationsThenDeletions)->Arg(10000)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// From its making: the longest the event loop went without running a 10 ms timer, the time
// since the last run included.
class StallProbe {
public:
    StallProbe()
    {
        m_sinceLast.start();
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longestNs = std::max(m_longestNs, m_sinceLast.nsecsElapsed());
            m_sinceLast.restart();
        });
        m_timer.start();
    }
    double longestMs() const { return double(std::max(m_longestNs, m_sinceLast.nsecsElapsed())) / 1e6; }

private:
    QElapsedTimer m_sinceLast;
    qint64 m_longestNs = 0;
    QTimer m_timer;
};

// A shown folders section with the big folder's parent as its root, expanded: the big folder
// is one of its rows, not yet read.
struct HugeFolderScene {
    explicit HugeFolderScene(const QString& folder)
        : controller(&list)
        , section(&list, nullptr, nullptr)
    {
        list.resize(300, 600);
        list.show();
        controller.addOutlineItem(&section);
        top = section.openFolderInternally(parentPath(folder), false);
        list.expandItem(top);
        huge = top->findChildAtPath(folder);
    }
    platform::TreeListView list;
    SourceListController controller;
    FoldersNavigator section;
    FolderItemPtr top;
    FolderItemPtr huge;
};

// From the will-expand of a folder of 100,000 files to the first painted frame of its rows.
void BM_ExpandHugeFolder(benchmark::State& state)
{
    const QString folder = flatFolder(100000);
    for (auto _ : state) {
        HugeFolderScene scene(folder);
        auto& [list, controller, section, top, huge] = scene;
        QCoreApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        list.expandItem(huge);
        list.viewport()->repaint();
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        state.counters["rows"] = double(huge->numberOfChildren());
    }
}
BENCHMARK(BM_ExpandHugeFolder)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// The same expansion by stage, once the watcher's first walk is over: the listing, the
// rows' items, the model's first rows, the expansion and the paint (thread CPU times in ms).
void BM_ExpandHugeFolderStages(benchmark::State& state)
{
    const QString folder = flatFolder(100000);
    const auto cpuMs = [] {
        timespec now {};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
    };
    for (auto _ : state) {
        HugeFolderScene scene(folder);
        auto& [list, controller, section, top, huge] = scene;
        spinUntil([&] { return section.fileWatchers().front()->isReady(); });
        QCoreApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        double mark = cpuMs();
        const auto lap = [&](const char* name) {
            const double now = cpuMs();
            state.counters[name] = now - mark;
            mark = now;
        };
        std::vector<FolderEntry> entries = section.urlsGenerator(folder);
        lap("list_ms");
        huge->populateChildrenOfItem(top, [&](const QString&) { return std::move(entries); });
        lap("items_ms");
        list.listModel()->fetchMore(list.listModel()->indexForItem(huge.get()));
        lap("model_ms");
        list.expandItem(huge);
        lap("expand_ms");
        list.viewport()->repaint();
        lap("paint_ms");
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        // The rest of the rows, read a slice per turn: how long, and the longest turn a 10 ms timer saw.
        QElapsedTimer drain;
        drain.start();
        StallProbe probe;
        spinUntil([&] { return !list.listModel()->hasPartialItems(); });
        QCoreApplication::processEvents(); // the last layout
        state.counters["rest_read_ms"] = double(drain.nsecsElapsed()) / 1e6;
        state.counters["rest_longest_stall_ms"] = probe.longestMs();
    }
}
BENCHMARK(BM_ExpandHugeFolderStages)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// 10,000 files made in a shown, watched folder: how many batches reach the tree and the
// longest the event loop went without running a 10 ms timer.
void BM_BurstIntoTheTree(benchmark::State& state)
{
    const QString root = scratchRoot() + QStringLiteral("/tree-burst");
    for (auto _ : state) {
        QDir(root).removeRecursively();
        QDir().mkpath(root);
        platform::TreeListView list;
        list.resize(300, 600);
        list.show();
        SourceListController controller(&list);
        FoldersNavigator section(&list, nullptr, nullptr);
        controller.addOutlineItem(&section);
        const FolderItemPtr top = section.openFolderInternally(root, false);
        spinUntil([&] { return section.fileWatchers().front()->isReady(); });
        int notifications = 0;
        platform::Observation observation = platform::NotificationCenter::defaultCenter().observe(
            Notifications::FOLDER_WATCH, &section, [&](const platform::Notification&) { ++notifications; });
        for (int i = 0; i < 10000; ++i)
            touch(root + QStringLiteral("/b%1").arg(i));
        QElapsedTimer timer;
        timer.start();
        StallProbe probe;
        spinUntil([&] { return top->numberOfChildren() == 10000 && notifications > 0; });
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        state.counters["batches"] = notifications;
        state.counters["longest_stall_ms"] = probe.longestMs();
    }
}
BENCHMARK(BM_BurstIntoTheTree)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);


// A shown folders section on `root`, expanded, whose watcher has finished its first walk.
struct WatchedRootScene {
    explicit WatchedRootScene(const QString& root)
        : controller(&list)
        , section(&list, nullptr, nullptr)
    {
        list.resize(300, 600);
        list.show();
        controller.addOutlineItem(&section);
        section.setTrashConfirmation([this](const QString&, const QString&) {
            if (!firstConfirmation.isValid())
                firstConfirmation.start();
            ++confirmations;
            return false;
        });
        top = section.openFolderInternally(root, false);
        list.expandItem(top);
        spinUntil([&] { return section.fileWatchers().front()->isReady(); });
        QCoreApplication::processEvents();
    }
    platform::TreeListView list;
    SourceListController controller;
    FoldersNavigator section;
    FolderItemPtr top;
    QElapsedTimer firstConfirmation;
    int confirmations = 0;
};

// Makes (or deletes) `count` files named b0... in `folder`, then waits until `folder`'s row
// shows `expected` rows; the longest the event loop went without a turn meanwhile.
double burstStall(const FolderItemPtr& row, const QString& folder, int count, bool create, std::size_t expected, bool& reached)
{
    StallProbe probe;
    // Made from another thread, as another program would, while the event loop runs.
    std::thread writer([folder, count, create] {
        for (int i = 0; i < count; ++i) {
            const QByteArray path = QFile::encodeName(folder + QStringLiteral("/b%1").arg(i));
            if (create)
                touch(QString::fromUtf8(path));
            else
                ::unlink(path.constData());
        }
    });
    reached = spinUntil([&] { return row->numberOfChildren() == expected; }, 300000);
    writer.join();
    QCoreApplication::processEvents();
    return probe.longestMs();
}

// 10,000 files made, then deleted, in a shown and expanded root (range 0 = 0) or in an
// expanded folder of 100,000 files below it (range 0 = 1). Longest stall of each phase.
void BM_BurstIntoExpandedFolder(benchmark::State& state)
{
    const bool huge = state.range(0) != 0;
    const QString root = scratchRoot() + (huge ? QStringLiteral("/expanded-huge") : QStringLiteral("/expanded-burst"));
    for (auto _ : state) {
        QDir(root).removeRecursively();
        QDir().mkpath(root);
        QString folder = root;
        if (huge) {
            folder = root + QStringLiteral("/big");
            QDir().mkpath(folder);
            for (int i = 0; i < 100000; ++i)
                touch(folder + QStringLiteral("/note-%1.md").arg(i));
        }
        WatchedRootScene scene(root);
        FolderItemPtr row = scene.top;
        if (huge) {
            row = scene.top->findChildAtPath(folder);
            scene.list.expandItem(row);
            spinUntil([&] { return !scene.list.listModel()->hasPartialItems(); });
            QCoreApplication::processEvents();
        }
        const std::size_t before = row->numberOfChildren();
        QElapsedTimer timer;
        timer.start();
        bool reached = false;
        state.counters["create_stall_ms"] = burstStall(row, folder, 10000, true, before + 10000, reached);
        if (!reached)
            state.SkipWithError("the creations did not all show");
        state.counters["delete_stall_ms"] = burstStall(row, folder, 10000, false, before, reached);
        if (!reached)
            state.SkipWithError("the deletions did not all show");
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    }
}
BENCHMARK(BM_BurstIntoExpandedFolder)->Arg(0)->Arg(1)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// A folder holding 20,000 folders moved into a shown, expanded root, then out again.
void BM_MoveInFolderOfManyFolders(benchmark::State& state)
{
    const QString root = scratchRoot() + QStringLiteral("/move-root");
    const QString outside = scratchRoot() + QStringLiteral("/move-outside");
    for (auto _ : state) {
        QDir(root).removeRecursively();
        QDir(outside).removeRecursively();
        QDir().mkpath(root);
        for (int i = 0; i < 20000; ++i)
            QDir().mkpath(outside + QStringLiteral("/many/d%1").arg(i));
        WatchedRootScene scene(root);
        QElapsedTimer timer;
        timer.start();
        {
            StallProbe probe;
            QDir().rename(outside + QStringLiteral("/many"), root + QStringLiteral("/many"));
            if (!spinUntil([&] { return scene.top->numberOfChildren() == 1 && scene.section.fileWatchers().front()->watchedFolderCount() > 20000; }, 300000))
                state.SkipWithError("the moved folder was not watched");
            QCoreApplication::processEvents();
            state.counters["move_in_stall_ms"] = probe.longestMs();
        }
        {
            StallProbe probe;
            QDir().rename(root + QStringLiteral("/many"), outside + QStringLiteral("/many"));
            if (!spinUntil([&] { return scene.top->numberOfChildren() == 0; }, 300000))
                state.SkipWithError("the moved folder's row stayed");
            QCoreApplication::processEvents();
            state.counters["move_out_stall_ms"] = probe.longestMs();
        }
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    }
}
BENCHMARK(BM_MoveInFolderOfManyFolders)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// Delete pressed with 1,000 rows selected in an expanded folder of 100,000 files: the time
// until the first confirmation shows and until all 1,000 were answered (each with Cancel).
void BM_DeleteManySelectedRows(benchmark::State& state)
{
    const QString folder = flatFolder(100000);
    for (auto _ : state) {
        WatchedRootScene scene(parentPath(folder));
        const FolderItemPtr huge = scene.top->findChildAtPath(folder);
        scene.list.expandItem(huge);
        spinUntil([&] { return !scene.list.listModel()->hasPartialItems(); });
        QCoreApplication::processEvents();
        // Every 100th row of the folder.
        const int first = scene.list.rowForItem(huge) + 1;
        QList<int> rows;
        for (int i = 0; i < 1000; ++i)
            rows << first + i * 100;
        scene.list.selectRowIndexes(rows, false);
        scene.list.setFocus();
        QElapsedTimer timer;
        timer.start();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QCoreApplication::sendEvent(&scene.list, &press);
        const double total = double(timer.nsecsElapsed()) / 1e6;
        state.SetIterationTime(total / 1e3);
        state.counters["to_first_confirmation_ms"] = scene.firstConfirmation.isValid()
            ? total - double(scene.firstConfirmation.nsecsElapsed()) / 1e6 : -1;
        state.counters["all_answered_ms"] = total;
        state.counters["confirmations"] = scene.confirmations;
    }
}
BENCHMARK(BM_DeleteManySelectedRows)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
