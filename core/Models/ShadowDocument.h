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

// A note attached to a document that is open in another application.
// Absent strings are null QStrings and absent dates invalid QDateTimes.
class ShadowDocument {
public:
    static QString className() { return QStringLiteral("ShadowDocument"); }
    static QString primaryKey() { return QStringLiteral("id"); }
    static QStringList ignoredProperties() { return { QStringLiteral("isTransient") }; }
    static const platform::store::ObjectSchema& objectSchema();

    platform::store::ObjectValues toObjectValues() const;
    static ShadowDocument fromObjectValues(const platform::store::ObjectValues& values);

    QString id() const { return m_id; }
    void setId(const QString& value) { m_id = value; }
    QString path() const { return m_path; }
    void setPath(const QString& value) { m_path = value; }
    QString sourcePath() const { return m_sourcePath; }
    void setSourcePath(const QString& value) { m_sourcePath = value; }
    QString sourceIdentifier() const { return m_sourceIdentifier; }
    void setSourceIdentifier(const QString& value) { m_sourceIdentifier = value; }
    QString sourceName() const { return m_sourceName; }
    void setSourceName(const QString& value) { m_sourceName = value; }
    QString title() const { return m_title; }
    void setTitle(const QString& value) { m_title = value; }
    QString content() const { return m_content; }
    void setContent(const QString& value) { m_content = value; }
    QDateTime createdDate() const { return m_createdDate; }
    void setCreatedDate(const QDateTime& value) { m_createdDate = value; }
    QDateTime updatedDate() const { return m_updatedDate; }
    void setUpdatedDate(const QDateTime& value) { m_updatedDate = value; }
    bool isTransient() const { return m_isTransient; }
    void setTransient(bool value) { m_isTransient = value; }

    // Every stored note in natural (insertion) order; empty, with `error` set, when the
    // database is unavailable or cannot be read.
    static QList<ShadowDocument> fetchAllItems(StoreError* error = nullptr);
    // The note URL that addresses this note as a document, and its display title.
    std::pair<std::optional<QUrl>, QString> makePathURLAndTitle() const;

    bool operator==(const ShadowDocument&) const = default;

private:
    static const record::Fields<ShadowDocument>& fields();

    QString m_id;
    QString m_path;
    QString m_sourcePath;
    QString m_sourceIdentifier;
    QString m_sourceName;
    QString m_title;
    QString m_content;
    QDateTime m_createdDate;
    QDateTime m_updatedDate;
    bool m_isTransient = false;  // never stored
};

} // namespace penwick
