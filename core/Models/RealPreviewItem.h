#pragma once

#include "Models/RecordSupport.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace penwick {

// A web site into whose page Real Preview renders the document.
// Absent strings are null QStrings and absent dates invalid QDateTimes.
class RealPreviewItem {
public:
    static QString className() { return QStringLiteral("RealPreviewItem"); }
    static QString primaryKey() { return QStringLiteral("id"); }
    static const platform::store::ObjectSchema& objectSchema();

    platform::store::ObjectValues toObjectValues() const;
    static RealPreviewItem fromObjectValues(const platform::store::ObjectValues& values);

    QString id() const { return m_id; }
    void setId(const QString& value) { m_id = value; }
    QString url() const { return m_url; }
    void setUrl(const QString& value) { m_url = value; }
    QString name() const { return m_name; }
    void setName(const QString& value) { m_name = value; }
    QString headerClassName() const { return m_headerClassName; }
    void setHeaderClassName(const QString& value) { m_headerClassName = value; }
    QString postClassName() const { return m_postClassName; }
    void setPostClassName(const QString& value) { m_postClassName = value; }
    QDateTime createdDate() const { return m_createdDate; }
    void setCreatedDate(const QDateTime& value) { m_createdDate = value; }
    QDateTime updatedDate() const { return m_updatedDate; }
    void setUpdatedDate(const QDateTime& value) { m_updatedDate = value; }
    bool isSelected() const { return m_isSelected; }
    void setSelected(bool value) { m_isSelected = value; }
    qint64 type() const { return m_type; }
    void setType(qint64 value) { m_type = value; }

    // Every site, in the database's order (the order they were added).
    static QList<RealPreviewItem> fetchAllItems(StoreError* error = nullptr);

    bool operator==(const RealPreviewItem&) const = default;

private:
    static const record::Fields<RealPreviewItem>& fields();

    QString m_id;
    QString m_url;
    QString m_name;
    QString m_headerClassName;
    QString m_postClassName;
    QDateTime m_createdDate;
    QDateTime m_updatedDate;
    bool m_isSelected = false;
    qint64 m_type = 0;
};

} // namespace penwick
