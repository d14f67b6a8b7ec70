// Tabs dragged with the real pointer (XTest) on an X server of the test's own: into another
// window's tab bar, and off every bar into a window of their own.
#include "OpenDocument.h"
#include "PlainEditorViewController.h"

#include "X11TestClient.h"
#include "XvfbServer.h"
#include "platform/tabs/TabView.h"
#include "platform/text/UndoManager.h"
#include "shell/TVXAppDelegate.h"
#include "shell/TVXDocumentController.h"
#include "shell/TVXDocumentWindowController.h"
#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QScreen>
#include <QTabBar>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using namespace penwick;

namespace {

// Moves the pointer through `points` with the button held, from a thread of its own, because
// the drag runs a nested event loop on the main thread until the button is released. The
// steps are paced as a hand moves (the drag needs motion to follow), not to wait for anything.
class PointerDrag {
public:
    explicit PointerDrag(std::vector<QPoint> points)
    {
        m_thread = std::thread([this, points = std::move(points)] {
            test::X11TestClient pointer;
            pointer.movePointer(points.front());
            pointer.pressButton(1);
            for (size_t i = 1; i < points.size(); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(40));
                pointer.movePointer(points[i]);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            pointer.releaseButton(1);
            m_done = true;
        });
    }
    ~PointerDrag() { m_thread.join(); }
    bool done() const { return m_done; }

private:
    std::thread m_thread;
    std::atomic<bool> m_done { false };
};

// A straight path in small steps, as a person drags.
std::vector<QPoint> path(QPoint from, QPoint to, int steps = 24)
{
    std::vector<QPoint> points;
    for (int i = 0; i <= steps; ++i)
        points.push_back(from + (to - from) * i / steps);
    return points;
}

QPoint tabCentre(TVXDocumentWindowController* window, int index)
{
    QTabBar* bar = window->tabBarView()->tabBar();
    return bar->mapToGlobal(bar->tabRect(index).center());
}

class TabDrag : public ::testing::Test {
protected:
    void SetUp() override
    {
        PENWICK_REQUIRE_XVFB();
        delegate.applicationWillFinishLaunching({ "Penwick" });
        a = open("a.md");
        b = open("b.md");
        c = open("c.md");
        documents.setOpenInNewWindowRequested(true);
        d = open("d.md");
        ASSERT_EQ(delegate.windowControllers().size(), 2);
        first = delegate.windowControllers().at(0);
        second = delegate.windowControllers().at(1);
        first->window()->setGeometry(40, 40, 560, 400);
        second->window()->setGeometry(660, 40, 560, 400);
        first->showWindow();
        second->showWindow();
        ASSERT_TRUE(test::waitUntil([&] { return first->window()->isVisible() && second->window()->isVisible(); }));
        ASSERT_TRUE(test::waitUntil([&] { return first->tabBarView()->tabBar()->mapToGlobal(QPoint(0, 0)).x() >= 40; }));
    }
    TVXDocument* open(const QString& name)
    {
        const QString path = dir + "/" + name;
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("# " + name.toUtf8() + "\n");
        file.close();
        return test::openDocument(documents, path, true);
    }

    QString dir = test::temporaryFolder();
    test::PlainEditorFactoryScope factory;
    TVXDocumentController documents;
    TVXAppDelegate delegate { &documents };
    TVXDocument *a = nullptr, *b = nullptr, *c = nullptr, *d = nullptr;
    TVXDocumentWindowController* first = nullptr;
    TVXDocumentWindowController* second = nullptr;
};

} // namespace

TEST_F(TabDrag, ATabDraggedIntoAnotherWindowsBarKeepsItsTextSelectionUndoAndEditedMark)
{
    test::PlainEditorViewController* editor = test::plainEditor(*b);
    editor->type(QStringLiteral("typed "));
    QCoreApplication::processEvents(); // the typing's undo step closes
    platform::TextView* view = editor->getEditorTextView();
    view->setSelectedRange(platform::TextRange(2, 3));
    ASSERT_TRUE(b->isDocumentEdited());
    const QString text = view->string();

    const QPoint from = tabCentre(first, 1);
    QTabBar* target = second->tabBarView()->tabBar();
    const QPoint to = target->mapToGlobal(QPoint(target->tabRect(0).right() + 40, target->height() / 2));
    // Down out of the bar, across, and up into the other bar, as a hand moves.
    std::vector<QPoint> points = path(from, from + QPoint(0, 90), 8);
    const std::vector<QPoint> across = path(from + QPoint(0, 90), to + QPoint(0, 90));
    const std::vector<QPoint> up = path(to + QPoint(0, 90), to, 8);
    points.insert(points.end(), across.begin() + 1, across.end());
    points.insert(points.end(), up.begin() + 1, up.end());
    PointerDrag drag(points);
    ASSERT_TRUE(test::waitUntil([&] { return drag.done() && second->containsDocument(b); }, 20000));

    EXPECT_EQ(first->documentsInTabOrder(), (QList<TVXDocument*> { a, c }));
    EXPECT_EQ(second->documentsInTabOrder().size(), 2);
    EXPECT_TRUE(second->documentsInTabOrder().contains(b));
    EXPECT_EQ(second->document(), b) << "the moved tab is selected in its new window";
    EXPECT_EQ(b->editorViewController(), editor) << "the same editor moved, not a copy";
    EXPECT_EQ(view->string(), text);
    EXPECT_EQ(view->selectedRange(), platform::TextRange(2, 3));
    EXPECT_TRUE(b->isDocumentEdited());
    EXPECT_TRUE(second->tabBarView()->selectedTabViewItem()->isEdited());
    ASSERT_TRUE(view->undoManager()->canUndo());
    view->undo();
    EXPECT_EQ(view->string(), QStringLiteral("# b.md\n"));
}

TEST_F(TabDrag, ATabDroppedOffEveryBarBecomesAWindowAtTheDropPoint)
{
    const QPoint from = tabCentre(first, 2);
    const QPoint drop(320, 470); // below both windows, over the bare screen, with room for a window
    PointerDrag drag(path(from, drop));
    ASSERT_TRUE(test::waitUntil([&] { return drag.done() && delegate.windowControllers().size() == 3; }, 20000));

    TVXDocumentWindowController* torn = delegate.windowControllers().at(2);
    EXPECT_EQ(torn->documentsInTabOrder(), QList<TVXDocument*> { c });
    EXPECT_EQ(first->documentsInTabOrder(), (QList<TVXDocument*> { a, b }));
    QMainWindow* window = torn->window();
    ASSERT_TRUE(test::waitUntil([&] { return window->isVisible(); }));
    const int titleBar = window->frameGeometry().height() - window->geometry().height();
    EXPECT_EQ(window->frameGeometry().topLeft(), drop - QPoint(first->tabBarView()->leftMargin(), titleBar));

    // For a person to look at: the first window with two tabs and the torn-off one.
    QDir().mkpath(QStringLiteral(PENWICK_SCREENSHOT_DIR));
    QApplication::processEvents();
    QGuiApplication::primaryScreen()->grabWindow(0).save(QStringLiteral(PENWICK_SCREENSHOT_DIR "/tab-tear-off.png"));
}

TEST_F(TabDrag, ATabTornOffNearTheScreensCornerGetsAWindowWhollyOnTheScreen)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint drop = screen.bottomRight() - QPoint(60, 40);
    ASSERT_TRUE(first->tabBarView()->tearOffTabViewItem(first->findTabItemForDocument(c), drop));
    ASSERT_EQ(delegate.windowControllers().size(), 3);
    QMainWindow* window = delegate.windowControllers().at(2)->window();
    ASSERT_TRUE(test::waitUntil([&] { return window->isVisible(); }));
    QApplication::processEvents();
    EXPECT_TRUE(screen.contains(window->frameGeometry()))
        << window->frameGeometry().x() << "," << window->frameGeometry().y() << " "
        << window->frameGeometry().width() << "x" << window->frameGeometry().height();
    EXPECT_EQ(window->size(), first->window()->size());
}
