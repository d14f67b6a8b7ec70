#include "platform/web/WebPage.h"

#include "platform/web/PageScheme.h"

#include <QPointer>

namespace penwick::platform {

namespace {

// Stands for the window a link or script asked for: it reports the first address it is
// sent to and opens nothing.
class NewWindowCatcher : public QWebEnginePage {
public:
    NewWindowCatcher(QWebEngineProfile* profile, QObject* parent, std::function<void(const QUrl&)> onAddress)
        : QWebEnginePage(profile, parent)
        , m_onAddress(std::move(onAddress))
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override
    {
        if (isMainFrame && m_onAddress) {
            auto report = std::exchange(m_onAddress, {});
            // Answer the engine first; the owner decides once this call has returned.
            QMetaObject::invokeMethod(parent(), [report, url] { report(url); }, Qt::QueuedConnection);
            deleteLater();
        }
        return false;
    }

private:
    std::function<void(const QUrl&)> m_onAddress;
};

std::optional<NavigationKind> askedKind(QWebEnginePage::NavigationType type)
{
    switch (type) {
    case QWebEnginePage::NavigationTypeLinkClicked: return NavigationKind::LinkClicked;
    case QWebEnginePage::NavigationTypeFormSubmitted: return NavigationKind::FormSubmitted;
    case QWebEnginePage::NavigationTypeBackForward: return NavigationKind::BackForward;
    case QWebEnginePage::NavigationTypeReload: return NavigationKind::Reload;
    default: return std::nullopt; // the view's own loads, redirects, script-started navigations
    }
}

// How long after a click or key a navigation still counts as the user's.
constexpr qint64 kUserActionMs = 1000;

} // namespace

WebPage::WebPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent)
{
}

bool WebPage::isInPageAnchor(const QUrl& url) const
{
    if (!url.hasFragment())
        return false;
    const QUrl bare = url.adjusted(QUrl::RemoveFragment);
    const QUrl own = this->url().adjusted(QUrl::RemoveFragment);
    return (!own.isEmpty() && bare == own)
        || (!m_baseUrl.isEmpty() && PageScheme::toFileUrl(bare) == m_baseUrl.adjusted(QUrl::RemoveFragment));
}

bool WebPage::hasRecentUserInput() const
{
    return m_userInput.isValid() && m_userInput.elapsed() <= kUserActionMs;
}

bool WebPage::decide(const NavigationRequest& request)
{
    if (request.url.isEmpty() || !request.url.isValid())
        return false;
    if (request.mainFrame && request.kind == NavigationKind::LinkClicked && isInPageAnchor(request.url)) {
        emit inPageAnchorRequested(request.url.fragment(QUrl::FullyDecoded));
        return false;
    }
    if (!m_policy)
        return true;
    NavigationRequest asked = request;
    asked.url = PageScheme::toFileUrl(request.url);
    return m_policy(asked);
}

bool WebPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    if (!isMainFrame)
        return true;
    const auto kind = askedKind(type);
    if (kind && !hasRecentUserInput() && !isInPageAnchor(url)) {
        m_lastRefused = true; // a script's doing: nothing leaves the page for it
        return false;
    }
    m_lastRefused = kind && !decide({ url, *kind, isMainFrame });
    return !m_lastRefused;
}

QWebEnginePage* WebPage::createWindow(WebWindowType)
{
    QPointer<WebPage> self(this);
    return new NewWindowCatcher(profile(), this, [self](const QUrl& url) {
        if (self)
            self->handleNewWindowAddress(url);
    });
}

void WebPage::handleNewWindowAddress(const QUrl& url)
{
    if (decide({ url, NavigationKind::LinkClicked, true }))
        load(url);
}

} // namespace penwick::platform
