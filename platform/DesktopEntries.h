#pragma once

#include <QString>

#include <optional>

namespace penwick::platform {

// One application's desktop file, as far as telling programs apart needs it.
struct DesktopEntry {
    QString id;             // the desktop-file id without ".desktop" ("org.gnome.gedit")
    QString name;           // Name= of the [Desktop Entry] group
    QString startupWMClass; // StartupWMClass=
    QString path;
    QString icon; // Icon=: a theme icon name or an absolute file
    QString exec; // Exec=

    bool operator==(const DesktopEntry&) const = default;
};

// Desktop files in the applications folders of the XDG data folders (the user's first; the
// first file of an id wins, as desktop environments look them up).
class DesktopEntries {
public:
    static std::optional<DesktopEntry> entryForId(const QString& id);
    // The entry whose StartupWMClass equals `wmClass` (case-insensitively).
    static std::optional<DesktopEntry> entryForWMClass(const QString& wmClass);
    // The entry whose Exec= (or TryExec=) program is `executable` or has its file name.
    static std::optional<DesktopEntry> entryForExecutable(const QString& executable);
    // Reads one file; none when it has no [Desktop Entry] group.
    static std::optional<DesktopEntry> read(const QString& path, const QString& id);
};

} // namespace penwick::platform
