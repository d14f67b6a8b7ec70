#include "preferences/PreferencePane.h"

#include "Extensions/FileManagerAdditions.h"
#include "platform/StandardLocations.h"

namespace penwick {

QIcon PreferencePane::namedImage(const QString& name)
{
    const QString path = platform::resourcesDirectory() + QStringLiteral("/Images/") + name + QStringLiteral(".svg");
    return checkIfFileExists(path) ? QIcon(path) : QIcon();
}

} // namespace penwick
