#pragma once

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QVariant>
#include <QVariantHash>

#include <functional>

namespace penwick::platform::store {

enum class StoreErrorCode {
    Unavailable = 1, // no database was set up, or set-up failed
    CannotOpen,      // the file or its folder cannot be opened or created
    Corrupt,         // the file is not a database of ours or is damaged
    NewerSchema,     // the file was written by a newer program
    Busy,            // another connection held the lock past the busy timeout
    Io,              // disk full, read-only, input/output failure
    Constraint,      // a record broke a rule of the table (duplicate key, missing key)
    Invalid,         // the call named an unknown class or property, or lacked a key
    MigrationFailed, // the migration callback failed; the file is left as it was
    Cancelled,       // the transaction body cancelled; nothing was written
    Sql,             // any other failure reported by SQLite
};

// An error handed to the caller. The store itself logs nothing.
struct StoreError {
    StoreErrorCode code = StoreErrorCode::Sql;
    QString message;
    QString domain = QStringLiteral("PenwickStore");
};

enum class PropertyType {
    String,  // QString; a null QString (or an invalid QVariant) is absent
    Integer, // qint64; never absent (0 by default)
    Bool,    // bool; never absent (false by default)
    Date,    // QDateTime in UTC with millisecond precision; an invalid one is absent
};

struct PropertySchema {
    QString name;
    PropertyType type = PropertyType::String;
    bool indexed = false;
};

// One class of stored objects: a table keyed by a string primary key. The key compares
// without regard to ASCII case. Natural order is insertion order.
struct ObjectSchema {
    QString className;
    QString primaryKey = QStringLiteral("id");
    QList<PropertySchema> properties;

    const PropertySchema* property(const QString& name) const
    {
        for (const auto& p : properties)
            if (p.name == name)
                return &p;
        return nullptr;
    }
};

// Property name -> value. Strings and dates may be missing (absent); see PropertyType.
using ObjectValues = QVariantHash;

// Equality on one property (case-sensitive for strings); an invalid value matches absent.
struct Condition {
    QString property;
    QVariant value;
};

struct Query {
    QString className;
    QList<Condition> conditions;
    QString sortProperty;   // empty: natural (insertion) order
    bool ascending = true;  // ties keep natural order
    int limit = -1;
};

// What a committed transaction changed. `external` is true when the commit came from
// another connection (another process or another Database on the same file).
struct StoreChange {
    QSet<QString> classNames;
    bool external = false;
};

} // namespace penwick::platform::store
