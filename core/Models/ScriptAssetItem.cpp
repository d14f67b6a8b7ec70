#include "Models/ScriptAssetItem.h"

namespace penwick {

using platform::store::ObjectValues;
using platform::store::PropertyType;

const platform::store::ObjectSchema& ScriptAssetItem::objectSchema()
{
    static const platform::store::ObjectSchema schema {
        className(),
        primaryKey(),
        {
            { QStringLiteral("id"), PropertyType::String },
            { QStringLiteral("url"), PropertyType::String },
            { QStringLiteral("name"), PropertyType::String },
            { QStringLiteral("createdDate"), PropertyType::Date },
            { QStringLiteral("updatedDate"), PropertyType::Date },
            { QStringLiteral("order"), PropertyType::Integer },
            { QStringLiteral("isEnabled"), PropertyType::Bool },
            { QStringLiteral("addBeforeBodyTag"), PropertyType::Bool },
        },
    };
    return schema;
}

ObjectValues ScriptAssetItem::toObjectValues() const
{
    ObjectValues values;
    record::put(values, QStringLiteral("id"), m_id);
    record::put(values, QStringLiteral("url"), m_url);
    record::put(values, QStringLiteral("name"), m_name);
    record::put(values, QStringLiteral("createdDate"), m_createdDate);
    record::put(values, QStringLiteral("updatedDate"), m_updatedDate);
    values.insert(QStringLiteral("order"), m_order);
    values.insert(QStringLiteral("isEnabled"), m_isEnabled);
    values.insert(QStringLiteral("addBeforeBodyTag"), m_addBeforeBodyTag);
    return values;
}

ScriptAssetItem ScriptAssetItem::fromObjectValues(const ObjectValues& values)
{
    ScriptAssetItem record;
    record.m_id = record::string(values, QStringLiteral("id"));
    record.m_url = record::string(values, QStringLiteral("url"));
    record.m_name = record::string(values, QStringLiteral("name"));
    record.m_createdDate = record::date(values, QStringLiteral("createdDate"));
    record.m_updatedDate = record::date(values, QStringLiteral("updatedDate"));
    record.m_order = values.value(QStringLiteral("order")).toLongLong();
    record.m_isEnabled = values.value(QStringLiteral("isEnabled")).toBool();
    record.m_addBeforeBodyTag = values.value(QStringLiteral("addBeforeBodyTag")).toBool();
    return record;
}

} // namespace penwick
