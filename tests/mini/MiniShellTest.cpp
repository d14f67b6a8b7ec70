#include "AppDelegate.h"
#include "EventMonitor.h"
#include "LocalEventMonitor.h"
#include "MiniPrefs.h"
#include "PopoverWindow.h"
#include "ScratchViewController.h"
#include "ShadowViewController.h"
#include "CoreMagicStrings.h"
#include "platform/SingleInstance.h"

#include "MiniTestSupport.h"
#include "NoteWriterSupport.h"
#include "StartingInstance.h"
#include "TextEditor/TextEditorView.h"
#include "platform/UserDefaults.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QApplication>
#include <QStackedWidget>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace penwick;

namespace {

TEST(MiniSize, FollowsTheRatio)
{
    EXPECT_EQ(AppDelegate::sizeForRatio(1.5), QSize(510, 600));
    EXPECT_EQ(AppDelegate::sizeForRatio(1.0), QSize(340, 400));
    EXPECT_EQ(AppDelegate::sizeForRatio(2), QSize(680, 800));
    EXPECT_FALSE(AppDelegate::sizeForRatio(QStringLiteral("1.5")).has_value());
    EXPECT_FALSE(AppDelegate::sizeForRatio(QVariant()).has_value());
}

class MiniShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::useAppearance(false);
        delegate.applicationDidFinishLaunching();
        content = delegate.contentViewController();
        ASSERT_NE(content, nullptr);
        // The programs' one database, emptied for each test.
        ASSERT_FALSE(Realm::write([](RealmTransaction& tx) { tx.removeAll<ScratchDocument>(); }).has_value());
    }
    void TearDown() override
    {
        delegate.closePopover();
        platform::UserDefaults::standard().removeObject(MiniPrefs::WINDOW_SIZE_RATIO);
        RealmSetup::close();
    }
    static void press(int key)
    {
        MonitoredEvent event;
        event.type = MonitoredEvent::KeyDown;
        event.key = key;
        s_delegate->handleMonitoredEvent(&event);
    }

    AppDelegate delegate;
    ContentViewController* content = nullptr;
    static inline AppDelegate* s_delegate = nullptr;
};

TEST_F(MiniShellTest, TheRatioAppliesAtLaunchAndOnChange)
{
    EXPECT_EQ(delegate.popover()->size(), QSize(340, 400)) << "the registered default 1.0";
    platform::UserDefaults::standard().setValue(MiniPrefs::WINDOW_SIZE_RATIO, 1.5);
    EXPECT_EQ(delegate.popover()->size(), QSize(510, 600));
    platform::UserDefaults::standard().setValue(MiniPrefs::WINDOW_SIZE_RATIO, QStringLiteral("2"));
    EXPECT_EQ(delegate.popover()->size(), QSize(510, 600)) << "a string changes nothing";

    platform::UserDefaults::standard().setValue(MiniPrefs::WINDOW_SIZE_RATIO, 1.5);
    AppDelegate second;
    second.applicationDidFinishLaunching();
    EXPECT_EQ(second.popover()->size(), QSize(510, 600)) << "the stored ratio counts at launch";
}

TEST_F(MiniShellTest, TogglingOpensAndCloses)
{
    EXPECT_FALSE(delegate.popover()->isShown());
    delegate.togglePopover();
    EXPECT_TRUE(delegate.popover()->isShown());
    EXPECT_TRUE(delegate.escapeEventMonitor()->isRunning()) << "the monitors run while it shows";
    delegate.togglePopover();
    EXPECT_FALSE(delegate.popover()->isShown());
    EXPECT_FALSE(delegate.escapeEventMonitor()->isRunning());
}

TEST_F(MiniShellTest, EscapeAndClicksElsewhereCloseUnlessPinnedOrDetached)
{
    s_delegate = &delegate;
    delegate.showPopover();
    press(Qt::Key_A);
    EXPECT_TRUE(delegate.popover()->isShown()) << "other keys reach the editor";
    press(Qt::Key_Escape);
    EXPECT_FALSE(delegate.popover()->isShown());

    delegate.showPopover();
    content->pinButton()->setChecked(true);
    MonitoredEvent click;
    delegate.handleMonitoredEvent(&click);
    press(Qt::Key_Escape);
    EXPECT_TRUE(delegate.popover()->isShown()) << "pinned";
    content->pinButton()->setChecked(false);
    delegate.popover()->detach();
    delegate.handleMonitoredEvent(&click);
    EXPECT_TRUE(delegate.popover()->isShown()) << "detached";
    delegate.closePopover();
    delegate.showPopover();
    EXPECT_FALSE(delegate.popover()->isDetached()) << "it hangs from the tray again";
    delegate.handleMonitoredEvent(&click);
    EXPECT_FALSE(delegate.popover()->isShown());
}

TEST_F(MiniShellTest, ModesPreviewAndSave)
{
    delegate.showPopover();
    content->switchMode(int(ContentMode::Shadow));
    EXPECT_EQ(content->contentTabView()->currentWidget(), content->shadowViewController());
    content->togglePreview(true);
    EXPECT_EQ(content->activeContentMode(), ContentMode::Preview);
    EXPECT_FALSE(content->switchModeSegmentedBtn()->isVisible());
    EXPECT_FALSE(content->saveNoteAction()->isEnabled()) << "nothing to save in the preview";
    EXPECT_TRUE(content->closePreviewButton()->isVisible());
    content->closePreviewButton()->click();
    EXPECT_EQ(content->activeContentMode(), ContentMode::Shadow);
    EXPECT_TRUE(content->switchModeSegmentedBtn()->isVisible());
    EXPECT_FALSE(content->closePreviewButton()->isVisible());

    content->switchMode(int(ContentMode::Scratch));
    EXPECT_FALSE(content->saveNoteAction()->isEnabled()) << "a transient note";
    content->scratchViewController()->textEditor()->insertText(QStringLiteral("typed"));
    EXPECT_TRUE(content->saveNoteAction()->isEnabled());
    content->saveNoteAction()->trigger();
    ASSERT_TRUE(test::waitForNotesWritten());
    ASSERT_EQ(ScratchDocument::fetchAllItems().size(), 1);

    delegate.closePopover();
    delegate.showPopover();
    EXPECT_EQ(content->activeContentMode(), ContentMode::Scratch) << "the mode survives closing";
}

TEST_F(MiniShellTest, OpeningPenwickClosesThePopoverOnlyWhenItStarted)
{
    QString started;
    bool succeed = false;
    content->setLauncher([&](const QString& program) {
        started = program;
        return succeed;
    });
    delegate.showPopover();
    {
        test::StdoutCapture output;
        EXPECT_FALSE(content->openPenwick());
        EXPECT_TRUE(output.text().startsWith(QStringLiteral("Error: Error starting Penwick"))) << output.text().toStdString();
    }
    EXPECT_TRUE(delegate.popover()->isShown());
    EXPECT_TRUE(started.endsWith(QStringLiteral("/Penwick")));
    succeed = true;
    EXPECT_TRUE(content->openPenwick());
    EXPECT_FALSE(delegate.popover()->isShown());
}

TEST_F(MiniShellTest, AFailedSaveFromTheMenuIsLoggedAsAnError)
{
    delegate.showPopover();
    content->switchMode(int(ContentMode::Scratch));
    content->scratchViewController()->textEditor()->insertText(QStringLiteral("unsaved"));
    RealmSetup::close();
    test::StdoutCapture output;
    content->saveNoteAction()->trigger();
    EXPECT_TRUE(output.text().startsWith(QStringLiteral("Error: Error saving note: "))) << output.text().toStdString();
}

TEST_F(MiniShellTest, PreferencesCloseThePopoverFirst)
{
    delegate.showPopover();
    content->showPreferences();
    EXPECT_FALSE(delegate.popover()->isShown());
    ASSERT_NE(content->preferencesWindow(), nullptr);
    EXPECT_TRUE(content->preferencesWindow()->isVisible());
}

TEST_F(MiniShellTest, QuittingSavesTheShownNote)
{
    delegate.showPopover();
    content->scratchViewController()->textEditor()->insertText(QStringLiteral("last words"));
    delegate.handleMessage("quit");
    EXPECT_FALSE(delegate.popover()->isShown());
    ASSERT_TRUE(test::waitForNotesWritten());
    const auto notes = ScratchDocument::fetchAllItems();
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes[0].content(), QStringLiteral("last words"));
}

} // namespace

namespace {

// PenwickMini itself, in folders of the test's own.
TEST(MiniProgram, ASecondStartTogglesTheFirstAndQuitSavesAndEnds)
{
    QProcessEnvironment environment = test::environmentWithOwnFolders(test::temporaryFolder(),
        { "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "HOME" });
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", environment.value(QStringLiteral("XDG_RUNTIME_DIR")).toLocal8Bit());

    QProcess first;
    first.setProcessEnvironment(environment);
    first.start(QStringLiteral(PENWICK_MINI_PROGRAM), {});
    ASSERT_TRUE(first.waitForStarted(10000));
    const QString socket = environment.value(QStringLiteral("XDG_RUNTIME_DIR")) + QStringLiteral("/penwick-mini");
    ASSERT_TRUE(test::waitUntil([&] { return QFileInfo::exists(socket); }, 30000))
        << first.readAllStandardOutput().toStdString() << first.readAllStandardError().toStdString();

    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral(PENWICK_MINI_PROGRAM), {});
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running) << "the first one stays";

    EXPECT_TRUE(platform::SingleInstance::handOver(CoreMagicStrings::PENWICK_MINI_INSTANCE_NAME, "quit"));
    ASSERT_TRUE(first.waitForFinished(30000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
}

TEST(MiniProgram, ASecondStartWaitsForACopyThatIsStillStartingAndTogglesIt)
{
    QProcessEnvironment environment = test::environmentWithOwnFolders(test::temporaryFolder(),
        { "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "HOME" });
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    test::StartingInstance first(environment.value(QStringLiteral("XDG_RUNTIME_DIR")), CoreMagicStrings::PENWICK_MINI_INSTANCE_NAME);
    ASSERT_TRUE(first.isReady());

    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral(PENWICK_MINI_PROGRAM), {});
    ASSERT_TRUE(second.waitForStarted(10000));
    QByteArray errors;
    ASSERT_TRUE(test::waitUntil([&] { return first.messages().size() == 1; }, 60000));
    // Past the moment when a second start once gave up, with nothing toggled.
    ASSERT_TRUE(test::waitUntil([&] {
        second.readAllStandardOutput();
        errors += second.readAllStandardError();
        return errors.contains("waiting for it");
    }, 60000)) << errors.toStdString();
    EXPECT_EQ(second.state(), QProcess::Running);

    first.answer();
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.messages(), QList<QByteArray> { CoreMagicStrings::PENWICK_MINI_TOGGLE_MESSAGE }) << "sent once";
}

} // namespace
