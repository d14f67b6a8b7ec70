#include "Models/SnippetGroup.h"

namespace penwick {

using platform::store::ObjectValues;
using platform::store::PropertyType;

const platform::store::ObjectSchema& SnippetGroup::objectSchema()
{
    static const platform::store::ObjectSchema schema {
        className(),
        primaryKey(),
        {
            { QStringLiteral("id"), PropertyType::String },
            { QStringLiteral("title"), PropertyType::String },
            { QStringLiteral("createdDate"), PropertyType::Date },
            { QStringLiteral("updatedDate"), PropertyType::Date },
        },
    };
    return schema;
}

ObjectValues SnippetGroup::toObjectValues() const
{
    ObjectValues values;
    record::put(values, QStringLiteral("id"), m_id);
    record::put(values, QStringLiteral("title"), m_title);
    record::put(values, QStringLiteral("createdDate"), m_createdDate);
    record::put(values, QStringLiteral("updatedDate"), m_updatedDate);
    return values;
}

SnippetGroup SnippetGroup::fromObjectValues(const ObjectValues& values)
{
    SnippetGroup record;
    record.m_id = record::string(values, QStringLiteral("id"));
    record.m_title = record::string(values, QStringLiteral("title"));
    record.m_createdDate = record::date(values, QStringLiteral("createdDate"));
    record.m_updatedDate = record::date(values, QStringLiteral("updatedDate"));
    return record;
}

} // namespace penwick
