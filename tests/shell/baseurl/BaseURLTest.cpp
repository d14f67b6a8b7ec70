#include "TestSupport.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "shell/DocumentBaseURLHandler.h"
#include "common/Notifications.h"
#include "common/Prefs.h"
#include "shell/TVXDocument.h"
#include "sidebar/FolderNavigatorItem.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

#include <gtest/gtest.h>

#include <memory>

namespace penwick {
namespace {

using Type = DocumentBaseURLType;

platform::UserDefaults& defaults()
{
    return platform::UserDefaults::standard();
}

// A root folder "notes" with "notes/sub/doc.md" on disk, and a custom base folder "assets".
class BaseURL : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = test::temporaryFolder();
        root = folder + QStringLiteral("/notes");
        custom = folder + QStringLiteral("/assets");
        QDir().mkpath(root + QStringLiteral("/sub"));
        QDir().mkpath(custom);
        rootItem = FolderNavigatorItem::create(root);
        fileItem = FolderNavigatorItem::create(root + QStringLiteral("/sub/doc.md"));
        fileItem->setRootFolder(rootItem);
    }

    void TearDown() override
    {
        for (const QString& key : { Notifications::BASE_URL_MAP_FOR_INDIE_DOCS, Notifications::BASE_URL_MAP, Prefs::DOC_BASEURL_TYPE })
            defaults().removeObject(key);
    }

    std::unique_ptr<TVXDocument> document(const QString& relative, bool fromTree)
    {
        auto made = std::make_unique<TVXDocument>();
        made->setFileURL(QUrl::fromLocalFile(root + relative));
        if (fromTree)
            made->setFileSystemItem(fileItem);
        return made;
    }

    QUrl folderURL(const QString& path) const { return QUrl::fromLocalFile(path + QLatin1Char('/')); }

    QString folder, root, custom;
    FolderItemPtr rootItem, fileItem;
};

TEST_F(BaseURL, TypeFromStoredChoices)
{
    struct Case {
        const char* name;
        QVariant own;    // entry of the document in the map (invalid: none)
        QVariant global; // "documentBaseURLType" (invalid: absent)
        bool fromTree;
        bool customEntry;
        std::optional<QUrl> url;
        Type type;
    };
    const QString sub = root + QStringLiteral("/sub");
    const Case cases[] = {
        { "nothingStored", {}, {}, true, false, folderURL(sub), Type::ParentPath },
        { "ownNone", 0, 2, true, false, std::nullopt, Type::None },
        { "ownRoot", 2, 0, true, false, folderURL(root), Type::RootFolder },
        { "globalRoot", {}, 2, true, false, folderURL(root), Type::RootFolder },
        { "rootNotFromTree", 2, {}, false, false, folderURL(sub), Type::ParentPath },
        { "customWithEntry", 3, {}, true, true, folderURL(custom), Type::CustomFolder },
        { "customWithoutEntry", 3, {}, true, false, folderURL(sub), Type::ParentPath },
        { "customNotFromTree", 3, {}, false, true, folderURL(sub), Type::ParentPath },
        { "ownSeven", 7, 1, true, false, std::nullopt, Type::None },
        { "globalSeven", {}, 7, true, false, std::nullopt, Type::None },
        { "globalNegative", {}, -1, true, false, std::nullopt, Type::None },
        { "ownStringIgnored", QStringLiteral("2"), 0, true, false, std::nullopt, Type::None },
    };
    for (const Case& c : cases) {
        TearDown();
        auto doc = document(QStringLiteral("/sub/doc.md"), c.fromTree);
        if (c.own.isValid())
            defaults().setValue(Notifications::BASE_URL_MAP_FOR_INDIE_DOCS, QVariantMap { { doc->filePath(), c.own } });
        if (c.global.isValid())
            defaults().setValue(Prefs::DOC_BASEURL_TYPE, c.global);
        if (c.customEntry)
            defaults().setValue(Notifications::BASE_URL_MAP, QVariantMap { { root, custom } });
        const auto [url, type] = doc->determineBaseURLAndType();
        EXPECT_EQ(url, c.url) << c.name;
        EXPECT_EQ(type, c.type) << c.name;
        if (url) {
            EXPECT_TRUE(url->path().endsWith(u'/')) << c.name;
        }
    }
}

TEST_F(BaseURL, ADocumentWithoutAFileHasNone)
{
    TVXDocument untitled;
    defaults().setValue(Prefs::DOC_BASEURL_TYPE, 1);
    EXPECT_EQ(untitled.determineBaseURLAndType(), std::make_pair(std::optional<QUrl>(), Type::None));
}

TEST_F(BaseURL, AMissingCustomFolderStillEndsWithASlash)
{
    auto doc = document(QStringLiteral("/sub/doc.md"), true);
    defaults().setValue(Prefs::DOC_BASEURL_TYPE, 3);
    defaults().setValue(Notifications::BASE_URL_MAP, QVariantMap { { root, folder + QStringLiteral("/gone") } });
    EXPECT_EQ(doc->determineBaseURL(), folderURL(folder + QStringLiteral("/gone")));
}

// The submenu with a handler following tab selections.
class BaseURLMenu : public BaseURL {
protected:
    void SetUp() override
    {
        BaseURL::SetUp();
        handler.setBaseURLsMenu(&menu);
        handler.awakeFromNib();
    }

    void select(TVXDocument* selected)
    {
        platform::NotificationCenter::defaultCenter().post(Notifications::DOCUMENT_SELECTED, nullptr,
            { { QStringLiteral("document"), selected ? QVariant::fromValue<QObject*>(selected) : QVariant() } });
    }

    QList<bool> checked() const
    {
        QList<bool> marks;
        for (QAction* item : handler.typeItems())
            marks.append(item->isChecked());
        return marks;
    }

    QList<bool> enabled()
    {
        QList<bool> marks;
        for (QAction* item : handler.typeItems())
            marks.append(handler.validateMenuItem(item));
        return marks;
    }

    QMenu menu;
    DocumentBaseURLHandler handler;
};

TEST_F(BaseURLMenu, AChoiceForOneDocumentBecomesTheTypeOfOthersWhileTheirMenuShowsTheirOwn)
{
    auto a = document(QStringLiteral("/sub/doc.md"), true);
    auto b = document(QStringLiteral("/other.md"), true);
    select(a.get());
    EXPECT_EQ(checked(), (QList<bool> { false, true, false, false }));
    handler.selectURLType(handler.typeItems().at(2));
    EXPECT_EQ(checked(), (QList<bool> { false, false, true, false }));
    EXPECT_EQ(defaults().dictionaryForKey(Notifications::BASE_URL_MAP_FOR_INDIE_DOCS).value(a->filePath()).toInt(), 2);
    EXPECT_EQ(defaults().integerForKey(Prefs::DOC_BASEURL_TYPE), 2);

    select(b.get());
    EXPECT_EQ(b->determineBaseURLAndType().second, Type::RootFolder);
    EXPECT_EQ(checked(), (QList<bool> { false, true, false, false }));
    select(a.get());
    EXPECT_EQ(checked(), (QList<bool> { false, false, true, false }));
}

TEST_F(BaseURLMenu, ItemsFollowWhatTheDocumentCanResolve)
{
    auto fromTree = document(QStringLiteral("/sub/doc.md"), true);
    select(fromTree.get());
    EXPECT_EQ(enabled(), (QList<bool> { true, true, true, true }));

    auto outside = document(QStringLiteral("/sub/doc.md"), false);
    select(outside.get());
    EXPECT_EQ(enabled(), (QList<bool> { true, true, false, false }));

    TVXDocument untitled;
    select(&untitled);
    EXPECT_EQ(enabled(), (QList<bool> { true, false, false, false }));
    EXPECT_EQ(checked(), (QList<bool> { true, false, false, false }));

    select(nullptr);
    EXPECT_EQ(handler.activeDocument(), nullptr);
    EXPECT_EQ(checked(), (QList<bool> { true, false, false, false }));
    // Without a document a choice is still the type of documents without their own.
    handler.selectURLType(handler.typeItems().at(3));
    EXPECT_EQ(defaults().integerForKey(Prefs::DOC_BASEURL_TYPE), 3);
    EXPECT_TRUE(defaults().dictionaryForKey(Notifications::BASE_URL_MAP_FOR_INDIE_DOCS).isEmpty());
}

TEST_F(BaseURLMenu, TheFirstRefreshComesTwoSecondsAfterLoading)
{
    QMenu other;
    DocumentBaseURLHandler late;
    late.setBaseURLsMenu(&other);
    for (QAction* item : late.typeItems())
        item->setChecked(true);
    late.awakeFromNib();
    EXPECT_TRUE(late.typeItems().at(3)->isChecked());
    ASSERT_TRUE(test::waitUntil([&] { return !late.typeItems().at(3)->isChecked(); }, 5000));
    EXPECT_TRUE(late.typeItems().at(0)->isChecked());
}

} // namespace
} // namespace penwick

TEST(BaseURLHelp, TheHelpItemOpensAPageShippedWithPenwick)
{
    const QUrl help = penwick::DocumentBaseURLHandler::helpURL();
    ASSERT_TRUE(help.isLocalFile());
    EXPECT_TRUE(QFileInfo(help.toLocalFile()).isFile()) << help.toLocalFile().toStdString();
}
