#pragma once

#include "Models/RecordSupport.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace penwick {

struct SnippetLookup;

// A text that the editor expands from a shortcut typed after "@".
// Absent strings are null QStrings and absent dates invalid QDateTimes.
class Snippet {
public:
    static QString className() { return QStringLiteral("Snippet"); }
    static QString primaryKey() { return QStringLiteral("id"); }
    static QStringList indexedProperties() { return { QStringLiteral("shortcut") }; }
    static const platform::store::ObjectSchema& objectSchema();

    platform::store::ObjectValues toObjectValues() const;
    static Snippet fromObjectValues(const platform::store::ObjectValues& values);

    QString id() const { return m_id; }
    void setId(const QString& value) { m_id = value; }
    QString shortcut() const { return m_shortcut; }
    void setShortcut(const QString& value) { m_shortcut = value; }
    QString desc() const { return m_desc; }
    void setDesc(const QString& value) { m_desc = value; }
    QString content() const { return m_content; }
    void setContent(const QString& value) { m_content = value; }
    QString groupId() const { return m_groupId; }
    void setGroupId(const QString& value) { m_groupId = value; }
    QDateTime createdDate() const { return m_createdDate; }
    void setCreatedDate(const QDateTime& value) { m_createdDate = value; }
    QDateTime updatedDate() const { return m_updatedDate; }
    void setUpdatedDate(const QDateTime& value) { m_updatedDate = value; }

    static QList<Snippet> fetchAllItems(StoreError* error = nullptr);
    // Looks up the text typed after "@": a trailing ".h" or ".f" is a modifier, the rest the
    // shortcut (exact, case-sensitive; the first stored snippet wins). None for absent text.
    static std::optional<SnippetLookup> findByShortcut(const std::optional<QString>& text, StoreError* error = nullptr);

    bool operator==(const Snippet&) const = default;

private:
    static const record::Fields<Snippet>& fields();

    QString m_id;
    QString m_shortcut;
    QString m_desc;
    QString m_content;
    QString m_groupId;
    QDateTime m_createdDate;
    QDateTime m_updatedDate;
};

// What `Snippet::findByShortcut` found: the snippet (when one matched) and the last
// "."-separated part of the text (absent when the text has no parts).
struct SnippetLookup {
    std::optional<Snippet> snippet;
    std::optional<QString> modifier;
};

} // namespace penwick
