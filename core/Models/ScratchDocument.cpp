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
    if (!m_id.isNull())
        values.insert(QStringLiteral("id"), m_id);
    if (!m_title.isNull())
        values.insert(QStringLiteral("title"), m_title);
    if (!m_content.isNull())
        values.insert(QStringLiteral("content"), m_content);
    if (m_createdDate.isValid())
        values.insert(QStringLiteral("createdDate"), m_createdDate);
    if (m_updatedDate.isValid())
        values.insert(QStringLiteral("updatedDate"), m_updatedDate);
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
