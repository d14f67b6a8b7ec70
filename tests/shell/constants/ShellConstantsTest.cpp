#include "common/AppLogger.h"
#include "common/MagicStrings.h"
#include "common/Notifications.h"
#include "common/Prefs.h"

#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

using namespace penwick;

namespace {

using Table = std::vector<std::pair<QString, const char*>>;

void expectTable(const Table& table)
{
    for (const auto& [constant, expected] : table)
        EXPECT_EQ(constant, QString::fromUtf8(expected));
}

} // namespace

TEST(ShellConstants, SettingsKeys)
{
    expectTable({
        { Prefs::EDITOR_THEME_NAME, "editorThemePreference" },
        { Prefs::EDITOR_FULLSCREEN_LR_MARGIN, "editorFullScreenLeftRightMargin" },
        { Prefs::EDITOR_FULLSCREEN_TB_MARGIN, "editorFullScreenTopBottomMargin" },
        { Prefs::EDITOR_NORMALSCREEN_LR_MARGIN, "editorStandardLeftRightMargin" },
        { Prefs::EDITOR_NORMALSCREEN_TB_MARGIN, "editorStandardTopBottomMargin" },
        { Prefs::EDITOR_FONTFAMILY, "textEditorFontfacePreference" },
        { Prefs::EDITOR_FONTSIZE, "editorFontSizePreference" },
        { Prefs::PREVIEW_STYLE_NAME, "previewStylePreference" },
        { Prefs::PREVIEW_EXTERNAL_ZOOM_LEVEL, "externalPreviewZoomLevel" },
        { Prefs::PREVIEW_HIDE_JEKYLL_TABLES, "hideJekyllTables" },
        { Prefs::PREVIEW_SCALE, "scalePreview" },
        { Prefs::ENABLE_AUTO_SYNC, "enableAutoSync" },
        { Prefs::WHATS_NEW_VERSION, "whatsNewVersion" },
        { Prefs::WHATS_NEW_REAL_VERSION, "whatsNewRealVersion" },
        { Prefs::OUTLINE_COLLAPSE_SCRATCHES, "collapseScratchesOutline" },
        { Prefs::OUTLINE_COLLAPSE_FAVORITES, "collapseFavoritesOutline" },
        { Prefs::OUTLINE_COLLAPSE_SHADOWS, "collapseShadowsOutline" },
        { Prefs::OUTLINE_COLLAPSE_FOLDER, "collapseFolderOutline" },
        { Prefs::OUTLINE_EXPANDED_ITEMS, "folderOutlineExpandedItems" },
        { Prefs::AUTO_ADD_UNTITLED_DOCUMENT, "autoAddUntitledDocument" },
        { Prefs::AUTO_EXPAND_FOLDER, "autoExpandFolder" },
        { Prefs::USER_THEMES_PATH, "~/.penwick/Themes/" },
        { Prefs::SHOW_PW_MINI, "showPenwickMiniIcon" },
        { Prefs::SESSION_RESTORE_DOCS, "lastSessionDocuments" },
        { Prefs::SESSION_RESTORE_FOLDERS, "lastSessionFolders" },
        { Prefs::DOCS_RETAIN_DOC_AFTER_SAVE, "retainMiniDocumentAfterSave" },
        { Prefs::DOC_BASEURL_TYPE, "documentBaseURLType" },
        { Prefs::SORTING_FAVORITES_BY, "FavoritesSortBy" },
        { Prefs::SORTING_FAVORITES_ORDER, "FavoritesSortOrder" },
        { Prefs::SORTING_SCRATCH_BY, "ScratchSortBy" },
        { Prefs::PDF_EXPORT_TOP_MARGINS, "pdfExportTopMargins" },
        { Prefs::PDF_EXPORT_LEFT_MARGINS, "pdfExportLeftMargins" },
        { Prefs::PDF_EXPORT_RIGHT_MARGINS, "pdfExportRightMargins" },
        { Prefs::PDF_EXPORT_BOTTOM_MARGINS, "pdfExportBottomMargins" },
        { Prefs::SORTING_SCRATCH_ORDER, "ScratchSortOrder" },
        { Prefs::SORTING_SHADOW_BY, "ShadowSortBy" },
        { Prefs::SORTING_SHADOW_ORDER, "ShadowSortOrder" },
    });
}

TEST(ShellConstants, ThemeAndStyleNames)
{
    expectTable({
        { EditorStrings::THEME_EXT, "txt" },
        { EditorStrings::THEMES_FOLDER, "Themes" },
        { PreviewStrings::STYLE_EXT, "css" },
        { PreviewStrings::STYLES_FOLDER, "CSS" },
    });
}

TEST(ShellConstants, NotificationNamesPayloadKeysAndDictionaryKeys)
{
    expectTable({
        { Notifications::EDITOR_MARGINS_CHANGED, "EditorMarginsChangedNotification" },
        { Notifications::INDIVIDUAL_EDITOR_STYLE_SELECTED, "IndividualEditorStyleSelectedNotification" },
        { Notifications::INDIVIDUAL_PREVIEW_STYLE_SELECTED, "IndividualPreviewStyleSelectedNotification" },
        { Notifications::DOCUMENT_SELECTED, "DocumentSelectedNotification" },
        { Notifications::SPLIT_VIEW_STATE_CHANGED, "WindowSplitViewStateChangedNotification" },
        { Notifications::PREVIEW_THEME_LOADED, "PreviewThemeLoadedNotification" },
        { Notifications::TEXT_EDITOR_THEME_LOADED, "TextEditorThemeLoadedNotification" },
        { Notifications::BASE_URL_MAP, "baseUrlMap" },
        { Notifications::BASE_URL_MAP_FOR_INDIE_DOCS, "baseUrlMapForIndieDocs" },
        { Notifications::FOLDER_WATCH, "folderWatchNotification" },
        { Notifications::FOLDER_WATCH_PAYLOAD, "folderWatchPayload" },
        { Notifications::MINI_NOTE_TITLE_EDITED, "miniNoteEdited" },
        { Notifications::MINI_NOTE_EDITED_TITLE_PAYLOAD, "miniNoteEditedTitlePayload" },
        { Notifications::MINI_NOTE_EDITED_NEWURL_PAYLOAD, "miniNoteEditedNewURLPayload" },
        { Notifications::MINI_NOTE_EDITED_OLDURL_PAYLOAD, "miniNoteEditedOldURLPayload" },
    });
}

TEST(ShellConstants, FrameworkKeysAnswerThroughTheApplicationClasses)
{
    // The document window observes these five through Prefs.
    const std::vector<std::pair<const QString*, const QString*>> same = {
        { &Prefs::PREVIEW_ENABLE_PRISM, &CorePrefs::PREVIEW_ENABLE_PRISM },
        { &Prefs::PREVIEW_SYNTAX_STYLE, &CorePrefs::PREVIEW_SYNTAX_STYLE },
        { &Prefs::PREVIEW_ENABLE_GFM, &CorePrefs::PREVIEW_ENABLE_GFM },
        { &Prefs::PREVIEW_ENABLE_MATHJAX, &CorePrefs::PREVIEW_ENABLE_MATHJAX },
        { &Prefs::PREVIEW_PARSE_JEKYLL, &CorePrefs::PREVIEW_PARSE_JEKYLL },
        { &MagicStrings::AUTOSAVE_TEMP_FOLDER, &CoreMagicStrings::AUTOSAVE_TEMP_FOLDER },
        { &Notifications::CUSTOM_CSS_UPDATED, &CoreNotifications::CUSTOM_CSS_UPDATED },
    };
    for (const auto& [derived, base] : same) {
        EXPECT_EQ(derived, base);
        EXPECT_FALSE(derived->isEmpty());
    }
    EXPECT_EQ(Prefs::PREVIEW_ENABLE_GFM, QStringLiteral("enableAlternateMarkdown"));
}

TEST(ShellConstants, FirstReadsFromTwoThreadsSeeOneStringAndOneLogger)
{
    const QString* seen[2] = {};
    LXLogger* loggers[2] = {};
    auto reader = [&](int i) {
        return std::unique_ptr<QThread>(QThread::create([&, i] {
            seen[i] = &Prefs::SORTING_SHADOW_ORDER;
            loggers[i] = &appLog();
        }));
    };
    auto a = reader(0), b = reader(1);
    a->start();
    b->start();
    a->wait();
    b->wait();
    EXPECT_EQ(seen[0], seen[1]);
    EXPECT_EQ(*seen[0], QStringLiteral("ShadowSortOrder"));
    EXPECT_EQ(loggers[0], loggers[1]);
    EXPECT_EQ(loggers[0], &appLog());
}
