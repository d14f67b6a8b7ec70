#include "Models/ScratchDocument.h"

namespace penwick {

const record::Fields<ScratchDocument>& ScratchDocument::fields()
{
    static const record::Fields<ScratchDocument> list {
        { QStringLiteral("id"), &ScratchDocument::m_id },
        { QStringLiteral("title"), &ScratchDocument::m_title },
        { QStringLiteral("content"), &ScratchDocument::m_content },
        { QStringLiteral("createdDate"), &ScratchDocument::m_createdDate },
        { QStringLiteral("updatedDate"), &ScratchDocument::m_updatedDate },
    };
    return list;
}

const platform::store::ObjectSchema& ScratchDocument::objectSchema()
{
    static const platform::store::ObjectSchema schema = record::schema(className(), primaryKey(), fields());
    return schema;
}

platform::store::ObjectValues ScratchDocument::toObjectValues() const
{
    return record::toValues(*this, fields());
}

ScratchDocument ScratchDocument::fromObjectValues(const platform::store::ObjectValues& values)
{
    return record::fromValues(values, fields());
}

} // namespace penwick
