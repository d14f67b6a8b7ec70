#include "sidebar/FavoriteDBItem.h"

#include "Extensions/Realm.h"

#include <QUuid>

namespace penwick {

const record::Fields<FavoriteDBItem>& FavoriteDBItem::fields()
{
    static const record::Fields<FavoriteDBItem> list {
        { QStringLiteral("id"), &FavoriteDBItem::m_id },
        { QStringLiteral("path"), &FavoriteDBItem::m_path },
        { QStringLiteral("createdDate"), &FavoriteDBItem::m_createdDate },
    };
    return list;
}

const platform::store::ObjectSchema& FavoriteDBItem::objectSchema()
{
    static const platform::store::ObjectSchema schema = record::schema(className(), primaryKey(), fields());
    return schema;
}

void FavoriteDBItem::registerSchema()
{
    RealmSetup::registerObjectSchema(objectSchema());
}

platform::store::ObjectValues FavoriteDBItem::toObjectValues() const
{
    return record::toValues(*this, fields());
}

FavoriteDBItem FavoriteDBItem::fromObjectValues(const platform::store::ObjectValues& values)
{
    return record::fromValues(values, fields());
}

QString FavoriteDBItem::makeId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QList<FavoriteDBItem> FavoriteDBItem::fetchAllItems(StoreError* error)
{
    return Realm::allObjects<FavoriteDBItem>(error);
}

QList<FavoriteDBItem> FavoriteDBItem::withPath(const QString& path, StoreError* error)
{
    platform::store::Query query;
    query.conditions.append({ QStringLiteral("path"), path });
    return Realm::objects<FavoriteDBItem>(query, error);
}

} // namespace penwick
