// The quick search service over real temporary folders: the file list is gathered on a
// worker, kept until a watcher of the roots marks it stale, and scored per search.
#include "tools/TVXQuickSearchService.h"

#include "TestSupport.h"
#include "sidebar/TVXNavigatorPreferencesFactory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace penwick;
using penwick::test::temporaryFolder;
using penwick::test::waitUntil;

namespace {

struct Call {
    enum Kind { Start, Update, Finish } kind;
    QString text;
    QStringList paths; // results, in order
};

class Recorder : public TVXQuickSearchServiceDelegate {
public:
    void searchDidStartWithQueryString(const QString& text) override { calls.push_back({ Call::Start, text, {} }); }
    void searchDidUpdateWithResult(const QList<QuickOpenSearchResult>& results) override
    {
        calls.push_back({ Call::Update, {}, pathsOf(results) });
    }
    void searchDidFinishWithResult(const QList<QuickOpenSearchResult>& results) override
    {
        calls.push_back({ Call::Finish, {}, pathsOf(results) });
        finished = results;
        ++finishes;
    }
    static QStringList pathsOf(const QList<QuickOpenSearchResult>& results)
    {
        QStringList out;
        for (const QuickOpenSearchResult& r : results)
            out.append(r.fullPath());
        return out;
    }
    std::vector<Call> calls;
    QList<QuickOpenSearchResult> finished;
    int finishes = 0;
};

void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
}

QStringList names(const QStringList& paths)
{
    QStringList out;
    for (const QString& p : paths)
        out.append(QFileInfo(p).fileName());
    return out;
}

class QuickSearch : public ::testing::Test {
protected:
    void SetUp() override { root = temporaryFolder(); }

    // Searches and waits for the finish call; returns the finished file names.
    QStringList search(TVXQuickSearchService& service, const QString& text)
    {
        const int before = recorder.finishes;
        service.searchWithPattern(text);
        EXPECT_TRUE(waitUntil([&] { return recorder.finishes > before; })) << qPrintable(text);
        return names(Recorder::pathsOf(recorder.finished));
    }
    std::unique_ptr<TVXQuickSearchService> make(const QStringList& roots, TVXQuickSearchService::IgnoreTestFactory ignore = {})
    {
        auto service = std::make_unique<TVXQuickSearchService>(roots, ignore ? ignore : [] {
            return TVXQuickSearchService::IgnoreTest();
        });
        service->setDelegate(&recorder);
        return service;
    }

    QString root;
    Recorder recorder;
};

} // namespace

TEST_F(QuickSearch, EmptyTextGivesNothingWithStartAndFinishOnly)
{
    touch(root + "/notes.md");
    auto service = make({ root });
    service->searchWithPattern(QString());
    EXPECT_TRUE(recorder.calls.empty()) << "nothing is told inside the call";
    ASSERT_TRUE(waitUntil([&] { return recorder.finishes == 1; }));
    ASSERT_EQ(recorder.calls.size(), 2u);
    EXPECT_EQ(recorder.calls[0].kind, Call::Start);
    EXPECT_EQ(recorder.calls[0].text, QString());
    EXPECT_EQ(recorder.calls[1].kind, Call::Finish);
    EXPECT_TRUE(recorder.calls[1].paths.isEmpty());
}

TEST_F(QuickSearch, ThresholdOrderAndCallSequence)
{
    // "abc" against a 15-character name matched at 0, 5 and 10 scores exactly 0.39;
    // the same against 14 characters scores above it.
    ASSERT_EQ(TVXQuickSearchService::getScore("/x/axxxxbxxxxcxxxx.txt", "abc"), 0.39);
    ASSERT_GT(TVXQuickSearchService::getScore("/x/axxxxbxxxxcxxx.txt", "abc"), 0.39);
    for (const char* name : { "axxxxbxxxxcxxxx.txt", "axxxxbxxxxcxxx.txt", "abc.markdown", "abc.md", "zzz.md" })
        touch(root + "/" + name);
    auto service = make({ root });
    EXPECT_EQ(search(*service, "ABC"), (QStringList { "abc.md", "abc.markdown", "axxxxbxxxxcxxx.txt" }));
    ASSERT_EQ(recorder.calls.size(), 3u);
    EXPECT_EQ(recorder.calls[0].kind, Call::Start);
    EXPECT_EQ(recorder.calls[0].text, "ABC");
    EXPECT_EQ(recorder.calls[1].kind, Call::Update);
    // The update lists the hits as walked: the reverse of the file-name order.
    EXPECT_EQ(names(recorder.calls[1].paths), (QStringList { "axxxxbxxxxcxxx.txt", "abc.md", "abc.markdown" }));
    EXPECT_EQ(recorder.calls[2].kind, Call::Finish);
    EXPECT_FLOAT_EQ(recorder.finished[0].score(), 1.0f);
}

TEST_F(QuickSearch, TheExtensionIsNotSearchedAndFoldersAreNot)
{
    touch(root + "/readme.md");
    touch(root + "/md/other.txt");
    touch(root + "/md-notes.txt");
    auto service = make({ root });
    EXPECT_EQ(search(*service, "md"), QStringList { "md-notes.txt" });
}

TEST_F(QuickSearch, ATextWithADotOrASlashIsMatchedAgainstTheNameOrThePathItNames)
{
    // A text holding "." is matched against the name with its extension; one holding "/"
    // against the path below the root folder; any other against the bare name.
    for (const char* path : { "README.md", "readme-old.md", "docs/readme.txt", "openssl/rand.h", "openssl/rand.c",
             "crypto/random.c", "notes/randomize.md", "src/openssl-notes.md" })
        touch(root + "/" + path);
    struct Case {
        QString typed, first;
    };
    const std::vector<Case> cases {
        { "readme.md", "README.md" },
        { "README.MD", "README.md" },
        { "readme.txt", "readme.txt" },
        { "openssl/rand", "rand.h" },
        { "openssl/rand.c", "rand.c" },
        { "crypto/rand", "random.c" },
        { "rand.h", "rand.h" },
        { "readme", "README.md" },
    };
    auto service = make({ root });
    for (const Case& c : cases) {
        const QStringList found = search(*service, c.typed);
        ASSERT_FALSE(found.isEmpty()) << qPrintable(c.typed);
        EXPECT_EQ(found.first(), c.first) << qPrintable(c.typed + " gave " + found.join(", "));
    }
    // The path is taken below the root, so the root's own folders do not count.
    EXPECT_EQ(TVXQuickSearchService::matchText(root + "/openssl/rand.h", TVXQuickSearchService::MatchTarget::PathBelowRoot, { root }),
        "openssl/rand.h");
    EXPECT_EQ(TVXQuickSearchService::matchText(root + "/openssl/rand.h", TVXQuickSearchService::MatchTarget::PathBelowRoot, { root + "/" }),
        "openssl/rand.h");
}

TEST_F(QuickSearch, IgnoredFilesNeverAppear)
{
    touch(root + "/notes.md");
    touch(root + "/notes.tmp");
    touch(root + "/build/notes.txt");
    int made = 0;
    auto service = make({ root }, [&made] {
        ++made;
        return TVXQuickSearchService::IgnoreTest([](const QString& path) {
            return path.endsWith(".tmp") || path.contains("/build/");
        });
    });
    EXPECT_EQ(search(*service, "notes"), QStringList { "notes.md" });
    EXPECT_EQ(made, 1) << "one ignore test per search, not per path";
}

TEST_F(QuickSearch, TheNavigatorsIgnoreRulesApplyByDefault)
{
    touch(root + "/notes.md");
    touch(root + "/notes.log");
    TVXNavigatorPreferencesFactory::setIgnoredFilesAndFoldersString("*.log");
    TVXQuickSearchService service({ root });
    service.setDelegate(&recorder);
    EXPECT_EQ(search(service, "notes"), QStringList { "notes.md" });
    TVXNavigatorPreferencesFactory::setIgnoredFilesAndFoldersString(QString());
}

TEST_F(QuickSearch, HiddenLinkedAndMissingPlacesAreSkipped)
{
    touch(root + "/a/found.md");
    touch(root + "/a/.hidden.md");
    touch(root + "/a/.git/found-in-hidden.md");
    const QString elsewhere = temporaryFolder();
    touch(elsewhere + "/found-through-link.md");
    ASSERT_EQ(::symlink(QFile::encodeName(elsewhere).constData(), QFile::encodeName(root + "/a/linked").constData()), 0);
    ASSERT_EQ(::symlink(QFile::encodeName(elsewhere + "/found-through-link.md").constData(),
                  QFile::encodeName(root + "/a/found-link.md").constData()),
        0);
    touch(root + "/b/found-too.md");
    touch(root + "/plain-file");
    auto service = make({ root + "/missing", root + "/plain-file", root + "/a", root + "/b" });
    EXPECT_EQ(search(*service, "found"), (QStringList { "found.md", "found-too.md" }));
}

TEST_F(QuickSearch, KeystrokesWalkNothingAndNewScopesTakeEffectWithTheSameGatherer)
{
    touch(root + "/one/alpha.md");
    touch(root + "/two/alpine.md");
    auto service = make({ root + "/one" });
    EXPECT_EQ(search(*service, "alp"), QStringList { "alpha.md" });
    EXPECT_EQ(search(*service, "alph"), QStringList { "alpha.md" });
    platform::FileGatherer* gatherer = service->gatherer();
    ASSERT_NE(gatherer, nullptr);
    EXPECT_EQ(gatherer->walkCount(), 1);
    service->updateScopes({ root + "/two" });
    EXPECT_EQ(search(*service, "alp"), QStringList { "alpine.md" });
    EXPECT_EQ(service->gatherer(), gatherer);
    EXPECT_EQ(gatherer->walkCount(), 2);
}

TEST_F(QuickSearch, AFileCreatedUnderARootIsFoundOnceTheWatcherMarksTheListStale)
{
    touch(root + "/deep/old.md");
    auto service = make({ root });
    EXPECT_EQ(search(*service, "new"), QStringList {});
    ASSERT_TRUE(waitUntil([&] { return service->isWatching(); }));
    EXPECT_FALSE(service->gatherer()->isStale());
    touch(root + "/deep/new.md");
    ASSERT_TRUE(waitUntil([&] { return service->gatherer()->isStale(); }));
    EXPECT_EQ(search(*service, "new"), QStringList { "new.md" });
}

TEST_F(QuickSearch, SeveralTextsDuringOneGatheringScoreAgainstTheLast)
{
    touch(root + "/apple.md");
    touch(root + "/banana.md");
    auto service = make({ root });
    service->searchWithPattern("app");
    service->searchWithPattern("ban");
    service->searchWithPattern("bana");
    EXPECT_TRUE(recorder.calls.empty());
    ASSERT_TRUE(waitUntil([&] { return recorder.finishes == 1; }));
    QCoreApplication::processEvents();
    ASSERT_EQ(recorder.calls.size(), 3u) << "one completion for the three texts";
    EXPECT_EQ(recorder.calls[0].text, "bana");
    EXPECT_EQ(names(recorder.calls[2].paths), QStringList { "banana.md" });
    EXPECT_EQ(service->gatherer()->walkCount(), 1);
}
