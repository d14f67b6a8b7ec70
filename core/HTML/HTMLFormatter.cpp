#include "HTML/HTMLFormatter.h"

#include "Vendors/RegExp.h"

#include "HTML/CSSLinks.h"
#include "HTML/JSScripts.h"
#include "Services/CustomCSSManager.h"
#include "Services/ScriptAssetsManager.h"

#include <QRegularExpression>
#include <QTextDocument>

namespace penwick {

namespace {

const QLatin1String kPageOpening("<!DOCTYPE html><html>");
const QLatin1String kHeadOpening("<head><meta charset=\"UTF-8\">");
const QLatin1String kHeadClosing("</head>");
const QLatin1String kSeparator("\n");
const QLatin1String kBodyOpening("<body>");
const QLatin1String kBodyClosing("</body>");
const QLatin1String kPageClosing("\n</html>");

QString titleElement(const QString& title)
{
    return QStringLiteral("<title>") + title + QStringLiteral("</title>");
}

QString inlineStyles(const QString& styles)
{
    return QStringLiteral("<style>") + styles + QStringLiteral("</style>");
}

struct AssetTags {
    QString before;
    QString after;
};

AssetTags assetTags()
{
    AssetTags tags;
    if (const std::shared_ptr<const ScriptAssetTags> held = ScriptAssetsManager::sharedInstance().getScriptAssetTags()) {
        tags.before = held->beforeBodyTags().value_or(QString());
        tags.after = held->afterBodyTags().value_or(QString());
    }
    return tags;
}

// The frame every page shares: `head` pieces after the title, `body` pieces after the
// content, `afterBody` between the body and the end of the page.
QString assemblePage(const QString& title, std::initializer_list<QString> head, const QString& content,
    std::initializer_list<QString> body, const QString& afterBody = QString())
{
    QString page;
    page.reserve(content.size() + 4096);
    page += kPageOpening;
    page += kHeadOpening;
    page += titleElement(title);
    for (const QString& piece : head)
        page += piece;
    page += kHeadClosing;
    page += kSeparator;
    page += kBodyOpening;
    page += content;
    for (const QString& piece : body)
        page += piece;
    page += kBodyClosing;
    page += afterBody;
    page += kPageClosing;
    return page;
}

} // namespace

std::optional<QString> HTMLFormatter::getCustomCSSTag()
{
    const std::optional<QString> css = CustomCSSManager::sharedInstance().readCustomCSS();
    if (!css)
        return std::nullopt;
    if (css->isEmpty())
        return QString(QLatin1String(""));
    return QStringLiteral("\n<style type=\"text/css\">") + *css + QStringLiteral("</style>\n");
}

QString HTMLFormatter::formatContent(const QString& content, const QString& cssTags, const QString& cssStyles, const QString& title,
    const std::optional<QString>& customCSSLink)
{
    const AssetTags assets = assetTags();
    const QString customCSS = customCSSLink ? *customCSSLink : getCustomCSSTag().value_or(QString());
    return assemblePage(title,
        { assets.before, cssTags, CSSLinks::prismStyleSheet(), inlineStyles(cssStyles), customCSS },
        content,
        { JSScripts::prismScript(), JSScripts::mathJaxScript(), JSScripts::jekyllScript(), JSScripts::repairLocalImageScript(),
          JSScripts::repairMMDCodeScript(), assets.after, JSScripts::onUpdateCallbackScript().value_or(QString()) });
}

QString HTMLFormatter::formatForExport(const QString& content, const QString& cssStyles, const QString& title)
{
    const AssetTags assets = assetTags();
    return assemblePage(title, { assets.before, inlineStyles(cssStyles), getCustomCSSTag().value_or(QString()) }, content,
        { JSScripts::mathJaxScript(), assets.after, JSScripts::onUpdateCallbackScriptForExport().value_or(QString()) });
}

QString HTMLFormatter::formatForExportWithoutCSS(const QString& content, const QString& title)
{
    const AssetTags assets = assetTags();
    // This page carries the update callback after the body closing.
    return assemblePage(title, { assets.before }, content, { JSScripts::mathJaxScript(), assets.after },
        JSScripts::onUpdateCallbackScriptForExport().value_or(QString()));
}

QString HTMLFormatter::rewriteLocalImageSources(const QString& content)
{
    // Through RegExp, so that a stray surrogate in the content does not stop the rewrite.
    static const RegExp pattern(QStringLiteral("\\<img\\s+src=\"(?!http)"), RegExp::CaseInsensitive);
    return pattern.replacingMatches(content, QStringLiteral("<img src=\"file:"));
}

QString HTMLFormatter::copyPasteHTML(const QString& content, const QString& cssStyles)
{
    return QStringLiteral("<html><head><meta charset=\"UTF-8\">") + inlineStyles(cssStyles)
        + getCustomCSSTag().value_or(QString()) + QStringLiteral("</head><body>") + rewriteLocalImageSources(content)
        + QStringLiteral("</body></html>");
}

QTextDocumentFragment HTMLFormatter::formatForCopyPaste(const QString& content, const QString& cssStyles)
{
    QTextDocument document;
    document.setHtml(copyPasteHTML(content, cssStyles));
    return QTextDocumentFragment(&document);
}

} // namespace penwick
