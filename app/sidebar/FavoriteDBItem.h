#pragma once

#include "Models/RecordSupport.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace penwick {

// One favourite of the sidebar: a file or folder path, or a note URL. Penwick's own record
// class in the shared database; the mini program opens the file without knowing it.
class FavoriteDBItem {
public:
    static QString className() { return QStringLiteral("FavoriteDBItem"); }
    static QString primaryKey() { return QStringLiteral("id"); }
    static const platform::store::ObjectSchema& objectSchema();
    // Adds the class to the database's schema; before the database is set up.
    static void registerSchema();

    platform::store::ObjectValues toObjectValues() const;
    static FavoriteDBItem fromObjectValues(const platform::store::ObjectValues& values);

    // A new id: an upper-case UUID (it never stands in a URL, so the case does not matter).
    static QString makeId();

    QString id() const { return m_id; }
    void setId(const QString& value) { m_id = value; }
    QString path() const { return m_path; }
    void setPath(const QString& value) { m_path = value; }
    QDateTime createdDate() const { return m_createdDate; }
    void setCreatedDate(const QDateTime& value) { m_createdDate = value; }

    // Every favourite in the database's own order; empty with `error` set when unavailable.
    static QList<FavoriteDBItem> fetchAllItems(StoreError* error = nullptr);
    // The favourites whose path is exactly `path` (case-sensitive).
    static QList<FavoriteDBItem> withPath(const QString& path, StoreError* error = nullptr);

    bool operator==(const FavoriteDBItem&) const = default;

private:
    static const record::Fields<FavoriteDBItem>& fields();

    QString m_id;
    QString m_path;
    QDateTime m_createdDate;
};

} // namespace penwick
