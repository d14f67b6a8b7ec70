#pragma once

#include "platform/web/NavigationRequest.h"

#include <QElapsedTimer>
#include <QWebEnginePage>

#include <optional>

namespace penwick::platform {

// The page of a WebView: lets the view's own loads, redirects, script-started and
// sub-frame navigations pass, keeps in-page anchors in the page and asks the policy about
// everything the user starts (links, forms, history). A link, form or history navigation
// that no click or key of the user's started (a script's doing) is refused without asking.
// No window is ever opened: a new window's first address (only windows the user asked for
// reach here) is handled as a link click on this page. Addresses of the program's own page
// scheme reach the policy as the file: URLs they stand for.
class WebPage : public QWebEnginePage {
    Q_OBJECT
public:
    explicit WebPage(QWebEngineProfile* profile, QObject* parent = nullptr);

    void setNavigationPolicy(NavigationPolicy policy) { m_policy = std::move(policy); }
    // The folder relative addresses resolve against, as the view loaded the page.
    void setPageBaseUrl(const QUrl& base) { m_baseUrl = base; }
    QUrl pageBaseUrl() const { return m_baseUrl; }

    // Decides a request the way a click would be decided; true when the page may go there.
    bool decide(const NavigationRequest& request);
    // Whether the last main-frame navigation was refused (the engine still reports it as a
    // load that starts and fails).
    bool lastNavigationRefused() const { return m_lastRefused; }
    // The user pressed a button or key in the view: navigations started now count as theirs.
    void noteUserInput() { m_userInput.start(); }
    bool hasRecentUserInput() const;

signals:
    // An in-page anchor that the page must scroll to (the id as decoded from the address).
    void inPageAnchorRequested(const QString& id);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    void handleNewWindowAddress(const QUrl& url);
    bool isInPageAnchor(const QUrl& url) const;

    NavigationPolicy m_policy;
    QUrl m_baseUrl;
    bool m_lastRefused = false;
    QElapsedTimer m_userInput;
};

} // namespace penwick::platform
