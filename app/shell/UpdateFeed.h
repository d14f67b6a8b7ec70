#pragma once

#include <QString>
#include <QUrl>

namespace penwick {

// Where updates would be looked for and how often. Linux gets Penwick's updates through its
// package manager, so nothing is downloaded: the choice of feed and interval is kept as state,
// and a background check is only counted.
class UpdateFeed {
public:
    // The setting that asks for pre-releases.
    static inline const QString GET_ALPHA_UPDATES = QStringLiteral("getAlphaUpdates");
    static constexpr double PRE_RELEASE_INTERVAL = 3600.0; // seconds
    static constexpr double RELEASE_INTERVAL = 86400.0;    // seconds

    static QUrl releaseFeedURL();
    static QUrl preReleaseFeedURL();

    // Reads "getAlphaUpdates" and chooses the feed and interval from it.
    void setup();
    void checkForUpdatesInBackground() { ++m_backgroundChecks; }

    QUrl feedURL() const { return m_feedURL; }
    double updateCheckInterval() const { return m_interval; }
    int backgroundChecks() const { return m_backgroundChecks; }

private:
    QUrl m_feedURL;
    double m_interval = 0.0;
    int m_backgroundChecks = 0;
};

} // namespace penwick
