#include "Models/ScratchDocument.h"

namespace penwick {

using platform::store::ObjectValues;
using platform::store::PropertyType;

const platform::store::ObjectSchema& ScratchDocument::objectSchema()
{
    static const platform::store::ObjectSchema schema {
        className(),
        primaryKey(),
        {
            { QStringLiteral("id"), PropertyType::String },
            { QStringLiteral("title"), PropertyType::String },
            { QStringLiteral("content"), PropertyType::String },
            { QStringLiteral("createdDate"), PropertyType::Date },
            { QStringLiteral("updatedDate"), PropertyType::Date },
        },
    };
    return schema;
}

ObjectValues ScratchDocument::toObjectValues() const
{
    ObjectValues values;
    record::put(values, QStringLiteral("id"), m_id);
    record::put(values, QStringLiteral("title"), m_title);
    record::put(values, QStringLiteral("content"), m_content);
    record::put(values, QStringLiteral("createdDate"), m_createdDate);
    record::put(values, QStringLiteral("updatedDate"), m_updatedDate);
    return values;
}

ScratchDocument ScratchDocument::fromObjectValues(const ObjectValues& values)
{
    ScratchDocument record;
    record.m_id = record::string(values, QStringLiteral("id"));
    record.m_title = record::string(values, QStringLiteral("title"));
    record.m_content = record::string(values, QStringLiteral("content"));
    record.m_createdDate = record::date(values, QStringLiteral("createdDate"));
    record.m_updatedDate = record::date(values, QStringLiteral("updatedDate"));
    return record;
}

} // namespace penwick
