#pragma once

#include "CorePrefs.h"

namespace penwick {

// The editor's settings keys: the framework's (inherited) and the shell's own. The
// strings are settings-file keys shared across versions; some are irregular on
// purpose ("editorStandard…" for the normal-screen margins, "textEditorFontface…",
// the capitalised sort keys): never "fix" them.
class Prefs : public CorePrefs {
public:
    Prefs() = default;

    static inline const QString EDITOR_THEME_NAME = QStringLiteral("editorThemePreference");
    static inline const QString EDITOR_FULLSCREEN_LR_MARGIN = QStringLiteral("editorFullScreenLeftRightMargin");
    static inline const QString EDITOR_FULLSCREEN_TB_MARGIN = QStringLiteral("editorFullScreenTopBottomMargin");
    static inline const QString EDITOR_NORMALSCREEN_LR_MARGIN = QStringLiteral("editorStandardLeftRightMargin");
    static inline const QString EDITOR_NORMALSCREEN_TB_MARGIN = QStringLiteral("editorStandardTopBottomMargin");
    static inline const QString EDITOR_FONTFAMILY = QStringLiteral("textEditorFontfacePreference");
    static inline const QString EDITOR_FONTSIZE = QStringLiteral("editorFontSizePreference");
    static inline const QString PREVIEW_STYLE_NAME = QStringLiteral("previewStylePreference");
    static inline const QString PREVIEW_EXTERNAL_ZOOM_LEVEL = QStringLiteral("externalPreviewZoomLevel");
    static inline const QString PREVIEW_HIDE_JEKYLL_TABLES = QStringLiteral("hideJekyllTables");
    static inline const QString PREVIEW_SCALE = QStringLiteral("scalePreview");
    static inline const QString ENABLE_AUTO_SYNC = QStringLiteral("enableAutoSync");
    static inline const QString WHATS_NEW_VERSION = QStringLiteral("whatsNewVersion");
    static inline const QString WHATS_NEW_REAL_VERSION = QStringLiteral("whatsNewRealVersion");
    static inline const QString OUTLINE_COLLAPSE_SCRATCHES = QStringLiteral("collapseScratchesOutline");
    static inline const QString OUTLINE_COLLAPSE_FAVORITES = QStringLiteral("collapseFavoritesOutline");
    static inline const QString OUTLINE_COLLAPSE_SHADOWS = QStringLiteral("collapseShadowsOutline");
    static inline const QString OUTLINE_COLLAPSE_FOLDER = QStringLiteral("collapseFolderOutline");
    static inline const QString OUTLINE_EXPANDED_ITEMS = QStringLiteral("folderOutlineExpandedItems");
    static inline const QString AUTO_ADD_UNTITLED_DOCUMENT = QStringLiteral("autoAddUntitledDocument");
    static inline const QString AUTO_EXPAND_FOLDER = QStringLiteral("autoExpandFolder");
    // A path in tilde form, not a settings key; readers expand the tilde.
    static inline const QString USER_THEMES_PATH = QStringLiteral("~/.penwick/Themes/");
    static inline const QString SHOW_PW_MINI = QStringLiteral("showPenwickMiniIcon");
    static inline const QString SESSION_RESTORE_DOCS = QStringLiteral("lastSessionDocuments");
    static inline const QString SESSION_RESTORE_FOLDERS = QStringLiteral("lastSessionFolders");
    static inline const QString DOCS_RETAIN_DOC_AFTER_SAVE = QStringLiteral("retainMiniDocumentAfterSave");
    static inline const QString DOC_BASEURL_TYPE = QStringLiteral("documentBaseURLType");
    static inline const QString SORTING_FAVORITES_BY = QStringLiteral("FavoritesSortBy");
    static inline const QString SORTING_FAVORITES_ORDER = QStringLiteral("FavoritesSortOrder");
    static inline const QString SORTING_SCRATCH_BY = QStringLiteral("ScratchSortBy");
    static inline const QString SORTING_SCRATCH_ORDER = QStringLiteral("ScratchSortOrder");
    static inline const QString SORTING_SHADOW_BY = QStringLiteral("ShadowSortBy");
    static inline const QString SORTING_SHADOW_ORDER = QStringLiteral("ShadowSortOrder");
    // Whole points, for printing and the PDF export alike.
    static inline const QString PDF_EXPORT_TOP_MARGINS = QStringLiteral("pdfExportTopMargins");
    static inline const QString PDF_EXPORT_LEFT_MARGINS = QStringLiteral("pdfExportLeftMargins");
    static inline const QString PDF_EXPORT_RIGHT_MARGINS = QStringLiteral("pdfExportRightMargins");
    static inline const QString PDF_EXPORT_BOTTOM_MARGINS = QStringLiteral("pdfExportBottomMargins");
};

} // namespace penwick
