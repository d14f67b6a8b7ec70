#pragma once

#include "platform/store/StoreTypes.h"

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <variant>
#include <vector>

namespace penwick {

using platform::store::StoreError;
using platform::store::StoreErrorCode;

// A new record id: a UUID in its 36-character text form, lower-case, because note URLs
// carry the id as their host and URLs lower-case hosts.
inline QString makeRecordId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
}

namespace record {

inline QString string(const platform::store::ObjectValues& values, const QString& key)
{
    const QVariant v = values.value(key);
    return v.isValid() ? v.toString() : QString();
}

inline QDateTime date(const platform::store::ObjectValues& values, const QString& key)
{
    const QVariant v = values.value(key);
    return v.isValid() ? v.toDateTime().toUTC() : QDateTime();
}

// Absent fields (null strings, invalid dates) are not stored at all.
inline void put(platform::store::ObjectValues& values, const QString& key, const QString& value)
{
    if (!value.isNull())
        values.insert(key, value);
}

inline void put(platform::store::ObjectValues& values, const QString& key, const QDateTime& value)
{
    if (value.isValid())
        values.insert(key, value);
}

inline void put(platform::store::ObjectValues& values, const QString& key, bool value) { values.insert(key, value); }
inline void put(platform::store::ObjectValues& values, const QString& key, qint64 value) { values.insert(key, value); }

inline void read(const platform::store::ObjectValues& values, const QString& key, QString& out) { out = string(values, key); }
inline void read(const platform::store::ObjectValues& values, const QString& key, QDateTime& out) { out = date(values, key); }
inline void read(const platform::store::ObjectValues& values, const QString& key, bool& out) { out = values.value(key).toBool(); }
inline void read(const platform::store::ObjectValues& values, const QString& key, qint64& out) { out = values.value(key).toLongLong(); }

template <typename R> constexpr platform::store::PropertyType propertyType(QString R::*) { return platform::store::PropertyType::String; }
template <typename R> constexpr platform::store::PropertyType propertyType(QDateTime R::*) { return platform::store::PropertyType::Date; }
template <typename R> constexpr platform::store::PropertyType propertyType(bool R::*) { return platform::store::PropertyType::Bool; }
template <typename R> constexpr platform::store::PropertyType propertyType(qint64 R::*) { return platform::store::PropertyType::Integer; }

// One stored field of a record: its name and the member that holds it. A record lists
// its fields once; its schema and its conversions to and from stored values follow.
template <typename Record>
struct Field {
    QString name;
    std::variant<QString Record::*, QDateTime Record::*, bool Record::*, qint64 Record::*> member;
    bool indexed = false;
};

template <typename Record>
using Fields = std::vector<Field<Record>>;

template <typename Record>
platform::store::ObjectSchema schema(const QString& className, const QString& primaryKey, const Fields<Record>& fields)
{
    platform::store::ObjectSchema result { className, primaryKey, {} };
    for (const Field<Record>& field : fields) {
        const auto type = std::visit([](auto member) { return propertyType(member); }, field.member);
        result.properties.append({ field.name, type, field.indexed });
    }
    return result;
}

template <typename Record>
platform::store::ObjectValues toValues(const Record& record, const Fields<Record>& fields)
{
    platform::store::ObjectValues values;
    for (const Field<Record>& field : fields)
        std::visit([&](auto member) { put(values, field.name, record.*member); }, field.member);
    return values;
}

template <typename Record>
Record fromValues(const platform::store::ObjectValues& values, const Fields<Record>& fields)
{
    Record record;
    for (const Field<Record>& field : fields)
        std::visit([&](auto member) { read(values, field.name, record.*member); }, field.member);
    return record;
}

} // namespace record
} // namespace penwick
