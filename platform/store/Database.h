#pragma once

#include "platform/Observation.h"
#include "platform/store/StoreTypes.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace penwick::platform::store {

class Database;

// Handed to the migration callback while an older file is brought up to date, inside the
// same transaction as the schema change: if the callback fails, the file stays as it was.
class Migration {
public:
    using Enumerator = std::function<void(const ObjectValues* oldObject, ObjectValues* newObject)>;

    quint64 oldSchemaVersion() const { return m_oldVersion; }
    // Calls `block` for every stored object of the class in natural order, with its values as
    // the old file held them and its values under the new schema; changes made to the new
    // values are stored. A class the old file did not have yields nothing.
    void enumerateObjects(const QString& className, const Enumerator& block);
    // Makes the migration fail and the opening report `message`.
    void fail(const QString& message);

private:
    friend class Database;
    struct Impl;
    explicit Migration(Impl* impl, quint64 oldVersion) : m_impl(impl), m_oldVersion(oldVersion) {}
    Impl* m_impl;
    quint64 m_oldVersion;
};

struct Configuration {
    QString filePath;
    quint64 schemaVersion = 0;
    QList<ObjectSchema> objectSchemas;
    // Runs once, when a file whose stored version is below `schemaVersion` is opened.
    std::function<void(Migration&, quint64 oldVersion)> migration;
    int busyTimeoutMs = 10000;
    // How often other connections' commits are looked for while anyone observes.
    int pollIntervalMs = 100;
};

class WriteTransaction;

// One connection to a database file shared by several processes (WAL journal, busy
// timeout). Reads and writes may come from any thread. Change notifications are delivered on
// the main thread, so a connection that is observed must be made and destroyed there; one
// that nobody observes may be made, used and destroyed on a worker thread of its own.
class Database {
public:
    using ChangeHandler = std::function<void(const StoreChange&)>;

    // Opens the file (creating it when missing) and brings it to the configured schema.
    // A damaged file, or one from a newer schema, is reported and left untouched.
    static std::unique_ptr<Database> open(const Configuration& configuration, StoreError* error);

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const Configuration& configuration() const;
    const ObjectSchema* objectSchema(const QString& className) const;
    // The schema version stored in the file.
    quint64 storedSchemaVersion(StoreError* error = nullptr) const;

    std::vector<ObjectValues> objects(const Query& query, StoreError* error = nullptr) const;
    std::vector<ObjectValues> allObjects(const QString& className, StoreError* error = nullptr) const;
    std::optional<ObjectValues> object(const QString& className, const QString& primaryKey,
        StoreError* error = nullptr) const;
    qint64 count(const QString& className, StoreError* error = nullptr) const;

    // Runs `body` in one write transaction and commits it. All or nothing: when any step or
    // the commit fails, or the body cancels, nothing is written and the error is returned.
    // Observers are told after the commit (at once when called on the main thread).
    [[nodiscard]] std::optional<StoreError> write(const std::function<void(WriteTransaction&)>& body);

    // Calls `handler` on the main thread after every commit (of the named class, or of any
    // class), until the handle is dropped or `context` (when given) is destroyed.
    [[nodiscard]] Observation observe(QObject* context, ChangeHandler handler);
    [[nodiscard]] Observation observe(const QString& className, QObject* context, ChangeHandler handler);

    // Looks for commits of other connections now; the poll timer calls it too.
    void checkForExternalChanges();

private:
    friend class WriteTransaction;
    friend class Migration;
    struct Impl;
    explicit Database(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d;
};

// The body's view of a running write transaction. The first failing step makes the rest
// do nothing and the whole transaction roll back.
class WriteTransaction {
public:
    // Inserts the object, or replaces every schema property of the stored one with the same
    // key (keeping its place in natural order). Missing values store as absent or 0.
    void put(const QString& className, const ObjectValues& values);
    // Removes the object with the key; a missing one is no error.
    void remove(const QString& className, const QString& primaryKey);
    void removeAll(const QString& className);

    // Reads see the transaction's own uncommitted changes.
    std::vector<ObjectValues> objects(const Query& query) const;
    std::optional<ObjectValues> object(const QString& className, const QString& primaryKey) const;

    // Rolls everything back; write() returns a Cancelled error (or `error` when given).
    void cancel(std::optional<StoreError> error = std::nullopt);
    bool failed() const { return m_error.has_value(); }
    const std::optional<StoreError>& error() const { return m_error; }

private:
    friend class Database;
    explicit WriteTransaction(Database& database) : m_db(database) {}
    Database& m_db;
    mutable std::optional<StoreError> m_error;
    QSet<QString> m_touched;
};

} // namespace penwick::platform::store
