#pragma once

#include "Models/RecordSupport.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace penwick {

// A named group of snippets.
// Absent strings are null QStrings and absent dates invalid QDateTimes.
class SnippetGroup {
public:
    static QString className() { return QStringLiteral("SnippetGroup"); }
    static QString primaryKey() { return QStringLiteral("id"); }
    static const platform::store::ObjectSchema& objectSchema();

    platform::store::ObjectValues toObjectValues() const;
    static SnippetGroup fromObjectValues(const platform::store::ObjectValues& values);

    QString id() const { return m_id; }
    void setId(const QString& value) { m_id = value; }
    QString title() const { return m_title; }
    void setTitle(const QString& value) { m_title = value; }
    QDateTime createdDate() const { return m_createdDate; }
    void setCreatedDate(const QDateTime& value) { m_createdDate = value; }
    QDateTime updatedDate() const { return m_updatedDate; }
    void setUpdatedDate(const QDateTime& value) { m_updatedDate = value; }

    static QList<SnippetGroup> fetchAllItems(StoreError* error = nullptr);
    // The first group, in fetch order, whose title equals `title` without regard to case.
    static std::optional<SnippetGroup> findGroupByTitle(const QString& title, StoreError* error = nullptr);

    bool operator==(const SnippetGroup&) const = default;

private:
    static const record::Fields<SnippetGroup>& fields();

    QString m_id;
    QString m_title;
    QDateTime m_createdDate;
    QDateTime m_updatedDate;
};

} // namespace penwick
