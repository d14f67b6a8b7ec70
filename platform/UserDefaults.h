#pragma once

#include "platform/Observation.h"

#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QReadWriteLock>
#include <QStringList>
#include <QVariant>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace penwick::platform {

// The user-defaults store: registered defaults under persistent values kept in a
// property-list file. Reads answer the set value, else the registered default, else
// nothing (which reads as off, 0 or empty). Reads are safe from any thread; writes
// notify the key's observers synchronously on the writing thread.
class UserDefaults {
public:
    using Observer = std::function<void(const QString& key)>;

    // The process's store, kept in <config>/Penwick/Penwick.plist.
    static UserDefaults& standard();

    explicit UserDefaults(QString settingsFilePath);
    ~UserDefaults();

    QString settingsFilePath() const { return m_path; }
    // Empty unless the settings file could not be read or written.
    QString lastError() const;
    // Where an unreadable settings file found at start was kept (every setting then starts
    // from its default); empty when the file was read or there was none.
    QString keptUnreadableFile() const;

    void registerDefaults(const QVariantMap& defaults);
    // Registers the dictionary in a property-list file; false (with `error`) when it cannot be read.
    bool registerDefaultsFromFile(const QString& path, QString* error = nullptr);

    QVariant object(const QString& key) const;
    bool hasValue(const QString& key) const; // set by the user, not only registered
    bool boolForKey(const QString& key) const;
    qint64 integerForKey(const QString& key) const;
    double doubleForKey(const QString& key) const;
    QString stringForKey(const QString& key) const;
    QStringList stringArrayForKey(const QString& key) const;
    QVariantList arrayForKey(const QString& key) const;
    QVariantMap dictionaryForKey(const QString& key) const;

    // Persists the value; an invalid QVariant removes it. False when the file could not be written
    // (the value stays set for this process).
    bool setValue(const QString& key, const QVariant& value);
    bool removeObject(const QString& key) { return setValue(key, QVariant()); }
    // Forgets every persistent value (the command line's "clean").
    bool removePersistentDomain();

    // Calls `observer` once per change of the key's value, until the returned handle is dropped
    // or `context` (when given) is destroyed.
    [[nodiscard]] Observation observe(const QString& key, QObject* context, Observer observer);

private:
    struct Entry {
        QString key;
        QPointer<QObject> context;
        bool hasContext = false;
        Observer observer;
        std::atomic<bool> active { true };
    };

    QVariant effectiveLocked(const QString& key) const;
    void notify(const QStringList& keys, const QVariantMap& before);
    bool persist(const QString& key, const QVariant& value, bool clearAll);
    void load();

    QString m_path;
    mutable QReadWriteLock m_lock;
    QVariantMap m_registered;
    QVariantMap m_values;
    QString m_error;
    QString m_keptUnreadableFile;

    ObserverRegistry<Entry> m_observers;
};

} // namespace penwick::platform
