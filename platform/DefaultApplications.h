#pragma once

#include <QString>

#include <optional>

namespace penwick::platform {

// The desktop's default application for a MIME type, as the freedesktop MIME-apps rules
// keep it: through `xdg-mime` when it is installed, else in the "[Default Applications]"
// group of $XDG_CONFIG_HOME/mimeapps.list.
class DefaultApplications {
public:
    // `xdgMime`: the program to run; a null string finds `xdg-mime` on the path, an empty one
    // (or a program that is not there) writes mimeapps.list directly.
    explicit DefaultApplications(QString xdgMime = QString());

    // Makes `desktopId` ("org.example.App.desktop") the default for `mimeType`. 0 when the
    // default now names it (read back, since xdg-mime may exit 0 without having written);
    // else a non-zero status.
    int setDefault(const QString& desktopId, const QString& mimeType) const;
    // The desktop id that opens `mimeType`, when one is set.
    std::optional<QString> queryDefault(const QString& mimeType) const;

    static constexpr int kTimeoutMs = 10000;

private:
    int setInMimeAppsList(const QString& desktopId, const QString& mimeType) const;
    std::optional<QString> queryMimeAppsList(const QString& mimeType) const;
    static QString mimeAppsListPath();

    QString m_xdgMime;
};

} // namespace penwick::platform
