// The tab switcher driven as a person does, through the window's own keys on a real X keyboard:
// Control held down, Tab (or Shift+Tab) pressed again and again, Control let go.
#include "X11TestClient.h"
#include "XvfbServer.h"
#include "platform/tabs/TabView.h"
#include "shell/MainWindowLayout.h"
#include "shell/TVXAppDelegate.h"
#include "shell/TVXDocumentController.h"
#include "shell/TVXDocumentWindowController.h"
#include "shell/TVXSwitchTabsWindowController.h"
#include "shell/TVXTextEditorViewController.h"
#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QScreen>

#include <gtest/gtest.h>

using namespace penwick;

namespace {

class SwitcherKeys : public ::testing::Test {
protected:
    static void SetUpTestSuite() { TVXTextEditorViewController::installAsEditorFactory(); }

    void SetUp() override
    {
        PENWICK_REQUIRE_XVFB();
        delegate.setWindowFactory([this] { return MainWindowLayout::makeDocumentWindow(&delegate); });
        delegate.applicationWillFinishLaunching({ QStringLiteral("Penwick") });
        const QString dir = test::temporaryFolder();
        QStringList paths;
        for (const char* name : { "alpha.md", "beta.md", "gamma.md", "delta.md" }) {
            const QString path = dir + QLatin1Char('/') + QLatin1String(name);
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("# " + QByteArray(name) + "\n");
            paths << path;
        }
        delegate.openPaths(paths);
        ASSERT_EQ(delegate.windowControllers().size(), 1);
        controller = delegate.windowControllers().first();
        ASSERT_EQ(controller->tabItemsCount(), 4);
        controller->window()->setGeometry(40, 40, 1100, 720);
        controller->showWindow();
        ASSERT_TRUE(test::waitUntil([&] { return QApplication::activeWindow() == controller->window(); }));
        // Used in this order: the most recent is delta, then gamma, beta, alpha.
        for (const QString& name : { QStringLiteral("alpha.md"), QStringLiteral("beta.md"), QStringLiteral("gamma.md"), QStringLiteral("delta.md") }) {
            for (TVXDocument* document : controller->documents()) {
                if (document->displayName() == name)
                    controller->switchToDocument(document);
            }
        }
        controller->getActiveEditorTextView()->setFocus();
    }
    void TearDown() override
    {
        // Never leave a key down for the next test.
        keyboard.releaseKey(test::kKeyShift);
        keyboard.releaseKey(test::kKeyControl);
    }

    QString current() const { return controller->document() ? controller->document()->displayName() : QString(); }
    TVXSwitchTabsWindowController* panel() const { return controller->switchTabsController(); }
    bool panelShowsRow(int row) const { return panel() && panel()->isVisible() && panel()->selectedRow() == row; }
    void screenshot(const QString& name)
    {
        QDir().mkpath(QStringLiteral(PENWICK_SCREENSHOT_DIR));
        QApplication::processEvents();
        QGuiApplication::primaryScreen()->grabWindow(0).save(QStringLiteral(PENWICK_SCREENSHOT_DIR "/") + name);
    }

    TVXDocumentController documents;
    TVXAppDelegate delegate { &documents };
    TVXDocumentWindowController* controller = nullptr;
    test::X11TestClient keyboard;
};

} // namespace

TEST_F(SwitcherKeys, EachTabWithControlHeldMovesTheSelectionAndLettingGoChoosesIt)
{
    ASSERT_EQ(current(), QStringLiteral("delta.md"));
    keyboard.pressKey(test::kKeyControl);
    keyboard.pressKeys({ test::kKeyTab });
    ASSERT_TRUE(test::waitUntil([&] { return panelShowsRow(1); })) << "Ctrl+Tab opens the switcher on the tab used before";
    ASSERT_EQ(panel()->numberOfRows(), 4);
    screenshot(QStringLiteral("tab-switcher-row-2.png"));
    keyboard.pressKeys({ test::kKeyTab });
    ASSERT_TRUE(test::waitUntil([&] { return panelShowsRow(2); })) << "Tab again, with Control still held, moves on";
    screenshot(QStringLiteral("tab-switcher-row-3.png"));
    keyboard.pressKeys({ test::kKeyTab });
    ASSERT_TRUE(test::waitUntil([&] { return panelShowsRow(3); }));
    keyboard.pressKeys({ test::kKeyTab });
    ASSERT_TRUE(test::waitUntil([&] { return panelShowsRow(0); })) << "past the last row, the first";
    keyboard.pressKeys({ test::kKeyTab });
    ASSERT_TRUE(test::waitUntil([&] { return panelShowsRow(1); }));
    keyboard.pressKeys({ test::kKeyTab });
    ASSERT_TRUE(test::waitUntil([&] { return panelShowsRow(2); }));
    keyboard.releaseKey(test::kKeyControl);
    // Most recent first: delta, gamma, beta, alpha; the third row is beta.
    ASSERT_TRUE(test::waitUntil([&] { return !panel() && current() == QStringLiteral("beta.md"); }));
}

TEST_F(SwitcherKeys, ControlShiftTabOpensTheSwitcherBackwards)
{
    keyboard.pressKey(test::kKeyControl);
    keyboard.pressKey(test::kKeyShift);
    keyboard.pressKeys({ test::kKeyTab });
    ASSERT_TRUE(test::waitUntil([&] { return panelShowsRow(3); })) << "Ctrl+Shift+Tab opens the switcher on the last row";
    keyboard.pressKeys({ test::kKeyTab });
    ASSERT_TRUE(test::waitUntil([&] { return panelShowsRow(2); })) << "Shift+Tab again moves back";
    keyboard.releaseKey(test::kKeyShift);
    keyboard.pressKeys({ test::kKeyTab });
    ASSERT_TRUE(test::waitUntil([&] { return panelShowsRow(3); })) << "Tab alone moves forward again";
    keyboard.releaseKey(test::kKeyControl);
    ASSERT_TRUE(test::waitUntil([&] { return !panel() && current() == QStringLiteral("alpha.md"); }));
}
