#include "HTML/JSScripts.h"

#include "CorePrefs.h"
#include "HTML/CSSLinks.h"
#include "Services/JSCallbackManager.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFileInfo>

namespace penwick {

using platform::UserDefaults;

namespace {

std::optional<QString> stringSetting(const QString& key)
{
    const UserDefaults& defaults = UserDefaults::standard();
    if (!defaults.object(key).isValid())
        return std::nullopt;
    const QString value = defaults.stringForKey(key);
    if (value.isNull())
        return std::nullopt;
    return value;
}

QString jsSingleQuoted(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('\''))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

} // namespace

const QString& JSScripts::repairRemoteImageSourcesFunc()
{
    static const QString text = QStringLiteral(
        "function repairRemoteImageSources(url){ var imgs = document.getElementsByTagName('img'); "
        "var a = document.createElement('a'); a.href = url; var realDomain = a.protocol + '//' + a.host; "
        "for (i=0;i<imgs.length;i++) { a.href = imgs[i].src; "
        "if (a.protocol == 'file:' || (a.protocol == location.protocol && a.host == location.host)) "
        "{ imgs[i].src = realDomain + a.pathname + a.search + a.hash; }}}");
    return text;
}

const QString& JSScripts::repairLinkHrefsFunc()
{
    static const QString text = QStringLiteral(
        "function repairLinkHrefs(url){ var links = document.getElementsByTagName('link'); "
        "var a = document.createElement('a'); a.href = url; var realProtocol = a.protocol; var realHost = a.host; "
        "for (i=0;i<links.length;i++) { a.href = links[i].href; "
        "if (a.protocol == 'file:' || (a.protocol == location.protocol && a.host == location.host)) "
        "{ var host = a.host == '' || a.protocol != 'file:' ? realHost : a.host; "
        "links[i].href = realProtocol + '//' + host + a.pathname + a.search + a.hash; }}}");
    return text;
}

QString JSScripts::absoluteImageRoot()
{
    const QString home = QDir::cleanPath(QDir::homePath());
    const QString parent = QFileInfo(home).absolutePath();
    if (parent == QLatin1String("/") || parent.isEmpty())
        return home == QLatin1String("/") ? QStringLiteral("/") : home + QLatin1Char('/');
    return parent + QLatin1Char('/');
}

const QString& JSScripts::repairLocalImageSourcesFunc()
{
    static const QString text = QStringLiteral(
        "function repairLocalImageSources(baseUrl){ var imgs = document.getElementsByTagName('img'); "
        "var a = document.createElement('a'); "
        "var pageBase = document.baseURI.substring(0, document.baseURI.lastIndexOf('/')); "
        "for (i=0;i<imgs.length;i++) { a.href = imgs[i].src; "
        "if (a.protocol == 'file:' || (a.protocol == location.protocol && a.host == location.host)) "
        "{ var root = a.protocol + '//' + a.host; var path = a.href.replace(pageBase, '').replace(root, ''); "
        "var isAbsolute = path.indexOf('%1') == 0; "
        "imgs[i].src = root + (isAbsolute ? '' : baseUrl) + path; }}}")
                                    .arg(jsSingleQuoted(absoluteImageRoot()));
    return text;
}

const QString& JSScripts::mediumClassInjectionFunc()
{
    static const QString text = QStringLiteral(
        "function addClasses(){ "
        "var ps = document.getElementsByTagName('p'); for (i=0;i<ps.length;i++) { ps[i].className += ' graf--p'; } "
        "var bqs = document.getElementsByTagName('blockquote'); "
        "for (i=0;i<bqs.length;i++) { bqs[i].className += ' graf--pullquote pullquote'; } "
        "var hs = ['h3','h2','h1','h4','h5']; for (var j=0;j<hs.length;j++) { "
        "var els = document.getElementsByTagName(hs[j]); for (i=0;i<els.length;i++) { els[i].className += ' graf--' + hs[j]; } } "
        "var bps = document.querySelectorAll('blockquote>p'); for (i=0;i<bps.length;i++) { bps[i].className = ''; }}");
    return text;
}

const QString& JSScripts::repairMMDCodeFunc()
{
    static const QString text = QStringLiteral(
        "function repairMMDCode(){ var codes = document.getElementsByTagName('code'); for (i=0;i<codes.length;i++) "
        "{ var code = codes[i]; if (code.classList.length == 1) { var className = code.classList[0]; "
        "code.className = 'language-'+className;}}}");
    return text;
}

const QString& JSScripts::hideJekyllFunc()
{
    static const QString text = QStringLiteral(
        "function hideJekyllTable(doHide){ var tbs = document.getElementsByClassName('jekyll-table'); "
        "for(i=0;i<tbs.length;++i) {tbs[i].style.display = doHide == 'true' ? 'none':'block';};}");
    return text;
}

QString JSScripts::mathJaxScript()
{
    if (!UserDefaults::standard().boolForKey(CorePrefs::PREVIEW_ENABLE_MATHJAX))
        return QString(QLatin1String(""));
    const std::optional<QString> url = stringSetting(CorePrefs::PREVIEW_MATHJAX_URL);
    if (!url)
        return QString(QLatin1String(""));
    return QStringLiteral("<script type='text/javascript' src='") + *url + QStringLiteral("'></script>\n")
        + QStringLiteral("<script type='text/javascript'>function reloadMathJax(){MathJax.Hub.Queue([\"Typeset\",MathJax.Hub]);}</script>");
}

QString JSScripts::prismScript()
{
    if (!UserDefaults::standard().boolForKey(CorePrefs::PREVIEW_ENABLE_PRISM))
        return QString(QLatin1String(""));
    const QString resources = CSSLinks::resourceFolder();
    if (resources.isEmpty())
        return QString(QLatin1String(""));
    return QStringLiteral("<script type='text/javascript' src='") + resources + QStringLiteral("/prismjs/prism.js'></script>\n")
        + QStringLiteral("<script type='text/javascript'>function reloadPrism(){Prism.highlightAll();}</script>");
}

QString JSScripts::jekyllScript()
{
    if (!UserDefaults::standard().boolForKey(CorePrefs::PREVIEW_PARSE_JEKYLL))
        return QString(QLatin1String(""));
    return QStringLiteral("<script>") + hideJekyllFunc() + QStringLiteral("</script>");
}

QString JSScripts::repairMMDCodeScript()
{
    if (UserDefaults::standard().boolForKey(CorePrefs::PREVIEW_ENABLE_GFM))
        return QString(QLatin1String(""));
    return QStringLiteral("<script>") + repairMMDCodeFunc() + QStringLiteral("</script>");
}

QString JSScripts::repairLocalImageScript()
{
    return QStringLiteral("<script>") + repairLocalImageSourcesFunc() + QStringLiteral("</script>");
}

std::optional<QString> JSScripts::onUpdateCallbackScript()
{
    const std::optional<QString> js = JSCallbackManager::sharedInstance().readOnUpdateCallbackJS();
    if (!js || js->isEmpty())
        return std::nullopt;
    return QStringLiteral("\n<script>function penwickPreviewUpdateCallback(){") + *js + QStringLiteral("\n}</script>\n");
}

std::optional<QString> JSScripts::onUpdateCallbackScriptForExport()
{
    const std::optional<QString> js = JSCallbackManager::sharedInstance().readOnUpdateCallbackJS();
    if (!js || js->isEmpty())
        return std::nullopt;
    return QStringLiteral("\n<script>document.addEventListener(\"DOMContentLoaded\", function(event) {") + *js
        + QStringLiteral("});</script>\n");
}

} // namespace penwick
