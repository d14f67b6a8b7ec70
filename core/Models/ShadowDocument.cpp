#include "Models/ShadowDocument.h"

namespace penwick {

const record::Fields<ShadowDocument>& ShadowDocument::fields()
{
    static const record::Fields<ShadowDocument> list {
        { QStringLiteral("id"), &ShadowDocument::m_id },
        { QStringLiteral("path"), &ShadowDocument::m_path },
        { QStringLiteral("sourcePath"), &ShadowDocument::m_sourcePath },
        { QStringLiteral("sourceIdentifier"), &ShadowDocument::m_sourceIdentifier },
        { QStringLiteral("sourceName"), &ShadowDocument::m_sourceName },
        { QStringLiteral("title"), &ShadowDocument::m_title },
        { QStringLiteral("content"), &ShadowDocument::m_content },
        { QStringLiteral("createdDate"), &ShadowDocument::m_createdDate },
        { QStringLiteral("updatedDate"), &ShadowDocument::m_updatedDate },
    };
    return list;
}

const platform::store::ObjectSchema& ShadowDocument::objectSchema()
{
    static const platform::store::ObjectSchema schema = record::schema(className(), primaryKey(), fields());
    return schema;
}

platform::store::ObjectValues ShadowDocument::toObjectValues() const
{
    return record::toValues(*this, fields());
}

ShadowDocument ShadowDocument::fromObjectValues(const platform::store::ObjectValues& values)
{
    return record::fromValues(values, fields());
}

} // namespace penwick
