#include "Models/SnippetGroup.h"

namespace penwick {

const record::Fields<SnippetGroup>& SnippetGroup::fields()
{
    static const record::Fields<SnippetGroup> list {
        { QStringLiteral("id"), &SnippetGroup::m_id },
        { QStringLiteral("title"), &SnippetGroup::m_title },
        { QStringLiteral("createdDate"), &SnippetGroup::m_createdDate },
        { QStringLiteral("updatedDate"), &SnippetGroup::m_updatedDate },
    };
    return list;
}

const platform::store::ObjectSchema& SnippetGroup::objectSchema()
{
    static const platform::store::ObjectSchema schema = record::schema(className(), primaryKey(), fields());
    return schema;
}

platform::store::ObjectValues SnippetGroup::toObjectValues() const
{
    return record::toValues(*this, fields());
}

SnippetGroup SnippetGroup::fromObjectValues(const platform::store::ObjectValues& values)
{
    return record::fromValues(values, fields());
}

} // namespace penwick
