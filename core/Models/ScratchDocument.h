#pragma once

#include "Models/RecordSupport.h"

#include <QUrl>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace penwick {

// A free note.
// Absent strings are null QStrings and absent dates invalid QDateTimes.
class ScratchDocument {
public:
    static QString className() { return QStringLiteral("ScratchDocument"); }
    static QString primaryKey() { return QStringLiteral("id"); }
    static QStringList ignoredProperties() { return { QStringLiteral("isTransient") }; }
    static const platform::store::ObjectSchema& objectSchema();

    platform::store::ObjectValues toObjectValues() const;
    static ScratchDocument fromObjectValues(const platform::store::ObjectValues& values);

    QString id() const { return m_id; }
    void setId(const QString& value) { m_id = value; }
    QString title() const { return m_title; }
    void setTitle(const QString& value) { m_title = value; }
    bool isTransient() const { return m_isTransient; }
    void setTransient(bool value) { m_isTransient = value; }
    QString content() const { return m_content; }
    void setContent(const QString& value) { m_content = value; }
    QDateTime createdDate() const { return m_createdDate; }
    void setCreatedDate(const QDateTime& value) { m_createdDate = value; }
    QDateTime updatedDate() const { return m_updatedDate; }
    void setUpdatedDate(const QDateTime& value) { m_updatedDate = value; }

    // Every stored note in natural (insertion) order; empty, with `error` set, when the
    // database is unavailable or cannot be read.
    static QList<ScratchDocument> fetchAllItems(StoreError* error = nullptr);
    // The note URL that addresses this note as a document, and its display title.
    std::pair<std::optional<QUrl>, QString> makePathURLAndTitle() const;

    bool operator==(const ScratchDocument&) const = default;

private:
    static const record::Fields<ScratchDocument>& fields();

    QString m_id;
    QString m_title;
    bool m_isTransient = false;  // never stored
    QString m_content;
    QDateTime m_createdDate;
    QDateTime m_updatedDate;
};

} // namespace penwick
