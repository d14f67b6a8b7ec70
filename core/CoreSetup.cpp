#include "CoreSetup.h"

#include "LXLogger.h"
#include "platform/StandardLocations.h"
#include "platform/UserDefaults.h"

#include <QDir>

namespace penwick {

bool registerBundledDefaults()
{
    auto& defaults = platform::UserDefaults::standard();
    if (!defaults.lastError().isEmpty())
        log().error(defaults.lastError());
    const QString path = QDir(platform::resourcesDirectory()).filePath(QStringLiteral("Defaults.plist"));
    QString error;
    if (!defaults.registerDefaultsFromFile(path, &error)) {
        log().error(QStringLiteral("The default settings could not be registered: ") + error);
        return false;
    }
    return true;
}

} // namespace penwick
