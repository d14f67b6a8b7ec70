#include "CoreNotifications.h"
#include "Extensions/Realm.h"
#include "PageFixture.h"
#include "QtPrinters.h"
#include "Services/ScriptAssetsManager.h"
#include "platform/NotificationCenter.h"

#include <QtConcurrent/QtConcurrentRun>

#include <gtest/gtest.h>

using namespace penwick;
using namespace penwick::test;

TEST(ScriptAssets, TagsFromTheDatabase)
{
    storeScriptAssets({ asset(QStringLiteral("c"), QStringLiteral("c.css"), 3), asset(QStringLiteral("a"), QStringLiteral("a.css"), 1),
        asset(QStringLiteral("b"), QStringLiteral("b.js"), 2), asset(QStringLiteral("off"), QStringLiteral("off.css"), 4, false),
        asset(QStringLiteral("up"), QStringLiteral("UP.CSS"), 5), asset(QStringLiteral("m"), QStringLiteral("mod.mjs"), 6),
        asset(QStringLiteral("q"), QStringLiteral("theme.css?v=2"), 7), asset(QStringLiteral("n"), QString(), 8) });
    const auto tags = ScriptAssetsManager::sharedInstance().getScriptAssetTags();
    ASSERT_TRUE(tags);
    EXPECT_EQ(tags->beforeBodyTags(),
        QStringLiteral("\n<link rel=\"stylesheet\" href=\"a.css\"></link>\n<link rel=\"stylesheet\" href=\"c.css\"></link>\n"));
    EXPECT_EQ(tags->afterBodyTags(), QStringLiteral("\n<script src=\"b.js\" type=\"text/javascript\"></script>\n"));
}

TEST(ScriptAssets, OneKindOnlyOrNone)
{
    storeScriptAssets({ asset(QStringLiteral("a"), QStringLiteral("a.css"), 1) });
    auto tags = ScriptAssetsManager::sharedInstance().getScriptAssetTags();
    ASSERT_TRUE(tags);
    EXPECT_TRUE(tags->beforeBodyTags());
    EXPECT_EQ(tags->afterBodyTags(), std::nullopt);

    storeScriptAssets({ asset(QStringLiteral("b"), QStringLiteral("b.js"), 1) });
    tags = ScriptAssetsManager::sharedInstance().getScriptAssetTags();
    ASSERT_TRUE(tags);
    EXPECT_EQ(tags->beforeBodyTags(), std::nullopt);
    EXPECT_TRUE(tags->afterBodyTags());

    storeScriptAssets({ asset(QStringLiteral("b"), QStringLiteral("b.js"), 1, false) });
    tags = ScriptAssetsManager::sharedInstance().getScriptAssetTags();
    ASSERT_TRUE(tags); // present, with nothing in it
    EXPECT_EQ(tags->beforeBodyTags(), std::nullopt);
    EXPECT_EQ(tags->afterBodyTags(), std::nullopt);

    EXPECT_EQ(ScriptAssetsManager::makeScriptAssetTags(std::nullopt), nullptr);
}

TEST(ScriptAssets, UpdatePostsOnceAfterTheTagsAreRebuilt)
{
    storeScriptAssets({});
    ensureDatabase();
    ASSERT_FALSE(Realm::write([](RealmTransaction& tx) { tx.add(asset(QStringLiteral("x"), QStringLiteral("x.js"), 1)); }));
    // not seen before the next load
    EXPECT_EQ(ScriptAssetsManager::sharedInstance().getScriptAssetTags()->afterBodyTags(), std::nullopt);

    int posts = 0;
    std::optional<QString> seen;
    auto observation = platform::NotificationCenter::defaultCenter().observe(CoreNotifications::SCRIPT_ASSETS_UPDATED, nullptr,
        [&](const platform::Notification& n) {
            ++posts;
            EXPECT_EQ(n.object, nullptr);
            seen = ScriptAssetsManager::sharedInstance().getScriptAssetTags()->afterBodyTags();
        });
    ScriptAssetsManager::sharedInstance().updateScriptAssets();
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(seen, QStringLiteral("\n<script src=\"x.js\" type=\"text/javascript\"></script>\n"));
}

TEST(ScriptAssets, HeldTagsNeverChange)
{
    storeScriptAssets({ asset(QStringLiteral("a"), QStringLiteral("a.css"), 1) });
    const auto held = ScriptAssetsManager::sharedInstance().getScriptAssetTags();
    EXPECT_EQ(ScriptAssetsManager::sharedInstance().getScriptAssetTags(), held);
    storeScriptAssets({ asset(QStringLiteral("b"), QStringLiteral("b.css"), 1) });
    EXPECT_NE(ScriptAssetsManager::sharedInstance().getScriptAssetTags(), held);
    EXPECT_EQ(held->beforeBodyTags(), QStringLiteral("\n<link rel=\"stylesheet\" href=\"a.css\"></link>\n"));
}

TEST(ScriptAssets, ReadersOnOtherThreadsSeeWholeTagSets)
{
    QList<ScriptAssetItem> first = { asset(QStringLiteral("a"), QStringLiteral("a.css"), 1), asset(QStringLiteral("b"), QStringLiteral("b.js"), 2) };
    int n = 0;
    ScriptAssetsManager manager([&]() -> std::optional<QList<ScriptAssetItem>> {
        ++n;
        return QList<ScriptAssetItem> { asset(QStringLiteral("x"), QStringLiteral("s%1.css").arg(n), 1),
            asset(QStringLiteral("y"), QStringLiteral("s%1.js").arg(n), 2) };
    });
    std::atomic<bool> stop { false };
    std::atomic<int> bad { 0 };
    auto reader = QtConcurrent::run([&] {
        while (!stop) {
            const auto tags = manager.getScriptAssetTags();
            if (!tags || !tags->beforeBodyTags() || !tags->afterBodyTags()) {
                ++bad;
                continue;
            }
            // both halves of one set name the same load
            const QString css = *tags->beforeBodyTags();
            const QString js = *tags->afterBodyTags();
            const QString cssId = css.section(QLatin1Char('"'), 3, 3).chopped(4);
            const QString jsId = js.section(QLatin1Char('"'), 1, 1).chopped(3);
            if (cssId != jsId)
                ++bad;
        }
    });
    for (int i = 0; i < 500; ++i)
        manager.load();
    stop = true;
    reader.waitForFinished();
    EXPECT_EQ(bad.load(), 0);
}
