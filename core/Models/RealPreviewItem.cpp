#include "Models/RealPreviewItem.h"

namespace penwick {

const record::Fields<RealPreviewItem>& RealPreviewItem::fields()
{
    static const record::Fields<RealPreviewItem> list {
        { QStringLiteral("id"), &RealPreviewItem::m_id },
        { QStringLiteral("url"), &RealPreviewItem::m_url },
        { QStringLiteral("name"), &RealPreviewItem::m_name },
        { QStringLiteral("headerClassName"), &RealPreviewItem::m_headerClassName },
        { QStringLiteral("postClassName"), &RealPreviewItem::m_postClassName },
        { QStringLiteral("createdDate"), &RealPreviewItem::m_createdDate },
        { QStringLiteral("updatedDate"), &RealPreviewItem::m_updatedDate },
        { QStringLiteral("isSelected"), &RealPreviewItem::m_isSelected },
        { QStringLiteral("type"), &RealPreviewItem::m_type },
    };
    return list;
}

const platform::store::ObjectSchema& RealPreviewItem::objectSchema()
{
    static const platform::store::ObjectSchema schema = record::schema(className(), primaryKey(), fields());
    return schema;
}

platform::store::ObjectValues RealPreviewItem::toObjectValues() const
{
    return record::toValues(*this, fields());
}

RealPreviewItem RealPreviewItem::fromObjectValues(const platform::store::ObjectValues& values)
{
    return record::fromValues(values, fields());
}

} // namespace penwick
