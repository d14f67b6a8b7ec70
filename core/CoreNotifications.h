#pragma once

#include <QString>

namespace penwick {

// Names of the notifications the framework posts on the default notification centre.
class CoreNotifications {
public:
    CoreNotifications() = default;

    static inline const QString CUSTOM_CSS_UPDATED = QStringLiteral("CustomCSSUpdatedNotification");
    static inline const QString ONUPDATE_CALLBACK_JS_UPDATED = QStringLiteral("OnUpdateCallbackJSUpdatedNotification");
    static inline const QString SCRIPT_ASSETS_UPDATED = QStringLiteral("ScriptAssetsUpdatedNotification");
    static inline const QString SHADOW_NOTE_ADDED = QStringLiteral("ShadowNoteAddedNotification");
    static inline const QString SHADOW_NOTE_UPDATED = QStringLiteral("ShadowNoteUpdatedNotification");
    static inline const QString SHADOW_NOTE_PAYLOAD = QStringLiteral("ShadowNotePayload");
};

} // namespace penwick
