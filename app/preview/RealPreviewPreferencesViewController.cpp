#include "preview/RealPreviewPreferencesViewController.h"

#include "CorePrefs.h"
#include "Extensions/Realm.h"
#include "platform/Dialogs.h"
#include "platform/StandardLocations.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "preview/HttpGet.h"
#include "preview/RealPreviewCellView.h"
#include "preview/RealPreviewOutput.h"
#include "preview/RealPreviewPreferencesPopoverController.h"
#include "common/AppLogger.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace penwick {

RealPreviewPreferencesViewController::RealPreviewPreferencesViewController(QWidget* parent)
    : PreferencePane(parent)
    , m_tableView(new QTableWidget(0, 1, this))
    , m_addBtn(new QPushButton(QStringLiteral("Add Site…"), this))
    , m_removeBtn(new QPushButton(QStringLiteral("Remove"), this))
    , m_reloadBtn(new QPushButton(QStringLiteral("Reload"), this))
    , m_helpBtn(new QPushButton(QStringLiteral("?"), this))
    , m_progressIndicator(new QProgressBar(this))
    , m_popover(new RealPreviewPreferencesPopoverController(this))
{
    auto* intro = new QLabel(QStringLiteral("Sites whose page Real Preview shows your document in. "
                                            "The chosen one is used:"), this);
    intro->setWordWrap(true);
    m_tableView->horizontalHeader()->hide();
    m_tableView->verticalHeader()->hide();
    m_tableView->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tableView->setShowGrid(false);
    m_tableView->setAlternatingRowColors(true);
    m_reloadBtn->setToolTip(QStringLiteral("Fetch the selected site's page again"));
    m_helpBtn->setToolTip(QStringLiteral("About Real Preview"));
    m_helpBtn->setFixedWidth(m_helpBtn->sizeHint().height());
    m_progressIndicator->setRange(0, 0);
    m_progressIndicator->setTextVisible(false);
    m_progressIndicator->setMaximumWidth(80);
    m_progressIndicator->hide();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_addBtn);
    buttons->addWidget(m_removeBtn);
    buttons->addWidget(m_reloadBtn);
    buttons->addWidget(m_progressIndicator);
    buttons->addStretch();
    buttons->addWidget(m_helpBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_tableView, 1);
    layout->addLayout(buttons);

    connect(m_tableView->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        // Enabled by the first selection; they stay so while the pane is shown.
        if (m_tableView->selectionModel()->hasSelection()) {
            m_removeBtn->setEnabled(true);
            m_reloadBtn->setEnabled(true);
        }
    });
    connect(m_addBtn, &QPushButton::clicked, this, [this] { addNewSite(m_addBtn); });
    connect(m_removeBtn, &QPushButton::clicked, this, &RealPreviewPreferencesViewController::removeSite);
    connect(m_reloadBtn, &QPushButton::clicked, this, &RealPreviewPreferencesViewController::reloadSite);
    connect(m_helpBtn, &QPushButton::clicked, this, &RealPreviewPreferencesViewController::realPreviewHelp);
    m_removeBtn->setEnabled(false);
    m_reloadBtn->setEnabled(false);
}

void RealPreviewPreferencesViewController::viewWillAppear()
{
    m_tableView->clearSelection();
    m_removeBtn->setEnabled(false);
    m_reloadBtn->setEnabled(false);
    reloadItems();
}

void RealPreviewPreferencesViewController::reloadItems()
{
    m_realPreviewItems = RealPreviewItem::fetchAllItems();
    reloadTable();
}

void RealPreviewPreferencesViewController::reloadTable()
{
    m_tableView->setRowCount(int(m_realPreviewItems.size()));
    for (int row = 0; row < m_realPreviewItems.size(); ++row) {
        auto* cell = qobject_cast<RealPreviewCellView*>(m_tableView->cellWidget(row, 0));
        if (!cell) {
            cell = new RealPreviewCellView;
            connect(cell->selectedRadioBtn(), &QRadioButton::clicked, this,
                [this, button = cell->selectedRadioBtn()] { toggleIsSelected(button); });
            m_tableView->setCellWidget(row, 0, cell);
        }
        cell->bindModel(m_realPreviewItems.at(row));
        m_tableView->setRowHeight(row, cell->sizeHint().height());
    }
}

RealPreviewCellView* RealPreviewPreferencesViewController::cellView(int row) const
{
    return qobject_cast<RealPreviewCellView*>(m_tableView->cellWidget(row, 0));
}

int RealPreviewPreferencesViewController::selectedRow() const
{
    const QModelIndexList rows = m_tableView->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

bool RealPreviewPreferencesViewController::isBusy() const
{
    return !m_progressIndicator->isHidden();
}

void RealPreviewPreferencesViewController::startSpinner()
{
    ++m_running;
    m_progressIndicator->show();
}

void RealPreviewPreferencesViewController::stopSpinner()
{
    m_running = std::max(0, m_running - 1);
    if (m_running == 0)
        m_progressIndicator->hide();
}

void RealPreviewPreferencesViewController::showAlert(const QString& message, const QString& details)
{
    platform::AlertSpec alert;
    alert.messageText = message;
    alert.informativeText = details;
    alert.style = platform::AlertStyle::Critical;
    platform::Dialogs::current().runModalAlert(window(), alert);
}

void RealPreviewPreferencesViewController::toggleIsSelected(QAbstractButton* sender)
{
    for (int row = 0; row < m_tableView->rowCount(); ++row) {
        QWidget* cell = m_tableView->cellWidget(row, 0);
        if (cell && sender && cell->isAncestorOf(sender)) {
            toggleIsSelectedRow(row);
            return;
        }
    }
}

void RealPreviewPreferencesViewController::toggleIsSelectedRow(int row)
{
    if (row < 0 || row >= m_realPreviewItems.size())
        return;
    const QString chosen = m_realPreviewItems.at(row).id();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto error = Realm::write([&](RealmTransaction& tx) {
        // Every stored site, also one added elsewhere since the list was read, so that one
        // site at most stays chosen; the chosen one must still exist.
        if (!tx.objectForPrimaryKey<RealPreviewItem>(chosen)) {
            tx.cancel(StoreError { StoreErrorCode::Invalid, QStringLiteral("The site no longer exists") });
            return;
        }
        for (RealPreviewItem item : tx.allObjects<RealPreviewItem>()) {
            const bool isChosen = item.id() == chosen;
            if (!isChosen && !item.isSelected())
                continue;
            if (isChosen)
                item.setUpdatedDate(now);
            item.setSelected(isChosen);
            tx.add(item);
        }
    });
    if (error) {
        appLog().error(QStringLiteral("Error updating enabled state"));
        // The radio button the user pressed goes back to what the list holds.
        reloadTable();
        return;
    }
    reloadItems();
    platform::UserDefaults::standard().setValue(CorePrefs::REAL_PREVIEW_SELECTION, chosen);
}

void RealPreviewPreferencesViewController::reloadSite()
{
    const int row = selectedRow();
    if (row < 0 || row >= m_realPreviewItems.size())
        return;
    const RealPreviewItem item = m_realPreviewItems.at(row);
    startSpinner();
    QPointer<RealPreviewPreferencesViewController> self(this);
    const auto failed = [self, url = item.url()] {
        if (!self)
            return;
        self->stopSpinner();
        self->showAlert(RealPreviewPreferencesPopoverController::kFetchError, url);
    };
    const auto fetched = [self, item](const QString& body) {
        if (self)
            self->pageFetched(item, body);
    };
    if (std::optional<HttpGetError> error = httpGet(item.url(), failed, fetched)) {
        stopSpinner();
        showAlert(error->message);
    }
}

void RealPreviewPreferencesViewController::pageFetched(const RealPreviewItem& item, const QString& body)
{
    // A kind this program never stores is prepared as Other: nothing disarmed, nothing added.
    const BlogType kind = blogTypeFromRawValue(item.type()).value_or(BlogType::Other);
    if (std::optional<FileError> error = writeCachedPage(item.id(), RealPreviewOutput::preparePageHTML(body, kind))) {
        stopSpinner();
        showAlert(error->message);
        return;
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto error = Realm::write([&](RealmTransaction& tx) {
        // Only the date changes; a site removed meanwhile is not brought back.
        std::optional<RealPreviewItem> stored = tx.objectForPrimaryKey<RealPreviewItem>(item.id());
        if (!stored) {
            tx.cancel(StoreError { StoreErrorCode::Invalid, QStringLiteral("The site no longer exists") });
            return;
        }
        stored->setUpdatedDate(now);
        tx.add(*stored);
    });
    stopSpinner();
    if (error)
        showAlert(error->message);
}

void RealPreviewPreferencesViewController::removeSite()
{
    const int row = selectedRow();
    if (row < 0 || row >= m_realPreviewItems.size())
        return;
    const RealPreviewItem item = m_realPreviewItems.at(row);
    const auto error = Realm::write([&](RealmTransaction& tx) { tx.remove(item); });
    if (error) {
        showAlert(error->message);
        return;
    }
    reloadItems();
}

void RealPreviewPreferencesViewController::addNewSite(QWidget* sender)
{
    m_popover->setPopoverDelegate(this);
    m_popover->showRelativeTo(sender);
}

void RealPreviewPreferencesViewController::didAddSite(const RealPreviewItem&)
{
    m_popover->close();
    reloadItems();
}

QString RealPreviewPreferencesViewController::helpPagePath()
{
    return platform::resourcesDirectory() + QStringLiteral("/Help/real-preview.html");
}

void RealPreviewPreferencesViewController::realPreviewHelp()
{
    platform::Workspace::openURL(QUrl::fromLocalFile(helpPagePath()));
}

} // namespace penwick
