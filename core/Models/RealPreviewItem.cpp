#include "Models/RealPreviewItem.h"

namespace penwick {

using platform::store::ObjectValues;
using platform::store::PropertyType;

const platform::store::ObjectSchema& RealPreviewItem::objectSchema()
{
    static const platform::store::ObjectSchema schema {
        className(),
        primaryKey(),
        {
            { QStringLiteral("id"), PropertyType::String },
            { QStringLiteral("url"), PropertyType::String },
            { QStringLiteral("name"), PropertyType::String },
            { QStringLiteral("headerClassName"), PropertyType::String },
            { QStringLiteral("postClassName"), PropertyType::String },
            { QStringLiteral("createdDate"), PropertyType::Date },
            { QStringLiteral("updatedDate"), PropertyType::Date },
            { QStringLiteral("isSelected"), PropertyType::Bool },
            { QStringLiteral("type"), PropertyType::Integer },
        },
    };
    return schema;
}

ObjectValues RealPreviewItem::toObjectValues() const
{
    ObjectValues values;
    record::put(values, QStringLiteral("id"), m_id);
    record::put(values, QStringLiteral("url"), m_url);
    record::put(values, QStringLiteral("name"), m_name);
    record::put(values, QStringLiteral("headerClassName"), m_headerClassName);
    record::put(values, QStringLiteral("postClassName"), m_postClassName);
    record::put(values, QStringLiteral("createdDate"), m_createdDate);
    record::put(values, QStringLiteral("updatedDate"), m_updatedDate);
    values.insert(QStringLiteral("isSelected"), m_isSelected);
    values.insert(QStringLiteral("type"), m_type);
    return values;
}

RealPreviewItem RealPreviewItem::fromObjectValues(const ObjectValues& values)
{
    RealPreviewItem record;
    record.m_id = record::string(values, QStringLiteral("id"));
    record.m_url = record::string(values, QStringLiteral("url"));
    record.m_name = record::string(values, QStringLiteral("name"));
    record.m_headerClassName = record::string(values, QStringLiteral("headerClassName"));
    record.m_postClassName = record::string(values, QStringLiteral("postClassName"));
    record.m_createdDate = record::date(values, QStringLiteral("createdDate"));
    record.m_updatedDate = record::date(values, QStringLiteral("updatedDate"));
    record.m_isSelected = values.value(QStringLiteral("isSelected")).toBool();
    record.m_type = values.value(QStringLiteral("type")).toLongLong();
    return record;
}

} // namespace penwick
