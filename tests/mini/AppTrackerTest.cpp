#include "AppTracker.h"

#include "TestSupport.h"
#include "X11TestClient.h"
#include "XvfbServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace penwick;
using test::X11TestClient;

namespace {

struct Report {
    std::optional<RunningApplication> prev;
    std::optional<RunningApplication> current;
};

class RecordingDelegate : public AppTrackerDelegate {
public:
    void didSetCurrentApplication(const std::optional<RunningApplication>& application) override
    {
        reports.push_back({ AppTracker::sharedInstance().prevApp(), application });
    }
    std::vector<Report> reports;
};

// A program of the test's own, standing for the program behind a window.
std::unique_ptr<QProcess> startProgram()
{
    auto process = std::make_unique<QProcess>();
    process->start(QStringLiteral("sleep"), { QStringLiteral("60") });
    process->waitForStarted(5000);
    return process;
}

class AppTrackerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PENWICK_REQUIRE_XVFB();
        ASSERT_TRUE(client.isConnected());
        tracker().setDelegate(&delegate);
        tracker().setPrevApp(std::nullopt);
        client.setActiveWindow(0);
    }
    void TearDown() override
    {
        tracker().stopTracking();
        tracker().setDelegate(nullptr);
        for (auto& p : programs) {
            p->kill();
            p->waitForFinished(5000);
        }
    }
    static AppTracker& tracker() { return AppTracker::sharedInstance(); }

    qint64 newProgram()
    {
        programs.push_back(startProgram());
        return programs.back()->processId();
    }
    quint32 window(const QString& wmClass, qint64 pid, const QString& applicationId = {})
    {
        return client.createWindow({ wmClass.toLower(), wmClass, pid, wmClass + QStringLiteral(" window"), applicationId });
    }
    // Activates `window` and waits for the report it causes.
    bool activate(quint32 window)
    {
        const size_t before = delegate.reports.size();
        client.setActiveWindow(window);
        return test::waitUntil([&] { return delegate.reports.size() > before; }, 5000);
    }

    X11TestClient client;
    RecordingDelegate delegate;
    std::vector<std::unique_ptr<QProcess>> programs;
};

TEST_F(AppTrackerTest, ReportsTheProgramLeftAndTheNewOne)
{
    const qint64 pidA = newProgram();
    const qint64 pidB = newProgram();
    const quint32 a = window(QStringLiteral("Alpha"), pidA);
    const quint32 b = window(QStringLiteral("Beta"), pidB);
    tracker().startTracking();
    ASSERT_TRUE(activate(a));
    delegate.reports.clear();
    ASSERT_TRUE(activate(b));
    ASSERT_EQ(delegate.reports.size(), 1u);
    const Report& report = delegate.reports.front();
    ASSERT_TRUE(report.prev.has_value());
    EXPECT_EQ(report.prev->pid, pidA);
    EXPECT_EQ(report.prev->identifier, QStringLiteral("Alpha"));
    ASSERT_TRUE(report.current.has_value());
    EXPECT_EQ(report.current->pid, pidB);
    EXPECT_EQ(report.current->windowId, b);
    EXPECT_EQ(report.current->windowTitle, QStringLiteral("Beta window"));
    EXPECT_EQ(report.current->localizedName, QStringLiteral("Beta"));
    const QString exe = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pidB)).symLinkTarget();
    EXPECT_FALSE(exe.isEmpty());
    EXPECT_EQ(report.current->executablePath, exe);
    EXPECT_EQ(tracker().currentApp(), report.current);
}

TEST_F(AppTrackerTest, TwoWindowsOfOneProgramAreNoChange)
{
    const qint64 pidA = newProgram();
    const quint32 first = window(QStringLiteral("Alpha"), pidA);
    const quint32 second = window(QStringLiteral("Alpha"), pidA);
    const quint32 other = window(QStringLiteral("Beta"), newProgram());
    tracker().startTracking();
    ASSERT_TRUE(activate(first));
    delegate.reports.clear();
    client.setActiveWindow(second);
    ASSERT_TRUE(test::waitUntil([&] { return tracker().currentApp()->windowId == second; }, 5000));
    ASSERT_TRUE(activate(other));
    ASSERT_EQ(delegate.reports.size(), 1u);
    EXPECT_EQ(delegate.reports[0].prev->windowId, second) << "the program left with its latest window";
}

// Window managers name no window for a moment between two (A, none, PenwickMini's popover), and
// some windows name no process: neither step may lose the program the user left. The steps are
// fed as the watcher reports them (on the server they may merge into one).
TEST_F(AppTrackerTest, NoWindowOrNoProcessKeepsTheProgramLeft)
{
    QWidget own;
    own.setGeometry(600, 600, 100, 100);
    own.show();
    ASSERT_TRUE(test::waitUntil([&] { return own.windowHandle() && own.windowHandle()->isExposed(); }, 5000));
    const qint64 pidA = newProgram();
    const auto a = platform::ActiveWindowWatcher::windowInfo(window(QStringLiteral("Alpha"), pidA));
    const auto noPid = platform::ActiveWindowWatcher::windowInfo(window(QStringLiteral("Gamma"), 0));
    const auto self = platform::ActiveWindowWatcher::windowInfo(quint32(own.winId()));
    ASSERT_EQ(a.pid, pidA);
    ASSERT_EQ(noPid.pid, 0);
    for (const std::optional<platform::WindowInfo>& between : { std::optional<platform::WindowInfo>(), std::optional(noPid) }) {
        tracker().setPreviousApplication(a);
        const size_t before = delegate.reports.size();
        tracker().setPreviousApplication(between);
        tracker().setPreviousApplication(self);
        ASSERT_EQ(delegate.reports.size(), before + 1) << "the step between is no change of program";
        const Report& report = delegate.reports.back();
        ASSERT_TRUE(report.current.has_value());
        EXPECT_TRUE(report.current->isSelf());
        ASSERT_TRUE(report.prev.has_value()) << (between ? "no process" : "no window");
        EXPECT_EQ(report.prev->pid, pidA);
        EXPECT_EQ(report.prev->identifier, QStringLiteral("Alpha"));
    }
    // None after PenwickMini and PenwickMini again (the popover shown once more): no report.
    const size_t before = delegate.reports.size();
    tracker().setPreviousApplication(std::nullopt);
    tracker().setPreviousApplication(self);
    EXPECT_EQ(delegate.reports.size(), before);
    EXPECT_EQ(tracker().prevApp()->pid, pidA);
}

TEST_F(AppTrackerTest, KnowsPenwickMinisOwnWindow)
{
    QWidget own;
    own.setGeometry(600, 600, 100, 100);
    own.show();
    ASSERT_TRUE(test::waitUntil([&] { return own.windowHandle() && own.windowHandle()->isExposed(); }, 5000));
    const quint32 a = window(QStringLiteral("Alpha"), newProgram());
    tracker().startTracking();
    ASSERT_TRUE(activate(a));
    ASSERT_TRUE(activate(quint32(own.winId())));
    ASSERT_TRUE(delegate.reports.back().current.has_value());
    EXPECT_TRUE(delegate.reports.back().current->isSelf());
    EXPECT_FALSE(delegate.reports.back().prev->isSelf());
}

TEST_F(AppTrackerTest, NamesProgramsAfterTheirDesktopFiles)
{
    const QString applications = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    QDir().mkpath(applications);
    const auto write = [&](const QString& file, const QByteArray& text) {
        QFile f(applications + QLatin1Char('/') + file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    write(QStringLiteral("org.example.Writer.desktop"),
          "[Desktop Entry]\nType=Application\nName=Example Writer\nName[de]=Schreiber\nStartupWMClass=ExWriter\n");
    write(QStringLiteral("org.example.Gtk.desktop"), "[Desktop Entry]\nType=Application\nName=Gtk Example\n");

    struct Case {
        const char* wmClass;
        const char* applicationId;
        const char* identifier;
        const char* name;
    };
    const Case cases[] = {
        { "ExWriter", "", "org.example.Writer", "Example Writer" },
        { "gtkex", "org.example.Gtk", "org.example.Gtk", "Gtk Example" },
        { "Plain", "", "Plain", "Plain" },
        { "NoEntry", "org.example.Missing", "org.example.Missing", "NoEntry" },
    };
    tracker().startTracking();
    for (const Case& c : cases) {
        const quint32 w = window(QString::fromLatin1(c.wmClass), newProgram(), QString::fromLatin1(c.applicationId));
        ASSERT_TRUE(activate(w)) << c.wmClass;
        const auto& current = delegate.reports.back().current;
        ASSERT_TRUE(current.has_value());
        EXPECT_EQ(current->identifier, QString::fromLatin1(c.identifier)) << c.wmClass;
        EXPECT_EQ(current->localizedName, QString::fromLatin1(c.name)) << c.wmClass;
    }
}

TEST_F(AppTrackerTest, StartingTwiceReportsOncePerChange)
{
    const quint32 a = window(QStringLiteral("Alpha"), newProgram());
    const quint32 b = window(QStringLiteral("Beta"), newProgram());
    tracker().startTracking();
    tracker().startTracking();
    EXPECT_TRUE(tracker().isTracking());
    ASSERT_TRUE(activate(a));
    ASSERT_TRUE(activate(b));
    EXPECT_EQ(delegate.reports.size(), 2u);
}

TEST_F(AppTrackerTest, StoppedTrackerReportsNothing)
{
    tracker().stopTracking(); // without starting: nothing happens
    EXPECT_FALSE(tracker().isTracking());
    const quint32 a = window(QStringLiteral("Alpha"), newProgram());
    const quint32 b = window(QStringLiteral("Beta"), newProgram());
    tracker().startTracking();
    ASSERT_TRUE(activate(a));
    tracker().stopTracking();
    client.setActiveWindow(b);
    // A second tracker-independent round trip: Qt has read everything the server sent by then.
    QWidget probe;
    probe.show();
    ASSERT_TRUE(test::waitUntil([&] { return probe.windowHandle()->isExposed(); }, 5000));
    EXPECT_EQ(delegate.reports.size(), 1u);
    EXPECT_EQ(tracker().currentApp()->identifier, QStringLiteral("Alpha"));
}

TEST_F(AppTrackerTest, SettingTheCurrentProgramTellsTheDelegate)
{
    RunningApplication app;
    app.identifier = QStringLiteral("set.by.hand");
    tracker().setCurrentApp(app);
    ASSERT_EQ(delegate.reports.size(), 1u);
    EXPECT_EQ(delegate.reports[0].current, app);
}

} // namespace
