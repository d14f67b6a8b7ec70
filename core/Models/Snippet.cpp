#include "Models/Snippet.h"

namespace penwick {

const record::Fields<Snippet>& Snippet::fields()
{
    static const record::Fields<Snippet> list {
        { QStringLiteral("id"), &Snippet::m_id },
        { QStringLiteral("shortcut"), &Snippet::m_shortcut, true },
        { QStringLiteral("desc"), &Snippet::m_desc },
        { QStringLiteral("content"), &Snippet::m_content },
        { QStringLiteral("groupId"), &Snippet::m_groupId },
        { QStringLiteral("createdDate"), &Snippet::m_createdDate },
        { QStringLiteral("updatedDate"), &Snippet::m_updatedDate },
    };
    return list;
}

const platform::store::ObjectSchema& Snippet::objectSchema()
{
    static const platform::store::ObjectSchema schema = record::schema(className(), primaryKey(), fields());
    return schema;
}

platform::store::ObjectValues Snippet::toObjectValues() const
{
    return record::toValues(*this, fields());
}

Snippet Snippet::fromObjectValues(const platform::store::ObjectValues& values)
{
    return record::fromValues(values, fields());
}

} // namespace penwick
