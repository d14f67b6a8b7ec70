#pragma once

#include "platform/tabs/TabViewItem.h"

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QWidget>

class QMenu;
class QStackedWidget;
class QTabBar;
class QHBoxLayout;
class QToolButton;

namespace penwick::platform {

class TabView;
class TabBarWidget;

// What a tab view asks and tells its owner. Every call has a default, so owners override
// only what they need.
class TabViewDelegate {
public:
    virtual ~TabViewDelegate() = default;

    // Closing, asked by the close button, the tab menu and performCloseTabViewItem().
    virtual bool tabViewShouldCloseTabViewItem(TabView*, TabViewItem*) { return true; }
    virtual void tabViewWillCloseTabViewItem(TabView*, TabViewItem*) {}
    virtual void tabViewDidCloseTabViewItem(TabView*, TabViewItem*) {}
    // Selection: before the page changes and after.
    virtual void tabViewWillSelectTabViewItem(TabView*, TabViewItem*) {}
    virtual void tabViewDidSelectTabViewItem(TabView*, TabViewItem*) {}
    // Dragging a tab out of this bar (into another bar or off every bar).
    virtual bool tabViewShouldAllowTabViewItemToLeaveTabBarView(TabView*, TabViewItem*) { return true; }
    // The tab was dropped on another tab view (it is already there); sent to the source's delegate.
    virtual void tabViewDidDropTabViewItemInTabBarView(TabView* /*source*/, TabViewItem*, TabView* /*destination*/) {}
    // A tab was dropped off every bar at `screenPoint`: the tab view that takes it (a new
    // window's), or none to leave it where it was.
    virtual TabView* tabViewNewTabBarViewForDraggedTabViewItem(TabView*, TabViewItem*, QPoint /*screenPoint*/) { return nullptr; }
    // The tab's context menu (the caller shows and deletes it); none for no menu.
    virtual QMenu* tabViewMenuForTabViewItem(TabView*, TabViewItem*) { return nullptr; }
    // The add-tab button.
    virtual void addNewTabToTabView(TabView*) {}
};

// A tab bar over a stack of pages, one per item: close buttons, an add-tab button, reordering by
// drag, dragging a tab into another tab view and tearing it off into a new one.
class TabView : public QWidget {
    Q_OBJECT
public:
    // Tab widths, in average characters of the bar's font: a title is shown whole up to the
    // maximum, and a crowded bar scrolls rather than show fewer than the readable count.
    static constexpr int ReadableTitleCharacters = 16;
    static constexpr int MaximumTitleCharacters = 32;
    // The drag format of a tab.
    static inline const QString TabMimeType = QStringLiteral("application/x-penwick-tab-item");

    explicit TabView(QWidget* parent = nullptr);
    ~TabView() override;

    TabViewDelegate* delegate() const { return m_delegate; }
    void setDelegate(TabViewDelegate* delegate) { m_delegate = delegate; }

    // --- Settings ---
    void setShowAddTabButton(bool show);
    bool showsAddTabButton() const { return m_showAddButton; }
    void setCanCloseOnlyTab(bool can) { m_canCloseOnlyTab = can; }
    bool canCloseOnlyTab() const { return m_canCloseOnlyTab; }
    void setAllowsBackgroundTabClosing(bool allows) { m_backgroundClosing = allows; }
    bool allowsBackgroundTabClosing() const { return m_backgroundClosing; }
    void setAlwaysShowActiveTab(bool always);
    void setSizeButtonsToFit(bool fit);
    void setAllowsTabDragging(bool allows);

    // --- Items ---
    // Adds (or inserts) the item and its view as a page; the first item is selected.
    void addTabViewItem(TabViewItem* item);
    void insertTabViewItem(TabViewItem* item, int index);
    // Removes the item without asking anyone; its view leaves the stack (not deleted) and the
    // item is deleted later.
    void removeTabViewItem(TabViewItem* item);
    // Removes the item and hands it over (for moving it to another tab view).
    TabViewItem* takeTabViewItem(TabViewItem* item);
    int numberOfTabViewItems() const { return int(m_items.size()); }
    QList<TabViewItem*> tabViewItems() const;
    TabViewItem* tabViewItemAtIndex(int index) const;
    int indexOfTabViewItem(TabViewItem* item) const;
    TabViewItem* selectedTabViewItem() const { return m_selected; }
    void selectTabViewItem(TabViewItem* item);
    void selectTabViewItemAtIndex(int index);

    // The close a user asks for: should-close, will-close, removal, did-close. False when refused.
    bool performCloseTabViewItem(TabViewItem* item);
    // The item's context menu from the delegate (caller owns it).
    QMenu* menuForTabViewItem(TabViewItem* item);
    // Moves the item to `destination` at `index` (-1: the end) and selects it there; the source's
    // delegate is asked first and told after. False when the move was refused.
    bool moveTabViewItem(TabViewItem* item, TabView* destination, int index = -1);
    // A drag of the item that ended off every tab bar at `screenPoint`.
    bool tearOffTabViewItem(TabViewItem* item, QPoint screenPoint);

    QTabBar* tabBar() const;
    // The title of the tab at `index` as the bar draws it (shortened when the tab is narrow).
    QString shownTitle(int index) const;
    // The row over the pages: the tab bar, the new-tab button and the added bar widgets.
    QWidget* barRow() const { return m_barRowWidget; }
    // Distance from the view's left edge to where the first tab starts.
    int leftMargin() const;
    QToolButton* addTabButton() const { return m_addButton; }
    // Puts a control at the end of the row of tabs (after the add button); the view takes it.
    void addBarWidget(QWidget* widget);

private:
    friend class TabBarWidget;
    void onCurrentChanged(int index);
    void onTabMoved(int from, int to);
    void onCloseRequested(int index);
    void refreshTab(TabViewItem* item);
    void syncSelectionFromBar();

    TabViewDelegate* m_delegate = nullptr;
    TabBarWidget* m_bar = nullptr;
    QStackedWidget* m_stack = nullptr;
    QToolButton* m_addButton = nullptr;
    QHBoxLayout* m_barRow = nullptr;
    QWidget* m_barRowWidget = nullptr;
    QList<TabViewItem*> m_items;
    QPointer<TabViewItem> m_selected;
    bool m_showAddButton = true;
    bool m_canCloseOnlyTab = true;
    bool m_backgroundClosing = true;
    int m_updating = 0;
};

} // namespace penwick::platform
