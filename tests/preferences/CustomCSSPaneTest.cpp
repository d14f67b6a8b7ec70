#include "PrefsTestSupport.h"

#include "TestSupport.h"
#include "Services/CustomCSSManager.h"
#include "preferences/CustomCSSPreferencesViewController.h"
#include "platform/NotificationCenter.h"
#include "platform/text/TextView.h"
#include "common/Notifications.h"
#include "platform/text/UndoManager.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTextCursor>
#include <QTimer>

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

    // Shows the pane and waits until the sheet is in the editor (it is read off the GUI thread).
    void appear()
    {
        pane.viewWillAppear();
        ASSERT_TRUE(test::waitUntil([&] { return !pane.isLoading(); }));
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
    const std::string out = capturedStdout([&] { appear(); });
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
    appear();
    EXPECT_EQ(pane.textEditor()->string(), "body { color: red; }\n");
    pane.save();
    pane.save();
    EXPECT_EQ(posted, 2) << "unchanged text is saved and announced too";

    // Changed behind the pane's back: the next appearance reads the file, not a cached copy.
    writeFile(path, "h1 { margin: 0; }\n");
    appear();
    EXPECT_EQ(pane.textEditor()->string(), "h1 { margin: 0; }\n");

    // Edits are written on leaving.
    pane.textEditor()->selectAll();
    pane.textEditor()->insertText("p { }\n");
    pane.viewDidDisappear();
    EXPECT_EQ(contents(path), "p { }\n");
    EXPECT_EQ(posted, 3);

    // Leaving without edits writes nothing.
    appear();
    pane.viewDidDisappear();
    EXPECT_EQ(posted, 3);
}

TEST_F(CustomCSSPaneTest, ASheetThatCannotBeReadSurvivesOpeningAndLeaving)
{
    const QByteArray latin1("p::before { content: \"caf\xe9\"; }\n");
    writeFile(path, latin1);
    const std::string out = capturedStdout([&] {
        appear();
        pane.viewDidDisappear();
    });
    EXPECT_EQ(out.rfind("Error: Error loading custom CSS: ", 0), 0u) << out;
    EXPECT_EQ(contents(path), latin1);
    EXPECT_EQ(posted, 0);

    // Save still writes what the editor holds: the user asked for it.
    appear();
    pane.textEditor()->insertText("a { }");
    pane.save();
    EXPECT_EQ(contents(path), "a { }");
}

TEST_F(CustomCSSPaneTest, AFolderInTheFilesPlaceShowsTheErrorLabel)
{
    ASSERT_TRUE(QDir().mkpath(path));
    pane.show();
    capturedStdout([&] { appear(); });
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

TEST_F(CustomCSSPaneTest, ALargeSheetGoesInWhileTheGUIThreadKeepsTurning)
{
    // Some megabytes of rules, with CRLF line ends and text outside Latin-1.
    QByteArray css;
    for (int i = 0; css.size() < 6 * 1024 * 1024; ++i)
        css += ".r" + QByteArray::number(i) + "::after { content: \"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\"; }\r\n";
    writeFile(path, css);
    const QString expected = QString::fromUtf8(css);

    // A timer that fires at every turn of the event loop, noting how full the editor is.
    int turns = 0;
    bool sawPartOfTheSheet = false;
    QTimer turn;
    QObject::connect(&turn, &QTimer::timeout, [&] {
        ++turns;
        const qsizetype shown = pane.textEditor()->document()->characterCount() - 1;
        sawPartOfTheSheet = sawPartOfTheSheet || (shown > 0 && shown < expected.size());
    });
    turn.start(0);
    pane.viewWillAppear();
    EXPECT_TRUE(pane.isLoading()) << "the pane waited for the whole sheet";
    EXPECT_TRUE(pane.textEditor()->isReadOnly());
    EXPECT_FALSE(pane.saveButton()->isEnabled());
    pane.viewDidDisappear(); // left before the sheet is in: nothing is written over it
    ASSERT_TRUE(test::waitUntil([&] { return !pane.isLoading(); }, 60000));
    turn.stop();
    EXPECT_TRUE(sawPartOfTheSheet) << "the sheet went in at once, holding the GUI thread";
    EXPECT_GT(turns, 2);

    EXPECT_EQ(pane.textEditor()->fileString(), expected);
    EXPECT_FALSE(pane.textEditor()->isReadOnly());
    EXPECT_TRUE(pane.saveButton()->isEnabled());
    EXPECT_FALSE(pane.textEditor()->undoManager()->canUndo());
    EXPECT_EQ(contents(path), css);
    EXPECT_EQ(posted, 0);

    // Opened again and edited, it is written whole.
    appear();
    QTextCursor end(pane.textEditor()->document());
    end.movePosition(QTextCursor::End);
    pane.textEditor()->setTextCursor(end);
    pane.textEditor()->insertText("p { }");
    pane.viewDidDisappear();
    // (The pane writes the text with "\n" line ends.)
    const QByteArray written = contents(path);
    EXPECT_TRUE(written == QByteArray(css).replace("\r\n", "\n") + "p { }") << written.size() << " bytes";
    EXPECT_EQ(posted, 1);
}
