// Every writer of settings and lists replaces its file whole or not at all: cut short by a full
// disk (a file-size limit here), it reports the failure and the old file stays as it was.
#include "FileSizeLimit.h"
#include "TestSupport.h"
#include "Vendors/PWOrderedDictionary.h"
#include "platform/DefaultApplications.h"
#include "platform/LoginItem.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>

using namespace penwick;

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

struct Writer {
    const char* name;
    // The file the writer replaces, under `home`.
    std::function<QString(const QString& home)> path;
    // Writes `text` in its own form; true when the writer reports success.
    std::function<bool(const QString& home, const QString& text)> write;
};

} // namespace

TEST(AtomicWriters, AWriteCutShortIsReportedAndLeavesTheOldFile)
{
    // 8000 bytes: more than the limit, less than a file device's buffer, where a buffered write
    // lost the short count in its final flush and committed a truncated file as complete.
    const QString longText(8000, QLatin1Char('x'));
    const QList<Writer> writers {
        { "settings",
            [](const QString& home) { return home + QStringLiteral("/Penwick.plist"); },
            [](const QString& home, const QString& text) {
                platform::UserDefaults settings(home + QStringLiteral("/Penwick.plist"));
                return settings.setValue(QStringLiteral("text"), text) && settings.lastError().isEmpty();
            } },
        { "ordered dictionary",
            [](const QString& home) { return home + QStringLiteral("/ordered.plist"); },
            [](const QString& home, const QString& text) {
                const PWOrderedDictionary dictionary({ PWObject(text) }, { PWObject(QStringLiteral("key")) });
                return dictionary.writeToFile(home + QStringLiteral("/ordered.plist"), true);
            } },
        { "autostart entry",
            [](const QString& home) { return home + QStringLiteral("/autostart/penwick-mini.desktop"); },
            [](const QString& home, const QString& text) {
                qputenv("XDG_CONFIG_HOME", home.toUtf8());
                return platform::LoginItem(QStringLiteral("penwick-mini.desktop"), text).setEnabled(true);
            } },
        { "default applications",
            [](const QString& home) { return home + QStringLiteral("/mimeapps.list"); },
            [](const QString& home, const QString& text) {
                qputenv("XDG_CONFIG_HOME", home.toUtf8());
                // With no xdg-mime to ask, the list is written directly.
                const platform::DefaultApplications applications(home + QStringLiteral("/no-xdg-mime"));
                return applications.setDefault(text + QStringLiteral(".desktop"), QStringLiteral("text/markdown")) == 0;
            } },
    };
    const QByteArray savedConfigHome = qgetenv("XDG_CONFIG_HOME");
    for (const Writer& writer : writers) {
        SCOPED_TRACE(writer.name);
        const QString home = test::temporaryFolder();
        const QString path = writer.path(home);
        ASSERT_TRUE(writer.write(home, QStringLiteral("short")));
        const QByteArray old = readFile(path);
        bool reportedSuccess = true;
        {
            const test::FileSizeLimit limit(4096);
            ASSERT_TRUE(limit.isActive());
            reportedSuccess = writer.write(home, longText);
        }
        EXPECT_FALSE(reportedSuccess);
        EXPECT_EQ(readFile(path), old);
        EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden), QStringList { QFileInfo(path).fileName() })
            << "no temporary file is left beside it";
        // Without the limit the same write goes through: the failure above was the limit's.
        EXPECT_TRUE(writer.write(home, longText));
        EXPECT_GE(readFile(path).size(), 8000);
    }
    qputenv("XDG_CONFIG_HOME", savedConfigHome);
}
