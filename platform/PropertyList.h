#pragma once

#include <QString>
#include <QVariant>

namespace penwick::platform {

// XML property lists as QVariant trees: dict -> QVariantMap, array -> QVariantList,
// string -> QString, integer -> qlonglong, real -> double, true/false -> bool,
// data -> QByteArray, date -> QDateTime (UTC).
struct PropertyListResult {
    QVariant value;
    QString error; // empty on success
    bool ok() const { return error.isEmpty(); }
};

PropertyListResult readPropertyList(const QByteArray& xml);
PropertyListResult readPropertyListFile(const QString& path);

// Maps are written with their keys sorted (QVariantMap order).
QByteArray writePropertyList(const QVariant& value);

} // namespace penwick::platform
