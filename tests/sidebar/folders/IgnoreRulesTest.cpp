// Ignore rules, folder listings and the small file-system tree.
#include "FolderFixtures.h"
#include "sidebar/TVXFileSystemFilterService.h"
#include "sidebar/TVXFileSystemItem.h"
#include "sidebar/TVXNavigatorPreferencesFactory.h"

#include "../support/QtPrinters.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

using namespace penwick;
using Factory = penwick::TVXNavigatorPreferencesFactory;

namespace {

class IgnoreRules : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset()
    {
        platform::UserDefaults::standard().removeObject(Factory::IGNORED_FILES_AND_FOLDERS);
        platform::UserDefaults::standard().removeObject(Factory::SHOULD_IGNORE_HIDDEN);
    }
};

TEST_F(IgnoreRules, TheListIsStoredWithoutBlanksAndSeparatedBySemicolons)
{
    Factory::setIgnoredFilesAndFoldersString(QStringLiteral("a, b ,c"));
    EXPECT_EQ(Factory::ignoredFilesAndFoldersString(), QStringLiteral("a;b;c"));
    EXPECT_EQ(Factory::regexCompatibleIgnoredFilesAndFoldersString(), QStringLiteral("a|b|c"));
}

TEST_F(IgnoreRules, NamesAreMatchedWholeWithoutRegardToCase)
{
    struct Case {
        const char* list;
        const char* path;
        bool ignored;
    };
    const Case cases[] = {
        { "tmp", "/r/TMP", true },
        { "tmp", "/r/Tmp", true },
        { "tmp", "/r/tmp2", false },
        { "*.log", "/r/Server.LOG", true },
        { "*.log", "/r/catalog", true }, // the dot after the star stays a wildcard
        { "*.log", "/r/log", false },
        { "build", "/r/build/readme.md", false }, // only the last component counts
        { "build", "/r/build", true },
        { "build", "/r/build/", true },
        { "", "/r/anything", false },
        { "node_modules;*.tmp", "/r/x.TMP", true },
        { "a(;tmp", "/r/tmp", true }, // a bad piece does not hide the good ones
        { "draft*", "/r/draft-1.md", true }, // a star stands for any text
        { "draft*", "/r/a-draft", false },
        { "*~", "/r/notes~", true },
        { "*~", "/r/notes", false },
        { "a.*b", "/r/aXYb", true }, // a regular expression keeps its meaning
        { "x\\*", "/r/x*", true }, // an escaped star is a star
        { "x\\*", "/r/xyz", false },
        { "[", "/r/[", false },
    };
    for (const Case& c : cases) {
        platform::UserDefaults::standard().setValue(Factory::IGNORED_FILES_AND_FOLDERS, QString::fromUtf8(c.list));
        EXPECT_EQ(Factory::shouldIgnorePath(QString::fromUtf8(c.path)), c.ignored) << c.list << " on " << c.path;
    }
}

TEST_F(IgnoreRules, WithoutAStoredListNothingIsIgnored)
{
    platform::UserDefaults::standard().registerDefaults({ { Factory::IGNORED_FILES_AND_FOLDERS, QVariant() } });
    EXPECT_FALSE(Factory::regexCompatibleIgnoredFilesAndFoldersString().has_value());
    EXPECT_FALSE(Factory::shouldIgnorePath(QStringLiteral("/r/a")));
    platform::UserDefaults::standard().registerDefaults({ { Factory::IGNORED_FILES_AND_FOLDERS, QString() } });
}

TEST_F(IgnoreRules, AnInvalidPatternIsLoggedOnceAndTheRestStillWorks)
{
    testing::internal::CaptureStdout();
    Factory::setIgnoredFilesAndFoldersString(QStringLiteral("a(;tmp"));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(Factory::shouldIgnorePath(QStringLiteral("/r/tmp")));
    EXPECT_FALSE(Factory::shouldIgnorePath(QStringLiteral("/r/a(")));
    const QString output = QString::fromStdString(testing::internal::GetCapturedStdout());
    EXPECT_EQ(output.count(QStringLiteral("Error: ")), 1) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("\"a(\""))) << output.toStdString();

    EXPECT_EQ(Factory::filterArray({ "/a/tmp", "/a/keep", "/a/TMP" }, IgnorePattern(QStringLiteral("tmp"))), QStringList { "/a/keep" });
}

TEST_F(IgnoreRules, BothSettersAnnounceTheChange)
{
    int posted = 0;
    platform::Observation observation = platform::NotificationCenter::defaultCenter().observe(
        Factory::IGNORE_FILES_AND_FOLDERS_CHANGED, nullptr, [&](const platform::Notification&) { ++posted; });
    Factory::setIgnoredFilesAndFoldersString(QStringLiteral("x"));
    Factory::setShouldIgnoreHiddenFilesAndFolders(false);
    EXPECT_EQ(posted, 2);
    EXPECT_FALSE(Factory::shouldIgnoreHiddenFilesAndFolders());
}

class Listing : public IgnoreRules {
protected:
    void SetUp() override
    {
        IgnoreRules::SetUp();
        folder = test::temporaryFolder();
        for (const char* name : { "b", "A" })
            test::makeFolder(folder + "/" + name);
        for (const char* name : { "c.md", "B.md", ".env", "x.log" })
            test::makeFile(folder + "/" + name);
    }

    static QStringList namesOf(const std::vector<FolderEntry>& entries)
    {
        QStringList out;
        for (const FolderEntry& entry : entries)
            out << entry.path.section('/', -1) + (entry.isDirectory ? "/" : "");
        return out;
    }

    QString folder;
};

TEST_F(Listing, FoldersComeFirstThenNamesInCodePointOrderWithoutIgnoredEntries)
{
    const TVXFileSystemFilterService hiding(QStringLiteral(".*.log"), true);
    const auto entries = hiding.getFilteredContentsForDirectoryAtPath(folder);
    ASSERT_TRUE(entries);
    EXPECT_EQ(namesOf(*entries), (QStringList { "A/", "b/", "B.md", "c.md" }));
    EXPECT_EQ(entries->front().path, folder + "/A");

    const TVXFileSystemFilterService showing(QStringLiteral(".*.log"), false);
    EXPECT_EQ(namesOf(*showing.getFilteredContentsForDirectoryAtPath(folder + "/")), (QStringList { "A/", "b/", ".env", "B.md", "c.md" }));
}

TEST_F(Listing, LongSharedPrefixesAndNonAsciiNamesSortByTheirBytes)
{
    const QString mixed = folder + "/mixed";
    test::makeFolder(mixed + "/zz-a-folder-with-a-long-name");
    for (const char* name : { "Ω.md", "ée.md", "é.md", "z.md", "note-2.md", "note-10.md", "a-very-long-shared-prefix-2",
             "a-very-long-shared-prefix-10", "a-very-long-shared-prefix", "a-very-long-shar2", "a-very-long-shar" })
        test::makeFile(mixed + "/" + QString::fromUtf8(name));
    const auto entries = TVXFileSystemFilterService(std::nullopt, true).getFilteredContentsForDirectoryAtPath(mixed);
    ASSERT_TRUE(entries);
    EXPECT_EQ(namesOf(*entries),
        (QStringList { "zz-a-folder-with-a-long-name/", "a-very-long-shar", "a-very-long-shar2", "a-very-long-shared-prefix",
            "a-very-long-shared-prefix-10", "a-very-long-shared-prefix-2", "note-10.md", "note-2.md", "z.md",
            QString::fromUtf8("é.md"), QString::fromUtf8("ée.md"), QString::fromUtf8("Ω.md") }));
    EXPECT_EQ(entries->back().path, mixed + QString::fromUtf8("/Ω.md"));
}

TEST_F(Listing, AMissingOrUnreadableFolderGivesNoListing)
{
    const TVXFileSystemFilterService service(std::nullopt, true);
    EXPECT_FALSE(service.getFilteredContentsForDirectoryAtPath(folder + "/missing"));
    EXPECT_FALSE(service.getFilteredContentsForDirectoryAtPath(folder + "/c.md"));
    EXPECT_FALSE(service.getFilteredContentsForDirectoryAtPath(QString()));
}

TEST_F(Listing, ALinkCountsAsWhatItPointsAt)
{
    ASSERT_TRUE(QFile::link(folder + "/A", folder + "/linkdir"));
    ASSERT_TRUE(QFile::link(folder + "/gone", folder + "/dangling"));
    const TVXFileSystemFilterService service(std::nullopt, true);
    EXPECT_EQ(namesOf(*service.getFilteredContentsForDirectoryAtPath(folder)),
        (QStringList { "A/", "b/", "linkdir/", "B.md", "c.md", "dangling", "x.log" }));
}

TEST_F(Listing, AServiceKeepsTheRulesItWasMadeWith)
{
    Factory::setIgnoredFilesAndFoldersString(QStringLiteral("*.md"));
    Factory::setShouldIgnoreHiddenFilesAndFolders(true);
    TVXFileSystemFilterService old;
    Factory::setIgnoredFilesAndFoldersString(QStringLiteral("b"));
    Factory::setShouldIgnoreHiddenFilesAndFolders(false);
    EXPECT_EQ(namesOf(*old.getFilteredContentsForDirectoryAtPath(folder)), (QStringList { "A/", "b/", "x.log" }));
    EXPECT_EQ(namesOf(*TVXFileSystemFilterService().getFilteredContentsForDirectoryAtPath(folder)),
        (QStringList { "A/", ".env", "B.md", "c.md", "x.log" }));

    old.setImmutableRegex(QStringLiteral("x.*"));
    EXPECT_EQ(old.immutableRegex(), QStringLiteral(".*.md"));
}

TEST_F(Listing, TheFileSystemTreeListsFoldersFirstAndAddsNothingToAnUnreadItem)
{
    Factory::setShouldIgnoreHiddenFilesAndFolders(true);
    auto root = TVXFileSystemItem::rootItemWithPath(folder);
    EXPECT_EQ(root->title(), "FOLDERS");
    ASSERT_EQ(root->fileSystemChildren().size(), 1u);
    auto top = root->fileSystemChildren().front();
    EXPECT_EQ(top->title(), folder.section('/', -1));
    QStringList order;
    for (const auto& child : top->fileSystemChildren())
        order << child->displayName();
    EXPECT_EQ(order, (QStringList { "A", "b", "B.md", "c.md", "x.log" }));
    EXPECT_EQ(top->fileSystemChildren().at(1)->fullPath(), folder + "/b");

    auto unread = TVXFileSystemItem::withRelativePath(QStringLiteral("/nowhere"), nullptr);
    EXPECT_EQ(unread->addChild(TVXFileSystemItem::withDisplayName("x", unread)), 0);
    EXPECT_FALSE(unread->isRead());
    EXPECT_EQ(top->addChild(TVXFileSystemItem::withRelativePath("a.md", top)), 3);
}

} // namespace
