#include "platform/web/WebProfile.h"

#include "platform/StandardLocations.h"
#include "platform/web/LocalFileGuard.h"
#include "platform/web/PageScheme.h"

#include <QCoreApplication>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

namespace penwick::platform {

QWebEngineProfile* sharedWebProfile()
{
    static QWebEngineProfile* profile = [] {
        auto* p = new QWebEngineProfile(QCoreApplication::instance());
        QWebEngineSettings* s = p->settings();
        s->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
        // Pages come from PageScheme, under an origin per folder; file: pages would all be one
        // origin that reads every local file.
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        // Only windows the user asked for (a click, a key) get as far as the page's policy.
        s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
        s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
        p->setUrlRequestInterceptor(new LocalFileGuard({ resourcesDirectory() }, p));
        p->installUrlSchemeHandler(PageScheme::name, PageScheme::instance());
        return p;
    }();
    return profile;
}

} // namespace penwick::platform
