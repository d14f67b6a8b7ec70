#pragma once

#include "tools/TVXQuickSearchService.h"

#include <QColor>
#include <QPoint>
#include <QStringList>
#include <QWidget>

class QLineEdit;
class QTableView;

namespace penwick {

class QuickOpenResultDelegate;
class QuickOpenResultsModel;
class TVXQuickOpenDelegate;
class TVXQuickOpenTableCellView;

// Quick Open: a floating panel in which the user types part of a file name and picks one
// of the files under the window's root folders. The chosen path goes to the delegate. A
// document window makes one on first use, keeps it (closing only hides it), hands it the
// current roots with `updateScopes` each time, and calls `unhookAndClose` when it closes.
class TVXQuickOpenWindowController : public QWidget, public TVXQuickSearchServiceDelegate {
    Q_OBJECT
public:
    // The roots are the sidebar's root folder paths. `ignore` replaces the folder
    // navigator's ignore rules (tests); `parent` is the document window.
    explicit TVXQuickOpenWindowController(const QStringList& rootUrls, QWidget* parent = nullptr);
    TVXQuickOpenWindowController(const QStringList& rootUrls, TVXQuickSearchService::IgnoreTestFactory ignore, QWidget* parent = nullptr);
    ~TVXQuickOpenWindowController() override;

    TVXQuickOpenDelegate* delegate() const { return m_delegate; }
    void setDelegate(TVXQuickOpenDelegate* delegate) { m_delegate = delegate; }

    QStringList rootUrls() const { return m_rootUrls; }
    void updateScopes(const QStringList& rootUrls);

    // Where a document window asks for the panel: the middle of its frame, 22 pixels
    // below its top edge (global coordinates).
    static QPoint parentWindowLocation(const QWidget* window);
    // Shows the panel with its top edge centred on `location` (global coordinates), makes
    // it the active window and selects the whole search text.
    void showWindowWithParentWindowLocation(QPoint location);
    QPoint initialLocation() const { return m_initialLocation; }
    // Ends every connection (field, table, service, delegate) and closes the panel.
    void unhookAndClose();
    bool isUnhooked() const { return m_unhooked; }

    // Closes the panel and hands the selected row's path, if a row is selected, to the delegate.
    void performQuickOpenSelection();
    // Scrolls the row into view and selects it alone.
    void selectRow(int row);
    // The selected row, or -1.
    int selectedRow() const;
    // Up and Down in the field: with wrap-around; nothing on an empty list.
    void moveUp();
    void moveDown();

    // The height of one row as the panel lays it out.
    double rowHeight() const { return m_rowHeight; }
    // n·h + 2n below 7 results, 6·h + 2n from 7 on, with n counted up to 12.
    static double tableHeightFor(qsizetype results, double rowHeight);
    void adjustTableHeight();
    void setTableViewHeight(double height);
    double tableViewHeight() const;
    // Repaints the rows in the colours of their selection state.
    void calibrateRowSelectionColor();
    // The name as rich text with the typed characters on the highlight colour.
    QString highlightedStringForDisplayName(const QString& name) const;
    static QColor highlightColor() { return QColor::fromRgbF(0.98f, 0.87f, 0.13f, 0.4f); }

    QString currentSearchText() const { return m_currentSearchText; }
    const QList<QuickOpenSearchResult>& searchResults() const { return m_searchResults; }
    // The rows the table shows (the results as of the last reload).
    int numberOfRows() const;
    // The cell set up for a shown row (null beyond the rows).
    TVXQuickOpenTableCellView* cellAtRow(int row) const;

    QLineEdit* searchTextField() const { return m_searchTextField; }
    QTableView* searchTableView() const { return m_searchTableView; }
    TVXQuickSearchService* searchService() const { return m_searchService; }

    // TVXQuickSearchServiceDelegate
    void searchDidStartWithQueryString(const QString& text) override;
    void searchDidUpdateWithResult(const QList<QuickOpenSearchResult>& results) override;
    void searchDidFinishWithResult(const QList<QuickOpenSearchResult>& results) override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Closes the panel and gives the keyboard back to the window it serves: without a window
    // manager (or with one that does not refocus), the focus would go nowhere.
    void closeToParentWindow();
    void searchTextChanged(const QString& text);
    void reloadTable();
    void tableViewSelectionDidChange();
    void placeWindow();

    QLineEdit* m_searchTextField;
    QTableView* m_searchTableView;
    QuickOpenResultsModel* m_model;
    QuickOpenResultDelegate* m_cellDelegate;
    TVXQuickSearchService* m_searchService;
    QStringList m_rootUrls;
    QList<QuickOpenSearchResult> m_searchResults;
    QString m_currentSearchText;
    QPoint m_initialLocation;
    double m_rowHeight = 0;
    TVXQuickOpenDelegate* m_delegate = nullptr;
    QMetaObject::Connection m_searchSubscription;
    bool m_unhooked = false;
};

} // namespace penwick
