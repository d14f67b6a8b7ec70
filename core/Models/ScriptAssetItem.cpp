#include "Models/ScriptAssetItem.h"

namespace penwick {

const record::Fields<ScriptAssetItem>& ScriptAssetItem::fields()
{
    static const record::Fields<ScriptAssetItem> list {
        { QStringLiteral("id"), &ScriptAssetItem::m_id },
        { QStringLiteral("url"), &ScriptAssetItem::m_url },
        { QStringLiteral("name"), &ScriptAssetItem::m_name },
        { QStringLiteral("createdDate"), &ScriptAssetItem::m_createdDate },
        { QStringLiteral("updatedDate"), &ScriptAssetItem::m_updatedDate },
        { QStringLiteral("order"), &ScriptAssetItem::m_order },
        { QStringLiteral("isEnabled"), &ScriptAssetItem::m_isEnabled },
        { QStringLiteral("addBeforeBodyTag"), &ScriptAssetItem::m_addBeforeBodyTag },
    };
    return list;
}

const platform::store::ObjectSchema& ScriptAssetItem::objectSchema()
{
    static const platform::store::ObjectSchema schema = record::schema(className(), primaryKey(), fields());
    return schema;
}

platform::store::ObjectValues ScriptAssetItem::toObjectValues() const
{
    return record::toValues(*this, fields());
}

ScriptAssetItem ScriptAssetItem::fromObjectValues(const platform::store::ObjectValues& values)
{
    return record::fromValues(values, fields());
}

} // namespace penwick
