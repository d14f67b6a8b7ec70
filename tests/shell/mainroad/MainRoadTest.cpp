// The main road with the real program: open a file, type, let the timer save, quit, start
// again and find the session; one Penwick per user session.
#include "PenwickProcess.h"

#include "StartingInstance.h"
#include "TestSupport.h"
#include "XvfbServer.h"
#include "shell/LaunchArguments.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPixmap>
#include <QScreen>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace penwick;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
}

QImage screenshot(const QString& name)
{
    QDir().mkpath(QStringLiteral(PENWICK_SCREENSHOT_DIR));
    const QImage image = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    image.save(QStringLiteral(PENWICK_SCREENSHOT_DIR "/") + name);
    return image;
}

// How many pixels of the region are dark: text on the page.
int inkPixels(const QImage& image, const QRect& region)
{
    int ink = 0;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x)
            ink += qGray(image.pixel(x, y)) < 128;
    return ink;
}

class MainRoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        PENWICK_REQUIRE_XVFB();
        ASSERT_TRUE(session.isReady());
    }
    QProcess& start(const QStringList& arguments) { return session.launch(arguments); }
    bool waitForTabs(const QList<QStringList>& expected, int timeoutMs = 60000)
    {
        return test::waitUntil([&] { return session.tabNames() == expected; }, timeoutMs);
    }

    test::PenwickSession session;
};

} // namespace

TEST_F(MainRoad, OpenTypeSavedByTheTimerQuitAndTheSessionComesBack)
{
    const QString notes = session.home() + QStringLiteral("/notes.md");
    writeFile(notes, "Some notes\r\n");

    QProcess& penwick = start({ QStringLiteral("notes.md") });
    ASSERT_TRUE(waitForTabs({ { "notes.md" } })) << "one window with one tab";
    const QString window = session.focusWindowOf(penwick);
    ASSERT_FALSE(window.isEmpty());
    const QRect frame = session.geometryOf(window);
    ASSERT_GT(frame.width(), 600);
    // The preview pane (the window's right part) shows the file's text once its page loaded.
    // Its right third, inside the window, below the menu bar and above the pane's own bar.
    const QRect previewRegion(frame.x() + frame.width() * 2 / 3 + 10, frame.y() + 30, frame.width() / 3 - 20, frame.height() / 2);
    int inkBefore = 0;
    ASSERT_TRUE(test::waitUntil([&] {
        inkBefore = inkPixels(screenshot(QStringLiteral("main-road-opened.png")), previewRegion);
        return inkBefore > 30;
    }, 30000)) << "the preview shows nothing";

    // Type at the end as a person does.
    session.xdotool({ "key", "--clearmodifiers", "ctrl+End" });
    session.xdotool({ "type", "--delay", "30", "# Heading" });
    session.xdotool({ "key", "Return" });
    session.xdotool({ "type", "--delay", "30", "A paragraph of text." });
    QElapsedTimer sinceTyping;
    sinceTyping.start();

    const QByteArray expected = "Some notes\r\n# Heading\r\nA paragraph of text.";
    ASSERT_TRUE(test::waitUntil([&] { return test::readBytes(notes) == expected; }, 15000))
        << "on disk: " << test::readBytes(notes).toStdString();
    EXPECT_LE(sinceTyping.elapsed(), 12000) << "the save timer wrote it";

    // The preview shows the heading and the paragraph: much more text than before.
    ASSERT_TRUE(test::waitUntil([&] {
        return inkPixels(screenshot(QStringLiteral("main-road-typed.png")), previewRegion) > 2 * inkBefore;
    }, 20000)) << "the preview did not show what was typed";

    session.xdotool({ "key", "--clearmodifiers", "ctrl+q" });
    ASSERT_TRUE(test::hasEnded(penwick));
    EXPECT_EQ(penwick.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(penwick.exitCode(), 0);
    EXPECT_EQ(test::readBytes(notes), expected) << "quitting changed nothing on disk";

    // Started again with nothing to open: the stored session reopens the file.
    QProcess& again = start({});
    // The session comes back into the first window that becomes the active one.
    ASSERT_FALSE(session.focusWindowOf(again).isEmpty())
        << "windows: " << session.xdotool({ "search", "--onlyvisible", "--pid", QString::number(again.processId()) }).toStdString()
        << " focus: " << session.xdotool({ "getwindowfocus" }).toStdString() << " running: " << (again.state() == QProcess::Running);
    ASSERT_TRUE(waitForTabs({ { "notes.md" } })) << "the session came back; tabs now: "
                                                  << QJsonDocument(session.windows()).toJson().toStdString();
    EXPECT_EQ(session.geometryOf(session.windowOf(again)), frame) << "the new window stands where the first stood";
    EXPECT_TRUE(test::waitUntil([&] {
        return inkPixels(screenshot(QStringLiteral("main-road-restored.png")), previewRegion) > 2 * inkBefore;
    }, 30000)) << "the restored tab shows its preview";
    again.terminate();
    ASSERT_TRUE(test::hasEnded(again));
    EXPECT_EQ(again.exitCode(), 0);
}

TEST_F(MainRoad, ASecondStartHandsItsFileToTheRunningPenwickAndLeaves)
{
    writeFile(session.home() + QStringLiteral("/a.md"), "# A\n");
    writeFile(session.home() + QStringLiteral("/b.md"), "# B\n");
    QProcess& first = start({ QStringLiteral("a.md") });
    ASSERT_TRUE(waitForTabs({ { "a.md" } }));

    QProcess& second = start({ QStringLiteral("b.md") });
    ASSERT_TRUE(test::hasEnded(second));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(waitForTabs({ { "a.md", "b.md" } }));
    EXPECT_EQ(first.state(), QProcess::Running);
}

TEST_F(MainRoad, APipeAndALinkToADeviceOnTheCommandLineOpenNothingAndPenwickKeepsAnswering)
{
    writeFile(session.home() + QStringLiteral("/a.md"), "# A\n");
    writeFile(session.home() + QStringLiteral("/b.md"), "# B\n");
    // Reading the pipe would wait for a writer for ever; reading the device would never end.
    ASSERT_EQ(::mkfifo(QFile::encodeName(session.home() + QStringLiteral("/pipe.md")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), session.home() + QStringLiteral("/zero.md")));
    QProcess& first = start({ QStringLiteral("pipe.md"), QStringLiteral("zero.md"), QStringLiteral("a.md") });
    ASSERT_FALSE(session.focusWindowOf(first).isEmpty()) << "nothing shows";

    // While it says why, Penwick answers: a second start hands its file over and leaves.
    QProcess& second = start({ QStringLiteral("b.md") });
    ASSERT_TRUE(test::hasEnded(second)) << "the running Penwick did not take the file";
    EXPECT_EQ(second.exitCode(), 0);

    // Each alert is read and dismissed; then the two real files are the window's tabs.
    QStringList alerts;
    const QString pid = QString::number(first.processId());
    const bool opened = test::waitUntil([&] {
        QStringList tabs = session.tabNames().value(0);
        tabs.sort();
        if (tabs == QStringList { "a.md", "b.md" } && session.windows().size() == 1)
            return true;
        const QString alert = session.xdotool({ "search", "--onlyvisible", "--pid", pid, "--name", "^Penwick$" }).section(QLatin1Char('\n'), 0, 0);
        if (!alert.isEmpty()) {
            if (alerts.isEmpty())
                screenshot(QStringLiteral("main-road-not-a-file.png"));
            alerts << alert;
            // Its one button, "OK", at the bottom right, clicked as a person does; with no
            // window manager the window that came later may stand over it.
            session.xdotool({ "windowraise", alert });
            const QRect frame = session.geometryOf(alert);
            session.xdotool({ "mousemove", QString::number(frame.right() - 45), QString::number(frame.bottom() - 20), "click", "1" });
        }
        return false;
    }, 120000);
    ASSERT_TRUE(opened) << "tabs: " << QJsonDocument(session.windows()).toJson().toStdString();
    EXPECT_FALSE(alerts.isEmpty()) << "the person is told why";
    EXPECT_EQ(first.state(), QProcess::Running);
    first.terminate();
    ASSERT_TRUE(test::hasEnded(first));
    EXPECT_EQ(first.exitCode(), 0);
}

TEST_F(MainRoad, TwoStartsAtTheSameMomentEndAsOnePenwick)
{
    writeFile(session.home() + QStringLiteral("/a.md"), "# A\n");
    writeFile(session.home() + QStringLiteral("/b.md"), "# B\n");
    QProcess& one = start({ QStringLiteral("a.md") });
    QProcess& two = start({ QStringLiteral("b.md") });
    ASSERT_TRUE(test::waitUntil([&] { return session.windows().size() == 1 && session.tabNames().value(0).size() == 2; }, 60000))
        << "both files in the one window";
    ASSERT_TRUE(test::waitUntil([&] { return one.state() == QProcess::NotRunning || two.state() == QProcess::NotRunning; }, 30000));
    const bool oneRuns = one.state() == QProcess::Running;
    const bool twoRuns = two.state() == QProcess::Running;
    EXPECT_NE(oneRuns, twoRuns) << "exactly one stays";
    QProcess& left = oneRuns ? two : one;
    EXPECT_EQ(left.exitCode(), 0);
    QStringList tabs = session.tabNames().value(0);
    tabs.sort();
    EXPECT_EQ(tabs, (QStringList { "a.md", "b.md" }));
}

TEST_F(MainRoad, ASecondStartWaitsForAPenwickThatIsStillStartingAndHandsItsFileOver)
{
    writeFile(session.home() + QStringLiteral("/b.md"), "# B\n");
    test::StartingInstance first(session.environment().value(QStringLiteral("XDG_RUNTIME_DIR")), QStringLiteral("penwick"));
    ASSERT_TRUE(first.isReady());

    const QString errors = session.home() + QStringLiteral("/second-errors.txt");
    std::unique_ptr<QProcess> second = session.start({ QStringLiteral("b.md") }, {}, {}, {}, errors);
    ASSERT_TRUE(test::waitUntil([&] { return first.messages().size() == 1; }, 60000)) << "the file is handed over";
    // Past the moment when a second start once gave up and served in the first one's place.
    ASSERT_TRUE(test::waitUntil([&] { return test::readBytes(errors).contains("waiting for it"); }, 60000))
        << test::readBytes(errors).toStdString();
    EXPECT_EQ(second->state(), QProcess::Running);
    EXPECT_TRUE(session.windowOf(*second).isEmpty()) << "the second start shows no window of its own";

    first.answer();
    ASSERT_TRUE(test::hasEnded(*second));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(first.messages().size(), 1) << "sent once";
    const std::optional<QStringList> paths = LaunchArguments::pathsFromMessage(first.messages().value(0));
    ASSERT_TRUE(paths.has_value());
    ASSERT_EQ(paths->size(), 1);
    EXPECT_EQ(QFileInfo(paths->at(0)).fileName(), QStringLiteral("b.md"));
}

TEST_F(MainRoad, AStartWhoseRunningPenwickEndsWithoutAnsweringOpensTheFileItself)
{
    writeFile(session.home() + QStringLiteral("/b.md"), "# B\n");
    test::StartingInstance first(session.environment().value(QStringLiteral("XDG_RUNTIME_DIR")), QStringLiteral("penwick"));
    ASSERT_TRUE(first.isReady());
    QProcess& second = start({ QStringLiteral("b.md") });
    ASSERT_TRUE(test::waitUntil([&] { return first.messages().size() == 1; }, 60000));

    first.end();
    EXPECT_TRUE(waitForTabs({ { "b.md" } }));
    EXPECT_EQ(second.state(), QProcess::Running);
}
