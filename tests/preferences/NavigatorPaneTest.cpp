#include "PrefsTestSupport.h"

#include "preferences/TVXNavigatorPreferencesViewController.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "sidebar/TVXNavigatorPreferencesFactory.h"

#include <QCheckBox>
#include <QLineEdit>

#include <memory>

using namespace penwick;

namespace {

platform::UserDefaults& defaults() { return platform::UserDefaults::standard(); }

class NavigatorPaneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        clear();
        changes = platform::NotificationCenter::defaultCenter().observe(
            TVXNavigatorPreferencesFactory::IGNORE_FILES_AND_FOLDERS_CHANGED, nullptr, [this](const platform::Notification&) { ++posted; });
    }
    void TearDown() override { clear(); }
    static void clear()
    {
        defaults().removeObject(TVXNavigatorPreferencesFactory::IGNORED_FILES_AND_FOLDERS);
        defaults().removeObject(TVXNavigatorPreferencesFactory::SHOULD_IGNORE_HIDDEN);
    }
    static QVariant storedText() { return defaults().object(TVXNavigatorPreferencesFactory::IGNORED_FILES_AND_FOLDERS); }

    int posted = 0;
    platform::Observation changes;
};

} // namespace

TEST_F(NavigatorPaneTest, OpeningShowsTheStoredRules)
{
    {
        TVXNavigatorPreferencesViewController pane;
        EXPECT_EQ(pane.identifier(), "NavigatorPreferences");
        EXPECT_EQ(pane.toolbarItemLabel(), "Navigator");
        EXPECT_EQ(pane.ignoreTextField()->text(), "");
        EXPECT_TRUE(pane.ignoreHiddenFilesCheckbox()->isChecked()) << "the registered default";
    }
    defaults().setValue(TVXNavigatorPreferencesFactory::IGNORED_FILES_AND_FOLDERS, "*.o;build");
    defaults().setValue(TVXNavigatorPreferencesFactory::SHOULD_IGNORE_HIDDEN, false);
    TVXNavigatorPreferencesViewController pane;
    EXPECT_EQ(pane.ignoreTextField()->text(), "*.o;build");
    EXPECT_FALSE(pane.ignoreHiddenFilesCheckbox()->isChecked());
    EXPECT_EQ(posted, 0);
}

TEST_F(NavigatorPaneTest, ApplyingStoresBothRulesAndAnnouncesEach)
{
    struct Case {
        QString typed;
        QString stored;
    };
    const Case cases[] = {
        { "   ", "" },
        { "a, b ,c", "a;b;c" },
        { "\t*.log ,  node modules \n", "*.log;nodemodules" },
    };
    TVXNavigatorPreferencesViewController pane;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        posted = 0;
        pane.ignoreTextField()->setText(c.typed);
        pane.controlTextDidEndEditing(pane.ignoreTextField());
        EXPECT_EQ(storedText(), QVariant(c.stored));
        EXPECT_TRUE(defaults().hasValue(TVXNavigatorPreferencesFactory::SHOULD_IGNORE_HIDDEN));
        EXPECT_TRUE(defaults().boolForKey(TVXNavigatorPreferencesFactory::SHOULD_IGNORE_HIDDEN));
        EXPECT_EQ(posted, 2);
    }
}

TEST_F(NavigatorPaneTest, AnotherFieldChangesNothing)
{
    TVXNavigatorPreferencesViewController pane;
    QLineEdit other;
    pane.ignoreTextField()->setText("x");
    pane.controlTextDidEndEditing(&other);
    EXPECT_FALSE(defaults().hasValue(TVXNavigatorPreferencesFactory::IGNORED_FILES_AND_FOLDERS));
    EXPECT_FALSE(defaults().hasValue(TVXNavigatorPreferencesFactory::SHOULD_IGNORE_HIDDEN));
    EXPECT_EQ(posted, 0);
}

TEST_F(NavigatorPaneTest, TogglingTheBoxStoresTheTextToo)
{
    TVXNavigatorPreferencesViewController pane;
    pane.ignoreTextField()->setText(" tmp, dist ");
    pane.ignoreHiddenFilesCheckbox()->click(); // off: the default is on
    EXPECT_EQ(defaults().object(TVXNavigatorPreferencesFactory::SHOULD_IGNORE_HIDDEN), QVariant(false));
    EXPECT_EQ(storedText(), QVariant("tmp;dist"));
    EXPECT_EQ(posted, 2);
    EXPECT_TRUE(TVXNavigatorPreferencesFactory::shouldIgnorePath("/project/dist"));
}
