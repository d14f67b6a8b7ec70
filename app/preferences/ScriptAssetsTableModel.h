#pragma once

#include "Models/ScriptAssetItem.h"

#include <QAbstractTableModel>
#include <QList>

#include <functional>

namespace penwick {

// The rows of the Script Assets table: name, address (also its tool tip) and the enabled
// box. Rows are dragged as our own MIME type holding their numbers in decimal, one a line;
// a drop between rows hands the numbers to `onDrop`, a drop onto a row is refused.
class ScriptAssetsTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NameColumn, URLColumn, EnabledColumn, ColumnCount };
    static inline const QString kRowsMimeType = QStringLiteral("application/x-penwick-script-asset-rows");

    using DropHandler = std::function<void(const QList<int>& rows, int insertionRow)>;
    using ToggleHandler = std::function<void(int row, bool enabled)>;

    explicit ScriptAssetsTableModel(QObject* parent = nullptr);

    void setItems(const QList<ScriptAssetItem>& items);
    const QList<ScriptAssetItem>& items() const { return m_items; }
    QList<ScriptAssetItem>& items() { return m_items; }
    void reset(); // after the items were changed in place

    void setDropHandler(DropHandler handler) { m_onDrop = std::move(handler); }
    void setToggleHandler(ToggleHandler handler) { m_onToggle = std::move(handler); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column, const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column, const QModelIndex& parent) override;

    // The row numbers a payload carries, in order: lines that are no decimal number, name no
    // row of `rowCount` rows, or repeat an earlier row are left out.
    static QList<int> rowsFromPayload(const QByteArray& payload, int rowCount);

private:
    QList<ScriptAssetItem> m_items;
    DropHandler m_onDrop;
    ToggleHandler m_onToggle;
};

} // namespace penwick
