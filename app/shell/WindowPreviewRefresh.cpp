#include "shell/WindowPreviewRefresh.h"

#include "CorePrefs.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "common/Notifications.h"
#include "common/Prefs.h"
#include "shell/TVXDocumentWindowController.h"

namespace penwick {

const QStringList WindowPreviewRefresh::RENDERING_KEYS { CorePrefs::PREVIEW_PARSE_JEKYLL, CorePrefs::PREVIEW_ENABLE_MATHJAX,
    CorePrefs::PREVIEW_ENABLE_PRISM, CorePrefs::PREVIEW_SYNTAX_STYLE, CorePrefs::PREVIEW_ENABLE_GFM, Prefs::EDITOR_FONTSIZE };
const QStringList WindowPreviewRefresh::BASE_URL_KEYS { Notifications::BASE_URL_MAP, Prefs::DOC_BASEURL_TYPE };

WindowPreviewRefresh::WindowPreviewRefresh(TVXDocumentWindowController* window)
{
    platform::NotificationCenter& center = platform::NotificationCenter::defaultCenter();
    for (const QString& name : { Notifications::EDITOR_MARGINS_CHANGED, Notifications::SPLIT_VIEW_STATE_CHANGED })
        m_observations.push_back(center.observe(name, nullptr, [window](const platform::Notification&) { window->adjustEditorMargins(); }));
    m_observations.push_back(center.observe(Notifications::FOLDER_WATCH, nullptr, [window](const platform::Notification& notification) {
        window->handleFolderWatchNotification(notification.userInfo.value(Notifications::FOLDER_WATCH_PAYLOAD).toString());
    }));

    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    for (const QString& key : RENDERING_KEYS)
        m_observations.push_back(defaults.observe(key, window, [window](const QString&) { window->rerenderCurrentDocument(); }));
    for (const QString& key : BASE_URL_KEYS)
        m_observations.push_back(defaults.observe(key, window, [window](const QString&) { window->baseURLSettingsChanged(); }));
}

} // namespace penwick
