#include "platform/web/WebProfile.h"

#include "platform/StandardLocations.h"
#include "platform/web/LocalFileGuard.h"

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
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
        s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true); // reaches the policy, opens nothing
        s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
        p->setUrlRequestInterceptor(new LocalFileGuard({ resourcesDirectory() }, p));
        return p;
    }();
    return profile;
}

} // namespace penwick::platform
