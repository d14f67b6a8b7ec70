// The Real Preview pane: the list of sites, the choice, reload, remove, add and help.
#include "SitesFixture.h"

#include "CorePrefs.h"
#include "Extensions/Realm.h"
#include "TestSupport.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "preview/RealPreviewCellView.h"
#include "preview/RealPreviewOutput.h"
#include "preview/RealPreviewPreferencesPopoverController.h"
#include "preview/RealPreviewPreferencesViewController.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

using namespace penwick;
using namespace penwick::test;

namespace {

const QDateTime kLongAgo = QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);

RealPreviewItem site(const QString& id, const QString& address, BlogType kind, const QString& header, const QString& post)
{
    RealPreviewItem item;
    item.setId(id);
    item.setName(id + " name");
    item.setUrl(address);
    item.setType(qint64(kind));
    item.setHeaderClassName(header);
    item.setPostClassName(post);
    item.setCreatedDate(kLongAgo);
    item.setUpdatedDate(kLongAgo);
    return item;
}

class PaneTest : public SitesTest {
protected:
    void SetUp() override
    {
        SitesTest::SetUp();
        store(site("medium", url("/post"), BlogType::Medium, "graf--h3", "section-inner"));
        store(site("github", url("/post"), BlogType::GitHub, "", "markdown-body"));
        store(site("noheader", url("/post"), BlogType::Other, QString(), "entry"));
        pane.viewWillAppear();
    }
    void selectRow(int row) { pane.tableView()->selectRow(row); }
    QStringList radios() const
    {
        QStringList states;
        for (int row = 0; row < pane.tableView()->rowCount(); ++row)
            states.append(pane.cellView(row)->selectedRadioBtn()->isChecked() ? "on" : "off");
        return states;
    }
    QList<bool> selectedFlags() const
    {
        QList<bool> flags;
        for (const RealPreviewItem& item : storedSites())
            flags.append(item.isSelected());
        return flags;
    }
    static QString chosenKey() { return platform::UserDefaults::standard().stringForKey(CorePrefs::REAL_PREVIEW_SELECTION); }
    static void writeCache(const QString& id, const QByteArray& bytes)
    {
        QDir().mkpath(cacheFolder());
        QFile file(cacheFolder() + "/" + id + ".html");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    RealPreviewPreferencesViewController pane;
};

TEST_F(PaneTest, ThePaneNamesItselfForThePreferencesWindow)
{
    EXPECT_EQ(pane.identifier(), "RealPreview");
    EXPECT_EQ(pane.toolbarItemLabel(), "Real Preview");
    EXPECT_FALSE(pane.toolbarItemImage().isNull());
}

TEST_F(PaneTest, AppearingClearsTheSelectionAndReadsTheListAgain)
{
    ASSERT_EQ(pane.tableView()->rowCount(), 3);
    selectRow(1);
    EXPECT_TRUE(pane.reloadBtn()->isEnabled());
    EXPECT_TRUE(pane.removeBtn()->isEnabled());

    store(site("later", url("/post"), BlogType::GitHub, "", "markdown-body"));
    pane.viewWillAppear();
    EXPECT_FALSE(pane.tableView()->selectionModel()->hasSelection());
    EXPECT_FALSE(pane.reloadBtn()->isEnabled());
    EXPECT_FALSE(pane.removeBtn()->isEnabled());
    ASSERT_EQ(pane.realPreviewItems().size(), 4);
    EXPECT_EQ(pane.tableView()->rowCount(), 4);
    EXPECT_EQ(pane.realPreviewItems()[3].id(), "later");
    EXPECT_EQ(pane.cellView(3)->nameLbl()->text(), "later name");
    EXPECT_EQ(pane.cellView(3)->urlLbl()->text(), url("/post"));
}

TEST_F(PaneTest, ClassLabelsNeedBothClasses)
{
    EXPECT_EQ(pane.cellView(0)->classLbl()->text(), "graf--h3 + section-inner");
    EXPECT_EQ(pane.cellView(1)->classLbl()->text(), " + markdown-body");
    EXPECT_EQ(pane.cellView(2)->classLbl()->text(), "");
    EXPECT_EQ(radios(), (QStringList { "off", "off", "off" }));
}

TEST_F(PaneTest, ChoosingASiteMarksExactlyThatOne)
{
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
        pane.cellView(1)->selectedRadioBtn()->click();
        EXPECT_EQ(selectedFlags(), (QList<bool> { false, true, false }));
        EXPECT_EQ(radios(), (QStringList { "off", "on", "off" }));
        EXPECT_EQ(chosenKey(), "github");
        const auto chosen = Realm::objectForPrimaryKey<RealPreviewItem>("github");
        ASSERT_TRUE(chosen);
        EXPECT_GE(chosen->updatedDate(), before);
        EXPECT_EQ(Realm::objectForPrimaryKey<RealPreviewItem>("medium")->updatedDate(), kLongAgo);
    }

    pane.cellView(0)->selectedRadioBtn()->click();
    EXPECT_EQ(selectedFlags(), (QList<bool> { true, false, false }));
    EXPECT_EQ(radios(), (QStringList { "on", "off", "off" }));
    EXPECT_EQ(chosenKey(), "medium");
}

TEST_F(PaneTest, AFailedChoiceIsLoggedAndChangesNothing)
{
    pane.cellView(0)->selectedRadioBtn()->click();
    RealmSetup::close();
    QString out;
    {
        StdoutCapture capture;
        pane.cellView(2)->selectedRadioBtn()->click();
        out = capture.text();
    }
    EXPECT_EQ(out, "Error: Error updating enabled state\n");
    EXPECT_EQ(chosenKey(), "medium");
    EXPECT_EQ(radios(), (QStringList { "on", "off", "off" }));
    ASSERT_TRUE(RealmSetup::setupInFolder(databaseFolder));
    EXPECT_EQ(selectedFlags(), (QList<bool> { true, false, false }));
}

TEST_F(PaneTest, ReloadRewritesTheCacheAndTheDateOnly)
{
    writeCache("medium", "old page");
    server.setResponse("/post", "<html><body>new page</body></html>");
    selectRow(0);
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    pane.reloadBtn()->click();
    EXPECT_TRUE(pane.isBusy());
    ASSERT_TRUE(waitUntil([&] { return !pane.isBusy(); }));
    EXPECT_EQ(QString::fromUtf8(cachedPage("medium")),
        RealPreviewOutput::preparePageHTML("<html><body>new page</body></html>", BlogType::Medium));
    EXPECT_GE(Realm::objectForPrimaryKey<RealPreviewItem>("medium")->updatedDate(), before);
    EXPECT_EQ(pane.realPreviewItems()[0].updatedDate(), kLongAgo) << "the list is not read again";
    EXPECT_TRUE(dialogs.alerts.isEmpty());
}

TEST_F(PaneTest, AFailedReloadShowsAnAlertAndKeepsFileAndDate)
{
    writeCache("github", "old page");
    LoopbackHttpServer::Response missing;
    missing.status = 404;
    missing.body = "<html><body>no such post</body></html>";
    server.setResponse("/post", missing);
    selectRow(1);
    pane.reloadBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return !pane.isBusy(); }));
    ASSERT_EQ(dialogs.alerts.size(), 1);
    EXPECT_EQ(dialogs.alerts[0].messageText, RealPreviewPreferencesPopoverController::kFetchError);
    EXPECT_EQ(cachedPage("github"), "old page");
    EXPECT_EQ(Realm::objectForPrimaryKey<RealPreviewItem>("github")->updatedDate(), kLongAgo);

    // A cache that cannot be written: an alert, the spinner stopped, the date kept.
    server.setResponse("/post", kSitePage);
    QDir(cacheFolder()).removeRecursively();
    {
        QFile blocker(cacheFolder());
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    pane.reloadBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return !pane.isBusy(); }));
    EXPECT_EQ(dialogs.alerts.size(), 2);
    EXPECT_EQ(Realm::objectForPrimaryKey<RealPreviewItem>("github")->updatedDate(), kLongAgo);
    QFile::remove(cacheFolder());

    // An address that cannot be fetched at all.
    store(site("ftp", "ftp://example.com/", BlogType::Other, "", "x"));
    pane.viewWillAppear();
    selectRow(3);
    pane.reloadBtn()->click();
    EXPECT_FALSE(pane.isBusy());
    EXPECT_EQ(dialogs.alerts.size(), 3);
}

TEST_F(PaneTest, RemoveDeletesTheRecordOnlyAndWithoutAsking)
{
    writeCache("github", "kept page");
    pane.cellView(1)->selectedRadioBtn()->click();
    selectRow(1);
    pane.removeBtn()->click();
    EXPECT_TRUE(dialogs.alerts.isEmpty());
    ASSERT_EQ(storedSites().size(), 2);
    EXPECT_FALSE(Realm::objectForPrimaryKey<RealPreviewItem>("github"));
    EXPECT_EQ(pane.tableView()->rowCount(), 2);
    EXPECT_EQ(pane.realPreviewItems()[1].id(), "noheader");
    EXPECT_EQ(cachedPage("github"), "kept page");
    EXPECT_EQ(chosenKey(), "github");
}

TEST_F(PaneTest, WithoutARowReloadAndRemoveDoNothing)
{
    pane.reloadSite();
    pane.removeSite();
    EXPECT_FALSE(pane.isBusy());
    EXPECT_EQ(storedSites().size(), 3);
    EXPECT_TRUE(server.requests().isEmpty());

    // A row whose site went elsewhere meanwhile: remove keeps the list as stored.
    ASSERT_FALSE(Realm::write([](RealmTransaction& tx) { tx.removeObject<RealPreviewItem>("noheader"); }));
    selectRow(2);
    pane.removeSite();
    EXPECT_EQ(pane.tableView()->rowCount(), 2);
}

TEST_F(PaneTest, ARowPastTheListReloadsAndRemovesNothing)
{
    // A row the table shows but the list does not hold (the two are out of step).
    pane.tableView()->insertRow(3);
    selectRow(3);
    ASSERT_EQ(pane.tableView()->selectionModel()->selectedRows().value(0).row(), 3);
    pane.reloadSite();
    pane.removeSite();
    EXPECT_FALSE(pane.isBusy());
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_EQ(storedSites().size(), 3);
    EXPECT_EQ(pane.realPreviewItems().size(), 3);
    EXPECT_TRUE(dialogs.alerts.isEmpty());
}

TEST_F(PaneTest, AddingASiteThroughThePopoverListsIt)
{
    pane.addNewSite(pane.addBtn());
    RealPreviewPreferencesPopoverController* popover = pane.popover();
    ASSERT_TRUE(popover->isVisible());
    popover->urlTextField()->setText(url("/post"));
    popover->nameTextField()->setText("Fresh");
    popover->blogTypePopUpBtn()->setCurrentIndex(popover->blogTypePopUpBtn()->findData(qint64(BlogType::GitHub)));
    popover->addBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return pane.tableView()->rowCount() == 4; }));
    EXPECT_FALSE(popover->isVisible());
    EXPECT_EQ(pane.cellView(3)->nameLbl()->text(), "Fresh");
    EXPECT_EQ(radios(), (QStringList { "off", "off", "off", "off" }));
}

TEST_F(PaneTest, HelpOpensTheShippedPage)
{
    QList<QUrl> opened;
    platform::Workspace::setOpener([&](const QUrl& url) {
        opened.append(url);
        return true;
    });
    pane.helpBtn()->click();
    platform::Workspace::setOpener({});
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened[0].isLocalFile());
    EXPECT_TRUE(opened[0].toLocalFile().endsWith("/Help/real-preview.html"));
    EXPECT_TRUE(QFileInfo::exists(opened[0].toLocalFile()));
}

} // namespace
