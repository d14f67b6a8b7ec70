// On a real X server with no window manager to hand the focus on: the panel, closed from the
// keyboard, gives the keyboard back to its document window, so its shortcuts work again.
#include "tools/TVXQuickOpenDelegate.h"
#include "tools/TVXQuickOpenWindowController.h"
#include "TestSupport.h"
#include "XvfbServer.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMainWindow>
#include <QTest>

#include <gtest/gtest.h>

using namespace penwick;
using penwick::test::waitUntil;

namespace {

class PathRecorder : public TVXQuickOpenDelegate {
public:
    void pathDidSelectForQuickOpen(const QString& path) override { paths.append(path); }
    QStringList paths;
};

} // namespace

TEST(QuickOpenFocus, ClosedFromTheKeyboardThePanelGivesTheKeyboardBackToItsWindow)
{
    PENWICK_REQUIRE_XVFB();
    const QString root = test::temporaryFolder();
    QFile(root + QStringLiteral("/notes.md")).open(QIODevice::WriteOnly);

    QMainWindow window;
    window.setCentralWidget(new QLineEdit);
    window.setGeometry(100, 100, 600, 400);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == &window; }));

    PathRecorder chosen;
    auto* panel = new TVXQuickOpenWindowController({ root }, [] { return TVXQuickSearchService::IgnoreTest(); }, &window);
    panel->setDelegate(&chosen);
    for (const bool open : { false, true }) {
        SCOPED_TRACE(open ? "Return on a row" : "Escape");
        panel->showWindowWithParentWindowLocation(QPoint(400, 120));
        ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == panel; }));
        if (open) {
            panel->searchTextField()->setText(QStringLiteral("notes"));
            ASSERT_TRUE(waitUntil([&] { return panel->numberOfRows() == 1; }));
            QTest::keyClick(panel->searchTextField(), Qt::Key_Down);
            QTest::keyClick(panel->searchTextField(), Qt::Key_Return);
        } else {
            QTest::keyClick(panel->searchTextField(), Qt::Key_Escape);
        }
        EXPECT_FALSE(panel->isVisible());
        EXPECT_TRUE(waitUntil([&] { return QApplication::activeWindow() == &window; }))
            << "the keyboard went to " << (QApplication::activeWindow() ? "another window" : "no window");
    }
    EXPECT_EQ(chosen.paths, QStringList { root + QStringLiteral("/notes.md") });
}
