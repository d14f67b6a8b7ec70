#include "Models/ShadowDocument.h"

namespace penwick {

using platform::store::ObjectValues;
using platform::store::PropertyType;

const platform::store::ObjectSchema& ShadowDocument::objectSchema()
{
    static const platform::store::ObjectSchema schema {
        className(),
        primaryKey(),
        {
            { QStringLiteral("id"), PropertyType::String },
            { QStringLiteral("path"), PropertyType::String },
            { QStringLiteral("sourcePath"), PropertyType::String },
            { QStringLiteral("sourceIdentifier"), PropertyType::String },
            { QStringLiteral("sourceName"), PropertyType::String },
            { QStringLiteral("title"), PropertyType::String },
            { QStringLiteral("content"), PropertyType::String },
            { QStringLiteral("createdDate"), PropertyType::Date },
            { QStringLiteral("updatedDate"), PropertyType::Date },
        },
    };
    return schema;
}

ObjectValues ShadowDocument::toObjectValues() const
{
    ObjectValues values;
    record::put(values, QStringLiteral("id"), m_id);
    record::put(values, QStringLiteral("path"), m_path);
    record::put(values, QStringLiteral("sourcePath"), m_sourcePath);
    record::put(values, QStringLiteral("sourceIdentifier"), m_sourceIdentifier);
    record::put(values, QStringLiteral("sourceName"), m_sourceName);
    record::put(values, QStringLiteral("title"), m_title);
    record::put(values, QStringLiteral("content"), m_content);
    record::put(values, QStringLiteral("createdDate"), m_createdDate);
    record::put(values, QStringLiteral("updatedDate"), m_updatedDate);
    return values;
}

ShadowDocument ShadowDocument::fromObjectValues(const ObjectValues& values)
{
    ShadowDocument record;
    record.m_id = record::string(values, QStringLiteral("id"));
    record.m_path = record::string(values, QStringLiteral("path"));
    record.m_sourcePath = record::string(values, QStringLiteral("sourcePath"));
    record.m_sourceIdentifier = record::string(values, QStringLiteral("sourceIdentifier"));
    record.m_sourceName = record::string(values, QStringLiteral("sourceName"));
    record.m_title = record::string(values, QStringLiteral("title"));
    record.m_content = record::string(values, QStringLiteral("content"));
    record.m_createdDate = record::date(values, QStringLiteral("createdDate"));
    record.m_updatedDate = record::date(values, QStringLiteral("updatedDate"));
    return record;
}

} // namespace penwick
