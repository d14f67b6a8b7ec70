#include "tools/QuickOpenResultsModel.h"

#include "Extensions/StringAdditions.h"
#include "platform/FileIcons.h"
#include "tools/QuickOpenText.h"

namespace penwick {

void QuickOpenResultsModel::reload(const QList<QuickOpenSearchResult>& results, const QString& typedText, const QStringList& rootUrls)
{
    beginResetModel();
    m_results = results;
    m_typedText = typedText;
    m_rootUrls = rootUrls;
    // Icons are looked up for the rows painted, and kept only while they are listed.
    QHash<QString, QIcon> kept;
    for (const QuickOpenSearchResult& result : m_results) {
        const auto it = m_icons.constFind(result.fullPath());
        if (it != m_icons.constEnd())
            kept.insert(it.key(), it.value());
    }
    m_icons.swap(kept);
    endResetModel();
}

int QuickOpenResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_results.size());
}

QVariant QuickOpenResultsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_results.size())
        return {};
    const QString path = m_results[index.row()].fullPath();
    switch (role) {
    case Qt::DisplayRole:
        return lastPathComponent(path);
    case Qt::DecorationRole: {
        auto it = m_icons.find(path);
        if (it == m_icons.end())
            it = m_icons.insert(path, platform::iconForFile(path));
        return it.value();
    }
    case FullPathRole:
        return path;
    case PathTextRole:
        return quickOpenPathText(path, m_rootUrls);
    case HighlightsRole:
        return QVariant::fromValue(quickOpenHighlightRanges(lastPathComponent(path), m_typedText));
    default:
        return {};
    }
}

} // namespace penwick
