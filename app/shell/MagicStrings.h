#pragma once

#include "CoreMagicStrings.h"

namespace penwick {

class MagicStrings : public CoreMagicStrings {
public:
    MagicStrings() = default;
};

// File extension and resources folder of editor themes.
class EditorStrings {
public:
    static inline const QString THEME_EXT = QStringLiteral("txt");
    static inline const QString THEMES_FOLDER = QStringLiteral("Themes");
};

// File extension and resources folder of preview style sheets.
class PreviewStrings {
public:
    static inline const QString STYLE_EXT = QStringLiteral("css");
    static inline const QString STYLES_FOLDER = QStringLiteral("CSS");
};

} // namespace penwick
