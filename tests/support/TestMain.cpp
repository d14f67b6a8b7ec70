// Entry point of every test program: a QApplication (offscreen when there is no
// display), settings and data folders redirected into a private folder of this
// process (so that runs never see each other's files), the bundled defaults
// registered, then GoogleTest.
#include "CoreSetup.h"
#include "platform/ApplicationStartup.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    penwick::platform::prepareWebEngine();
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/penwick-test-XXXXXX"));
    for (const char* var : { "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME" }) {
        const QString dir = home.path() + QLatin1Char('/') + QString::fromLatin1(var).toLower();
        QDir().mkpath(dir);
        qputenv(var, dir.toLocal8Bit());
    }
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PenwickTests"));
    penwick::registerBundledDefaults();
    return RUN_ALL_TESTS();
}
