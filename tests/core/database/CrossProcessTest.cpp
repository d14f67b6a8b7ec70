// Two programs on one database file: each hears of the other's commits, and concurrent
// writers lose nothing.
#include "DatabaseTestSupport.h"

#include "Models/ScratchDocument.h"

#include <QProcess>
#include <QSet>

using namespace penwick;
using namespace penwick::platform::store;

namespace {

class CrossProcess : public penwick::test::DatabaseTest {
protected:
    std::unique_ptr<QProcess> startHelper(const QStringList& args)
    {
        auto process = std::make_unique<QProcess>();
        process->setProgram(QStringLiteral(PENWICK_DATABASE_HELPER));
        process->setArguments(args);
        process->setProcessChannelMode(QProcess::SeparateChannels);
        process->start();
        EXPECT_TRUE(process->waitForStarted(10000)) << process->errorString().toStdString();
        return process;
    }
    static QStringList finish(QProcess& process)
    {
        EXPECT_TRUE(test::waitUntil([&] { return process.state() == QProcess::NotRunning; }, 60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        return QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
};

TEST_F(CrossProcess, OtherProcessHearsOfThisProcesssCommit)
{
    auto helper = startHelper({ QStringLiteral("wait-change"), folder });
    ASSERT_TRUE(test::waitUntil([&] { return helper->canReadLine() || helper->state() == QProcess::NotRunning; }, 20000));
    ASSERT_EQ(helper->readLine().trimmed(), QByteArray("ready"));

    ScratchDocument note;
    note.setId(makeRecordId());
    note.setTitle(QStringLiteral("from the test"));
    ASSERT_FALSE(Realm::write([&](RealmTransaction& tx) { tx.add(note); }));
    const QStringList lines = finish(*helper);
    EXPECT_EQ(lines, (QStringList { QStringLiteral("changed 1"), QStringLiteral("from the test") }));
}

TEST_F(CrossProcess, ThisProcessHearsOfTheOtherProcesssCommit)
{
    QList<StoreChange> heard;
    auto token = Realm::observe<ScratchDocument>(nullptr, [&](const StoreChange& c) { heard << c; });
    auto helper = startHelper({ QStringLiteral("write"), folder, QStringLiteral("1"), QStringLiteral("elsewhere ") });
    ASSERT_TRUE(test::waitUntil([&] { return !heard.isEmpty(); }, 20000));
    EXPECT_TRUE(heard[0].external);
    const auto notes = ScratchDocument::fetchAllItems();
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes[0].title(), QStringLiteral("elsewhere 0"));
    finish(*helper);
}

TEST_F(CrossProcess, ConcurrentWritersInTwoProcessesLoseNothing)
{
    const int perWriter = 1000;
    auto helper = startHelper({ QStringLiteral("write"), folder, QString::number(perWriter), QStringLiteral("helper ") });
    // This process writes its share at the same time, one transaction per record.
    for (int i = 0; i < perWriter; ++i) {
        ScratchDocument note;
        note.setId(makeRecordId());
        note.setTitle(QStringLiteral("test %1").arg(i));
        const auto error = Realm::write([&](RealmTransaction& tx) { tx.add(note); });
        ASSERT_FALSE(error) << error->message.toStdString();
    }
    const QStringList helperOutput = finish(*helper);
    EXPECT_EQ(helperOutput, QStringList { QStringLiteral("done") });

    const auto notes = ScratchDocument::fetchAllItems();
    EXPECT_EQ(notes.size(), 2 * perWriter);
    QSet<QString> titles;
    for (const auto& n : notes)
        titles.insert(n.title());
    for (int i = 0; i < perWriter; ++i) {
        EXPECT_TRUE(titles.contains(QStringLiteral("test %1").arg(i))) << i;
        EXPECT_TRUE(titles.contains(QStringLiteral("helper %1").arg(i))) << i;
    }
}

TEST_F(CrossProcess, ProgramsStartingTogetherOnANewFileBothSetItUp)
{
    const QString fresh = QDir(test::temporaryFolder()).filePath(QStringLiteral("new/Penwick"));
    std::vector<std::unique_ptr<QProcess>> helpers;
    for (const char* prefix : { "a", "b", "c" })
        helpers.push_back(startHelper({ QStringLiteral("write"), fresh, QStringLiteral("100"), QString::fromLatin1(prefix) }));
    for (auto& helper : helpers)
        EXPECT_EQ(finish(*helper), QStringList { QStringLiteral("done") });
    ASSERT_TRUE(RealmSetup::setupInFolder(fresh));
    EXPECT_EQ(Realm::database()->storedSchemaVersion(), 3u);
    EXPECT_EQ(ScratchDocument::fetchAllItems().size(), 300);
}

} // namespace
