// Killed without warning, again and again, at random moments while a person types into a saved
// file, a note and an untitled document: no start ever finds a tab missing from the session, a
// file cut short, or less text than an earlier start found.
#include "PenwickProcess.h"

#include "Extensions/Realm.h"
#include "Models/ScratchDocument.h"
#include "TestSupport.h"
#include "XvfbServer.h"
#include "platform/UserDefaults.h"
#include "common/Prefs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QUrl>

#include <gtest/gtest.h>

using namespace penwick;

namespace {

constexpr int kRounds = 20;

class KillLoop : public ::testing::Test {
protected:
    void SetUp() override
    {
        PENWICK_REQUIRE_XVFB();
        ASSERT_TRUE(session.isReady());
        ASSERT_TRUE(RealmSetup::setupInFolder(session.home() + QStringLiteral("/xdg_data_home/Penwick")));
    }
    void TearDown() override { RealmSetup::close(); }

    platform::UserDefaults settings() const { return platform::UserDefaults(session.settingsPath()); }
    QStringList stored() const { return settings().stringArrayForKey(Prefs::SESSION_RESTORE_DOCS); }
    QStringList tabNames()
    {
        const QList<QStringList> names = session.tabNames();
        return names.size() == 1 ? names.first() : QStringList();
    }
    int frontTab()
    {
        const QJsonArray windows = session.windows();
        const QJsonArray documents = windows.isEmpty() ? QJsonArray() : windows.first().toObject().value(QStringLiteral("documents")).toArray();
        for (int i = 0; i < documents.size(); ++i) {
            if (documents.at(i).toObject().value(QStringLiteral("front")).toBool())
                return i;
        }
        return -1;
    }
    void keys(QProcess& process, const QStringList& keys)
    {
        ASSERT_FALSE(session.focusWindowOf(process).isEmpty());
        session.xdotool(QStringList { QStringLiteral("key"), QStringLiteral("--clearmodifiers") } + keys);
    }
    // One Ctrl+PageDown at a time, each waited for: on a loaded machine a switch can take longer
    // than any fixed pause, and a key pressed again meanwhile went past the tab.
    bool bringToFront(QProcess& process, int index)
    {
        for (int press = 0; press < 6; ++press) {
            const int before = frontTab();
            if (before == index)
                return true;
            keys(process, { QStringLiteral("ctrl+Next") });
            if (!test::waitUntil([&] { return frontTab() != before; }, 30000))
                return false;
        }
        return frontTab() == index;
    }
    // Typing that goes on in the background until the process is killed.
    void startTyping(const QString& text)
    {
        typist = std::make_unique<QProcess>();
        typist->setProcessEnvironment(session.environment());
        typist->start(QStringLiteral("xdotool"), { QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), text });
    }
    void stopTyping()
    {
        if (typist) {
            typist->kill();
            typist->waitForFinished(5000);
            typist.reset();
        }
    }

    test::PenwickSession session;
    std::unique_ptr<QProcess> typist;
};

} // namespace

TEST_F(KillLoop, TwentyKillsWhileTypingLoseNoTabAndCutNoFile)
{
    const QString file = session.home() + QStringLiteral("/plan.md");
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("# Plan\n");
    }
    ScratchDocument note;
    note.setId(makeRecordId());
    note.setTitle(QStringLiteral("Groceries"));
    note.setContent(QStringLiteral("Milk"));
    note.setCreatedDate(QDateTime::currentDateTimeUtc().addSecs(-3600));
    note.setUpdatedDate(note.createdDate());
    ASSERT_FALSE(Realm::write([&](RealmTransaction& tx) { tx.add(note); }));
    settings().setValue(Prefs::SESSION_RESTORE_DOCS,
        QStringList { QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded), note.makePathURLAndTitle().first->toString(QUrl::FullyEncoded) });

    // The untitled document joins the session once its first copy is written.
    {
        std::unique_ptr<QProcess> penwick = session.start({});
        ASSERT_FALSE(session.focusWindowOf(*penwick).isEmpty()); // the window that becomes main restores
        ASSERT_TRUE(test::waitUntil([&] { return tabNames().size() == 2; }, 60000));
        keys(*penwick, { QStringLiteral("ctrl+n") });
        ASSERT_TRUE(test::waitUntil([&] { return tabNames().size() == 3 && frontTab() == 2; }, 30000));
        session.xdotool({ QStringLiteral("type"), QStringLiteral("draft") });
        ASSERT_TRUE(test::waitUntil([&] { return stored().size() == 3; }, 30000));
        penwick->kill();
        ASSERT_TRUE(test::hasEnded(*penwick));
    }

    const QStringList expectedTabs { QStringLiteral("plan.md"), QStringLiteral("Groceries"), QStringLiteral("Untitled") };
    qsizetype fileLength = 0, noteLength = 0, draftLength = 0;
    QRandomGenerator random(20261211);
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        std::unique_ptr<QProcess> penwick = session.start({});
        ASSERT_FALSE(session.focusWindowOf(*penwick).isEmpty());
        ASSERT_TRUE(test::waitUntil([&] { return tabNames() == expectedTabs; }, 60000))
            << "tabs: " << tabNames().join(QLatin1Char(',')).toStdString() << " stored: " << stored().join(QLatin1Char(' ')).toStdString();

        // What the last kill left: whole, and never less than before.
        const QByteArray onDisk = test::readBytes(file);
        ASSERT_TRUE(onDisk.startsWith("# Plan\n")) << onDisk.constData();
        ASSERT_GE(onDisk.size(), fileLength) << "the file lost text";
        fileLength = onDisk.size();
        const auto record = Realm::objectForPrimaryKey<ScratchDocument>(note.id());
        ASSERT_TRUE(record && record->content().startsWith(QStringLiteral("Milk")));
        ASSERT_GE(record->content().size(), noteLength) << "the note lost text";
        noteLength = record->content().size();
        ASSERT_EQ(stored().size(), 3);
        const QByteArray draft = test::readBytes(QUrl(stored().value(2)).toLocalFile());
        ASSERT_TRUE(draft.contains("draft")) << draft.constData();
        ASSERT_GE(draft.size(), draftLength) << "the untitled document lost text";
        draftLength = draft.size();

        // Typing into one of the three, killed at a random moment (timed saves run every ten
        // seconds, so some kills land on a save).
        const int target = round % 3;
        ASSERT_TRUE(bringToFront(*penwick, target));
        keys(*penwick, { QStringLiteral("ctrl+End") });
        startTyping(QStringLiteral("abcdefghijklmnopqrstuvwxyz abcdefghijklmnopqrstuvwxyz abcdefghijklmnopqrstuvwxyz"));
        const int waitMs = int(random.bounded(9000));
        QElapsedTimer clock;
        clock.start();
        test::waitUntil([&] { return clock.elapsed() >= waitMs; }, waitMs + 1000);
        penwick->kill();
        ASSERT_TRUE(test::hasEnded(*penwick));
        stopTyping();
    }
}
