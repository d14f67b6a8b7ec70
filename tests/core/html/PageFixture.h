#pragma once

#include "Models/ScriptAssetItem.h"

#include <QList>
#include <QString>

namespace penwick::test {

// Opens a private database once per process for the script-asset tests.
void ensureDatabase();
// Replaces every stored script asset with `items` and rebuilds the shared tags.
void storeScriptAssets(const QList<ScriptAssetItem>& items);
ScriptAssetItem asset(const QString& id, const QString& url, qint64 order, bool enabled = true);

void setBool(const QString& key, bool value);
void setString(const QString& key, const QString& value);
// Makes the setting absent, registered default included.
void unsetSetting(const QString& key);

// The exact texts of the page functions the pages carry.
QString hideJekyllScript();
QString repairMMDCodeScript();

} // namespace penwick::test
