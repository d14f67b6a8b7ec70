#include "PrefsTestSupport.h"

#include "StatusServer.h"
#include "TestSupport.h"
#include "Extensions/Realm.h"
#include "Models/ScriptAssetItem.h"
#include "Services/JSCallbackManager.h"
#include "preferences/JSCallbackPreferencesPopoverController.h"
#include "preferences/ScriptAssetsPopoverController.h"
#include "preferences/ScriptAssetsPreferencesViewController.h"
#include "preferences/ScriptAssetsTableModel.h"
#include "platform/NotificationCenter.h"
#include "platform/text/TextView.h"
#include "common/Notifications.h"

#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTableView>
#include <QCoreApplication>
#include <QKeyEvent>

#include <memory>

using namespace penwick;
using penwick::test::capturedStdout;

namespace {

// A key pressed and released on the widget, as typing delivers it.
void keyClick(QWidget* widget, int key, const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(widget, &release);
}

void keyClicks(QWidget* widget, const QString& text)
{
    for (QChar c : text)
        keyClick(widget, c.toUpper().unicode(), QString(c));
}

const QDateTime kLongAgo = QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC);

class ScriptAssetsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(RealmSetup::setupInFolder(test::temporaryFolder()));
        updates = platform::NotificationCenter::defaultCenter().observe(Notifications::SCRIPT_ASSETS_UPDATED, nullptr,
            [this](const platform::Notification&) { ++updated; });
    }
    void TearDown() override { RealmSetup::close(); }

    // Stores assets named by the letters, in that order, with orders 10, 20, …
    void seed(const QString& letters)
    {
        int order = 10;
        const auto error = Realm::write([&](RealmTransaction& tx) {
            for (QChar letter : letters) {
                ScriptAssetItem item;
                item.setId(makeRecordId());
                item.setName(letter);
                item.setUrl(QStringLiteral("https://example.invalid/") + letter + QStringLiteral(".js"));
                item.setCreatedDate(kLongAgo);
                item.setUpdatedDate(kLongAgo);
                item.setOrder(order);
                item.setEnabled(true);
                order += 10;
                tx.add(item);
            }
        });
        ASSERT_FALSE(error);
    }

    static QString storedNames()
    {
        QString out;
        for (const ScriptAssetItem& item : ScriptAssetItem::fetchAllItems())
            out += item.name();
        return out;
    }
    QString shownNames() const
    {
        QString out;
        for (const ScriptAssetItem& item : pane.scriptAssetItems())
            out += item.name();
        return out;
    }
    bool drop(const QByteArray& payload, int row, const QModelIndex& parent = QModelIndex(),
        const QString& type = ScriptAssetsTableModel::kRowsMimeType)
    {
        QMimeData data;
        data.setData(type, payload);
        return pane.model()->dropMimeData(&data, Qt::MoveAction, row, 0, parent);
    }

    int updated = 0;
    platform::Observation updates;
    ScriptAssetsPreferencesViewController pane;
};

class Delegate : public ScriptAssetsPopoverDelegate {
public:
    void didAddSite(const ScriptAssetItem& item) override { sites.append(item); }
    void didAddCallbackJS(const QString& script) override { scripts.append(script); }
    QList<ScriptAssetItem> sites;
    QStringList scripts;
};

} // namespace

TEST_F(ScriptAssetsTest, AppearingListsTheAssetsAndDisablesRemove)
{
    EXPECT_EQ(pane.identifier(), "ScriptAssets");
    EXPECT_EQ(pane.toolbarItemLabel(), "Script Assets");
    seed("ABC");
    pane.viewWillAppear();
    EXPECT_EQ(shownNames(), "ABC");
    EXPECT_EQ(pane.model()->data(pane.model()->index(1, ScriptAssetsTableModel::URLColumn), Qt::ToolTipRole),
        QVariant("https://example.invalid/B.js"));
    pane.tableView()->selectRow(1);
    EXPECT_TRUE(pane.removeBtn()->isEnabled());
    pane.viewWillAppear();
    EXPECT_FALSE(pane.tableView()->selectionModel()->hasSelection());
    EXPECT_FALSE(pane.removeBtn()->isEnabled());
}

TEST_F(ScriptAssetsTest, DropsMoveRowsAndRenumberEveryAsset)
{
    struct Case {
        QByteArray rows;
        int at;
        QString expected;
    };
    const Case cases[] = {
        { "0\n2\n", 4, "BDACE" },
        { "3\n4\n", 1, "ADEBC" },
        { "2\n", 2, "ABCDE" }, // just above itself
        { "2\n", 3, "ABCDE" }, // just below itself
        { "4\n", -1, "ABCDE" }, // after the last row
        { "0\n", -1, "BCDEA" },
        { "99\n-1\nx\n", 2, "ABCDE" }, // rows outside the list, and no number, are ignored
        { "1\n1\n1\n", 4, "ACDBE" }, // a row named twice moves once
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows.toStdString() + " at " + std::to_string(c.at));
        RealmSetup::close();
        ASSERT_TRUE(RealmSetup::setupInFolder(test::temporaryFolder()));
        seed("ABCDE");
        pane.viewWillAppear();
        updated = 0;
        EXPECT_TRUE(drop(c.rows, c.at));
        EXPECT_EQ(shownNames(), c.expected);
        EXPECT_EQ(storedNames(), c.expected);
        const QList<ScriptAssetItem> stored = ScriptAssetItem::fetchAllItems();
        for (qsizetype i = 0; i < stored.size(); ++i) {
            EXPECT_EQ(stored[i].order(), i);
            EXPECT_GT(stored[i].updatedDate(), kLongAgo);
        }
        EXPECT_EQ(updated, 1);
    }
}

TEST_F(ScriptAssetsTest, OnlyDropsOfOurRowsBetweenRowsAreAccepted)
{
    seed("ABC");
    pane.viewWillAppear();
    const QModelIndex onRow = pane.model()->index(1, 0);
    QMimeData ours;
    ours.setData(ScriptAssetsTableModel::kRowsMimeType, "0\n");
    QMimeData generic;
    generic.setData("public.data", "0");
    generic.setText("0");
    EXPECT_TRUE(pane.model()->canDropMimeData(&ours, Qt::MoveAction, 1, 0, QModelIndex()));
    EXPECT_FALSE(pane.model()->canDropMimeData(&ours, Qt::MoveAction, -1, -1, onRow));
    EXPECT_FALSE(pane.model()->canDropMimeData(&generic, Qt::MoveAction, 1, 0, QModelIndex()));
    EXPECT_FALSE(drop("0\n", -1, onRow));
    EXPECT_FALSE(drop("0", 2, QModelIndex(), "text/plain"));
    EXPECT_EQ(shownNames(), "ABC");
    EXPECT_EQ(updated, 0);

    // What a drag carries.
    std::unique_ptr<QMimeData> dragged(pane.model()->mimeData({ pane.model()->index(2, 0), pane.model()->index(0, 1), pane.model()->index(2, 1) }));
    EXPECT_EQ(dragged->formats(), QStringList { ScriptAssetsTableModel::kRowsMimeType });
    EXPECT_EQ(dragged->data(ScriptAssetsTableModel::kRowsMimeType), "0\n2\n");
}

TEST_F(ScriptAssetsTest, TheBoxStoresTheEnabledFlag)
{
    seed("AB");
    pane.viewWillAppear();
    const QModelIndex box = pane.model()->index(1, ScriptAssetsTableModel::EnabledColumn);
    EXPECT_EQ(pane.model()->data(box, Qt::CheckStateRole), QVariant(Qt::Checked));
    EXPECT_TRUE(pane.model()->setData(box, Qt::Unchecked, Qt::CheckStateRole));
    const QList<ScriptAssetItem> stored = ScriptAssetItem::fetchAllItems();
    EXPECT_TRUE(stored[0].isEnabled());
    EXPECT_FALSE(stored[1].isEnabled());
    EXPECT_GT(stored[1].updatedDate(), kLongAgo);
    EXPECT_EQ(stored[0].updatedDate(), kLongAgo);
    EXPECT_EQ(updated, 1);
}

TEST_F(ScriptAssetsTest, StoreFailuresAreLoggedAndTheTableKeepsTheUsersChange)
{
    seed("ABC");
    pane.viewWillAppear();
    RealmSetup::close();
    const QModelIndex box = pane.model()->index(0, ScriptAssetsTableModel::EnabledColumn);
    EXPECT_EQ(capturedStdout([&] { pane.model()->setData(box, Qt::Unchecked, Qt::CheckStateRole); }),
        "Error: Error updating enabled state\n");
    EXPECT_EQ(pane.model()->data(box, Qt::CheckStateRole), QVariant(Qt::Unchecked));
    EXPECT_EQ(capturedStdout([&] { drop("0\n", 3); }), "Error: Error changing asset order\n");
    EXPECT_EQ(shownNames(), "BCA");
    EXPECT_EQ(updated, 0);
}

TEST_F(ScriptAssetsTest, AnAssetDeletedElsewhereIsNotBroughtBack)
{
    seed("ABC");
    pane.viewWillAppear();
    const ScriptAssetItem gone = pane.scriptAssetItems().at(1);
    ASSERT_FALSE(Realm::write([&](RealmTransaction& tx) { tx.remove(gone); }));
    const QModelIndex box = pane.model()->index(1, ScriptAssetsTableModel::EnabledColumn);
    EXPECT_EQ(capturedStdout([&] { pane.model()->setData(box, Qt::Unchecked, Qt::CheckStateRole); }),
        "Error: Error updating enabled state\n");
    EXPECT_EQ(capturedStdout([&] { drop("0\n", 3); }), "Error: Error changing asset order\n");
    EXPECT_EQ(storedNames(), "AC");
    EXPECT_EQ(updated, 0);
}

TEST_F(ScriptAssetsTest, RemovingDeletesTheSelectedRows)
{
    seed("ABCD");
    pane.viewWillAppear();
    pane.tableView()->selectionModel()->select(pane.model()->index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    pane.tableView()->selectionModel()->select(pane.model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    pane.removeSource();
    EXPECT_EQ(shownNames(), "AC");
    EXPECT_EQ(storedNames(), "AC");
    EXPECT_EQ(updated, 1);
    EXPECT_TRUE(pane.removeBtn()->isEnabled()) << "stays enabled after a removal";
}

TEST_F(ScriptAssetsTest, ARemovalThatCannotBeCommittedShowsAnAlertAndChangesNothing)
{
    seed("ABC");
    pane.viewWillAppear();
    pane.tableView()->selectRow(1);
    RealmSetup::close();
    pane.removeSource();
    auto* alert = pane.findChild<QMessageBox*>();
    ASSERT_NE(alert, nullptr);
    EXPECT_TRUE(alert->isVisible());
    EXPECT_TRUE(alert->text().contains("unavailable")) << alert->text().toStdString();
    EXPECT_EQ(shownNames(), "ABC");
    EXPECT_EQ(pane.model()->rowCount(), 3);
    EXPECT_EQ(updated, 0);
    alert->close();
}

TEST_F(ScriptAssetsTest, AnAdditionEndsLastAndTheOrdersCloseUp)
{
    seed("ABC");
    pane.viewWillAppear();
    pane.addNewSource(pane.addBtn());
    ScriptAssetsPopoverController* popover = pane.sourcePopover();
    ASSERT_TRUE(popover->isVisible());
    const QString file = test::temporaryFolder() + "/local.css";
    test::writeFile(file, "p {}");
    popover->urlTextField()->setText(file);
    popover->nameTextField()->setText("Local");
    popover->add();
    ASSERT_TRUE(test::waitUntil([&] { return pane.scriptAssetItems().size() == 4; }));
    EXPECT_FALSE(popover->isVisible());
    EXPECT_EQ(shownNames(), "ABCLocal");
    const QList<ScriptAssetItem> stored = ScriptAssetItem::fetchAllItems();
    ASSERT_EQ(stored.size(), 4);
    for (qsizetype i = 0; i < stored.size(); ++i)
        EXPECT_EQ(stored[i].order(), i);
    EXPECT_EQ(stored[3].url(), file);
    EXPECT_EQ(updated, 1);
}

// ---- The add popover ------------------------------------------------------------------

class AddPopoverTest : public ScriptAssetsTest {
protected:
    void SetUp() override
    {
        ScriptAssetsTest::SetUp();
        popover.setPopoverDelegate(&delegate);
        popover.show();
        popover.viewWillAppear();
    }
    void type(const QString& url, const QString& name)
    {
        popover.urlTextField()->setText(url);
        popover.nameTextField()->setText(name);
    }
    QString error() const { return popover.errorLbl()->isVisible() ? popover.errorLbl()->text() : QString(); }

    Delegate delegate;
    ScriptAssetsPopoverController popover;
    test::StatusServer server;
};

TEST_F(AddPopoverTest, BothFieldsAreRequiredAddressFirst)
{
    struct Case {
        QString url, name, error;
    };
    const Case cases[] = {
        { "", "", "URL is required" },
        { "", "Name", "URL is required" },
        { "https://x.invalid/a.js", "", "Name is required" },
    };
    for (const Case& c : cases) {
        type(c.url, c.name);
        popover.add();
        EXPECT_EQ(error(), c.error);
        EXPECT_FALSE(popover.ignoreBtn()->isVisible());
        popover.ignoreErrorAndAdd();
        EXPECT_EQ(error(), c.error);
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(delegate.sites.isEmpty());
    EXPECT_TRUE(ScriptAssetItem::fetchAllItems().isEmpty());
}

TEST_F(AddPopoverTest, MissingAssetsOfferAddingAnyway)
{
    server.setStatus("/ok.js", 200);
    const QString folder = test::temporaryFolder();
    for (const QString& url : { folder, server.url("/missing.js"), QString("ftp://127.0.0.1/a.js"), QString("not a url") }) {
        SCOPED_TRACE(url.toStdString());
        type(url, " ");
        popover.add();
        ASSERT_TRUE(test::waitUntil([&] { return !popover.isChecking() && popover.ignoreBtn()->isVisible(); }));
        EXPECT_EQ(error(), "No such asset exists. Check the URL.");
        EXPECT_TRUE(delegate.sites.isEmpty());
    }

    // Adding anyway still needs both fields.
    type(server.url("/missing.js"), "");
    popover.ignoreErrorAndAdd();
    EXPECT_EQ(error(), "Name is required");
    type(server.url("/missing.js"), "Missing");
    popover.ignoreErrorAndAdd();
    ASSERT_TRUE(test::waitUntil([&] { return delegate.sites.size() == 1; }));
    EXPECT_EQ(delegate.sites[0].url(), server.url("/missing.js"));
}

TEST_F(AddPopoverTest, AnAddressAnsweringOKIsStored)
{
    server.setStatus("/lib.js", 200);
    type(server.url("/lib.js"), "  ");
    keyClick(popover.nameTextField(), Qt::Key_Return, "\r");
    ASSERT_TRUE(test::waitUntil([&] { return delegate.sites.size() == 1; }));
    EXPECT_EQ(error(), "");
    const QList<ScriptAssetItem> stored = ScriptAssetItem::fetchAllItems();
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0], delegate.sites[0]);
    EXPECT_EQ(stored[0].name(), "  ");
    EXPECT_EQ(stored[0].url(), server.url("/lib.js"));
    EXPECT_EQ(stored[0].order(), 9999999);
    EXPECT_TRUE(stored[0].isEnabled());
    EXPECT_FALSE(stored[0].addBeforeBodyTag());
    EXPECT_EQ(stored[0].id().size(), 36);
    EXPECT_EQ(server.requestCount(), 1);

    // Enter on the keypad adds too.
    type(server.url("/lib.js"), "Again");
    keyClick(popover.urlTextField(), Qt::Key_Enter, "\r");
    ASSERT_TRUE(test::waitUntil([&] { return delegate.sites.size() == 2; }));
}

TEST_F(AddPopoverTest, ADatabaseFailureKeepsTheTypedValues)
{
    const QString file = test::temporaryFolder() + "/a.js";
    test::writeFile(file);
    RealmSetup::close();
    type(file, "Mine");
    popover.add();
    ASSERT_TRUE(test::waitUntil([&] { return !error().isEmpty(); }));
    EXPECT_EQ(error(), "Error adding asset. Please try again");
    EXPECT_EQ(popover.urlTextField()->text(), file);
    EXPECT_EQ(popover.nameTextField()->text(), "Mine");
    EXPECT_TRUE(delegate.sites.isEmpty());
}

TEST_F(AddPopoverTest, AServerThatNeverAnswersFailsAfterTheTimeout)
{
    server.setSilent("/slow.js");
    popover.setTransferTimeout(300);
    type(server.url("/slow.js"), "Slow");
    popover.add();
    EXPECT_TRUE(popover.isChecking());
    ASSERT_TRUE(test::waitUntil([&] { return popover.ignoreBtn()->isVisible(); }, 10000));
    EXPECT_EQ(error(), "No such asset exists. Check the URL.");
    EXPECT_TRUE(delegate.sites.isEmpty());
}

TEST_F(AddPopoverTest, AppearingStartsFromEmptyFields)
{
    type("x", "");
    popover.add();
    EXPECT_TRUE(popover.errorLbl()->isVisible());
    popover.showRelativeTo(nullptr);
    EXPECT_EQ(popover.urlTextField()->text(), "");
    EXPECT_EQ(popover.nameTextField()->text(), "");
    EXPECT_FALSE(popover.errorLbl()->isVisible());
    EXPECT_FALSE(popover.ignoreBtn()->isVisible());
}

// ---- The callback popover -----------------------------------------------------------------

class CallbackPopoverTest : public ScriptAssetsTest {
protected:
    void SetUp() override
    {
        ScriptAssetsTest::SetUp();
        path = JSCallbackManager::sharedInstance().customJSPath();
        ASSERT_TRUE(JSCallbackManager::sharedInstance().saveOnUpdateCallbackJS(QString()));
        ASSERT_TRUE(QFile::remove(path));
        jsUpdates = platform::NotificationCenter::defaultCenter().observe(Notifications::ONUPDATE_CALLBACK_JS_UPDATED, nullptr,
            [this](const platform::Notification&) { ++jsUpdated; });
    }
    void TearDown() override
    {
        if (QFileInfo(path).isDir())
            QDir(path).removeRecursively();
        ScriptAssetsTest::TearDown();
    }
    JSCallbackPreferencesPopoverController* open()
    {
        pane.addCallbackScript(pane.callbackBtn());
        return pane.callbackScriptPopover();
    }
    QByteArray stored() const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }

    QString path;
    int jsUpdated = 0;
    platform::Observation jsUpdates;
};

TEST_F(CallbackPopoverTest, SavingAnEmptyEditorStoresAnEmptyScriptAndCloses)
{
    JSCallbackPreferencesPopoverController* popover = nullptr;
    const std::string out = capturedStdout([&] { popover = open(); });
    EXPECT_EQ(out.rfind("Error: Error loading callback JS: ", 0), 0u) << out;
    ASSERT_TRUE(popover->isVisible());
    EXPECT_EQ(popover->textEditor()->string(), "");
    popover->save();
    EXPECT_EQ(stored(), "");
    EXPECT_EQ(jsUpdated, 1);
    EXPECT_FALSE(popover->isVisible());
}

TEST_F(CallbackPopoverTest, ClosingWithoutSavingDiscardsTheEdits)
{
    ASSERT_TRUE(JSCallbackManager::sharedInstance().saveOnUpdateCallbackJS("console.log(\"x\") -- done"));
    auto* popover = open();
    EXPECT_EQ(popover->textEditor()->string(), "console.log(\"x\") -- done");
    keyClicks(popover->textEditor(), "\"a\" -- 'b'");
    // Typed quotes and dashes stay as typed (the caret starts at the beginning).
    EXPECT_EQ(popover->textEditor()->string(), "\"a\" -- 'b'console.log(\"x\") -- done");
    popover->close();
    popover = open();
    EXPECT_EQ(popover->textEditor()->string(), "console.log(\"x\") -- done");
    EXPECT_EQ(jsUpdated, 1);
}

TEST_F(CallbackPopoverTest, AFailedWriteKeepsThePopoverOpen)
{
    auto* popover = open();
    ASSERT_TRUE(QDir().mkpath(path));
    popover->textEditor()->insertText("update();");
    const std::string out = capturedStdout([&] { popover->save(); });
    EXPECT_EQ(out.rfind("Error: Error saving callback JS: ", 0), 0u) << out;
    EXPECT_TRUE(popover->isVisible());
    EXPECT_TRUE(popover->errorLbl()->isVisible());
    EXPECT_EQ(jsUpdated, 0);

    ASSERT_TRUE(QDir(path).removeRecursively());
    popover->save();
    EXPECT_FALSE(popover->isVisible());
    EXPECT_EQ(stored(), "update();");
}
