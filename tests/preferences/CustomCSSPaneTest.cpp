#include "PrefsTestSupport.h"

#include "TestSupport.h"
#include "Services/CustomCSSManager.h"
#include "preferences/CustomCSSPreferencesViewController.h"
#include "platform/NotificationCenter.h"
#include "platform/text/TextView.h"
#include "common/Notifications.h"

#include <QDir>
#include <QFile>
#include <QLabel>

using namespace penwick;
using penwick::test::capturedStdout;
using penwick::test::writeFile;

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

class CustomCSSPaneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = CustomCSSManager::sharedInstance().customCSSPath();
        // Empty the store's memory, then take the file away: a fresh installation.
        ASSERT_TRUE(CustomCSSManager::sharedInstance().saveCustomCSS(QString()));
        ASSERT_TRUE(QFile::remove(path));
        updates = platform::NotificationCenter::defaultCenter().observe(Notifications::CUSTOM_CSS_UPDATED, nullptr,
            [this](const platform::Notification&) { ++posted; });
    }
    void TearDown() override
    {
        if (QFileInfo(path).isDir())
            QDir(path).removeRecursively();
    }

    QString path;
    int posted = 0;
    platform::Observation updates;
    CustomCSSPreferencesViewController pane;
};

} // namespace

TEST_F(CustomCSSPaneTest, Identity)
{
    EXPECT_EQ(pane.identifier(), "GlobalCustomCSS");
    EXPECT_EQ(pane.toolbarItemLabel(), "Custom CSS");
    EXPECT_FALSE(pane.toolbarItemImage().isNull());
}

TEST_F(CustomCSSPaneTest, AFreshInstallShowsAnEmptyEditorAndLeavingCreatesTheFile)
{
    const std::string out = capturedStdout([&] { pane.viewWillAppear(); });
    EXPECT_EQ(out.rfind("Error: Error loading custom CSS: ", 0), 0u) << out;
    EXPECT_NE(out.find("customCSS.css"), std::string::npos);
    EXPECT_EQ(pane.textEditor()->string(), "");
    EXPECT_FALSE(QFile::exists(path));

    EXPECT_EQ(capturedStdout([&] { pane.viewDidDisappear(); }), "");
    EXPECT_EQ(contents(path), "");
    EXPECT_EQ(posted, 1);
}

TEST_F(CustomCSSPaneTest, EverySavePostsAndTheNextAppearanceReadsTheFileAgain)
{
    writeFile(path, "body { color: red; }\n");
    pane.viewWillAppear();
    EXPECT_EQ(pane.textEditor()->string(), "body { color: red; }\n");
    pane.save();
    pane.save();
    EXPECT_EQ(posted, 2) << "unchanged text is saved and announced too";

    // Changed behind the pane's back: the next appearance reads the file, not a cached copy.
    writeFile(path, "h1 { margin: 0; }\n");
    pane.viewWillAppear();
    EXPECT_EQ(pane.textEditor()->string(), "h1 { margin: 0; }\n");

    // Edits are written on leaving.
    pane.textEditor()->selectAll();
    pane.textEditor()->insertText("p { }\n");
    pane.viewDidDisappear();
    EXPECT_EQ(contents(path), "p { }\n");
    EXPECT_EQ(posted, 3);

    // Leaving without edits writes nothing.
    pane.viewWillAppear();
    pane.viewDidDisappear();
    EXPECT_EQ(posted, 3);
}

TEST_F(CustomCSSPaneTest, ASheetThatCannotBeReadSurvivesOpeningAndLeaving)
{
    const QByteArray latin1("p::before { content: \"caf\xe9\"; }\n");
    writeFile(path, latin1);
    const std::string out = capturedStdout([&] {
        pane.viewWillAppear();
        pane.viewDidDisappear();
    });
    EXPECT_EQ(out.rfind("Error: Error loading custom CSS: ", 0), 0u) << out;
    EXPECT_EQ(contents(path), latin1);
    EXPECT_EQ(posted, 0);

    // Save still writes what the editor holds: the user asked for it.
    pane.viewWillAppear();
    pane.textEditor()->insertText("a { }");
    pane.save();
    EXPECT_EQ(contents(path), "a { }");
}

TEST_F(CustomCSSPaneTest, AFolderInTheFilesPlaceShowsTheErrorLabel)
{
    ASSERT_TRUE(QDir().mkpath(path));
    pane.show();
    capturedStdout([&] { pane.viewWillAppear(); });
    pane.textEditor()->insertText("b { }");
    const std::string out = capturedStdout([&] { pane.viewDidDisappear(); });
    EXPECT_EQ(out.rfind("Error: Error saving custom CSS: ", 0), 0u) << out;
    EXPECT_TRUE(pane.errorLbl()->isVisible());
    EXPECT_EQ(posted, 0);

    // The next attempt hides the label again; it succeeds once the folder is gone.
    ASSERT_TRUE(QDir(path).removeRecursively());
    pane.save();
    EXPECT_FALSE(pane.errorLbl()->isVisible());
    EXPECT_EQ(contents(path), "b { }");
}
