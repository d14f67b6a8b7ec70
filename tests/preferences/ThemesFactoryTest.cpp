#include "PrefsTestSupport.h"

#include "TestSupport.h"
#include "preferences/ThemeItem.h"
#include "preferences/ThemesFactory.h"

#include <QDir>
#include <QFile>

#include <optional>

using namespace penwick;
using penwick::test::writeFile;

namespace {

class ThemesFactoryTest : public test::ThemeFoldersTest {
protected:
    ThemesFactory& factory() { return ThemesFactory::sharedInstance(); }
    std::optional<QString> resolve(const QString& name) { return factory().pathForThemeName(name, "txt", "Themes"); }

    static QStringList names(const ThemeItems& items)
    {
        QStringList out;
        for (const ThemeItem& item : items)
            out << item.displayName();
        return out;
    }
    static QStringList paths(const ThemeItems& items)
    {
        QStringList out;
        for (const ThemeItem& item : items)
            out << item.path();
        return out;
    }
};

} // namespace

TEST_F(ThemesFactoryTest, UserThemesPathIsTheExpandedTildeFolder)
{
    EXPECT_EQ(ThemesFactory::userThemesPath(), test::temporaryHome() + "/.penwick/Themes/");
}

TEST_F(ThemesFactoryTest, ResolvesNamesAndPaths)
{
    const QString outside = test::temporaryFolder() + "/Elsewhere/Outside.txt";
    writeFile(outside);
    writeFile(shipped("Themes", "Both.txt"));
    writeFile(userThemes() + "/Both.txt");
    writeFile(shipped("Themes", "Shipped.txt"));
    writeFile(userThemes() + "/Mine.txt");
    ASSERT_TRUE(QDir().mkpath(userThemes() + "/Folder.txt"));
    ASSERT_TRUE(QDir().mkpath(shipped("Themes", "Folder.txt")));
    ASSERT_TRUE(QDir().mkpath(test::temporaryFolder() + "/Dir.txt"));

    struct Case {
        QString name;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        { outside, outside }, // a full path outside both folders resolves to itself
        { "Both", userThemes() + "/Both.txt" }, // the user's file beats the shipped one
        { "Shipped", shipped("Themes", "Shipped.txt") },
        { "Mine", userThemes() + "/Mine.txt" },
        { "Folder", std::nullopt }, // a folder is no theme
        { test::temporaryFolder(), std::nullopt },
        { "Unknown", std::nullopt },
        { "", std::nullopt },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(resolve(c.name), c.expected);
    }

    // A file of the name in the working folder is no theme.
    const QString workingFolder = test::temporaryFolder();
    writeFile(workingFolder + "/Shipped");
    writeFile(workingFolder + "/Mine.txt");
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(workingFolder));
    EXPECT_EQ(resolve("Shipped"), shipped("Themes", "Shipped.txt"));
    EXPECT_EQ(resolve("Mine.txt"), std::nullopt);
    QDir::setCurrent(before);

    // Without a user folder the shipped file answers.
    ASSERT_TRUE(QDir(userThemes()).removeRecursively());
    EXPECT_TRUE(factory().getUserDefinedThemesOfType("txt").isEmpty());
    EXPECT_EQ(resolve("Both"), shipped("Themes", "Both.txt"));
    EXPECT_EQ(resolve("Mine"), std::nullopt);
}

TEST_F(ThemesFactoryTest, ListsFilesWhoseRelativePathEndsWithTheType)
{
    writeFile(userThemes() + "/Night.txt");
    writeFile(userThemes() + "/notes.mytxt"); // a plain suffix test, no dot implied
    writeFile(userThemes() + "/Paper.css");
    writeFile(userThemes() + "/deep/er/Deep.txt");
    ASSERT_TRUE(QDir().mkpath(userThemes() + "/folder.txt"));

    EXPECT_EQ(names(factory().getUserDefinedThemesOfType("txt")), (QStringList { "Night", "Deep", "notes" }));
    EXPECT_EQ(names(factory().getUserDefinedThemesOfType("css")), QStringList { "Paper" });
}

TEST_F(ThemesFactoryTest, OfOneNameTheFirstInPathOrderIsKept)
{
    // "a.b/" sorts before "a/" ('.' is below '/'), whatever order the folders are walked in.
    writeFile(userThemes() + "/a/Same.txt", "a");
    writeFile(userThemes() + "/a.b/Same.txt", "a.b");
    writeFile(userThemes() + "/z/Other.txt");
    const ThemeItems items = factory().getUserDefinedThemesOfType("txt");
    EXPECT_EQ(paths(items), (QStringList { userThemes() + "/a.b/Same.txt", userThemes() + "/z/Other.txt" }));

    writeFile(shipped("CSS", "one/Style.css"));
    writeFile(shipped("CSS", "two/Style.css"));
    EXPECT_EQ(paths(factory().getBundledThemesOfType("css", "CSS")), QStringList { shipped("CSS", "one/Style.css") });
}

TEST_F(ThemesFactoryTest, BrokenThemesAreListedAndResolvedLikeAnyOther)
{
    writeFile(userThemes() + "/Broken.txt", "H1\n  color: notacolour\n  {{{\n");
    writeFile(userThemes() + "/Latin.txt", QByteArray("caf\xe9 \xff\xfe", 7));
    EXPECT_EQ(names(factory().getUserDefinedThemesOfType("txt")), (QStringList { "Broken", "Latin" }));
    EXPECT_EQ(resolve("Broken"), userThemes() + "/Broken.txt");
    EXPECT_EQ(resolve("Latin"), userThemes() + "/Latin.txt");
}

TEST_F(ThemesFactoryTest, AFolderThatIsAFileOrLiesUnderOneListsNothing)
{
    writeFile(shipped("Themes", "Shipped.txt"));
    ASSERT_TRUE(QDir(userThemes()).removeRecursively());
    writeFile(userThemes(), "a file where the folder should be");
    EXPECT_TRUE(factory().getUserDefinedThemesOfType("txt").isEmpty());
    EXPECT_EQ(resolve("Shipped"), shipped("Themes", "Shipped.txt"));

    // The shipped kind folder is a file.
    writeFile(resources() + "/CSS", "file");
    EXPECT_TRUE(factory().getBundledThemesOfType("css", "CSS").isEmpty());

    // The resources folder lies under a regular file.
    const QString file = test::temporaryFolder() + "/plain";
    writeFile(file);
    qputenv("PENWICK_RESOURCES", (file + "/share").toLocal8Bit());
    EXPECT_TRUE(factory().getBundledThemesOfType("txt", "Themes").isEmpty());
    EXPECT_EQ(resolve("Shipped"), std::nullopt);
}

TEST(ThemeItem, DisplayNameEqualityHashAndOrder)
{
    const ThemeItem dark("/any/where/Solarized Dark.txt");
    EXPECT_EQ(dark.displayName(), "Solarized Dark");
    EXPECT_EQ(dark.path(), "/any/where/Solarized Dark.txt");
    EXPECT_EQ(ThemeItem("/x/notes.final.css").displayName(), "notes.final");

    // Equality looks at the name only, case-sensitively.
    EXPECT_EQ(ThemeItem("/a/Night.txt"), ThemeItem("/b/c/Night.css"));
    const ThemeItem upper("/a/NIGHT.txt"), lower("/a/night.txt");
    EXPECT_FALSE(upper == lower);
    EXPECT_EQ(upper.compare(lower), ThemeItem::ComparisonResult::Same);
    EXPECT_EQ(ThemeItem("/a/alpha.txt").compare(ThemeItem("/a/Beta.txt")), ThemeItem::ComparisonResult::Ascending);
    EXPECT_EQ(ThemeItem("/a/Beta.txt").compare(ThemeItem("/a/alpha.txt")), ThemeItem::ComparisonResult::Descending);

    // Canonically equal names are equal and hash alike.
    const ThemeItem composed(QString::fromUtf8("/a/Caf\u00e9.txt"));
    const ThemeItem decomposed(QString::fromUtf8("/b/Cafe\u0301.txt"));
    EXPECT_NE(composed.displayName(), decomposed.displayName());
    EXPECT_EQ(composed, decomposed);
    EXPECT_EQ(qHash(composed, 7), qHash(decomposed, 7));
}
