// Files that must never be overwritten (damaged ones, ones from a newer program) and a
// set-up that fails: the error is logged, the file kept byte for byte, nothing written
// anywhere else, and the program carries on without the database.
#include "DatabaseTestSupport.h"

#include "Models/ScratchDocument.h"
#include "Models/Snippet.h"

#include <QDirIterator>
#include <QFile>

#include <sqlite3.h>

#include <cstdio>

using namespace penwick;
using namespace penwick::platform::store;

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

std::string captureStdout(const std::function<void()>& body)
{
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    body();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// A sound database of ours with enough notes to span many pages.
QByteArray soundDatabase(const QString& folder)
{
    EXPECT_TRUE(RealmSetup::setupInFolder(folder));
    const auto error = Realm::write([](RealmTransaction& tx) {
        for (int i = 0; i < 200; ++i) {
            ScratchDocument n;
            n.setId(makeRecordId());
            n.setContent(QString(500, QLatin1Char('a' + i % 26)));
            tx.add(n);
        }
    });
    EXPECT_FALSE(error);
    RealmSetup::close();
    return readFile(QDir(folder).filePath(QStringLiteral("penwick.db")));
}

void expectCarriesOnWithoutDatabase()
{
    EXPECT_FALSE(RealmSetup::isAvailable());
    StoreError error;
    EXPECT_TRUE(ScratchDocument::fetchAllItems(&error).isEmpty());
    EXPECT_EQ(error.code, StoreErrorCode::Unavailable);
    ScratchDocument n;
    n.setId(makeRecordId());
    const auto writeError = Realm::write([&](RealmTransaction& tx) { tx.add(n); });
    ASSERT_TRUE(writeError);
    EXPECT_EQ(writeError->code, StoreErrorCode::Unavailable);
    const auto lookup = Snippet::findByShortcut(QStringLiteral("toc"));
    ASSERT_TRUE(lookup);
    EXPECT_FALSE(lookup->snippet);
}

class DamagedFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = test::temporaryFolder();
        path = QDir(folder).filePath(QStringLiteral("penwick.db"));
    }
    void TearDown() override { RealmSetup::close(); }

    // Opens the prepared file and checks the outcome; returns the logged output.
    std::string openAndExpectRefusal(const QByteArray& bytes, StoreErrorCode code)
    {
        writeFile(path, bytes);
        bool opened = true;
        const std::string output = captureStdout([&] { opened = RealmSetup::setupInFolder(folder); });
        EXPECT_FALSE(opened);
        EXPECT_EQ(readFile(path), bytes) << "the file was changed";
        StoreError direct;
        EXPECT_FALSE(Database::open(RealmSetup::configuration(path), &direct));
        EXPECT_EQ(direct.code, code) << direct.message.toStdString();
        EXPECT_EQ(readFile(path), bytes) << "the file was changed";
        expectCarriesOnWithoutDatabase();
        return output;
    }

    QString folder;
    QString path;
};

TEST_F(DamagedFile, FileThatIsNotADatabaseIsReportedAndKept)
{
    QByteArray garbage;
    for (int i = 0; i < 8192; ++i)
        garbage.append(char((i * 7919) % 251));
    const std::string output = openAndExpectRefusal(garbage, StoreErrorCode::Corrupt);
    EXPECT_EQ(output.rfind("Error: Error setting database: The database file " + path.toStdString(), 0), 0u) << output;
    EXPECT_NE(output.find("damaged"), std::string::npos) << output;
    EXPECT_NE(RealmSetup::unavailableError().message.indexOf(QStringLiteral("damaged")), -1);
    // Text that merely starts like a database is refused the same way.
    openAndExpectRefusal(QByteArray("SQLite format 2\0 and more", 26), StoreErrorCode::Corrupt);
}

TEST_F(DamagedFile, DatabaseWithDamagedPagesIsReportedAndKept)
{
    QByteArray bytes = soundDatabase(folder);
    ASSERT_GT(bytes.size(), 8 * 4096);
    // Scribble over the b-tree headers of several pages.
    for (int page = 2; page < 8; ++page)
        for (int i = 0; i < 16; ++i)
            bytes[(page - 1) * 4096 + i] = char(0xA5 ^ i);
    const std::string output = openAndExpectRefusal(bytes, StoreErrorCode::Corrupt);
    EXPECT_NE(output.find("Error: Error setting database: "), std::string::npos) << output;
}

TEST_F(DamagedFile, TruncatedDatabaseIsReportedAndKept)
{
    const QByteArray bytes = soundDatabase(folder);
    openAndExpectRefusal(bytes.left(bytes.size() / 2), StoreErrorCode::Corrupt);
}

TEST_F(DamagedFile, FileFromANewerSchemaIsNeitherMigratedDownNorTouched)
{
    soundDatabase(folder);
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "PRAGMA user_version = 4", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(raw);
    const std::string output = openAndExpectRefusal(readFile(path), StoreErrorCode::NewerSchema);
    EXPECT_NE(output.find("newer version"), std::string::npos) << output;
    EXPECT_NE(output.find("schema 4"), std::string::npos) << output;
}

TEST_F(DamagedFile, UncreatableFolderLeavesTheDatabaseUnavailableAndWritesNothingElsewhere)
{
    const QString blocker = QDir(folder).filePath(QStringLiteral("plain-file"));
    writeFile(blocker, "not a folder");
    const QString target = QDir(blocker).filePath(QStringLiteral("Penwick"));
    bool opened = true;
    const std::string output = captureStdout([&] { opened = RealmSetup::setupInFolder(target); });
    EXPECT_FALSE(opened);
    EXPECT_EQ(output.rfind("Error: Error setting database: The folder " + target.toStdString() + " could not be created", 0), 0u) << output;
    expectCarriesOnWithoutDatabase();
    EXPECT_EQ(readFile(blocker), QByteArray("not a folder"));
}

QStringList databaseFilesBelow(const QStringList& folders)
{
    QStringList found;
    for (const QString& dir : folders) {
        QDirIterator it(dir, { QStringLiteral("penwick.db*") }, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
    }
    return found;
}

TEST_F(DamagedFile, DefaultSetUpWithAnUnusableDataFolderHasNoFallback)
{
    const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    const QStringList watched { QString::fromLocal8Bit(savedDataHome), QDir::currentPath(), QDir::homePath() + QStringLiteral("/.local/share") };
    const QStringList before = databaseFilesBelow(watched);
    // Point the data folder below a plain file, so the application folder cannot exist.
    const QString blocker = QDir(folder).filePath(QStringLiteral("data-home"));
    writeFile(blocker, "x");
    qputenv("XDG_DATA_HOME", blocker.toLocal8Bit());
    const std::string output = captureStdout([] { RealmSetup::setup(); });
    qputenv("XDG_DATA_HOME", savedDataHome);

    EXPECT_EQ(output.rfind("Error: Error setting database: ", 0), 0u) << output;
    expectCarriesOnWithoutDatabase();
    // No database file appeared anywhere else: not in the usual data folder of this run or
    // of the user, nor in the working folder.
    EXPECT_EQ(databaseFilesBelow(watched), before);
}

TEST_F(DamagedFile, DefaultSetUpUsesTheApplicationDataFolder)
{
    ASSERT_FALSE(RealmSetup::isAvailable());
    RealmSetup::setup();
    ASSERT_TRUE(RealmSetup::isAvailable());
    const QString expected = QDir(QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME"))).filePath(QStringLiteral("Penwick/penwick.db"));
    EXPECT_TRUE(QFile::exists(expected)) << expected.toStdString();
}

} // namespace
