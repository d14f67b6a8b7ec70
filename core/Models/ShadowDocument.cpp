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
    if (!m_id.isNull())
        values.insert(QStringLiteral("id"), m_id);
    if (!m_path.isNull())
        values.insert(QStringLiteral("path"), m_path);
    if (!m_sourcePath.isNull())
        values.insert(QStringLiteral("sourcePath"), m_sourcePath);
    if (!m_sourceIdentifier.isNull())
        values.insert(QStringLiteral("sourceIdentifier"), m_sourceIdentifier);
    if (!m_sourceName.isNull())
        values.insert(QStringLiteral("sourceName"), m_sourceName);
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
