#include "preferences/ScriptAssetsTableModel.h"

#include <QMimeData>
#include <QSet>

#include <algorithm>

namespace penwick {

ScriptAssetsTableModel::ScriptAssetsTableModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

void ScriptAssetsTableModel::setItems(const QList<ScriptAssetItem>& items)
{
    beginResetModel();
    m_items = items;
    endResetModel();
}

void ScriptAssetsTableModel::reset()
{
    beginResetModel();
    endResetModel();
}

int ScriptAssetsTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

int ScriptAssetsTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ScriptAssetsTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_items.size())
        return {};
    const ScriptAssetItem& item = m_items.at(index.row());
    switch (index.column()) {
    case NameColumn:
        if (role == Qt::DisplayRole)
            return item.name();
        break;
    case URLColumn:
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return item.url();
        break;
    case EnabledColumn:
        if (role == Qt::CheckStateRole)
            return item.isEnabled() ? Qt::Checked : Qt::Unchecked;
        break;
    }
    return {};
}

QVariant ScriptAssetsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NameColumn:
        return QStringLiteral("Name");
    case URLColumn:
        return QStringLiteral("URL");
    case EnabledColumn:
        return QStringLiteral("Enabled");
    }
    return {};
}

Qt::ItemFlags ScriptAssetsTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    if (index.column() == EnabledColumn)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

bool ScriptAssetsTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() != EnabledColumn || role != Qt::CheckStateRole || index.row() >= m_items.size())
        return false;
    const bool enabled = value.toInt() == Qt::Checked;
    // The box keeps the user's click whether or not it can be stored.
    m_items[index.row()].setEnabled(enabled);
    emit dataChanged(index, index, { Qt::CheckStateRole });
    if (m_onToggle)
        m_onToggle(index.row(), enabled);
    return true;
}

QStringList ScriptAssetsTableModel::mimeTypes() const
{
    return { kRowsMimeType };
}

QMimeData* ScriptAssetsTableModel::mimeData(const QModelIndexList& indexes) const
{
    QList<int> rows;
    for (const QModelIndex& index : indexes) {
        if (index.isValid() && !rows.contains(index.row()))
            rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    QByteArray payload;
    for (int row : rows)
        payload += QByteArray::number(row) + '\n';
    auto* data = new QMimeData;
    data->setData(kRowsMimeType, payload);
    return data;
}

QList<int> ScriptAssetsTableModel::rowsFromPayload(const QByteArray& payload, int rowCount)
{
    QList<int> rows;
    QSet<int> seen;
    for (const QByteArray& line : payload.split('\n')) {
        bool ok = false;
        const int row = line.trimmed().toInt(&ok, 10);
        if (!ok || row < 0 || row >= rowCount || seen.contains(row))
            continue;
        seen.insert(row);
        rows.append(row);
    }
    return rows;
}

bool ScriptAssetsTableModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int, const QModelIndex& parent) const
{
    Q_UNUSED(row);
    // Only between rows (an invalid parent); onto a row is refused.
    return data && data->hasFormat(kRowsMimeType) && action == Qt::MoveAction && !parent.isValid();
}

bool ScriptAssetsTableModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column, const QModelIndex& parent)
{
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    const int insertion = row < 0 || row > m_items.size() ? int(m_items.size()) : row;
    const QList<int> rows = rowsFromPayload(data->data(kRowsMimeType), int(m_items.size()));
    if (m_onDrop)
        m_onDrop(rows, insertion);
    return true;
}

} // namespace penwick
