#include "preferences/ThemesFactory.h"

#include "Extensions/FileManagerAdditions.h"
#include "Extensions/StringAdditions.h"
#include "platform/StandardLocations.h"
#include "common/Prefs.h"

#include <QDir>
#include <QSet>

#include <algorithm>

namespace penwick {

ThemesFactory& ThemesFactory::sharedInstance()
{
    static ThemesFactory instance;
    return instance;
}

QString ThemesFactory::userThemesPath()
{
    static const QString path = stringByExpandingTildeInPath(Prefs::USER_THEMES_PATH);
    return path;
}

ThemeItems ThemesFactory::itemsOfType(const QString& type, const QString& folder)
{
    QStringList paths = collectItemsOfType(type, folder);
    // Every path shares the folder prefix, so this orders by relative path and fixes which
    // of two same-named files is kept.
    std::sort(paths.begin(), paths.end());
    ThemeItems items;
    QSet<ThemeItem> seen;
    for (const QString& path : paths) {
        ThemeItem item(path);
        if (!seen.contains(item)) {
            seen.insert(item);
            items.append(item);
        }
    }
    return items;
}

ThemeItems ThemesFactory::getUserDefinedThemesOfType(const QString& type) const
{
    return itemsOfType(type, userThemesPath());
}

ThemeItems ThemesFactory::getBundledThemesOfType(const QString& type, const QString& directory) const
{
    const QString resources = platform::resourcesDirectory();
    if (resources.isEmpty())
        return {};
    return itemsOfType(type, appendPathComponent(resources, directory));
}

std::optional<QString> ThemesFactory::pathForThemeName(const QString& name, const QString& type, const QString& directory) const
{
    // Only a full path is taken as a path: a bare name is never looked up in the working
    // folder, where any file of that name would replace the theme.
    if (QDir::isAbsolutePath(name) && checkIfFileExists(name))
        return name;
    const QString file = name + QLatin1Char('.') + type;
    const QString user = appendPathComponent(userThemesPath(), file);
    if (checkIfFileExists(user))
        return user;
    const QString resources = platform::resourcesDirectory();
    if (!resources.isEmpty()) {
        const QString bundled = appendPathComponent(appendPathComponent(resources, directory), file);
        if (checkIfFileExists(bundled))
            return bundled;
    }
    return std::nullopt;
}

} // namespace penwick
