#include "PrefsTestSupport.h"

#include "TestSupport.h"
#include "preferences/GeneralPreferencesViewController.h"
#include "platform/DefaultApplications.h"
#include "platform/UserDefaults.h"
#include "common/PenwickMiniService.h"
#include "common/Prefs.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLocalSocket>
#include <QProcessEnvironment>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>

using namespace penwick;
using penwick::test::writeFile;

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

// A private XDG configuration and data folder (holding Penwick's desktop file), no desktop
// named, for one test; the variables are restored afterwards.
class DesktopEnvironmentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* var : { "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CURRENT_DESKTOP", "XDG_RUNTIME_DIR" })
            saved.append({ var, qgetenv(var), qEnvironmentVariableIsSet(var) });
        config = test::temporaryFolder() + "/config";
        data = test::temporaryFolder() + "/data";
        // Switching PenwickMini off talks to a running one: only ever to the test's own.
        runtime = test::temporaryFolder() + "/runtime";
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
        qputenv("XDG_DATA_HOME", data.toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
        qunsetenv("XDG_CURRENT_DESKTOP");
        writeFile(data + "/applications/" + GeneralPreferencesViewController::desktopFileId(),
            "[Desktop Entry]\nType=Application\nName=Penwick\nExec=Penwick %F\nMimeType=text/markdown;\n");
        platform::UserDefaults::standard().removeObject(Prefs::SHOW_PW_MINI);
    }
    void TearDown() override
    {
        for (const Saved& s : saved) {
            if (s.set)
                qputenv(s.name, s.value);
            else
                qunsetenv(s.name);
        }
        platform::UserDefaults::standard().removeObject(Prefs::SHOW_PW_MINI);
    }

    static QString xdgMimeQuery()
    {
        QProcess process;
        process.start("xdg-mime", { "query", "default", "text/markdown" });
        EXPECT_TRUE(process.waitForFinished(60000));
        return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    }
    QString message() const { return pane.messageLbl()->text(); }
    QColor messageColour() const { return pane.messageLbl()->palette().color(QPalette::WindowText); }

    struct Saved {
        const char* name;
        QByteArray value;
        bool set;
    };
    QList<Saved> saved;
    QString config, data, runtime;
    GeneralPreferencesViewController pane;
};

const QString kYay = "Penwick is now your default Markdown editor. Yay!";
const QString kSad = "Couldn't make it default editor. This is sad :(";

} // namespace

TEST_F(DesktopEnvironmentTest, TheButtonMakesPenwickTheDefaultMarkdownEditor)
{
    ASSERT_FALSE(QStandardPaths::findExecutable("xdg-mime").isEmpty()) << "xdg-utils is installed by scripts/install-deps.sh";
    EXPECT_EQ(pane.identifier(), "GeneralPreferences");
    EXPECT_EQ(pane.toolbarItemLabel(), "General");
    EXPECT_FALSE(pane.toolbarItemImage().isNull());

    writeFile(config + "/mimeapps.list", "[Added Associations]\ntext/plain=gedit.desktop;\n\n[Default Applications]\n"
                                         "text/markdown=other.desktop;\nimage/png=eog.desktop;\n");
    pane.defaultEditorButton()->click();
    EXPECT_EQ(message(), kYay);
    EXPECT_EQ(messageColour(), QColor::fromRgbF(0, 0.5, 0, 1));
    EXPECT_EQ(xdgMimeQuery(), "org.penwick.Penwick.desktop");
    const QByteArray list = contents(config + "/mimeapps.list");
    EXPECT_TRUE(list.contains("text/plain=gedit.desktop;")) << list.toStdString();
    EXPECT_TRUE(list.contains("image/png=eog.desktop;")) << list.toStdString();

    // Appearing clears the message.
    pane.viewWillAppear();
    EXPECT_EQ(message(), "");
    EXPECT_TRUE(pane.enableMiniCheckBox()->isEnabled());
}

TEST_F(DesktopEnvironmentTest, AFailureIsShownInRedAndEachPressStartsAfresh)
{
    pane.defaultEditorButton()->click();
    EXPECT_EQ(message(), kYay);
    const QString file = test::temporaryFolder() + "/not-a-folder";
    writeFile(file);
    qputenv("XDG_CONFIG_HOME", file.toLocal8Bit());
    pane.defaultEditorButton()->click();
    EXPECT_EQ(message(), kSad);
    EXPECT_EQ(messageColour(), QColor::fromRgbF(0.8, 0, 0, 1));
}

TEST_F(DesktopEnvironmentTest, WithoutXdgMimeTheListIsWrittenDirectly)
{
    const platform::DefaultApplications direct(QStringLiteral(""));
    writeFile(config + "/mimeapps.list", "# mine\n[Default Applications]\ntext/html=firefox.desktop\ntext/markdown=old.desktop;\n"
                                         "[Removed Associations]\ntext/markdown=x.desktop;\n");
    EXPECT_EQ(direct.setDefault("org.penwick.Penwick.desktop", "text/markdown"), 0);
    EXPECT_EQ(contents(config + "/mimeapps.list"), "# mine\n[Default Applications]\ntext/html=firefox.desktop\n"
                                                   "text/markdown=org.penwick.Penwick.desktop;\n"
                                                   "[Removed Associations]\ntext/markdown=x.desktop;\n");
    EXPECT_EQ(direct.queryDefault("text/markdown"), "org.penwick.Penwick.desktop");
    EXPECT_EQ(xdgMimeQuery(), "org.penwick.Penwick.desktop") << "the desktop's own tool reads what was written";

    // A list without the group gains it; a missing list is created.
    EXPECT_EQ(direct.setDefault("a.desktop", "text/x-rst"), 0);
    EXPECT_TRUE(contents(config + "/mimeapps.list").contains("[Default Applications]\ntext/x-rst=a.desktop;\n"));
    QFile::remove(config + "/mimeapps.list");
    EXPECT_EQ(direct.setDefault("a.desktop", "text/markdown"), 0);
    EXPECT_EQ(contents(config + "/mimeapps.list"), "[Default Applications]\ntext/markdown=a.desktop;\n");

    const QString file = test::temporaryFolder() + "/plain";
    writeFile(file);
    qputenv("XDG_CONFIG_HOME", file.toLocal8Bit());
    EXPECT_NE(direct.setDefault("a.desktop", "text/markdown"), 0);
}

TEST_F(DesktopEnvironmentTest, TheBoxWritesAndRemovesTheAutostartEntry)
{
    const QString entry = config + "/autostart/" + PenwickMiniService::kAutostartFileName;
    EXPECT_FALSE(pane.enableMiniCheckBox()->isChecked());
    pane.enableMiniCheckBox()->click();
    EXPECT_TRUE(platform::UserDefaults::standard().boolForKey(Prefs::SHOW_PW_MINI));
    ASSERT_TRUE(QFile::exists(entry));
    const QByteArray text = contents(entry);
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\nType=Application\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("/PenwickMini\"\n")) << text.toStdString();
    if (!QStandardPaths::findExecutable("desktop-file-validate").isEmpty()) {
        QProcess validate;
        validate.start("desktop-file-validate", { entry });
        ASSERT_TRUE(validate.waitForFinished(60000));
        EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().toStdString();
    }

    pane.enableMiniCheckBox()->click();
    EXPECT_FALSE(platform::UserDefaults::standard().boolForKey(Prefs::SHOW_PW_MINI));
    EXPECT_FALSE(QFile::exists(entry));

    // The box follows the setting when it changes elsewhere.
    platform::UserDefaults::standard().setValue(Prefs::SHOW_PW_MINI, true);
    EXPECT_TRUE(pane.enableMiniCheckBox()->isChecked());
    EXPECT_FALSE(QFile::exists(entry)) << "only a click changes the login item";

    // A failure is logged, nothing else.
    pane.enableMiniCheckBox()->setChecked(false);
    ASSERT_TRUE(QDir(config + "/autostart").removeRecursively());
    writeFile(config + "/autostart", "a file where the folder should be");
    const std::string out = test::capturedStdout([&] { pane.enableMiniCheckBox()->click(); });
    EXPECT_EQ(out, "Error: Error changing startup item status of Penwick mini\n");
}

TEST_F(DesktopEnvironmentTest, SwitchingOffEndsARunningPenwickMini)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString home = test::temporaryFolder() + "/home";
    QDir().mkpath(home);
    environment.insert("HOME", home);
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess mini;
    mini.setProcessEnvironment(environment);
    mini.start(QStringLiteral(PENWICK_MINI_PROGRAM), {});
    ASSERT_TRUE(mini.waitForStarted(10000));
    const QString socket = runtime + "/penwick-mini";
    ASSERT_TRUE(test::waitUntil([&] { return QFileInfo::exists(socket); }, 30000))
        << mini.readAllStandardOutput().toStdString() << mini.readAllStandardError().toStdString();

    pane.enableMiniCheckBox()->click();
    EXPECT_EQ(mini.state(), QProcess::Running) << "switching on starts nothing and ends nothing";

    pane.enableMiniCheckBox()->click();
    ASSERT_TRUE(mini.waitForFinished(30000)) << "PenwickMini is still running";
    EXPECT_EQ(mini.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(mini.exitCode(), 0);

    // With none running, switching off still removes the entry and waits for nothing.
    pane.enableMiniCheckBox()->click();
    pane.enableMiniCheckBox()->click();
    EXPECT_FALSE(QFile::exists(config + "/autostart/" + PenwickMiniService::kAutostartFileName));
    EXPECT_FALSE(PenwickMiniService::stopApp());
}

TEST_F(DesktopEnvironmentTest, AFailedSwitchIsLoggedOnceEachWay)
{
    // A folder where the entry should be: it can be neither written nor removed. That a failed
    // switch-off leaves a running PenwickMini alone is checked in the launcher's own tests.
    writeFile(config + "/autostart/" + PenwickMiniService::kAutostartFileName + "/inside", "x");
    const std::string out = test::capturedStdout([&] {
        pane.enableMiniCheckBox()->click();
        pane.enableMiniCheckBox()->click();
    });
    EXPECT_EQ(out, "Error: Error changing startup item status of Penwick mini\n"
                   "Error: Error changing startup item status of Penwick mini\n");
}
