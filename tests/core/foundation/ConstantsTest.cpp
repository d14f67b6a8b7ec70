#include "CoreMagicStrings.h"
#include "CoreNotifications.h"
#include "CorePrefs.h"
#include "common/MagicStrings.h"
#include "common/Notifications.h"
#include "common/Prefs.h"

#include <QThread>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace penwick;

TEST(Constants, BindingStrings)
{
    const std::vector<std::pair<QString, const char*>> table = {
        { CorePrefs::PREVIEW_ENABLE_GFM, "enableAlternateMarkdown" },
        { CorePrefs::EDITOR_AUTOPAIR, "autopairBracesAndQuotes" },
        { CorePrefs::EDITOR_AUTOBULLET, "enableAutomaticBulleting" },
        { CorePrefs::EDITOR_AUTOPAIR_DOLLAR, "autoPairDollar" },
        { CorePrefs::EDITOR_USESPACES, "editorUseSpacesForTabs" },
        { CorePrefs::EDITOR_TABWIDTH, "editorTabWidth" },
        { CorePrefs::PREVIEW_ENABLE_PRISM, "enablePrismJS" },
        { CorePrefs::PREVIEW_SYNTAX_STYLE, "previewSyntaxStyleNamePreference" },
        { CorePrefs::PREVIEW_ENABLE_MATHJAX, "enableMathPreview" },
        { CorePrefs::PREVIEW_ENABLE_OUTLINE, "enablePreviewOutline" },
        { CorePrefs::PREVIEW_MATHJAX_URL, "mathJaxUrl" },
        { CorePrefs::PREVIEW_PARSE_JEKYLL, "parseOutJekyllFrontmatter" },
        { CorePrefs::PREVIEW_RENDER_NEWLINE, "renderNewLineLiterally" },
        { CorePrefs::REAL_PREVIEW_SELECTION, "realPreviewSitePreference" },
        { CoreMagicStrings::APPNAME, "Penwick" },
        { CoreMagicStrings::AUTOSAVE_TEMP_FOLDER, ".temp" },
        { CoreMagicStrings::AUTOSAVE_TEMP_FILE_EXT, "pwtemp" },
        { CoreMagicStrings::SHADOW_SCRIPTS_PATH, "~/.penwick/ShadowScripts/" },
        { CoreMagicStrings::PENWICK_MINI_SHORTCUT, "penwickMiniShortcut" },
        { CoreNotifications::CUSTOM_CSS_UPDATED, "CustomCSSUpdatedNotification" },
        { CoreNotifications::ONUPDATE_CALLBACK_JS_UPDATED, "OnUpdateCallbackJSUpdatedNotification" },
        { CoreNotifications::SCRIPT_ASSETS_UPDATED, "ScriptAssetsUpdatedNotification" },
        { CoreNotifications::SHADOW_NOTE_ADDED, "ShadowNoteAddedNotification" },
        { CoreNotifications::SHADOW_NOTE_UPDATED, "ShadowNoteUpdatedNotification" },
        { CoreNotifications::SHADOW_NOTE_PAYLOAD, "ShadowNotePayload" },
    };
    for (const auto& [constant, expected] : table)
        EXPECT_EQ(constant, QString::fromLatin1(expected));
    EXPECT_FALSE(CoreMagicStrings::FULL_APP_PATH.isEmpty());
}

TEST(Constants, ApplicationClassesInheritTheFrameworkNames)
{
    EXPECT_EQ(Prefs::PREVIEW_ENABLE_GFM, QStringLiteral("enableAlternateMarkdown"));
    EXPECT_EQ(&Prefs::PREVIEW_ENABLE_GFM, &CorePrefs::PREVIEW_ENABLE_GFM);
    EXPECT_EQ(MagicStrings::APPNAME, CoreMagicStrings::APPNAME);
    EXPECT_EQ(Notifications::SCRIPT_ASSETS_UPDATED, CoreNotifications::SCRIPT_ASSETS_UPDATED);
}

TEST(Constants, ReadsFromTwoThreadsSeeOneValue)
{
    const QString* seen[2] = {};
    QString values[2];
    auto reader = [&](int i) {
        return QThread::create([&, i] {
            seen[i] = &CorePrefs::EDITOR_TABWIDTH;
            values[i] = CorePrefs::EDITOR_TABWIDTH;
        });
    };
    std::unique_ptr<QThread> a(reader(0)), b(reader(1));
    a->start();
    b->start();
    a->wait();
    b->wait();
    EXPECT_EQ(seen[0], seen[1]);
    EXPECT_EQ(values[0], values[1]);
    EXPECT_EQ(values[0], QStringLiteral("editorTabWidth"));
}
