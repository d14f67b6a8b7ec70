#pragma once

#include <QByteArray>
#include <QString>

namespace penwick {

// Fixed names: folders and files on disk and the mini program's shortcut key.
class CoreMagicStrings {
public:
    CoreMagicStrings() = default;

    static inline const QString APPNAME = QStringLiteral("Penwick");
    static inline const QString FULL_APP_PATH = QStringLiteral("org.penwick.Penwick");
    static inline const QString AUTOSAVE_TEMP_FOLDER = QStringLiteral(".temp");
    static inline const QString AUTOSAVE_TEMP_FILE_EXT = QStringLiteral("pwtemp");
    static inline const QString SHADOW_SCRIPTS_PATH = QStringLiteral("~/.penwick/ShadowScripts/");
    static inline const QString PENWICK_MINI_SHORTCUT = QStringLiteral("penwickMiniShortcut");
    // PenwickMini's single-instance channel: the local-server name (and, with ".lock", the lock
    // file) in $XDG_RUNTIME_DIR. A client connects, writes one message line and closes:
    // "toggle" opens or closes the popover, "quit" ends PenwickMini after saving its note.
    static inline const QString PENWICK_MINI_INSTANCE_NAME = QStringLiteral("penwick-mini");
    static inline const QByteArray PENWICK_MINI_TOGGLE_MESSAGE = QByteArrayLiteral("toggle");
    static inline const QByteArray PENWICK_MINI_QUIT_MESSAGE = QByteArrayLiteral("quit");
};

} // namespace penwick
