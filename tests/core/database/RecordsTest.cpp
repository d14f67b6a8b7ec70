#include "DatabaseTestSupport.h"

#include "Models/RealPreviewItem.h"
#include "Models/ScratchDocument.h"
#include "Models/ScriptAssetItem.h"
#include "Models/ShadowDocument.h"
#include "Models/Snippet.h"
#include "Models/SnippetGroup.h"

using namespace penwick;
using penwick::test::utc;

namespace {

class Records : public penwick::test::DatabaseTest {
protected:
    // Stores the record, reads it back by id and by fetching all, and expects both equal to it.
    template <class Record>
    void expectRoundTrip(const Record& record)
    {
        store(QList<Record> { record });
        StoreError error;
        const auto fetched = Realm::objectForPrimaryKey<Record>(record.id(), &error);
        ASSERT_TRUE(fetched.has_value()) << error.message.toStdString();
        EXPECT_TRUE(*fetched == record) << Record::className().toStdString();
        const auto all = Realm::allObjects<Record>();
        ASSERT_FALSE(all.isEmpty());
        EXPECT_TRUE(all.last() == record);
    }
};

TEST_F(Records, ScratchDocumentRoundTripsWithEveryFieldAndWithAbsentOnes)
{
    ScratchDocument full;
    full.setId(makeRecordId());
    full.setTitle(QStringLiteral("Groceries \u00e9\u2713"));
    full.setContent(QStringLiteral("# List\n\n- milk\r\n- \U0001F95A eggs\n"));
    full.setCreatedDate(utc("2024-02-29T23:59:59.123Z"));
    full.setUpdatedDate(utc("2025-01-01T00:00:00.001Z"));
    expectRoundTrip(full);

    ScratchDocument bare;
    bare.setId(makeRecordId());
    expectRoundTrip(bare);
    const auto back = Realm::objectForPrimaryKey<ScratchDocument>(bare.id());
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->title().isNull());
    EXPECT_TRUE(back->content().isNull());
    EXPECT_FALSE(back->createdDate().isValid());
}

TEST_F(Records, EmptyTextStaysPresentAndDistinctFromAbsent)
{
    ScratchDocument note;
    note.setId(makeRecordId());
    note.setTitle(QString(QLatin1String("")));
    store(QList<ScratchDocument> { note });
    const auto back = Realm::objectForPrimaryKey<ScratchDocument>(note.id());
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->title().isNull());
    EXPECT_TRUE(back->title().isEmpty());
    EXPECT_TRUE(back->content().isNull());
}

TEST_F(Records, ShadowDocumentRoundTrips)
{
    ShadowDocument full;
    full.setId(makeRecordId());
    full.setPath(QStringLiteral("/home/ann/Reports/Q3 Report.txt"));
    full.setSourcePath(QStringLiteral("/usr/share/applications/gedit.desktop"));
    full.setSourceIdentifier(QStringLiteral("org.gnome.gedit"));
    full.setSourceName(QStringLiteral("Text Editor"));
    full.setTitle(QStringLiteral("Q3 Report"));
    full.setContent(QStringLiteral("remember the totals"));
    full.setCreatedDate(utc("2020-05-06T07:08:09.010Z"));
    full.setUpdatedDate(utc("2020-05-06T07:08:09.999Z"));
    expectRoundTrip(full);

    ShadowDocument bare;
    bare.setId(makeRecordId());
    expectRoundTrip(bare);
}

TEST_F(Records, SnippetAndGroupRoundTrip)
{
    Snippet snippet;
    snippet.setId(makeRecordId());
    snippet.setShortcut(QStringLiteral("sig"));
    snippet.setDesc(QStringLiteral("signature"));
    snippet.setContent(QStringLiteral("-- \nAnn"));
    snippet.setGroupId(makeRecordId());
    snippet.setCreatedDate(utc("2019-01-01T00:00:00.000Z"));
    snippet.setUpdatedDate(utc("2019-01-02T00:00:00.500Z"));
    expectRoundTrip(snippet);
    Snippet bareSnippet;
    bareSnippet.setId(makeRecordId());
    expectRoundTrip(bareSnippet);

    SnippetGroup group;
    group.setId(makeRecordId());
    group.setTitle(QStringLiteral("Mail"));
    group.setCreatedDate(utc("2019-01-01T00:00:00.250Z"));
    group.setUpdatedDate(utc("2019-01-01T00:00:00.750Z"));
    expectRoundTrip(group);
    SnippetGroup bareGroup;
    bareGroup.setId(makeRecordId());
    expectRoundTrip(bareGroup);
}

TEST_F(Records, ScriptAssetItemRoundTripsAndDefaultsToZeroAndOff)
{
    ScriptAssetItem item;
    item.setId(makeRecordId());
    item.setUrl(QStringLiteral("https://example.org/a.js?x=1&y=2"));
    item.setName(QStringLiteral("a"));
    item.setCreatedDate(utc("2021-03-04T05:06:07.089Z"));
    item.setUpdatedDate(utc("2021-03-04T05:06:08.000Z"));
    item.setOrder(-7);
    item.setEnabled(true);
    item.setAddBeforeBodyTag(true);
    expectRoundTrip(item);

    ScriptAssetItem fresh;
    fresh.setId(makeRecordId());
    fresh.setUrl(QStringLiteral("style.css"));
    store(QList<ScriptAssetItem> { fresh });
    const auto back = Realm::objectForPrimaryKey<ScriptAssetItem>(fresh.id());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->order(), 0);
    EXPECT_FALSE(back->isEnabled());
    EXPECT_FALSE(back->addBeforeBodyTag());
}

TEST_F(Records, RealPreviewItemRoundTrips)
{
    RealPreviewItem item;
    item.setId(makeRecordId());
    item.setUrl(QStringLiteral("https://blog.example.org/post/1"));
    item.setName(QStringLiteral("Blog"));
    item.setHeaderClassName(QStringLiteral("site-header"));
    item.setPostClassName(QStringLiteral("post-content"));
    item.setCreatedDate(utc("2022-12-31T23:00:00.000Z"));
    item.setUpdatedDate(utc("2023-01-01T01:00:00.000Z"));
    item.setSelected(true);
    item.setType(2);
    expectRoundTrip(item);
    RealPreviewItem bare;
    bare.setId(makeRecordId());
    expectRoundTrip(bare);
}

TEST_F(Records, DatesKeepMillisecondsAndComeBackInUtc)
{
    ScratchDocument note;
    note.setId(makeRecordId());
    const QDateTime local = QDateTime(QDate(2023, 7, 1), QTime(12, 30, 15, 456), Qt::OffsetFromUTC, 2 * 3600);
    note.setCreatedDate(local);
    store(QList<ScratchDocument> { note });
    const auto back = Realm::objectForPrimaryKey<ScratchDocument>(note.id());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->createdDate().toMSecsSinceEpoch(), local.toMSecsSinceEpoch());
    EXPECT_EQ(back->createdDate().timeSpec(), Qt::UTC);
    EXPECT_EQ(back->createdDate().time().msec(), 456);
}

TEST_F(Records, TransientFlagIsNeverStored)
{
    ScratchDocument scratch;
    scratch.setId(makeRecordId());
    scratch.setTransient(true);
    ShadowDocument shadow;
    shadow.setId(makeRecordId());
    shadow.setTransient(true);
    store(QList<ScratchDocument> { scratch });
    store(QList<ShadowDocument> { shadow });
    EXPECT_FALSE(ScratchDocument::objectSchema().property(QStringLiteral("isTransient")));
    EXPECT_FALSE(ShadowDocument::objectSchema().property(QStringLiteral("isTransient")));
    const auto scratchBack = Realm::objectForPrimaryKey<ScratchDocument>(scratch.id());
    const auto shadowBack = Realm::objectForPrimaryKey<ShadowDocument>(shadow.id());
    ASSERT_TRUE(scratchBack && shadowBack);
    EXPECT_FALSE(scratchBack->isTransient());
    EXPECT_FALSE(shadowBack->isTransient());
    EXPECT_FALSE(ScratchDocument::fetchAllItems().first().isTransient());
}

TEST_F(Records, SchemaKeepsPropertyOrderKeysAndIndex)
{
    const QStringList expected[] = {
        { "id", "title", "content", "createdDate", "updatedDate" },
        { "id", "path", "sourcePath", "sourceIdentifier", "sourceName", "title", "content", "createdDate", "updatedDate" },
        { "id", "shortcut", "desc", "content", "groupId", "createdDate", "updatedDate" },
        { "id", "title", "createdDate", "updatedDate" },
        { "id", "url", "name", "createdDate", "updatedDate", "order", "isEnabled", "addBeforeBodyTag" },
        { "id", "url", "name", "headerClassName", "postClassName", "createdDate", "updatedDate", "isSelected", "type" },
    };
    const platform::store::ObjectSchema* schemas[] = { &ScratchDocument::objectSchema(), &ShadowDocument::objectSchema(),
        &Snippet::objectSchema(), &SnippetGroup::objectSchema(), &ScriptAssetItem::objectSchema(), &RealPreviewItem::objectSchema() };
    for (int i = 0; i < 6; ++i) {
        QStringList names;
        for (const auto& p : schemas[i]->properties) {
            names << p.name;
            EXPECT_EQ(p.indexed, schemas[i] == &Snippet::objectSchema() && p.name == QLatin1String("shortcut"));
        }
        EXPECT_EQ(names, expected[i]) << schemas[i]->className.toStdString();
        EXPECT_EQ(schemas[i]->primaryKey, QStringLiteral("id"));
    }
    EXPECT_EQ(Snippet::indexedProperties(), QStringList { QStringLiteral("shortcut") });
    EXPECT_EQ(ScratchDocument::ignoredProperties(), QStringList { QStringLiteral("isTransient") });
    EXPECT_EQ(ShadowDocument::ignoredProperties(), QStringList { QStringLiteral("isTransient") });
}

TEST_F(Records, DuplicateShortcutsAreAllowed)
{
    Snippet first, second;
    first.setId(makeRecordId());
    first.setShortcut(QStringLiteral("sig"));
    first.setContent(QStringLiteral("one"));
    second.setId(makeRecordId());
    second.setShortcut(QStringLiteral("sig"));
    second.setContent(QStringLiteral("two"));
    store(QList<Snippet> { first, second });
    EXPECT_EQ(Snippet::fetchAllItems().size(), 2);
    const auto found = Snippet::findByShortcut(QStringLiteral("sig"));
    ASSERT_TRUE(found && found->snippet);
    EXPECT_EQ(found->snippet->content(), QStringLiteral("one"));
}

TEST_F(Records, NewIdsAreLowerCaseUuidsAndLookupIgnoresCase)
{
    const QString id = makeRecordId();
    EXPECT_EQ(id.size(), 36);
    EXPECT_EQ(id, id.toLower());
    EXPECT_FALSE(QUuid::fromString(id).isNull());
    ScratchDocument note;
    note.setId(id);
    note.setContent(QStringLiteral("x"));
    store(QList<ScratchDocument> { note });
    const auto upper = Realm::objectForPrimaryKey<ScratchDocument>(id.toUpper());
    ASSERT_TRUE(upper);
    EXPECT_EQ(upper->id(), id);
    // Storing under the upper-case form replaces the same record instead of adding one.
    note.setId(id.toUpper());
    note.setContent(QStringLiteral("y"));
    store(QList<ScratchDocument> { note });
    const auto all = ScratchDocument::fetchAllItems();
    ASSERT_EQ(all.size(), 1);
    EXPECT_EQ(all.first().content(), QStringLiteral("y"));
}

TEST_F(Records, UpdateReplacesEveryFieldAndRemoveDeletes)
{
    Snippet s;
    s.setId(makeRecordId());
    s.setShortcut(QStringLiteral("a"));
    s.setDesc(QStringLiteral("described"));
    store(QList<Snippet> { s });
    s.setDesc(QString());
    s.setContent(QStringLiteral("now with content"));
    store(QList<Snippet> { s });
    auto back = Realm::objectForPrimaryKey<Snippet>(s.id());
    ASSERT_TRUE(back);
    EXPECT_TRUE(*back == s);
    EXPECT_TRUE(back->desc().isNull());

    ASSERT_FALSE(Realm::write([&](RealmTransaction& tx) { tx.remove(s); }));
    EXPECT_FALSE(Realm::objectForPrimaryKey<Snippet>(s.id()));
    EXPECT_TRUE(Snippet::fetchAllItems().isEmpty());
}

TEST_F(Records, RecordWithoutIdIsRefusedAndNothingOfTheTransactionIsKept)
{
    ScratchDocument good, noId;
    good.setId(makeRecordId());
    const auto error = Realm::write([&](RealmTransaction& tx) {
        tx.add(good);
        tx.add(noId);
    });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, StoreErrorCode::Invalid);
    EXPECT_TRUE(ScratchDocument::fetchAllItems().isEmpty());
}

} // namespace

namespace {

// The main program adds record classes of its own to the same file; a program that does not
// know them (the mini program) opens the file without disturbing them.
TEST(RecordClasses, ApplicationClassesShareTheFileAndSurviveProgramsWithoutThem)
{
    const QString folder = penwick::test::temporaryFolder();
    const platform::store::ObjectSchema favourite { QStringLiteral("FavoriteDBItem"), QStringLiteral("id"),
        { { QStringLiteral("id"), platform::store::PropertyType::String },
            { QStringLiteral("path"), platform::store::PropertyType::String } } };
    RealmSetup::registerObjectSchema(favourite);
    ASSERT_TRUE(RealmSetup::setupInFolder(folder));
    ASSERT_FALSE(Realm::database()->write([](platform::store::WriteTransaction& tx) {
        tx.put(QStringLiteral("FavoriteDBItem"), { { QStringLiteral("id"), QStringLiteral("fav-1") }, { QStringLiteral("path"), QStringLiteral("/home/ann/notes") } });
    }));
    RealmSetup::close();

    // Another program, knowing only the framework's classes, opens and writes the same file.
    const QString path = QDir(folder).filePath(QStringLiteral("penwick.db"));
    platform::store::Configuration mini = RealmSetup::configuration(path);
    mini.objectSchemas.removeIf([](const platform::store::ObjectSchema& s) { return s.className == QLatin1String("FavoriteDBItem"); });
    StoreError error;
    auto other = platform::store::Database::open(mini, &error);
    ASSERT_TRUE(other) << error.message.toStdString();
    EXPECT_FALSE(other->objectSchema(QStringLiteral("FavoriteDBItem")));
    ScratchDocument note;
    note.setId(makeRecordId());
    ASSERT_FALSE(other->write([&](platform::store::WriteTransaction& tx) { tx.put(ScratchDocument::className(), note.toObjectValues()); }));
    other.reset();

    ASSERT_TRUE(RealmSetup::setupInFolder(folder));
    const auto favourites = Realm::database()->allObjects(QStringLiteral("FavoriteDBItem"));
    ASSERT_EQ(favourites.size(), 1u);
    EXPECT_EQ(favourites[0].value(QStringLiteral("path")).toString(), QStringLiteral("/home/ann/notes"));
    EXPECT_EQ(ScratchDocument::fetchAllItems().size(), 1);
    RealmSetup::close();
}

} // namespace
