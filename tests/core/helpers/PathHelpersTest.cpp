#include "Extensions/StringAdditions.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <functional>
#include <vector>

using namespace penwick;

namespace {

struct UnaryCase {
    QString input;
    QString expected;
};

void checkTable(const char* name, const std::function<QString(const QString&)>& operation, const std::vector<UnaryCase>& cases)
{
    for (const UnaryCase& c : cases) {
        SCOPED_TRACE(name);
        SCOPED_TRACE(("input \"" + c.input + "\"").toStdString());
        EXPECT_EQ(operation(c.input), c.expected);
    }
}

TEST(PathHelpers, PathComponents)
{
    struct Case {
        QString path;
        QStringList expected;
    };
    const std::vector<Case> cases = {
        { "/tmp/scratch.tiff", { "/", "tmp", "scratch.tiff" } },
        { "/tmp/", { "/", "tmp", "/" } },
        { "tmp/scratch", { "tmp", "scratch" } },
        { "a//b///c", { "a", "b", "c" } },
        { "/", { "/" } },
        { "//", { "/" } },
        { "", {} },
        { "scratch.tiff", { "scratch.tiff" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(pathComponents(c.path), c.expected);
    }
    EXPECT_EQ(pathWithComponents({ "/", "tmp", "scratch.tiff" }), QStringLiteral("/tmp/scratch.tiff"));
    EXPECT_EQ(pathWithComponents({ "..", "img", "x.png" }), QStringLiteral("../img/x.png"));
    EXPECT_EQ(pathWithComponents({}), QString());
}

TEST(PathHelpers, LastPathComponent)
{
    checkTable("lastPathComponent", lastPathComponent, {
        { "/tmp/scratch.tiff", "scratch.tiff" },
        { "/tmp/", "tmp" },
        { "/tmp//", "tmp" },
        { "/", "/" },
        { "scratch", "scratch" },
        { "a//b", "b" },
        { "", "" },
    });
}

TEST(PathHelpers, DeletingLastPathComponent)
{
    for (const auto& operation : { std::function<QString(const QString&)>(stringByDeletingLastPathComponent),
             std::function<QString(const QString&)>(parentPath) }) {
        checkTable("stringByDeletingLastPathComponent / parentPath", operation, {
            { "/tmp/scratch.tiff", "/tmp" },
            { "/tmp/lock/", "/tmp" },
            { "/tmp", "/" },
            { "/", "/" },
            { "scratch.tiff", "" },
            { "a//b", "a" },
            { "a/b/c", "a/b" },
            { "", "" },
        });
    }
}

TEST(PathHelpers, Extensions)
{
    checkTable("fileExtension", fileExtension, {
        { "/tmp/scratch.tiff", "tiff" },
        { "/tmp/scratch", "" },
        { "/tmp/", "" },
        { "/tmp/.tiff", "" },
        { "archive.tar.gz", "gz" },
        { "/a.b/c", "" },
        { "..", "" },
        { "", "" },
    });
    checkTable("stringByDeletingPathExtension", stringByDeletingPathExtension, {
        { "/tmp/scratch.tiff", "/tmp/scratch" },
        { "scratch..tiff", "scratch." },
        { ".tiff", ".tiff" },
        { "/tmp/.tiff", "/tmp/.tiff" },
        { "/tmp/", "/tmp" },
        { "/a.b/c", "/a.b/c" },
        { "..", ".." },
        { "/", "/" },
        { "", "" },
    });
    checkTable("fileName", fileName, {
        { "/x/notes.final.md", "notes.final" },
        { "/x/README", "README" },
        { "/x/.profile", ".profile" },
        { "/x/folder.d/", "folder" },
        { "notes.md", "notes" },
    });
}

TEST(PathHelpers, AppendPathComponent)
{
    struct Case {
        QString path;
        QString component;
        QString expected;
    };
    const std::vector<Case> cases = {
        { "/tmp", "scratch.tiff", "/tmp/scratch.tiff" },
        { "/tmp/", "scratch.tiff", "/tmp/scratch.tiff" },
        { "", "scratch.tiff", "scratch.tiff" },
        { "/", "scratch.tiff", "/scratch.tiff" },
        { "/tmp", "/scratch.tiff", "/tmp/scratch.tiff" },
        { "/tmp", "sub/", "/tmp/sub" },
        { "a", "b/c", "a/b/c" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.path + " + " + c.component).toStdString());
        EXPECT_EQ(appendPathComponent(c.path, c.component), c.expected);
    }
}

TEST(PathHelpers, AppendPathExtension)
{
    struct Case {
        QString path;
        QString extension;
        QString expected;
    };
    const std::vector<Case> cases = {
        { "/tmp/", "tiff", "/tmp.tiff" },
        { "scratch.old", "tiff", "scratch.old.tiff" },
        { "/tmp/scratch", "tiff", "/tmp/scratch.tiff" },
        // no name to extend, or an extension that cannot be one: unchanged, no failure
        { "", "tiff", "" },
        { "/", "tiff", "/" },
        { "scratch", "", "scratch" },
        { "scratch", "a/b", "scratch" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.path + " + " + c.extension).toStdString());
        EXPECT_EQ(appendPathExtension(c.path, c.extension), c.expected);
    }
}

TEST(PathHelpers, RelativePaths)
{
    struct Case {
        QString path;
        QString base;
        QString expected;
    };
    const QString image = QStringLiteral("/Users/a/notes/img/x.png");
    const std::vector<Case> cases = {
        { image, "/Users/a/notes", "img/x.png" },
        { image, "/Users/a/docs", "../notes/img/x.png" },
        { image, "/Users/a/docs/deep", "../../notes/img/x.png" },
        { image, "/Users/a/notes/", "../img/x.png" },
        { image, image, "" },
        { "/Users/A/x", "/Users/a", "../A/x" },
        { "/Users/a/./x", "/Users/a", "./x" },
        { "rel/x", "/abs", "../../rel/x" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.path + " against " + c.base).toStdString());
        EXPECT_EQ(stringWithPathRelativeTo(c.path, c.base), c.expected);
    }
}

TEST(PathHelpers, Tilde)
{
    const QString home = QDir::homePath();
    ASSERT_FALSE(home.isEmpty());
    checkTable("stringByExpandingTildeInPath", stringByExpandingTildeInPath, {
        { "~", home },
        { "~/notes/a.md", home + "/notes/a.md" },
        { "/tmp/~/x", "/tmp/~/x" },
        { "x~", "x~" },
        { "~no-such-user-for-penwick/x", "~no-such-user-for-penwick/x" },
        { "", "" },
    });
    checkTable("stringByAbbreviatingWithTildeInPath", stringByAbbreviatingWithTildeInPath, {
        { home, "~" },
        { home + "/notes/a.md", "~/notes/a.md" },
        { home + "x/a.md", home + "x/a.md" },
        { "/elsewhere/a.md", "/elsewhere/a.md" },
    });
    // A named user's home comes from the user database.
    const passwd* me = getpwuid(getuid());
    ASSERT_NE(me, nullptr);
    EXPECT_EQ(stringByExpandingTildeInPath("~" + QFile::decodeName(me->pw_name) + "/x"),
        appendPathComponent(QFile::decodeName(me->pw_dir), QStringLiteral("x")));
}

TEST(PathHelpers, AsFileURL)
{
    EXPECT_EQ(asFileURL(QStringLiteral("/no/such/dir/x y.md")).toString(), QStringLiteral("file:///no/such/dir/x y.md"));
    EXPECT_EQ(asFileURL(QStringLiteral("/no/such/dir/x y.md")).toEncoded(), QByteArray("file:///no/such/dir/x%20y.md"));
    EXPECT_TRUE(asFileURL(QString()).isEmpty());

    // An existing folder is addressed as a folder, with a trailing separator.
    const QString folder = QDir::tempPath();
    EXPECT_EQ(asFileURL(folder).toLocalFile(), folder + "/");

    // A relative path is taken from the current folder.
    EXPECT_EQ(asFileURL(QStringLiteral("some-file.md")).toLocalFile(), QDir::currentPath() + "/some-file.md");
}

} // namespace
