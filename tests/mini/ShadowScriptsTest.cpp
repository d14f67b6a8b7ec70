#include "ShadowScripts.h"

#include "MiniTestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

using namespace penwick;

namespace {

RunningApplication application(const QString& identifier)
{
    RunningApplication app;
    app.pid = 4242;
    app.identifier = identifier;
    app.localizedName = QStringLiteral("Editor");
    app.executablePath = QStringLiteral("/usr/bin/editor");
    app.windowId = 77;
    app.windowTitle = QStringLiteral("notes.md - Editor");
    return app;
}

QByteArray script(const QByteArray& body)
{
    return "#!/bin/sh\n" + body + "\n";
}

// Runs the program's script and waits for its reply; `ran` tells whether there was a run.
QList<ShadowItem> run(const RunningApplication& app, bool* ran = nullptr)
{
    std::optional<QList<ShadowItem>> reply;
    auto handle = ShadowScripts::runScript(ShadowScripts::collectScripts(), app,
                                           [&](const QList<ShadowItem>& items) { reply = items; });
    if (ran)
        *ran = handle != nullptr;
    if (!handle)
        return {};
    EXPECT_FALSE(reply.has_value()) << "the reply comes from the event loop";
    EXPECT_TRUE(test::waitUntil([&] { return reply.has_value(); }, 10000));
    return reply.value_or(QList<ShadowItem>());
}

// Whether a process is gone (or only waits to be reaped).
bool processEnded(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close >= 0 && line.mid(close + 2, 1) == "Z";
}

TEST(ShadowScripts, TheUsersScriptWinsAndAddsIdentifiers)
{
    test::PrivateFolders folders;
    {
        test::StdoutCapture output;
        EXPECT_TRUE(ShadowScripts::collectScripts().isEmpty());
        bool ran = true;
        EXPECT_TRUE(run(application(QStringLiteral("org.example.Editor")), &ran).isEmpty());
        EXPECT_FALSE(ran);
        EXPECT_TRUE(output.text().isEmpty()) << "missing folders are no error: " << output.text().toStdString();
    }
    test::PrivateFolders::write(folders.shippedScripts() + QStringLiteral("org.example.Editor.sh"), script("echo '[]'"));
    test::PrivateFolders::write(folders.shippedScripts() + QStringLiteral("org.example.Other.sh"), script("echo '[]'"));
    test::PrivateFolders::write(folders.shippedScripts() + QStringLiteral("org.example.Plain.sh"), script("echo '[]'"), false);
    const QString user = test::PrivateFolders::write(folders.userScripts() + QStringLiteral("org.example.Editor.py"), script("echo '[]'"));
    const QString added = test::PrivateFolders::write(folders.userScripts() + QStringLiteral("org.example.New"), script("echo '[]'"));
    const auto scripts = ShadowScripts::collectScripts();
    EXPECT_EQ(scripts.value(QStringLiteral("org.example.Editor")), user);
    EXPECT_EQ(scripts.value(QStringLiteral("org.example")), added) << "the last dot starts an extension";
    EXPECT_TRUE(scripts.contains(QStringLiteral("org.example.Other")));
    EXPECT_FALSE(scripts.contains(QStringLiteral("org.example.Plain"))) << "not executable";
}

TEST(ShadowScripts, RepliesBecomeEntries)
{
    test::PrivateFolders folders;
    test::PrivateFolders::write(folders.userScripts() + QStringLiteral("ed.sh"), script(R"(cat <<'JSON'
[{"title": "a.md", "path": "/tmp/a.md"},
 {"path": "/tmp/b.md", "title": "b.md", "active": true},
 {"title": "no path"},
 {"title": 12, "path": "/tmp/numeric"},
 {"title": "c.md", "path": "/tmp/c.md", "active": "yes"},
 "not an object"]
JSON)"));
    const auto items = run(application(QStringLiteral("ed")));
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0].title, QStringLiteral("a.md"));
    EXPECT_FALSE(items[0].isActive.has_value());
    EXPECT_EQ(items[1].path, QStringLiteral("/tmp/b.md"));
    EXPECT_EQ(items[1].isActive, std::optional<bool>(true));
    EXPECT_EQ(items[1].sourceIdentifier, QStringLiteral("ed"));
    EXPECT_EQ(items[1].sourceAppPath, QStringLiteral("/usr/bin/editor"));
    EXPECT_EQ(items[1].toolTip, QStringLiteral("/tmp/b.md"));
    EXPECT_FALSE(items[2].isActive.has_value());
}

TEST(ShadowScripts, TheEnvironmentReachesTheScript)
{
    test::PrivateFolders folders;
    test::PrivateFolders::write(folders.userScripts() + QStringLiteral("ed.sh"), script(R"(
printf '[{"title":"%s|%s|%s|%s","path":"%s"}]' "$PENWICK_APP_ID" "$PENWICK_APP_PID" "$PENWICK_WINDOW_ID" "$PENWICK_WINDOW_TITLE" "$PENWICK_APP_PATH"
)"));
    const auto items = run(application(QStringLiteral("ed")));
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0].title, QStringLiteral("ed|4242|77|notes.md - Editor"));
    EXPECT_EQ(items[0].path, QStringLiteral("/usr/bin/editor"));
}

TEST(ShadowScripts, FailingScriptsGiveNoEntriesAndOneErrorLine)
{
    struct Case {
        const char* name;
        QByteArray body;
        const char* reason;
    };
    const Case cases[] = {
        { "sleeps", "sleep 10; echo '[]'", "was stopped" },
        { "garbage", "echo 'this is not json'", "no JSON" },
        { "object", "echo '{\"title\":\"a\",\"path\":\"/a\"}'", "not a JSON array" },
        { "huge", "head -c 2097152 /dev/zero | tr '\\0' 'x'", "more than 1 MiB" },
        { "status", "echo '[]'; exit 3", "status 3" },
        { "crash", "kill -SEGV $$", "crashed" },
    };
    for (const Case& c : cases) {
        test::PrivateFolders folders;
        const QString path = test::PrivateFolders::write(folders.userScripts() + QString::fromLatin1(c.name) + QStringLiteral(".sh"), script(c.body));
        QElapsedTimer timer;
        timer.start();
        QList<ShadowItem> items;
        QString logged;
        {
            test::StdoutCapture output;
            items = run(application(QString::fromLatin1(c.name)));
            logged = output.text();
        }
        EXPECT_LT(timer.elapsed(), 5000) << c.name;
        if (QByteArray(c.name) == "sleeps") {
            EXPECT_GE(timer.elapsed(), 1900) << "a slow script has its two seconds";
        }
        EXPECT_TRUE(items.isEmpty()) << c.name;
        EXPECT_EQ(logged.count(QLatin1Char('\n')), 1) << c.name << ": " << logged.toStdString();
        EXPECT_TRUE(logged.startsWith(QStringLiteral("Error: Shadow script ") + path)) << logged.toStdString();
        EXPECT_TRUE(logged.contains(QString::fromLatin1(c.reason))) << c.name << ": " << logged.toStdString();
    }
}

// A script that hangs is stopped with everything it started, and the event loop runs meanwhile.
TEST(ShadowScripts, AStoppedScriptTakesItsChildrenAlong)
{
    test::PrivateFolders folders;
    const QString childFile = folders.home + QStringLiteral("/child");
    test::PrivateFolders::write(folders.userScripts() + QStringLiteral("hangs.sh"),
                                script("sleep 100 &\necho $! > '" + childFile.toUtf8() + "'\nsleep 100"));
    std::optional<QList<ShadowItem>> reply;
    QString logged;
    qint64 scriptPid = 0;
    {
        test::StdoutCapture output;
        auto handle = ShadowScripts::runScript(ShadowScripts::collectScripts(), application(QStringLiteral("hangs")),
                                               [&](const QList<ShadowItem>& items) { reply = items; });
        ASSERT_TRUE(handle);
        ASSERT_TRUE(test::waitUntil([&] { return QFileInfo(childFile).size() > 0; }, 10000));
        scriptPid = handle->processId();
        EXPECT_GT(scriptPid, 0);
        EXPECT_FALSE(reply.has_value()) << "the script still runs while the event loop goes on";
        ASSERT_TRUE(test::waitUntil([&] { return reply.has_value(); }, 10000));
        logged = output.text();
    }
    EXPECT_TRUE(reply->isEmpty());
    EXPECT_TRUE(logged.contains(QStringLiteral("was stopped"))) << logged.toStdString();
    QFile file(childFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const qint64 child = file.readAll().trimmed().toLongLong();
    ASSERT_GT(child, 0);
    EXPECT_TRUE(test::waitUntil([&] { return processEnded(child); }, 10000)) << "the script's child was left running";
    EXPECT_TRUE(processEnded(scriptPid));
}

// Dropping a run stops the script and its children, and no reply comes.
TEST(ShadowScripts, DroppingARunStopsItsScript)
{
    test::PrivateFolders folders;
    const QString childFile = folders.home + QStringLiteral("/child");
    test::PrivateFolders::write(folders.userScripts() + QStringLiteral("hangs.sh"),
                                script("sleep 100 &\necho $! > '" + childFile.toUtf8() + "'\nsleep 100"));
    bool replied = false;
    auto handle = ShadowScripts::runScript(ShadowScripts::collectScripts(), application(QStringLiteral("hangs")),
                                           [&](const QList<ShadowItem>&) { replied = true; });
    ASSERT_TRUE(handle);
    ASSERT_TRUE(test::waitUntil([&] { return QFileInfo(childFile).size() > 0; }, 10000));
    const qint64 scriptPid = handle->processId();
    handle.reset();
    QFile file(childFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const qint64 child = file.readAll().trimmed().toLongLong();
    EXPECT_TRUE(test::waitUntil([&] { return processEnded(child) && processEnded(scriptPid); }, 10000));
    QCoreApplication::processEvents();
    EXPECT_FALSE(replied);
}

// The editors' script marks active the one file the title names, matching names and paths whole.
TEST(ShadowScripts, TheShippedEditorScriptMatchesWholeNamesAndPaths)
{
    test::PrivateFolders folders;
    qputenv("PENWICK_RESOURCES", QByteArray()); // the shipped scripts
    const QString notes = folders.home + QStringLiteral("/notes");
    for (const char* file : { "a.md", "data.md", "sub/a.md" })
        test::PrivateFolders::write(notes + QLatin1Char('/') + QString::fromLatin1(file), "text", false);
    QProcess editor;
    editor.setWorkingDirectory(notes);
    editor.start(QStringLiteral("sh"), { QStringLiteral("-c"), QStringLiteral("sleep 60; :"), QStringLiteral("editor"),
                                          QStringLiteral("a.md"), QStringLiteral("data.md"), QStringLiteral("--flag"),
                                          QStringLiteral("sub/a.md") });
    ASSERT_TRUE(editor.waitForStarted(5000));
    RunningApplication app = application(QStringLiteral("org.geany.Geany"));
    app.pid = editor.processId();
    struct Case {
        QString title;
        const char* active; // the active file under notes/, or "" for none
    };
    const Case cases[] = {
        { QStringLiteral("…/data.md - Geany"), "data.md" },
        { QStringLiteral("data.md - Geany"), "data.md" },
        { notes + QStringLiteral("/sub/a.md - Kate"), "sub/a.md" },
        { QStringLiteral("a.md (~/notes/sub) - gedit"), "sub/a.md" },
        { QStringLiteral("a.md (~/notes) - gedit"), "a.md" },
        { QStringLiteral("*a.md - Mousepad"), "a.md" },
        { QStringLiteral("metadata.md - Geany"), "" },
        { QStringLiteral("a.mdx - Geany"), "" },
        { QStringLiteral("Untitled - Geany"), "" },
    };
    for (const Case& c : cases) {
        app.windowTitle = c.title;
        const QList<ShadowItem> items = run(app);
        ASSERT_EQ(items.size(), 3) << c.title.toStdString();
        QStringList active;
        for (const ShadowItem& item : items) {
            if (item.isActive.value_or(false))
                active << item.path.mid(notes.size() + 1);
        }
        EXPECT_EQ(active, c.active[0] ? QStringList { QString::fromUtf8(c.active) } : QStringList()) << c.title.toStdString();
    }
    editor.kill();
    editor.waitForFinished(5000);
}

TEST(ShadowScripts, AnEmptyArrayOrNoScriptIsNoError)
{
    test::PrivateFolders folders;
    test::PrivateFolders::write(folders.userScripts() + QStringLiteral("ed.sh"), script("echo '[]'"));
    test::StdoutCapture output;
    EXPECT_TRUE(run(application(QStringLiteral("ed"))).isEmpty());
    EXPECT_TRUE(run(application(QStringLiteral("none"))).isEmpty());
    const QString logged = output.text();
    EXPECT_TRUE(logged.isEmpty());
}

} // namespace
