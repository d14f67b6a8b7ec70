#pragma once

#include "Models/RecordSupport.h"
#include "platform/Observation.h"
#include "platform/store/Database.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace penwick {

class NoteWriter;

// Opens the one database both programs share: "penwick.db" in the application's data
// folder, at schema version 3, migrating older files. When set-up fails the error is logged
// and the database stays unavailable: every call then reports so, and nothing is written
// anywhere else.
class RealmSetup {
public:
    static constexpr quint64 schemaVersion = 3;

    static void setup();
    // Opens "penwick.db" in `folder` (created when missing); false when unavailable.
    static bool setupInFolder(const QString& folder);
    // Closes the database; afterwards it is unavailable until the next set-up.
    static void close();
    // The writer of notes into that database (also when opening it failed); null before set-up.
    static NoteWriter* noteWriter();

    static bool isAvailable();
    // Why the database is unavailable (code Unavailable), naming the set-up failure if any.
    static StoreError unavailableError();

    // Record classes that the applications add (before set-up) besides the framework's six.
    static void registerObjectSchema(const platform::store::ObjectSchema& schema);
    static platform::store::Configuration configuration(const QString& filePath);
    static void migrate(platform::store::Migration& migration, quint64 oldSchemaVersion);
};

class RealmTransaction;

// Typed access to the database opened by RealmSetup. Every call on an unavailable database
// returns nothing and sets `error` (or returns it) with code Unavailable.
class Realm {
public:
    using ChangeHandler = platform::store::Database::ChangeHandler;

    // Null when unavailable.
    static platform::store::Database* database();

    template <class Record>
    static QList<Record> allObjects(StoreError* error = nullptr);
    template <class Record>
    static QList<Record> objects(platform::store::Query query, StoreError* error = nullptr);
    // Ids compare without regard to case.
    template <class Record>
    static std::optional<Record> objectForPrimaryKey(const QString& id, StoreError* error = nullptr);

    // All or nothing; the error (and nothing written) when any step or the commit fails.
    [[nodiscard]] static std::optional<StoreError> write(const std::function<void(RealmTransaction&)>& body);

    // Called on the main thread after every commit, this process's at once and the other
    // program's within about half a second, until the handle is dropped or `context` dies.
    // On an unavailable database the handle is inactive (isActive() is false).
    [[nodiscard]] static platform::Observation observe(QObject* context, ChangeHandler handler);
    template <class Record>
    [[nodiscard]] static platform::Observation observe(QObject* context, ChangeHandler handler)
    {
        return observeClass(Record::className(), context, std::move(handler));
    }

private:
    static platform::Observation observeClass(const QString& className, QObject* context, ChangeHandler handler);
    static void report(StoreError* error, const StoreError& value)
    {
        if (error)
            *error = value;
    }
};

class RealmTransaction {
public:
    explicit RealmTransaction(platform::store::WriteTransaction& transaction) : m_tx(transaction) {}

    // Inserts the record or replaces the stored one with the same id.
    template <class Record>
    void add(const Record& record) { m_tx.put(Record::className(), record.toObjectValues()); }
    template <class Record>
    void remove(const Record& record) { m_tx.remove(Record::className(), record.id()); }
    template <class Record>
    void removeObject(const QString& id) { m_tx.remove(Record::className(), id); }
    template <class Record>
    void removeAll() { m_tx.removeAll(Record::className()); }

    template <class Record>
    std::optional<Record> objectForPrimaryKey(const QString& id) const
    {
        if (auto values = m_tx.object(Record::className(), id))
            return Record::fromObjectValues(*values);
        return std::nullopt;
    }
    template <class Record>
    QList<Record> allObjects() const
    {
        platform::store::Query query;
        query.className = Record::className();
        QList<Record> result;
        for (const auto& values : m_tx.objects(query))
            result.append(Record::fromObjectValues(values));
        return result;
    }

    void cancel(std::optional<StoreError> error = std::nullopt) { m_tx.cancel(std::move(error)); }
    bool failed() const { return m_tx.failed(); }
    platform::store::WriteTransaction& transaction() { return m_tx; }

private:
    platform::store::WriteTransaction& m_tx;
};

template <class Record>
QList<Record> Realm::objects(platform::store::Query query, StoreError* error)
{
    QList<Record> result;
    auto* db = database();
    if (!db) {
        report(error, RealmSetup::unavailableError());
        return result;
    }
    query.className = Record::className();
    const auto rows = db->objects(query, error);
    for (const auto& values : rows)
        result.append(Record::fromObjectValues(values));
    return result;
}

template <class Record>
QList<Record> Realm::allObjects(StoreError* error)
{
    return objects<Record>(platform::store::Query {}, error);
}

template <class Record>
std::optional<Record> Realm::objectForPrimaryKey(const QString& id, StoreError* error)
{
    auto* db = database();
    if (!db) {
        report(error, RealmSetup::unavailableError());
        return std::nullopt;
    }
    if (auto values = db->object(Record::className(), id, error))
        return Record::fromObjectValues(*values);
    return std::nullopt;
}

} // namespace penwick
