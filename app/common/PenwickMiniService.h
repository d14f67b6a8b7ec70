#pragma once

#include <QString>

namespace penwick {

// Starts and stops PenwickMini, and whether it starts when the user logs in (an XDG autostart
// entry). The running copy is the one holding its single-instance lock.
class PenwickMiniService {
public:
    static inline const QString kAutostartFileName = QStringLiteral("penwick-mini.desktop");

    // Writes (true) or removes (false) PenwickMini's autostart entry; switching off also ends a
    // running copy (stopApp). A failure is logged ("Error changing startup item status of
    // Penwick mini") and changes nothing else.
    static void updateStatus(bool enabled);
    // Starts PenwickMini unless a copy runs; a program that cannot be started is passed over.
    static void startApp();
    // Asks the running copy, if any, to end: SIGTERM, on which PenwickMini saves its note and
    // quits. True when a copy was asked.
    static bool stopApp();

    // The autostart entry's text: the PenwickMini that startApp() starts.
    static QString autostartEntry();
    // PenwickMini beside this program's executable, unless another path was set.
    static QString companionPath();
    // Another program to stand for PenwickMini (empty: back to the one beside the executable).
    static void setCompanionPath(const QString& path);
};

} // namespace penwick
