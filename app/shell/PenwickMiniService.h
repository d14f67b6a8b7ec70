#pragma once

#include <QString>

namespace penwick {

// Whether PenwickMini starts when the user logs in.
class PenwickMiniService {
public:
    static inline const QString kAutostartFileName = QStringLiteral("penwick-mini.desktop");

    // Writes (true) or removes (false) PenwickMini's autostart entry; a failure is logged
    // ("Error changing startup item status of Penwick mini") and otherwise not reported.
    // Switching off also ends a running PenwickMini (stopApp), unless the change failed.
    static void updateStatus(bool enabled);
    // Asks the running PenwickMini, if any, to save its note and quit (its single-instance
    // "quit" message); true when one took the message.
    static bool stopApp();
    // The autostart entry's text: PenwickMini beside this program's executable.
    static QString autostartEntry();
};

} // namespace penwick
