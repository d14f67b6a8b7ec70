#pragma once

#include <QHashFunctions>
#include <QList>
#include <QMetaType>
#include <QString>

namespace penwick {

// One editor theme or preview style file. Equality and hashing look at the display
// name only, in its canonical (NFC) form, so a name written with a combining accent
// equals the same name written precomposed.
class ThemeItem {
public:
    enum class ComparisonResult { Ascending = -1, Same = 0, Descending = 1 };

    ThemeItem() = default;
    // The display name is the file name without folder and extension.
    explicit ThemeItem(const QString& path);

    QString displayName() const { return m_displayName; }
    void setDisplayName(const QString& name);
    QString path() const { return m_path; }
    void setPath(const QString& path) { m_path = path; }

    // Case-insensitive comparison of the display names.
    ComparisonResult compare(const ThemeItem& other) const;

    bool operator==(const ThemeItem& other) const { return m_canonicalName == other.m_canonicalName; }
    friend size_t qHash(const ThemeItem& item, size_t seed = 0) { return qHash(item.m_canonicalName, seed); }

private:
    QString m_displayName;
    QString m_canonicalName;
    QString m_path;
};

using ThemeItems = QList<ThemeItem>;

} // namespace penwick

Q_DECLARE_METATYPE(penwick::ThemeItem)
