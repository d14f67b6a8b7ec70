#include "CorePrefs.h"
#include "TestSupport.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

using penwick::platform::UserDefaults;

namespace {
QString freshSettingsPath()
{
    return QDir(penwick::test::temporaryFolder()).filePath(QStringLiteral("settings/Penwick.plist"));
}
} // namespace

TEST(UserDefaults, RegisteredDefaultsSetValuesAndMissingKeys)
{
    UserDefaults d(freshSettingsPath());
    d.registerDefaults({ { "flag", true }, { "width", 4 }, { "name", "prism" }, { "ratio", 0.5 } });

    EXPECT_TRUE(d.boolForKey("flag"));
    EXPECT_EQ(d.integerForKey("width"), 4);
    EXPECT_EQ(d.stringForKey("name"), "prism");
    EXPECT_DOUBLE_EQ(d.doubleForKey("ratio"), 0.5);

    d.setValue("flag", false);
    d.setValue("width", 2);
    d.setValue("name", "okaidia");
    EXPECT_FALSE(d.boolForKey("flag"));
    EXPECT_EQ(d.integerForKey("width"), 2);
    EXPECT_EQ(d.stringForKey("name"), "okaidia");

    d.removeObject("width");
    EXPECT_EQ(d.integerForKey("width"), 4) << "a removed value falls back to the registered default";

    // Missing keys read as off, 0 and absent.
    EXPECT_FALSE(d.boolForKey("missing"));
    EXPECT_EQ(d.integerForKey("missing"), 0);
    EXPECT_DOUBLE_EQ(d.doubleForKey("missing"), 0.0);
    EXPECT_TRUE(d.stringForKey("missing").isNull());
    EXPECT_FALSE(d.object("missing").isValid());
    EXPECT_TRUE(d.stringArrayForKey("missing").isEmpty());
    // A value of the wrong kind reads as absent rather than as garbage.
    d.setValue("list", QVariantList { 1, 2 });
    EXPECT_TRUE(d.stringForKey("list").isNull());
    EXPECT_TRUE(d.stringArrayForKey("list").isEmpty());
}

TEST(UserDefaults, ValuesPersistButDefaultsDoNot)
{
    const QString path = freshSettingsPath();
    {
        UserDefaults d(path);
        d.registerDefaults({ { "registered", 7 } });
        EXPECT_TRUE(d.setValue("kept", QStringList { "a", "b" }));
        EXPECT_TRUE(d.setValue("flag", true));
    }
    UserDefaults reopened(path);
    EXPECT_EQ(reopened.stringArrayForKey("kept"), QStringList({ "a", "b" }));
    EXPECT_TRUE(reopened.boolForKey("flag"));
    EXPECT_FALSE(reopened.object("registered").isValid());

    reopened.removePersistentDomain();
    EXPECT_FALSE(UserDefaults(path).object("kept").isValid());
}

TEST(UserDefaults, WritesKeepKeysAnotherProcessWrote)
{
    const QString path = freshSettingsPath();
    UserDefaults first(path);
    UserDefaults second(path);
    first.setValue("a", 1);
    second.setValue("b", 2);
    UserDefaults reader(path);
    EXPECT_EQ(reader.integerForKey("a"), 1);
    EXPECT_EQ(reader.integerForKey("b"), 2);
}

TEST(UserDefaults, UnreadableFileIsKeptAsideNotOverwritten)
{
    struct Case {
        const char* name;
        QByteArray content;
    };
    const auto repeated = [](const char* piece, int times) {
        QByteArray out;
        for (int i = 0; i < times; ++i)
            out += piece;
        return out;
    };
    const Case cases[] = {
        { "cut short", "<plist><dict><key>x</key>" },
        // Nesting without end must be refused, not followed until the stack runs out.
        { "deeply nested, closed", "<plist>" + repeated("<array>", 50000) + repeated("</array>", 50000) + "</plist>" },
        { "deeply nested, unclosed", "<plist>" + repeated("<array>", 100000) },
        { "deeply nested dictionaries", "<plist>" + repeated("<dict><key>k</key>", 60000) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = freshSettingsPath();
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.content);
        f.close();

        UserDefaults d(path);
        EXPECT_FALSE(d.lastError().isEmpty());
        const QStringList aside = QDir(QFileInfo(path).path()).entryList({ "Penwick.plist.unreadable-*" });
        ASSERT_EQ(aside.size(), 1);
        QFile kept(QFileInfo(path).dir().filePath(aside.first()));
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), c.content);
        EXPECT_EQ(d.keptUnreadableFile(), kept.fileName());
        EXPECT_TRUE(d.setValue("x", 1));
        const UserDefaults next(path);
        EXPECT_EQ(next.integerForKey("x"), 1);
        EXPECT_TRUE(next.keptUnreadableFile().isEmpty()) << "the next start reads its file";
    }
}

TEST(UserDefaults, ObserversFireOncePerChange)
{
    UserDefaults d(freshSettingsPath());
    d.registerDefaults({ { "k", false } });
    int calls = 0;
    bool seen = false;
    auto token = d.observe("k", nullptr, [&](const QString& key) {
        ++calls;
        EXPECT_EQ(key, "k");
        seen = d.boolForKey("k");
    });
    d.setValue("k", true);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(seen) << "the observer reads the new value";
    d.setValue("k", true);
    EXPECT_EQ(calls, 1) << "setting the same value again is no change";
    d.setValue("other", 3);
    EXPECT_EQ(calls, 1);
    d.removeObject("k");
    EXPECT_EQ(calls, 2);
    d.registerDefaults({ { "k", true } });
    EXPECT_EQ(calls, 3) << "a new registered default changes what the key reads";

    token.reset();
    d.setValue("k", false);
    EXPECT_EQ(calls, 3);
}

TEST(UserDefaults, ObserverIsNeverCalledAfterItsContextIsDestroyed)
{
    UserDefaults d(freshSettingsPath());
    int calls = 0;
    auto context = std::make_unique<QObject>();
    auto token = d.observe("k", context.get(), [&](const QString&) { ++calls; });
    d.setValue("k", 1);
    EXPECT_EQ(calls, 1);
    context.reset();
    d.setValue("k", 2);
    EXPECT_EQ(calls, 1);
}

TEST(UserDefaults, HandleMayOutliveTheStore)
{
    penwick::platform::Observation token;
    {
        UserDefaults d(freshSettingsPath());
        token = d.observe("k", nullptr, [](const QString&) {});
    }
    token.reset(); // must not touch the destroyed store
    SUCCEED();
}

TEST(UserDefaults, ConcurrentReadsWhileWriting)
{
    UserDefaults d(freshSettingsPath());
    d.registerDefaults({ { "width", 4 } });
    std::atomic<bool> stop { false };
    std::atomic<int> bad { 0 };
    std::vector<std::unique_ptr<QThread>> readers;
    for (int i = 0; i < 4; ++i) {
        readers.emplace_back(QThread::create([&] {
            while (!stop) {
                const qint64 w = d.integerForKey("width");
                if (w != 4 && w != 8)
                    ++bad;
                if (d.stringForKey("name").size() > 5)
                    ++bad;
            }
        }));
        readers.back()->start();
    }
    for (int i = 0; i < 200; ++i) {
        d.setValue("width", i % 2 ? 8 : 4);
        d.setValue("name", i % 2 ? "abc" : "abcde");
    }
    stop = true;
    for (auto& t : readers)
        t->wait();
    EXPECT_EQ(bad, 0);
}

TEST(UserDefaults, BundledDefaultsAreRegistered)
{
    auto& d = UserDefaults::standard();
    for (const QString& key : { penwick::CorePrefs::PREVIEW_ENABLE_GFM, penwick::CorePrefs::EDITOR_TABWIDTH,
                                penwick::CorePrefs::PREVIEW_MATHJAX_URL, penwick::CorePrefs::PREVIEW_SYNTAX_STYLE }) {
        EXPECT_TRUE(d.object(key).isValid()) << qPrintable(key);
    }
    EXPECT_GT(d.integerForKey(penwick::CorePrefs::EDITOR_TABWIDTH), 0);
}
