#pragma once

#include "Models/RecordSupport.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace penwick {

// A script or style sheet added to every preview and export page.
// Absent strings are null QStrings and absent dates invalid QDateTimes.
class ScriptAssetItem {
public:
    static QString className() { return QStringLiteral("ScriptAssetItem"); }
    static QString primaryKey() { return QStringLiteral("id"); }
    static const platform::store::ObjectSchema& objectSchema();

    platform::store::ObjectValues toObjectValues() const;
    static ScriptAssetItem fromObjectValues(const platform::store::ObjectValues& values);

    QString id() const { return m_id; }
    void setId(const QString& value) { m_id = value; }
    QString url() const { return m_url; }
    void setUrl(const QString& value) { m_url = value; }
    QString name() const { return m_name; }
    void setName(const QString& value) { m_name = value; }
    QDateTime createdDate() const { return m_createdDate; }
    void setCreatedDate(const QDateTime& value) { m_createdDate = value; }
    QDateTime updatedDate() const { return m_updatedDate; }
    void setUpdatedDate(const QDateTime& value) { m_updatedDate = value; }
    qint64 order() const { return m_order; }
    void setOrder(qint64 value) { m_order = value; }
    bool isEnabled() const { return m_isEnabled; }
    void setEnabled(bool value) { m_isEnabled = value; }
    bool addBeforeBodyTag() const { return m_addBeforeBodyTag; }
    void setAddBeforeBodyTag(bool value) { m_addBeforeBodyTag = value; }

    // Every item, ascending by `order` (equal orders in insertion order).
    static QList<ScriptAssetItem> fetchAllItems(StoreError* error = nullptr);

    bool operator==(const ScriptAssetItem&) const = default;

private:
    static const record::Fields<ScriptAssetItem>& fields();

    QString m_id;
    QString m_url;
    QString m_name;
    QDateTime m_createdDate;
    QDateTime m_updatedDate;
    qint64 m_order = 0;
    bool m_isEnabled = false;
    bool m_addBeforeBodyTag = false;
};

} // namespace penwick
