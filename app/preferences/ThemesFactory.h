#pragma once

#include "preferences/ThemeItem.h"

#include <QString>

#include <optional>

namespace penwick {

// Where editor themes and preview styles live, and which file a theme name stands for.
// Two places: the user's themes folder (both kinds, told apart by extension) and a
// folder per kind among the shipped resources. Stateless; safe from any thread.
class ThemesFactory {
public:
    static ThemesFactory& sharedInstance();

    // "~/.penwick/Themes/" with the home folder filled in, worked out once per process.
    static QString userThemesPath();

    // One item per file below the user's themes folder whose relative path ends with
    // `type`; of several files with one display name only the first in path order.
    ThemeItems getUserDefinedThemesOfType(const QString& type) const;
    // The same for the resources subfolder `directory`.
    ThemeItems getBundledThemesOfType(const QString& type, const QString& directory) const;

    // `name` itself when it is an existing file, else the user's "<name>.<type>", else the
    // shipped one; nothing when none of them is a file.
    std::optional<QString> pathForThemeName(const QString& name, const QString& type, const QString& directory) const;

private:
    static ThemeItems itemsOfType(const QString& type, const QString& folder);
};

} // namespace penwick
