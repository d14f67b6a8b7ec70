#pragma once

#include "CoreMagicStrings.h"

namespace penwick {

// The framework's fixed names; the editor adds none of its own.
class MagicStrings : public CoreMagicStrings {
public:
    MagicStrings() = default;
};

// Editor themes: highlighter style sheets in the bundle's (and the user's) themes folder.
class EditorStrings {
public:
    EditorStrings() = default;

    static inline const QString THEME_EXT = QStringLiteral("txt");
    static inline const QString THEMES_FOLDER = QStringLiteral("Themes");
};

// Preview styles: style sheets in the bundle's (and the user's) styles folder.
class PreviewStrings {
public:
    PreviewStrings() = default;

    static inline const QString STYLE_EXT = QStringLiteral("css");
    static inline const QString STYLES_FOLDER = QStringLiteral("CSS");
};

} // namespace penwick
