#pragma once

#include <QDBusConnection>
#include <QString>
#include <QStringList>

#include <optional>

namespace penwick {

// A failed file operation, handed to the caller to log or show.
struct FileError {
    // errno values use posixDomain; Qt's QFileDevice::FileError values use fileDeviceDomain.
    static inline const QString posixDomain = QStringLiteral("NSPOSIXErrorDomain");
    static inline const QString fileDeviceDomain = QStringLiteral("QFileDeviceErrorDomain");

    QString domain;
    int code = 0;
    QString message; // readable, names the path
    QString path;
};

// Whether something exists at a path and whether it is a folder. Symbolic links
// are followed (a link to a folder counts as a folder, a dangling link as nothing).
struct PathExistence {
    bool exists = false;
    bool isDir = false;

    bool operator==(const PathExistence&) const = default;
};

// An empty (or null) path stands for "no path": never an error, never found.
bool checkIfDirectoryExists(const QString& path);
bool checkIfFileExists(const QString& path); // exists and is not a folder
PathExistence checkIfPathExists(const QString& path);

// The per-user data folder of the named application (~/.local/share/<name>),
// shared by both programs. Empty only when no data location is known at all.
QString getApplicationDirectoryPath(const QString& name);

// Creates the folder and any missing parents; an existing folder is no error.
[[nodiscard]] std::optional<FileError> createDirectoryAtPath(const QString& path);

// Full paths of the files below `directory` (all depths, hidden entries included,
// links to folders not entered) whose path relative to `directory` ends with
// `type` (case-sensitive, no dot implied: "md" also finds "xmd"). Folders whose
// names end in `type` are skipped. Sorted by name within each folder, parents
// before their contents. A missing or empty `directory` gives an empty list.
QStringList collectItemsOfType(const QString& type, const QString& directory);

// Shows the item in the desktop's file manager, selected in its folder, through
// the freedesktop FileManager1 service on `bus`; when the service cannot be
// reached or refuses, opens the containing folder instead. Does not block.
void revealInFileManager(const QString& path, const QDBusConnection& bus = QDBusConnection::sessionBus());

} // namespace penwick
