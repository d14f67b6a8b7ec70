#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

namespace penwick::platform {

// Tells when the file at one path changes on disk, including when another program replaces it
// through a rename (which ends a watch on the old file: the path is watched again, and its
// folder too, so a file that comes back later is seen).
class FileWatch : public QObject {
    Q_OBJECT
public:
    explicit FileWatch(QObject* parent = nullptr);

    // Watches `path` instead of the previous one; an empty path stops watching.
    void watch(const QString& path);
    QString path() const { return m_path; }
    bool isWatchingFile() const;

signals:
    // Something at the path changed (contents, replacement, removal). May come more than once
    // for one change.
    void changed();

private:
    void rewatch();

    QFileSystemWatcher m_watcher;
    QString m_path;
};

} // namespace penwick::platform
