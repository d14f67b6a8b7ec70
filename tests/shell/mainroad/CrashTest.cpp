// Killed without warning: what was typed into an untitled document and into a note tab before
// the save timer fired comes back when Penwick starts again, with the session's other tabs.
#include "PenwickProcess.h"

#include "Extensions/Realm.h"
#include "Models/ScratchDocument.h"
#include "TestSupport.h"
#include "XvfbServer.h"
#include "platform/UserDefaults.h"
#include "common/Prefs.h"

#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <gtest/gtest.h>

#include <iostream>

#include <csignal>

using namespace penwick;

namespace {

class Crash : public ::testing::Test {
protected:
    void SetUp() override
    {
        PENWICK_REQUIRE_XVFB();
        ASSERT_TRUE(session.isReady());
        ASSERT_TRUE(RealmSetup::setupInFolder(dataFolder()));
    }
    void TearDown() override { RealmSetup::close(); }
    QString dataFolder() const { return session.home() + QStringLiteral("/xdg_data_home/Penwick"); }
    platform::UserDefaults settings() const
    {
        return platform::UserDefaults(session.settingsPath());
    }
    QProcess& start() { return session.launch({}); }
    // The tabs of the one window: name and whether it is the front one.
    QList<std::pair<QString, bool>> tabs()
    {
        QList<std::pair<QString, bool>> found;
        const QJsonArray windows = session.windows();
        if (windows.size() != 1)
            return found;
        for (const QJsonValue& document : windows.first().toObject().value(QStringLiteral("documents")).toArray())
            found.append({ document.toObject().value(QStringLiteral("name")).toString(), document.toObject().value(QStringLiteral("front")).toBool() });
        return found;
    }
    // Keys for the window, given the focus first: the window may have been replaced meanwhile.
    void press(QProcess& process, const QStringList& keys)
    {
        ASSERT_FALSE(session.focusWindowOf(process).isEmpty());
        session.xdotool(QStringList { QStringLiteral("key"), QStringLiteral("--clearmodifiers") } + keys);
    }
    void type(QProcess& process, const QString& text)
    {
        ASSERT_FALSE(session.focusWindowOf(process).isEmpty());
        session.xdotool({ QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text });
    }
    // Brings the tab at `index` to the front with the next-tab key.
    // One Ctrl+PageDown at a time, each waited for: on a loaded machine a switch can take longer
    // than any fixed pause, and a key pressed again meanwhile went past the tab.
    bool bringToFront(QProcess& process, int index)
    {
        const auto front = [&] {
            const auto list = tabs();
            for (int i = 0; i < list.size(); ++i) {
                if (list.value(i).second)
                    return i;
            }
            return -1;
        };
        for (int pressed = 0; pressed < 6; ++pressed) {
            const int before = front();
            if (before == index)
                return true;
            press(process, { QStringLiteral("ctrl+Next") });
            if (!test::waitUntil([&] { return front() != before; }, 30000))
                return false;
        }
        return front() == index;
    }
    // The text of the front tab's editor, copied as a person copies it.
    QString frontText(QProcess& process, const QString& expected)
    {
        QString text;
        test::waitUntil([&] {
            press(process, { QStringLiteral("ctrl+a"), QStringLiteral("ctrl+c") });
            return test::waitUntil([&] { return (text = QGuiApplication::clipboard()->text()) == expected; }, 2000);
        }, 30000);
        return text;
    }
    // Whether the tab at `index` shows an edited document.
    bool edited(int index)
    {
        const QJsonArray windows = session.windows();
        const QJsonArray documents = windows.isEmpty() ? QJsonArray() : windows.first().toObject().value(QStringLiteral("documents")).toArray();
        return documents.at(index).toObject().value(QStringLiteral("edited")).toBool();
    }
    // A scratch note "Groceries" holding "Milk", stored in the session's database.
    ScratchDocument storeNote()
    {
        ScratchDocument note;
        note.setId(makeRecordId());
        note.setTitle(QStringLiteral("Groceries"));
        note.setContent(QStringLiteral("Milk"));
        note.setCreatedDate(QDateTime::currentDateTimeUtc().addSecs(-3600));
        note.setUpdatedDate(note.createdDate());
        EXPECT_FALSE(Realm::write([&](RealmTransaction& tx) { tx.add(note); }));
        return note;
    }
    static QString urlOf(const QString& path) { return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded); }
    QStringList stored() const { return settings().stringArrayForKey(Prefs::SESSION_RESTORE_DOCS); }
    QStringList copies() const
    {
        QStringList paths;
        const QDir folder(dataFolder() + QStringLiteral("/.temp"));
        for (const QString& name : folder.entryList({ QStringLiteral("*.pwtemp") }, QDir::Files))
            paths << folder.filePath(name);
        return paths;
    }

    test::PenwickSession session;
};

} // namespace

TEST_F(Crash, TextTypedBeforeTheTimerFiredSurvivesAKillWithTheSession)
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

    QProcess& penwick = start();
    ASSERT_FALSE(session.focusWindowOf(penwick).isEmpty());
    ASSERT_TRUE(test::waitUntil([&] { return tabs().size() == 2; }, 60000)) << "the stored session reopens";
    ASSERT_EQ(tabs().value(0).first, QStringLiteral("plan.md"));
    ASSERT_EQ(tabs().value(1).first, QStringLiteral("Groceries"));

    // Typing into the note, then into a new untitled document.
    ASSERT_TRUE(bringToFront(penwick, 1));
    press(penwick, { QStringLiteral("ctrl+End") });
    type(penwick, QStringLiteral(" and eggs"));
    press(penwick, { QStringLiteral("ctrl+n") });
    ASSERT_TRUE(test::waitUntil([&] { return tabs().size() == 3 && tabs().value(2).second; }, 30000)) << "a new untitled tab in front";
    type(penwick, QStringLiteral("Draft words"));

    // One firing of the save timer: the copy on disk, the note in the database, the session
    // listing all three tabs.
    QString copy;
    ASSERT_TRUE(test::waitUntil([&] {
        const QStringList found = copies();
        copy = found.value(0);
        return found.size() == 1 && test::readBytes(copy) == "Draft words";
    }, 30000)) << "copies: " << copies().join(QLatin1Char(' ')).toStdString();
    ASSERT_TRUE(test::waitUntil([&] {
        const auto stored = Realm::objectForPrimaryKey<ScratchDocument>(note.id());
        return stored && stored->content() == QStringLiteral("Milk and eggs");
    }, 30000)) << "the note in the database";
    ASSERT_TRUE(test::waitUntil([&] { return settings().stringArrayForKey(Prefs::SESSION_RESTORE_DOCS).size() == 3; }, 30000))
        << "stored: " << settings().stringArrayForKey(Prefs::SESSION_RESTORE_DOCS).join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(settings().stringArrayForKey(Prefs::SESSION_RESTORE_DOCS).value(2), QUrl::fromLocalFile(copy).toString(QUrl::FullyEncoded));

    penwick.kill(); // SIGKILL: nothing runs on the way out
    ASSERT_TRUE(test::hasEnded(penwick));
    EXPECT_EQ(penwick.exitStatus(), QProcess::CrashExit);

    QProcess& again = start();
    ASSERT_FALSE(session.focusWindowOf(again).isEmpty());
    ASSERT_TRUE(test::waitUntil([&] { return tabs().size() == 3; }, 60000))
        << "tabs now: " << QJsonDocument(session.windows()).toJson().toStdString();
    EXPECT_EQ(tabs().value(0).first, QStringLiteral("plan.md"));
    EXPECT_EQ(tabs().value(1).first, QStringLiteral("Groceries"));
    EXPECT_EQ(tabs().value(2).first, QStringLiteral("Untitled")) << "named after the last piece of its copy's name";

    const struct {
        int tab;
        QString text;
    } expected[] = { { 0, QStringLiteral("# Plan\n") }, { 1, QStringLiteral("Milk and eggs") }, { 2, QStringLiteral("Draft words") } };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.tab);
        ASSERT_TRUE(bringToFront(again, e.tab));
        EXPECT_EQ(frontText(again, e.text).toStdString(), e.text.toStdString());
    }
}

TEST_F(Crash, ARestoredUntitledDocumentIsInTheSessionAtOnceAndSurvivesASecondKill)
{
    QProcess& first = start();
    ASSERT_TRUE(test::waitUntil([&] { return tabs().size() == 1; }, 60000));
    type(first, QStringLiteral("one"));
    ASSERT_TRUE(test::waitUntil([&] {
        return copies().size() == 1 && test::readBytes(copies().value(0)) == "one" && stored() == QStringList { urlOf(copies().value(0)) };
    }, 30000)) << "the timer wrote the copy and the session lists it";
    const QString firstCopy = copies().value(0);
    first.kill();
    ASSERT_TRUE(test::hasEnded(first));

    QProcess& second = start();
    ASSERT_FALSE(session.focusWindowOf(second).isEmpty()); // the window that becomes main restores
    ASSERT_TRUE(test::waitUntil([&] { return tabs().size() == 1; }, 60000));
    // Restored: a copy of its own, on disk and in the session before any timer fires.
    QString listed;
    ASSERT_TRUE(test::waitUntil([&] {
        listed = QUrl(stored().value(0)).toLocalFile();
        return stored().size() == 1 && listed != firstCopy && test::readBytes(listed) == "one";
    }, 5000)) << "stored: " << stored().join(QLatin1Char(' ')).toStdString();
    press(second, { QStringLiteral("ctrl+End") });
    type(second, QStringLiteral(" two"));
    ASSERT_EQ(frontText(second, QStringLiteral("one two")), QStringLiteral("one two"));
    ASSERT_TRUE(test::waitUntil([&] { return stored() == QStringList { urlOf(listed) } && test::readBytes(listed) == "one two"; }, 30000))
        << "the timer writes the restored document's copy";
    second.kill();
    ASSERT_TRUE(test::hasEnded(second));

    QProcess& third = start();
    ASSERT_FALSE(session.focusWindowOf(third).isEmpty());
    ASSERT_TRUE(test::waitUntil([&] { return tabs().size() == 1; }, 60000)) << "the tab came back a second time";
    EXPECT_EQ(tabs().value(0).first, QStringLiteral("Untitled"));
    EXPECT_EQ(frontText(third, QStringLiteral("one two")).toStdString(), "one two");
}

// Ended by a signal (a shutdown, a closed terminal) a moment after typing: the file holds what
// was typed, the untitled document's copy and the note's record too, and the session lists all.
TEST_F(Crash, ATerminationSignalKeepsTheTypingInAFileAnUntitledDocumentAndANote)
{
    const struct {
        const char* name;
        int signal;
    } endings[] = { { "SIGTERM", SIGTERM }, { "SIGHUP", SIGHUP } };
    for (const auto& s : endings) {
        SCOPED_TRACE(s.name);
        QDir(dataFolder() + QStringLiteral("/.temp")).removeRecursively();
        const QString file = session.home() + QStringLiteral("/plan.md");
        {
            QFile out(file);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            out.write("# Plan\n");
        }
        const ScratchDocument note = storeNote();
        const QString noteURL = note.makePathURLAndTitle().first->toString(QUrl::FullyEncoded);
        settings().setValue(Prefs::SESSION_RESTORE_DOCS, QStringList { urlOf(file), noteURL });

        const QString output = session.home() + QStringLiteral("/output-") + QString::fromLatin1(s.name);
        std::unique_ptr<QProcess> penwick = session.start({}, {}, {}, output);
        ASSERT_FALSE(session.focusWindowOf(*penwick).isEmpty());
        ASSERT_TRUE(test::waitUntil([&] { return tabs().size() == 2; }, 60000));

        // A new document, typed into until the timer fires once: the next firing is ten seconds
        // away, time enough for what follows to reach no timer.
        press(*penwick, { QStringLiteral("ctrl+n") });
        ASSERT_TRUE(test::waitUntil([&] { return tabs().size() == 3 && tabs().value(2).second; }, 30000));
        type(*penwick, QStringLiteral("D"));
        ASSERT_TRUE(test::waitUntil([&] { return test::readBytes(output).contains("Saved to: "); }, 30000));
        QElapsedTimer sinceFiring;
        sinceFiring.start();

        type(*penwick, QStringLiteral("raft"));
        ASSERT_TRUE(bringToFront(*penwick, 0));
        press(*penwick, { QStringLiteral("ctrl+End") });
        type(*penwick, QStringLiteral("more"));
        // The note last: leaving a note's tab writes it.
        ASSERT_TRUE(bringToFront(*penwick, 1));
        press(*penwick, { QStringLiteral("ctrl+End") });
        type(*penwick, QStringLiteral(" and eggs"));
        // Every key has arrived once the copied text shows the last ones.
        ASSERT_EQ(frontText(*penwick, QStringLiteral("Milk and eggs")), QStringLiteral("Milk and eggs"));
        // Nothing of the file's or the draft's typing is on disk yet: what is there after the
        // signal was written by its handler. (The note may be: Penwick writes notes whenever it
        // goes to the background, which a busy X server can make happen.) On a machine so busy
        // that the typing took longer than the timer's period, the timer may have written them
        // too; what the signal leaves is checked all the same.
        const bool fileAndDraftEdited = edited(0) && edited(2);
        const QByteArray fileBefore = test::readBytes(file);
        const QStringList copiesBefore = copies();
        const QByteArray draftBefore = copiesBefore.size() == 1 ? test::readBytes(copiesBefore.value(0)) : QByteArray();
        if (sinceFiring.elapsed() < 9000) {
            EXPECT_TRUE(fileAndDraftEdited);
            EXPECT_EQ(fileBefore, "# Plan\n");
            EXPECT_EQ(copiesBefore.size(), 1);
            EXPECT_EQ(draftBefore, "D");
        } else {
            std::cout << s.name << ": the typing outlasted the timer's period; only what the signal leaves is checked\n";
        }

        ::kill(pid_t(penwick->processId()), s.signal);
        ASSERT_TRUE(test::hasEnded(*penwick));
        EXPECT_EQ(penwick->exitStatus(), QProcess::NormalExit);

        EXPECT_EQ(test::readBytes(file), "# Plan\nmore");
        const auto record = Realm::objectForPrimaryKey<ScratchDocument>(note.id());
        ASSERT_TRUE(record);
        EXPECT_EQ(record->content(), QStringLiteral("Milk and eggs"));
        ASSERT_EQ(copies().size(), 1);
        EXPECT_EQ(test::readBytes(copies().value(0)), "Draft");
        EXPECT_EQ(stored(), (QStringList { urlOf(file), noteURL, urlOf(copies().value(0)) }));
    }
}
