// Write transactions and change notifications within one process: this connection's commits,
// another connection's commits, commits from worker threads, failed commits.
#include "DatabaseTestSupport.h"

#include "Models/ScratchDocument.h"
#include "Models/Snippet.h"

#include <QThread>

#include <atomic>
#include <latch>
#include <thread>

using namespace penwick;
using namespace penwick::platform::store;

namespace {

class Changes : public penwick::test::DatabaseTest {
protected:
    static ScratchDocument note(const QString& title)
    {
        ScratchDocument n;
        n.setId(makeRecordId());
        n.setTitle(title);
        return n;
    }
    // A second connection to the same file, as another window or program would hold.
    std::unique_ptr<Database> secondConnection(int busyTimeoutMs = 10000)
    {
        Configuration config = RealmSetup::configuration(databasePath());
        config.busyTimeoutMs = busyTimeoutMs;
        StoreError error;
        auto db = Database::open(config, &error);
        EXPECT_TRUE(db) << error.message.toStdString();
        return db;
    }
};

TEST_F(Changes, OwnCommitNotifiesAtOnceWithTheClassesItChanged)
{
    QList<StoreChange> all, scratchOnly, snippetOnly;
    auto a = Realm::observe(nullptr, [&](const StoreChange& c) { all << c; });
    auto b = Realm::observe<ScratchDocument>(nullptr, [&](const StoreChange& c) { scratchOnly << c; });
    auto c = Realm::observe<Snippet>(nullptr, [&](const StoreChange& c) { snippetOnly << c; });

    ASSERT_FALSE(Realm::write([&](RealmTransaction& tx) { tx.add(note(QStringLiteral("x"))); }));
    ASSERT_EQ(all.size(), 1);
    EXPECT_EQ(all[0].classNames, QSet<QString> { QStringLiteral("ScratchDocument") });
    EXPECT_FALSE(all[0].external);
    EXPECT_EQ(scratchOnly.size(), 1);
    EXPECT_TRUE(snippetOnly.isEmpty());

    // A transaction that changed nothing says nothing.
    ASSERT_FALSE(Realm::write([&](RealmTransaction& tx) { tx.removeObject<Snippet>(QStringLiteral("missing")); }));
    EXPECT_EQ(all.size(), 1);
}

TEST_F(Changes, DroppingTheTokenOrTheContextUnsubscribes)
{
    int byToken = 0, byContext = 0;
    auto token = Realm::observe(nullptr, [&](const StoreChange&) { ++byToken; });
    auto context = std::make_unique<QObject>();
    auto contextToken = Realm::observe(context.get(), [&](const StoreChange&) { ++byContext; });
    ASSERT_FALSE(Realm::write([&](RealmTransaction& tx) { tx.add(note(QStringLiteral("1"))); }));
    EXPECT_EQ(byToken, 1);
    EXPECT_EQ(byContext, 1);
    token = {};
    context.reset();
    ASSERT_FALSE(Realm::write([&](RealmTransaction& tx) { tx.add(note(QStringLiteral("2"))); }));
    EXPECT_EQ(byToken, 1);
    EXPECT_EQ(byContext, 1);
}

TEST_F(Changes, FailedOrCancelledWriteKeepsTheDatabaseAsItWasAndNotifiesNoOne)
{
    const ScratchDocument kept = note(QStringLiteral("kept"));
    store(QList<ScratchDocument> { kept });
    int notified = 0;
    auto token = Realm::observe(nullptr, [&](const StoreChange&) { ++notified; });

    ScratchDocument changed = kept;
    changed.setTitle(QStringLiteral("changed"));
    const std::function<void(RealmTransaction&)> bodies[] = {
        [&](RealmTransaction& tx) {
            tx.add(changed);
            tx.add(note(QStringLiteral("new")));
            tx.cancel();
        },
        [&](RealmTransaction& tx) {
            tx.add(changed);
            tx.add(ScratchDocument {}); // no id
        },
        [&](RealmTransaction& tx) {
            tx.remove(kept);
            throw std::runtime_error("interrupted");
        },
    };
    const StoreErrorCode expected[] = { StoreErrorCode::Cancelled, StoreErrorCode::Invalid, StoreErrorCode::Sql };
    for (int i = 0; i < 3; ++i) {
        const auto error = Realm::write(bodies[i]);
        ASSERT_TRUE(error) << i;
        EXPECT_EQ(error->code, expected[i]) << i;
        const auto notes = ScratchDocument::fetchAllItems();
        ASSERT_EQ(notes.size(), 1) << i;
        EXPECT_EQ(notes[0], kept) << i;
    }
    EXPECT_EQ(notified, 0);
}

TEST_F(Changes, ReadsInsideATransactionSeeItsOwnChanges)
{
    const ScratchDocument n = note(QStringLiteral("inside"));
    ASSERT_FALSE(Realm::write([&](RealmTransaction& tx) {
        tx.add(n);
        EXPECT_TRUE(tx.objectForPrimaryKey<ScratchDocument>(n.id()).has_value());
        EXPECT_EQ(tx.allObjects<ScratchDocument>().size(), 1);
        // A nested write on the same connection is refused rather than deadlocking.
        const auto nested = Realm::write([](RealmTransaction&) {});
        ASSERT_TRUE(nested);
        EXPECT_EQ(nested->code, StoreErrorCode::Invalid);
    }));
    EXPECT_EQ(ScratchDocument::fetchAllItems().size(), 1);
}

TEST_F(Changes, TwoConnectionsSeeAndHearOfEachOthersCommits)
{
    auto other = secondConnection();
    ASSERT_TRUE(other);
    QList<StoreChange> heardByOther, heardByDefault;
    auto t1 = other->observe(nullptr, [&](const StoreChange& c) { heardByOther << c; });
    auto t2 = Realm::observe(nullptr, [&](const StoreChange& c) { heardByDefault << c; });

    const ScratchDocument first = note(QStringLiteral("from the default connection"));
    ASSERT_FALSE(Realm::write([&](RealmTransaction& tx) { tx.add(first); }));
    ASSERT_TRUE(test::waitUntil([&] { return !heardByOther.isEmpty(); }, 5000));
    EXPECT_TRUE(heardByOther[0].external);
    EXPECT_EQ(heardByOther[0].classNames, QSet<QString> { QStringLiteral("ScratchDocument") });
    EXPECT_EQ(other->allObjects(QStringLiteral("ScratchDocument")).size(), 1u);

    const Snippet s = [] {
        Snippet s;
        s.setId(makeRecordId());
        s.setShortcut(QStringLiteral("sig"));
        return s;
    }();
    ASSERT_FALSE(other->write([&](WriteTransaction& tx) { tx.put(Snippet::className(), s.toObjectValues()); }));
    ASSERT_TRUE(test::waitUntil([&] { return heardByDefault.size() >= 2; }, 5000));
    EXPECT_FALSE(heardByDefault[0].external); // its own commit
    EXPECT_TRUE(heardByDefault[1].external);
    EXPECT_EQ(heardByDefault[1].classNames, QSet<QString> { QStringLiteral("Snippet") });
    const auto found = Snippet::findByShortcut(QStringLiteral("sig"));
    ASSERT_TRUE(found && found->snippet);
    EXPECT_EQ(found->snippet->id(), s.id());
    // The second connection heard its own commit at once, and never again as an outside one.
    ASSERT_EQ(heardByOther.size(), 2);
    EXPECT_FALSE(heardByOther[1].external);
    other->checkForExternalChanges();
    EXPECT_EQ(heardByOther.size(), 2);
}

TEST_F(Changes, CommitOnAWorkerThreadIsDeliveredOnTheMainThread)
{
    QThread* mainThread = QThread::currentThread();
    std::atomic<int> calls = 0;
    bool onMain = false;
    auto token = Realm::observe(nullptr, [&](const StoreChange&) {
        onMain = QThread::currentThread() == mainThread;
        ++calls;
    });
    std::optional<StoreError> error;
    std::thread worker([&] { error = Realm::write([&](RealmTransaction& tx) { tx.add(note(QStringLiteral("w"))); }); });
    worker.join();
    EXPECT_FALSE(error);
    EXPECT_EQ(calls.load(), 0); // not on the worker's thread
    ASSERT_TRUE(test::waitUntil([&] { return calls.load() == 1; }, 5000));
    EXPECT_TRUE(onMain);
}

TEST_F(Changes, ReadsOnAWorkerThreadRunBesideWritesOnTheMainThread)
{
    constexpr int notes = 200;
    std::atomic<bool> done = false;
    std::atomic<int> readErrors = 0, shrinking = 0;
    std::thread reader([&] {
        qsizetype last = 0;
        while (!done.load()) {
            StoreError error;
            error.code = StoreErrorCode::Cancelled;
            const auto all = ScratchDocument::fetchAllItems(&error);
            if (error.code != StoreErrorCode::Cancelled)
                ++readErrors;
            if (all.size() < last)
                ++shrinking;
            last = all.size();
        }
    });
    for (int i = 0; i < notes; ++i)
        ASSERT_FALSE(Realm::write([&](RealmTransaction& tx) { tx.add(note(QString::number(i))); }));
    done = true;
    reader.join();
    EXPECT_EQ(readErrors.load(), 0);
    EXPECT_EQ(shrinking.load(), 0);
    EXPECT_EQ(ScratchDocument::fetchAllItems().size(), notes);
}

TEST_F(Changes, WriterHoldingTheLockPastTheTimeoutGivesBusyAndLosesNothing)
{
    auto other = secondConnection(50);
    ASSERT_TRUE(other);
    std::latch holding(1), release(1);
    std::thread holder([&] {
        const auto e = Realm::write([&](RealmTransaction& tx) {
            tx.add(note(QStringLiteral("holder")));
            holding.count_down();
            release.wait();
        });
        EXPECT_FALSE(e);
    });
    holding.wait();
    const auto error = other->write([&](WriteTransaction& tx) { tx.put(ScratchDocument::className(), note(QStringLiteral("blocked")).toObjectValues()); });
    release.count_down();
    holder.join();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, StoreErrorCode::Busy);
    // The blocked write is reported, not half done; the holder's write is complete.
    const auto notes = ScratchDocument::fetchAllItems();
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes[0].title(), QStringLiteral("holder"));
    // And the other connection writes normally once the lock is free.
    EXPECT_FALSE(other->write([&](WriteTransaction& tx) { tx.put(ScratchDocument::className(), note(QStringLiteral("later")).toObjectValues()); }));
    EXPECT_EQ(ScratchDocument::fetchAllItems().size(), 2);
}

} // namespace
