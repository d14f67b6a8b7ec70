#include "ShadowScripts.h"

#include "MiniTestSupport.h"

#include <QElapsedTimer>

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

TEST(ShadowScripts, TheUsersScriptWinsAndAddsIdentifiers)
{
    test::PrivateFolders folders;
    {
        test::StdoutCapture output;
        EXPECT_TRUE(ShadowScripts::collectScripts().isEmpty());
        EXPECT_TRUE(ShadowScripts::runScript(ShadowScripts::collectScripts(), application(QStringLiteral("org.example.Editor"))).isEmpty());
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
    const auto items = ShadowScripts::runScript(ShadowScripts::collectScripts(), application(QStringLiteral("ed")));
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
    const auto items = ShadowScripts::runScript(ShadowScripts::collectScripts(), application(QStringLiteral("ed")));
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
            items = ShadowScripts::runScript(ShadowScripts::collectScripts(), application(QString::fromLatin1(c.name)));
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

TEST(ShadowScripts, AnEmptyArrayOrNoScriptIsNoError)
{
    test::PrivateFolders folders;
    test::PrivateFolders::write(folders.userScripts() + QStringLiteral("ed.sh"), script("echo '[]'"));
    test::StdoutCapture output;
    EXPECT_TRUE(ShadowScripts::runScript(ShadowScripts::collectScripts(), application(QStringLiteral("ed"))).isEmpty());
    EXPECT_TRUE(ShadowScripts::runScript(ShadowScripts::collectScripts(), application(QStringLiteral("none"))).isEmpty());
    const QString logged = output.text();
    EXPECT_TRUE(logged.isEmpty());
}

} // namespace
