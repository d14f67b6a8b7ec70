// The add-site popover: its checks, the page it caches and the record it stores.
#include "SitesFixture.h"

#include "CoreMagicStrings.h"
#include "Extensions/FileManagerAdditions.h"
#include "Extensions/Realm.h"
#include "HTML/JSScripts.h"
#include "TestSupport.h"
#include "platform/store/Database.h"
#include "preview/RealPreviewOutput.h"
#include "preview/RealPreviewPreferencesPopoverController.h"
#include "preview/RealPreviewPreferencesPopoverDelegate.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

using namespace penwick;
using namespace penwick::test;

namespace {

class Delegate : public RealPreviewPreferencesPopoverDelegate {
public:
    void didAddSite(const RealPreviewItem& item) override
    {
        added.append(item);
        if (onAdd)
            onAdd(item);
    }
    QList<RealPreviewItem> added;
    std::function<void(const RealPreviewItem&)> onAdd;
};

class PopoverTest : public SitesTest {
protected:
    void SetUp() override
    {
        SitesTest::SetUp();
        popover.setPopoverDelegate(&delegate);
        popover.viewWillAppear();
    }
    void fill(const QString& address, const QString& name, BlogType kind, const QString& post = {}, const QString& header = {})
    {
        popover.viewWillAppear();
        popover.urlTextField()->setText(address);
        popover.nameTextField()->setText(name);
        popover.blogTypePopUpBtn()->setCurrentIndex(popover.blogTypePopUpBtn()->findData(qint64(kind)));
        popover.blogTypeChanged();
        popover.postClassTextField()->setText(post);
        popover.headerClassTextField()->setText(header);
    }
    // Presses Add and waits until the spinner stops.
    void add()
    {
        popover.addBtn()->click();
        ASSERT_TRUE(waitUntil([&] { return !popover.isBusy(); }));
    }
    QString error() const { return popover.errorLbl()->isHidden() ? QStringLiteral("<hidden>") : popover.errorLbl()->text(); }

    Delegate delegate;
    RealPreviewPreferencesPopoverController popover;
};

TEST_F(PopoverTest, TheFormIsCheckedInOrder)
{
    struct Case {
        QString address, name;
        BlogType kind;
        QString post, expected;
    };
    const QList<Case> cases {
        { "", "", BlogType::Other, "", "URL is required" },
        { "", "Blog", BlogType::Medium, "", "URL is required" },
        { url("/post"), "", BlogType::Other, "x", "Name is required" },
        { url("/post"), "Blog", BlogType::Other, "", "Content class/id is required" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.address + "|" + c.name).toStdString());
        fill(c.address, c.name, c.kind, c.post);
        popover.addBtn()->click();
        EXPECT_EQ(error(), c.expected);
        EXPECT_FALSE(popover.isBusy());
    }
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_TRUE(storedSites().isEmpty());
    EXPECT_TRUE(delegate.added.isEmpty());
}

TEST_F(PopoverTest, TheKindDecidesTheStoredClasses)
{
    struct Case {
        BlogType kind;
        QString post, header, storedPost, storedHeader;
    };
    const QList<Case> cases {
        { BlogType::Medium, "", "", "section-inner", "graf--h3" },
        { BlogType::Medium, "typed", "typed", "section-inner", "graf--h3" },
        { BlogType::GitHub, "", "", "markdown-body", "" },
        { BlogType::Other, "entry", "", "entry", "" },
        { BlogType::Other, "#content", "title", "#content", "title" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.kind));
        delegate.added.clear();
        fill(url("/post"), "Blog", c.kind, c.post, c.header);
        EXPECT_EQ(popover.postClassTextField()->isEnabled(), c.kind == BlogType::Other);
        EXPECT_EQ(popover.headerClassTextField()->isEnabled(), c.kind == BlogType::Other);
        add();
        ASSERT_EQ(delegate.added.size(), 1) << error().toStdString();
        const auto stored = Realm::objectForPrimaryKey<RealPreviewItem>(delegate.added[0].id());
        ASSERT_TRUE(stored.has_value());
        EXPECT_EQ(stored->type(), qint64(c.kind));
        EXPECT_EQ(stored->postClassName(), c.storedPost);
        EXPECT_EQ(stored->headerClassName(), c.storedHeader);
        EXPECT_FALSE(stored->headerClassName().isNull()) << "an empty class is stored, not left out";
        EXPECT_EQ(QString::fromUtf8(cachedPage(stored->id())), RealPreviewOutput::preparePageHTML(QString::fromUtf8(kSitePage), c.kind));
    }
}

TEST_F(PopoverTest, ANewSiteGetsAnIdFromItsNameAndItsCacheFile)
{
    fill(url("/post"), "My Blog", BlogType::Medium);
    add();
    ASSERT_EQ(delegate.added.size(), 1);
    const RealPreviewItem site = delegate.added[0];
    EXPECT_TRUE(QRegularExpression("^MyBlog_[0-9A-F-]{36}$").match(site.id()).hasMatch()) << site.id().toStdString();
    EXPECT_EQ(site.name(), "My Blog");
    EXPECT_EQ(site.url(), url("/post"));
    const QByteArray page = cachedPage(site.id());
    EXPECT_TRUE(page.contains("window[\"\"]({});")) << "the Medium start-up call is disarmed";
    EXPECT_TRUE(page.contains(JSScripts::mediumClassInjectionFunc().toUtf8() + "</script></body>"));
    EXPECT_FALSE(popover.isBusy());
    EXPECT_TRUE(popover.errorLbl()->isHidden());
}

TEST_F(PopoverTest, ANameWithSlashesStaysInsideTheCacheFolder)
{
    fill(url("/post"), "../../x", BlogType::GitHub);
    add();
    ASSERT_EQ(delegate.added.size(), 1);
    const QString id = delegate.added[0].id();
    EXPECT_TRUE(id.startsWith("....x_")) << id.toStdString();
    const QFileInfo file(getCachedFilePathForId(id));
    EXPECT_TRUE(file.exists());
    EXPECT_EQ(file.absolutePath(), QDir(cacheFolder()).absolutePath());
    EXPECT_EQ(QDir(cacheFolder()).entryList(QDir::Files | QDir::Hidden), QStringList { id + ".html" });
    // Other characters stay as typed.
    EXPECT_TRUE(RealPreviewPreferencesPopoverController::makeSiteId(QString::fromUtf8("Ünï\\c*de:\t.")).startsWith(QString::fromUtf8("Ünï\\c*de:\t._")));
}

TEST_F(PopoverTest, AddingTwiceStoresTwoUnchosenSites)
{
    fill(url("/post"), "Blog", BlogType::GitHub);
    add();
    add();
    const QList<RealPreviewItem> sites = storedSites();
    ASSERT_EQ(sites.size(), 2);
    EXPECT_NE(sites[0].id(), sites[1].id());
    for (const RealPreviewItem& site : sites) {
        EXPECT_FALSE(site.isSelected());
        EXPECT_TRUE(site.createdDate().isValid());
        EXPECT_EQ(site.createdDate(), site.updatedDate());
        EXPECT_NE(cachedPage(site.id()), "<none>");
    }
    EXPECT_EQ(server.requestCount("/post"), 2);
}

TEST_F(PopoverTest, AFailedFetchOrCacheStoresNothing)
{
    LoopbackHttpServer::Response missing;
    missing.status = 404;
    missing.body = "<html>not here</html>";
    server.setResponse("/missing", missing);
    fill(url("/missing"), "Blog", BlogType::GitHub);
    add();
    EXPECT_EQ(error(), RealPreviewPreferencesPopoverController::kFetchError);

    // A fetch that cannot even start.
    fill("ftp://example.com", "Blog", BlogType::GitHub);
    popover.addBtn()->click();
    EXPECT_EQ(error(), RealPreviewPreferencesPopoverController::kFetchError);
    EXPECT_FALSE(popover.isBusy());

    // A plain file where the cache folder should be.
    QDir().mkpath(QFileInfo(cacheFolder()).absolutePath());
    {
        QFile blocker(cacheFolder());
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    fill(url("/post"), "Blog", BlogType::GitHub);
    add();
    EXPECT_EQ(error(), RealPreviewPreferencesPopoverController::kFetchError);
    QFile::remove(cacheFolder());

    EXPECT_TRUE(storedSites().isEmpty());
    EXPECT_TRUE(delegate.added.isEmpty());
    EXPECT_FALSE(popover.isBusy());
}

TEST_F(PopoverTest, TheDelegateHearsOnlyOfACommittedSite)
{
    // When the delegate hears of the site, another connection already reads it.
    int seenElsewhere = -1;
    delegate.onAdd = [&](const RealPreviewItem& item) {
        platform::store::StoreError openError;
        auto other = platform::store::Database::open(RealmSetup::configuration(databaseFolder + "/penwick.db"), &openError);
        ASSERT_TRUE(other) << openError.message.toStdString();
        seenElsewhere = other->object(RealPreviewItem::className(), item.id()).has_value() ? 1 : 0;
    };
    fill(url("/post"), "Blog", BlogType::GitHub);
    add();
    EXPECT_EQ(seenElsewhere, 1);

    // A commit that fails: the popover stays open with its error and the delegate hears nothing.
    delegate.added.clear();
    fill(url("/post"), "Gone", BlogType::GitHub);
    popover.addBtn()->click();
    RealmSetup::close();
    ASSERT_TRUE(waitUntil([&] { return !popover.isBusy(); }));
    EXPECT_TRUE(delegate.added.isEmpty());
    EXPECT_EQ(error(), RealPreviewPreferencesPopoverController::kFetchError);
}

} // namespace
