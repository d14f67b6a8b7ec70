#include "PageFixture.h"

#include "Extensions/Realm.h"
#include "Services/ScriptAssetsManager.h"
#include "TestSupport.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

namespace penwick::test {

void ensureDatabase()
{
    static const bool opened = RealmSetup::setupInFolder(temporaryFolder());
    ASSERT_TRUE(opened);
}

void storeScriptAssets(const QList<ScriptAssetItem>& items)
{
    ensureDatabase();
    const auto error = Realm::write([&](RealmTransaction& tx) {
        tx.removeAll<ScriptAssetItem>();
        for (const ScriptAssetItem& item : items)
            tx.add(item);
    });
    ASSERT_FALSE(error) << error->message.toStdString();
    ScriptAssetsManager::sharedInstance().updateScriptAssets();
}

ScriptAssetItem asset(const QString& id, const QString& url, qint64 order, bool enabled)
{
    ScriptAssetItem item;
    item.setId(id);
    item.setUrl(url);
    item.setName(id);
    item.setOrder(order);
    item.setEnabled(enabled);
    item.setCreatedDate(QDateTime::currentDateTimeUtc());
    item.setUpdatedDate(QDateTime::currentDateTimeUtc());
    return item;
}

void setBool(const QString& key, bool value)
{
    platform::UserDefaults::standard().setValue(key, value);
}

void setString(const QString& key, const QString& value)
{
    platform::UserDefaults::standard().setValue(key, value);
}

void unsetSetting(const QString& key)
{
    platform::UserDefaults::standard().removeObject(key);
    platform::UserDefaults::standard().registerDefaults({ { key, QVariant() } });
}

QString hideJekyllScript()
{
    return QStringLiteral("<script>function hideJekyllTable(doHide){ var tbs = document.getElementsByClassName('jekyll-table'); "
                          "for(i=0;i<tbs.length;++i) {tbs[i].style.display = doHide == 'true' ? 'none':'block';};}</script>");
}

QString repairMMDCodeScript()
{
    return QStringLiteral("<script>function repairMMDCode(){ var codes = document.getElementsByTagName('code'); "
                          "for (i=0;i<codes.length;i++) { var code = codes[i]; if (code.classList.length == 1) "
                          "{ var className = code.classList[0]; code.className = 'language-'+className;}}}</script>");
}

} // namespace penwick::test
