#include "PrefsTestSupport.h"

#include "TestSupport.h"
#include "preferences/ThemesFactory.h"
#include "platform/UserDefaults.h"
#include "common/Prefs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace penwick::test {

QString temporaryHome()
{
    static const QString home = [] {
        const QString folder = temporaryFolder();
        qputenv("HOME", folder.toLocal8Bit());
        return folder;
    }();
    return home;
}

namespace {

// Every program of these tests takes its private home before its first test.
class TemporaryHomeEnvironment : public ::testing::Environment {
public:
    void SetUp() override { temporaryHome(); }
};

[[maybe_unused]] ::testing::Environment* const homeEnvironment = ::testing::AddGlobalTestEnvironment(new TemporaryHomeEnvironment);

} // namespace

void writeFile(const QString& path, const QByteArray& bytes)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath())) << path.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

std::string capturedStdout(const std::function<void()>& body)
{
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    body();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

QStringList ThemeFoldersTest::settingsKeys()
{
    return { Prefs::EDITOR_THEME_NAME, Prefs::EDITOR_FONTFAMILY, Prefs::EDITOR_FONTSIZE,
        Prefs::EDITOR_FULLSCREEN_LR_MARGIN, Prefs::EDITOR_FULLSCREEN_TB_MARGIN, Prefs::EDITOR_NORMALSCREEN_LR_MARGIN,
        Prefs::EDITOR_NORMALSCREEN_TB_MARGIN, Prefs::PREVIEW_STYLE_NAME, Prefs::PREVIEW_SYNTAX_STYLE };
}

QString ThemeFoldersTest::userThemes() const
{
    QString path = ThemesFactory::userThemesPath();
    while (path.endsWith('/'))
        path.chop(1);
    return path;
}

void ThemeFoldersTest::SetUp()
{
    temporaryHome();
    ASSERT_TRUE(ThemesFactory::userThemesPath().startsWith(temporaryHome()));
    QFileInfo user(userThemes());
    if (user.isDir()) {
        ASSERT_TRUE(QDir(userThemes()).removeRecursively());
    } else if (user.exists()) {
        ASSERT_TRUE(QFile::remove(userThemes()));
    }
    ASSERT_TRUE(QDir().mkpath(userThemes()));

    m_hadResources = qEnvironmentVariableIsSet("PENWICK_RESOURCES");
    m_savedResources = qgetenv("PENWICK_RESOURCES");
    m_resources = temporaryFolder();
    qputenv("PENWICK_RESOURCES", m_resources.toLocal8Bit());
    for (const QString& key : settingsKeys())
        platform::UserDefaults::standard().removeObject(key);
}

void ThemeFoldersTest::useBuiltResources()
{
    if (m_hadResources)
        qputenv("PENWICK_RESOURCES", m_savedResources);
    else
        qunsetenv("PENWICK_RESOURCES");
}

void ThemeFoldersTest::TearDown()
{
    useBuiltResources();
    for (const QString& key : settingsKeys())
        platform::UserDefaults::standard().removeObject(key);
}

} // namespace penwick::test
