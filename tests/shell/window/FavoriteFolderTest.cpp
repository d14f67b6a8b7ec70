// A folder among the favourites, through the real document controller, window and sidebar:
// a click opens nothing; a double click makes it a root of the folders section.
#include "PlainEditorViewController.h"
#include "RecordingDialogs.h"

#include "Extensions/Realm.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/treelist/TreeListModel.h"
#include "platform/treelist/TreeListView.h"
#include "common/Prefs.h"
#include "shell/TVXDocumentController.h"
#include "shell/TVXDocumentWindowController.h"
#include "shell/WindowSidebar.h"
#include "sidebar/FavoriteDBItem.h"
#include "sidebar/FolderNavigatorItem.h"
#include "sidebar/FoldersNavigator.h"
#include "sidebar/NoteSections.h"
#include "sidebar/SidebarManager.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

using namespace penwick;
using platform::UserDefaults;

namespace {

struct Application : DocumentWindowControllerDelegate {
    void documentWindowControllerWillClose(TVXDocumentWindowController*) override {}
    void documentDidMoveFrom(TVXDocument*, TVXDocumentWindowController*, TVXDocumentWindowController*) override {}
    void didCloseTabItemForWindowController(TVXDocumentWindowController*) override {}
    void handleDragAndDropPaths(const QStringList&, TVXDocumentWindowController*) override {}
    platform::TabView* handleTabTearOff(platform::TabView*, TVXDocument*, QPoint) override { return nullptr; }
    bool shouldRestoreDocuments() override { return false; }
    void didRestoredDocuments() override {}
};

class FavoriteFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        FavoriteDBItem::registerSchema();
        ASSERT_TRUE(RealmSetup::setupInFolder(databaseFolder));
        UserDefaults::standard().removeObject(Prefs::SESSION_RESTORE_DOCS);
        UserDefaults::standard().removeObject(Prefs::SESSION_RESTORE_FOLDERS);
        // The application sends every document that needs a window to this one.
        routing = platform::NotificationCenter::defaultCenter().observe(TVXDocument::DocumentNeedWindowNotification, nullptr,
            [this](const platform::Notification& n) { controller.addDocument(static_cast<TVXDocument*>(const_cast<void*>(n.object))); });
        manager.awakeFromNib();
        controller.setSidebarManager(&sidebar);
        controller.setDelegate(&application);
        list.resize(300, 500);
        list.show();
    }
    void TearDown() override
    {
        routing.reset();
        RealmSetup::close();
    }

    QRect rectOf(const platform::TreeListItemPtr& item)
    {
        return list.visualRect(list.listModel()->indexForItem(item.get()));
    }
    platform::TreeListItemPtr favouriteRow(const QString& title) const
    {
        for (const auto& child : manager.favoritesNavigator()->rootItem()->children()) {
            if (child->title() == title)
                return child;
        }
        return nullptr;
    }

    QString databaseFolder = test::temporaryFolder();
    QString folder = test::temporaryFolder();
    test::PlainEditorFactoryScope factory;
    test::RecordingDialogs dialogs;
    TVXDocumentController documents;
    Application application;
    platform::TreeListView list;
    SidebarManager manager { &list, &documents };
    WindowSidebar sidebar { &manager };
    TVXDocumentWindowController controller;
    platform::Observation routing;
};

TEST_F(FavoriteFolder, AClickOpensNothingAndADoubleClickMakesItASidebarRoot)
{
    const QString project = folder + "/project";
    ASSERT_TRUE(QDir().mkpath(project));
    QFile inside(project + "/inside.md");
    ASSERT_TRUE(inside.open(QIODevice::WriteOnly));
    inside.close();
    manager.favoritesNavigator()->addPathToFavorites(project);
    const platform::TreeListItemPtr favourite = favouriteRow("project");
    ASSERT_TRUE(favourite);
    ASSERT_TRUE(rectOf(favourite).isValid());

    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, rectOf(favourite).center());
    QCoreApplication::processEvents();
    EXPECT_TRUE(documents.documents().isEmpty());
    EXPECT_TRUE(manager.rootFolderPaths().isEmpty());
    EXPECT_TRUE(controller.documentsInTabOrder().isEmpty());

    QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, rectOf(favourite).center());
    ASSERT_TRUE(test::waitUntil([&] { return !manager.rootFolderPaths().isEmpty(); }));
    EXPECT_EQ(manager.rootFolderPaths(), QStringList { project });
    EXPECT_TRUE(controller.documentsInTabOrder().isEmpty()); // a folder is no tab

    // The new root is the last row of the folders section, read, with its file below it.
    const std::vector<FolderItemPtr> roots = manager.foldersNavigator()->rootFolders();
    ASSERT_EQ(roots.size(), 1u);
    EXPECT_EQ(roots.front()->fullPath(), project);
    EXPECT_TRUE(roots.front()->isChildrenPopulated());
    EXPECT_TRUE(roots.front()->findChildAtPath(project + "/inside.md"));
    EXPECT_GE(list.rowForItem(roots.front()), 0);
    EXPECT_EQ(UserDefaults::standard().stringArrayForKey(Prefs::SESSION_RESTORE_FOLDERS), QStringList { project });
}

} // namespace
