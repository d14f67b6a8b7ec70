#pragma once

#include <QString>

namespace penwick {

// Settings keys the framework reads. The strings are the settings file's keys
// and are shared with the other program: never change them.
class CorePrefs {
public:
    CorePrefs() = default;

    static inline const QString PREVIEW_ENABLE_GFM = QStringLiteral("enableAlternateMarkdown");
    static inline const QString EDITOR_AUTOPAIR = QStringLiteral("autopairBracesAndQuotes");
    static inline const QString EDITOR_AUTOBULLET = QStringLiteral("enableAutomaticBulleting");
    static inline const QString EDITOR_AUTOPAIR_DOLLAR = QStringLiteral("autoPairDollar");
    static inline const QString EDITOR_USESPACES = QStringLiteral("editorUseSpacesForTabs");
    static inline const QString EDITOR_TABWIDTH = QStringLiteral("editorTabWidth");
    static inline const QString PREVIEW_ENABLE_PRISM = QStringLiteral("enablePrismJS");
    static inline const QString PREVIEW_SYNTAX_STYLE = QStringLiteral("previewSyntaxStyleNamePreference");
    static inline const QString PREVIEW_ENABLE_MATHJAX = QStringLiteral("enableMathPreview");
    static inline const QString PREVIEW_ENABLE_OUTLINE = QStringLiteral("enablePreviewOutline");
    static inline const QString PREVIEW_MATHJAX_URL = QStringLiteral("mathJaxUrl");
    static inline const QString PREVIEW_PARSE_JEKYLL = QStringLiteral("parseOutJekyllFrontmatter");
    static inline const QString PREVIEW_RENDER_NEWLINE = QStringLiteral("renderNewLineLiterally");
    static inline const QString REAL_PREVIEW_SELECTION = QStringLiteral("realPreviewSitePreference");
};

} // namespace penwick
