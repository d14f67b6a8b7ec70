#include "DatabaseTestSupport.h"

#include "CorePrefs.h"
#include "Models/RealPreviewItem.h"
#include "Models/ScratchDocument.h"
#include "Models/ScriptAssetItem.h"
#include "platform/UserDefaults.h"

#include <QFile>

#include <sqlite3.h>

using namespace penwick;
using namespace penwick::platform::store;

namespace {

// The record layouts older programs wrote: version 1 added the order of script assets,
// version 2 their enabled flag, version 3 the selected flag of Real Preview sites.
ObjectSchema oldScriptAssetSchema(quint64 version)
{
    ObjectSchema schema { QStringLiteral("ScriptAssetItem"), QStringLiteral("id"),
        { { QStringLiteral("id"), PropertyType::String }, { QStringLiteral("url"), PropertyType::String },
            { QStringLiteral("name"), PropertyType::String }, { QStringLiteral("createdDate"), PropertyType::Date },
            { QStringLiteral("updatedDate"), PropertyType::Date } } };
    if (version >= 1)
        schema.properties.append({ QStringLiteral("order"), PropertyType::Integer });
    if (version >= 2)
        schema.properties.append({ QStringLiteral("isEnabled"), PropertyType::Bool });
    schema.properties.append({ QStringLiteral("addBeforeBodyTag"), PropertyType::Bool });
    return schema;
}

ObjectSchema oldRealPreviewSchema()
{
    return { QStringLiteral("RealPreviewItem"), QStringLiteral("id"),
        { { QStringLiteral("id"), PropertyType::String }, { QStringLiteral("url"), PropertyType::String },
            { QStringLiteral("name"), PropertyType::String }, { QStringLiteral("headerClassName"), PropertyType::String },
            { QStringLiteral("postClassName"), PropertyType::String }, { QStringLiteral("createdDate"), PropertyType::Date },
            { QStringLiteral("updatedDate"), PropertyType::Date }, { QStringLiteral("type"), PropertyType::Integer } } };
}

struct OldFile {
    QList<ObjectValues> assets;
    QList<ObjectValues> sites;
    QList<ObjectValues> notes;
};

// Writes a database file as a program at `version` left it.
void writeOldFile(const QString& path, quint64 version, const OldFile& content)
{
    Configuration config;
    config.filePath = path;
    config.schemaVersion = version;
    config.objectSchemas = { oldScriptAssetSchema(version), oldRealPreviewSchema(), ScratchDocument::objectSchema() };
    StoreError error;
    auto db = Database::open(config, &error);
    ASSERT_TRUE(db) << error.message.toStdString();
    const auto failed = db->write([&](WriteTransaction& tx) {
        for (const auto& v : content.assets)
            tx.put(QStringLiteral("ScriptAssetItem"), v);
        for (const auto& v : content.sites)
            tx.put(QStringLiteral("RealPreviewItem"), v);
        for (const auto& v : content.notes)
            tx.put(QStringLiteral("ScratchDocument"), v);
    });
    ASSERT_FALSE(failed) << failed->message.toStdString();
    EXPECT_EQ(db->storedSchemaVersion(), version);
}

ObjectValues asset(const char* id, const char* url, std::optional<qint64> order = {}, std::optional<bool> enabled = {})
{
    ObjectValues v { { QStringLiteral("id"), QString::fromLatin1(id) }, { QStringLiteral("url"), QString::fromLatin1(url) } };
    if (order)
        v.insert(QStringLiteral("order"), *order);
    if (enabled)
        v.insert(QStringLiteral("isEnabled"), *enabled);
    return v;
}

ObjectValues site(const char* id, const char* name)
{
    return { { QStringLiteral("id"), QString::fromLatin1(id) }, { QStringLiteral("name"), QString::fromLatin1(name) },
        { QStringLiteral("url"), QStringLiteral("https://example.org/") + QString::fromLatin1(name) } };
}

class Migration : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = test::temporaryFolder();
        path = QDir(folder).filePath(QStringLiteral("penwick.db"));
        defaults().removeObject(CorePrefs::REAL_PREVIEW_SELECTION);
    }
    void TearDown() override
    {
        RealmSetup::close();
        defaults().removeObject(CorePrefs::REAL_PREVIEW_SELECTION);
    }
    static platform::UserDefaults& defaults() { return platform::UserDefaults::standard(); }

    QMap<QString, RealPreviewItem> sitesById() const
    {
        QMap<QString, RealPreviewItem> map;
        for (const auto& s : Realm::allObjects<RealPreviewItem>())
            map.insert(s.id(), s);
        return map;
    }

    QString folder;
    QString path;
};

TEST_F(Migration, FromVersion0NumbersAssetsDownFrom100EnablesThemAndSelectsTheSite)
{
    OldFile old;
    old.assets = { asset("a-first", "first.js"), asset("b-second", "second.css"), asset("c-third", "third.js") };
    old.sites = { site("site-1", "one"), site("site-2", "two"), site("site-3", "three") };
    old.notes = { { { QStringLiteral("id"), QStringLiteral("note-1") }, { QStringLiteral("title"), QStringLiteral("kept") } } };
    writeOldFile(path, 0, old);
    defaults().setValue(CorePrefs::REAL_PREVIEW_SELECTION, QStringLiteral("site-2"));

    ASSERT_TRUE(RealmSetup::setupInFolder(folder)) << RealmSetup::unavailableError().message.toStdString();
    EXPECT_EQ(Realm::database()->storedSchemaVersion(), 3u);

    const auto assets = ScriptAssetItem::fetchAllItems();
    ASSERT_EQ(assets.size(), 3);
    // Ascending by order reads in the reverse of the stored order.
    EXPECT_EQ(assets[0].id(), QStringLiteral("c-third"));
    EXPECT_EQ(assets[0].order(), 98);
    EXPECT_EQ(assets[1].id(), QStringLiteral("b-second"));
    EXPECT_EQ(assets[1].order(), 99);
    EXPECT_EQ(assets[2].id(), QStringLiteral("a-first"));
    EXPECT_EQ(assets[2].order(), 100);
    for (const auto& a : assets) {
        EXPECT_TRUE(a.isEnabled()) << a.id().toStdString();
        EXPECT_FALSE(a.addBeforeBodyTag());
    }
    EXPECT_EQ(assets[2].url(), QStringLiteral("first.js"));

    const auto sites = sitesById();
    ASSERT_EQ(sites.size(), 3);
    EXPECT_FALSE(sites[QStringLiteral("site-1")].isSelected());
    EXPECT_TRUE(sites[QStringLiteral("site-2")].isSelected());
    EXPECT_FALSE(sites[QStringLiteral("site-3")].isSelected());
    EXPECT_EQ(sites[QStringLiteral("site-2")].name(), QStringLiteral("two"));

    // Untouched records and the setting itself stay as they were.
    const auto notes = ScratchDocument::fetchAllItems();
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes[0].title(), QStringLiteral("kept"));
    EXPECT_EQ(defaults().stringForKey(CorePrefs::REAL_PREVIEW_SELECTION), QStringLiteral("site-2"));
}

TEST_F(Migration, FromVersion1OnlyEnablesAndSelects)
{
    OldFile old;
    old.assets = { asset("a", "a.js", 7), asset("b", "b.js", -2) };
    old.sites = { site("site-1", "one") };
    writeOldFile(path, 1, old);
    defaults().setValue(CorePrefs::REAL_PREVIEW_SELECTION, QStringLiteral("site-1"));
    ASSERT_TRUE(RealmSetup::setupInFolder(folder));
    const auto assets = ScriptAssetItem::fetchAllItems();
    ASSERT_EQ(assets.size(), 2);
    EXPECT_EQ(assets[0].id(), QStringLiteral("b"));
    EXPECT_EQ(assets[0].order(), -2);
    EXPECT_EQ(assets[1].order(), 7);
    EXPECT_TRUE(assets[0].isEnabled() && assets[1].isEnabled());
    EXPECT_TRUE(sitesById()[QStringLiteral("site-1")].isSelected());
}

TEST_F(Migration, FromVersion2KeepsOrderAndEnabledAndOnlySelectsTheSite)
{
    OldFile old;
    old.assets = { asset("a", "a.js", 7, false), asset("b", "b.js", 3, true), asset("c", "c.js", 7, true) };
    old.sites = { site("site-1", "one"), site("site-2", "two") };
    writeOldFile(path, 2, old);
    defaults().setValue(CorePrefs::REAL_PREVIEW_SELECTION, QStringLiteral("site-1"));

    ASSERT_TRUE(RealmSetup::setupInFolder(folder));
    EXPECT_EQ(Realm::database()->storedSchemaVersion(), 3u);
    const auto assets = ScriptAssetItem::fetchAllItems();
    ASSERT_EQ(assets.size(), 3);
    EXPECT_EQ(assets[0].id(), QStringLiteral("b"));
    EXPECT_EQ(assets[0].order(), 3);
    EXPECT_TRUE(assets[0].isEnabled());
    EXPECT_EQ(assets[1].id(), QStringLiteral("a"));
    EXPECT_EQ(assets[1].order(), 7);
    EXPECT_FALSE(assets[1].isEnabled());
    EXPECT_EQ(assets[2].id(), QStringLiteral("c"));
    EXPECT_TRUE(assets[2].isEnabled());

    const auto sites = sitesById();
    EXPECT_TRUE(sites[QStringLiteral("site-1")].isSelected());
    EXPECT_FALSE(sites[QStringLiteral("site-2")].isSelected());
}

TEST_F(Migration, WithoutTheSettingOnlyASiteWithEmptyIdIsSelected)
{
    OldFile old;
    old.sites = { site("site-1", "one"), site("site-2", "two") };
    writeOldFile(path, 2, old);
    // An older program could leave a site with an empty id; only raw SQL can still make one.
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "INSERT INTO \"RealPreviewItem\" (\"id\", \"name\") VALUES ('', 'blank')", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(raw);

    ASSERT_TRUE(RealmSetup::setupInFolder(folder));
    const auto sites = sitesById();
    ASSERT_EQ(sites.size(), 3);
    EXPECT_FALSE(sites[QStringLiteral("site-1")].isSelected());
    EXPECT_FALSE(sites[QStringLiteral("site-2")].isSelected());
    EXPECT_TRUE(sites[QString(QLatin1String(""))].isSelected());
}

TEST_F(Migration, NewFileIsCreatedAtVersion3WithoutMigrating)
{
    ASSERT_FALSE(QFile::exists(path));
    ASSERT_TRUE(RealmSetup::setupInFolder(folder));
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(Realm::database()->storedSchemaVersion(), 3u);
    // A second opening of a current file migrates nothing either.
    ScriptAssetItem item;
    item.setId(makeRecordId());
    item.setOrder(5);
    ASSERT_FALSE(Realm::write([&](RealmTransaction& tx) { tx.add(item); }));
    ASSERT_TRUE(RealmSetup::setupInFolder(folder));
    const auto assets = ScriptAssetItem::fetchAllItems();
    ASSERT_EQ(assets.size(), 1);
    EXPECT_EQ(assets[0].order(), 5);
    EXPECT_FALSE(assets[0].isEnabled());
}

TEST_F(Migration, FailedMigrationLeavesTheFileAsItWas)
{
    OldFile old;
    old.assets = { asset("a", "a.js") };
    writeOldFile(path, 0, old);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    Configuration config = RealmSetup::configuration(path);
    config.migration = [](platform::store::Migration& m, quint64) {
        m.enumerateObjects(QStringLiteral("ScriptAssetItem"), [](const ObjectValues*, ObjectValues* n) {
            n->insert(QStringLiteral("order"), 1);
        });
        m.fail(QStringLiteral("cannot continue"));
    };
    StoreError error;
    EXPECT_FALSE(Database::open(config, &error));
    EXPECT_EQ(error.code, StoreErrorCode::MigrationFailed);
    EXPECT_TRUE(error.message.contains(QStringLiteral("cannot continue"))) << error.message.toStdString();

    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    file.close();

    // The real migration still runs afterwards from the untouched version 0.
    ASSERT_TRUE(RealmSetup::setupInFolder(folder));
    EXPECT_EQ(ScriptAssetItem::fetchAllItems().value(0).order(), 100);
}

TEST_F(Migration, OldViewShowsTheFileAsItWasAndUnknownClassesYieldNothing)
{
    OldFile old;
    old.assets = { asset("a", "a.js") };
    writeOldFile(path, 0, old);
    Configuration config = RealmSetup::configuration(path);
    QStringList seen;
    config.migration = [&](platform::store::Migration& m, quint64 oldVersion) {
        EXPECT_EQ(oldVersion, 0u);
        m.enumerateObjects(QStringLiteral("ScriptAssetItem"), [&](const ObjectValues* o, ObjectValues* n) {
            seen << QStringLiteral("first old has order: %1").arg(o->contains(QStringLiteral("order")));
            n->insert(QStringLiteral("order"), 42);
        });
        m.enumerateObjects(QStringLiteral("ScriptAssetItem"), [&](const ObjectValues* o, ObjectValues* n) {
            seen << QStringLiteral("second old has order: %1, new order %2")
                        .arg(o->contains(QStringLiteral("order")))
                        .arg(n->value(QStringLiteral("order")).toLongLong());
        });
        m.enumerateObjects(QStringLiteral("Snippet"), [&](const ObjectValues*, ObjectValues*) { seen << QStringLiteral("snippet"); });
    };
    StoreError error;
    auto db = Database::open(config, &error);
    ASSERT_TRUE(db) << error.message.toStdString();
    EXPECT_EQ(seen, (QStringList { QStringLiteral("first old has order: 0"), QStringLiteral("second old has order: 0, new order 42") }));
}

} // namespace
