#pragma once

#include <QUrl>

#include <functional>

namespace penwick::platform {

// Hands URLs to the desktop: a file opens in its default application.
class Workspace {
public:
    using Opener = std::function<bool(const QUrl&)>;

    // Asks the desktop to open the URL; false when nothing took it.
    static bool openURL(const QUrl& url);
    // Replaces the desktop's opener (tests record the URLs instead); an empty one restores it.
    static void setOpener(Opener opener);
};

} // namespace penwick::platform
