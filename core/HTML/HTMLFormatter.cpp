#include "HTML/HTMLFormatter.h"

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

QString HTMLFormatter::formatContent(const QString& content, const QString& cssTags, const QString& cssStyles, const QString& title)
{
    const AssetTags assets = assetTags();
    QString page;
    page.reserve(content.size() + 4096);
    page += kPageOpening;
    page += kHeadOpening;
    page += titleElement(title);
    page += assets.before;
    page += cssTags;
    page += CSSLinks::prismStyleSheet();
    page += inlineStyles(cssStyles);
    page += getCustomCSSTag().value_or(QString());
    page += kHeadClosing;
    page += kSeparator;
    page += kBodyOpening;
    page += content;
    page += JSScripts::prismScript();
    page += JSScripts::mathJaxScript();
    page += JSScripts::jekyllScript();
    page += JSScripts::repairLocalImageScript();
    page += JSScripts::repairMMDCodeScript();
    page += assets.after;
    page += JSScripts::onUpdateCallbackScript().value_or(QString());
    page += kBodyClosing;
    page += kPageClosing;
    return page;
}

QString HTMLFormatter::formatForExport(const QString& content, const QString& cssStyles, const QString& title)
{
    const AssetTags assets = assetTags();
    QString page;
    page.reserve(content.size() + 4096);
    page += kPageOpening;
    page += kHeadOpening;
    page += titleElement(title);
    page += assets.before;
    page += inlineStyles(cssStyles);
    page += getCustomCSSTag().value_or(QString());
    page += kHeadClosing;
    page += kSeparator;
    page += kBodyOpening;
    page += content;
    page += JSScripts::mathJaxScript();
    page += assets.after;
    page += JSScripts::onUpdateCallbackScriptForExport().value_or(QString());
    page += kBodyClosing;
    page += kPageClosing;
    return page;
}

QString HTMLFormatter::formatForExportWithoutCSS(const QString& content, const QString& title)
{
    const AssetTags assets = assetTags();
    QString page;
    page.reserve(content.size() + 4096);
    page += kPageOpening;
    page += kHeadOpening;
    page += titleElement(title);
    page += assets.before;
    page += kHeadClosing;
    page += kSeparator;
    page += kBodyOpening;
    page += content;
    page += JSScripts::mathJaxScript();
    page += assets.after;
    page += kBodyClosing;
    page += JSScripts::onUpdateCallbackScriptForExport().value_or(QString());
    page += kPageClosing;
    return page;
}

QString HTMLFormatter::rewriteLocalImageSources(const QString& content)
{
    const QRegularExpression pattern(QStringLiteral("\\<img\\s+src=\"(?!http)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    if (!pattern.isValid())
        return content;
    QString out = content;
    out.replace(pattern, QStringLiteral("<img src=\"file:"));
    return out;
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
