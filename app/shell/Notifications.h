#pragma once

#include "CoreNotifications.h"

namespace penwick {

class Notifications : public CoreNotifications {
public:
    Notifications() = default;

    static inline const QString EDITOR_MARGINS_CHANGED = QStringLiteral("EditorMarginsChangedNotification");
    static inline const QString PREVIEW_THEME_LOADED = QStringLiteral("PreviewThemeLoadedNotification");
    static inline const QString TEXT_EDITOR_THEME_LOADED = QStringLiteral("TextEditorThemeLoadedNotification");
    static inline const QString DOCUMENT_SELECTED = QStringLiteral("DocumentSelectedNotification");
    static inline const QString INDIVIDUAL_EDITOR_STYLE_SELECTED = QStringLiteral("IndividualEditorStyleSelectedNotification");
    static inline const QString INDIVIDUAL_PREVIEW_STYLE_SELECTED = QStringLiteral("IndividualPreviewStyleSelectedNotification");
    // User-info key of the two Individual… notifications: the chosen path, or a null
    // QVariant for the default entry (the notification's object is only its sender).
    static inline const QString INDIVIDUAL_STYLE_PATH_PAYLOAD = QStringLiteral("individualStylePathPayload");
    static inline const QString SPLIT_VIEW_STATE_CHANGED = QStringLiteral("WindowSplitViewStateChangedNotification");
};

} // namespace penwick
