#pragma once

#include <QCoreApplication>
#include <QString>

namespace penwick {

// A program with a window on the screen, as the front-application tracker sees it.
struct RunningApplication {
    qint64 pid = 0;           // 0 when its window names no process
    QString executablePath;   // /proc/<pid>/exe; stands for the program's bundle path
    QString identifier;       // desktop-file id, else the WM_CLASS class
    QString localizedName;    // the desktop file's Name=, else the WM_CLASS class
    quint32 windowId = 0;     // the window that was active
    QString windowTitle;

    // Whether this is PenwickMini itself.
    bool isSelf() const { return pid != 0 && pid == QCoreApplication::applicationPid(); }

    bool operator==(const RunningApplication&) const = default;
};

} // namespace penwick
