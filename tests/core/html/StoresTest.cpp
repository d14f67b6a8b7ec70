#include "CoreNotifications.h"
#include "QtPrinters.h"
#include "Services/CustomCSSManager.h"
#include "Services/JSCallbackManager.h"
#include "TestSupport.h"
#include "platform/NotificationCenter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

#include <gtest/gtest.h>

using namespace penwick;

namespace {

// Both stores behave alike; the tests run over each through this adapter.
struct StoreAdapter {
    QString name;
    QString notification;
    std::function<std::unique_ptr<void, void (*)(void*)>(const QString&)> make;
    std::function<bool(void*, const QString&, StoreFileError*)> save;
    std::function<std::optional<QString>(void*, StoreFileError*)> read;
};

template <class Store>
std::unique_ptr<void, void (*)(void*)> makeStore(const QString& path)
{
    return { new Store(path), [](void* p) { delete static_cast<Store*>(p); } };
}

std::vector<StoreAdapter> adapters()
{
    return {
        { QStringLiteral("css"), CoreNotifications::CUSTOM_CSS_UPDATED, &makeStore<CustomCSSManager>,
            [](void* s, const QString& t, StoreFileError* e) { return static_cast<CustomCSSManager*>(s)->saveCustomCSS(t, e); },
            [](void* s, StoreFileError* e) { return static_cast<CustomCSSManager*>(s)->readCustomCSS(e); } },
        { QStringLiteral("js"), CoreNotifications::ONUPDATE_CALLBACK_JS_UPDATED, &makeStore<JSCallbackManager>,
            [](void* s, const QString& t, StoreFileError* e) { return static_cast<JSCallbackManager*>(s)->saveOnUpdateCallbackJS(t, e); },
            [](void* s, StoreFileError* e) { return static_cast<JSCallbackManager*>(s)->readOnUpdateCallbackJS(e); } },
    };
}

int countPosts(const QString& name, const std::function<void()>& action)
{
    int posts = 0;
    auto observation = platform::NotificationCenter::defaultCenter().observe(name, nullptr,
        [&](const platform::Notification& n) { posts += n.object == nullptr && n.userInfo.isEmpty() ? 1 : 100; });
    action();
    return posts;
}

} // namespace

TEST(Stores, SharedInstancesUseTheApplicationFolder)
{
    EXPECT_TRUE(CustomCSSManager::sharedInstance().customCSSPath().endsWith(QStringLiteral("/Penwick/customCSS.css")));
    EXPECT_TRUE(JSCallbackManager::sharedInstance().customJSPath().endsWith(QStringLiteral("/Penwick/onupdate_callback.js")));
    EXPECT_EQ(&CustomCSSManager::sharedInstance(), &CustomCSSManager::sharedInstance());
}

TEST(Stores, FirstReadOfAMissingFileFailsWithNotFound)
{
    for (const StoreAdapter& a : adapters()) {
        const QString path = test::temporaryFolder() + QStringLiteral("/sub/") + a.name;
        auto store = a.make(path);
        StoreFileError error;
        EXPECT_EQ(a.read(store.get(), &error), std::nullopt) << a.name.toStdString();
        EXPECT_EQ(error.code, StoreFileError::FileNotFound) << a.name.toStdString();
        EXPECT_FALSE(QFile::exists(path));
        // the cache stayed empty: a file that appears later is read
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("later");
        f.close();
        EXPECT_EQ(a.read(store.get(), nullptr), QStringLiteral("later")) << a.name.toStdString();
    }
}

TEST(Stores, SaveThenReadAndPostOnce)
{
    for (const StoreAdapter& a : adapters()) {
        const QString path = test::temporaryFolder() + QStringLiteral("/missing/folder/") + a.name;
        auto store = a.make(path);
        const int posts = countPosts(a.notification, [&] {
            EXPECT_TRUE(a.save(store.get(), QStringLiteral("ünï <code> \U0001F600"), nullptr));
            // the file is written before the notification goes out
            EXPECT_TRUE(QFile::exists(path));
        });
        EXPECT_EQ(posts, 1) << a.name.toStdString();
        EXPECT_EQ(a.read(store.get(), nullptr), QStringLiteral("ünï <code> \U0001F600"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), QStringLiteral("ünï <code> \U0001F600").toUtf8());
    }
}

TEST(Stores, ReadsTheFileOnceBetweenSaves)
{
    for (const StoreAdapter& a : adapters()) {
        const QString path = test::temporaryFolder() + QLatin1Char('/') + a.name;
        auto store = a.make(path);
        ASSERT_TRUE(a.save(store.get(), QStringLiteral("one"), nullptr));
        EXPECT_EQ(a.read(store.get(), nullptr), QStringLiteral("one"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("changed outside");
        f.close();
        EXPECT_EQ(a.read(store.get(), nullptr), QStringLiteral("one")) << a.name.toStdString();
        ASSERT_TRUE(a.save(store.get(), QStringLiteral("two"), nullptr));
        EXPECT_EQ(a.read(store.get(), nullptr), QStringLiteral("two"));
    }
}

TEST(Stores, EmptyTextIsPresent)
{
    for (const StoreAdapter& a : adapters()) {
        auto store = a.make(test::temporaryFolder() + QLatin1Char('/') + a.name);
        ASSERT_TRUE(a.save(store.get(), QString(), nullptr));
        const std::optional<QString> text = a.read(store.get(), nullptr);
        ASSERT_TRUE(text.has_value()) << a.name.toStdString();
        EXPECT_TRUE(text->isEmpty());
    }
}

TEST(Stores, FailedSavePostsNothingAndKeepsTheCache)
{
    for (const StoreAdapter& a : adapters()) {
        const QString folder = test::temporaryFolder();
        const QString path = folder + QLatin1Char('/') + a.name;
        auto store = a.make(path);
        ASSERT_TRUE(a.save(store.get(), QStringLiteral("kept"), nullptr));
        EXPECT_EQ(a.read(store.get(), nullptr), QStringLiteral("kept"));
        // a folder where the file should be makes every write fail
        QFile::remove(path);
        ASSERT_TRUE(QDir().mkpath(path + QStringLiteral("/blocker")));
        StoreFileError error;
        const int posts = countPosts(a.notification, [&] { EXPECT_FALSE(a.save(store.get(), QStringLiteral("new"), &error)); });
        EXPECT_EQ(posts, 0) << a.name.toStdString();
        EXPECT_FALSE(error.message.isEmpty());
        EXPECT_EQ(a.read(store.get(), nullptr), QStringLiteral("kept")) << a.name.toStdString();
    }
}

TEST(Stores, EncodingDetection)
{
    const QString folder = test::temporaryFolder();
    struct Case { QByteArray bytes; std::optional<QString> text; };
    const Case cases[] = {
        { QByteArray("\xEF\xBB\xBFp{}"), QStringLiteral("p{}") },
        { QByteArray("\xFF\xFEp\0{\0}\0", 8), QStringLiteral("p{}") },
        { QByteArray("caf\xC3\xA9"), QStringLiteral("café") },
        { QByteArray("caf\xE9\xFF\xFE"), std::nullopt },
    };
    int n = 0;
    for (const Case& c : cases) {
        const QString path = folder + QStringLiteral("/enc") + QString::number(n++);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.bytes);
        f.close();
        CustomCSSManager store(path);
        StoreFileError error;
        EXPECT_EQ(store.readCustomCSS(&error), c.text) << n;
        if (!c.text) {
            EXPECT_EQ(error.code, StoreFileError::ReadInapplicableStringEncoding);
        }
    }
}

TEST(Stores, ReadsOnOtherThreadsWhileSaving)
{
    CustomCSSManager store(test::temporaryFolder() + QStringLiteral("/concurrent.css"));
    ASSERT_TRUE(store.saveCustomCSS(QStringLiteral("v0")));
    std::atomic<bool> stop { false };
    std::atomic<int> bad { 0 };
    QList<QFuture<void>> readers;
    for (int r = 0; r < 4; ++r)
        readers.append(QtConcurrent::run([&] {
            while (!stop) {
                const auto text = store.readCustomCSS();
                if (!text || !text->startsWith(QLatin1Char('v')))
                    ++bad;
            }
        }));
    for (int i = 1; i <= 200; ++i)
        ASSERT_TRUE(store.saveCustomCSS(QStringLiteral("v%1").arg(i)));
    stop = true;
    for (auto& f : readers)
        f.waitForFinished();
    EXPECT_EQ(bad.load(), 0);
    // after the last save every read gives the last text
    EXPECT_EQ(store.readCustomCSS(), QStringLiteral("v200"));
}

TEST(Stores, WithoutADataFolderNothingIsWrittenAnywhere)
{
    // The data folder cannot be made: its place lies under a regular file.
    const QString folder = test::temporaryFolder();
    QFile blocker(folder + QStringLiteral("/not-a-folder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", (blocker.fileName() + QStringLiteral("/data")).toLocal8Bit());
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(folder);
    for (const StoreAdapter& a : adapters()) {
        SCOPED_TRACE(a.name.toStdString());
        const QString fileName = a.name == QStringLiteral("css") ? CustomCSSManager::kFileName : JSCallbackManager::kFileName;
        const bool atRootBefore = QFileInfo::exists(QStringLiteral("/") + fileName);
        auto store = a.make(QString()); // the path comes from the data folder, on first use
        StoreFileError error;
        const int posts = countPosts(a.notification, [&] { EXPECT_FALSE(a.save(store.get(), QStringLiteral("x"), &error)); });
        EXPECT_EQ(posts, 0);
        EXPECT_FALSE(error.message.isEmpty());
        EXPECT_TRUE(error.path.startsWith(blocker.fileName() + QStringLiteral("/data/"))) << error.path.toStdString();
        EXPECT_FALSE(a.read(store.get(), nullptr));
        // Nothing lands at the root of the file system or in the current folder instead.
        if (!atRootBefore && QFileInfo::exists(QStringLiteral("/") + fileName)) {
            QFile::remove(QStringLiteral("/") + fileName);
            ADD_FAILURE() << "the store wrote at the root of the file system";
        }
        EXPECT_FALSE(QFileInfo::exists(folder + QLatin1Char('/') + fileName));
    }
    QDir::setCurrent(cwd);
    qputenv("XDG_DATA_HOME", saved);
}
