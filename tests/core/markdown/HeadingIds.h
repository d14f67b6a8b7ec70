#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>

// The ids of the rendered headings, in document order, as the outline reads them.
inline QStringList headingIds(const QString& html)
{
    static const QRegularExpression outline(QStringLiteral("<(h([1-6]))\\s*id=\"([^\"]*)\">"));
    QStringList ids;
    auto it = outline.globalMatch(html);
    while (it.hasNext())
        ids << it.next().captured(3);
    return ids;
}
