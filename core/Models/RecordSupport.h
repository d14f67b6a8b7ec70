#pragma once

#include "platform/store/StoreTypes.h"

#include <QDateTime>
#include <QString>
#include <QUuid>

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

} // namespace record
} // namespace penwick
