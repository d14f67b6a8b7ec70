#include "Models/Snippet.h"

namespace penwick {

using platform::store::ObjectValues;
using platform::store::PropertyType;

const platform::store::ObjectSchema& Snippet::objectSchema()
{
    static const platform::store::ObjectSchema schema {
        className(),
        primaryKey(),
        {
            { QStringLiteral("id"), PropertyType::String },
            { QStringLiteral("shortcut"), PropertyType::String, true },
            { QStringLiteral("desc"), PropertyType::String },
            { QStringLiteral("content"), PropertyType::String },
            { QStringLiteral("groupId"), PropertyType::String },
            { QStringLiteral("createdDate"), PropertyType::Date },
            { QStringLiteral("updatedDate"), PropertyType::Date },
        },
    };
    return schema;
}

ObjectValues Snippet::toObjectValues() const
{
    ObjectValues values;
    record::put(values, QStringLiteral("id"), m_id);
    record::put(values, QStringLiteral("shortcut"), m_shortcut);
    record::put(values, QStringLiteral("desc"), m_desc);
    record::put(values, QStringLiteral("content"), m_content);
    record::put(values, QStringLiteral("groupId"), m_groupId);
    record::put(values, QStringLiteral("createdDate"), m_createdDate);
    record::put(values, QStringLiteral("updatedDate"), m_updatedDate);
    return values;
}

Snippet Snippet::fromObjectValues(const ObjectValues& values)
{
    Snippet record;
    record.m_id = record::string(values, QStringLiteral("id"));
    record.m_shortcut = record::string(values, QStringLiteral("shortcut"));
    record.m_desc = record::string(values, QStringLiteral("desc"));
    record.m_content = record::string(values, QStringLiteral("content"));
    record.m_groupId = record::string(values, QStringLiteral("groupId"));
    record.m_createdDate = record::date(values, QStringLiteral("createdDate"));
    record.m_updatedDate = record::date(values, QStringLiteral("updatedDate"));
    return record;
}

} // namespace penwick
