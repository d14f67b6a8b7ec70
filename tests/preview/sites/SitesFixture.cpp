#include "SitesFixture.h"

#include "CoreMagicStrings.h"
#include "Extensions/FileManagerAdditions.h"
#include "Extensions/Realm.h"
#include "TestSupport.h"
#include "platform/UserDefaults.h"
#include "CorePrefs.h"

#include <QDir>
#include <QFile>

namespace penwick::test {

const QByteArray kSitePage = "<!DOCTYPE html><html><head><title>Site</title>"
                             "<script>window[\"obvInit\"]({});</script></head><body>"
                             "<h1 class=\"graf--h3\">Title</h1><div class=\"section-inner\">post</div>"
                             "</body></html>";

void SitesTest::SetUp()
{
    databaseFolder = temporaryFolder();
    ASSERT_TRUE(RealmSetup::setupInFolder(databaseFolder));
    ASSERT_TRUE(server.isListening());
    server.setResponse(QStringLiteral("/post"), kSitePage);
    QDir(cacheFolder()).removeRecursively();
    platform::UserDefaults::standard().removeObject(CorePrefs::REAL_PREVIEW_SELECTION);
}

void SitesTest::TearDown()
{
    RealmSetup::close();
    platform::UserDefaults::standard().removeObject(CorePrefs::REAL_PREVIEW_SELECTION);
}

QList<RealPreviewItem> SitesTest::storedSites()
{
    return RealPreviewItem::fetchAllItems();
}

void SitesTest::store(const RealPreviewItem& item)
{
    ASSERT_FALSE(Realm::write([&](RealmTransaction& tx) { tx.add(item); }).has_value());
}

QByteArray SitesTest::cachedPage(const QString& id)
{
    QFile file(cacheFolder() + QLatin1Char('/') + id + QStringLiteral(".html"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

QString SitesTest::cacheFolder()
{
    return getApplicationDirectoryPath(CoreMagicStrings::APPNAME) + QStringLiteral("/RealPreview");
}

} // namespace penwick::test
