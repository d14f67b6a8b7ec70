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
    if (!m_id.isNull())
        values.insert(QStringLiteral("id"), m_id);
    if (!m_url.isNull())
        values.insert(QStringLiteral("url"), m_url);
    if (!m_name.isNull())
        values.insert(QStringLiteral("name"), m_name);
    if (m_createdDate.isValid())
        values.insert(QStringLiteral("createdDate"), m_createdDate);
    if (m_updatedDate.isValid())
        values.insert(QStringLiteral("updatedDate"), m_updatedDate);
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
