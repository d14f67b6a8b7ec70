#pragma once

#include <QString>

namespace penwick {

// Fixed names: folders and files on disk and the mini program's shortcut key.
class CoreMagicStrings {
public:
    CoreMagicStrings() = default;

    static inline const QString APPNAME = QStringLiteral("Penwick");
    static inline const QString FULL_APP_PATH = QStringLiteral("org.penwick.Penwick");
    static inline const QString AUTOSAVE_TEMP_FOLDER = QStringLiteral(".temp");
    static inline const QString AUTOSAVE_TEMP_FILE_EXT = QStringLiteral("pwtemp");
    static inline const QString SHADOW_SCRIPTS_PATH = QStringLiteral("~/.penwick/ShadowScripts/");
    static inline const QString PENWICK_MINI_SHORTCUT = QStringLiteral("penwickMiniShortcut");
};

} // namespace penwick
