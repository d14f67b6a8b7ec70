// The other program of the tests across processes: opens the database in the folder it is
// given, the way the mini program would, and writes or waits as asked.
//   write <folder> <count> <title prefix>   stores <count> scratch notes, one transaction each
//   wait-change <folder>                    prints "ready", waits for a scratch-note change made
//                                           elsewhere, prints "changed <n>" and the titles
//   delete-scratch <folder> <id>            deletes one scratch note, as Penwick's sidebar does
//   write-shadow <folder> <id> <title> <source id> <source name> [<source path> [<document path>]]
//                                           stores one shadow note
//   update-scratch <folder> <id> <content>  gives a scratch note new content and date, as the
//                                           mini program's editor does
//   hold-lock <folder>                      takes the database's write lock (BEGIN EXCLUSIVE),
//                                           prints "locked", and keeps it until a line comes
//                                           on standard input; then prints "released"
#include "Extensions/Realm.h"
#include "Models/ScratchDocument.h"
#include "Models/ShadowDocument.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <sqlite3.h>

#include <cstdio>

using namespace penwick;

namespace {

void say(const QString& line)
{
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

int writeNotes(int count, const QString& prefix)
{
    for (int i = 0; i < count; ++i) {
        ScratchDocument note;
        note.setId(makeRecordId());
        note.setTitle(prefix + QString::number(i));
        note.setContent(QStringLiteral("written by process %1").arg(QCoreApplication::applicationPid()));
        note.setCreatedDate(QDateTime::currentDateTimeUtc());
        if (auto error = Realm::write([&](RealmTransaction& tx) { tx.add(note); })) {
            say(QStringLiteral("error ") + error->message);
            return 1;
        }
    }
    say(QStringLiteral("done"));
    return 0;
}

int waitForChange()
{
    int result = 2;
    auto observation = Realm::observe<ScratchDocument>(nullptr, [&](const platform::store::StoreChange& change) {
        if (!change.external)
            return;
        const auto notes = ScratchDocument::fetchAllItems();
        say(QStringLiteral("changed %1").arg(notes.size()));
        for (const auto& note : notes)
            say(note.title());
        result = 0;
        QCoreApplication::quit();
    });
    QTimer::singleShot(30000, [] { QCoreApplication::quit(); });
    say(QStringLiteral("ready"));
    QCoreApplication::exec();
    return result;
}

int deleteScratchNote(const QString& id)
{
    if (auto error = Realm::write([&](RealmTransaction& tx) { tx.removeObject<ScratchDocument>(id); })) {
        say(QStringLiteral("error ") + error->message);
        return 1;
    }
    say(QStringLiteral("done"));
    return 0;
}

int writeShadowNote(const QStringList& args)
{
    ShadowDocument note;
    note.setId(args[3]);
    note.setTitle(args[4]);
    note.setPath(args.size() > 8 ? args[8] : QStringLiteral("/documents/") + args[4] + QStringLiteral(".md"));
    if (args.size() > 7)
        note.setSourcePath(args[7]);
    note.setSourceIdentifier(args[5]);
    note.setSourceName(args[6]);
    note.setCreatedDate(QDateTime::currentDateTimeUtc());
    note.setUpdatedDate(note.createdDate());
    if (auto error = Realm::write([&](RealmTransaction& tx) { tx.add(note); })) {
        say(QStringLiteral("error ") + error->message);
        return 1;
    }
    say(QStringLiteral("done"));
    return 0;
}

int updateScratchNote(const QString& id, const QString& content)
{
    if (auto error = Realm::write([&](RealmTransaction& tx) {
            std::optional<ScratchDocument> note = tx.objectForPrimaryKey<ScratchDocument>(id);
            if (!note) {
                tx.cancel();
                return;
            }
            note->setContent(content);
            note->setUpdatedDate(QDateTime::currentDateTimeUtc());
            tx.add(*note);
        })) {
        say(QStringLiteral("error ") + error->message);
        return 1;
    }
    say(QStringLiteral("done"));
    return 0;
}

// Another program's connection, of the plainest kind: nothing of ours but the file.
int holdLock(const QString& folder)
{
    sqlite3* db = nullptr;
    const QByteArray path = QFile::encodeName(QDir(folder).filePath(QStringLiteral("penwick.db")));
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK
        || sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        say(QStringLiteral("error ") + QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_close(db);
        return 1;
    }
    say(QStringLiteral("locked"));
    char line[64];
    std::fgets(line, sizeof(line), stdin);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    say(QStringLiteral("released"));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3)
        return 64;
    if (args[1] == QLatin1String("hold-lock"))
        return holdLock(args[2]);
    if (!RealmSetup::setupInFolder(args[2])) {
        say(QStringLiteral("unavailable ") + RealmSetup::unavailableError().message);
        return 3;
    }
    if (args[1] == QLatin1String("write") && args.size() >= 5)
        return writeNotes(args[3].toInt(), args[4]);
    if (args[1] == QLatin1String("delete-scratch") && args.size() >= 4)
        return deleteScratchNote(args[3]);
    if (args[1] == QLatin1String("write-shadow") && args.size() >= 7)
        return writeShadowNote(args);
    if (args[1] == QLatin1String("update-scratch") && args.size() >= 5)
        return updateScratchNote(args[3], args[4]);
    if (args[1] == QLatin1String("wait-change"))
        return waitForChange();
    return 64;
}
