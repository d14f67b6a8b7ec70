// Notes are written off the main thread: a database another process holds locked makes the
// write wait there, not the window; a database that cannot be used keeps the notes in a file
// beside it until it can take them. Nothing given to the writer is lost.
#include "DatabaseHelperProcess.h"
#include "DatabaseTestSupport.h"

#include "Models/ScratchDocument.h"
#include "Models/ShadowDocument.h"
#include "Services/NoteWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <cstdio>

using namespace penwick;

namespace {

ScratchDocument scratch(const QString& title, const QString& content)
{
    ScratchDocument note;
    note.setId(makeRecordId());
    note.setTitle(title);
    note.setContent(content);
    note.setCreatedDate(QDateTime::currentDateTimeUtc());
    note.setUpdatedDate(note.createdDate());
    return note;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The contents of the notes kept in the file, by id.
QHash<QString, QString> keptContents(const QString& path)
{
    QHash<QString, QString> contents;
    const QJsonDocument document = QJsonDocument::fromJson(readFile(path));
    for (const QJsonValue& note : document.object().value(QStringLiteral("notes")).toArray())
        contents.insert(note[QStringLiteral("id")].toString(), note[QStringLiteral("values")][QStringLiteral("content")].toString());
    return contents;
}

// Counts the turns of the main thread's event loop with a timer of its own, and the longest
// time between two of them.
class MainThreadTurns {
public:
    MainThreadTurns()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            ++m_turns;
            m_longestGapMs = std::max(m_longestGapMs, m_sinceLast.restart());
        });
        m_sinceLast.start();
        m_timer.start();
    }
    int turns() const { return m_turns; }
    qint64 longestGapMs() const { return m_longestGapMs; }

private:
    QTimer m_timer;
    QElapsedTimer m_sinceLast;
    int m_turns = 0;
    qint64 m_longestGapMs = 0;
};

const QString kTyped = QStringLiteral("# Today\n\n- **bold** and ü, 日本, \"quotes\"\n");

using NoteWriterLocked = test::DatabaseTest;

} // namespace

TEST_F(NoteWriterLocked, ANoteWaitsForTheLockOffTheMainThreadAndIsStoredWhenItIsFree)
{
    NoteWriter* writer = NoteWriter::shared();
    ASSERT_TRUE(writer);
    test::DatabaseLockHolder other(folder);
    ASSERT_TRUE(other.isLocked());

    const ScratchDocument note = scratch(QStringLiteral("Locked"), kTyped);
    std::optional<NoteWriter::Result> result;
    MainThreadTurns turns;
    writer->put(note, [&](const NoteWriter::Result& r) { result = r; });

    // The lock is still held: the main thread goes on turning while the write waits.
    ASSERT_TRUE(test::waitUntil([&] { return turns.turns() >= 50; }, 60000));
    EXPECT_FALSE(result.has_value()) << "nothing can be stored while the other process holds the lock";
    EXPECT_TRUE(writer->hasUnsettledNote(ScratchDocument::className(), note.id()));
    StoreError readError;
    EXPECT_FALSE(Realm::objectForPrimaryKey<ScratchDocument>(note.id(), &readError)) << "reads go on meanwhile";
    EXPECT_TRUE(readError.message.isEmpty()) << readError.message.toStdString();

    other.release();
    ASSERT_TRUE(test::waitUntil([&] { return result.has_value(); }, 60000));
    EXPECT_EQ(result->outcome, NoteWriter::Outcome::Stored);
    const auto stored = Realm::objectForPrimaryKey<ScratchDocument>(note.id());
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->content(), kTyped);
    EXPECT_EQ(stored->title(), QStringLiteral("Locked"));
    EXPECT_FALSE(writer->hasUnsettledNote(ScratchDocument::className(), note.id()));
    EXPECT_FALSE(QFile::exists(writer->keptNotesPath()));
    std::printf("[ measure  ] longest pause of the main thread while the write waited: %lld ms over %d turns\n",
        static_cast<long long>(turns.longestGapMs()), turns.turns());
}

TEST_F(NoteWriterLocked, AProgramStartingWhileAnotherHoldsTheLockOpensTheDatabaseWithoutWaitingForIt)
{
    RealmSetup::close();
    test::DatabaseLockHolder other(folder);
    ASSERT_TRUE(other.isLocked());
    // A file already at the schema is only read when opened; reading goes on under the lock.
    QElapsedTimer opening;
    opening.start();
    ASSERT_TRUE(RealmSetup::setupInFolder(folder)) << RealmSetup::unavailableError().message.toStdString();
    std::printf("[ measure  ] opening the database while another program held its lock took %lld ms\n",
        static_cast<long long>(opening.elapsed()));
    StoreError error;
    EXPECT_TRUE(ScratchDocument::fetchAllItems().isEmpty());
    EXPECT_FALSE(Realm::objectForPrimaryKey<ScratchDocument>(QStringLiteral("none"), &error));
    EXPECT_TRUE(error.message.isEmpty()) << error.message.toStdString();
}

TEST_F(NoteWriterLocked, TwoSavesOfOneNoteWhileItWaitsStoreTheLaterText)
{
    NoteWriter* writer = NoteWriter::shared();
    test::DatabaseLockHolder other(folder);
    ASSERT_TRUE(other.isLocked());
    ScratchDocument note = scratch(QStringLiteral("Twice"), QStringLiteral("first"));
    int stored = 0;
    const auto count = [&](const NoteWriter::Result& r) { stored += r.outcome == NoteWriter::Outcome::Stored; };
    writer->put(note, count);
    note.setContent(QStringLiteral("second"));
    writer->put(note, count);
    EXPECT_EQ(ScratchDocument::fromObjectValues(*writer->unsettledNote(ScratchDocument::className(), note.id())).content(),
        QStringLiteral("second"));
    other.release();
    ASSERT_TRUE(test::waitUntil([&] { return stored == 2; }, 60000));
    EXPECT_EQ(Realm::objectForPrimaryKey<ScratchDocument>(note.id())->content(), QStringLiteral("second"));
}

TEST_F(NoteWriterLocked, AnUpdateChangesOnlyItsFieldsAndFailsForANoteThatIsGone)
{
    NoteWriter* writer = NoteWriter::shared();
    ScratchDocument note = scratch(QStringLiteral("Old title"), QStringLiteral("old text"));
    store(QList<ScratchDocument> { note });
    // Renamed elsewhere meanwhile; the tab only knows the old title.
    ScratchDocument renamed = note;
    renamed.setTitle(QStringLiteral("New title"));
    store(QList<ScratchDocument> { renamed });

    note.setContent(QStringLiteral("new text"));
    note.setUpdatedDate(test::utc("2031-01-02T03:04:05.678Z"));
    std::optional<NoteWriter::Result> result;
    writer->update(ScratchDocument::className(), note.toObjectValues(), { QStringLiteral("content"), QStringLiteral("updatedDate") },
        [&](const NoteWriter::Result& r) { result = r; });
    ASSERT_TRUE(test::waitUntil([&] { return result.has_value(); }, 60000));
    EXPECT_EQ(result->outcome, NoteWriter::Outcome::Stored);
    const auto stored = Realm::objectForPrimaryKey<ScratchDocument>(note.id());
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->content(), QStringLiteral("new text"));
    EXPECT_EQ(stored->updatedDate(), test::utc("2031-01-02T03:04:05.678Z"));
    EXPECT_EQ(stored->title(), QStringLiteral("New title"));

    ASSERT_FALSE(Realm::write([&](RealmTransaction& tx) { tx.removeObject<ScratchDocument>(note.id()); }));
    result.reset();
    writer->update(ScratchDocument::className(), note.toObjectValues(), { QStringLiteral("content") },
        [&](const NoteWriter::Result& r) { result = r; });
    ASSERT_TRUE(test::waitUntil([&] { return result.has_value(); }, 60000));
    EXPECT_EQ(result->outcome, NoteWriter::Outcome::Failed);
    ASSERT_TRUE(result->error);
    EXPECT_EQ(result->error->message, QStringLiteral("The note no longer exists."));
    EXPECT_FALSE(Realm::objectForPrimaryKey<ScratchDocument>(note.id()));
}

TEST_F(NoteWriterLocked, NotesStillWaitingWhenTheProgramEndsAreKeptAndStoredAtTheNextStart)
{
    NoteWriter* writer = NoteWriter::shared();
    const QString keptPath = writer->keptNotesPath();
    test::DatabaseLockHolder other(folder);
    ASSERT_TRUE(other.isLocked());
    const ScratchDocument note = scratch(QStringLiteral("At quit"), kTyped);
    writer->put(note);

    RealmSetup::close(); // the program ends while the other one still holds the lock
    EXPECT_EQ(keptContents(keptPath).value(note.id()), kTyped);
    other.release();

    ASSERT_TRUE(RealmSetup::setupInFolder(folder));
    ASSERT_TRUE(test::waitUntil([&] { return !QFile::exists(keptPath); }, 60000));
    const auto stored = Realm::objectForPrimaryKey<ScratchDocument>(note.id());
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->content(), kTyped);
    EXPECT_EQ(stored->title(), QStringLiteral("At quit"));
}

TEST(NoteWriterDamaged, ADamagedDatabaseKeepsWhatIsTypedBesideItUntilItCanTakeIt)
{
    const QString folder = test::temporaryFolder();
    const QString database = QDir(folder).filePath(QStringLiteral("penwick.db"));
    QByteArray damage;
    for (int i = 0; i < 200; ++i)
        damage += "this is not a database. ";
    {
        QFile file(database);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(damage);
    }
    EXPECT_FALSE(RealmSetup::setupInFolder(folder));
    NoteWriter* writer = NoteWriter::shared();
    ASSERT_TRUE(writer) << "there is a writer also when the database cannot be opened";
    writer->setRetryIntervalMs(50);
    ASSERT_TRUE(test::waitUntil([&] { return writer->problem().has_value(); }, 60000));
    EXPECT_EQ(writer->problem()->code, StoreErrorCode::Corrupt);
    const QString keptPath = writer->keptNotesPath();
    EXPECT_EQ(keptPath, QDir(folder).filePath(QCoreApplication::applicationName() + QStringLiteral(" unsaved notes.json")));
    EXPECT_TRUE(writer->problemDescription().contains(database));
    EXPECT_TRUE(writer->problemDescription().contains(keptPath));

    const ScratchDocument first = scratch(QStringLiteral("First"), kTyped);
    ShadowDocument shadow;
    shadow.setId(makeRecordId());
    shadow.setPath(QStringLiteral("/home/person/report.odt"));
    shadow.setSourceIdentifier(QStringLiteral("org.example.writer"));
    shadow.setContent(QStringLiteral("a shadow note"));
    shadow.setUpdatedDate(test::utc("2030-05-06T07:08:09.010Z"));
    std::vector<NoteWriter::Result> results;
    writer->put(first, [&](const NoteWriter::Result& r) { results.push_back(r); });
    writer->put(shadow, [&](const NoteWriter::Result& r) { results.push_back(r); });
    ASSERT_TRUE(test::waitUntil([&] { return results.size() == 2; }, 60000));
    for (const auto& r : results) {
        EXPECT_EQ(r.outcome, NoteWriter::Outcome::Kept);
        ASSERT_TRUE(r.error);
        EXPECT_EQ(r.error->code, StoreErrorCode::Corrupt);
    }
    EXPECT_TRUE(writer->hasKeptNotes());
    const auto kept = keptContents(keptPath);
    EXPECT_EQ(kept.value(first.id()), kTyped);
    EXPECT_EQ(kept.value(shadow.id()), QStringLiteral("a shadow note"));
    EXPECT_EQ(readFile(database), damage) << "the damaged file is left as it is";
    // Readers see the kept notes as the latest.
    const auto unsettled = writer->unsettledNote(ShadowDocument::className(), shadow.id());
    ASSERT_TRUE(unsettled);
    EXPECT_EQ(ShadowDocument::fromObjectValues(*unsettled).updatedDate(), shadow.updatedDate());

    // The person moves the damaged file away: the writer notices and takes the notes in.
    ASSERT_TRUE(QFile::rename(database, database + QStringLiteral(".damaged")));
    int changes = 0;
    QObject::connect(writer, &NoteWriter::stateChanged, [&] { ++changes; });
    ASSERT_TRUE(test::waitUntil([&] { return !QFile::exists(keptPath) && !writer->problem() && !writer->hasKeptNotes(); }, 60000));
    EXPECT_GE(changes, 1);
    EXPECT_TRUE(writer->problemDescription().isEmpty());
    RealmSetup::close();

    ASSERT_TRUE(RealmSetup::setupInFolder(folder));
    const auto storedFirst = Realm::objectForPrimaryKey<ScratchDocument>(first.id());
    ASSERT_TRUE(storedFirst);
    EXPECT_EQ(storedFirst->content(), kTyped);
    EXPECT_EQ(storedFirst->title(), QStringLiteral("First"));
    const auto storedShadow = Realm::objectForPrimaryKey<ShadowDocument>(shadow.id());
    ASSERT_TRUE(storedShadow);
    EXPECT_EQ(storedShadow->content(), QStringLiteral("a shadow note"));
    EXPECT_EQ(storedShadow->path(), QStringLiteral("/home/person/report.odt"));
    EXPECT_EQ(storedShadow->updatedDate(), test::utc("2030-05-06T07:08:09.010Z"));
    RealmSetup::close();
}
