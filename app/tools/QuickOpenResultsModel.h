#pragma once

#include "tools/TVXQuickOpenTableCellView.h"
#include "tools/TVXQuickSearchService.h"

#include <QAbstractListModel>
#include <QHash>
#include <QIcon>

namespace penwick {

// The rows Quick Open shows: a snapshot of the results taken when the table reloads,
// with what each row displays.
class QuickOpenResultsModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        FullPathRole = Qt::UserRole + 1,
        PathTextRole,   // QString: where the file lies
        HighlightsRole, // QList<QuickOpenTextRange>: matched runs of the name
    };

    using QAbstractListModel::QAbstractListModel;

    // Replaces every row; `typedText` decides the highlights, `rootUrls` the path texts.
    void reload(const QList<QuickOpenSearchResult>& results, const QString& typedText, const QStringList& rootUrls);
    const QList<QuickOpenSearchResult>& results() const { return m_results; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    // Display: the file name with its extension; decoration: the file's icon.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    QList<QuickOpenSearchResult> m_results;
    QString m_typedText;
    QStringList m_rootUrls;
    mutable QHash<QString, QIcon> m_icons;
};

} // namespace penwick

Q_DECLARE_METATYPE(QList<penwick::QuickOpenTextRange>)
