#include "shell/UpdateFeed.h"

#include "platform/UserDefaults.h"

namespace penwick {

QUrl UpdateFeed::releaseFeedURL()
{
    return QUrl(QStringLiteral("https://penwick.org/updates/release.xml"));
}

QUrl UpdateFeed::preReleaseFeedURL()
{
    return QUrl(QStringLiteral("https://penwick.org/updates/prerelease.xml"));
}

void UpdateFeed::setup()
{
    const bool preRelease = platform::UserDefaults::standard().boolForKey(GET_ALPHA_UPDATES);
    m_feedURL = preRelease ? preReleaseFeedURL() : releaseFeedURL();
    m_interval = preRelease ? PRE_RELEASE_INTERVAL : RELEASE_INTERVAL;
}

} // namespace penwick
