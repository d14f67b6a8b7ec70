#include "EventMonitor.h"
#include "LocalEventMonitor.h"

#include "TestSupport.h"
#include "X11TestClient.h"
#include "XvfbServer.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QLineEdit>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <vector>

using namespace penwick;
using test::X11TestClient;

namespace {

struct Seen {
    std::vector<MonitoredEvent::Type> types;
    std::vector<int> keys;
    EventMonitor::Handler handler()
    {
        return [this](const MonitoredEvent* e) {
            ASSERT_NE(e, nullptr);
            types.push_back(e->type);
            keys.push_back(e->key);
        };
    }
};

// Our own window, counting the presses it gets.
class OurWindow : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        ++presses;
        QWidget::mousePressEvent(event);
    }
};

const EventMonitor::Mask kMouse = EventMonitor::Mask(MonitoredEvent::LeftMouseDown) | MonitoredEvent::RightMouseDown;

class EventMonitorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PENWICK_REQUIRE_XVFB();
        ASSERT_TRUE(client.isConnected());
        other = client.createWindow({ QStringLiteral("other"), QStringLiteral("Other"), 0, QStringLiteral("Other"), {},
                                      QRect(700, 500, 300, 300) });
        ours.setGeometry(50, 50, 300, 300);
        ours.show();
        ASSERT_TRUE(test::waitUntil([&] { return ours.windowHandle()->isExposed(); }, 5000));
    }
    void clickOtherWindow(int button = 1)
    {
        client.movePointer({ 800, 600 });
        client.clickButton(button);
    }
    // Clicks our window and waits until the press arrived (the monitor places presses by the
    // pointer's position when it reads them).
    void clickOurWindow()
    {
        const int before = ours.presses;
        client.movePointer({ 150, 150 });
        client.clickButton(1);
        ASSERT_TRUE(test::waitUntil([&] { return ours.presses > before; }, 5000));
    }

    X11TestClient client;
    quint32 other = 0;
    OurWindow ours;
};

TEST_F(EventMonitorTest, PressesOverOtherWindowsReachTheGlobalHandler)
{
    Seen seen;
    EventMonitor monitor(kMouse, seen.handler());
    monitor.start();
    EXPECT_TRUE(monitor.isRunning());
    clickOtherWindow(1);
    ASSERT_TRUE(test::waitUntil([&] { return seen.types.size() == 1; }, 5000));
    clickOurWindow();
    clickOtherWindow(3);
    ASSERT_TRUE(test::waitUntil([&] { return seen.types.size() >= 2; }, 5000));
    EXPECT_EQ(seen.types,
              (std::vector<MonitoredEvent::Type> { MonitoredEvent::LeftMouseDown, MonitoredEvent::RightMouseDown }))
        << "the press over our own window is not another program's";
}

TEST_F(EventMonitorTest, TheMaskChoosesTheButtons)
{
    Seen left;
    Seen right;
    EventMonitor leftOnly(MonitoredEvent::LeftMouseDown, left.handler());
    EventMonitor rightOnly(MonitoredEvent::RightMouseDown, right.handler());
    leftOnly.start();
    rightOnly.start();
    clickOtherWindow(3);
    clickOtherWindow(1);
    ASSERT_TRUE(test::waitUntil([&] { return left.types.size() == 1 && right.types.size() == 1; }, 5000));
    EXPECT_EQ(left.types[0], MonitoredEvent::LeftMouseDown);
    EXPECT_EQ(right.types[0], MonitoredEvent::RightMouseDown);
}

TEST_F(EventMonitorTest, StoppedMonitorsReportNothing)
{
    Seen stopped;
    Seen witness;
    EventMonitor monitor(kMouse, stopped.handler());
    monitor.stop(); // never started: harmless
    monitor.start();
    monitor.stop();
    monitor.stop(); // twice: harmless
    EXPECT_FALSE(monitor.isRunning());
    // A monitor that keeps running sees the press, so the stopped one had its chance.
    EventMonitor running(kMouse, witness.handler());
    running.start();
    clickOtherWindow();
    ASSERT_TRUE(test::waitUntil([&] { return witness.types.size() == 1; }, 5000));
    EXPECT_TRUE(stopped.types.empty());
    running.stop();
    EXPECT_FALSE(running.isRunning());
}

// A line edit that records the keys it receives.
class RecordingEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    std::vector<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        keys.push_back(event->key());
        QLineEdit::keyPressEvent(event);
    }
};

TEST_F(EventMonitorTest, KeysReachTheLocalHandlerAndStillTheFocusedWidget)
{
    RecordingEdit edit;
    edit.setGeometry(400, 50, 200, 40);
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    ASSERT_TRUE(test::waitUntil([&] { return edit.hasFocus() && edit.isActiveWindow(); }, 5000));
    Seen seen;
    LocalEventMonitor monitor(MonitoredEvent::KeyDown, seen.handler());
    monitor.start();
    EXPECT_TRUE(monitor.isRunning());
    client.pressKeys({ 'a' });
    client.pressKeys({ test::kKeyEscape });
    ASSERT_TRUE(test::waitUntil([&] { return edit.keys.size() == 2; }, 5000));
    EXPECT_EQ(seen.keys, (std::vector<int> { Qt::Key_A, Qt::Key_Escape }));
    EXPECT_EQ(edit.keys, (std::vector<int> { Qt::Key_A, Qt::Key_Escape }));
    EXPECT_EQ(edit.text(), QStringLiteral("a"));

    monitor.stop();
    monitor.stop();
    EXPECT_FALSE(monitor.isRunning());
    client.pressKeys({ 'b' });
    ASSERT_TRUE(test::waitUntil([&] { return edit.keys.size() == 3; }, 5000));
    EXPECT_EQ(seen.keys.size(), 2u);
}

TEST_F(EventMonitorTest, TheLocalHandlerMayStopItsMonitor)
{
    RecordingEdit edit;
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    ASSERT_TRUE(test::waitUntil([&] { return edit.hasFocus() && edit.isActiveWindow(); }, 5000));
    LocalEventMonitor* self = nullptr;
    int calls = 0;
    LocalEventMonitor monitor(MonitoredEvent::KeyDown, [&](const MonitoredEvent*) {
        ++calls;
        self->stop();
    });
    self = &monitor;
    monitor.start();
    client.pressKeys({ test::kKeyEscape });
    client.pressKeys({ 'c' });
    ASSERT_TRUE(test::waitUntil([&] { return edit.keys.size() == 2; }, 5000));
    EXPECT_EQ(calls, 1);
}

} // namespace
