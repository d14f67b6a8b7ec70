#pragma once

#include "CorePrefs.h"

namespace penwick {

// The editor's settings keys: the framework's, plus the shell's own (added with the shell).
class Prefs : public CorePrefs {
public:
    Prefs() = default;

    // Themes, fonts and margins of the editor; the preview's style sheet.
    static inline const QString EDITOR_THEME_NAME = QStringLiteral("editorThemePreference");
    static inline const QString EDITOR_FONTFAMILY = QStringLiteral("textEditorFontfacePreference");
    static inline const QString EDITOR_FONTSIZE = QStringLiteral("editorFontSizePreference");
    static inline const QString EDITOR_FULLSCREEN_LR_MARGIN = QStringLiteral("editorFullScreenLeftRightMargin");
    static inline const QString EDITOR_FULLSCREEN_TB_MARGIN = QStringLiteral("editorFullScreenTopBottomMargin");
    static inline const QString EDITOR_NORMALSCREEN_LR_MARGIN = QStringLiteral("editorStandardLeftRightMargin");
    static inline const QString EDITOR_NORMALSCREEN_TB_MARGIN = QStringLiteral("editorStandardTopBottomMargin");
    static inline const QString PREVIEW_STYLE_NAME = QStringLiteral("previewStylePreference");
    static inline const QString SHOW_PW_MINI = QStringLiteral("showPenwickMiniIcon");
    // The user's themes folder, tilde not expanded (not a settings key).
    static inline const QString USER_THEMES_PATH = QStringLiteral("~/.penwick/Themes/");
};

} // namespace penwick
