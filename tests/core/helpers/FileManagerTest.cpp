#include "Extensions/FileManagerAdditions.h"
#include "Extensions/StringAdditions.h"

#include "Printers.h"
#include "PrivateBus.h"
#include "TestSupport.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <gtest/gtest.h>

#include <cerrno>
#include <vector>

using namespace penwick;

namespace {

void touch(const QString& path)
{
    ASSERT_TRUE(QDir().mkpath(parentPath(path)));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

// ---- existence checks ----------------------------------------------------------------

TEST(FileManager, ExistenceMatrix)
{
    const QString root = test::temporaryFolder();
    const QString file = root + QStringLiteral("/file.md");
    const QString folder = root + QStringLiteral("/folder");
    touch(file);
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::link(file, root + QStringLiteral("/link-to-file")));
    ASSERT_TRUE(QFile::link(folder, root + QStringLiteral("/link-to-folder")));
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/gone"), root + QStringLiteral("/dangling")));

    struct Case {
        const char* what;
        QString path;
        PathExistence expected;
    };
    const std::vector<Case> cases = {
        { "file", file, { true, false } },
        { "folder", folder, { true, true } },
        { "folder with trailing separator", folder + "/", { true, true } },
        { "missing", root + QStringLiteral("/missing.md"), { false, false } },
        { "below a file", file + QStringLiteral("/x"), { false, false } },
        { "absent (null)", QString(), { false, false } },
        { "absent (empty)", QStringLiteral(""), { false, false } },
        { "link to a file", root + QStringLiteral("/link-to-file"), { true, false } },
        { "link to a folder", root + QStringLiteral("/link-to-folder"), { true, true } },
        { "dangling link", root + QStringLiteral("/dangling"), { false, false } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(checkIfPathExists(c.path), c.expected);
        EXPECT_EQ(checkIfFileExists(c.path), c.expected.exists && !c.expected.isDir);
        EXPECT_EQ(checkIfDirectoryExists(c.path), c.expected.exists && c.expected.isDir);
    }
}

// ---- application folder ---------------------------------------------------------------

TEST(FileManager, ApplicationDirectoryIsTheSharedDataFolder)
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    ASSERT_FALSE(data.isEmpty());
    const QString expected = data + QStringLiteral("/Penwick");
    QDir(expected).removeRecursively();

    EXPECT_EQ(getApplicationDirectoryPath(QStringLiteral("Penwick")), expected);
    EXPECT_FALSE(QFileInfo::exists(expected)) << "asking for the folder creates nothing";
    // The same answer once the folder exists.
    ASSERT_TRUE(QDir().mkpath(expected));
    EXPECT_EQ(getApplicationDirectoryPath(QStringLiteral("Penwick")), expected);
    EXPECT_EQ(getApplicationDirectoryPath(QStringLiteral("Other")), data + QStringLiteral("/Other"));
}

// ---- creating folders -------------------------------------------------------------------

TEST(FileManager, CreateDirectory)
{
    const QString root = test::temporaryFolder();
    const QString nested = root + QStringLiteral("/a/b/c");
    EXPECT_EQ(createDirectoryAtPath(nested), std::nullopt);
    EXPECT_TRUE(checkIfDirectoryExists(nested));
    // an existing folder is no error
    EXPECT_EQ(createDirectoryAtPath(nested), std::nullopt);
    EXPECT_EQ(createDirectoryAtPath(root + QStringLiteral("/d/e/")), std::nullopt);
    EXPECT_TRUE(checkIfDirectoryExists(root + QStringLiteral("/d/e")));
}

TEST(FileManager, CreateDirectoryFailures)
{
    const QString root = test::temporaryFolder();
    const QString file = root + QStringLiteral("/file");
    touch(file);

    for (const QString& path : { file, file + QStringLiteral("/below") }) {
        SCOPED_TRACE(path.toStdString());
        const std::optional<FileError> error = createDirectoryAtPath(path);
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->domain, FileError::posixDomain);
        EXPECT_TRUE(error->code == ENOTDIR || error->code == EEXIST) << error->code;
        EXPECT_TRUE(error->message.contains(path));
        EXPECT_TRUE(checkIfFileExists(file));
    }
    EXPECT_TRUE(createDirectoryAtPath(QString()).has_value());
}

// ---- collecting files of a type ---------------------------------------------------------

TEST(FileManager, CollectItemsOfType)
{
    const QString root = test::temporaryFolder();
    for (const char* name : { "a.scpt", "sub/b.scpt", "sub/deeper/g.scpt", ".hidden/e.scpt", ".f.scpt", "d.SCPT",
             "notes.md", "xmd", "sub/readme.txt", "outside/linked.scpt" })
        touch(root + "/tree/" + QString::fromUtf8(name));
    ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/tree/c.scpt/inner")));
    // A link to a folder is not entered.
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/tree/outside"), root + QStringLiteral("/tree/sub/link")));
    const QString tree = root + QStringLiteral("/tree");

    QStringList scripts = collectItemsOfType(QStringLiteral("scpt"), tree);
    scripts.sort();
    QStringList expected {
        tree + "/.f.scpt", tree + "/.hidden/e.scpt", tree + "/a.scpt", tree + "/outside/linked.scpt",
        tree + "/sub/b.scpt", tree + "/sub/deeper/g.scpt",
    };
    expected.sort();
    EXPECT_EQ(scripts, expected);

    QStringList markdown = collectItemsOfType(QStringLiteral("md"), tree + "/");
    markdown.sort();
    EXPECT_EQ(markdown, (QStringList { tree + "/notes.md", tree + "/xmd" }));

    EXPECT_EQ(collectItemsOfType(QStringLiteral("SCPT"), tree), QStringList { tree + "/d.SCPT" });
    EXPECT_TRUE(collectItemsOfType(QStringLiteral("scpt"), root + QStringLiteral("/missing")).isEmpty());
    EXPECT_TRUE(collectItemsOfType(QStringLiteral("scpt"), QString()).isEmpty());
    EXPECT_TRUE(collectItemsOfType(QStringLiteral("scpt"), tree + "/a.scpt").isEmpty());
}

TEST(FileManager, CollectItemsOfTypeListsParentsBeforeTheirContents)
{
    const QString tree = test::temporaryFolder();
    for (const char* name : { "b/z.md", "a.md", "b/a.md", "c.md" })
        touch(tree + "/" + QString::fromUtf8(name));
    EXPECT_EQ(collectItemsOfType(QStringLiteral(".md"), tree),
        (QStringList { tree + "/a.md", tree + "/b/a.md", tree + "/b/z.md", tree + "/c.md" }));
}

// ---- revealing in the file manager ----------------------------------------------------

// A fake file manager: no real one can run here. It answers ShowItems on the
// real private bus, as the desktop's file manager would, or refuses it.
class FakeFileManager : public QDBusVirtualObject {
public:
    explicit FakeFileManager(bool refuse)
        : m_refuse(refuse)
    {
    }

    QString introspect(const QString&) const override { return QString(); }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.interface() != QLatin1String("org.freedesktop.FileManager1") || message.member() != QLatin1String("ShowItems"))
            return false;
        calls.append(message.arguments());
        connection.send(m_refuse ? message.createErrorReply(QDBusError::Failed, QStringLiteral("refused"))
                                 : message.createReply());
        return true;
    }

    QList<QVariantList> calls;

private:
    bool m_refuse;
};

// Receives the URLs that QDesktopServices would otherwise hand to the desktop.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    OpenedUrls() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~OpenedUrls() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    QList<QUrl> urls;

public slots:
    void open(const QUrl& url) { urls.append(url); }
};

class RevealInFileManager : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!m_bus.isRunning())
            GTEST_SKIP() << "dbus-daemon could not be started";
        m_item = test::temporaryFolder() + QStringLiteral("/notes/today.md");
        touch(m_item);
    }

    void offerFileManager(FakeFileManager& fake)
    {
        QDBusConnection service = m_bus.connect(QStringLiteral("file-manager"));
        ASSERT_TRUE(service.isConnected());
        ASSERT_TRUE(service.registerVirtualObject(QStringLiteral("/org/freedesktop/FileManager1"), &fake));
        ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    }

    test::PrivateBus m_bus;
    OpenedUrls m_opened;
    QString m_item;
};

TEST_F(RevealInFileManager, AsksTheFileManagerToShowTheItem)
{
    FakeFileManager fake(false);
    offerFileManager(fake);
    QDBusConnection client = m_bus.connect(QStringLiteral("client"));
    ASSERT_TRUE(client.isConnected());

    revealInFileManager(m_item, client);
    ASSERT_TRUE(test::waitUntil([&] { return !fake.calls.isEmpty(); }));
    ASSERT_EQ(fake.calls.first().size(), 2);
    EXPECT_EQ(fake.calls.first().at(0).toStringList(), QStringList { QUrl::fromLocalFile(m_item).toString() });
    EXPECT_EQ(fake.calls.first().at(1).toString(), QString());

    // A second round trip gives the first reply time to arrive: a file manager that
    // answered gets no folder opened beside it.
    revealInFileManager(m_item, client);
    ASSERT_TRUE(test::waitUntil([&] { return fake.calls.size() == 2; }));
    EXPECT_TRUE(m_opened.urls.isEmpty());
}

TEST_F(RevealInFileManager, OpensTheFolderWithoutAFileManager)
{
    QDBusConnection client = m_bus.connect(QStringLiteral("client"));
    ASSERT_TRUE(client.isConnected());

    revealInFileManager(m_item, client);
    ASSERT_TRUE(test::waitUntil([&] { return !m_opened.urls.isEmpty(); }));
    EXPECT_EQ(m_opened.urls, QList<QUrl> { QUrl::fromLocalFile(parentPath(m_item)) });
}

TEST_F(RevealInFileManager, OpensTheFolderWhenTheFileManagerRefuses)
{
    FakeFileManager fake(true);
    offerFileManager(fake);
    QDBusConnection client = m_bus.connect(QStringLiteral("client"));

    revealInFileManager(m_item, client);
    ASSERT_TRUE(test::waitUntil([&] { return !m_opened.urls.isEmpty(); }));
    EXPECT_EQ(fake.calls.size(), 1);
    EXPECT_EQ(m_opened.urls, QList<QUrl> { QUrl::fromLocalFile(parentPath(m_item)) });
}

TEST_F(RevealInFileManager, OpensTheFolderAtOnceWithoutABus)
{
    const QDBusConnection none(QStringLiteral("penwick-no-such-connection"));
    ASSERT_FALSE(none.isConnected());
    revealInFileManager(m_item, none);
    EXPECT_EQ(m_opened.urls, QList<QUrl> { QUrl::fromLocalFile(parentPath(m_item)) });

    m_opened.urls.clear();
    showInFinder(QString());
    EXPECT_TRUE(m_opened.urls.isEmpty());
}

} // namespace

#include "FileManagerTest.moc"
