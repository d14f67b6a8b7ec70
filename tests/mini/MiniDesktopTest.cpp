// PenwickMini as a person meets it on an X desktop: a panel that shows its tray item (a fake
// watcher on a private session bus), the global shortcut, clicks in other programs and keys,
// all pressed through XTest.
#include "AppDelegate.h"
#include "AppTracker.h"
#include "CoreSetup.h"
#include "CoreMagicStrings.h"
#include "EventMonitor.h"
#include "LocalEventMonitor.h"
#include "PenwickMiniPreferencesWindowController.h"
#include "PopoverWindow.h"
#include "platform/SingleInstance.h"
#include "ScratchViewController.h"
#include "ContentViewController.h"
#include "QuickPreviewController.h"
#include "ShadowViewController.h"

#include "FakeStatusNotifierWatcher.h"
#include "MiniTestSupport.h"
#include "NoteWriterSupport.h"
#include "PrivateBus.h"
#include "TextEditor/TextEditorView.h"
#include "X11TestClient.h"
#include "XvfbServer.h"
#include "platform/GlobalShortcutBinder.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QWindow>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCursor>
#include <QMenu>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QSet>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

using namespace penwick;
using test::X11TestClient;

namespace {

// Qt asks once per process whether a panel shows tray items, so the fake panel is there before
// the first test and stays to the last.
class PanelEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (test::XvfbServer::current() && test::PrivateBus::session())
            watcher = std::make_unique<test::FakeStatusNotifierWatcher>();
    }
    void TearDown() override { watcher.reset(); }

    static inline std::unique_ptr<test::FakeStatusNotifierWatcher> watcher;
};
[[maybe_unused]] ::testing::Environment* const s_panel = ::testing::AddGlobalTestEnvironment(new PanelEnvironment);

// Counts how often a window is shown.
class ShowCounter : public QObject {
public:
    int shows = 0;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            ++shows;
        return QObject::eventFilter(object, event);
    }
};

// Counts the mouse presses that reach any widget of one window.
class PressCounter : public QObject {
public:
    explicit PressCounter(QWidget* window) : m_window(window) { qApp->installEventFilter(this); }
    int presses = 0;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress && object->isWidgetType()
            && static_cast<QWidget*>(object)->window() == m_window)
            ++presses;
        return QObject::eventFilter(object, event);
    }

private:
    QWidget* m_window;
};

constexpr quint32 kKeyA = 'a';
constexpr quint32 kKeyJ = 'j';
constexpr quint32 kKeyM = 'm';
constexpr quint32 kKeyN = 'n';

class MiniDesktopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PENWICK_REQUIRE_XVFB();
        if (!test::PrivateBus::session())
            GTEST_SKIP() << "needs a private session bus (dbus-daemon did not start)";
        ASSERT_TRUE(client.isConnected());
        ASSERT_TRUE(PanelEnvironment::watcher && PanelEnvironment::watcher->isRegistered());
        test::useAppearance(false);
        defaults().setValue(CoreMagicStrings::PENWICK_MINI_SHORTCUT, QStringLiteral("Ctrl+Alt+M"));
        itemsBefore = PanelEnvironment::watcher->items().size();
        delegate = std::make_unique<AppDelegate>();
        delegate->applicationDidFinishLaunching();
        content = delegate->contentViewController();
        ASSERT_NE(content, nullptr);
        popover = delegate->popover();
        popover->installEventFilter(&showCounter);
        other = client.createWindow({ QStringLiteral("other"), QStringLiteral("Other"), 0, QStringLiteral("Other"), {},
                                      QRect(1000, 500, 300, 300) });
    }
    void TearDown() override
    {
        if (delegate)
            delegate->closePopover();
        delegate.reset();
        defaults().removeObject(CoreMagicStrings::PENWICK_MINI_SHORTCUT);
        RealmSetup::close();
    }
    static platform::UserDefaults& defaults() { return platform::UserDefaults::standard(); }

    // The tray item this test's launch registered with the panel.
    QString trayItem()
    {
        test::waitUntil([&] { return PanelEnvironment::watcher->items().size() > itemsBefore; }, 10000);
        const QStringList items = PanelEnvironment::watcher->items();
        return items.size() > itemsBefore ? items.last() : QString();
    }
    bool waitShown(bool shown) { return test::waitUntil([&] { return popover->isShown() == shown; }, 5000); }
    void press(std::initializer_list<quint32> keys) { client.pressKeys(keys); }
    // Clicks the other program's window; returns once PenwickMini has seen the press (a witness
    // monitor hears the same event right after the popover's own).
    bool clickElsewhere()
    {
        int heard = 0;
        EventMonitor witness(MonitoredEvent::LeftMouseDown, [&](const MonitoredEvent*) { ++heard; });
        witness.start();
        client.movePointer({ 1100, 600 });
        client.clickButton(1);
        return test::waitUntil([&] { return heard == 1; }, 5000);
    }
    // Shows the popover below the pointer, placed well away from the other program's window.
    // Returns once it is on the screen, so that a click on it lands on it.
    void show()
    {
        client.movePointer({ 300, 100 });
        delegate->showPopover();
        ASSERT_TRUE(test::waitUntil([&] { return popover->windowHandle() && popover->windowHandle()->isExposed(); }, 5000));
    }
    // Shows the popover and waits until its editor has the keyboard.
    void showWithKeyboard()
    {
        show();
        ASSERT_TRUE(test::waitUntil(
            [&] { return popover->isActiveWindow() && content->scratchViewController()->textEditor()->hasFocus(); },
            5000));
    }

    X11TestClient client;
    std::unique_ptr<AppDelegate> delegate;
    ContentViewController* content = nullptr;
    PopoverWindow* popover = nullptr;
    ShowCounter showCounter;
    qsizetype itemsBefore = 0;
    quint32 other = 0;
};

TEST_F(MiniDesktopTest, ThePanelsClickOpensThePopoverBelowThePointerAndASecondClosesIt)
{
    qint64 now = 0;
    delegate->setClock([&] { return now; });
    const QString item = trayItem();
    ASSERT_FALSE(item.isEmpty()) << "the tray item registered with the panel";
    EXPECT_FALSE(delegate->statusItem()->icon().isNull());
    EXPECT_EQ(delegate->statusItem()->toolTip(), QStringLiteral("Penwick Mini"));

    client.movePointer({ 600, 300 });
    PanelEnvironment::watcher->activate(item, 600, 300);
    ASSERT_TRUE(waitShown(true));
    EXPECT_FALSE(popover->isDetached());
    // A panel on the bus tells nothing of where the icon is: the popover hangs below the pointer.
    EXPECT_EQ(popover->geometry().top(), 301);
    EXPECT_NEAR(popover->geometry().center().x(), 600, 1);
    EXPECT_TRUE(delegate->globalEventMonitor()->isRunning()) << "the monitors run while it shows";
    EXPECT_TRUE(delegate->escapeEventMonitor()->isRunning());

    now += 10 * QApplication::doubleClickInterval(); // a click of its own
    PanelEnvironment::watcher->activate(item, 600, 300);
    ASSERT_TRUE(waitShown(false));
    EXPECT_FALSE(delegate->globalEventMonitor()->isRunning());
    EXPECT_FALSE(delegate->escapeEventMonitor()->isRunning());
    EXPECT_EQ(showCounter.shows, 1);
}

TEST_F(MiniDesktopTest, TheShortcutOpensAndClosesThePopover)
{
    press({ test::kKeyControl, test::kKeyAlt, kKeyM });
    ASSERT_TRUE(waitShown(true));
    press({ test::kKeyControl, test::kKeyAlt, kKeyM });
    ASSERT_TRUE(waitShown(false));
    EXPECT_EQ(showCounter.shows, 1);
}

TEST_F(MiniDesktopTest, AClickInAnotherProgramClosesItUnlessPinnedOrDetached)
{
    show();
    ASSERT_TRUE(clickElsewhere());
    EXPECT_FALSE(popover->isShown());

    show();
    content->pinButton()->setChecked(true);
    ASSERT_TRUE(clickElsewhere());
    EXPECT_TRUE(popover->isShown()) << "pinned";
    content->pinButton()->setChecked(false);

    popover->detach();
    ASSERT_TRUE(clickElsewhere());
    EXPECT_TRUE(popover->isShown()) << "detached";
    delegate->closePopover();

    // A press on the popover itself is no click elsewhere. (A raw press has no position: the
    // pointer's when PenwickMini reads it stands for it, so the test lets it read each press.)
    show();
    PressCounter pressesOnPopover(popover);
    client.movePointer(popover->geometry().center());
    client.clickButton(1);
    ASSERT_TRUE(test::waitUntil([&] { return pressesOnPopover.presses == 1; }, 5000));
    EXPECT_TRUE(popover->isShown());
    ASSERT_TRUE(clickElsewhere());
    EXPECT_FALSE(popover->isShown());
}

TEST_F(MiniDesktopTest, EscapeClosesItAndOtherKeysReachTheEditor)
{
    showWithKeyboard();
    press({ kKeyA });
    TextEditorView* editor = content->scratchViewController()->textEditor();
    ASSERT_TRUE(test::waitUntil([&] { return editor->toPlainText() == QStringLiteral("a"); }, 5000));
    EXPECT_TRUE(popover->isShown());
    press({ test::kKeyEscape });
    ASSERT_TRUE(waitShown(false));
}

TEST_F(MiniDesktopTest, ARecordedShortcutReplacesTheOldOne)
{
    show();
    content->showPreferences();
    EXPECT_FALSE(popover->isShown()) << "the preferences close the popover first";
    showCounter.shows = 0;
    PenwickMiniPreferencesWindowController* preferences = content->preferencesWindow();
    ASSERT_NE(preferences, nullptr);
    QKeySequenceEdit* recorder = preferences->penwickShortcutView();
    EXPECT_EQ(recorder->keySequence().toString(QKeySequence::PortableText), QStringLiteral("Ctrl+Alt+M"));
    preferences->activateWindow();
    recorder->setFocus();
    ASSERT_TRUE(test::waitUntil([&] { return recorder->hasFocus() && preferences->isActiveWindow(); }, 5000));

    press({ test::kKeyControl, test::kKeyAlt, kKeyN });
    ASSERT_TRUE(test::waitUntil(
        [&] { return defaults().stringForKey(CoreMagicStrings::PENWICK_MINI_SHORTCUT) == QStringLiteral("Ctrl+Alt+N"); },
        5000));
    preferences->close();
    {
        // Another client may take the old combination (its grab ends with its connection).
        X11TestClient another;
        EXPECT_TRUE(another.grabKey(kKeyM, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1)) << "the old combination is released";
    }

    // The old combination first, then the new: only the new one toggles.
    press({ test::kKeyControl, test::kKeyAlt, kKeyM });
    press({ test::kKeyControl, test::kKeyAlt, kKeyN });
    ASSERT_TRUE(waitShown(true));
    EXPECT_EQ(showCounter.shows, 1);
}

// A panel on the bus sends its own press on another window before the activation, and a double
// click as two activations with a press between: each click toggles the popover once.
TEST_F(MiniDesktopTest, EachClickOnThePanelsIconTogglesOnce)
{
    qint64 now = 0;
    delegate->setClock([&] { return now; });
    const QString item = trayItem();
    ASSERT_FALSE(item.isEmpty());
    int activations = 0;
    QObject::connect(delegate->statusItem(), &QSystemTrayIcon::activated, [&] { ++activations; });
    const auto click = [&](bool panelPress) {
        const int before = activations;
        if (panelPress) {
            EXPECT_TRUE(clickElsewhere());
        }
        client.movePointer({ 600, 300 });
        PanelEnvironment::watcher->activate(item, 600, 300);
        EXPECT_TRUE(test::waitUntil([&] { return activations == before + 1; }, 5000));
    };
    const int pause = 10 * QApplication::doubleClickInterval();

    click(true);
    EXPECT_TRUE(popover->isShown());
    now += pause;
    click(true);
    EXPECT_FALSE(popover->isShown()) << "the panel's press closed it, and the activation of that click did not reopen it";
    now += pause;
    click(true);
    now += 50;
    click(true);
    EXPECT_TRUE(popover->isShown()) << "a double click opens it once";
    now += pause;
    click(false);
    EXPECT_FALSE(popover->isShown()) << "a click on its own closes it";
}

TEST_F(MiniDesktopTest, EscapeInAnOpenMenuOrListClosesOnlyThat)
{
    showWithKeyboard();
    QMenu* menu = content->menuButton()->menu();
    ASSERT_NE(menu, nullptr);
    menu->popup(popover->mapToGlobal(QPoint(20, 40)));
    ASSERT_TRUE(test::waitUntil([&] { return QApplication::activePopupWidget() == menu && menu->windowHandle()->isExposed(); }, 5000));
    press({ test::kKeyEscape });
    ASSERT_TRUE(test::waitUntil([&] { return !menu->isVisible(); }, 5000));
    EXPECT_TRUE(popover->isShown()) << "Escape closed the menu only";

    QComboBox* list = content->shadowViewController()->shadowListPopUpBtn();
    content->switchMode(int(ContentMode::Shadow));
    // A list to open, whatever the program.
    list->addItem(QStringLiteral("an entry"));
    list->setEnabled(true);
    list->showPopup();
    QWidget* open = list->view()->window();
    ASSERT_TRUE(test::waitUntil([&] { return QApplication::activePopupWidget() == open && open->windowHandle()->isExposed(); }, 5000));
    press({ test::kKeyEscape });
    ASSERT_TRUE(test::waitUntil([&] { return !open->isVisible(); }, 5000));
    EXPECT_TRUE(popover->isShown()) << "Escape closed the list only";

    press({ test::kKeyEscape });
    ASSERT_TRUE(waitShown(false));
}

TEST_F(MiniDesktopTest, ADetachedPopoverFollowsTheDrag)
{
    show();
    const QRect before = popover->geometry();
    const QPoint grip = before.topLeft() + QPoint(before.width() / 2, PopoverWindow::kStripHeight / 2);
    client.movePointer(grip);
    client.pressButton(1);
    client.movePointer(grip + QPoint(20, 20));
    ASSERT_TRUE(test::waitUntil([&] { return popover->isDetached(); }, 5000));
    for (const QPoint step : { QPoint(120, 80), QPoint(260, 200) }) {
        client.movePointer(grip + step);
        EXPECT_TRUE(test::waitUntil([&] { return (popover->geometry().topLeft() - (before.topLeft() + step)).manhattanLength() <= 4; }, 5000))
            << "at " << popover->geometry().x() << "," << popover->geometry().y() << " for a drag by " << step.x() << "," << step.y();
    }
    client.releaseButton(1);
    client.sync();
    const QPoint dropped = popover->geometry().topLeft();
    // A click elsewhere moves the pointer away; once PenwickMini heard it, it saw the move too.
    ASSERT_TRUE(clickElsewhere());
    EXPECT_EQ(popover->geometry().topLeft(), dropped) << "let go, it stays where it was dropped";
    delegate->closePopover();
}

// Pressing the shortcut while the recorder records records it (the grab would take the key and
// leave the recorder the modifiers alone, an empty shortcut), and it works again afterwards.
TEST_F(MiniDesktopTest, TheShortcutPressedWhileRecordingIsRecordedAndStays)
{
    content->showPreferences();
    PenwickMiniPreferencesWindowController* preferences = content->preferencesWindow();
    ASSERT_NE(preferences, nullptr);
    QKeySequenceEdit* recorder = preferences->penwickShortcutView();
    preferences->activateWindow();
    ASSERT_TRUE(test::waitUntil([&] { return preferences->isActiveWindow(); }, 5000));
    EXPECT_FALSE(recorder->hasFocus()) << "the recorder records only once the user turns to it";

    recorder->setFocus();
    ASSERT_TRUE(test::waitUntil([&] { return recorder->hasFocus(); }, 5000));
    int finished = 0;
    QObject::connect(recorder, &QKeySequenceEdit::editingFinished, [&] { ++finished; });
    press({ test::kKeyControl, test::kKeyAlt, kKeyM });
    ASSERT_TRUE(test::waitUntil([&] { return finished >= 1; }, 5000));
    EXPECT_EQ(defaults().stringForKey(CoreMagicStrings::PENWICK_MINI_SHORTCUT), QStringLiteral("Ctrl+Alt+M"));
    EXPECT_EQ(recorder->keySequence().toString(QKeySequence::PortableText), QStringLiteral("Ctrl+Alt+M"));
    EXPECT_FALSE(popover->isShown()) << "recorded, not taken by the grab";
    EXPECT_FALSE(recorder->hasFocus()) << "one combination per recording";
    EXPECT_TRUE(delegate->shortcutBinder()->isBound());

    // Modifiers alone record nothing and leave the shortcut as it was.
    recorder->setFocus();
    ASSERT_TRUE(test::waitUntil([&] { return recorder->hasFocus(); }, 5000));
    const int before = finished;
    press({ test::kKeyControl, test::kKeyAlt });
    ASSERT_TRUE(test::waitUntil([&] { return finished > before; }, 5000));
    EXPECT_EQ(defaults().stringForKey(CoreMagicStrings::PENWICK_MINI_SHORTCUT), QStringLiteral("Ctrl+Alt+M"));

    preferences->close();
    press({ test::kKeyControl, test::kKeyAlt, kKeyM });
    ASSERT_TRUE(waitShown(true));
}

TEST_F(MiniDesktopTest, ACombinationHeldElsewhereShowsItsErrorBesideTheRecorder)
{
    // Another program holds Ctrl+Alt+J: its presses never reach the recorder, but a stored value
    // (or one written by Penwick's preferences) may name it.
    X11TestClient holder;
    ASSERT_TRUE(holder.grabKey(kKeyJ, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));
    content->showPreferences();
    PenwickMiniPreferencesWindowController* preferences = content->preferencesWindow();
    ASSERT_NE(preferences, nullptr);
    EXPECT_FALSE(preferences->errorLabel()->isVisible()) << "Ctrl+Alt+M was free";

    defaults().setValue(CoreMagicStrings::PENWICK_MINI_SHORTCUT, QStringLiteral("Ctrl+Alt+J"));
    QLabel* label = preferences->errorLabel();
    EXPECT_TRUE(label->isVisible());
    EXPECT_TRUE(label->text().contains(QStringLiteral("Ctrl+Alt+J"))) << label->text().toStdString();
    // The whole reason shows: the window is tall enough for the wrapped lines.
    ASSERT_TRUE(test::waitUntil(
        [&] { return label->height() >= label->heightForWidth(label->width()) && label->geometry().bottom() < preferences->height(); },
        5000))
        << label->height() << " < " << label->heightForWidth(label->width()) << " in a window " << preferences->width() << "x"
        << preferences->height();
    EXPECT_GT(label->heightForWidth(label->width()), label->fontMetrics().height()) << "the reason takes more than one line";

    // Opened again, the preferences still say why the shortcut does nothing.
    preferences->close();
    content->showPreferences();
    ASSERT_NE(content->preferencesWindow(), nullptr);
    EXPECT_TRUE(content->preferencesWindow()->errorLabel()->isVisible());
}

// The launch takes every step, Penwick's default settings first: the ratio of the defaults file
// in the resources folder sizes the popover as it is made.
TEST(MiniLaunch, EveryStepIsTakenWithPenwicksDefaultsBeforeThePopover)
{
    PENWICK_REQUIRE_XVFB();
    test::useAppearance(false);
    auto folders = std::make_unique<test::PrivateFolders>();
    test::PrivateFolders::write(folders->resources + QStringLiteral("/Defaults.plist"),
                                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                                "<key>miniSizeRatio</key><real>1.25</real>"
                                "<key>penwickMiniShortcut</key><string></string>"
                                "<key>autoInsertSourcePath</key><true/></dict></plist>\n",
                                false);
    RealmSetup::close();
    AppTracker::sharedInstance().stopTracking();
    ASSERT_FALSE(RealmSetup::isAvailable());

    {
        AppDelegate delegate;
        delegate.applicationDidFinishLaunching();
        EXPECT_EQ(platform::UserDefaults::standard().object(QStringLiteral("autoInsertSourcePath")), QVariant(true))
            << "Penwick's defaults are registered";
        EXPECT_EQ(delegate.popover()->size(), QSize(425, 500)) << "before the popover was made";
        EXPECT_TRUE(RealmSetup::isAvailable()) << "the database is open";
        EXPECT_TRUE(AppTracker::sharedInstance().isTracking());
        EXPECT_NE(delegate.statusItem(), nullptr);
        ASSERT_NE(delegate.globalEventMonitor(), nullptr);
        EXPECT_FALSE(delegate.globalEventMonitor()->isRunning()) << "monitors wait for the popover";
        EXPECT_FALSE(delegate.escapeEventMonitor()->isRunning());
        ASSERT_NE(delegate.shortcutBinder(), nullptr);

        // The first page that shows stores into the open database.
        ASSERT_FALSE(Realm::write([](RealmTransaction& tx) { tx.removeAll<ScratchDocument>(); }).has_value());
        delegate.showPopover();
        delegate.contentViewController()->scratchViewController()->textEditor()->insertText(QStringLiteral("first"));
        delegate.closePopover();
        ASSERT_TRUE(test::waitForNotesWritten());
        const auto notes = ScratchDocument::fetchAllItems();
        ASSERT_EQ(notes.size(), 1);
        EXPECT_EQ(notes[0].content(), QStringLiteral("first"));
        delegate.applicationWillTerminate();
        EXPECT_FALSE(AppTracker::sharedInstance().isTracking());
    }
    RealmSetup::close();
    folders.reset();
    registerBundledDefaults();
}

// The screen's picture of the popover, saved for a person to look at.
QImage popoverShot(PopoverWindow* popover, const QString& name)
{
    QDir().mkpath(QStringLiteral(PENWICK_SCREENSHOT_DIR));
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage().copy(popover->frameGeometry());
    shot.save(QStringLiteral(PENWICK_SCREENSHOT_DIR "/") + name);
    return shot;
}

// The share of pixels darker than mid-grey.
double darkShare(const QImage& image)
{
    qint64 dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            dark += qGray(image.pixel(x, y)) < 96;
    return image.isNull() ? 0.0 : double(dark) / (double(image.width()) * image.height());
}

// How many distinct colours the picture holds: a drawn page has many, a blank one few.
int colourCount(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return int(colours.size());
}

TEST_F(MiniDesktopTest, ThePanelOpensThePopoverOnTheUntitledScratchPageWithItsControls)
{
    const QString item = trayItem();
    ASSERT_FALSE(item.isEmpty());
    client.movePointer({ 400, 40 });
    PanelEnvironment::watcher->activate(item, 400, 40);
    ASSERT_TRUE(waitShown(true));
    ASSERT_TRUE(test::waitUntil([&] { return popover->windowHandle()->isExposed(); }, 5000));
    EXPECT_TRUE(content->scratchViewController()->titleField()->text().startsWith(QStringLiteral("Untitled - ")));
    EXPECT_TRUE(content->switchModeSegmentedBtn()->isVisible());
    EXPECT_TRUE(content->pinButton()->isVisible());
    EXPECT_TRUE(content->menuButton()->isVisible());
    QApplication::processEvents();
    const QImage shot = popoverShot(popover, QStringLiteral("mini-popover.png"));
    EXPECT_GT(colourCount(shot), 20) << "the popover is drawn";
}

TEST_F(MiniDesktopTest, TheDarkScratchPageHighlightsMarkdownAndItsPreviewIsDarkToo)
{
    test::useAppearance(true)->report(true);
    showWithKeyboard();
    ScratchViewController* scratch = content->scratchViewController();
    scratch->textEditor()->insertText(QStringLiteral(
        "# Trip to the coast\n\nPack **boots**, a *map* and `sunscreen`.\n\n- [x] book the train\n- [ ] call Anna\n\n"
        "> Leave early.\n\nSee [the timetable](https://example.invalid/trains).\n"));
    EXPECT_EQ(scratch->appliedStyle(), QStringLiteral("DarkTheme"));
    // Back at the top, the highlighter marks the heading in the theme's heading colour (blocks
    // are styled as they come into view).
    TextEditorView* editor = scratch->textEditor();
    editor->setSelectedRange({ 0, 0 });
    editor->ensureCursorVisible();
    const auto headingColoured = [&] {
        for (const QTextLayout::FormatRange& range : editor->document()->firstBlock().layout()->formats())
            if (range.format.foreground().color() == QColor(0x89, 0xC2, 0xFF) && range.format.fontWeight() == QFont::Bold)
                return true;
        return false;
    };
    ASSERT_TRUE(test::waitUntil(headingColoured, 10000)) << "the Markdown is highlighted";
    QApplication::processEvents();
    const QImage page = popoverShot(popover, QStringLiteral("mini-scratch-dark.png"));
    EXPECT_GT(darkShare(page), 0.6) << "the dark theme";
    EXPECT_GT(colourCount(page), 20);

    bool loaded = false;
    QObject::connect(content->previewController()->previewView(), &QWebEngineView::loadFinished, [&] { loaded = true; });
    content->togglePreview(true);
    ASSERT_TRUE(test::waitUntil([&] { return loaded; }, 60000));
    // The page is on the screen once the view has drawn a frame after the load.
    QImage preview;
    ASSERT_TRUE(test::waitUntil(
        [&] {
            preview = popoverShot(popover, QStringLiteral("mini-preview-dark.png"));
            return darkShare(preview) > 0.6 && colourCount(preview) > 20;
        },
        20000))
        << "dark share " << darkShare(preview) << ", colours " << colourCount(preview);
    delegate->closePopover();
}

TEST_F(MiniDesktopTest, TheShadowPageListsTheProgramAndTheFilesItsScriptReported)
{
    // A home of the test's own with a script for one program and the files it names.
    const QString home = test::temporaryFolder();
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", home.toLocal8Bit());
    QDir().mkpath(home + QStringLiteral("/notes"));
    for (const char* name : { "packing.md", "itinerary.md", "budget.md" }) {
        QFile file(home + QStringLiteral("/notes/") + QString::fromLatin1(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("# notes\n");
    }
    const QString identifier = QStringLiteral("org.example.Writer");
    test::PrivateFolders::write(home + QStringLiteral("/.penwick/ShadowScripts/") + identifier + QStringLiteral(".sh"),
                                "#!/bin/sh\necho '[{\"title\":\"packing.md\",\"path\":\"" + home.toUtf8()
                                    + "/notes/packing.md\"},{\"title\":\"itinerary.md\",\"path\":\"" + home.toUtf8()
                                    + "/notes/itinerary.md\",\"active\":true},{\"title\":\"budget.md\",\"path\":\""
                                    + home.toUtf8() + "/notes/budget.md\"}]'\n");
    // The scripts are collected as the page is made: a fresh launch.
    delegate.reset();
    delegate = std::make_unique<AppDelegate>();
    delegate->applicationDidFinishLaunching();
    content = delegate->contentViewController();
    popover = delegate->popover();

    QProcess program;
    program.start(QStringLiteral("sleep"), { QStringLiteral("60") });
    ASSERT_TRUE(program.waitForStarted(5000));
    RunningApplication app;
    app.pid = program.processId();
    app.identifier = identifier;
    app.localizedName = QStringLiteral("Example Writer");
    app.executablePath = QFileInfo(QStringLiteral("/proc/%1/exe").arg(app.pid)).symLinkTarget();
    app.windowTitle = QStringLiteral("itinerary.md - Example Writer");
    AppTracker::sharedInstance().setCurrentApp(app);
    content->switchMode(int(ContentMode::Shadow));
    show();

    ShadowViewController* shadow = content->shadowViewController();
    ASSERT_TRUE(test::waitUntil([&] { return !shadow->isListing(); }, 10000));
    QStringList entries;
    for (int i = 0; i < shadow->shadowListPopUpBtn()->count(); ++i)
        entries << shadow->shadowListPopUpBtn()->itemText(i);
    EXPECT_EQ(entries, (QStringList { QStringLiteral("Example Writer"), QStringLiteral("packing.md"),
                                      QStringLiteral("itinerary.md"), QStringLiteral("budget.md") }));
    EXPECT_EQ(shadow->shadowListPopUpBtn()->currentIndex(), 2);
    EXPECT_EQ(shadow->pathLbl()->text(), QStringLiteral("~/notes/itinerary.md"));
    EXPECT_FALSE(shadow->appIconImageView()->pixmap().isNull()) << "the file's icon";
    QApplication::processEvents();
    const QImage shot = popoverShot(popover, QStringLiteral("mini-shadow.png"));
    EXPECT_GT(colourCount(shot), 20);
    // The list open, as a person sees it when choosing a document.
    QComboBox* list = shadow->shadowListPopUpBtn();
    list->showPopup();
    QWidget* open = list->view()->window();
    ASSERT_TRUE(test::waitUntil([&] { return open->windowHandle() && open->windowHandle()->isExposed(); }, 5000));
    QApplication::processEvents();
    QGuiApplication::primaryScreen()->grabWindow(0).toImage().copy(popover->frameGeometry().united(open->frameGeometry()))
        .save(QStringLiteral(PENWICK_SCREENSHOT_DIR "/mini-shadow-list.png"));
    list->hidePopup();

    delegate->closePopover();
    AppTracker::sharedInstance().setCurrentApp(std::nullopt);
    program.kill();
    program.waitForFinished(5000);
    qputenv("HOME", savedHome);
}

// PenwickMini itself on the desktop, in folders of the test's own: a second start shows or hides
// the running one's popover and ends; a quit message stores what was typed and ends it cleanly.
TEST(MiniProgramOnTheDesktop, ASecondStartTogglesTheRunningOneAndAQuitSavesWhatWasTyped)
{
    PENWICK_REQUIRE_XVFB();
    X11TestClient client;
    ASSERT_TRUE(client.isConnected());
    QProcessEnvironment environment = test::environmentWithOwnFolders(test::temporaryFolder(),
        { "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "HOME" });
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    const auto start = [&](QProcess& process) {
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(PENWICK_MINI_PROGRAM), {});
        return process.waitForStarted(10000);
    };
    // A later start: it hands its message to the running one and ends with status 0.
    const auto startAgain = [&] {
        QProcess again;
        return start(again) && again.waitForFinished(30000) && again.exitStatus() == QProcess::NormalExit
            && again.exitCode() == 0;
    };

    QProcess first;
    ASSERT_TRUE(start(first));
    const QString socket = environment.value(QStringLiteral("XDG_RUNTIME_DIR")) + QStringLiteral("/penwick-mini");
    ASSERT_TRUE(test::waitUntil([&] { return QFileInfo::exists(socket); }, 30000))
        << first.readAllStandardOutput().toStdString() << first.readAllStandardError().toStdString();
    EXPECT_FALSE(client.hasViewableWindowOf(first.processId())) << "the popover waits to be asked for";

    ASSERT_TRUE(startAgain());
    ASSERT_TRUE(test::waitUntil([&] { return client.hasViewableWindowOf(first.processId()); }, 10000)) << "shown";
    ASSERT_TRUE(startAgain());
    ASSERT_TRUE(test::waitUntil([&] { return !client.hasViewableWindowOf(first.processId()); }, 10000)) << "hidden";
    ASSERT_TRUE(startAgain());
    ASSERT_TRUE(test::waitUntil([&] { return client.hasViewableWindowOf(first.processId()); }, 10000)) << "shown again";
    ASSERT_TRUE(test::waitUntil([&] { return client.focusedProcess() == first.processId(); }, 10000))
        << "the popover takes the keyboard";
    // The typed word is drawn once the program has read the keys: a condition to wait on, since
    // the quit message below comes by another channel and could overtake them.
    const auto ink = [] {
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        int dark = 0;
        for (int y = 0; y < screen.height(); ++y)
            for (int x = 0; x < screen.width(); ++x)
                dark += qGray(screen.pixel(x, y)) < 100;
        return dark;
    };
    const int inkBefore = ink();
    for (const quint32 key : { 'n', 'o', 't', 'e' })
        client.pressKeys({ key });
    ASSERT_TRUE(test::waitUntil([&] { return ink() > inkBefore + 60; }, 10000)) << "the typed word shows";

    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", environment.value(QStringLiteral("XDG_RUNTIME_DIR")).toLocal8Bit());
    const bool sent = platform::SingleInstance::sendMessage(CoreMagicStrings::PENWICK_MINI_INSTANCE_NAME,
                                                            CoreMagicStrings::PENWICK_MINI_QUIT_MESSAGE);
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
    EXPECT_TRUE(sent);
    ASSERT_TRUE(first.waitForFinished(30000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);

    ASSERT_TRUE(RealmSetup::setupInFolder(environment.value(QStringLiteral("XDG_DATA_HOME")) + QStringLiteral("/Penwick")));
    const auto notes = ScratchDocument::fetchAllItems();
    RealmSetup::close();
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes[0].content(), QStringLiteral("note"));
}

} // namespace
