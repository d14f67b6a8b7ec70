#include "platform/tabs/TabView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDrag>
#include <QHBoxLayout>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QStyleOptionTab>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

namespace penwick::platform {

namespace {
// The tab being dragged between bars; one drag at a time in a process.
QPointer<TabViewItem> g_draggedItem;
}

// The bar: QTabBar's own reordering inside the bar, and a drag of its own once the pointer
// leaves the bar far enough (above, below or past either end), so that a tab can reach
// another bar or be torn off.
class TabBarWidget : public QTabBar {
public:
    explicit TabBarWidget(TabView* owner) : QTabBar(owner), m_owner(owner) { setAcceptDrops(true); }

    bool dragsAllowed = true;

    // The title as the tab shows it, shortened at its end where the tab is too narrow.
    QString shownText(int index) const
    {
        QStyleOptionTab option;
        initStyleOption(&option, index);
        return option.text;
    }

protected:
    // A tab is as wide as its title up to a limit; the bar never squeezes it below a readable
    // width (it scrolls instead), and a title that does not fit loses its end.
    QSize tabSizeHint(int index) const override
    {
        QSize size = QTabBar::tabSizeHint(index);
        const int excess = titleWidth(index) - TabView::MaximumTitleCharacters * fontMetrics().averageCharWidth();
        if (excess > 0)
            size.rwidth() -= excess;
        return size;
    }
    QSize minimumTabSizeHint(int index) const override
    {
        QSize size = tabSizeHint(index);
        const int shown = std::min(titleWidth(index), TabView::MaximumTitleCharacters * fontMetrics().averageCharWidth());
        const int excess = shown - TabView::ReadableTitleCharacters * fontMetrics().averageCharWidth();
        if (excess > 0)
            size.rwidth() -= excess;
        return size;
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            m_pressIndex = tabAt(event->position().toPoint());
        QTabBar::mousePressEvent(event);
    }

    void mouseMoveEvent(QMouseEvent* event) override
    {
        const QPoint pos = event->position().toPoint();
        const int margin = 2 * QApplication::startDragDistance() + height() / 2;
        if (dragsAllowed && m_pressIndex >= 0 && (event->buttons() & Qt::LeftButton)
            && (pos.y() < -margin || pos.y() > height() + margin || pos.x() < -margin || pos.x() > width() + margin)) {
            const int index = m_pressIndex;
            m_pressIndex = -1;
            // End the bar's own move first, as if the button were released here.
            QMouseEvent release(QEvent::MouseButtonRelease, event->position(), event->globalPosition(), Qt::LeftButton,
                Qt::NoButton, event->modifiers());
            QTabBar::mouseReleaseEvent(&release);
            startExternalDrag(index);
            return;
        }
        QTabBar::mouseMoveEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        m_pressIndex = -1;
        QTabBar::mouseReleaseEvent(event);
    }

    void contextMenuEvent(QContextMenuEvent* event) override
    {
        TabViewItem* item = m_owner->tabViewItemAtIndex(tabAt(event->pos()));
        if (!item)
            return;
        std::unique_ptr<QMenu> menu(m_owner->menuForTabViewItem(item));
        if (menu && !menu->isEmpty())
            menu->exec(event->globalPos());
    }

    void dragEnterEvent(QDragEnterEvent* event) override
    {
        if (event->mimeData()->hasFormat(TabView::TabMimeType) && g_draggedItem)
            event->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* event) override
    {
        if (event->mimeData()->hasFormat(TabView::TabMimeType) && g_draggedItem)
            event->acceptProposedAction();
    }
    void dropEvent(QDropEvent* event) override
    {
        TabViewItem* item = g_draggedItem;
        if (!item || !event->mimeData()->hasFormat(TabView::TabMimeType))
            return;
        int index = tabAt(event->position().toPoint());
        if (item->tabView() == m_owner) {
            const int from = m_owner->indexOfTabViewItem(item);
            if (index >= 0 && from >= 0 && index != from)
                moveTab(from, index);
            event->acceptProposedAction();
            return;
        }
        TabView* source = item->tabView();
        if (source && source->moveTabViewItem(item, m_owner, index))
            event->acceptProposedAction();
    }

private:
    int titleWidth(int index) const { return fontMetrics().horizontalAdvance(tabText(index)); }

    void startExternalDrag(int index)
    {
        TabViewItem* item = m_owner->tabViewItemAtIndex(index);
        if (!item)
            return;
        TabViewDelegate* delegate = m_owner->delegate();
        if (delegate && !delegate->tabViewShouldAllowTabViewItemToLeaveTabBarView(m_owner, item))
            return;
        auto* drag = new QDrag(this);
        auto* data = new QMimeData;
        data->setData(TabView::TabMimeType, QByteArray::number(quintptr(item)));
        drag->setMimeData(data);
        drag->setPixmap(grab(tabRect(index)));
        g_draggedItem = item;
        QPointer<TabView> owner = m_owner;
        const Qt::DropAction action = drag->exec(Qt::MoveAction);
        const QPoint dropPoint = QCursor::pos();
        QPointer<TabViewItem> dragged = g_draggedItem;
        g_draggedItem = nullptr;
        // Dropped off every bar: torn off into a new tab view, if the owner makes one.
        if (action == Qt::IgnoreAction && owner && dragged && dragged->tabView() == owner)
            owner->tearOffTabViewItem(dragged, dropPoint);
    }

    TabView* m_owner;
    int m_pressIndex = -1;
};

TabView::TabView(QWidget* parent) : QWidget(parent)
{
    m_bar = new TabBarWidget(this);
    m_bar->setDocumentMode(true);
    m_bar->setTabsClosable(true);
    m_bar->setMovable(true);
    m_bar->setUsesScrollButtons(true);
    m_bar->setExpanding(false);
    m_bar->setElideMode(Qt::ElideRight);
    m_addButton = new QToolButton(this);
    m_addButton->setText(QStringLiteral("+"));
    m_addButton->setToolTip(QStringLiteral("New Tab"));
    m_addButton->setAutoRaise(true);
    m_stack = new QStackedWidget(this);

    m_barRowWidget = new QWidget(this);
    auto* barRow = new QHBoxLayout(m_barRowWidget);
    m_barRow = barRow;
    barRow->setContentsMargins(0, 0, 0, 0);
    barRow->setSpacing(0);
    barRow->addWidget(m_bar, 1);
    barRow->addWidget(m_addButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_barRowWidget);
    layout->addWidget(m_stack, 1);

    connect(m_bar, &QTabBar::currentChanged, this, &TabView::onCurrentChanged);
    connect(m_bar, &QTabBar::tabMoved, this, &TabView::onTabMoved);
    connect(m_bar, &QTabBar::tabCloseRequested, this, &TabView::onCloseRequested);
    connect(m_addButton, &QToolButton::clicked, this, [this] {
        if (m_delegate)
            m_delegate->addNewTabToTabView(this);
    });
}

TabView::~TabView()
{
    // Pages belong to their owners, not to the stack.
    for (TabViewItem* item : std::as_const(m_items)) {
        if (item->view() && item->view()->parent() == m_stack)
            item->view()->setParent(nullptr);
    }
}

void TabView::addBarWidget(QWidget* widget)
{
    if (widget)
        m_barRow->addWidget(widget);
}

QTabBar* TabView::tabBar() const
{
    return m_bar;
}

void TabView::setShowAddTabButton(bool show)
{
    m_showAddButton = show;
    m_addButton->setVisible(show);
}

void TabView::setAlwaysShowActiveTab(bool always)
{
    m_bar->setUsesScrollButtons(always);
}

void TabView::setSizeButtonsToFit(bool fit)
{
    m_bar->setExpanding(fit);
}

void TabView::setAllowsTabDragging(bool allows)
{
    m_bar->dragsAllowed = allows;
    m_bar->setMovable(allows);
}

QList<TabViewItem*> TabView::tabViewItems() const
{
    return m_items;
}

TabViewItem* TabView::tabViewItemAtIndex(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items[index] : nullptr;
}

int TabView::indexOfTabViewItem(TabViewItem* item) const
{
    return int(m_items.indexOf(item));
}

void TabView::refreshTab(TabViewItem* item)
{
    const int index = indexOfTabViewItem(item);
    if (index < 0)
        return;
    // The edited mark leads the title, as the bar has no mark of its own.
    m_bar->setTabText(index, (item->isEdited() ? QStringLiteral("● ") : QString()) + item->label());
    m_bar->setTabIcon(index, item->icon());
    m_bar->setTabToolTip(index, item->toolTip().isEmpty() ? item->label() : item->toolTip());
}

void TabView::addTabViewItem(TabViewItem* item)
{
    insertTabViewItem(item, numberOfTabViewItems());
}

void TabView::insertTabViewItem(TabViewItem* item, int index)
{
    if (!item || m_items.contains(item))
        return;
    index = std::clamp(index < 0 ? numberOfTabViewItems() : index, 0, numberOfTabViewItems());
    item->setParent(this);
    item->m_tabView = this;
    m_items.insert(index, item);
    QWidget* page = item->view() ? item->view() : new QWidget;
    if (!item->view())
        item->setView(page);
    ++m_updating;
    m_stack->insertWidget(index, page);
    m_bar->insertTab(index, item->label());
    --m_updating;
    refreshTab(item);
    connect(item, &TabViewItem::changed, this, [this, item] { refreshTab(item); });
    if (!m_selected)
        selectTabViewItem(item);
    else
        m_stack->setCurrentIndex(indexOfTabViewItem(m_selected));
}

TabViewItem* TabView::takeTabViewItem(TabViewItem* item)
{
    const int index = indexOfTabViewItem(item);
    if (index < 0)
        return nullptr;
    disconnect(item, &TabViewItem::changed, this, nullptr);
    const bool wasSelected = m_selected == item;
    ++m_updating;
    m_items.removeAt(index);
    m_bar->removeTab(index);
    if (item->view()) {
        m_stack->removeWidget(item->view());
        item->view()->setParent(nullptr);
    }
    --m_updating;
    item->m_tabView = nullptr;
    item->setParent(nullptr);
    if (wasSelected) {
        m_selected = nullptr;
        if (!m_items.isEmpty())
            selectTabViewItemAtIndex(std::min(index, numberOfTabViewItems() - 1));
        else if (m_bar->currentIndex() >= 0)
            syncSelectionFromBar();
    } else if (m_selected) {
        m_stack->setCurrentIndex(indexOfTabViewItem(m_selected));
    }
    return item;
}

void TabView::removeTabViewItem(TabViewItem* item)
{
    if (TabViewItem* taken = takeTabViewItem(item))
        taken->deleteLater();
}

void TabView::selectTabViewItem(TabViewItem* item)
{
    const int index = indexOfTabViewItem(item);
    if (index < 0)
        return;
    if (m_bar->currentIndex() == index && m_selected != item) {
        syncSelectionFromBar();
        return;
    }
    if (m_bar->currentIndex() == index)
        return;
    m_bar->setCurrentIndex(index);
}

void TabView::selectTabViewItemAtIndex(int index)
{
    selectTabViewItem(tabViewItemAtIndex(index));
}

void TabView::onCurrentChanged(int)
{
    if (m_updating)
        return;
    syncSelectionFromBar();
}

void TabView::syncSelectionFromBar()
{
    TabViewItem* item = tabViewItemAtIndex(m_bar->currentIndex());
    if (item == m_selected)
        return;
    if (item && m_delegate)
        m_delegate->tabViewWillSelectTabViewItem(this, item);
    m_selected = item;
    if (item)
        m_stack->setCurrentIndex(indexOfTabViewItem(item));
    if (item && m_delegate)
        m_delegate->tabViewDidSelectTabViewItem(this, item);
}

void TabView::onTabMoved(int from, int to)
{
    if (from < 0 || from >= m_items.size() || to < 0 || to >= m_items.size())
        return;
    ++m_updating;
    m_items.move(from, to);
    QWidget* page = m_stack->widget(from);
    m_stack->removeWidget(page);
    m_stack->insertWidget(to, page);
    --m_updating;
    if (m_selected)
        m_stack->setCurrentIndex(indexOfTabViewItem(m_selected));
}

void TabView::onCloseRequested(int index)
{
    TabViewItem* item = tabViewItemAtIndex(index);
    if (!item)
        return;
    if (!m_canCloseOnlyTab && numberOfTabViewItems() == 1)
        return;
    if (!m_backgroundClosing && item != m_selected)
        return;
    performCloseTabViewItem(item);
}

bool TabView::performCloseTabViewItem(TabViewItem* item)
{
    if (indexOfTabViewItem(item) < 0)
        return false;
    QPointer<TabViewItem> guard(item);
    if (m_delegate && !m_delegate->tabViewShouldCloseTabViewItem(this, item))
        return false;
    if (!guard || indexOfTabViewItem(item) < 0)
        return false;
    if (m_delegate)
        m_delegate->tabViewWillCloseTabViewItem(this, item);
    takeTabViewItem(item);
    if (m_delegate)
        m_delegate->tabViewDidCloseTabViewItem(this, item);
    item->setView(nullptr);
    item->deleteLater();
    return true;
}

QMenu* TabView::menuForTabViewItem(TabViewItem* item)
{
    return m_delegate && item ? m_delegate->tabViewMenuForTabViewItem(this, item) : nullptr;
}

bool TabView::moveTabViewItem(TabViewItem* item, TabView* destination, int index)
{
    if (!destination || destination == this || indexOfTabViewItem(item) < 0)
        return false;
    if (m_delegate && !m_delegate->tabViewShouldAllowTabViewItemToLeaveTabBarView(this, item))
        return false;
    takeTabViewItem(item);
    destination->insertTabViewItem(item, index);
    destination->selectTabViewItem(item);
    if (m_delegate)
        m_delegate->tabViewDidDropTabViewItemInTabBarView(this, item, destination);
    return true;
}

QString TabView::shownTitle(int index) const
{
    return index >= 0 && index < m_bar->count() ? m_bar->shownText(index) : QString();
}

int TabView::leftMargin() const
{
    const QPoint barOrigin = m_bar->mapTo(this, QPoint(0, 0));
    return barOrigin.x() + (m_bar->count() > 0 ? m_bar->tabRect(0).left() : 0);
}

bool TabView::tearOffTabViewItem(TabViewItem* item, QPoint screenPoint)
{
    if (!m_delegate || indexOfTabViewItem(item) < 0)
        return false;
    TabView* destination = m_delegate->tabViewNewTabBarViewForDraggedTabViewItem(this, item, screenPoint);
    if (!destination)
        return false;
    return moveTabViewItem(item, destination, -1);
}

} // namespace penwick::platform
