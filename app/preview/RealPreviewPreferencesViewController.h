#pragma once

#include "Models/RealPreviewItem.h"
#include "preferences/PreferencePane.h"
#include "preview/RealPreviewPreferencesPopoverDelegate.h"

#include <QList>

class QAbstractButton;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace penwick {

class RealPreviewCellView;
class RealPreviewPreferencesPopoverController;

// The "Real Preview" pane: the sites whose pages Real Preview renders into. A radio button
// chooses the site (marked in the database and kept under "realPreviewSitePreference"),
// Reload fetches the selected site's page into its cache again, Remove deletes the record
// (leaving its cache file and the setting), and Add opens the add-site popover.
class RealPreviewPreferencesViewController : public PreferencePane, public RealPreviewPreferencesPopoverDelegate {
    Q_OBJECT
public:
    explicit RealPreviewPreferencesViewController(QWidget* parent = nullptr);

    QString identifier() const override { return QStringLiteral("RealPreview"); }
    QString toolbarItemLabel() const override { return QStringLiteral("Real Preview"); }
    QIcon toolbarItemImage() const override { return namedImage(QStringLiteral("RealPreviewPref")); }

    // No selection, Reload and Remove disabled, the list read again.
    void viewWillAppear() override;

    // Makes the site of the row holding `sender` the chosen one.
    void toggleIsSelected(QAbstractButton* sender);
    void toggleIsSelectedRow(int row);
    void reloadSite();
    void removeSite();
    void addNewSite(QWidget* sender);
    void realPreviewHelp();

    void didAddSite(const RealPreviewItem& item) override;

    const QList<RealPreviewItem>& realPreviewItems() const { return m_realPreviewItems; }
    QTableWidget* tableView() const { return m_tableView; }
    RealPreviewCellView* cellView(int row) const;
    QPushButton* addBtn() const { return m_addBtn; }
    QPushButton* reloadBtn() const { return m_reloadBtn; }
    QPushButton* removeBtn() const { return m_removeBtn; }
    QPushButton* helpBtn() const { return m_helpBtn; }
    QProgressBar* progressIndicator() const { return m_progressIndicator; }
    RealPreviewPreferencesPopoverController* popover() const { return m_popover; }
    bool isBusy() const;

    // The help page shipped with the resources.
    static QString helpPagePath();

private:
    void reloadItems();
    void reloadTable();
    int selectedRow() const;
    void showAlert(const QString& message, const QString& details = QString());
    void startSpinner();
    void stopSpinner();
    void pageFetched(const RealPreviewItem& item, const QString& body);

    QList<RealPreviewItem> m_realPreviewItems;
    QTableWidget* m_tableView = nullptr;
    QPushButton* m_addBtn = nullptr;
    QPushButton* m_removeBtn = nullptr;
    QPushButton* m_reloadBtn = nullptr;
    QPushButton* m_helpBtn = nullptr;
    QProgressBar* m_progressIndicator = nullptr;
    RealPreviewPreferencesPopoverController* m_popover = nullptr;
    int m_running = 0;
};

} // namespace penwick
