#pragma once

#include "CoreNotifications.h"

namespace penwick {

// Notification names and payload keys the editor's subsystems post to each other,
// plus two settings keys (the base-URL dictionaries) that their readers reach here.
class Notifications : public CoreNotifications {
public:
    Notifications() = default;

    static inline const QString EDITOR_MARGINS_CHANGED = QStringLiteral("EditorMarginsChangedNotification");
    static inline const QString INDIVIDUAL_EDITOR_STYLE_SELECTED = QStringLiteral("IndividualEditorStyleSelectedNotification");
    static inline const QString INDIVIDUAL_PREVIEW_STYLE_SELECTED = QStringLiteral("IndividualPreviewStyleSelectedNotification");
    static inline const QString DOCUMENT_SELECTED = QStringLiteral("DocumentSelectedNotification");
    static inline const QString SPLIT_VIEW_STATE_CHANGED = QStringLiteral("WindowSplitViewStateChangedNotification");
    static inline const QString PREVIEW_THEME_LOADED = QStringLiteral("PreviewThemeLoadedNotification");
    static inline const QString TEXT_EDITOR_THEME_LOADED = QStringLiteral("TextEditorThemeLoadedNotification");
    // User-info key of the two Individual… notifications: the chosen path, or a null
    // QVariant for the default entry (the notification's object is only its sender).
    static inline const QString INDIVIDUAL_STYLE_PATH_PAYLOAD = QStringLiteral("individualStylePathPayload");
    // Settings key: dictionary from root-folder path to base URL.
    static inline const QString BASE_URL_MAP = QStringLiteral("baseUrlMap");
    // Settings key: dictionary from a document's path to the raw base-URL type chosen for it.
    static inline const QString BASE_URL_MAP_FOR_INDIE_DOCS = QStringLiteral("baseUrlMapForIndieDocs");
    static inline const QString FOLDER_WATCH = QStringLiteral("folderWatchNotification");
    static inline const QString FOLDER_WATCH_PAYLOAD = QStringLiteral("folderWatchPayload");
    static inline const QString MINI_NOTE_TITLE_EDITED = QStringLiteral("miniNoteEdited");
    static inline const QString MINI_NOTE_EDITED_TITLE_PAYLOAD = QStringLiteral("miniNoteEditedTitlePayload");
    static inline const QString MINI_NOTE_EDITED_NEWURL_PAYLOAD = QStringLiteral("miniNoteEditedNewURLPayload");
    static inline const QString MINI_NOTE_EDITED_OLDURL_PAYLOAD = QStringLiteral("miniNoteEditedOldURLPayload");
};

} // namespace penwick
