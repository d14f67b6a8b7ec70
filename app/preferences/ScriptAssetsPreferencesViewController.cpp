#include "preferences/ScriptAssetsPreferencesViewController.h"

#include "Extensions/Realm.h"
#include "Services/ScriptAssetsManager.h"
#include "preferences/JSCallbackPreferencesPopoverController.h"
#include "preferences/ScriptAssetsPopoverController.h"
#include "preferences/ScriptAssetsTableModel.h"
#include "platform/StandardLocations.h"
#include "common/AppLogger.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace penwick {

ScriptAssetsPreferencesViewController::ScriptAssetsPreferencesViewController(QWidget* parent)
    : PreferencePane(parent)
    , m_model(new ScriptAssetsTableModel(this))
    , m_tableView(new QTableView(this))
    , m_removeBtn(new QPushButton(QStringLiteral("Remove"), this))
    , m_addBtn(new QPushButton(QStringLiteral("Add…"), this))
    , m_callbackBtn(new QPushButton(QStringLiteral("Update Callback…"), this))
    , m_helpBtn(new QPushButton(QStringLiteral("?"), this))
    , m_sourcePopover(new ScriptAssetsPopoverController(this))
    , m_callbackScriptPopover(new JSCallbackPreferencesPopoverController(this))
{
    auto* intro = new QLabel(QStringLiteral("Scripts and style sheets loaded by every preview page, in this order:"), this);
    m_tableView->setModel(m_model);
    m_tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tableView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_tableView->setDragEnabled(true);
    m_tableView->setAcceptDrops(true);
    m_tableView->setDragDropMode(QAbstractItemView::DragDrop);
    m_tableView->setDefaultDropAction(Qt::MoveAction);
    m_tableView->setDropIndicatorShown(true);
    m_tableView->setDragDropOverwriteMode(false);
    m_tableView->verticalHeader()->hide();
    m_tableView->horizontalHeader()->setSectionResizeMode(ScriptAssetsTableModel::NameColumn, QHeaderView::ResizeToContents);
    m_tableView->horizontalHeader()->setSectionResizeMode(ScriptAssetsTableModel::URLColumn, QHeaderView::Stretch);
    m_tableView->horizontalHeader()->setSectionResizeMode(ScriptAssetsTableModel::EnabledColumn, QHeaderView::ResizeToContents);
    m_helpBtn->setToolTip(QStringLiteral("About script assets"));
    m_helpBtn->setFixedWidth(m_helpBtn->sizeHint().height());

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_addBtn);
    buttons->addWidget(m_removeBtn);
    buttons->addStretch();
    buttons->addWidget(m_callbackBtn);
    buttons->addWidget(m_helpBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_tableView, 1);
    layout->addLayout(buttons);

    m_model->setToggleHandler([this](int row, bool enabled) { toggleEnable(row, enabled); });
    m_model->setDropHandler([this](const QList<int>& rows, int insertion) { acceptDrop(rows, insertion); });
    connect(m_tableView->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        // Enabled by the first selection, and it stays so.
        if (m_tableView->selectionModel()->hasSelection())
            m_removeBtn->setEnabled(true);
    });
    connect(m_removeBtn, &QPushButton::clicked, this, &ScriptAssetsPreferencesViewController::removeSource);
    connect(m_addBtn, &QPushButton::clicked, this, [this] { addNewSource(m_addBtn); });
    connect(m_callbackBtn, &QPushButton::clicked, this, [this] { addCallbackScript(m_callbackBtn); });
    connect(m_helpBtn, &QPushButton::clicked, this, &ScriptAssetsPreferencesViewController::scriptAssetsHelp);
}

ScriptAssetsPreferencesViewController::~ScriptAssetsPreferencesViewController()
{
    appLog().debug(QStringLiteral("Deallocated"));
}

const QList<ScriptAssetItem>& ScriptAssetsPreferencesViewController::scriptAssetItems() const
{
    return m_model->items();
}

void ScriptAssetsPreferencesViewController::viewWillAppear()
{
    m_tableView->clearSelection();
    m_removeBtn->setEnabled(false);
    reload();
}

void ScriptAssetsPreferencesViewController::reload()
{
    m_model->setItems(ScriptAssetItem::fetchAllItems());
}

void ScriptAssetsPreferencesViewController::toggleEnable(int row, bool enabled)
{
    if (row < 0 || row >= m_model->items().size())
        return;
    const ScriptAssetItem& shown = m_model->items().at(row);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto error = Realm::write([&](RealmTransaction& tx) {
        // Only the two fields change: what the database holds is kept for the rest, and an
        // asset deleted meanwhile (by the other program) is not brought back.
        std::optional<ScriptAssetItem> stored = tx.objectForPrimaryKey<ScriptAssetItem>(shown.id());
        if (!stored) {
            tx.cancel(StoreError { StoreErrorCode::Invalid, QStringLiteral("The asset no longer exists") });
            return;
        }
        ScriptAssetItem item = *stored;
        item.setUpdatedDate(now);
        item.setEnabled(enabled);
        tx.add(item);
    });
    if (error) {
        appLog().error(QStringLiteral("Error updating enabled state"));
        return;
    }
    m_model->items()[row].setUpdatedDate(now);
    ScriptAssetsManager::sharedInstance().updateScriptAssets();
}

void ScriptAssetsPreferencesViewController::removeSource()
{
    QList<int> rows;
    for (const QModelIndex& index : m_tableView->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    QList<ScriptAssetItem> doomed;
    for (int row : rows) {
        if (row >= 0 && row < m_model->items().size())
            doomed.append(m_model->items().at(row));
    }
    const auto error = Realm::write([&](RealmTransaction& tx) {
        for (const ScriptAssetItem& item : doomed)
            tx.remove(item);
    });
    if (error) {
        auto* alert = new QMessageBox(QMessageBox::Critical, QStringLiteral("Could not remove the assets"), error->message,
            QMessageBox::Ok, window());
        alert->setAttribute(Qt::WA_DeleteOnClose);
        alert->setWindowModality(Qt::WindowModal);
        alert->open();
        return;
    }
    reload();
    ScriptAssetsManager::sharedInstance().updateScriptAssets();
}

void ScriptAssetsPreferencesViewController::acceptDrop(const QList<int>& rows, int insertionRow)
{
    QList<ScriptAssetItem>& items = m_model->items();
    insertionRow = std::clamp(insertionRow, 0, int(items.size()));
    QList<int> valid;
    for (int row : rows) {
        if (row >= 0 && row < items.size() && !valid.contains(row))
            valid.append(row);
    }
    reorder(items, valid, insertionRow);
    m_model->reset();
    renumber();
}

void ScriptAssetsPreferencesViewController::renumber()
{
    QList<ScriptAssetItem>& items = m_model->items();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QList<ScriptAssetItem> renumbered = items;
    for (qsizetype i = 0; i < renumbered.size(); ++i) {
        renumbered[i].setOrder(i);
        renumbered[i].setUpdatedDate(now);
    }
    const auto error = Realm::write([&](RealmTransaction& tx) {
        for (ScriptAssetItem& item : renumbered) {
            std::optional<ScriptAssetItem> stored = tx.objectForPrimaryKey<ScriptAssetItem>(item.id());
            if (!stored) {
                tx.cancel(StoreError { StoreErrorCode::Invalid, QStringLiteral("An asset no longer exists") });
                return;
            }
            stored->setOrder(item.order());
            stored->setUpdatedDate(now);
            item = *stored;
            tx.add(item);
        }
    });
    if (error) {
        appLog().error(QStringLiteral("Error changing asset order"));
        return;
    }
    items = renumbered;
    ScriptAssetsManager::sharedInstance().updateScriptAssets();
}

void ScriptAssetsPreferencesViewController::addNewSource(QWidget* sender)
{
    if (!m_sourcePopover)
        return;
    m_sourcePopover->setPopoverDelegate(this);
    m_sourcePopover->showRelativeTo(sender);
}

void ScriptAssetsPreferencesViewController::addCallbackScript(QWidget* sender)
{
    if (!m_callbackScriptPopover)
        return;
    m_callbackScriptPopover->setPopoverDelegate(this);
    m_callbackScriptPopover->showRelativeTo(sender);
}

void ScriptAssetsPreferencesViewController::scriptAssetsHelp()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(platform::resourcesDirectory() + QStringLiteral("/Help/script-assets.html")));
}

void ScriptAssetsPreferencesViewController::didAddSite(const ScriptAssetItem&)
{
    if (m_sourcePopover)
        m_sourcePopover->close();
    reload();
    renumber();
}

void ScriptAssetsPreferencesViewController::didAddCallbackJS(const QString&)
{
    if (m_callbackScriptPopover)
        m_callbackScriptPopover->close();
}

} // namespace penwick
