#include "platform/Workspace.h"

#include <QDesktopServices>

namespace penwick::platform {

namespace {
Workspace::Opener& opener()
{
    static Workspace::Opener instance;
    return instance;
}
} // namespace

bool Workspace::openURL(const QUrl& url)
{
    if (const auto& custom = opener())
        return custom(url);
    return QDesktopServices::openUrl(url);
}

void Workspace::setOpener(Opener replacement)
{
    opener() = std::move(replacement);
}

} // namespace penwick::platform
