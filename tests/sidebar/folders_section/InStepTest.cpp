// The folder tree in step with the disk and with the open documents: bursts of changes,
// a root reached through a link, renamed and trashed items, names that are not UTF-8.
#include "FoldersFixture.h"
#include "platform/FileNames.h"
#include "platform/FileWatchEngine.h"
#include "sidebar/FileWatcher.h"

#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace penwick;
using namespace penwick::test;

namespace {

class InStep : public FoldersSection {
protected:
    void SetUp() override
    {
        FoldersSection::SetUp();
        top = addRoot();
        observation = platform::NotificationCenter::defaultCenter().observe(Notifications::FOLDER_WATCH, section.get(),
            [this](const platform::Notification&) { ++posted; });
    }

    FileWatcher* watcherOf(const QString& path) const
    {
        for (FileWatcher* watcher : section->fileWatchers()) {
            if (watcher->path() == path)
                return watcher;
        }
        return nullptr;
    }

    // The titles the list model shows under the row, in its order.
    QStringList modelTitles(const FolderItemPtr& folder) const
    {
        platform::TreeListModel* model = list.listModel();
        const QModelIndex parent = model->indexForItem(folder.get());
        QStringList titles;
        for (int r = 0; r < model->rowCount(parent); ++r)
            titles << model->itemForIndex(model->index(r, 0, parent))->title();
        return titles;
    }

    static bool touchBytes(const QByteArray& path)
    {
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        ::close(fd);
        return true;
    }

    FolderItemPtr top;
    int posted = 0;
    platform::Observation observation;
};

TEST_F(InStep, ABurstOfChangesReachesTheListAsOneStepPerFolderAndBatch)
{
    ASSERT_TRUE(waitUntil([&] { return watcherOf(root)->isReady(); }));
    list.expandItem(top);
    int insertions = 0;
    int removals = 0;
    QObject::connect(list.listModel(), &QAbstractItemModel::rowsInserted, &list, [&] { ++insertions; });
    QObject::connect(list.listModel(), &QAbstractItemModel::rowsRemoved, &list, [&] { ++removals; });
    QObject::connect(list.listModel(), &QAbstractItemModel::layoutChanged, &list, [&] { ++removals; });

    const int count = 400;
    int batches = posted;
    for (int i = 0; i < count; ++i)
        ASSERT_TRUE(makeFile(root + QString("/burst-%1.md").arg(i, 3, 10, QChar('0'))));
    ASSERT_TRUE(waitUntil([&] { return top->numberOfChildren() == 3u + count && posted > batches; }));
    EXPECT_GE(insertions, 1);
    EXPECT_LE(insertions, posted - batches); // one insertion for each batch, not one per file
    EXPECT_EQ(modelTitles(top), childTitles(top));

    // Every other file goes: two hundred separate runs of rows.
    batches = posted;
    for (int i = 0; i < count; i += 2)
        ASSERT_TRUE(QFile::remove(root + QString("/burst-%1.md").arg(i, 3, 10, QChar('0'))));
    ASSERT_TRUE(waitUntil([&] { return top->numberOfChildren() == 3u + count / 2 && posted > batches; }));
    EXPECT_GE(removals, 1);
    EXPECT_LE(removals, int(platform::TreeListModel::maxRemovalRuns) * (posted - batches));
    EXPECT_EQ(modelTitles(top), childTitles(top));
    EXPECT_EQ(childTitles(top).mid(3, 3), (QStringList { "burst-001.md", "burst-003.md", "burst-005.md" }));
    // Rows are found by item and items by row in the list as it is now.
    const FolderItemPtr last = row(root + "/burst-399.md");
    ASSERT_TRUE(last);
    EXPECT_EQ(list.itemAtRow(list.rowForItem(last)), last);
    EXPECT_EQ(list.rowForItem(last), list.numberOfRows() - 1);
}

TEST_F(InStep, AFolderMovedInIsWalkedAndWatchedAndItsChangesShow)
{
    ASSERT_TRUE(waitUntil([&] { return watcherOf(root)->isReady(); }));
    list.expandItem(top);
    const QString outside = base + "/outside";
    for (int i = 0; i < 50; ++i)
        makeFolder(outside + QString("/many/d%1/e").arg(i));
    ASSERT_TRUE(QDir().rename(outside + "/many", root + "/many"));
    ASSERT_TRUE(waitUntil([&] { return row(root + "/many") != nullptr; }));
    FileWatcher* watcher = watcherOf(root);
    ASSERT_TRUE(waitUntil([&] { return watcher->watchOfFolder(root + "/many/d49/e") >= 0; }));
    list.expandItem(row(root + "/many"));
    const FolderItemPtr d7 = row(root + "/many/d7");
    ASSERT_TRUE(d7);
    list.expandItem(d7);
    makeFile(root + "/many/d7/later.md");
    EXPECT_TRUE(waitUntil([&] { return d7->findChildAtPath(root + "/many/d7/later.md") != nullptr; }));

    // Moved out again: its folders go silent.
    ASSERT_TRUE(QDir().rename(root + "/many", outside + "/many"));
    EXPECT_TRUE(waitUntil([&] { return row(root + "/many") == nullptr; }));
    EXPECT_TRUE(waitUntil([&] { return watcher->watchOfFolder(root + "/many/d49/e") < 0; }));
}

TEST_F(InStep, ARootAddedThroughALinkIsWatchedButLinksInsideItAreNot)
{
    const QString real = base + "/real";
    const QString elsewhere = base + "/elsewhere";
    makeFolder(real + "/inner");
    makeFolder(elsewhere);
    ASSERT_TRUE(QFile::link(elsewhere, real + "/linked"));
    const QString link = base + "/link";
    ASSERT_TRUE(QFile::link(real, link));

    const FolderItemPtr linked = addRoot(link);
    ASSERT_TRUE(linked);
    FileWatcher* watcher = watcherOf(link);
    ASSERT_TRUE(watcher);
    ASSERT_TRUE(waitUntil([&] { return watcher->isReady(); }));
    EXPECT_GE(watcher->watchOfFolder(link), 0);
    EXPECT_GE(watcher->watchOfFolder(link + "/inner"), 0);
    EXPECT_LT(watcher->watchOfFolder(link + "/linked"), 0);

    list.expandItem(linked);
    makeFile(real + "/new.md");
    EXPECT_TRUE(waitUntil([&] { return linked->findChildAtPath(link + "/new.md") != nullptr; }));
}

TEST_F(InStep, OpenDocumentsHearOfARenameATrashAndARemovedRoot)
{
    list.expandItem(top);
    section->setObjectValue(QStringLiteral("journal.md"), row(root + "/notes.md"));
    const FolderItemPtr docs = row(root + "/docs");
    section->setObjectValue(QStringLiteral("papers"), docs);
    EXPECT_EQ(host.moves, (QStringList { root + "/notes.md -> " + root + "/journal.md", root + "/docs -> " + root + "/papers" }));

    // A failed rename tells nobody.
    makeFile(root + "/taken.md");
    section->setObjectValue(QStringLiteral("taken.md"), row(root + "/journal.md"));
    EXPECT_EQ(host.moves.size(), 2);

    confirmTrash = false;
    section->handleDeleteKeyForItem(row(root + "/journal.md"));
    EXPECT_TRUE(host.trashed.isEmpty());
    confirmTrash = true;
    section->handleDeleteKeyForItem(row(root + "/journal.md"));
    EXPECT_EQ(host.trashed, QStringList { root + "/journal.md" });

    section->removeRootFolderFromSidebar(top);
    EXPECT_EQ(host.rootsRemoved, QStringList { root });
}

TEST_F(InStep, FoldersOpenBelowARenamedFolderAreRememberedUnderTheNewPath)
{
    list.expandItem(top);
    list.expandItem(row(root + "/docs"));
    list.expandItem(row(root + "/docs/sub"));
    section->setObjectValue(QStringLiteral("papers"), row(root + "/docs"));
    const QVariantMap stored = platform::UserDefaults::standard().dictionaryForKey(Prefs::OUTLINE_EXPANDED_ITEMS);
    const QStringList expanded = stored.value(top->identifier()).toStringList();
    EXPECT_TRUE(expanded.contains(root + "/papers")) << expanded.join(',').toStdString();
    EXPECT_TRUE(expanded.contains(root + "/papers/sub")) << expanded.join(',').toStdString();
    EXPECT_FALSE(expanded.contains(root + "/docs"));
    EXPECT_FALSE(expanded.contains(root + "/docs/sub"));

    // Collapsing the renamed folder forgets it under the name it has now.
    list.collapseItem(row(root + "/papers"));
    const QStringList after = platform::UserDefaults::standard().dictionaryForKey(Prefs::OUTLINE_EXPANDED_ITEMS).value(top->identifier()).toStringList();
    EXPECT_FALSE(after.contains(root + "/papers"));

    // A renamed root files its folders under its new path.
    section->setObjectValue(QStringLiteral("moved-root"), top);
    const QVariantMap moved = platform::UserDefaults::standard().dictionaryForKey(Prefs::OUTLINE_EXPANDED_ITEMS);
    EXPECT_FALSE(moved.contains(root));
    EXPECT_TRUE(moved.value(base + "/moved-root").toStringList().contains(base + "/moved-root/papers/sub"));
}

TEST_F(InStep, ANameThatIsNotUtf8IsShownRenamedAndTrashedAsItsOwnFile)
{
    ASSERT_TRUE(waitUntil([&] { return watcherOf(root)->isReady(); }));
    list.expandItem(top);
    const QByteArray rootBytes = platform::encodeFileName(root);
    const QByteArray bad = rootBytes + "/bad\xffname.md";
    ASSERT_TRUE(touchBytes(bad));
    const QString shown = platform::decodeFileName(bad);
    ASSERT_TRUE(waitUntil([&] { return top->findChildAtPath(shown) != nullptr; }));
    const FolderItemPtr item = top->findChildAtPath(shown);
    EXPECT_FALSE(item->title().contains(QChar(0xfffd)));

    // Renamed: the real file moves, and its row follows.
    section->setObjectValue(platform::decodeFileName("still\xfe" "bad.md"), item);
    struct stat info;
    EXPECT_NE(::lstat(bad.constData(), &info), 0);
    const QByteArray renamed = rootBytes + "/still\xfe" "bad.md";
    EXPECT_EQ(::lstat(renamed.constData(), &info), 0);
    EXPECT_EQ(platform::encodeFileName(item->fullPath()), renamed);

    // Trashed: the real file goes, and the trash can put it back.
    section->handleDeleteKeyForItem(item);
    EXPECT_NE(::lstat(renamed.constData(), &info), 0);
    EXPECT_FALSE(row(item->fullPath()));
    const QByteArray trashed = platform::encodeFileName(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        + "/Trash/files/still\xfe" "bad.md";
    EXPECT_EQ(::lstat(trashed.constData(), &info), 0);
    // Qt cannot remove what it cannot spell: the temporary folders go only without it.
    ::unlink(trashed.constData());
    ::unlink((platform::encodeFileName(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        + "/Trash/info/still\xfe" "bad.md.trashinfo").constData());
}

} // namespace
