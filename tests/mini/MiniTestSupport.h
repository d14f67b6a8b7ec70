#pragma once

#include "Extensions/Realm.h"
#include "Support/DarkModeTracker.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <memory>

namespace penwick::test {

// Stands in for the desktop's appearance: the test says dark or light.
class FakeAppearanceSource : public DarkModeAppearanceSource {
public:
    explicit FakeAppearanceSource(bool dark) : m_dark(dark) {}
    bool isDark() const override { return m_dark; }
    void report(bool dark)
    {
        m_dark = dark;
        notifyChanged();
    }

private:
    bool m_dark;
};

inline FakeAppearanceSource* useAppearance(bool dark)
{
    auto fake = std::make_unique<FakeAppearanceSource>(dark);
    FakeAppearanceSource* raw = fake.get();
    DarkModeTracker::setAppearanceSource(std::move(fake));
    return raw;
}

// Points HOME and the resources at folders of the test's own while alive; `write` puts a
// script or file under either.
class PrivateFolders {
public:
    PrivateFolders()
        : m_savedHome(qgetenv("HOME"))
        , m_savedResources(qgetenv("PENWICK_RESOURCES"))
    {
        home = temporaryFolder();
        resources = temporaryFolder();
        qputenv("HOME", home.toLocal8Bit());
        qputenv("PENWICK_RESOURCES", resources.toLocal8Bit());
    }
    ~PrivateFolders()
    {
        qputenv("HOME", m_savedHome);
        qputenv("PENWICK_RESOURCES", m_savedResources);
    }
    QString userScripts() const { return home + QStringLiteral("/.penwick/ShadowScripts/"); }
    QString shippedScripts() const { return resources + QStringLiteral("/mini/ShadowScripts/"); }
    static QString write(const QString& path, const QByteArray& text, bool executable = true)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(text);
        file.close();
        if (executable)
            file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        return path;
    }

    QString home;
    QString resources;

private:
    QByteArray m_savedHome;
    QByteArray m_savedResources;
};

// Each test gets its own database in a fresh folder, closed again afterwards.
class MiniDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = temporaryFolder();
        ASSERT_TRUE(RealmSetup::setupInFolder(folder)) << RealmSetup::unavailableError().message.toStdString();
        useAppearance(false);
    }
    void TearDown() override { RealmSetup::close(); }

#ifdef PENWICK_DATABASE_HELPER
    // Runs the database helper program (another process on the same file) to its end; its output.
    QString runHelper(const QStringList& arguments)
    {
        QProcess helper;
        helper.start(QStringLiteral(PENWICK_DATABASE_HELPER), arguments);
        if (!helper.waitForFinished(20000))
            return QStringLiteral("timeout");
        return QString::fromUtf8(helper.readAllStandardOutput()).trimmed();
    }
#endif

    QString folder;
};

} // namespace penwick::test
