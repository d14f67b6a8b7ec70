#pragma once

#include <QString>

namespace penwick::platform {

// A program started when the user logs in: an XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/<fileName>.
class LoginItem {
public:
    // `fileName` like "penwick-mini.desktop"; `entry` is the desktop file's text.
    LoginItem(QString fileName, QString entry);

    QString path() const;
    bool isEnabled() const;
    // Writes the entry atomically (on) or removes it (off; no entry is no error). False, with
    // `error` set, when the folder or file cannot be written or removed.
    bool setEnabled(bool enabled, QString* error = nullptr) const;

private:
    QString m_fileName;
    QString m_entry;
};

} // namespace penwick::platform
