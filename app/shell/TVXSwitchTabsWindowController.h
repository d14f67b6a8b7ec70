#pragma once

#include "platform/tabs/TabViewItem.h"

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <functional>

class QListWidget;

namespace penwick {

class TVXQuickOpenTableCellView;

class TVXSwitchTabsDelegate {
public:
    virtual ~TVXSwitchTabsDelegate() = default;
    virtual void tabItemDidSelectForSwitching(platform::TabViewItem* item) = 0;
};

// The tab switcher: a floating panel listing tabs, most recently used first. Next and previous
// (Ctrl+Tab, Ctrl+Shift+Tab) move the selection with wrap-around; any press or release of
// Control commits the selected tab; Escape or leaving the panel closes it without a choice.
class TVXSwitchTabsWindowController : public QWidget {
    Q_OBJECT
public:
    // The designed height of a row, in pixels.
    static constexpr double DesignedRowHeight = 24.0;

    using TitleProvider = std::function<QString(platform::TabViewItem*)>;
    // `title` gives each row's text (the tab's document name); without it, the tab's label.
    explicit TVXSwitchTabsWindowController(const QList<platform::TabViewItem*>& tabItems, TitleProvider title = {}, QWidget* parent = nullptr);
    ~TVXSwitchTabsWindowController() override;

    TVXSwitchTabsDelegate* delegate() const { return m_delegate; }
    void setDelegate(TVXSwitchTabsDelegate* delegate) { m_delegate = delegate; }

    // Shows the panel centred on `location` (global coordinates), then moves the selection once
    // for an offset of 1 or -1.
    void showWindowWithParentWindowLocation(QPoint location, int offset);
    void gotoNextDocInStack();
    void gotoPrevDocInStack();
    // Commits the selected row: closes the panel, then tells the delegate.
    void notifyAndClose();
    // Closes without a choice.
    void cancelOperation();

    int selectedRow() const;
    int numberOfRows() const { return int(m_items.size()); }
    double rowHeight() const { return m_rowHeight; }
    // n·h + 2n for n ≤ 10 rows, 10·h beyond.
    double tableHeight() const;
    TVXQuickOpenTableCellView* cellAtRow(int row) const;
    QListWidget* tableView() const { return m_table; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void adjustTableHeight();
    void setTableViewHeight(double height);
    void calibrateRowSelectionColor();
    void selectRow(int row);
    bool handleKey(QKeyEvent* event, bool press);
    static bool isPanelKey(const QKeyEvent* event);

    QListWidget* m_table;
    double m_rowHeight = -1.0;
    QPoint m_initialLocation;
    QList<QPointer<platform::TabViewItem>> m_items;
    TVXSwitchTabsDelegate* m_delegate = nullptr;
    bool m_finished = false;
};

} // namespace penwick
