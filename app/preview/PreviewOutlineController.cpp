#include "preview/PreviewOutlineController.h"

#include "Extensions/StringAdditions.h"
#include "HTML/CSSLinks.h"
#include "HTML/HTMLFormatter.h"
#include "Services/MarkdownFormatter.h"
#include "Vendors/RegExp.h"
#include "platform/web/PageScheme.h"
#include "platform/web/WebView.h"
#include "preferences/PreviewPreferencesSynchronizer.h"
#include "preview/UserStyleSheetLink.h"
#include "preview/PreviewOutlinePopover.h"

#include <QAbstractButton>

namespace penwick {

const QString PreviewOutlineController::OUTLINE_CSS = QStringLiteral(
    "html, body, code, blockquote {margin:2px;padding:2px;font-size: small; display:inline-block} h1, h2, h3, h4, h5, "
    "h6 {font-size: 13px; } a {text-decoration:none; } code{opacity:0.7; font-size: small}");

PreviewOutlineController::PreviewOutlineController(QObject* parent)
    : QObject(parent)
{
}

void PreviewOutlineController::setPreviewOutlinePopover(PreviewOutlinePopover* popover)
{
    if (m_popover) {
        m_popover->disconnect(this);
        m_popover->outlineWebView()->setInPageLinkHandler({});
    }
    m_popover = popover;
    if (!popover)
        return;
    connect(popover, &platform::Popover::shown, this, &PreviewOutlineController::popoverDidShow);
    connect(popover, &platform::Popover::closed, this, &PreviewOutlineController::popoverDidClose);
    platform::WebView* view = popover->outlineWebView();
    // The outline page stays where it is: its links only report their target.
    view->setNavigationPolicy([](const platform::NavigationRequest&) { return false; });
    view->setUrlOpener([](const QUrl&) {});
    QPointer<PreviewOutlineController> self(this);
    view->setInPageLinkHandler([self](const QString& target) {
        if (self)
            self->linkClicked(target);
    });
}

platform::WebView* PreviewOutlineController::outlineWebView() const
{
    return m_popover ? m_popover->outlineWebView() : nullptr;
}

std::optional<QString> PreviewOutlineController::outlineBody(const QString& renderedHeadings)
{
    static const RegExp headingPattern(QStringLiteral("<(h([1-6]))\\s*id=\"(.+)\">(.+)<"));
    const QStringList found = headingPattern.allMatches(renderedHeadings);
    if (found.size() <= 4)
        return std::nullopt;
    QString body;
    for (qsizetype match = 0, n = 0; match + 4 < found.size(); match += 5, ++n) {
        const QString& tag = found.at(match + 1);
        const int level = found.at(match + 2).toInt();
        const QString& anchor = found.at(match + 3);
        QString shown = found.at(match + 4);
        if (characterCount(shown) > MAX_TITLE_CHARACTERS)
            shown = subscript(shown, CharacterRange { 0, MAX_TITLE_CHARACTERS + 1 }) + QStringLiteral("...");
        const QString entry = QStringLiteral("&nbsp;").repeated(level) + QString(level, u'#') + QStringLiteral("&nbsp;<a href=\"#")
            + anchor + QStringLiteral("?id=") + QString::number(n) + QStringLiteral("\">") + shown + QStringLiteral("</a>");
        body += QStringLiteral("\n<") + tag + QStringLiteral(" id=\"") + anchor + QStringLiteral("\">") + entry + QStringLiteral("</")
            + tag + QStringLiteral(">");
    }
    return body;
}

QString PreviewOutlineController::outlinePage(const QString& body)
{
    QString styleLink;
    if (const std::optional<QString> path = PreviewPreferencesSynchronizer::sharedInstance().getPreferredStylePath()) {
        styleLink = CSSLinks::styleSheetLinkForURL(QUrl::fromLocalFile(*path).toString(QUrl::FullyEncoded));
        platform::PageScheme::instance()->addSharedFile(*path);
    }
    return HTMLFormatter::formatContent(body, styleLink, OUTLINE_CSS, QString(), userStyleSheetLink());
}

std::optional<std::pair<QString, qsizetype>> PreviewOutlineController::parseLinkTarget(const QString& target)
{
    static const RegExp linkPattern(QStringLiteral("(.*)\\?.*={1}(\\d+)"));
    const QStringList found = linkPattern.allMatches(target);
    if (found.size() <= 2)
        return std::nullopt;
    bool ok = false;
    const qsizetype number = found.at(2).toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return std::make_pair(found.at(1), number);
}

void PreviewOutlineController::showOutlines(QWidget* sender, const QString& text)
{
    if (text.isEmpty()) {
        if (m_showOutlineBtn)
            m_showOutlineBtn->setChecked(false);
        return;
    }
    if (m_popover)
        m_popover->showRelativeTo(sender, platform::Popover::Edge::Top);
    m_withoutCodeBlocks = extractOutlineRanges(text).first;
    QStringList titles;
    for (const OutlineRange& entry : std::as_const(m_withoutCodeBlocks))
        titles.append(entry.title());
    const QString rendered = MarkdownFormatter::formatRawContent(std::optional<QString>(titles.join(u'\n')));
    const std::optional<QString> body = outlineBody(rendered);
    if (!body)
        return; // the view keeps what it showed
    if (platform::WebView* view = outlineWebView()) {
        view->loadHtml(outlinePage(*body));
        ++m_pagesLoaded;
    }
}

void PreviewOutlineController::linkClicked(const QString& target)
{
    const auto parsed = parseLinkTarget(target);
    // A rendered page can hold more headings than the scan found (inline HTML in a title):
    // a number past the list selects nothing.
    if (!parsed || parsed->second < 0 || parsed->second >= m_withoutCodeBlocks.size())
        return;
    const OutlineRange chosen = m_withoutCodeBlocks.at(parsed->second);
    if (m_delegate)
        m_delegate->didSelectPreviewOutline(parsed->first, chosen);
}

void PreviewOutlineController::popoverDidShow()
{
    if (m_showOutlineBtn)
        m_showOutlineBtn->setChecked(true);
}

void PreviewOutlineController::popoverDidClose()
{
    if (m_showOutlineBtn)
        m_showOutlineBtn->setChecked(false);
    m_withoutCodeBlocks.clear();
}

} // namespace penwick
