#include "preferences/ThemeItem.h"

#include "Extensions/StringAdditions.h"

namespace penwick {

ThemeItem::ThemeItem(const QString& path)
    : m_path(path)
{
    setDisplayName(fileName(path));
}

void ThemeItem::setDisplayName(const QString& name)
{
    m_displayName = name;
    m_canonicalName = name.normalized(QString::NormalizationForm_C);
}

ThemeItem::ComparisonResult ThemeItem::compare(const ThemeItem& other) const
{
    const int order = QString::compare(m_displayName, other.m_displayName, Qt::CaseInsensitive);
    if (order < 0)
        return ComparisonResult::Ascending;
    return order > 0 ? ComparisonResult::Descending : ComparisonResult::Same;
}

} // namespace penwick
