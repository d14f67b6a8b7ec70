#include "platform/GlobalShortcutBinder.h"
#include "platform/UserDefaults.h"

#include "TestSupport.h"
#include "X11TestClient.h"
#include "XvfbServer.h"

#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

using namespace penwick;
using namespace penwick::platform;
using test::X11TestClient;

namespace {

const QString kKey = QStringLiteral("penwickMiniShortcut");

class GlobalShortcutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PENWICK_REQUIRE_XVFB();
        ASSERT_TRUE(client.isConnected());
    }
    void press(quint32 letter) { client.pressKeys({ test::kKeyControl, test::kKeyAlt, letter }); }
    // Presses the combination and waits until the action has run `expected` times in all.
    bool pressAndWait(quint32 letter, int expected)
    {
        press(letter);
        return test::waitUntil([&] { return runs == expected; }, 5000) && runs == expected;
    }
    // Whether another client may grab Ctrl+Alt+<letter> now (so that nobody holds it).
    bool isFree(quint32 letter)
    {
        X11TestClient other;
        return other.grabKey(letter, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1);
    }

    X11TestClient client;
    UserDefaults defaults { test::temporaryFolder() + QStringLiteral("/settings.plist") };
    GlobalShortcutBinder binder { defaults };
    int runs = 0;
};

TEST_F(GlobalShortcutTest, TheStoredCombinationRunsTheAction)
{
    defaults.setValue(kKey, QStringLiteral("Ctrl+Alt+M"));
    ASSERT_TRUE(binder.bindKey(kKey, [this] { ++runs; }));
    EXPECT_EQ(binder.boundShortcut(), QStringLiteral("Ctrl+Alt+M"));
    ASSERT_TRUE(pressAndWait('m', 1));

    // With NumLock on, the same combination still counts.
    client.pressKeys({ test::kKeyNumLock });
    ASSERT_TRUE(pressAndWait('m', 2));
    client.pressKeys({ test::kKeyNumLock });
    // And a combination with an extra modifier is another one.
    client.pressKeys({ test::kKeyControl, test::kKeyAlt, test::kKeyShift, 'm' });
    ASSERT_TRUE(pressAndWait('m', 3));
}

TEST_F(GlobalShortcutTest, TheBindingFollowsTheKey)
{
    defaults.setValue(kKey, QStringLiteral("Ctrl+Alt+M"));
    ASSERT_TRUE(binder.bindKey(kKey, [this] { ++runs; }));
    defaults.setValue(kKey, QStringLiteral("Ctrl+Alt+N"));
    EXPECT_EQ(binder.boundShortcut(), QStringLiteral("Ctrl+Alt+N"));
    EXPECT_TRUE(isFree('m')) << "the old combination is released";
    press('m');
    ASSERT_TRUE(pressAndWait('n', 1)) << "only the new combination runs the action";

    defaults.setValue(kKey, QString());
    EXPECT_FALSE(binder.isBound());
    EXPECT_TRUE(binder.lastError().isEmpty());
    EXPECT_TRUE(isFree('n'));
}

TEST_F(GlobalShortcutTest, ACombinationHeldElsewhereIsReportedAndLogged)
{
    X11TestClient holder;
    ASSERT_TRUE(holder.grabKey('k', XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));
    QString reported;
    binder.setErrorHandler([&](const QString& message) { reported = message; });
    test::StdoutCapture output;
    defaults.setValue(kKey, QStringLiteral("Ctrl+Alt+K"));
    EXPECT_FALSE(binder.bindKey(kKey, [this] { ++runs; }));
    EXPECT_FALSE(binder.isBound());
    EXPECT_TRUE(binder.lastError().contains(QStringLiteral("Ctrl+Alt+K")));
    EXPECT_EQ(reported, binder.lastError());
    EXPECT_TRUE(output.text().contains(QStringLiteral("Error: ") + binder.lastError())) << output.text().toStdString();
}

TEST_F(GlobalShortcutTest, AMalformedValueBindsNothing)
{
    for (const QString& value : { QStringLiteral("Ctrl+Alt+Nonsense"), QStringLiteral("Ctrl+Alt+M, Ctrl+X"),
                                  QStringLiteral("Ctrl+"), QStringLiteral("Ctrl+Alt+Å") }) {
        test::StdoutCapture output;
        defaults.setValue(kKey, value);
        EXPECT_FALSE(binder.bindKey(kKey, [this] { ++runs; })) << value.toStdString();
        EXPECT_FALSE(binder.isBound()) << value.toStdString();
        EXPECT_TRUE(output.text().contains(value)) << value.toStdString() << ": " << output.text().toStdString();
        EXPECT_TRUE(output.text().startsWith(QStringLiteral("Error: "))) << "logged at error level: " << output.text().toStdString();
    }
}

} // namespace
